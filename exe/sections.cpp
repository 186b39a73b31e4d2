// Finding sections by name, stored plainly or compressed: in the ELF way (a
// compression header, then a zlib or Zstandard stream), or in the older
// ".zdebug" way ("ZLIB", a big-endian size, a zlib stream).
#include <memory_resource>
#include <string>

#include "base/byte_order.h"
#include "exe/exe_file.h"

namespace rt {

namespace {

// The ELF compression header: type, reserved, size, alignment.
constexpr std::int64_t kElfHeaderSize = 24;
constexpr std::uint32_t kElfZlib = 1;  // ELFCOMPRESS_ZLIB
constexpr std::uint32_t kElfZstd = 2;  // ELFCOMPRESS_ZSTD
// "ZLIB" and the size, most significant byte first.
constexpr std::int64_t kGnuHeaderSize = 12;

// Reads the compression header off the stored bytes: the method and the
// size once decompressed. False for a header this reader cannot take.
bool TakeCompressionHeader(TExeFile& exe, std::int64_t header_size, ExeSection& section) {
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

// The section as the format finds it under this very name.
bool FindStored(TExeFile& exe, std::string_view name, ExeSection& section, bool& compressed) {
  section = ExeSection();
  compressed = false;
  if (!IsOpen(exe) || exe.format == nullptr || exe.format->find_section == nullptr) return false;
  return exe.format->find_section(exe, name, section, compressed);
}

bool Find(TExeFile& exe, std::string_view name, ExeSection& section) {
  bool compressed;
  if (FindStored(exe, name, section, compressed)) {
    if (!compressed) {
      section.size = section.length;
      return true;
    }
    return TakeCompressionHeader(exe, kElfHeaderSize, section);
  }
  // ".debug_line" stored the older way is ".zdebug_line".
  if (!name.starts_with(".debug_")) return false;
  std::pmr::string old_name(".z");
  old_name.append(name.substr(1));
  if (!FindStored(exe, old_name, section, compressed) || compressed) return false;
  return TakeCompressionHeader(exe, kGnuHeaderSize, section);
}

}  // namespace

FileResult FindExeSection(TExeFile& exe, std::string_view name, ExeSection& section) {
  return ResultOf(exe.f, Find(exe, name, section));
}

}  // namespace rt
