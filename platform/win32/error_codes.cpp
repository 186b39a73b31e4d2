// Windows error numbers to the runtime's I/O codes.
#include <windows.h>

#include "base/error_numbers.h"
#include "platform/platform.h"

namespace platform {

std::uint16_t Errno2InOutRes(ErrorNumber error) {
  // The device errors (write protect to general failure) become 150 to 162.
  if (error >= ERROR_WRITE_PROTECT && error <= ERROR_GEN_FAILURE) {
    return static_cast<std::uint16_t>(error + 131);
  }
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_DIR_NOT_EMPTY:
    case ERROR_ALREADY_EXISTS:
      return rt::kAccessDenied;
    case ERROR_DISK_FULL:
      return rt::kDiskFull;
    case ERROR_FILENAME_EXCED_RANGE:
      return rt::kPathNotFound;
    default:
      return static_cast<std::uint16_t>(error);
  }
}

}  // namespace platform
