// What the report's stack walk needs of the processor and the system: the
// processor's register numbering, the return address a call into no module
// left, the registers where an error is raised, where a module keeps its
// call-frame information, and the platform's own unwinder where it has one.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/registers.h"

namespace platform {

// CaptureWalkRegisters, written in assembly, stores into these places.
static_assert(sizeof(rt::FrameRegisters::value) == 272 &&
              offsetof(rt::FrameRegisters, known) == 272 &&
              offsetof(rt::FrameRegisters, pc) == 280);

// The processor's numbering (platform/<processor>/walk_layout.cpp) and what
// its calls preserve.
extern const rt::FrameLayout kWalkLayout;

// Reads a word of the thread's stack for the walk; false where it cannot.
using ReadStackWord = bool (*)(void* context, std::uint64_t address, std::uint64_t& value);

// Steps out of code that lies in no module (a call through a null or wild
// pointer) by the return address the call left: the word at the stack
// pointer on x86-64, the link register on aarch64. False when it is not
// there to be had.
bool StepFromNowhere(rt::FrameRegisters& registers, ReadStackWord read, void* context);

// Where a loaded module keeps its call-frame information: its .eh_frame_hdr
// and the end of the loaded segment that holds it, which bounds .eh_frame.
struct UnwindTables {
  bool in_module = false;                     // some module holds the address
  std::uint64_t header = 0, header_size = 0;  // 0 where the module has none
  std::uint64_t segment_start = 0, segment_end = 0;
};
UnwindTables FindUnwindTables(std::uint64_t address);
// Whether [address, address + size) lies within one loaded segment of a
// module, so that the walk may read it in place.
bool IsLoaded(std::uint64_t address, std::uint64_t size);

// What the platform's own unwinder made of a frame.
enum class PlatformStep {
  kUnavailable,  // the platform has none: the walk steps by call-frame information
  kStepped,      // registers are the caller's, frame its frame address
  kOutermost,    // the frame is main_wrapper's, where the walk ends
  kCannotStep,   // the frame's words lie outside the stack, or its data cannot be read
};

// Steps from a frame to its caller by the platform's own unwinder over the
// module's unwind data, reading the calling thread's live stack, only where
// every word it reads lies on that stack. A frame of code without unwind
// data is a leaf, whose return address is the word at the stack pointer.
// The frame address, for the walk's check that frames rise, is the caller's
// stack pointer. kUnavailable where the platform has no such unwinder
// (POSIX).
PlatformStep StepByPlatformUnwinder(rt::FrameRegisters& registers, std::uint64_t& frame);

// The entry of the routine that holds pc, by the platform's own function
// tables; false where it has none (POSIX) or none covers pc.
bool RoutineEntryByPlatform(std::uint64_t pc, std::uint64_t& entry);

// The frame address at which the walk of the calling thread's stack ends,
// 0 where it ends at the outermost frame: the frame of the routine that
// called the program's main, or that started the thread, whose frames are
// the runtime's and the system's, not the program's. record: that
// routine's frame record, where a chain of frame records ends.
void SetWalkEnd(std::uint64_t frame, const void* record = nullptr);
std::uint64_t WalkEnd();
const void* WalkEndRecord();

}  // namespace platform

// The registers of the routine that calls it, as they stand at the
// instruction after the call: pc is that instruction (the return address),
// the stack pointer the one that routine has, and the registers a call
// preserves.
extern "C" void CaptureWalkRegisters(rt::FrameRegisters* registers);
