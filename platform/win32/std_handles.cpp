// Standard handles, reads and writes: a thin layer over the Windows calls.
#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/last_error.h"

namespace platform {

namespace {

HANDLE ToHandle(Handle handle) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

// One call moves at most this much, so counts fit the calls' 32-bit sizes.
constexpr std::size_t kMaxTransfer = 1u << 30;

}  // namespace

Handle GetStdHandle(StdHandleKind kind) {
  DWORD which = kind == StdHandleKind::kInput    ? STD_INPUT_HANDLE
                : kind == StdHandleKind::kOutput ? STD_OUTPUT_HANDLE
                                                 : STD_ERROR_HANDLE;
  return reinterpret_cast<intptr_t>(::GetStdHandle(which));
}

ErrorNumber ReadFile(Handle handle, void* buffer, std::size_t n, std::size_t& count) {
  DWORD got = 0;
  BOOL ok = ::ReadFile(ToHandle(handle), buffer,
                       static_cast<DWORD>(n < kMaxTransfer ? n : kMaxTransfer), &got, nullptr);
  count = ok ? got : 0;
  return ok ? kNoError : win32::LastError();
}

// As the system reports it: a console may take fewer bytes than given.
ErrorNumber WriteFile(Handle handle, const void* bytes, std::size_t n, std::size_t& count) {
  DWORD put = 0;
  BOOL ok = ::WriteFile(ToHandle(handle), bytes,
                        static_cast<DWORD>(n < kMaxTransfer ? n : kMaxTransfer), &put, nullptr);
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
