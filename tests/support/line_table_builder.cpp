#include "tests/support/line_table_builder.h"

#include <stdexcept>

namespace testing_support {

namespace {

const std::uint8_t kStandardLengths[13] = {0, 0, 1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 1};

void Append(Bytes& b, std::uint64_t v, int width) {
  PutLe(b, b.size(), v, width);
}

// A name kept in a string section: its offset there.
std::uint64_t Intern(Bytes& section, const std::string& name) {
  std::uint64_t at = section.size();
  section += name + '\0';
  return at;
}

// One value of a described entry in the given form.
void PutForm(Bytes& b, std::uint16_t form, const std::string& text, std::uint64_t value, bool is64,
             LineStrings& strings) {
  int width = form == kFormData1 ? 1 : form == kFormData2 ? 2 : form == kFormData4 ? 4 : 8;
  if (form == kFormString) {
    b += text + '\0';
  } else if (form == kFormLineStrp || form == kFormStrp) {
    Append(b, Intern(form == kFormStrp ? strings.str : strings.line_str, text), is64 ? 8 : 4);
  } else if (form == kFormUdata) {
    PutUleb(b, value);
  } else if (form == kFormData1 || form == kFormData2 || form == kFormData4 || form == kFormData8) {
    Append(b, value, width);
  } else if (form == kFormData16) {
    Append(b, value, 8);
    Append(b, ~value, 8);
  } else if (form == kFormBlock) {
    PutUleb(b, 3);
    b += "\x01\x02\x03";
  } else if (form != kFormFlagPresent) {  // which takes no bytes
    throw std::invalid_argument("form " + std::to_string(form));
  }
}

void PutEntries(Bytes& b, const EntryFormat& format, const std::vector<LineFileEntry>& entries,
                bool is64, LineStrings& strings) {
  b += static_cast<char>(format.size());
  for (const auto& [type, form] : format) {
    PutUleb(b, type);
    PutUleb(b, form);
  }
  PutUleb(b, entries.size());
  for (const LineFileEntry& e : entries) {
    for (const auto& [type, form] : format) {
      std::uint64_t value = type == kContentDirectory   ? e.directory
                            : type == kContentTimestamp ? e.mtime
                            : type == kContentSize      ? e.size
                                                        : 0x0123456789ABCDEF;
      PutForm(b, form, type == kContentPath ? e.name : "", value, is64, strings);
    }
  }
}

}  // namespace

void PutUleb(Bytes& b, std::uint64_t v) {
  do {
    std::uint8_t byte = v & 0x7F;
    v >>= 7;
    b += static_cast<char>(v != 0 ? byte | 0x80 : byte);
  } while (v != 0);
}

void PutSleb(Bytes& b, std::int64_t v) {
  for (;;) {
    std::uint8_t byte = v & 0x7F;
    v >>= 7;  // arithmetic
    bool done = (v == 0 && (byte & 0x40) == 0) || (v == -1 && (byte & 0x40) != 0);
    b += static_cast<char>(done ? byte : byte | 0x80);
    if (done) return;
  }
}

LineUnit& LineUnit::Extended(std::uint8_t sub, const Bytes& payload,
                             std::optional<std::uint64_t> stated) {
  Op(0).Uleb(stated.value_or(payload.size() + 1));
  program += static_cast<char>(sub);
  program += payload;
  return *this;
}

LineUnit& LineUnit::SetAddress(std::uint64_t address, int width) {
  Bytes payload;
  Append(payload, address, width);
  return Extended(2, payload);
}

LineUnit& LineUnit::DefineFile(const std::string& name, std::uint64_t directory) {
  Bytes payload = name + '\0';
  PutUleb(payload, directory);
  PutUleb(payload, 0);
  PutUleb(payload, 0);
  return Extended(3, payload);
}

LineUnit& LineUnit::Special(std::uint64_t operations, std::int64_t lines) {
  std::int64_t adjusted = lines - line_base;
  std::uint64_t op = opcode_base + adjusted + line_range * operations;
  if (adjusted < 0 || adjusted >= line_range || op > 255) {
    throw std::invalid_argument("no special opcode for these steps");
  }
  return Op(static_cast<std::uint8_t>(op));
}

Bytes LineUnit::Build(LineStrings& strings) const {
  Bytes header;  // from minimum_instruction_length to the first opcode
  header += static_cast<char>(min_inst_length);
  if (version >= 4) header += static_cast<char>(max_ops);
  header += static_cast<char>(default_is_stmt);
  header += static_cast<char>(line_base);
  header += static_cast<char>(line_range);
  header += static_cast<char>(opcode_base);
  for (int op = 1; op < opcode_base; ++op) {
    if (opcode_lengths) {
      header += static_cast<char>(
          op <= static_cast<int>(opcode_lengths->size()) ? (*opcode_lengths)[op - 1] : 0);
    } else {
      header += static_cast<char>(op <= 12 ? kStandardLengths[op] : 0);
    }
  }
  if (version < 5) {
    for (const std::string& d : dirs) header += d + '\0';
    header += '\0';
    for (const LineFileEntry& f : files) {
      header += f.name + '\0';
      PutUleb(header, f.directory);
      PutUleb(header, f.mtime);
      PutUleb(header, f.size);
    }
    header += '\0';
  } else {
    std::vector<LineFileEntry> dir_entries;
    for (const std::string& d : dirs) dir_entries.push_back({d});
    PutEntries(header, dir_format, dir_entries, is64, strings);
    PutEntries(header, file_format, files, is64, strings);
  }
  header += header_extra;

  Bytes unit;  // after the unit length
  Append(unit, version, 2);
  if (version >= 5) {
    unit += static_cast<char>(address_size);
    unit += static_cast<char>(segment_selector_size);
  }
  Append(unit, header_length.value_or(header.size()), is64 ? 8 : 4);
  unit += header + program;

  Bytes out;
  if (is64) Append(out, 0xFFFFFFFF, 4);
  Append(out, unit_length.value_or(unit.size()), is64 ? 8 : 4);
  return out + unit;
}

Bytes LineSection::Elf() const {
  ElfImage elf;
  elf.sections = {{".text", kProgBits, 6, Bytes(16, '\x90')},
                  {".debug_line", kProgBits, 0, line},
                  {".debug_line_str", kProgBits, 0, strings.line_str},
                  {".debug_str", kProgBits, 0, strings.str}};
  return elf.Build();
}

}  // namespace testing_support
