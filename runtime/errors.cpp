// Recording a run-time error and handing it to the exit path.
#include "runtime/errors.h"

#include "platform/frame_record.h"
#include "report/abort_call.h"
#include "runtime/exit.h"

namespace rt {

std::uint16_t ErrorCode = 0;
void* ErrorAddr = nullptr;
void* ErrorBase = nullptr;
const platform::FaultRecord* ErrorFault = nullptr;
FrameRegisters ErrorRegisters;
bool ErrorRegistersKnown = false;

namespace {

struct PendingError {
  std::uint16_t code = 0;  // 0: none
  void* addr = nullptr;
  void* frame = nullptr;
  FrameRegisters registers;
};
PendingError pending;

}  // namespace

void Halt(std::int32_t code) {
  operatingsystem_result = code;
  Do_Exit();
}

void RaiseErrorFrom(std::int32_t code, void* addr, void* frame, const FrameRegisters& registers) {
  ErrorRegisters = registers;
  ErrorRegistersKnown = true;
  ErrorCode = static_cast<std::uint16_t>(code);
  ErrorAddr = addr;
  ErrorBase = frame;
  ErrorFault = nullptr;
  Halt(ErrorCode);
}

// Out of line, so that the registers it keeps are those of a frame of its
// own, below every frame that led to the error.
[[gnu::noinline]] void HandleErrorAddrFrame(std::int32_t code, void* addr, void* frame) {
  FrameRegisters registers;
  CaptureWalkRegisters(&registers);
  RaiseErrorFrom(code, addr, frame, registers);
}

void HandleErrorAddrFrameInd(std::int32_t code, void* addr, void* frame) {
  if (frame != nullptr) {
    platform::FrameRecord record = platform::ReadFrameRecord(frame);
    addr = record.return_address;
    frame = record.caller_frame;
  } else {
    addr = nullptr;
  }
  HandleErrorAddrFrame(code, addr, frame);
}

[[gnu::noinline]] void RunError(std::uint16_t code) {
  platform::FrameRecord own = platform::ReadFrameRecord(__builtin_frame_address(0));
  HandleErrorAddrFrame(code, own.return_address, own.caller_frame);
}

[[gnu::noinline]] void RaiseFault(std::uint16_t code) {
  const platform::FaultRecord* fault = platform::LastFault();
  if (fault == nullptr) {
    // No fault recorded: the error stays where it was raised, as RunError
    // would place it.
    platform::FrameRecord own = platform::ReadFrameRecord(__builtin_frame_address(0));
    HandleErrorAddrFrame(code, own.return_address, own.caller_frame);
  }
  if (fault->kind == platform::FaultKind::kAbort) {
    RaisePendingError();
    ErrorPlace call;
    if (FindCallOfAbort(*fault, call)) RaiseErrorFrom(code, call.addr, call.frame, call.below);
  }
  ErrorCode = code;
  ErrorAddr = reinterpret_cast<void*>(fault->registers.pc);
  ErrorBase = reinterpret_cast<void*>(fault->registers.value[platform::kWalkLayout.frame_register]);
  ErrorFault = fault;
  ErrorRegistersKnown = false;
  Halt(ErrorCode);
}

void SetPendingError(std::uint16_t code, void* addr, void* frame, const FrameRegisters& registers) {
  pending = {code, addr, frame, registers};
}

void RaisePendingError() {
  if (pending.code != 0)
    RaiseErrorFrom(pending.code, pending.addr, pending.frame, pending.registers);
}

}  // namespace rt
