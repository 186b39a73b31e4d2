// The outermost handler of processor faults and of the process aborting on
// Windows. A vectored handler records where the fault happened, works out
// the error number (resetting the floating-point unit where the number asks
// for it) and resumes the thread in the reporter, on the report's own
// stack, as if the thread had called it there: the faulting stack stays as
// it stood for the walk. Exceptions that are not processor faults, and
// faults whose signal the program handles itself, pass on untouched. The C library's abort raises
// its abort signal by a plain call, whose handler records where it stands and calls the reporter.
#include "platform/win32/faults.h"

#include <windows.h>

#include <csignal>
#include <cstdint>

#include "base/error_numbers.h"
#include "platform/division.h"
#include "platform/fault_codes.h"
#include "platform/fault_record.h"
#include "platform/report_stack.h"
#include "platform/walk.h"
#include "platform/win32/context_registers.h"
#include "platform/x86_64/fault_numbers.h"
#include "platform/x86_64/fpu.h"

extern "C" void (*__imp_abort)();

namespace platform {

namespace {

FaultReporter reporter = nullptr;

bool IsProcessorFault(DWORD code) {
  switch (code) {
    case kStatusAccessViolation:
    case kStatusIllegalInstruction:
    case kStatusArrayBoundsExceeded:
    case kStatusFloatDenormalOperand:
    case kStatusFloatDivideByZero:
    case kStatusFloatInexactResult:
    case kStatusFloatInvalidOperation:
    case kStatusFloatOverflow:
    case kStatusFloatStackCheck:
    case kStatusFloatUnderflow:
    case kStatusIntegerDivideByZero:
    case kStatusIntegerOverflow:
    case kStatusPrivilegedInstruction:
    case kStatusStackOverflow:
    case kStatusFloatMultipleFaults:
    case kStatusFloatMultipleTraps:
      return true;
    default:
      return false;
  }
}

// The C library's signal for a processor fault.
int SignalOf(DWORD code) {
  switch (code) {
    case kStatusIllegalInstruction:
    case kStatusPrivilegedInstruction:
      return SIGILL;
    case kStatusAccessViolation:
    case kStatusStackOverflow:
    case kStatusArrayBoundsExceeded:
      return SIGSEGV;
    default:
      return SIGFPE;
  }
}

// Whether the program handles a signal itself, through the C library, which
// calls its handler for a fault that no one else takes.
bool ProgramHandles(int signal) {
  auto handler = std::signal(signal, SIG_DFL);
  std::signal(signal, handler);
  return handler != SIG_DFL && handler != SIG_ERR;
}

// Reads the 16 bytes at the faulting instruction; unreadable bytes mean no
// prefetch.
bool Is_Prefetch(const void* address) {
  std::uint8_t code[16];
  SIZE_T got = 0;
  if (!::ReadProcessMemory(::GetCurrentProcess(), address, code, sizeof code, &got) ||
      got != sizeof code) {
    return false;
  }
  return IsPrefetchInstruction(code);
}

// Records where the thread stands and the stack above it: the report's own
// for a fault while a report is formed, else the thread's.
void Record(FaultKind kind, const rt::FrameRegisters& registers, FaultFacts facts = {}) {
  std::uint64_t sp = registers.value[kWalkLayout.stack_pointer];
  ULONG_PTR limit = ReportStackLimit(), top = ReportStackTop();
  if (!OnReportStack(sp)) ::GetCurrentThreadStackLimits(&limit, &top);
  facts.stack_limit = limit;
  facts.stack_top = top;
  RecordFault(kind, registers, 0, limit, top, facts);
}

// An access violation tells the address and the access: 0 a read, 1 a
// write, 8 an instruction fetch that data execution prevention stopped.
FaultFacts FactsOf(const EXCEPTION_RECORD& record) {
  FaultFacts facts;
  facts.exception_code = record.ExceptionCode;
  if (record.ExceptionCode != kStatusAccessViolation || record.NumberParameters < 2) return facts;
  facts.address_known = true;
  facts.address = record.ExceptionInformation[1];
  switch (record.ExceptionInformation[0]) {
    case 0:
      facts.access = Access::kRead;
      break;
    case 1:
      facts.access = Access::kWrite;
      break;
    case 8:
      facts.access = Access::kExecute;
      break;
  }
  if (facts.address == reinterpret_cast<std::uint64_t>(record.ExceptionAddress)) {
    facts.access = Access::kExecute;
  }
  return facts;
}

void ResetFloatingPoint(CONTEXT& context) {
  context.MxCsr = DefaultMXCSR;
  context.FltSave.MxCsr = DefaultMXCSR;
  context.FltSave.ControlWord = Default8087CW;
  context.FltSave.StatusWord = 0;
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  CONTEXT* context = info->ContextRecord;
  if (reporter == nullptr || !IsProcessorFault(record->ExceptionCode) ||
      ProgramHandles(SignalOf(record->ExceptionCode))) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // A prefetch that faulted is dismissed: the instruction runs again.
  if (record->ExceptionCode == kStatusAccessViolation && Is_Prefetch(record->ExceptionAddress)) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  // Another thread forms the report: this one waits for the process to end.
  if (ClaimProcessEnd() == EndClaim::kTaken) WaitForProcessEnd();
  rt::FrameRegisters registers = RegistersOfContext(*context);
  FaultFacts facts = FactsOf(*record);
  // The system may report a division that overflowed as one by zero.
  ULONG_PTR low = 0, high = 0;
  ::GetCurrentThreadStackLimits(&low, &high);
  if (facts.exception_code == kStatusIntegerDivideByZero &&
      DivisionOverflowed(registers, context->Rsp, high)) {
    facts.exception_code = kStatusIntegerOverflow;
  }
  Record(FaultKind::kProcessor, registers, facts);
  std::int32_t number = RunErrorCodeX64(facts.exception_code, context->MxCsr);
  if (number < 0) {
    ResetFloatingPoint(*context);
    number = -number;
  }
  std::uint64_t start = ReportStackStart(context->Rsp);
  if (start == 0) ExitProcess(number);
  // As a call would leave it: the callee's home area, and a return address
  // of 0 below it.
  std::uint64_t sp = (start & ~std::uint64_t{15}) - 32 - 8;
  *reinterpret_cast<std::uint64_t*>(sp) = 0;
  context->Rsp = sp;
  context->Rip = reinterpret_cast<DWORD64>(reporter);
  context->Rcx = static_cast<DWORD64>(number & 0xFFFF);
  context->Rbp = 0;
  return EXCEPTION_CONTINUE_EXECUTION;
}

[[gnu::noinline]] void OnAbort(int) {
  if (ClaimProcessEnd() == EndClaim::kTaken) WaitForProcessEnd();
  rt::FrameRegisters registers;
  CaptureWalkRegisters(&registers);
  Record(FaultKind::kAbort, registers);
  reporter(rt::kProgramAborted);
}

}  // namespace

// A call of abort goes through an import thunk of the program's own; the
// loaded routine is the one the thunk's slot holds.
std::uint64_t AbortEntry() {
  return reinterpret_cast<std::uint64_t>(__imp_abort);
}

void InstallFaultHandler(FaultReporter report) {
  reporter = report;
  // No system dialog for a fault: the program reports it itself.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::AddVectoredExceptionHandler(1, OnException);
  std::signal(SIGABRT, OnAbort);
}

}  // namespace platform
