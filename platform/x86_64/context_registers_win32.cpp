// A Windows x64 context in the processor's DWARF numbering: its general
// registers rax, rdx, rcx, rbx, rsi, rdi, rbp, rsp, r8 to r15, then rip.
#include <cstring>

#include "platform/win32/context_registers.h"

namespace platform {

namespace {

constexpr int kInNumbering = 17;
constexpr int kRsp = 7, kRip = 16;
// What a Windows x64 call preserves: rbx, rsi, rdi, rbp, rsp, r12 to r15.
constexpr std::uint64_t kPreserved = 0xf0f8;

DWORD64 CONTEXT::*const kFields[kInNumbering] = {
    &CONTEXT::Rax, &CONTEXT::Rdx, &CONTEXT::Rcx, &CONTEXT::Rbx, &CONTEXT::Rsi, &CONTEXT::Rdi,
    &CONTEXT::Rbp, &CONTEXT::Rsp, &CONTEXT::R8,  &CONTEXT::R9,  &CONTEXT::R10, &CONTEXT::R11,
    &CONTEXT::R12, &CONTEXT::R13, &CONTEXT::R14, &CONTEXT::R15, &CONTEXT::Rip};

}  // namespace

rt::FrameRegisters RegistersOfContext(const CONTEXT& context) {
  rt::FrameRegisters registers;
  for (int r = 0; r < kInNumbering; ++r) registers.Set(r, context.*kFields[r]);
  registers.pc = context.Rip;
  return registers;
}

void ContextOfRegisters(const rt::FrameRegisters& registers, CONTEXT& context) {
  std::memset(&context, 0, sizeof context);
  context.ContextFlags = CONTEXT_CONTROL | CONTEXT_INTEGER;
  for (int r = 0; r < kInNumbering; ++r) {
    if (registers.Has(r)) context.*kFields[r] = registers.value[r];
  }
  context.Rip = registers.pc;
}

rt::FrameRegisters CallerOfContext(const rt::FrameRegisters& callee, const CONTEXT& context) {
  std::uint64_t known =
      (callee.known & kPreserved) | std::uint64_t{1} << kRsp | std::uint64_t{1} << kRip;
  rt::FrameRegisters caller = RegistersOfContext(context);
  caller.known = known;
  return caller;
}

}  // namespace platform
