// The outermost handler of processor faults on Windows: a vectored handler
// that records where the fault happened and walks the frames that led
// there, works out the error number (resetting the floating-point unit
// where the number asks for it) and resumes the thread at main_wrapper's
// recovery point, where the run-time error is raised. Exceptions that are
// not processor faults pass on untouched.
#include "platform/win32/faults.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "base/frame_line.h"
#include "platform/fault_codes.h"
#include "platform/fault_record.h"
#include "platform/platform.h"
#include "platform/walk.h"
#include "platform/win32/context_registers.h"
#include "platform/x86_64/fault_numbers.h"
#include "platform/x86_64/fpu.h"

extern "C" {
void CallOnStack(void (*routine)(void*), void* argument, void* stack_top);
void main_wrapper_recovery();
extern std::uint64_t main_wrapper_sp;
extern std::uint16_t main_wrapper_fault;
}

namespace platform {

namespace {

// The walk runs on a stack of its own, reserved with the program: a thread
// whose stack has run out has too little of it left for the unwinder.
alignas(16) std::uint8_t walk_stack[64 * 1024];
// A fault inside the walk is not this handler's to take: it would walk
// again on the stack it stands on.
bool walking = false;

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

// The callers of the faulting frame, walked here while the stack still
// stands as it did at the fault: the recovery overwrites it, and the
// platform's unwinder reads the live stack. Frames rise strictly and stay
// below the stack's top; the walk ends at main_wrapper.
void WalkFaultingFrames(void* at_fault) {
  WalkRegisters registers = *static_cast<const WalkRegisters*>(at_fault);
  std::uint64_t top = GetStackTop();
  std::uint64_t last = registers.value[kWalkLayout.stack_pointer];
  for (std::size_t n = 0; n < rt::kMaxFrameLines; ++n) {
    std::uint64_t frame = 0;
    if (StepByPlatformUnwinder(registers, frame) != PlatformStep::kStepped || frame <= last ||
        frame >= top || registers.pc == 0) {
      return;
    }
    last = frame;
    RecordWalkedFrame(registers.pc, frame);
  }
}

LONG CALLBACK OnException(EXCEPTION_POINTERS* info) {
  const EXCEPTION_RECORD* record = info->ExceptionRecord;
  CONTEXT* context = info->ContextRecord;
  if (main_wrapper_sp == 0 || walking || !IsProcessorFault(record->ExceptionCode)) {
    return EXCEPTION_CONTINUE_SEARCH;
  }
  // A prefetch that faulted is dismissed: the instruction runs again.
  if (record->ExceptionCode == kStatusAccessViolation && Is_Prefetch(record->ExceptionAddress)) {
    return EXCEPTION_CONTINUE_EXECUTION;
  }
  // Where the fault happened, and the frames that led there; the stack
  // itself needs no copy.
  std::uint64_t top = GetStackTop();
  WalkRegisters registers = RegistersOfContext(*context);
  RecordFault(registers, 0, top, top);
  MarkWalked();
  walking = true;
  CallOnStack(WalkFaultingFrames, &registers, walk_stack + sizeof walk_stack);
  walking = false;
  std::int32_t number = RunErrorCodeX64(record->ExceptionCode, context->MxCsr);
  if (number < 0) {
    context->MxCsr = DefaultMXCSR;
    context->FltSave.MxCsr = DefaultMXCSR;
    context->FltSave.ControlWord = Default8087CW;
    context->FltSave.StatusWord = 0;
    number = -number;
  }
  main_wrapper_fault = static_cast<std::uint16_t>(number);
  context->Rip = reinterpret_cast<DWORD64>(&main_wrapper_recovery);
  context->Rsp = main_wrapper_sp;
  context->Rbp = 0;
  return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

void InstallFaultHandler() {
  // No system dialog for a fault: the program reports it itself.
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  ::AddVectoredExceptionHandler(1, OnException);
}

}  // namespace platform
