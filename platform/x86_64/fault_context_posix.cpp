// The interrupted context of a POSIX signal on x86-64: its registers, and
// the SSE status and x87 control word of its floating-point state.
#include <ucontext.h>

#include "platform/posix/fault_context.h"
#include "platform/x86_64/fault_numbers.h"

namespace platform::posix {

namespace {

const _libc_fpstate* FloatingPointState(const void* context) {
  return static_cast<const ucontext_t*>(context)->uc_mcontext.fpregs;
}

}  // namespace

rt::FrameRegisters ReadFaultRegisters(const void* context) {
  const greg_t* g = static_cast<const ucontext_t*>(context)->uc_mcontext.gregs;
  // The processor's DWARF numbering: rax, rdx, rcx, rbx, rsi, rdi, rbp,
  // rsp, r8 to r15, rip.
  const int kInNumbering[17] = {REG_RAX, REG_RDX, REG_RCX, REG_RBX, REG_RSI, REG_RDI,
                                REG_RBP, REG_RSP, REG_R8,  REG_R9,  REG_R10, REG_R11,
                                REG_R12, REG_R13, REG_R14, REG_R15, REG_RIP};
  rt::FrameRegisters registers;
  for (int r = 0; r < 17; ++r) registers.Set(r, static_cast<std::uint64_t>(g[kInNumbering[r]]));
  registers.pc = static_cast<std::uint64_t>(g[REG_RIP]);
  return registers;
}

// The page fault's error code: bit 1 a write, bit 4 an instruction fetch.
// Other faults (a general protection fault, for an address no mapping can
// have) tell no access.
Access ReadAccess(const void* context, std::uint64_t address, std::uint64_t pc) {
  const greg_t* g = static_cast<const ucontext_t*>(context)->uc_mcontext.gregs;
  constexpr greg_t kPageFault = 14;
  if (address == pc) return Access::kExecute;
  if (g[REG_TRAPNO] != kPageFault) return Access::kUnknown;
  if ((g[REG_ERR] & 0x10) != 0) return Access::kExecute;
  return (g[REG_ERR] & 0x2) != 0 ? Access::kWrite : Access::kRead;
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

// As a call would leave it: the stack 16-byte aligned before the call, and
// a return address of 0 pushed.
void ResumeAt(void* context, std::uint64_t routine, std::uint64_t stack, std::uint64_t argument) {
  greg_t* g = static_cast<ucontext_t*>(context)->uc_mcontext.gregs;
  std::uint64_t sp = (stack & ~std::uint64_t{15}) - 8;
  *reinterpret_cast<std::uint64_t*>(sp) = 0;
  g[REG_RSP] = static_cast<greg_t>(sp);
  g[REG_RIP] = static_cast<greg_t>(routine);
  g[REG_RDI] = static_cast<greg_t>(argument);
  g[REG_RBP] = 0;
}

}  // namespace platform::posix
