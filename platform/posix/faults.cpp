// The outermost handler of processor faults on POSIX. The signal handler
// records where the fault happened, works out the error number (resetting
// the floating-point unit where the number asks for it) and jumps back to
// main_wrapper's frame, where the run-time error is raised: no report is
// ever formed inside the handler.
#include "platform/posix/faults.h"

#include <setjmp.h>
#include <signal.h>

#include <cstdint>

#include "platform/fault_codes.h"
#include "platform/fault_record.h"
#include "platform/fpu.h"
#include "platform/page_size.h"
#include "platform/platform.h"
#include "platform/posix/fault_context.h"

// The recovery point, set by main_wrapper.
extern "C" {
sigjmp_buf main_wrapper_recovery;
}

namespace platform {

namespace {

// The kernel keeps this gap below the stack's lower end; a fault in it, or
// in the lowest page of the stack itself, is the stack overflowing.
constexpr std::uintptr_t kStackGuard = 1024 * 1024 + kPageSize;
std::uintptr_t stack_limit = 0;
std::uintptr_t stack_top = 0;

// The handler runs here, so that a stack that has run out can still be
// reported.
alignas(16) char alternate_stack[128 * 1024];

// A stack pointer this far below the stack's lower end belongs to a frame
// that ran past the whole stack in one step.
bool PastTheStack(std::uint64_t sp) {
  return stack_limit > kStackGuard && sp < stack_limit - kStackGuard;
}

std::uint32_t ExceptionCodeOf(int signal, const siginfo_t* info, std::uint64_t sp) {
  switch (signal) {
    case SIGSEGV:
    case SIGBUS: {
      std::uintptr_t addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
      if (stack_limit != 0 && addr < stack_limit + kPageSize && addr + kStackGuard >= stack_limit) {
        return kStatusStackOverflow;
      }
      // An access next to a stack pointer that lies past the stack.
      if (PastTheStack(sp) && addr + kPageSize >= sp && addr < stack_limit) {
        return kStatusStackOverflow;
      }
      return kStatusAccessViolation;
    }
    case SIGILL:
      return kStatusIllegalInstruction;
    case SIGFPE:
      switch (info->si_code) {
        case FPE_INTDIV:
          return kStatusIntegerDivideByZero;
        case FPE_INTOVF:
          return kStatusIntegerOverflow;
        case FPE_FLTDIV:
          return kStatusFloatDivideByZero;
        case FPE_FLTOVF:
          return kStatusFloatOverflow;
        case FPE_FLTUND:
          return kStatusFloatUnderflow;
        case FPE_FLTRES:
          return kStatusFloatInexactResult;
        case FPE_FLTINV:
          return kStatusFloatInvalidOperation;
        case FPE_FLTSUB:
          return kStatusArrayBoundsExceeded;
        default:
          // Told apart by the status flags at the fault.
          return kStatusFloatMultipleFaults;
      }
    default:
      return 0;
  }
}

// Records the fault's registers and the stack above its stack pointer. A
// stack that ran out may end above its stack pointer: it is then read only
// from the page above the address that faulted. The callers of a frame that
// ran past the stack lie at the stack's upper end, which is copied instead.
// Any other stack pointer below the guard gap is no stack of this thread's,
// and nothing of it is copied.
void Record(std::uint32_t code, const siginfo_t* info, const WalkRegisters& registers) {
  std::uint64_t readable_from = 0;
  std::uint64_t lowest = stack_limit > kStackGuard ? stack_limit - kStackGuard : 0;
  if (code == kStatusStackOverflow && PastTheStack(registers.value[kWalkLayout.stack_pointer])) {
    readable_from =
        stack_top - stack_limit > kStackCopyBytes ? stack_top - kStackCopyBytes : stack_limit;
    lowest = 0;
  } else if (code == kStatusStackOverflow) {
    readable_from = (reinterpret_cast<std::uintptr_t>(info->si_addr) | (kPageSize - 1)) + 1;
  }
  RecordFault(registers, readable_from, lowest, stack_top);
}

void OnFault(int signal, siginfo_t* info, void* context) {
  WalkRegisters registers = posix::ReadFaultRegisters(context);
  std::uint32_t code = ExceptionCodeOf(signal, info, registers.value[kWalkLayout.stack_pointer]);
  Record(code, info, registers);
  std::int32_t number = posix::FaultNumber(code, context);
  if (number < 0) {
    ResetFloatingPointUnit();
    number = -number;
  } else {
    posix::RestoreFloatingPointControl(context);
  }
  siglongjmp(main_wrapper_recovery, number & 0xFFFF);
}

}  // namespace

void InstallFaultHandler() {
  stack_limit = GetStackLimit();
  stack_top = GetStackTop();
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
