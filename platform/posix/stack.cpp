// The calling thread's stack bounds.
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/thread_stack.h"
#include "platform/report_stack.h"

namespace platform {

namespace posix {

namespace {

thread_local ThreadStack thread_stack;

}  // namespace

// The first thread's stack is learnt only when asked for: most programs
// never ask, and the system's own answer reads the memory map through the
// heap.
bool IsFirstThread() {
  return getpid() == static_cast<pid_t>(syscall(SYS_gettid));
}

const ThreadStack& KnownThreadStack() {
  if (thread_stack.top == 0 && IsFirstThread()) ReadFirstThreadStack(thread_stack);
  return thread_stack;
}

const ThreadStack& LearnThreadStack() {
  if (IsFirstThread()) {
    ReadFirstThreadStack(thread_stack);
    return thread_stack;
  }
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) == 0) {
    void* low = nullptr;
    std::size_t size = 0;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) {
      thread_stack.limit = reinterpret_cast<std::uintptr_t>(low);
      thread_stack.top = thread_stack.limit + size;
    }
    pthread_attr_destroy(&attr);
  }
  return thread_stack;
}

}  // namespace posix

namespace {

// Learnt once per thread, where no start-up learnt it before; the first
// thread's, which KnownThreadStack reads from the map, is not read twice.
const posix::ThreadStack& CurrentStack() {
  const posix::ThreadStack& known = posix::KnownThreadStack();
  return known.top != 0 || posix::IsFirstThread() ? known : posix::LearnThreadStack();
}

}  // namespace

std::uintptr_t GetStackTop() {
  return CurrentStack().top;
}
std::uintptr_t GetStackTopAbove(std::uint64_t sp) {
  return OnReportStack(sp) ? ReportStackTop() : CurrentStack().top;
}

}  // namespace platform
