// Process start-up and exit.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

void InstallFaultHandler();

void PrepareProcess() {
  InstallFaultHandler();
}

void ExitProcess(int code) {
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
