// Finding sections by name, stored plainly or compressed: in the format's
// own way (an ELF section marked compressed, which its format entry reads),
// or in the older ".zdebug" way ("ZLIB", a big-endian size, a zlib stream).
#include <memory_resource>
#include <string>

#include "base/byte_order.h"
#include "exe/exe_file.h"

namespace rt {

namespace {

// "ZLIB" and the size, most significant byte first.
constexpr std::int64_t kZdebugHeaderSize = 12;

// Reads the ".zdebug" header off the stored bytes: the size once
// decompressed. False for a header this reader cannot take.
bool TakeZdebugHeader(TExeFile& exe, ExeSection& section) {
  if (section.length < kZdebugHeaderSize) return false;
  std::uint8_t header[kZdebugHeaderSize];
  if (!ReadExeBytes(exe, section.offset, header, kZdebugHeaderSize)) return false;
  if (std::string_view(reinterpret_cast<const char*>(header), 4) != "ZLIB") return false;
  std::uint64_t size = Be64(header + 4);
  if (size > static_cast<std::uint64_t>(INT64_MAX)) return false;
  section.compression = Compression::kZlib;
  section.offset += kZdebugHeaderSize;
  section.length -= kZdebugHeaderSize;
  section.size = static_cast<std::int64_t>(size);
  return CanDecode(section.compression);
}

// The section as the format finds it under this very name.
bool FindStored(TExeFile& exe, std::string_view name, ExeSection& section) {
  section = ExeSection();
  if (!IsOpen(exe) || exe.format == nullptr || exe.format->find_section == nullptr) return false;
  return exe.format->find_section(exe, name, section);
}

bool Find(TExeFile& exe, std::string_view name, ExeSection& section) {
  if (FindStored(exe, name, section)) return CanDecode(section.compression);
  // ".debug_line" stored the older way is ".zdebug_line".
  if (!name.starts_with(".debug_")) return false;
  std::pmr::string old_name(".z");
  old_name.append(name.substr(1));
  if (!FindStored(exe, old_name, section) || section.compression != Compression::kNone) {
    return false;
  }
  return TakeZdebugHeader(exe, section);
}

}  // namespace

FileResult FindExeSection(TExeFile& exe, std::string_view name, ExeSection& section) {
  return ResultOf(exe.f, Find(exe, name, section));
}

}  // namespace rt
