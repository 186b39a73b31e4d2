// The process entry.
#include "runtime/start.h"

#include "platform/platform.h"
#include "runtime/errors.h"
#include "runtime/exit.h"

namespace rt {

void Exe_Entry(void (*program)()) {
  platform::PrepareProcess();
  operatingsystem_result = 0;
  main_wrapper(program, RaiseFault);
  System_Exit();
}

}  // namespace rt
