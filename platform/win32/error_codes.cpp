// Windows error numbers to the runtime's I/O codes.
#include "platform/platform.h"

namespace platform {

std::uint16_t Errno2InOutRes(std::uint32_t error) {
  if (error >= 19 && error <= 31) return static_cast<std::uint16_t>(error + 131);
  switch (error) {
    case 32:   // sharing violation
    case 145:  // directory not empty
    case 183:  // already exists
      return 5;
    case 112:  // disk full
      return 101;
    case 206:  // file name too long
      return 3;
    default:
      return static_cast<std::uint16_t>(error);
  }
}

}  // namespace platform
