// CRC-32 of debug files, with the reflected polynomial 0xEDB88320.
#include "exe/debug_file/crc32.h"

namespace rt {

namespace {

struct CRC32Table {
  std::uint32_t entries[256];
};

CRC32Table MakeCRC32Tbl() {
  CRC32Table table;
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table.entries[n] = c;
  }
  return table;
}

}  // namespace

std::uint32_t UpdateCRC32(std::uint32_t crc, const std::uint8_t* bytes, std::size_t n) {
  static const CRC32Table table = MakeCRC32Tbl();  // built on first use
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) crc = table.entries[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace rt
