// One ".debug_line" unit built byte by byte: the header of each version with
// knobs that break single fields, the directory and file tables (listed, or
// described by entry formats with the string sections they point into), and
// a program put together opcode by opcode.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/image_builder.h"

namespace testing_support {

// Forms and content types of described directory and file entries.
inline constexpr std::uint16_t kFormString = 0x08, kFormLineStrp = 0x1F, kFormStrp = 0x0E,
                               kFormUdata = 0x0F, kFormData1 = 0x0B, kFormData2 = 0x05,
                               kFormData4 = 0x06, kFormData8 = 0x07, kFormData16 = 0x1E,
                               kFormBlock = 0x09, kFormFlagPresent = 0x19;
inline constexpr std::uint16_t kContentPath = 1, kContentDirectory = 2, kContentTimestamp = 3,
                               kContentSize = 4, kContentMd5 = 5;

void PutUleb(Bytes& b, std::uint64_t v);
void PutSleb(Bytes& b, std::int64_t v);

struct LineFileEntry {
  std::string name;
  std::uint64_t directory = 0, mtime = 0, size = 0;
};
// Pairs of content type and form.
using EntryFormat = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

// The string sections that described names point into, shared by the units
// of one section.
struct LineStrings {
  Bytes line_str, str;
};

struct LineUnit {
  // Header. Versions below 5 take the listed tables; 5 and above the
  // described ones. Version 4 and above carry max_ops.
  std::uint16_t version = 2;
  bool is64 = false;
  std::uint8_t min_inst_length = 1, max_ops = 1, default_is_stmt = 1;
  std::int8_t line_base = -5;
  std::uint8_t line_range = 14, opcode_base = 13;
  // Entries 1 .. opcode_base-1; default: the standard lengths, 0 above 12.
  std::optional<std::vector<std::uint8_t>> opcode_lengths;
  std::uint8_t address_size = 8, segment_selector_size = 0;
  std::vector<std::string> dirs;  // listed: index 1 onwards; described: index 0 onwards
  std::vector<LineFileEntry> files;
  EntryFormat dir_format = {{kContentPath, kFormString}};
  EntryFormat file_format = {{kContentPath, kFormString}, {kContentDirectory, kFormUdata}};
  Bytes header_extra;  // after the tables, counted in header_length
  std::optional<std::uint64_t> header_length, unit_length;  // default: the true ones
  Bytes program;

  LineUnit& Raw(const Bytes& bytes) {
    program += bytes;
    return *this;
  }
  LineUnit& Op(std::uint8_t op) { return Raw(Bytes(1, static_cast<char>(op))); }
  LineUnit& Uleb(std::uint64_t v) {
    PutUleb(program, v);
    return *this;
  }
  LineUnit& Sleb(std::int64_t v) {
    PutSleb(program, v);
    return *this;
  }
  // An extended opcode; its stated length defaults to the true one.
  LineUnit& Extended(std::uint8_t sub, const Bytes& payload,
                     std::optional<std::uint64_t> stated = std::nullopt);
  LineUnit& EndSequence() { return Extended(1, ""); }
  LineUnit& SetAddress(std::uint64_t address, int width = 8);
  LineUnit& DefineFile(const std::string& name, std::uint64_t directory = 0);
  LineUnit& Copy() { return Op(1); }
  LineUnit& AdvancePc(std::uint64_t n) { return Op(2).Uleb(n); }
  LineUnit& AdvanceLine(std::int64_t n) { return Op(3).Sleb(n); }
  LineUnit& SetFile(std::uint64_t n) { return Op(4).Uleb(n); }
  LineUnit& SetColumn(std::uint64_t n) { return Op(5).Uleb(n); }
  LineUnit& NegateStmt() { return Op(6); }
  LineUnit& SetBasicBlock() { return Op(7); }
  LineUnit& ConstAddPc() { return Op(8); }
  LineUnit& FixedAdvancePc(std::uint16_t n) { return Op(9).Raw({char(n), char(n >> 8)}); }
  LineUnit& SetPrologueEnd() { return Op(10); }
  LineUnit& SetEpilogueBegin() { return Op(11); }
  LineUnit& SetIsa(std::uint64_t n) { return Op(12).Uleb(n); }
  // The special opcode for these steps (operations, lines); throws when the
  // header's line_base, line_range and opcode_base cannot express them.
  LineUnit& Special(std::uint64_t operations, std::int64_t lines);

  // The whole unit, length field first; described names are added to strings.
  Bytes Build(LineStrings& strings) const;
};

// Units one after another, with the string sections they share.
struct LineSection {
  Bytes line;
  LineStrings strings;
  LineSection& Add(const LineUnit& unit) {
    line += unit.Build(strings);
    return *this;
  }
  LineSection& AddRaw(const Bytes& bytes) {
    line += bytes;
    return *this;
  }
  // A small ELF file (loaded at 0x400000) holding the sections.
  Bytes Elf() const;
};

}  // namespace testing_support
