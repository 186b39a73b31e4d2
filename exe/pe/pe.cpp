// PE32+ images: the COFF section table, with long section names kept in the
// COFF string table.
#include "exe/pe/pe.h"

#include <cstring>

#include "base/byte_order.h"
#include "exe/table_reader.h"

namespace rt {

namespace {

constexpr std::int64_t kDosHeaderSize = 64;
constexpr std::int64_t kDosSignatureOffset = 60;
// Signature, COFF file header and the PE32+ optional header.
constexpr std::int64_t kNtHeadersSize = 4 + 20 + 240;
constexpr std::uint32_t kPeSignature = 0x00004550;
// A PE32+ image's addresses are 64-bit.
constexpr std::uint8_t kAddressSize = 8;
constexpr std::int64_t kSectionHeaderSize = 40;
constexpr std::int64_t kSymbolSize = 18;
constexpr std::size_t kMaxNameLength = 255;

// A "/" name holds the decimal offset of the real name in the string table.
bool ParseLongNameOffset(const char* digits, std::size_t n, std::int64_t& offset) {
  if (n == 0) return false;
  offset = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (digits[i] < '0' || digits[i] > '9') return false;
    offset = offset * 10 + (digits[i] - '0');
  }
  return true;
}

// The section's name: its 8 name bytes up to a NUL, or the string-table
// entry that a "/N" name points at (up to 255 bytes, up to a NUL or the end
// of the file). A "/" name that is not a number is empty.
std::string_view SectionName(TExeFile& exe, const std::uint8_t* header, char (&long_name)[256]) {
  const char* raw = reinterpret_cast<const char*>(header);
  std::size_t n = 0;
  while (n < 8 && raw[n] != '\0') ++n;
  if (n == 0 || raw[0] != '/') return std::string_view(raw, n);
  std::int64_t offset;
  if (!ParseLongNameOffset(raw + 1, n - 1, offset)) return {};
  std::int64_t at = exe.section_names + offset;
  if (at >= exe.size) return {};
  std::int64_t want = exe.size - at < 256 ? exe.size - at : 256;
  if (!ReadExeBytes(exe, at, long_name, want)) return {};
  std::size_t length = 0;
  while (length < static_cast<std::size_t>(want) && length < kMaxNameLength &&
         long_name[length] != '\0') {
    ++length;
  }
  return std::string_view(long_name, length);
}

}  // namespace

bool OpenPEPlusCOFF(TExeFile& exe) {
  if (exe.size < kDosHeaderSize) return false;
  std::uint8_t dos[kDosHeaderSize];
  if (!ReadExeBytes(exe, 0, dos, kDosHeaderSize)) return false;
  std::int64_t nt = static_cast<std::int32_t>(Le32(dos + kDosSignatureOffset));
  std::uint8_t headers[kNtHeadersSize];
  if (!ReadExeBytes(exe, nt, headers, kNtHeadersSize)) return false;
  if (Le32(headers) != kPeSignature) return false;
  const std::uint8_t* file_header = headers + 4;
  const std::uint8_t* optional_header = headers + 24;
  exe.section_headers = nt + kNtHeadersSize;
  exe.section_count = Le16(file_header + 2);
  // Computed wide: the stored values cannot wrap a signed 32-bit sum into a
  // negative offset that would pass the check below.
  exe.section_names = static_cast<std::int64_t>(Le32(file_header + 8)) +
                      static_cast<std::int64_t>(Le32(file_header + 12)) * kSymbolSize;
  if (exe.section_names > exe.size) return false;
  exe.image_base = Le64(optional_header + 24);
  exe.address_size = kAddressSize;
  return true;
}

std::int64_t CoffFileHeader(const TExeFile& exe) {
  return exe.section_headers - kNtHeadersSize + 4;
}

bool FindSectionCOFF(TExeFile& exe, std::string_view name, ExeSection& found) {
  char long_name[256];
  std::uint32_t virtual_size = 0, raw_size = 0, virtual_address = 0;
  std::int64_t raw_offset = 0;
  auto named = [&](const std::uint8_t* header) {
    if (SectionName(exe, header, long_name) != name) return false;
    virtual_size = Le32(header + 8);
    virtual_address = Le32(header + 12);
    raw_size = Le32(header + 16);
    raw_offset = Le32(header + 20);
    return true;
  };
  if (ForEachEntry(exe, exe.section_headers, exe.section_count, kSectionHeaderSize, named) < 0) {
    return false;
  }
  // The first section of the name decides.
  if (virtual_size > raw_size || raw_offset + virtual_size > exe.size) return false;
  found.offset = raw_offset;
  found.length = virtual_size;
  found.address = exe.image_base + virtual_address;
  found.size = found.length;
  return true;
}

}  // namespace rt
