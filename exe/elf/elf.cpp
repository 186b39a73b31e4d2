// ELF64 little-endian files: sections by name through the section-name
// string table, and the image base from the loadable segments.
#include "exe/elf/elf.h"

#include <cstring>

#include "base/byte_order.h"
#include "exe/elf/elf_section_header.h"
#include "exe/table_reader.h"
#include "platform/image_base.h"

namespace rt {

namespace {

// The sizes of the class of 64-bit files.
constexpr std::int64_t kFileHeaderSize = 64;
constexpr std::int64_t kProgramHeaderSize = 56;
// Before a compressed section's stored bytes: type, reserved, size, alignment.
constexpr std::int64_t kCompressionHeaderSize = 24;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kClass64AddressSize = 8;
constexpr std::uint32_t kCompressZlib = 1;  // ELFCOMPRESS_ZLIB
constexpr std::uint32_t kCompressZstd = 2;  // ELFCOMPRESS_ZSTD
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX, PN_XNUM
// A section-name table up to this size is read once per lookup; a larger
// one name by name.
constexpr std::int64_t kNamesAtOnce = 4096;

bool FindImageBase(TExeFile& exe, std::uint64_t phoff, std::uint64_t phnum) {
  platform::ImageBase base;
  ForEachEntry(exe, static_cast<std::int64_t>(phoff), static_cast<std::int64_t>(phnum),
               kProgramHeaderSize, [&](const std::uint8_t* ph) {
                 base.Add(Le32(ph), Le64(ph + 16));
                 return false;
               });
  exe.image_base = base.Get();
  return exe.f.error == 0;
}

// The counts of the header, with those too large for their fields taken
// from section 0; false when the tables do not fit the file.
bool ReadTables(TExeFile& exe, const std::uint8_t* header, std::uint64_t& phnum) {
  std::uint64_t shoff = Le64(header + 40);
  std::uint64_t shnum = Le16(header + 60);
  std::uint64_t shstrndx = Le16(header + 62);
  if (shoff == 0) return false;  // no section table: nothing to find
  if (Le16(header + 58) != kElfSectionHeaderSize ||
      !ElfTableFits(exe, shoff, 1, kElfSectionHeaderSize)) {
    return false;
  }
  exe.section_headers = static_cast<std::int64_t>(shoff);
  ElfSectionHeader first;
  if (!ReadElfSection(exe, 0, first)) return false;
  if (shnum == 0) shnum = first.size;
  if (shstrndx == kExtendedIndex) shstrndx = first.link;
  if (phnum == kExtendedIndex) phnum = first.info;
  if (!ElfTableFits(exe, shoff, shnum, kElfSectionHeaderSize) || shstrndx >= shnum) return false;
  exe.section_count = static_cast<std::int64_t>(shnum);
  ElfSectionHeader names;
  if (!ReadElfSection(exe, shstrndx, names) || names.type == kElfNoBits ||
      !ElfTableFits(exe, names.offset, names.size, 1)) {
    return false;
  }
  exe.section_names = static_cast<std::int64_t>(names.offset);
  exe.section_names_length = static_cast<std::int64_t>(names.size);
  return true;
}

// Reads the compression header off a compressed section's stored bytes: the
// method and the size once decompressed. False for a method this reader
// does not know or a header that does not fit; whether the build decodes
// the method is the caller's to ask.
bool TakeCompressionHeader(TExeFile& exe, ExeSection& section) {
  if (section.length < kCompressionHeaderSize) return false;
  std::uint8_t header[kCompressionHeaderSize];
  if (!ReadExeBytes(exe, section.offset, header, kCompressionHeaderSize)) return false;
  std::uint32_t type = Le32(header);
  std::uint64_t size = Le64(header + 8);
  if ((type != kCompressZlib && type != kCompressZstd) ||
      size > static_cast<std::uint64_t>(INT64_MAX)) {
    return false;
  }
  section.compression = type == kCompressZlib ? Compression::kZlib : Compression::kZstd;
  section.offset += kCompressionHeaderSize;
  section.length -= kCompressionHeaderSize;
  section.size = static_cast<std::int64_t>(size);
  return true;
}

}  // namespace

bool OpenElf64(TExeFile& exe) {
  std::uint8_t header[kFileHeaderSize];
  if (!ReadExeBytes(exe, 0, header, kFileHeaderSize)) return false;
  if (header[4] != kClass64 || header[5] != kLittleEndian) return false;
  exe.address_size = kClass64AddressSize;
  std::uint64_t phoff = Le64(header + 32);
  std::uint64_t phnum = Le16(header + 56);
  if (!ReadTables(exe, header, phnum)) return false;
  if (phnum != 0 && (Le16(header + 54) != kProgramHeaderSize ||
                     !ElfTableFits(exe, phoff, phnum, kProgramHeaderSize))) {
    return false;
  }
  return FindImageBase(exe, phoff, phnum);
}

bool FindSectionElf64(TExeFile& exe, std::string_view name, ExeSection& found) {
  // The wanted name and its NUL must fit in the string table after the
  // entry's offset.
  std::int64_t want = static_cast<std::int64_t>(name.size()) + 1;
  char entry_name[256];
  if (want > static_cast<std::int64_t>(sizeof entry_name)) return false;
  char names[kNamesAtOnce];
  bool names_at_hand = exe.section_names_length <= kNamesAtOnce;
  if (names_at_hand && !ReadExeBytes(exe, exe.section_names, names, exe.section_names_length)) {
    return false;
  }
  ElfSectionHeader section;
  auto named = [&](const std::uint8_t* raw) {
    section = DecodeElfSection(raw);
    if (section.name > exe.section_names_length || want > exe.section_names_length - section.name)
      return false;
    const char* entry = names + section.name;
    if (!names_at_hand) {
      if (!ReadExeBytes(exe, exe.section_names + section.name, entry_name, want)) return false;
      entry = entry_name;
    }
    return std::memcmp(entry, name.data(), name.size()) == 0 && entry[name.size()] == 0;
  };
  if (ForEachEntry(exe, exe.section_headers, exe.section_count, kElfSectionHeaderSize, named) < 0) {
    return false;
  }
  // The first section of the name decides; it must have its bytes in the
  // file.
  if (section.type == kElfNoBits || !ElfTableFits(exe, section.offset, section.size, 1))
    return false;
  found.offset = static_cast<std::int64_t>(section.offset);
  found.length = static_cast<std::int64_t>(section.size);
  found.address = section.address;
  found.size = found.length;
  return (section.flags & kElfCompressed) == 0 || TakeCompressionHeader(exe, found);
}

}  // namespace rt
