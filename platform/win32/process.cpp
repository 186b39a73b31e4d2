// Process start-up and its end.
#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/win32/faults.h"

namespace platform {

namespace {

// The thread that ends the process, 0 while none does.
std::atomic<DWORD> ending_thread{0};

}  // namespace

void PrepareProcess(FaultReporter report) {
  NoteFirstThread();
  InstallFaultHandler(report);
}

// A write to a pipe whose reader has gone fails on Windows in any case.
void IgnoreBrokenPipe() {}

// Every thread gets the same handler, and needs nothing of its own: a
// thread whose stack runs out still has room for the vectored handler.
void PrepareThreadStarts() {}

EndClaim ClaimProcessEnd() {
  DWORD self = ::GetCurrentThreadId(), none = 0;
  if (ending_thread.compare_exchange_strong(none, self)) return EndClaim::kFirst;
  return none == self ? EndClaim::kAgain : EndClaim::kTaken;
}

void WaitForProcessEnd() {
  for (;;) ::Sleep(INFINITE);
}

void AtProcessEnd(void (*routine)()) {
  std::atexit(routine);
}

void ExitProcess(int code) {
  ::ExitProcess(static_cast<UINT>(code));
}

}  // namespace platform
