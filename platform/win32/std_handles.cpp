// Standard handles, reads and writes: a thin layer over the Windows calls.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/last_error.h"

namespace platform {

using win32::ToHandle;

Handle GetStdHandle(StdHandleKind kind) {
  DWORD which = kind == StdHandleKind::kInput    ? STD_INPUT_HANDLE
                : kind == StdHandleKind::kOutput ? STD_OUTPUT_HANDLE
                                                 : STD_ERROR_HANDLE;
  return reinterpret_cast<intptr_t>(::GetStdHandle(which));
}

ErrorNumber ReadFile(Handle handle, void* buffer, std::size_t n, std::size_t& count) {
  DWORD got = 0;
  BOOL ok = ::ReadFile(ToHandle(handle), buffer, win32::TransferSize(n), &got, nullptr);
  count = ok ? got : 0;
  return ok ? kNoError : win32::LastError();
}

// As the system reports it: a console may take fewer bytes than given.
ErrorNumber WriteFile(Handle handle, const void* bytes, std::size_t n, std::size_t& count) {
  DWORD put = 0;
  BOOL ok = ::WriteFile(ToHandle(handle), bytes, win32::TransferSize(n), &put, nullptr);
  count = put;
  return ok ? kNoError : win32::LastError();
}

bool IsBrokenPipe(ErrorNumber error) {
  return error == ERROR_BROKEN_PIPE;
}

bool GetConsoleMode(Handle handle) {
  DWORD mode;
  return ::GetConsoleMode(ToHandle(handle), &mode) != 0;
}

}  // namespace platform
