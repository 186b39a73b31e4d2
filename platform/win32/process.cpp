// Process start-up and exit.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/faults.h"

namespace platform {

void PrepareProcess() {
  InstallFaultHandler();
}

void ExitProcess(int code) {
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
