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

// How a memory fault touched its address, where the processor tells.
enum class Access : std::uint8_t { kUnknown, kRead, kWrite, kExecute };

// What the handler learnt of a fault beyond where the thread stood, for the
// report's words on why the program ended.
struct FaultFacts {
  std::uint32_t exception_code = 0;  // the processor fault's code; 0 for an abort
  bool address_known = false;        // the address a memory fault touched
  std::uint64_t address = 0;
  Access access = Access::kUnknown;
  // The thread's stack: the lowest address it may grow down to, and its top;
  // 0 where not known.
  std::uint64_t stack_limit = 0, stack_top = 0;
};

struct FaultRecord {
  rt::FrameRegisters registers;  // where the thread stood, registers.pc
  // The stack the walk may read, [stack_low, stack_top): the thread's from
  // its stack pointer up; empty where the stack pointer lies on no stack
  // known.
  std::uint64_t stack_low = 0, stack_top = 0;
  FaultKind kind = FaultKind::kProcessor;
  FaultFacts facts;
};

// Records a fault in the one record kept for the process: its registers,
// and the stack the walk may read, from the stack pointer (or from
// readable_from, where a stack that ran out ends above its stack pointer)
// up to top. Nothing is readable when the stack pointer lies outside
// [limit, top). Safe in a signal handler: it only stores.
void RecordFault(FaultKind kind, const rt::FrameRegisters& registers, std::uint64_t readable_from,
                 std::uint64_t limit, std::uint64_t top, const FaultFacts& facts = {});

// The last fault recorded, or null before the first.
const FaultRecord* LastFault();

// The entry of the C library's abort as it is loaded, whose caller an
// abort is placed at.
std::uint64_t AbortEntry();

}  // namespace platform
