// Loading the floating-point control value (aarch64).
#include "platform/aarch64/fpu.h"

#include "base/every_run.h"

namespace platform {

QUIZ_EVERY_RUN void ResetFloatingPointUnit() {
  std::uint64_t fpcr = DefaultFPCR;
  asm volatile("msr fpcr, %0" : : "r"(fpcr));
}

std::uint64_t ReadFpcr() {
  std::uint64_t fpcr;
  asm volatile("mrs %0, fpcr" : "=r"(fpcr));
  return fpcr;
}

}  // namespace platform
