// madvise by the system-call instruction (aarch64 Linux).
#include <sys/syscall.h>

#include "platform/posix/runtime_pages.h"

namespace platform {

QUIZ_AT_LOAD long AdvisePages(std::uintptr_t start, std::uintptr_t length, int advice) {
  register long number asm("x8") = SYS_madvise;
  register std::uintptr_t x0 asm("x0") = start;
  register std::uintptr_t x1 asm("x1") = length;
  register long x2 asm("x2") = advice;
  asm volatile("svc #0" : "+r"(x0) : "r"(number), "r"(x1), "r"(x2) : "memory");
  return static_cast<long>(x0);
}

}  // namespace platform
