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

}  // namespace
