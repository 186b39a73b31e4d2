// The process entry.
#include "runtime/start.h"

#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/exit.h"

namespace rt {

void Exe_Entry(void (*program)()) {
  platform::PrepareProcess(RaiseFault);
  platform::IgnoreBrokenPipe();
  operatingsystem_result = 0;
  main_wrapper(program);
  System_Exit();
}

}  // namespace rt
