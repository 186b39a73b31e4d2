// The interrupted context of a POSIX signal on aarch64: its registers, and
// the floating-point control value kept in its FP/SIMD record.
#include <asm/sigcontext.h>
#include <ucontext.h>

#include <cstddef>

#include "platform/fault_codes.h"
#include "platform/posix/fault_context.h"

namespace platform::posix {

namespace {

// The FP/SIMD record among the context's extension records, which follow
// one another, each giving its size, up to a record of size 0.
const fpsimd_context* FpsimdRecord(const mcontext_t& context) {
  const unsigned char* area = context.__reserved;
  std::size_t at = 0;
  while (sizeof context.__reserved - at >= sizeof(_aarch64_ctx)) {
    const _aarch64_ctx* head = reinterpret_cast<const _aarch64_ctx*>(area + at);
    if (head->magic == 0 || head->size < sizeof(_aarch64_ctx) ||
        head->size > sizeof context.__reserved - at) {
      return nullptr;
    }
    if (head->magic == FPSIMD_MAGIC && head->size >= sizeof(fpsimd_context)) {
      return reinterpret_cast<const fpsimd_context*>(head);
    }
    at += head->size;
  }
  return nullptr;
}

}  // namespace

rt::FrameRegisters ReadFaultRegisters(const void* context) {
  const mcontext_t& m = static_cast<const ucontext_t*>(context)->uc_mcontext;
  // The processor's DWARF numbering: x0 to x30, then sp.
  rt::FrameRegisters registers;
  for (int r = 0; r <= 30; ++r) registers.Set(r, static_cast<std::uint64_t>(m.regs[r]));
  registers.Set(31, static_cast<std::uint64_t>(m.sp));
  registers.pc = static_cast<std::uint64_t>(m.pc);
  return registers;
}

// The processor reports floating-point faults one by one: the table alone
// gives the number.
std::int32_t FaultNumber(std::uint32_t exception_code, const void*) {
  return RunErrorCode(exception_code);
}

void RestoreFloatingPointControl(const void* context) {
  const fpsimd_context* fp = FpsimdRecord(static_cast<const ucontext_t*>(context)->uc_mcontext);
  if (fp == nullptr) return;
  std::uint64_t fpcr = fp->fpcr;
  asm volatile("msr fpcr, %0" : : "r"(fpcr));
}

// As a call would leave it, with a link register of 0.
void ResumeAt(void* context, std::uint64_t routine, std::uint64_t stack, std::uint64_t argument) {
  mcontext_t& m = static_cast<ucontext_t*>(context)->uc_mcontext;
  m.sp = stack & ~std::uint64_t{15};
  m.pc = routine;
  m.regs[0] = argument;
  m.regs[29] = 0;
  m.regs[30] = 0;
}

}  // namespace platform::posix
