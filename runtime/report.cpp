// The report's settings, handed to the report's writer with the error.
#include "runtime/report.h"

#include "report/error_report.h"
#include "report/report_options.h"
#include "runtime/errors.h"
#include "runtime/frame_line_hook.h"

namespace rt {

bool WriteErrorsToStdErr = true;
std::uint16_t Max_Frame_Dump = 8;
bool FullReport = false;
ResolveFrameProc ResolveFrameFunc = nullptr;
const FirstThrow* ErrorFirstThrow = nullptr;

ReportOptions InstalledReportOptions() {
  ReportOptions options;
  options.style = FullReport ? ReportStyle::kFull : ReportStyle::kTerse;
  options.max_frame_dump = Max_Frame_Dump;
  options.frame_line = BackTraceStrFunc;
  options.fault_line = FaultAddrStrFunc;
  options.resolve = ResolveFrameFunc;
  return options;
}

ReportedError PendingReport() {
  ReportedError error;
  error.code = ErrorCode;
  error.addr = ErrorAddr;
  error.base = ErrorBase;
  error.fault = ErrorFault;
  error.raised_at = ErrorFault == nullptr && ErrorRegistersKnown ? &ErrorRegisters : nullptr;
  // An exception thrown again ends where it was first thrown: the report
  // names that call first.
  if (ErrorFirstThrow != nullptr &&
      ErrorFirstThrow->rethrown_at == reinterpret_cast<std::uint64_t>(error.addr)) {
    error.first_throw = ErrorFirstThrow;
    error.addr = reinterpret_cast<void*>(ErrorFirstThrow->thrown.addresses[0]);
  }
  return error;
}

}  // namespace rt
