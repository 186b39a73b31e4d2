// Recording a run-time error and handing it to the exit path.
#include "runtime/errors.h"

#include "platform/frame_record.h"
#include "runtime/exit.h"

namespace rt {

std::uint16_t ErrorCode = 0;
void* ErrorAddr = nullptr;
void* ErrorBase = nullptr;

void Halt(std::int32_t code) {
  operatingsystem_result = code;
  Do_Exit();
}

void HandleErrorAddrFrame(std::int32_t code, void* addr, void* frame) {
  ErrorCode = static_cast<std::uint16_t>(code);
  ErrorAddr = addr;
  ErrorBase = frame;
  Halt(ErrorCode);
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
  ErrorCode = code;
  ErrorAddr = own.return_address;
  ErrorBase = own.caller_frame;
  Halt(ErrorCode);
}

}  // namespace rt
