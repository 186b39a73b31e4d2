// Process start-up and exit.
#include <signal.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/faults.h"

namespace platform {

void PrepareProcess() {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
  InstallFaultHandler();
}

// Only the low 8 bits of the code survive on POSIX.
void ExitProcess(int code) {
  _exit(code);
}

}  // namespace platform
