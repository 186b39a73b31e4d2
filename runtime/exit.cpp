// Normal end and the end after a run-time error.
#include "runtime/exit.h"

#include "console/text_rec.h"
#include "platform/platform.h"
#include "runtime/units.h"

namespace rt {

std::int32_t operatingsystem_result = 0;
bool IsConsole = true;

void InternalExit() {
  FinalizeUnits();
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
