// Process start-up and its end.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "platform/posix/faults.h"
#include "platform/posix/thread_stack.h"

namespace platform {

namespace {

// The thread that ends the process, 0 while none does.
std::atomic<std::uintptr_t> ending_thread{0};

}  // namespace

void PrepareProcess(FaultReporter report) {
  posix::LearnThreadStack();
  TakeAlternateStack(true);
  InstallFaultHandler(report);
}

void IgnoreBrokenPipe() {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

EndClaim ClaimProcessEnd() {
  std::uintptr_t self = static_cast<std::uintptr_t>(pthread_self()), none = 0;
  if (ending_thread.compare_exchange_strong(none, self)) return EndClaim::kFirst;
  return none == self ? EndClaim::kAgain : EndClaim::kTaken;
}

void WaitForProcessEnd() {
  for (;;) pause();
}

// Only the low 8 bits of the code survive on POSIX.
void ExitProcess(int code) {
  _exit(code);
}

}  // namespace platform
