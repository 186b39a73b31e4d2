// Console and process code pages, and conversions through UTF-16.
#include <windows.h>

#include "platform/platform.h"

namespace platform {

std::uint16_t GetConsoleCP() {
  return static_cast<std::uint16_t>(::GetConsoleCP());
}
std::uint16_t GetConsoleOutputCP() {
  return static_cast<std::uint16_t>(::GetConsoleOutputCP());
}
std::uint16_t GetACP() {
  return static_cast<std::uint16_t>(::GetACP());
}
std::uint16_t GetOEMCP() {
  return static_cast<std::uint16_t>(::GetOEMCP());
}

bool MultiByteToWideChar(std::uint16_t code_page, std::string_view bytes, std::u16string& wide) {
  wide.clear();
  if (bytes.empty()) return true;
  DWORD flags = code_page == CP_UTF8 ? 0 : MB_PRECOMPOSED;
  int in = static_cast<int>(bytes.size());
  int n = ::MultiByteToWideChar(code_page, flags, bytes.data(), in, nullptr, 0);
  if (n <= 0) return false;
  wide.resize(static_cast<std::size_t>(n));
  return ::MultiByteToWideChar(code_page, flags, bytes.data(), in,
                               reinterpret_cast<wchar_t*>(wide.data()), n) == n;
}

bool WideCharToMultiByte(std::uint16_t code_page, std::u16string_view wide, std::string& bytes) {
  bytes.clear();
  if (wide.empty()) return true;
  const wchar_t* in = reinterpret_cast<const wchar_t*>(wide.data());
  int count = static_cast<int>(wide.size());
  int n = ::WideCharToMultiByte(code_page, 0, in, count, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return false;
  bytes.resize(static_cast<std::size_t>(n));
  return ::WideCharToMultiByte(code_page, 0, in, count, bytes.data(), n, nullptr, nullptr) == n;
}

}  // namespace platform
