// rbp is register 6 of the x86-64 call-frame information.
#include "platform/posix/frame_column.h"

namespace platform::posix {

int FrameRegisterColumn() {
  return 6;
}

}  // namespace platform::posix
