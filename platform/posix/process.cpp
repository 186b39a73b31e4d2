// Process start-up and its end.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>

#include "base/every_run.h"
#include "platform/platform.h"
#include "platform/posix/faults.h"
#include "platform/posix/runtime_pages.h"

extern "C" int __cxa_atexit(void (*routine)(void*), void* argument, void* module);
extern "C" void* __dso_handle;

namespace platform {

namespace {

// The thread that ends the process, 0 while none does.
std::atomic<std::uintptr_t> ending_thread{0};

QUIZ_EVERY_RUN void RunRoutine(void* routine) {
  reinterpret_cast<void (*)()>(routine)();
}

// The first code of the program to run, before any constructor. The entry
// lies here, in a file every program on the runtime links, because the
// link takes runtime_pages.cpp from the archive only where another file
// refers to it.
[[gnu::section(".preinit_array"), gnu::used]] void (*const kAtLoad)(int, char**,
                                                                    char**) = SetAsideRuntimePages;

}  // namespace

// Only what a report cannot do for itself is made ready: the stack it
// runs on and the handlers that start it.
QUIZ_EVERY_RUN void PrepareProcess(FaultReporter report) {
  TakeAlternateStack(true);
  InstallFaultHandler(report);
}

void IgnoreBrokenPipe() {
  struct sigaction ignore = {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

QUIZ_EVERY_RUN EndClaim ClaimProcessEnd() {
  std::uintptr_t self = static_cast<std::uintptr_t>(pthread_self()), none = 0;
  if (ending_thread.compare_exchange_strong(none, self)) return EndClaim::kFirst;
  return none == self ? EndClaim::kAgain : EndClaim::kTaken;
}

void WaitForProcessEnd() {
  for (;;) pause();
}

// What std::atexit does, without the C library's static wrapper for it,
// which the linker places with the program's last code, apart from the
// rest of the start-up.
QUIZ_EVERY_RUN void AtProcessEnd(void (*routine)()) {
  __cxa_atexit(RunRoutine, reinterpret_cast<void*>(routine), &__dso_handle);
}

// Only the low 8 bits of the code survive on POSIX.
QUIZ_EVERY_RUN void ExitProcess(int code) {
  _exit(code);
}

}  // namespace platform
