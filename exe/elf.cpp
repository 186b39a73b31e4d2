// ELF64 little-endian files: sections by name through the section-name
// string table, and the image base from the loadable segments.
#include "exe/elf.h"

#include <cstring>

#include "base/byte_order.h"

namespace rt {

namespace {

constexpr std::int64_t kElfHeaderSize = 64;
constexpr std::int64_t kSectionHeaderSize = 64;
constexpr std::int64_t kProgramHeaderSize = 56;
constexpr std::uint8_t kClass64 = 2;
constexpr std::uint8_t kLittleEndian = 1;
constexpr std::uint32_t kLoadSegment = 1;         // PT_LOAD
constexpr std::uint32_t kNoBits = 8;              // SHT_NOBITS: no file contents
constexpr std::uint64_t kCompressed = 0x800;      // SHF_COMPRESSED
constexpr std::uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX, PN_XNUM
constexpr std::uint64_t kPageMask = ~std::uint64_t{4095};

struct SectionHeader {
  std::uint32_t name;
  std::uint32_t type;
  std::uint64_t flags;
  std::uint64_t offset;
  std::uint64_t size;
  std::uint32_t link;
  std::uint32_t info;
};

SectionHeader DecodeSection(const std::uint8_t* p) {
  return {Le32(p),      Le32(p + 4),  Le64(p + 8), Le64(p + 24),
          Le64(p + 32), Le32(p + 40), Le32(p + 44)};
}

// A table of count entries of entry_size bytes at offset, lying wholly
// inside the file.
bool TableFits(const TExeFile& exe, std::uint64_t offset, std::uint64_t count,
               std::uint64_t entry_size) {
  std::uint64_t size = static_cast<std::uint64_t>(exe.size);
  return offset <= size && count <= (size - offset) / entry_size;
}

bool ReadSection(TExeFile& exe, std::uint64_t index, SectionHeader& header) {
  std::uint8_t raw[kSectionHeaderSize];
  if (!ReadExeBytes(exe, exe.sechdrofs + static_cast<std::int64_t>(index) * kSectionHeaderSize, raw,
                    kSectionHeaderSize)) {
    return false;
  }
  header = DecodeSection(raw);
  return true;
}

// The lowest loadable segment's address, rounded down to its page; 0 for a
// file without loadable segments.
bool FindImageBase(TExeFile& exe, std::uint64_t phoff, std::uint64_t phnum) {
  std::uint64_t lowest = UINT64_MAX;
  constexpr std::uint64_t kBatch = TExeFile::kBufferSize / kProgramHeaderSize;
  for (std::uint64_t first = 0; first < phnum; first += kBatch) {
    std::uint64_t batch = phnum - first < kBatch ? phnum - first : kBatch;
    if (!ReadExeBytes(exe, static_cast<std::int64_t>(phoff + first * kProgramHeaderSize), exe.buf,
                      static_cast<std::int64_t>(batch * kProgramHeaderSize))) {
      return false;
    }
    for (std::uint64_t i = 0; i < batch; ++i) {
      const std::uint8_t* ph = exe.buf + i * kProgramHeaderSize;
      if (Le32(ph) == kLoadSegment && Le64(ph + 16) < lowest) lowest = Le64(ph + 16);
    }
  }
  exe.processaddress = lowest == UINT64_MAX ? 0 : lowest & kPageMask;
  return true;
}

}  // namespace

bool OpenElf64(TExeFile& exe) {
  std::uint8_t header[kElfHeaderSize];
  if (!ReadExeBytes(exe, 0, header, kElfHeaderSize)) return false;
  if (header[4] != kClass64 || header[5] != kLittleEndian) return false;
  std::uint64_t phoff = Le64(header + 32);
  std::uint64_t shoff = Le64(header + 40);
  std::uint16_t phentsize = Le16(header + 54);
  std::uint64_t phnum = Le16(header + 56);
  std::uint16_t shentsize = Le16(header + 58);
  std::uint64_t shnum = Le16(header + 60);
  std::uint64_t shstrndx = Le16(header + 62);
  if (shoff == 0) return false;  // no section table: nothing to find
  if (shentsize != kSectionHeaderSize || !TableFits(exe, shoff, 1, kSectionHeaderSize)) {
    return false;
  }
  exe.sechdrofs = static_cast<std::int64_t>(shoff);
  // Counts too large for their fields are kept in section 0.
  SectionHeader first;
  if (!ReadSection(exe, 0, first)) return false;
  if (shnum == 0) shnum = first.size;
  if (shstrndx == kExtendedIndex) shstrndx = first.link;
  if (phnum == kExtendedIndex) phnum = first.info;
  if (!TableFits(exe, shoff, shnum, kSectionHeaderSize) || shstrndx >= shnum) return false;
  exe.nsects = static_cast<std::int64_t>(shnum);
  SectionHeader names;
  if (!ReadSection(exe, shstrndx, names) || names.type == kNoBits ||
      !TableFits(exe, names.offset, names.size, 1)) {
    return false;
  }
  exe.secstrofs = static_cast<std::int64_t>(names.offset);
  exe.secstrlen = static_cast<std::int64_t>(names.size);
  if (phnum != 0 &&
      (phentsize != kProgramHeaderSize || !TableFits(exe, phoff, phnum, kProgramHeaderSize))) {
    return false;
  }
  return FindImageBase(exe, phoff, phnum);
}

bool FindSectionElf64(TExeFile& exe, std::string_view name, StoredSection& found) {
  constexpr std::int64_t kBatch = TExeFile::kBufferSize / kSectionHeaderSize;
  // The wanted name and its NUL must fit in the string table after the
  // entry's offset.
  std::int64_t want = static_cast<std::int64_t>(name.size()) + 1;
  // A name table that fits the buffer is read once; a larger one entry by
  // entry.
  bool names_in_buffer = exe.secstrlen <= TExeFile::kBufferSize;
  if (names_in_buffer && !ReadExeBytes(exe, exe.secstrofs, exe.buf, exe.secstrlen)) return false;
  char entry_name[256];
  if (want > static_cast<std::int64_t>(sizeof entry_name)) return false;
  for (std::int64_t first = 0; first < exe.nsects; first += kBatch) {
    std::int64_t batch = exe.nsects - first < kBatch ? exe.nsects - first : kBatch;
    std::uint8_t headers[TExeFile::kBufferSize];
    if (!ReadExeBytes(exe, exe.sechdrofs + first * kSectionHeaderSize, headers,
                      batch * kSectionHeaderSize)) {
      return false;
    }
    for (std::int64_t i = 0; i < batch; ++i) {
      SectionHeader section = DecodeSection(headers + i * kSectionHeaderSize);
      if (section.name > exe.secstrlen || want > exe.secstrlen - section.name) continue;
      if (names_in_buffer) {
        std::memcpy(entry_name, exe.buf + section.name, static_cast<std::size_t>(want));
      } else if (!ReadExeBytes(exe, exe.secstrofs + section.name, entry_name, want)) {
        continue;
      }
      if (std::memcmp(entry_name, name.data(), name.size()) != 0 || entry_name[name.size()] != 0) {
        continue;
      }
      // The first section of the name decides; it must have its bytes in
      // the file.
      if (section.type == kNoBits || !TableFits(exe, section.offset, section.size, 1)) {
        return false;
      }
      found.offset = static_cast<std::int64_t>(section.offset);
      found.length = static_cast<std::int64_t>(section.size);
      found.compressed = (section.flags & kCompressed) != 0;
      return true;
    }
  }
  return false;
}

}  // namespace rt
