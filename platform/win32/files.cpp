// Byte-oriented files through CreateFileW and friends.
#include <windows.h>

#include <string>

#include "platform/platform.h"

namespace platform {

namespace {

HANDLE ToHandle(Handle handle) {
  return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle));
}

}  // namespace

// Names are in the process code page, as the module calls give them. Only
// disk files: a name may come from a file being read, and a device or a
// pipe could block or never end.
bool OpenFileForReading(const char* name, Handle& handle) {
  std::u16string wide;
  if (!MultiByteToWideChar(GetACP(), name, wide)) {
    ::SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  if (::GetFileType(h) != FILE_TYPE_DISK) {
    ::CloseHandle(h);
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  handle = reinterpret_cast<intptr_t>(h);
  return true;
}

bool GetFileSize(Handle handle, std::int64_t& size) {
  LARGE_INTEGER value;
  if (!::GetFileSizeEx(ToHandle(handle), &value)) return false;
  size = value.QuadPart;
  return true;
}

bool SetFilePointer(Handle handle, std::int64_t position) {
  LARGE_INTEGER to;
  to.QuadPart = position;
  return ::SetFilePointerEx(ToHandle(handle), to, nullptr, FILE_BEGIN) != 0;
}

bool GetFilePointer(Handle handle, std::int64_t& position) {
  LARGE_INTEGER zero, at;
  zero.QuadPart = 0;
  if (!::SetFilePointerEx(ToHandle(handle), zero, &at, FILE_CURRENT)) return false;
  position = at.QuadPart;
  return true;
}

bool CloseHandle(Handle handle) {
  return ::CloseHandle(ToHandle(handle)) != 0;
}

}  // namespace platform
