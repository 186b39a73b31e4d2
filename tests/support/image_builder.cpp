#include "tests/support/image_builder.h"

#include <fstream>
#include <iterator>

namespace testing_support {

namespace {

void Grow(Bytes& b, std::size_t at, std::size_t n) {
  if (b.size() < at + n) b.resize(at + n, '\0');
}

void PutBytes(Bytes& b, std::size_t at, const std::string& s) {
  Grow(b, at, s.size());
  b.replace(at, s.size(), s);
}

void Align(Bytes& b, std::size_t to) {
  b.resize((b.size() + to - 1) / to * to, '\0');
}

}  // namespace

void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int width) {
  Grow(b, at, width);
  // Bytes beyond the value's eight are zero.
  for (int i = 0; i < width; ++i) b[at + i] = i < 8 ? static_cast<char>(v >> (8 * i)) : '\0';
}

Bytes DebugLinkSection(const std::string& name, std::uint32_t crc) {
  Bytes b = name + '\0';
  Align(b, 4);
  Put32(b, b.size(), crc);
  return b;
}

Bytes PeImage::Build() const {
  constexpr std::size_t kHeaders = 128, kOptional = kHeaders + 24, kTable = kOptional + 240;
  Bytes strings(4, '\0');
  std::vector<std::string> header_names;
  for (const PeSection& s : sections) {
    if (s.header_name) {
      header_names.push_back(*s.header_name);
    } else if (s.name.size() <= 8) {
      header_names.push_back(s.name);
    } else {
      header_names.push_back("/" + std::to_string(strings.size()));
      strings += s.name + '\0';
    }
  }
  for (const std::string& s : extra_strings) strings += s + '\0';
  if (!strings_terminated) strings.pop_back();
  Put32(strings, 0, static_cast<std::uint32_t>(strings.size()));

  Bytes b = "MZ";
  Put32(b, 60, static_cast<std::uint32_t>(e_lfanew));
  Put32(b, kHeaders, signature);
  Put16(b, kHeaders + 4, 0x8664);
  Put16(b, kHeaders + 6, section_count.value_or(static_cast<std::uint16_t>(sections.size())));
  Put32(b, kHeaders + 16, symbol_count);
  Put16(b, kHeaders + 20, 240);
  Put16(b, kOptional, 0x20B);
  Put64(b, kOptional + 24, image_base);
  Grow(b, kTable, 40 * sections.size());
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const PeSection& s = sections[i];
    Align(b, 16);
    std::size_t header = kTable + 40 * i;
    Bytes name = header_names[i].substr(0, 8);
    PutBytes(b, header, name);
    auto length = static_cast<std::uint32_t>(s.data.size());
    Put32(b, header + 8, s.virtual_size.value_or(length));
    Put32(b, header + 12, static_cast<std::uint32_t>(0x1000 * (i + 1)));  // VirtualAddress
    Put32(b, header + 16, s.raw_size.value_or(length));
    Put32(b, header + 20, s.raw_offset.value_or(static_cast<std::uint32_t>(b.size())));
    b += s.data;
  }
  Align(b, 4);
  Put32(b, kHeaders + 12, symbol_table.value_or(static_cast<std::uint32_t>(b.size())));
  b += symbols.empty() ? Bytes(18 * symbol_count, '\0') : symbols;
  return b + strings;
}

Bytes ElfImage::Build() const {
  std::string names = std::string(1, '\0') + ".shstrtab" + '\0';
  std::vector<std::uint32_t> name_at;
  for (const ElfSection& s : sections) {
    name_at.push_back(static_cast<std::uint32_t>(names.size()));
    names += s.name + '\0';
  }
  if (!names_terminated) names.pop_back();

  Bytes b =
      "\x7F"
      "ELF";
  b += static_cast<char>(elf_class);
  b += static_cast<char>(encoding);
  b += '\1';
  Put16(b, 16, 2);   // executable
  Put16(b, 18, 62);  // x86-64
  Put32(b, 20, 1);
  Put64(b, 32, 64);
  Put16(b, 52, 64);
  Put16(b, 54, 56);
  Put16(b, 56, static_cast<std::uint16_t>(load_addresses.size()));
  for (std::size_t i = 0; i < load_addresses.size(); ++i) {
    std::size_t ph = 64 + 56 * i;
    Put32(b, ph, 1);  // PT_LOAD
    Put64(b, ph + 16, load_addresses[i]);
    Put64(b, ph + 24, load_addresses[i]);
    Put64(b, ph + 48, 4096);
  }
  std::vector<std::uint64_t> data_at;
  for (const ElfSection& s : sections) {
    Align(b, 8);
    data_at.push_back(b.size());
    b += s.data;
  }
  std::uint64_t names_offset = b.size();
  b += names;
  Align(b, 8);
  std::uint64_t table = b.size();
  std::uint64_t count = sections.size() + 2;
  b.append(64 * count, '\0');
  Put64(b, table + 32, section0_size.value_or(extended_numbering ? count : 0));
  if (extended_numbering) Put32(b, table + 40, static_cast<std::uint32_t>(count - 1));
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const ElfSection& s = sections[i];
    std::size_t h = table + 64 * (i + 1);
    Put32(b, h, s.name_offset.value_or(name_at[i]));
    Put32(b, h + 4, s.type);
    Put64(b, h + 8, s.flags);
    Put64(b, h + 24, s.offset.value_or(data_at[i]));
    Put64(b, h + 32, s.size.value_or(s.data.size()));
    Put32(b, h + 40, s.link);
    Put64(b, h + 56, s.entry_size);
  }
  std::size_t last = table + 64 * (count - 1);
  Put32(b, last, 1);
  Put32(b, last + 4, 3);  // SHT_STRTAB
  Put64(b, last + 24, names_offset);
  Put64(b, last + 32, names.size());
  Put64(b, 40, shoff.value_or(table));
  Put16(b, 58, shentsize.value_or(64));
  Put16(b, 60, shnum.value_or(extended_numbering ? 0 : static_cast<std::uint16_t>(count)));
  Put16(b, 62,
        shstrndx.value_or(extended_numbering ? 0xFFFF : static_cast<std::uint16_t>(count - 1)));
  return b;
}

Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace testing_support
