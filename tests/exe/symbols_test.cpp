// Function symbols by address: real files against nm; built PE and ELF tables, sound and damaged.
#include "exe/symbols.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "base/byte_order.h"
#include "tests/exe/exe_test.h"

namespace {

using exe_test::Bytes;
using Name = std::optional<std::string>;

// The name found in the image through a buffer of room bytes; "cut:" marks a cut one.
Name Symbol(const Bytes& image, std::uint64_t address, std::size_t room = 4096) {
  rt::TExeFile exe;
  EXPECT_TRUE(rt::OpenExeFile(exe, testing_support::WriteScratchFile("image", image)));
  std::string name(room, '\0');
  rt::SymbolName r = rt::FindFunctionSymbol(exe, address, name);
  EXPECT_EQ(r.io_error | rt::CloseExeFile(exe).io_error, 0);
  return r.found ? Name((r.cut ? "cut:" : "") + name.substr(0, r.length)) : std::nullopt;
}

// Programs and a library, with debug information, without, and stripped to dynamic symbols: each
// sized symbol's first, middle, last and next byte lie in a function nm lists there, or in none.
TEST(SymbolRealTest, AsNmSays) {
  const std::string so = "-O2 -fPIC -shared", out = testing_support::ScratchDir() + "/symbols";
  // The build's own objcopy, which knows its target's files.
  const std::string objcopy = exe_test::Env("OBJCOPY", "objcopy");
  const std::pair<std::string, std::string> kCases[] = {
      {"-O0", "true"}, {"-O2", "true"}, {"-O2", "--strip-debug"},
      {so, "true"},    {so, "strip"},   {"-O2 -rdynamic", "strip"}};
  for (auto [flags, strip] : kCases) {
    SCOPED_TRACE(flags + " " + strip);
    std::string how = strip == "true"    ? "true"
                      : strip == "strip" ? objcopy + " --strip-all"
                                         : objcopy + " " + strip;
    exe_test::Run("cp " + exe_test::Program(flags) + " " + out + " && " + how + " " + out);
    const Bytes image = testing_support::ReadWholeFile(out);
    std::vector<std::tuple<std::uint64_t, std::uint64_t, bool, std::string>> symbols;
    std::istringstream nm(
        exe_test::Run("nm -S --size-sort --defined-only " + out + (strip == "strip" ? " -D" : "")));
    for (std::string value, size, type, name; nm >> value >> size >> type >> name;) {
      symbols.emplace_back(std::stoull(value, nullptr, 16), std::stoull(size, nullptr, 16),
                           std::string("TtWwi").find(type) != std::string::npos, name);
    }
    ASSERT_FALSE(symbols.empty());
    for (const auto& [value, size, function, ignored] : symbols) {
      for (std::uint64_t at : {value, value + size / 2, value + size - 1, value + size}) {
        Name name = Symbol(image, at);
        bool held = false, named = !name;
        for (const auto& [g_value, g_size, g_function, g_name] : symbols) {
          if (g_function && at - g_value < g_size) held = true, named = named || name == g_name;
        }
        EXPECT_TRUE(named && held == name.has_value())
            << std::hex << at << " " << name.value_or("");
      }
    }
    EXPECT_EQ(Symbol(image, 0xFFFFFFFF0000), std::nullopt);  // beyond the image
  }
}

// .text (0x1000, 64 bytes): "a", static "b_static" at 0x10 (an auxiliary record like a function
// at 0x18), a long name at 0x20 and an alias, an object at 0x30, a bad name at 0x38; .data: "d".
TEST(SymbolPeTest, NearestFunctionBelowInItsSection) {
  auto coff = [](Bytes name, int value, int section, int type, int storage, int aux = 0) {
    return (name + Bytes(8, '\0')).substr(0, 8) +
           Bytes{char(value), 0, 0, 0, char(section), 0, char(type), 0, char(storage), char(aux)};
  };
  testing_support::PeImage pe;
  pe.sections = {{".text", Bytes(64, '\xC3')}, {".data", "data"}};
  const std::string l(300, 'L');
  pe.extra_strings = {l};
  pe.symbols = coff("a", 0, 1, 0x20, 2) + coff("b_static", 0x10, 1, 0x20, 3, 1) +
               coff("aux", 0x18, 1, 0x20, 2) +
               coff(Bytes("\0\0\0\0\4\0\0\0", 8), 0x20, 1, 0x20, 2) +
               coff("alias", 0x20, 1, 0x20, 3) + coff("obj", 0x30, 1, 0, 2) +
               coff(Bytes("\0\0\0\0\xE7\3\0\0", 8), 0x38, 1, 0x20, 2) + coff("d", 0, 2, 0x20, 2);
  pe.symbol_count = 8;
  const std::pair<std::uint32_t, Name> kCases[] = {
      {0x1000, "a"}, {0x100F, "a"}, {0x1010, "b_static"}, {0x1018, "b_static"}, {0x1020, l},
      {0x103F, l},   {0x1040, {}},  {0xFFF, {}},          {0x2003, "d"},        {0x2004, {}}};
  for (auto [rva, name] : kCases) {
    EXPECT_EQ(Symbol(pe.Build(), pe.image_base + rva), name) << std::hex << rva;
  }
  EXPECT_EQ(Symbol(pe.Build(), pe.image_base + 0x1020, 99), "cut:" + l.substr(0, 99));
}

// .symtab (section 2) holds a local (its name without a NUL), a weak (long-named) and a global
// function of 16 bytes at 0x401000 (symbols 1 to 3). Each case puts a 16-bit value at an offset
// into the symbols or, when negative, into the section header of .symtab.
TEST(SymbolElfTest, BindingsAndDamage) {
  auto symbol = [](int name, char info) {
    return Bytes{char(name), char(name >> 8), 0, 0, info, 0, 1, 0, 0, 0x10, 0x40} + Bytes(5, 0) +
           '\x10' + Bytes(7, 0);
  };
  const std::string weak(4000, 'w');
  testing_support::ElfImage elf;
  elf.sections = {
      {".text", testing_support::kProgBits, 6, Bytes(32, '\xC3')},
      {".symtab", 2, 0, Bytes(24, '\0') + symbol(4007, 2) + symbol(6, 0x22) + symbol(1, 0x12)},
      {".strtab", 3, 0, Bytes("\0main\0", 6) + weak + Bytes("\0local", 6)}};
  elf.sections[1].link = 3, elf.sections[1].entry_size = 24;
  const Bytes built = elf.Build();
  const auto* raw = reinterpret_cast<const std::uint8_t*>(built.data());
  const std::size_t header = rt::Le64(raw + 40) + 128, symbols = rt::Le64(raw + header + 24);
  const std::tuple<int, int, Name> kCases[] = {
      {0, 0, "main"},     {76, 0x22, weak}, {76, 0x1A, "main"}, {76, 0x10, weak},
      {78, 0xFFF1, weak}, {78, 0, weak},    {88, 0, weak},      {72, 4013, weak},
      {-40, 99, {}},      {-40, 1, {}},     {-56, 0, {}},       {-56, 25, {}},
      {-36, 1, {}},       {-8, 0x800, {}},  {-4, 11, "main"},   {28, 0x12, {}}};
  for (auto [at, value, name] : kCases) {
    Bytes image = built;
    testing_support::Put16(image, at < 0 ? header - at : symbols + at, std::uint16_t(value));
    EXPECT_EQ(Symbol(image, 0x401008), name) << at << " " << value;
  }
}

}  // namespace
