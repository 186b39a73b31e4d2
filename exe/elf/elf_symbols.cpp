// ELF64 function symbols: the symbol table the static linker leaves (or the
// dynamic one where the file was stripped of it), searched entry by entry
// for the function whose range holds an address.
#include <cstdint>

#include "base/byte_order.h"
#include "exe/elf/elf.h"
#include "exe/elf/elf_section_header.h"
#include "exe/table_reader.h"

namespace rt {

namespace {

constexpr std::int64_t kSymbolSize = 24;
constexpr std::uint32_t kSymbolTable = 2;    // SHT_SYMTAB
constexpr std::uint32_t kStringTable = 3;    // SHT_STRTAB
constexpr std::uint32_t kDynamicTable = 11;  // SHT_DYNSYM
constexpr std::uint8_t kFunction = 2;        // STT_FUNC
constexpr std::uint8_t kIndirect = 10;       // STT_GNU_IFUNC: a resolver, named as its function
constexpr std::uint16_t kReserved = 0xFF00;  // SHN_LORESERVE: ABS, COMMON and the like
constexpr std::uint16_t kExtendedIndex = 0xFFFF;  // SHN_XINDEX: defined, index kept elsewhere

// A symbol table that can be searched: entries of the one size this reader
// knows, and a string table, all stored plainly inside the file.
bool Searchable(TExeFile& exe, const ElfSectionHeader& table, ElfSectionHeader& strings) {
  auto stored = [&](const ElfSectionHeader& s, std::uint64_t entry_size) {
    return s.type != kElfNoBits && (s.flags & kElfCompressed) == 0 && s.size % entry_size == 0 &&
           ElfTableFits(exe, s.offset, s.size / entry_size, entry_size);
  };
  return table.entry_size == kSymbolSize && stored(table, kSymbolSize) &&
         table.link < static_cast<std::uint64_t>(exe.section_count) &&
         ReadElfSection(exe, table.link, strings) && strings.type == kStringTable &&
         stored(strings, 1);
}

// The full symbol table, or the dynamic one where there is none that can
// be searched; false for a file with neither.
bool FindTables(TExeFile& exe, ElfSectionHeader& table, ElfSectionHeader& strings) {
  ElfSectionHeader found[2] = {};
  bool seen[2] = {false, false};
  ForEachEntry(exe, exe.section_headers, exe.section_count, kElfSectionHeaderSize,
               [&](const std::uint8_t* raw) {
                 ElfSectionHeader s = DecodeElfSection(raw);
                 int kind = s.type == kSymbolTable ? 0 : s.type == kDynamicTable ? 1 : -1;
                 if (kind >= 0 && !seen[kind]) {
                   found[kind] = s;
                   seen[kind] = true;
                 }
                 return seen[0];
               });
  for (int kind : {0, 1}) {
    if (seen[kind] && Searchable(exe, found[kind], strings)) {
      table = found[kind];
      return true;
    }
  }
  return false;
}

// Of the function symbols that hold an address, as the entries go by: a
// global one first (the name callers wrote), then a weak one (a library's
// default), then a local one (a file's own), then any other (unique and the
// like); of equals, the first in the table.
struct Best {
  std::uint64_t address;
  std::uint64_t strings_size;
  std::uint32_t name = 0;  // 0 while none is found
  int rank = 4;

  static int RankOf(std::uint8_t binding) {
    return binding == 1 ? 0 : binding == 2 ? 1 : binding == 0 ? 2 : 3;
  }

  // True once nothing later can be better.
  bool Consider(const std::uint8_t* symbol) {
    std::uint32_t name_offset = Le32(symbol);
    std::uint8_t type = symbol[4] & 0xF;
    std::uint16_t section = Le16(symbol + 6);
    std::uint64_t value = Le64(symbol + 8), size = Le64(symbol + 16);
    bool defined = section != 0 && (section < kReserved || section == kExtendedIndex);
    if ((type == kFunction || type == kIndirect) && defined && name_offset != 0 &&
        name_offset < strings_size && address >= value && address - value < size &&
        RankOf(symbol[4] >> 4) < rank) {
      rank = RankOf(symbol[4] >> 4);
      name = name_offset;
    }
    return rank == 0;
  }
};

}  // namespace

bool FindSymbolElf64(TExeFile& exe, std::uint64_t address, ExeNamePlace& name) {
  ElfSectionHeader table, strings;
  if (!FindTables(exe, table, strings)) return false;
  Best best{address, strings.size};
  ForEachEntry(exe, static_cast<std::int64_t>(table.offset),
               static_cast<std::int64_t>(table.size / kSymbolSize), kSymbolSize,
               [&](const std::uint8_t* symbol) { return best.Consider(symbol); });
  if (best.name == 0) return false;
  name.offset = static_cast<std::int64_t>(strings.offset + best.name);
  name.limit = static_cast<std::int64_t>(strings.size - best.name);
  name.fills_field = false;
  return true;
}

}  // namespace rt
