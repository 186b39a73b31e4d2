// ELF64 section headers as the readers of the format decode them: the
// section finder and the symbol reader walk the same table.
#pragma once

#include <cstdint>

#include "base/byte_order.h"
#include "exe/exe_file.h"

namespace rt {

inline constexpr std::int64_t kElfSectionHeaderSize = 64;
inline constexpr std::uint32_t kElfNoBits = 8;          // SHT_NOBITS: no file contents
inline constexpr std::uint64_t kElfCompressed = 0x800;  // SHF_COMPRESSED

struct ElfSectionHeader {
  std::uint32_t name;
  std::uint32_t type;
  std::uint64_t flags;
  std::uint64_t address;
  std::uint64_t offset;
  std::uint64_t size;
  std::uint32_t link;
  std::uint32_t info;
  std::uint64_t entry_size;
};

inline ElfSectionHeader DecodeElfSection(const std::uint8_t* p) {
  return {Le32(p),      Le32(p + 4),  Le64(p + 8),  Le64(p + 16), Le64(p + 24),
          Le64(p + 32), Le32(p + 40), Le32(p + 44), Le64(p + 56)};
}

// A table of count entries of entry_size bytes at offset, lying wholly
// inside the file.
inline bool ElfTableFits(const TExeFile& exe, std::uint64_t offset, std::uint64_t count,
                         std::uint64_t entry_size) {
  std::uint64_t size = static_cast<std::uint64_t>(exe.size);
  return offset <= size && count <= (size - offset) / entry_size;
}

// The header of the section of that index in the table at
// exe.section_headers; false when its read fails.
inline bool ReadElfSection(TExeFile& exe, std::uint64_t index, ElfSectionHeader& header) {
  std::uint8_t raw[kElfSectionHeaderSize];
  std::int64_t at = exe.section_headers + static_cast<std::int64_t>(index) * kElfSectionHeaderSize;
  if (!ReadExeBytes(exe, at, raw, kElfSectionHeaderSize)) return false;
  header = DecodeElfSection(raw);
  return true;
}

}  // namespace rt
