// What the outermost handler records of a processor fault or of the process
// aborting, so that the report can name where it happened and walk the
// frames that led there after the handler, outside it: the interrupted
// context's registers, and the part of its stack the walk may read. The
// report runs on a stack of its own, so the faulting one stays as it stood.
#pragma once

#include <cstdint>

#include "platform/walk.h"

namespace platform {

enum class FaultKind : std::uint8_t {
  kProcessor,  // a processor fault
  kAbort,      // the process aborting (a signal the C library raised, or abort's handler)
};

struct FaultRecord {
  rt::FrameRegisters registers;  // where the thread stood, registers.pc
  // The stack the walk may read, [stack_low, stack_top): the thread's from
  // its stack pointer up; empty where the stack pointer lies on no stack
  // known.
  std::uint64_t stack_low = 0, stack_top = 0;
  FaultKind kind = FaultKind::kProcessor;
};

// Records a fault in the one record kept for the process: its registers,
// and the stack the walk may read, from the stack pointer (or from
// readable_from, where a stack that ran out ends above its stack pointer)
// up to top. Nothing is readable when the stack pointer lies outside
// [limit, top). Safe in a signal handler: it only stores.
void RecordFault(FaultKind kind, const rt::FrameRegisters& registers, std::uint64_t readable_from,
                 std::uint64_t limit, std::uint64_t top);

// The last fault recorded, or null before the first.
const FaultRecord* LastFault();

// The entry of the C library's abort as it is loaded, whose caller an
// abort is placed at.
std::uint64_t AbortEntry();

}  // namespace platform
