// Following a ".gnu_debuglink" section to a separate debug file.
#include "exe/debug_file/debug_link.h"

#include <cstring>

#include "base/byte_order.h"
#include "exe/debug_file/crc32.h"

namespace rt {

namespace {

constexpr std::int64_t kMaxLinkLength = 255;
// The checksum reads the file in blocks of this size.
constexpr std::int64_t kCrcBlock = 4096;

}  // namespace

FileResult CheckDbgFile(std::string_view name, std::uint32_t crc) {
  FileRec f;
  FileOpenRead(f, name);
  if (f.error != 0) return {};
  std::uint32_t sum = 0;
  std::uint8_t block[kCrcBlock];
  std::int64_t got;
  std::int64_t at = 0;
  do {
    BlockReadAt(f, at, block, kCrcBlock, &got);
    sum = UpdateCRC32(sum, block, static_cast<std::size_t>(got));
    at += got;
  } while (got == kCrcBlock);
  FileClose(f);
  return ResultOf(f, sum == crc);
}

FileResult ReadDebugLinkName(TExeFile& exe, std::pmr::string& name, std::uint32_t& crc) {
  ExeSection section;
  if (!FindExeSection(exe, ".gnu_debuglink", section) ||
      section.compression != Compression::kNone || section.length > kMaxLinkLength) {
    return ResultOf(exe.f, false);
  }
  std::uint8_t link[kMaxLinkLength + 1] = {};
  if (!ReadExeBytes(exe, section.offset, link, section.length)) return ResultOf(exe.f, false);
  std::size_t name_length = strnlen(reinterpret_cast<const char*>(link), sizeof link);
  // The CRC follows the name's NUL at the next multiple of 4.
  std::int64_t crc_at = static_cast<std::int64_t>((name_length + 1 + 3) & ~std::size_t{3});
  if (name_length == 0 || crc_at + 4 > section.length) return ResultOf(exe.f, false);
  crc = Le32(link + crc_at);
  name.assign(reinterpret_cast<const char*>(link), name_length);
  return ResultOf(exe.f, true);
}

}  // namespace rt
