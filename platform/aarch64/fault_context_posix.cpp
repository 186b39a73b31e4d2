// The interrupted context of a POSIX signal on aarch64: its registers, and
// the floating-point control value kept in its FP/SIMD record.
#include <asm/sigcontext.h>
#include <ucontext.h>

#include <cstddef>

#include "platform/fault_codes.h"
#include "platform/posix/fault_context.h"

namespace platform::posix {

namespace {

// A record among the context's extension records, which follow one
// another, each giving its size, up to a record of size 0.
const _aarch64_ctx* FindRecord(const mcontext_t& context, std::uint32_t magic, std::size_t size) {
  const unsigned char* area = context.__reserved;
  std::size_t at = 0;
  while (sizeof context.__reserved - at >= sizeof(_aarch64_ctx)) {
    const _aarch64_ctx* head = reinterpret_cast<const _aarch64_ctx*>(area + at);
    if (head->magic == 0 || head->size < sizeof(_aarch64_ctx) ||
        head->size > sizeof context.__reserved - at) {
      return nullptr;
    }
    if (head->magic == magic && head->size >= size) return head;
    at += head->size;
  }
  return nullptr;
}

const fpsimd_context* FpsimdRecord(const mcontext_t& context) {
  return reinterpret_cast<const fpsimd_context*>(
      FindRecord(context, FPSIMD_MAGIC, sizeof(fpsimd_context)));
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

// The fault's syndrome, where the system gives it: its exception class
// tells an instruction abort from a data abort, and a data abort's WnR bit
// a write from a read.
Access ReadAccess(const void* context, std::uint64_t address, std::uint64_t pc) {
  if (address == pc) return Access::kExecute;
  const auto* esr = reinterpret_cast<const esr_context*>(FindRecord(
      static_cast<const ucontext_t*>(context)->uc_mcontext, ESR_MAGIC, sizeof(esr_context)));
  if (esr == nullptr) return Access::kUnknown;
  std::uint64_t exception_class = esr->esr >> 26 & 0x3F;
  if (exception_class == 0x20 || exception_class == 0x21) return Access::kExecute;
  if (exception_class != 0x24 && exception_class != 0x25) return Access::kUnknown;
  return (esr->esr >> 6 & 1) != 0 ? Access::kWrite : Access::kRead;
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
