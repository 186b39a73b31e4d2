// The report: the error line, the frame line of the error address, the
// frames of the stack walk (for a processor fault, of the chain copied at
// the fault), and an empty line.
#include "runtime/report.h"

#include "base/text.h"
#include "console/write_ops.h"
#include "runtime/backtrace.h"
#include "runtime/errors.h"

namespace rt {

bool WriteErrorsToStdErr = true;

void WriteErrorReport(TextRec& t) {
  WriteText(0, t, "Runtime error ");
  WriteUnsigned(0, t, ErrorCode);
  WriteText(0, t, " at $");
  Text address;
  address.AppendHex16(reinterpret_cast<std::uintptr_t>(ErrorAddr));
  WriteText(0, t, address.view());
  WriteLineEnd(t);
  // A fault's address is that of the faulting instruction itself.
  BackTraceStrProc first_line = ErrorFault != nullptr ? FaultAddrStrFunc : BackTraceStrFunc;
  WriteText(0, t, first_line(ErrorAddr).view());
  WriteLineEnd(t);
  if (ErrorFault != nullptr) {
    Dump_Frames(t, ErrorFault->return_addresses, ErrorFault->depth);
  } else {
    Dump_Stack(t, ErrorBase, ErrorAddr);
  }
  WriteText(0, t, "");
  WriteLineEnd(t);
}

}  // namespace rt
