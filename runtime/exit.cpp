// Normal end and the end after a run-time error.
#include "runtime/exit.h"

#include "base/every_run.h"
#include "console/io_result.h"
#include "console/std_streams.h"
#include "platform/platform.h"
#include "report/error_report.h"
#include "report/report_options.h"
#include "runtime/errors.h"
#include "runtime/report.h"
#include "runtime/units.h"

namespace rt {

std::int32_t operatingsystem_result = 0;

namespace {

// A thread other than the first may never have opened its streams: it
// opens them to write its report.
void OpenReportStream(TextRec& report) {
  if (report.Mode == ModeOutput) return;
  SysInitStdIO();
  InOutRes = 0;
}

}  // namespace

// A run-time error raised in here (in a finalisation, or while the report
// is written) enters Do_Exit again: finalisations already run are not
// repeated, and a complete report of the new error follows what was written.
// One thread ends the process: any other that gets here after it waits.
QUIZ_EVERY_RUN void InternalExit() {
  if (platform::ClaimProcessEnd() == platform::EndClaim::kTaken) platform::WaitForProcessEnd();
  FinalizeUnits();
  TextRec& report = WriteErrorsToStdErr ? StdErr : StdOut;
  // A fault is reported whatever its address, 0 (a call through a null
  // pointer) too.
  if (ErrorAddr != nullptr || ErrorFault != nullptr) {
    OpenReportStream(report);
    // Written from here, one call down, so that a report of an error
    // raised while this one is formed still reaches the frames before it.
    WriteReport(report, PendingReport(), InstalledReportOptions());
  }
  SysFlushStdIO();
}

void System_Exit() {
  // A console program closes no stream and no handle.
  platform::ExitProcess(operatingsystem_result);
}

void Do_Exit() {
  InternalExit();
  System_Exit();
}

}  // namespace rt
