// The report's settings, handed to the report's writer with the error.
#include "runtime/report.h"

#include "base/every_run.h"
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

namespace {

EndingFacts ending;

}  // namespace

QUIZ_EVERY_RUN void NoteStaticConstruction() {
  ending.phase = ProgramPhase::kBeforeMain;
}

QUIZ_EVERY_RUN void NoteMainBegins() {
  ending.phase = ProgramPhase::kInMain;
}

QUIZ_EVERY_RUN void NoteMainReturned() {
  ending.phase = ProgramPhase::kAfterMain;
}

void NoteTermination(const char* exception_type, bool left_noexcept, bool pure_virtual) {
  ending.terminated = true;
  ending.exception_type = exception_type;
  ending.left_noexcept = left_noexcept;
  ending.pure_virtual = pure_virtual;
}

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
  error.facts = ending;
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
