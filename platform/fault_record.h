// What the outermost handler records of a processor fault, so that the
// report can name where the fault happened and walk the frames that led
// there after the recovery, outside the handler: the faulting context's
// registers and a copy of the thread's stack from its stack pointer up, as
// they stood. Where the platform's own unwinder walks the frames, the
// handler records what it walked instead.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/frame_line.h"
#include "platform/walk.h"

namespace platform {

// The most of the stack a fault's record keeps: deep enough for the frames
// a report shows with room to spare, and reserved with the program, since
// the handler may not allocate.
constexpr std::uint64_t kStackCopyBytes = 512 * 1024;

struct FaultRecord {
  WalkRegisters registers;  // at the faulting instruction, registers.pc
  // stack_size bytes of the stack from stack_base, copied at the fault.
  std::uint64_t stack_base = 0;
  std::uint64_t stack_size = 0;
  const std::uint8_t* stack = nullptr;
  std::uint64_t stack_top = 0;  // the thread stack's upper end
  // The return addresses the platform's unwinder walked, innermost first,
  // where it walks in the handler, each with the frame address of the step
  // that reached it; walked is false where it does not.
  bool walked = false;
  std::size_t depth = 0;
  std::uint64_t return_addresses[rt::kMaxFrameLines] = {};
  std::uint64_t frames[rt::kMaxFrameLines] = {};
};

// Records a fault in the one record kept for the process: its registers,
// and the stack from the stack pointer up to top, no more than
// kStackCopyBytes, read only from readable_from up (a stack that ran out may
// end above its stack pointer). Nothing is copied when the stack pointer
// lies outside [limit, top). Safe in a signal handler: it allocates
// nothing, takes no lock and calls nothing but a copy of memory.
void RecordFault(const WalkRegisters& registers, std::uint64_t readable_from, std::uint64_t limit,
                 std::uint64_t top);
// Marks the last fault's frames as walked by the platform's unwinder, none
// yet: the report shows those that RecordWalkedFrame adds, and walks no copy.
void MarkWalked();
// Adds a return address the platform's unwinder walked to the record, and
// the frame address of the step that reached it.
void RecordWalkedFrame(std::uint64_t return_address, std::uint64_t frame);

// The last fault recorded, or null before the first.
const FaultRecord* LastFault();

}  // namespace platform
