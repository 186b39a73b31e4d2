// Byte-oriented files through CreateFileW and friends.
#include <windows.h>

#include <memory_resource>
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

// The name in UTF-16 with its terminating zero, as MultiByteToWideChar
// converts; in memory of the default resource, since the error report opens
// files while the C library's heap may be broken.
bool WideName(const char* name, std::pmr::wstring& wide) {
  UINT code_page = ::GetACP();
  DWORD flags = code_page == CP_UTF8 ? 0 : MB_PRECOMPOSED;
  int n = ::MultiByteToWideChar(code_page, flags, name, -1, nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<std::size_t>(n));
  return ::MultiByteToWideChar(code_page, flags, name, -1, wide.data(), n) == n;
}

}  // namespace

// Names are in the process code page, as the module calls give them. Only
// disk files: a name may come from a file being read, and a device or a
// pipe could block or never end.
ErrorNumber OpenFileForReading(const char* name, Handle& handle) {
  std::pmr::wstring wide;
  if (!WideName(name, wide)) return ERROR_INVALID_NAME;
  HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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

ErrorNumber GetFileWriteTime(Handle handle, std::int64_t& time) {
  FILETIME written;
  if (!::GetFileTime(ToHandle(handle), nullptr, nullptr, &written)) return win32::LastError();
  time = static_cast<std::int64_t>(static_cast<std::uint64_t>(written.dwHighDateTime) << 32 |
                                   written.dwLowDateTime);
  return kNoError;
}

bool IsTerminal(Handle handle) {
  DWORD mode = 0;
  return ::GetConsoleMode(ToHandle(handle), &mode) != 0;
}

// Asked of the system, not of the C library: the report may run before it
// has read the environment.
bool IsEnvironmentSet(const char* name) {
  char value[2];
  return ::GetEnvironmentVariableA(name, value, sizeof value) > 0;
}

ErrorNumber CloseHandle(Handle handle) {
  return Result(::CloseHandle(ToHandle(handle)));
}

}  // namespace platform
