// x29 is register 29 of the aarch64 call-frame information.
#include "platform/posix/frame_column.h"

namespace platform::posix {

int FrameRegisterColumn() {
  return 29;
}

}  // namespace platform::posix
