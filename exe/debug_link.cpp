// Following a ".gnu_debuglink" section to a separate debug file.
#include "exe/debug_link.h"

#include <cstring>

#include "base/byte_order.h"
#include "exe/crc32.h"

namespace rt {

namespace {

constexpr std::int64_t kMaxLinkLength = 255;

}  // namespace

bool CheckDbgFile(TExeFile& exe, std::string_view name, std::uint32_t crc) {
  FileRec f;
  FileOpenRead(f, name);
  if (f.error != 0) return false;
  std::uint32_t sum = 0;
  std::int64_t got;
  do {
    BlockRead(f, exe.buf, TExeFile::kBufferSize, &got);
    sum = UpdateCRC32(sum, exe.buf, static_cast<std::size_t>(got));
  } while (got == TExeFile::kBufferSize);
  FileClose(f);
  if (f.error != 0) {
    if (exe.f.error == 0) exe.f.error = f.error;
    return false;
  }
  return sum == crc;
}

bool ReadDebugLinkName(TExeFile& exe, std::string& name, std::uint32_t& crc) {
  std::int64_t offset, length;
  if (!FindExeSection(exe, ".gnu_debuglink", offset, length) || length > kMaxLinkLength) {
    return false;
  }
  std::uint8_t link[kMaxLinkLength + 1] = {};
  if (!ReadExeBytes(exe, offset, link, length)) return false;
  std::size_t name_length = strnlen(reinterpret_cast<const char*>(link), sizeof link);
  if (name_length == 0) return false;
  // The CRC follows the name's NUL at the next multiple of 4.
  std::int64_t crc_at = static_cast<std::int64_t>((name_length + 1 + 3) & ~std::size_t{3});
  if (crc_at + 4 > length) return false;
  crc = Le32(link + crc_at);
  name.assign(reinterpret_cast<const char*>(link), name_length);
  return true;
}

}  // namespace rt
