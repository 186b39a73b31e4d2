// Function symbols by address: real programs and libraries against nm, and
// byte-built PE and ELF tables, sound and damaged.
#include "exe/symbols.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <sstream>

#include "tests/exe/exe_test.h"

namespace {

using exe_test::Bytes;
using exe_test::Quote;
using testing_support::Put16;
using testing_support::Put32;
using testing_support::Put64;

// The name FindFunctionSymbol gives, through a name buffer of that size.
std::optional<std::string> Symbol(const std::string& path, std::uint64_t address,
                                  std::size_t room = 4096, bool* cut = nullptr) {
  rt::TExeFile exe;
  if (!rt::OpenExeFile(exe, path)) throw std::runtime_error("not an image: " + path);
  std::string name(room, '\0');
  rt::SymbolName r = rt::FindFunctionSymbol(exe, address, name);
  EXPECT_EQ(r.io_error, 0);
  rt::CloseExeFile(exe);
  if (cut != nullptr) *cut = r.cut;
  return r.found ? std::optional(name.substr(0, r.length)) : std::nullopt;
}

struct NmSymbol {
  std::uint64_t value, size;
  char type;
  std::string name;
};

std::vector<NmSymbol> Nm(const std::string& path, bool dynamic) {
  std::vector<NmSymbol> symbols;
  std::istringstream lines(
      exe_test::Run("nm -S --defined-only " + std::string(dynamic ? "-D " : "") + Quote(path)));
  for (std::string line; std::getline(lines, line);) {
    std::istringstream in(line);
    std::string value, size = "0", type, name;
    in >> value >> type >> name;
    if (in >> std::ws && !in.eof()) size = type, type = name, in >> name;
    symbols.push_back(
        {std::stoull(value, nullptr, 16), std::stoull(size, nullptr, 16), type[0], name});
  }
  return symbols;
}

const std::string kLong = "f" + std::string(3000, 'n');

struct RealCase {
  const char* label;
  const char* flags;
  const char* strip;  // the command that strips a copy, or ""
  bool dynamic;       // only the dynamic symbol table is left
  int functions;      // at least so many function symbols
  friend std::ostream& operator<<(std::ostream& o, const RealCase& c) { return o << c.label; }
};

class SymbolRealTest : public testing::TestWithParam<RealCase> {};

// Each function's first, middle and last byte, and the byte after it, hold
// one of the functions that nm says hold them, or none.
TEST_P(SymbolRealTest, AsNmSaysForEveryFunction) {
  std::string dir = testing_support::ScratchDir(), out = dir + "/sym_" + GetParam().label;
  std::string source = testing_support::WriteScratchFile(
      "symbols.cpp",
      "#include <cstdio>\nint counter;\nextern \"C\" int twice(int x) { return 2 * x + counter; }\n"
      "static int __attribute__((noinline)) thrice(int x) { return 3 * x + counter; }\n"
      "int " +
          kLong +
          "(int x) { return twice(x) + thrice(x); }\n"
          "int main(int argc, char**) { std::printf(\"%d\", " +
          kLong + "(argc)); }\n");
  std::string command = Quote(exe_test::Env("CXX", "c++")) + " " + GetParam().flags + " -o " +
                        Quote(out) + " " + Quote(source);
  if (*GetParam().strip != '\0')
    command += std::string(" && ") + GetParam().strip + " " + Quote(out);
  int status;
  std::string log = exe_test::Run(command + " 2>&1", &status);
  ASSERT_EQ(status, 0) << log;
  std::vector<NmSymbol> symbols = Nm(out, GetParam().dynamic);
  int functions = 0;
  for (const NmSymbol& f : symbols) {
    bool function = std::string("TtWwi").find(f.type) != std::string::npos && f.size > 0;
    functions += function;
    if (function && f.name.size() > kLong.size()) {
      bool cut = false;
      EXPECT_EQ(Symbol(out, f.value, 100, &cut), f.name.substr(0, 100));
      EXPECT_TRUE(cut);
    }
    std::vector<std::uint64_t> probes = {f.value, f.value + f.size / 2, f.value + f.size - 1,
                                         f.value + f.size};
    for (std::uint64_t address : function ? probes : std::vector{f.value}) {
      std::set<std::string> holders;
      for (const NmSymbol& g : symbols) {
        if (std::string("TtWwi").find(g.type) != std::string::npos && address - g.value < g.size)
          holders.insert(g.name);
      }
      std::optional<std::string> name = Symbol(out, address);
      EXPECT_EQ(name.has_value(), !holders.empty()) << std::hex << address << " " << f.name;
      if (name) {
        EXPECT_EQ(holders.count(*name), 1u) << std::hex << address << " " << *name;
      }
    }
  }
  EXPECT_GE(functions, GetParam().functions);
  EXPECT_EQ(Symbol(out, 0xFFFFFFFF0000), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SymbolRealTest,
    testing::Values(RealCase{"O0_debug", "-O0 -g", "", false, 4},
                    RealCase{"O2", "-O2", "", false, 4},
                    RealCase{"O2_debug_stripped", "-O2 -g", "objcopy --strip-debug", false, 4},
                    RealCase{"shared", "-O2 -fPIC -shared", "", false, 4},
                    RealCase{"shared_stripped", "-O2 -fPIC -shared", "strip", true, 3},
                    RealCase{"program_stripped", "-O2", "strip", true, 0}),
    [](const auto& info) { return std::string(info.param.label); });

// A COFF symbol record; a string-table offset in place of a short name.
Bytes Coff(const std::string& name, std::uint32_t value, std::int16_t section, std::uint16_t type,
           std::uint8_t storage, std::uint8_t aux = 0, std::uint32_t string_at = 0) {
  Bytes r = name;
  r.resize(18, '\0');
  if (string_at != 0) Put32(r, 4, string_at);
  Put32(r, 8, value);
  Put16(r, 12, section);
  Put16(r, 14, type);
  r[16] = static_cast<char>(storage), r[17] = static_cast<char>(aux);
  return r;
}

const std::string kLongCoff = std::string(300, 'L');

struct PeCase {
  std::function<void(testing_support::PeImage&)> change;
  std::uint32_t rva;  // from the image base; .text is at 0x1000 (64 bytes), .data at 0x2000 (4)
  std::optional<std::string> name;
};

// External functions "a" at 0, "b_static" at 0x10 with an auxiliary record
// that looks like one at 0x18, the long name at 0x20 with a static alias,
// an object at 0x30, a long name outside the string table at 0x38; "d" in
// .data.
TEST(SymbolPeTest, NearestFunctionBelowInItsSection) {
  for (const PeCase& c :
       std::vector<PeCase>{{{}, 0x1000, "a"},
                           {{}, 0x100F, "a"},
                           {{}, 0x1010, "b_static"},
                           {{}, 0x1018, "b_static"},
                           {{}, 0x1020, kLongCoff},
                           {{}, 0x103F, kLongCoff},
                           {{}, 0x1040, {}},
                           {{}, 0x0FFF, {}},
                           {{}, 0x2003, "d"},
                           {{}, 0x2004, {}},
                           {[](auto& pe) { pe.symbol_table = 0; }, 0x1000, {}},
                           {[](auto& pe) { pe.symbols[16] = 105; }, 0x1008, {}}}) {
    testing_support::PeImage pe;
    pe.sections = {{".text", Bytes(64, '\xC3')}, {".data", "data"}};
    pe.extra_strings = {kLongCoff};
    pe.symbols = Coff("a", 0, 1, 0x20, 2) + Coff("b_static", 0x10, 1, 0x20, 3, 1) +
                 Coff("aux", 0x18, 1, 0x20, 2) + Coff("", 0x20, 1, 0x20, 2, 0, 4) +
                 Coff("alias", 0x20, 1, 0x20, 3) + Coff("obj", 0x30, 1, 0, 2) +
                 Coff("", 0x38, 1, 0x20, 2, 0, 9999) + Coff("d", 0, 2, 0x20, 2);
    pe.symbol_count = 8;
    if (c.change) c.change(pe);
    std::string path = testing_support::WriteScratchFile("pe_symbols", pe.Build());
    EXPECT_EQ(Symbol(path, pe.image_base + c.rva), c.name) << std::hex << c.rva;
  }
}

Bytes ElfSymbol(std::uint32_t name, std::uint8_t info, std::uint16_t section, std::uint64_t value) {
  Bytes s(24, '\0');
  Put32(s, 0, name);
  s[4] = static_cast<char>(info);
  Put16(s, 6, section);
  Put64(s, 8, value);
  Put64(s, 16, 16);
  return s;
}

struct ElfCase {
  const char* label;
  std::function<void(testing_support::ElfImage&)> change;
  std::optional<std::string> name;
  std::uint64_t address = 0x401008;
};

// .symtab holds a local, a weak and a global function at 0x401000 (16 bytes)
// with their names in .strtab; the cases break one thing each.
TEST(SymbolElfTest, BindingsAndDamage) {
  using E = testing_support::ElfImage;
  auto info = [](E& e, int symbol, char value) { e.sections[1].data[24 * symbol + 4] = value; };
  for (const ElfCase& c : std::vector<ElfCase>{
           {"Intact", {}, "main"},
           {"PastTheEnd", {}, {}, 0x401010},
           {"GlobalNoFunction", [&](E& e) { info(e, 3, 0x11); }, "weak"},
           {"OnlyLocal", [&](E& e) { info(e, 3, 0x11), info(e, 2, 0x21); }, "local"},
           {"Indirect", [&](E& e) { info(e, 3, 0x1A); }, "main"},
           {"Absolute", [](E& e) { Put16(e.sections[1].data, 78, 0xFFF1); }, "weak"},
           {"NameOutside", [](E& e) { Put32(e.sections[1].data, 72, 17); }, "weak"},
           {"Unterminated",
            [&](E& e) { info(e, 3, 0), info(e, 2, 0), e.sections[2].data.pop_back(); },
            {}},
           {"LinkOutOfRange", [](E& e) { e.sections[1].link = 99; }, {}},
           {"LinkNotStrings", [](E& e) { e.sections[1].link = 1; }, {}},
           {"EntrySize0", [](E& e) { e.sections[1].entry_size = 0; }, {}},
           {"EntrySize25", [](E& e) { e.sections[1].entry_size = 25; }, {}},
           {"CountPastFile", [](E& e) { e.sections[1].size = 24ull << 40; }, {}},
           {"Compressed", [](E& e) { e.sections[1].flags = testing_support::kShfCompressed; }, {}},
           {"DynamicOnly", [](E& e) { e.sections[1].type = 11; }, "main"}}) {
    E elf;
    elf.sections = {{".text", testing_support::kProgBits, 6, Bytes(32, '\xC3')},
                    {".symtab", 2, 0,
                     Bytes(24, '\0') + ElfSymbol(11, 0x02, 1, 0x401000) +
                         ElfSymbol(6, 0x22, 1, 0x401000) + ElfSymbol(1, 0x12, 1, 0x401000)},
                    {".strtab", 3, 0, Bytes("\0main\0weak\0local\0", 17)}};
    elf.sections[1].link = 3, elf.sections[1].entry_size = 24;
    if (c.change) c.change(elf);
    std::string path = testing_support::WriteScratchFile("elf_symbols", elf.Build());
    EXPECT_EQ(Symbol(path, c.address), c.name) << c.label;
  }
}

}  // namespace
