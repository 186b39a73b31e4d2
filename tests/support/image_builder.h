// Executable images built byte by byte, with knobs that break single fields,
// and scratch files to put them in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace testing_support {

using Bytes = std::string;

// Little-endian fields; the bytes grow to hold them.
void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int width);
inline void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
  PutLe(b, at, v, 2);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
  PutLe(b, at, v, 4);
}
inline void Put64(Bytes& b, std::size_t at, std::uint64_t v) {
  PutLe(b, at, v, 8);
}
// The ".gnu_debuglink" contents: name, NUL, padding to 4, CRC-32.
Bytes DebugLinkSection(const std::string& name, std::uint32_t crc);

struct PeSection {
  std::string name;  // up to 8 bytes go in the header; longer ones into the string table
  Bytes data;
  std::optional<std::string> header_name{};  // the 8 name bytes, written as given
  std::optional<std::uint32_t> virtual_size{}, raw_size{}, raw_offset{};  // default: from data
};

// A PE32+ image: DOS header, signature, COFF file header, 240-byte optional
// header, section headers, raw data, symbol records, string table.
struct PeImage {
  std::vector<PeSection> sections;
  std::uint64_t image_base = 0x140000000;
  std::int32_t e_lfanew = 128;
  std::uint32_t signature = 0x00004550;
  std::optional<std::uint16_t> section_count;
  std::uint32_t symbol_count = 3;
  std::optional<std::uint32_t> symbol_table;  // default: right after the raw data
  std::vector<std::string> extra_strings;     // appended to the string table
  bool strings_terminated = true;             // false: the last string has no NUL
  // The symbol records; default: symbol_count zeroed ones.
  Bytes symbols;
  Bytes Build() const;
};

inline constexpr std::uint32_t kProgBits = 1, kNoBits = 8;
inline constexpr std::uint64_t kShfCompressed = 0x800;

struct ElfSection {
  std::string name;
  std::uint32_t type = kProgBits;
  std::uint64_t flags = 0;
  Bytes data;
  std::optional<std::uint64_t> offset{}, size{};  // default: where and how long data is
  std::optional<std::uint32_t> name_offset{};     // default: its entry in .shstrtab
  std::uint32_t link = 0;
  std::uint64_t entry_size = 0;
};

// An ELF64 file: header, program headers (one PT_LOAD per address), the
// sections' data, .shstrtab and the section headers. Section 0 is the null
// section and .shstrtab is the last section; its names start with its own.
struct ElfImage {
  std::vector<ElfSection> sections;
  std::vector<std::uint64_t> load_addresses = {0x400000};
  std::uint8_t elf_class = 2, encoding = 1;
  std::optional<std::uint64_t> shoff;
  std::optional<std::uint16_t> shnum, shstrndx, shentsize;
  bool extended_numbering = false;               // counts kept in section 0
  std::optional<std::uint64_t> section0_size{};  // default: the count when extended
  bool names_terminated = true;                  // false: the last name has no NUL
  Bytes Build() const;
};

Bytes ReadWholeFile(const std::string& path);

}  // namespace testing_support
