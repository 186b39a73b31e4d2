// PE32+ function symbols: the COFF symbol table that an image keeps unless
// it is stripped. It gives no sizes, so an address belongs to the function
// that starts nearest below it in its section.
#include <cstdint>

#include "base/byte_order.h"
#include "exe/pe/pe.h"
#include "exe/table_reader.h"

namespace rt {

namespace {

constexpr std::int64_t kFileHeaderSize = 20;
constexpr std::int64_t kSectionHeaderSize = 40;
constexpr std::int64_t kSymbolSize = 18;
constexpr std::int64_t kShortName = 8;
constexpr std::uint8_t kExternal = 2;   // IMAGE_SYM_CLASS_EXTERNAL
constexpr std::uint8_t kStatic = 3;     // IMAGE_SYM_CLASS_STATIC
constexpr std::uint16_t kFunction = 2;  // the derived type "function returning"

// The 1-based number of the section that holds an offset from the image
// base, and the offset from the section's start; 0 when none does.
std::int64_t SectionHolding(TExeFile& exe, std::uint64_t rva, std::uint64_t& offset) {
  std::int64_t index = ForEachEntry(
      exe, exe.section_headers, exe.section_count, kSectionHeaderSize, [&](const std::uint8_t* h) {
        std::uint64_t size = Le32(h + 8) != 0 ? Le32(h + 8) : Le32(h + 16);
        offset = rva - Le32(h + 12);
        return rva >= Le32(h + 12) && offset < size;
      });
  return index + 1;
}

// The length of the string table after the symbols, or 0 where it does not
// lie inside the file.
std::int64_t StringTableLength(TExeFile& exe) {
  std::uint8_t raw[4];
  if (exe.size - exe.section_names < 4 || !ReadExeBytes(exe, exe.section_names, raw, 4)) return 0;
  std::int64_t length = Le32(raw);
  return length >= 4 && length <= exe.size - exe.section_names ? length : 0;
}

// Where a symbol record's name lies: in its own 8 bytes, or in the string
// table when those start with four zeros; false for an offset outside it.
bool NameOf(const std::uint8_t* record, std::int64_t record_offset, std::int64_t strings_start,
            std::int64_t strings_length, ExeNamePlace& name) {
  if (Le32(record) != 0) {
    name = {record_offset, kShortName, true};
    return true;
  }
  std::int64_t at = Le32(record + 4);
  if (at < 4 || at >= strings_length) return false;
  name = {strings_start + at, strings_length - at, false};
  return true;
}

// The function symbol that starts nearest below an offset into one
// section, as the records go by; of two at the same place, an external one
// before a static one, then the first.
struct Nearest {
  std::int64_t strings_start = 0, strings_length = 0;
  std::int64_t section = 0;
  std::uint64_t offset = 0;
  std::uint32_t value = 0;
  std::uint8_t storage = 0;  // 0 while none is found
  ExeNamePlace name;

  void Consider(const std::uint8_t* record, std::int64_t record_offset) {
    std::uint32_t at = Le32(record + 8);
    auto number = static_cast<std::int16_t>(Le16(record + 12));
    std::uint8_t kind = record[16];
    bool function = (Le16(record + 14) >> 4 & 3) == kFunction;
    bool better =
        storage == 0 || at > value || (at == value && kind == kExternal && storage == kStatic);
    if (number == section && function && (kind == kExternal || kind == kStatic) && at <= offset &&
        better && NameOf(record, record_offset, strings_start, strings_length, name)) {
      value = at;
      storage = kind;
    }
  }
};

}  // namespace

bool FindSymbolCOFF(TExeFile& exe, std::uint64_t address, ExeNamePlace& name) {
  std::uint8_t header[kFileHeaderSize];
  if (!ReadExeBytes(exe, CoffFileHeader(exe), header, kFileHeaderSize)) return false;
  std::int64_t table = Le32(header + 8), count = Le32(header + 12);
  if (table == 0 || count == 0 || count > (exe.size - table) / kSymbolSize ||
      address < exe.image_base) {
    return false;
  }
  Nearest nearest;
  nearest.strings_start = exe.section_names;
  nearest.strings_length = StringTableLength(exe);
  nearest.section = SectionHolding(exe, address - exe.image_base, nearest.offset);
  if (nearest.section <= 0) return false;
  std::int64_t index = 0, aux = 0;
  ForEachEntry(exe, table, count, kSymbolSize, [&](const std::uint8_t* record) {
    // Auxiliary records describe the record before them.
    if (aux > 0) {
      --aux;
    } else {
      aux = record[17];
      nearest.Consider(record, table + index * kSymbolSize);
    }
    ++index;
    return false;
  });
  name = nearest.name;
  return nearest.storage != 0;
}

}  // namespace rt
