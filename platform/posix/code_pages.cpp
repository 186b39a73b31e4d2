// Code pages on POSIX: no console code pages, UTF-8 as the process default,
// and conversions through iconv under the code pages' usual names.
#include "base/code_pages.h"

#include <errno.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>

#include "base/every_run.h"
#include "platform/platform.h"

namespace platform {

namespace {

std::string IconvName(std::uint16_t code_page) {
  switch (code_page) {
    case rt::kCodePageUtf8:
      return "UTF-8";
    case rt::kCodePageUtf7:
      return "UTF-7";
    case rt::kCodePageUtf16Le:
      return "UTF-16LE";
    case rt::kCodePageUtf16Be:
      return "UTF-16BE";
    case rt::kCodePageUtf32Le:
      return "UTF-32LE";
    case rt::kCodePageUtf32Be:
      return "UTF-32BE";
    case rt::kCodePageAscii:
      return "ASCII";
    default:
      break;
  }
  char name[16];
  if (code_page >= 28591 && code_page <= 28599) {
    std::snprintf(name, sizeof name, "ISO-8859-%u", code_page - 28590u);
  } else {
    std::snprintf(name, sizeof name, "CP%u", code_page);
  }
  return name;
}

// Runs one conversion to the end. An input unit that cannot be converted is
// replaced by `replacement` in the output and skipped by `skip` bytes, so a
// bad byte never stops or loses the rest of the text.
bool Convert(const char* to, const char* from, const char* in, std::size_t in_left,
             std::string& out, std::string_view replacement, std::size_t skip) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.clear();
  char chunk[256];
  char* src = const_cast<char*>(in);
  while (in_left > 0) {
    char* dst = chunk;
    std::size_t dst_left = sizeof chunk;
    std::size_t rc = iconv(cd, &src, &in_left, &dst, &dst_left);
    out.append(chunk, static_cast<std::size_t>(dst - chunk));
    if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
      // EILSEQ, or a sequence cut short at the end (EINVAL).
      out.append(replacement);
      std::size_t step = skip < in_left ? skip : in_left;
      src += step;
      in_left -= step;
    }
  }
  char* dst = chunk;
  std::size_t dst_left = sizeof chunk;
  iconv(cd, nullptr, nullptr, &dst, &dst_left);  // closes a stateful encoding
  out.append(chunk, static_cast<std::size_t>(dst - chunk));
  iconv_close(cd);
  return true;
}

}  // namespace

QUIZ_EVERY_RUN std::uint16_t GetConsoleCP() {
  return 0;
}
QUIZ_EVERY_RUN std::uint16_t GetConsoleOutputCP() {
  return 0;
}
QUIZ_EVERY_RUN std::uint16_t GetACP() {
  return rt::kCodePageUtf8;
}
std::uint16_t GetOEMCP() {
  return rt::kCodePageUtf8;
}

bool MultiByteToWideChar(std::uint16_t code_page, std::string_view bytes, std::u16string& wide) {
  static constexpr char kReplacement[] = {'\xFD', '\xFF'};  // U+FFFD, little-endian
  std::string raw;
  if (!Convert("UTF-16LE", IconvName(code_page).c_str(), bytes.data(), bytes.size(), raw,
               std::string_view(kReplacement, 2), 1)) {
    return false;
  }
  wide.resize(raw.size() / 2);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<unsigned char>(raw[2 * i]) |
                                    static_cast<unsigned char>(raw[2 * i + 1]) << 8);
  }
  return true;
}

bool WideCharToMultiByte(std::uint16_t code_page, std::u16string_view wide, std::string& bytes) {
  std::string raw(wide.size() * 2, '\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    raw[2 * i] = static_cast<char>(wide[i] & 0xFF);
    raw[2 * i + 1] = static_cast<char>(wide[i] >> 8);
  }
  return Convert(IconvName(code_page).c_str(), "UTF-16LE", raw.data(), raw.size(), bytes, "?", 2);
}

}  // namespace platform
