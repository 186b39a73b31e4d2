// The interrupted context of a POSIX signal on x86-64: rip, rbp and rsp,
// and the SSE status and x87 control word of its floating-point state.
#include <ucontext.h>

#include "platform/posix/fault_context.h"
#include "platform/x86_64/fault_numbers.h"

namespace platform::posix {

namespace {

const _libc_fpstate* FloatingPointState(const void* context) {
  return static_cast<const ucontext_t*>(context)->uc_mcontext.fpregs;
}

}  // namespace

FaultPlace ReadFaultPlace(const void* context) {
  const greg_t* registers = static_cast<const ucontext_t*>(context)->uc_mcontext.gregs;
  return {static_cast<std::uintptr_t>(registers[REG_RIP]),
          static_cast<std::uintptr_t>(registers[REG_RBP]),
          static_cast<std::uintptr_t>(registers[REG_RSP])};
}

std::int32_t FaultNumber(std::uint32_t exception_code, const void* context) {
  const _libc_fpstate* fp = FloatingPointState(context);
  return RunErrorCodeX64(exception_code, fp != nullptr ? fp->mxcsr : 0);
}

void RestoreFloatingPointControl(const void* context) {
  const _libc_fpstate* fp = FloatingPointState(context);
  if (fp == nullptr) return;
  std::uint16_t cw = fp->cwd;
  asm volatile("fldcw %0\n\tldmxcsr %1" : : "m"(cw), "m"(fp->mxcsr));
}

}  // namespace platform::posix
