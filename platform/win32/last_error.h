// The error number of the calling thread's last failed Windows call.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace platform::win32 {

// Never kNoError, so that a failure cannot read as success.
inline ErrorNumber LastError() {
  DWORD error = ::GetLastError();
  return error != ERROR_SUCCESS ? error : ERROR_GEN_FAILURE;
}

}  // namespace platform::win32
