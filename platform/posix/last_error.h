// The error number that GetLastError() reports, kept per thread like errno.
#pragma once

#include <cstdint>

namespace platform::posix {

void SetLastError(int error);

}  // namespace platform::posix
