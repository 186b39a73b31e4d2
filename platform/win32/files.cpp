// Byte-oriented files through CreateFileW and friends.
#include <windows.h>

#include <string>

#include "platform/platform.h"
#include "platform/win32/handles.h"
#include "platform/win32/last_error.h"

namespace platform {

namespace {

using win32::ToHandle;

ErrorNumber Result(BOOL ok) {
  return ok ? kNoError : win32::LastError();
}

}  // namespace

// Names are in the process code page, as the module calls give them. Only
// disk files: a name may come from a file being read, and a device or a
// pipe could block or never end.
ErrorNumber OpenFileForReading(const char* name, Handle& handle) {
  std::u16string wide;
  if (!MultiByteToWideChar(GetACP(), name, wide)) return ERROR_INVALID_NAME;
  HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return win32::LastError();
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    return ERROR_ACCESS_DENIED;
  }
  handle = reinterpret_cast<intptr_t>(h);
  return kNoError;
}

ErrorNumber GetFileSize(Handle handle, std::int64_t& size) {
  LARGE_INTEGER value;
  if (!::GetFileSizeEx(ToHandle(handle), &value)) return win32::LastError();
  size = value.QuadPart;
  return kNoError;
}

// A synchronous handle reads at the overlapped structure's offset.
ErrorNumber ReadFileAt(Handle handle, std::int64_t position, void* buffer, std::size_t n,
                       std::size_t& count) {
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(position & 0xFFFFFFFF);
  at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(position) >> 32);
  DWORD got = 0;
  BOOL ok = ::ReadFile(ToHandle(handle), buffer, win32::TransferSize(n), &got, &at);
  count = ok ? got : 0;
  if (!ok && ::GetLastError() == ERROR_HANDLE_EOF) return kNoError;
  return ok ? kNoError : win32::LastError();
}

ErrorNumber CloseHandle(Handle handle) {
  return Result(::CloseHandle(ToHandle(handle)));
}

}  // namespace platform
