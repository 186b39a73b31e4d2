// What the outermost handler records of a processor fault, so that the
// report can name where the fault happened: the faulting instruction, the
// frame register, and the return addresses of the frame chain as it stood.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/frame_line.h"

namespace platform {

struct FaultRecord {
  void* address = nullptr;  // the faulting instruction
  void* frame = nullptr;    // the frame register at the fault
  std::size_t depth = 0;    // return addresses copied, innermost first
  void* return_addresses[rt::kMaxFrameLines] = {};
};

// Where frame records of the faulting context may lie: from the lowest
// address at or above the stack pointer that is surely readable, up to the
// stack's top.
struct StackSpan {
  std::uintptr_t lowest;
  std::uintptr_t top;
};

// Records a fault in the one record kept for the process, and copies the
// chain that starts at frame. A frame record is read only when it lies,
// aligned, inside the span, and each must lie above the one before, so
// the copy cannot fault or loop. Safe in a signal handler: it allocates
// nothing, takes no lock and calls nothing.
void RecordFault(std::uintptr_t address, std::uintptr_t frame, StackSpan stack);

// The last fault recorded, or null before the first.
const FaultRecord* LastFault();

}  // namespace platform
