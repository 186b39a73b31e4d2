// The calling thread's frames as the system's unwinder steps them, from the
// unwind data of each image: what the report of an exception that nothing
// caught needs to find the call that threw it.
#pragma once

#include <cstdint>

namespace platform {

struct UnwoundFrame {
  std::uintptr_t routine;  // the entry of the routine the frame belongs to
  std::uintptr_t address;  // the return address into that routine
  std::uintptr_t frame;    // the frame register's value in the frame
};

// Returns false to end the visit.
using FrameVisitor = bool (*)(const UnwoundFrame& frame, void* data);

// Visits the frames of VisitUnwoundFrames's callers, innermost first, until
// the visitor declines or the unwinder finds no unwind data for a frame.
void VisitUnwoundFrames(FrameVisitor visit, void* data);

// The entry of the C++ runtime's personality routine, which calls
// std::terminate itself when the search for a catch meets a function that
// may not throw.
std::uintptr_t PersonalityEntry();

}  // namespace platform
