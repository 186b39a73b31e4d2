// The pending I/O code and its check.
#include "console/io_result.h"

#include "runtime/errors.h"

namespace rt {

thread_local std::uint16_t InOutRes = 0;

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
  HandleErrorAddrFrameInd(code, reinterpret_cast<void*>(&CheckIOResult),
                          __builtin_frame_address(0));
}

}  // namespace rt
