// Alternate signal stacks: the handler of a stack that has run out cannot
// run on that stack, so each thread gets one of its own.
#include <signal.h>
#include <sys/mman.h>

#include "base/every_run.h"
#include "platform/posix/faults.h"

namespace platform {

namespace {

// The handler only records and returns; the system's own frame for the
// largest register files takes a few KiB of it.
constexpr std::size_t kAlternateBytes = 64 * 1024;

alignas(16) char first_thread_area[kAlternateBytes];

// What the thread had before, given back with the area the system gave.
struct Taken {
  void* area = nullptr;
  stack_t before = {};
};
thread_local Taken taken;

}  // namespace

QUIZ_EVERY_RUN bool TakeAlternateStack(bool first_thread) {
  stack_t current = {};
  // One that the thread has already (a tool's, or the program's) serves.
  if (sigaltstack(nullptr, &current) == 0 && (current.ss_flags & SS_DISABLE) == 0 &&
      current.ss_size >= kAlternateBytes) {
    return true;
  }
  void* area = first_thread_area;
  if (!first_thread) {
    area = mmap(nullptr, kAlternateBytes, PROT_READ | PROT_WRITE,
                MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (area == MAP_FAILED) return false;
  }
  stack_t alternate = {};
  alternate.ss_sp = area;
  alternate.ss_size = kAlternateBytes;
  if (sigaltstack(&alternate, nullptr) != 0) {
    if (!first_thread) munmap(area, kAlternateBytes);
    return false;
  }
  if (!first_thread) taken = {area, current};
  return true;
}

void ReleaseAlternateStack() {
  if (taken.area == nullptr) return;
  sigaltstack(&taken.before, nullptr);
  munmap(taken.area, kAlternateBytes);
  taken = {};
}

}  // namespace platform
