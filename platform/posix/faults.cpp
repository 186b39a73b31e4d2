// The outermost handler of processor faults and of the process aborting on
// POSIX. The signal handler records where the thread stood, works out the
// error number (resetting the floating-point unit where the number asks for
// it) and returns into the reporter, on the report's own stack, as if the
// interrupted thread had called it there: no report is ever formed inside
// the handler, and the faulting stack stays as it stood for the walk.
#include "platform/posix/faults.h"

#include <signal.h>
#include <stdlib.h>

#include <cstdint>

#include "base/error_numbers.h"
#include "base/every_run.h"
#include "platform/division.h"
#include "platform/fault_codes.h"
#include "platform/fault_record.h"
#include "platform/fpu.h"
#include "platform/page_size.h"
#include "platform/platform.h"
#include "platform/posix/fault_context.h"
#include "platform/posix/thread_stack.h"
#include "platform/report_stack.h"
#include "platform/stack_switch.h"

namespace platform {

namespace {

// The kernel keeps this gap below the stack's lower end; a fault in it, or
// in the lowest page of the stack itself, is the stack overflowing.
constexpr std::uintptr_t kStackGuard = 1024 * 1024 + kPageSize;

FaultReporter reporter = nullptr;

// Where the handler resumes the thread: the outermost frame of the report's
// stack.
[[noreturn]] void ReportOnOwnStack(std::uint16_t number) {
  CompleteStackSwitch();
  reporter(number);
  ExitProcess(number);  // a reporter never returns
}

// The bounds of the stack the thread stood on: the report's own for a fault
// while a report is formed, else the thread's, where known.
posix::ThreadStack StackOf(std::uint64_t sp) {
  if (OnReportStack(sp)) return {ReportStackLimit(), ReportStackTop()};
  return posix::KnownThreadStack();
}

// A stack pointer this far below the stack's lower end belongs to a frame
// that ran past the whole stack in one step.
bool PastTheStack(const posix::ThreadStack& stack, std::uint64_t sp) {
  return stack.limit > kStackGuard && sp < stack.limit - kStackGuard;
}

bool IsStackOverflow(const posix::ThreadStack& stack, const siginfo_t* info, std::uint64_t sp) {
  std::uintptr_t addr = reinterpret_cast<std::uintptr_t>(info->si_addr);
  if (stack.top == 0) return false;
  if (addr < stack.limit + kPageSize && addr + kStackGuard >= stack.limit) return true;
  // An access next to a stack pointer that lies past the stack.
  return PastTheStack(stack, sp) && addr + kPageSize >= sp && addr < stack.limit;
}

std::uint32_t FloatCode(int si_code) {
  switch (si_code) {
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
}

std::uint32_t ExceptionCodeOf(int signal, const siginfo_t* info, bool overflow) {
  switch (signal) {
    case SIGSEGV:
    case SIGBUS:
      return overflow ? kStatusStackOverflow : kStatusAccessViolation;
    case SIGILL:
      return kStatusIllegalInstruction;
    case SIGFPE:
      return FloatCode(info->si_code);
    default:
      return 0;
  }
}

// Records where the thread stood and the stack above it. A stack that ran
// out may end above its stack pointer: it is then read only from the page
// above the address that faulted. The callers of a frame that ran past the
// stack lie at the stack's upper end, and the whole stack may be read.
void Record(FaultKind kind, const siginfo_t* info, const rt::FrameRegisters& registers,
            bool overflow, const FaultFacts& known) {
  std::uint64_t sp = registers.value[kWalkLayout.stack_pointer];
  posix::ThreadStack stack = StackOf(sp);
  FaultFacts facts = known;
  facts.stack_limit = stack.limit;
  facts.stack_top = stack.top;
  // A stack that ran out may have its stack pointer in the gap below.
  std::uint64_t readable_from = stack.limit;
  std::uint64_t lowest = stack.limit > kStackGuard ? stack.limit - kStackGuard : 0;
  if (overflow && PastTheStack(stack, sp)) {
    lowest = 0;
  } else if (overflow) {
    std::uint64_t above = (reinterpret_cast<std::uintptr_t>(info->si_addr) | (kPageSize - 1)) + 1;
    if (above > readable_from) readable_from = above;
  }
  RecordFault(kind, registers, readable_from, lowest, stack.top, facts);
}

// The address a memory fault touched and how; a fault the kernel raised
// for no one address (a general protection fault) has none.
FaultFacts FactsOf(int signal, const siginfo_t* info, const void* context,
                   const rt::FrameRegisters& registers, std::uint32_t code) {
  FaultFacts facts;
  facts.exception_code = code;
  if ((signal == SIGSEGV || signal == SIGBUS) && info->si_code > 0 && info->si_code != SI_KERNEL) {
    facts.address_known = true;
    facts.address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    facts.access = posix::ReadAccess(context, facts.address, registers.pc);
  }
  return facts;
}

void OnSignal(int signal, siginfo_t* info, void* context) {
  // Another thread forms the report: this one waits for the process to end.
  if (ClaimProcessEnd() == EndClaim::kTaken) WaitForProcessEnd();
  rt::FrameRegisters registers = posix::ReadFaultRegisters(context);
  std::uint64_t sp = registers.value[kWalkLayout.stack_pointer];
  std::int32_t number = rt::kProgramAborted;
  if (signal == SIGABRT) {
    Record(FaultKind::kAbort, info, registers, false, {});
  } else {
    bool overflow = IsStackOverflow(StackOf(sp), info, sp);
    std::uint32_t code = ExceptionCodeOf(signal, info, overflow);
    if (code == kStatusIntegerDivideByZero && DivisionOverflowed(registers, sp, StackOf(sp).top)) {
      code = kStatusIntegerOverflow;
    }
    Record(FaultKind::kProcessor, info, registers, overflow,
           FactsOf(signal, info, context, registers, code));
    number = posix::FaultNumber(code, context);
  }
  if (number < 0) {
    ResetFloatingPointUnit();
    number = -number;
  } else {
    posix::RestoreFloatingPointControl(context);
  }
  std::uint64_t start = ReportStackStart(sp);
  // Reports within reports until no room is left: the number alone.
  if (start == 0 || reporter == nullptr) ExitProcess(number);
  AnnounceStackSwitch(ReportStackLimit(), start);
  posix::ResumeAt(context, reinterpret_cast<std::uint64_t>(&ReportOnOwnStack), start,
                  static_cast<std::uint64_t>(number & 0xFFFF));
}

}  // namespace

std::uint64_t AbortEntry() {
  return reinterpret_cast<std::uint64_t>(&abort);
}

// The signals are named one by one: a table of them would be constant data
// read at start.
QUIZ_EVERY_RUN void InstallFaultHandler(FaultReporter report) {
  reporter = report;
  struct sigaction action = {};
  action.sa_sigaction = OnSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  sigaddset(&action.sa_mask, SIGSEGV);
  sigaddset(&action.sa_mask, SIGBUS);
  sigaddset(&action.sa_mask, SIGFPE);
  sigaddset(&action.sa_mask, SIGILL);
  sigaddset(&action.sa_mask, SIGABRT);
  sigaction(SIGSEGV, &action, nullptr);
  sigaction(SIGBUS, &action, nullptr);
  sigaction(SIGFPE, &action, nullptr);
  sigaction(SIGILL, &action, nullptr);
  sigaction(SIGABRT, &action, nullptr);
}

}  // namespace platform
