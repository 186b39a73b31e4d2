// Loading the floating-point control values (x86-64).
#include "platform/x86_64/fpu.h"

#include "base/every_run.h"

namespace platform {

QUIZ_EVERY_RUN void ResetFloatingPointUnit() {
  std::uint16_t cw = Default8087CW;
  std::uint32_t mxcsr = DefaultMXCSR;
  asm volatile("fninit\n\tfldcw %0\n\tldmxcsr %1" : : "m"(cw), "m"(mxcsr));
}

std::uint32_t ReadMxcsr() {
  std::uint32_t mxcsr;
  asm volatile("stmxcsr %0" : "=m"(mxcsr));
  return mxcsr;
}

}  // namespace platform
