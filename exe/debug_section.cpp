// Finding debug sections and reading their compression headers.
#include "exe/debug_section.h"

#include <string>

#include "base/byte_order.h"

namespace rt {

namespace {

// The ELF compression header: type, reserved, size, alignment.
constexpr std::int64_t kElfHeaderSize = 24;
constexpr std::uint32_t kElfZlib = 1;  // ELFCOMPRESS_ZLIB
constexpr std::uint32_t kElfZstd = 2;  // ELFCOMPRESS_ZSTD
// "ZLIB" and the size, most significant byte first.
constexpr std::int64_t kGnuHeaderSize = 12;

// Takes the compression header off the stored bytes.
bool ReadHeader(TExeFile& exe, std::int64_t header_size, ExeSection& section) {
  if (section.length < header_size) return false;
  std::uint8_t header[kElfHeaderSize];
  if (!ReadExeBytes(exe, section.offset, header, header_size)) return false;
  std::uint64_t size;
  if (header_size == kGnuHeaderSize) {
    if (std::string_view(reinterpret_cast<const char*>(header), 4) != "ZLIB") return false;
    section.compression = Compression::kZlib;
    size = Be64(header + 4);
  } else {
    std::uint32_t type = Le32(header);
    if (type != kElfZlib && type != kElfZstd) return false;
    section.compression = type == kElfZlib ? Compression::kZlib : Compression::kZstd;
    size = Le64(header + 8);
  }
  if (size > static_cast<std::uint64_t>(INT64_MAX)) return false;
  section.offset += header_size;
  section.length -= header_size;
  section.size = static_cast<std::int64_t>(size);
  return CanDecode(section.compression);
}

}  // namespace

bool FindDebugSection(TExeFile& exe, std::string_view name, ExeSection& section) {
  section = ExeSection();
  StoredSection stored;
  if (FindStoredSection(exe, name, stored)) {
    section.offset = stored.offset;
    section.length = stored.length;
    if (!stored.compressed) {
      section.size = stored.length;
      return true;
    }
    return ReadHeader(exe, kElfHeaderSize, section);
  }
  // ".debug_line" stored the older way is ".zdebug_line".
  if (!name.starts_with(".debug_")) return false;
  std::string old_name = ".z" + std::string(name.substr(1));
  if (!FindStoredSection(exe, old_name, stored) || stored.compressed) return false;
  section.offset = stored.offset;
  section.length = stored.length;
  return ReadHeader(exe, kGnuHeaderSize, section);
}

}  // namespace rt
