// The core runtime's initialisation, entry 1 of the unit table.
#include "runtime/core_unit.h"

#include "base/every_run.h"
#include "console/io_result.h"
#include "console/std_streams.h"
#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/heap.h"

namespace rt {

QUIZ_EVERY_RUN void InitCoreRuntime() {
  // From here a failed console operation is a run-time error with a report.
  SetIoErrorHandler(HandleErrorAddrFrameInd);
  InstallHeapErrorHandler();
  DefaultSystemCodePage = platform::GetACP();
  SysInitStdIO();
  // Nothing that happened while the streams were opened is ever reported.
  InOutRes = 0;
}

}  // namespace rt
