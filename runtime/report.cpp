// The report: the error line, the frame line of the error address, the
// frames of the stack walk, and an empty line.
#include "runtime/report.h"

#include "base/text.h"
#include "console/write_ops.h"
#include "runtime/backtrace.h"
#include "runtime/errors.h"
#include "runtime/frame_list.h"
#include "runtime/report_memory.h"
#include "runtime/stack_walk.h"

namespace rt {

bool WriteErrorsToStdErr = true;

namespace {

// The callers of the faulting frame, walked from the fault's registers over
// the stack as it stood.
void WriteFaultFrames(TextRec& t, const platform::FaultRecord& fault, std::size_t used) {
  StackMemory stack(fault.stack_low, fault.stack_top);
  StackWalk walk(fault.registers, true, stack);
  Dump_Walk(t, walk, used);
}

// The callers of ErrorAddr's frame, walked from where the error was raised:
// the frames on the way there are the runtime's own. False when the walk
// does not come to ErrorAddr.
bool WalkFromWhereRaised(TextRec& t, std::size_t used) {
  std::uint64_t sp = ErrorRegisters.value[platform::kWalkLayout.stack_pointer];
  StackMemory stack(sp, reinterpret_cast<std::uint64_t>(StackTop(reinterpret_cast<void*>(sp))));
  StackWalk walk(ErrorRegisters, false, stack);
  std::uint64_t error_addr = reinterpret_cast<std::uint64_t>(ErrorAddr);
  for (int step = 0; step < 16; ++step) {
    if (!walk.Step()) return false;
    if (walk.pc() == error_addr) {
      Dump_Walk(t, walk, used);
      return true;
    }
  }
  return false;
}

}  // namespace

void WriteErrorReport(TextRec& t) {
  UseReportMemory();
  WriteText(0, t, "Runtime error ");
  WriteUnsigned(0, t, ErrorCode);
  WriteText(0, t, " at $");
  Text address;
  address.AppendHex16(reinterpret_cast<std::uintptr_t>(ErrorAddr));
  WriteText(0, t, address.view());
  WriteLineEnd(t);
  // A fault's address is that of the faulting instruction itself. The lines
  // of the calls inlined there count among the frame lines after it.
  std::size_t used = WriteFrameLines(t, reinterpret_cast<std::uintptr_t>(ErrorAddr),
                                     ErrorFault != nullptr, FrameLineLimit(t) + 1);
  used = used > 0 ? used - 1 : 0;
  if (ErrorFault != nullptr) {
    WriteFaultFrames(t, *ErrorFault, used);
  } else if (!ErrorRegistersKnown || !WalkFromWhereRaised(t, used)) {
    Dump_Stack(t, ErrorBase, ErrorAddr, used);
  }
  WriteText(0, t, "");
  WriteLineEnd(t);
}

}  // namespace rt
