// The context's general registers in the order of their DWARF numbers:
// rax, rdx, rcx, rbx, rsi, rdi, rbp, rsp, r8 to r15, then rip.
#include "platform/win32/context_registers.h"

#include <cstring>

namespace platform {

namespace {

constexpr int kInNumbering = 17;

DWORD64 CONTEXT::*const kFields[kInNumbering] = {
    &CONTEXT::Rax, &CONTEXT::Rdx, &CONTEXT::Rcx, &CONTEXT::Rbx, &CONTEXT::Rsi, &CONTEXT::Rdi,
    &CONTEXT::Rbp, &CONTEXT::Rsp, &CONTEXT::R8,  &CONTEXT::R9,  &CONTEXT::R10, &CONTEXT::R11,
    &CONTEXT::R12, &CONTEXT::R13, &CONTEXT::R14, &CONTEXT::R15, &CONTEXT::Rip};

}  // namespace

WalkRegisters RegistersOfContext(const CONTEXT& context) {
  WalkRegisters registers;
  for (int r = 0; r < kInNumbering; ++r) registers.Set(r, context.*kFields[r]);
  registers.pc = context.Rip;
  return registers;
}

void ContextOfRegisters(const WalkRegisters& registers, CONTEXT& context) {
  std::memset(&context, 0, sizeof context);
  context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  for (int r = 0; r < kInNumbering; ++r) {
    if (registers.Has(r)) context.*kFields[r] = registers.value[r];
  }
  context.Rip = registers.pc;
}

}  // namespace platform
