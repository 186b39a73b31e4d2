// errno values to the runtime's I/O codes.
#include <errno.h>

#include "platform/platform.h"

namespace platform {

std::uint16_t Errno2InOutRes(std::uint32_t error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return 101;  // disk full
    case EACCES:
    case EPERM:
    case EEXIST:
    case EBUSY:
    case ENOTEMPTY:
      return 5;  // access denied
    case ENAMETOOLONG:
      return 3;  // path not found
    default:
      return static_cast<std::uint16_t>(error);
  }
}

}  // namespace platform
