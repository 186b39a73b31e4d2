// The pending I/O code and its check.
#include "console/io_result.h"

#include "base/every_run.h"
#include "platform/platform.h"

namespace rt {

thread_local std::uint16_t InOutRes = 0;

namespace {

[[noreturn]] void EndWithCode(std::int32_t code, void*, void*) {
  platform::ExitProcess(code);
}

IoErrorHandler io_error_handler = EndWithCode;

}  // namespace

QUIZ_EVERY_RUN void SetIoErrorHandler(IoErrorHandler handler) {
  io_error_handler = handler != nullptr ? handler : EndWithCode;
}

std::uint16_t IOResult() {
  std::uint16_t code = InOutRes;
  InOutRes = 0;
  return code;
}

// Kept out of line with a frame record of its own: the error is placed at
// the caller through that record.
[[gnu::noinline]] void CheckIOResult() {
  if (InOutRes == 0) return;
  std::uint16_t code = InOutRes;
  InOutRes = 0;
  io_error_handler(code, reinterpret_cast<void*>(&CheckIOResult), __builtin_frame_address(0));
  // A handler never returns; should one do so, the process still ends here.
  platform::ExitProcess(code);
}

}  // namespace rt
