// madvise by the system-call instruction (x86-64 Linux).
#include <sys/syscall.h>

#include "platform/posix/runtime_pages.h"

namespace platform {

QUIZ_AT_LOAD long AdvisePages(std::uintptr_t start, std::uintptr_t length, int advice) {
  long result;
  asm volatile("syscall"
               : "=a"(result)
               : "0"(static_cast<long>(SYS_madvise)), "D"(start), "S"(length),
                 "d"(static_cast<long>(advice))
               : "rcx", "r11", "memory");
  return result;
}

}  // namespace platform
