// errno values to the runtime's I/O codes.
#include <errno.h>

#include "base/error_numbers.h"
#include "platform/platform.h"

namespace platform {

std::uint16_t Errno2InOutRes(ErrorNumber error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return rt::kDiskFull;
    case EACCES:
    case EPERM:
    case EEXIST:
    case EBUSY:
    case ENOTEMPTY:
      return rt::kAccessDenied;
    case ENAMETOOLONG:
      return rt::kPathNotFound;
    default:
      return static_cast<std::uint16_t>(error);
  }
}

}  // namespace platform
