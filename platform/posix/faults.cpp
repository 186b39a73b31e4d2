// The outermost handler of processor faults on POSIX. The signal handler
// only works out the error number (resetting the floating-point unit where
// the number asks for it) and jumps back to main_wrapper's frame, where the
// run-time error is raised: no report is ever formed inside the handler.
#include <setjmp.h>
#include <signal.h>
#include <ucontext.h>

#include <cstdint>
#include <cstdlib>

#include "platform/platform.h"
#include "runtime/fault_codes.h"
#include "runtime/fpu.h"

// The recovery point, set by main_wrapper.
extern "C" {
sigjmp_buf main_wrapper_recovery;
}

namespace platform {

namespace {

// The kernel keeps this gap below the stack's lower end; a fault in it, or
// in the lowest page of the stack itself, is the stack overflowing.
constexpr std::uintptr_t kStackGuard = 1024 * 1024 + 4096;
std::uintptr_t stack_limit = 0;

// The handler runs here, so that a stack that has run out can still be
// reported.
alignas(16) char alternate_stack[128 * 1024];

std::uint32_t ExceptionCodeOf(int signal, const siginfo_t* info) {
  switch (signal) {
    case SIGSEGV:
    case SIGBUS: {
      std::uintptr_t addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
      if (stack_limit != 0 && addr < stack_limit + 4096 && addr + kStackGuard >= stack_limit) {
        return rt::kStackOverflow;
      }
      return rt::kAccessViolation;
    }
    case SIGILL:
      return rt::kIllegalInstruction;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV:
          return rt::kIntegerDivideByZero;
        case FPE_INTOVF:
          return rt::kIntegerOverflow;
        case FPE_FLTDIV:
          return rt::kFloatDivideByZero;
        case FPE_FLTOVF:
          return rt::kFloatOverflow;
        case FPE_FLTUND:
          return rt::kFloatUnderflow;
        case FPE_FLTRES:
          return rt::kFloatInexactResult;
        case FPE_FLTINV:
          return rt::kFloatInvalidOperation;
        case FPE_FLTSUB:
          return rt::kArrayBoundsExceeded;
        default:
          // Told apart by the status flags at the fault.
          return rt::kFloatMultipleFaults;
      }
    default:
      return 0;
  }
}

void OnFault(int signal, siginfo_t* info, void* context) {
  const ucontext_t* uc = static_cast<const ucontext_t*>(context);
  const auto* fp = uc->uc_mcontext.fpregs;
  std::uint32_t mxcsr = fp != nullptr ? fp->mxcsr : 0;
  std::int32_t number = rt::RunErrorCodeX64(ExceptionCodeOf(signal, info), mxcsr);
  if (number < 0) {
    rt::ResetFloatingPointUnit();
    number = -number;
  } else if (fp != nullptr) {
    // The handler starts with a fresh floating-point state, and the jump
    // does not restore the interrupted one: load its control values back.
    std::uint16_t cw = fp->cwd;
    asm volatile("fldcw %0\n\tldmxcsr %1" : : "m"(cw), "m"(fp->mxcsr));
  }
  siglongjmp(main_wrapper_recovery, number & 0xFFFF);
}

}  // namespace

void InstallFaultHandler() {
  stack_limit = GetStackLimit();
  stack_t alternate = {};
  alternate.ss_sp = alternate_stack;
  alternate.ss_size = sizeof alternate_stack;
  sigaltstack(&alternate, nullptr);

  struct sigaction action = {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaddset(&action.sa_mask, signal);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(signal, &action, nullptr);
}

}  // namespace platform
