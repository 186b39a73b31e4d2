// frameline against an independent decoder: small multi-file programs built
// by g++ and clang++ with each line-table version, optimised or not, as
// position-independent or fixed-address executables; for every row address
// of their tables and the addresses around, between and outside the rows,
// frameline must print the frame line that the decoded tables give.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dwarf_dump.h"
#include "process_runner.h"
#include "symbolizer_diff.h"
#include "tests/support/scratch.h"

namespace {

using namespace e2e;
using testing_support::TempDir;
using namespace line_diff;

// An inline function in a header under an include directory, a loop, a
// static helper and a cold path: several units, files and sequences. One
// source is compiled by its absolute name; line directives name files in a
// directory given with a trailing "/", in an absolute one, and one whose
// name is longer than a frame line.
const std::pair<std::string, std::string> kSources[] = {
    {"inc/numbers.h",
     "#pragma once\n"
     "inline int Clamp(int v, int lo, int hi) {\n"
     "  if (v < lo) return lo;\n"
     "  if (v > hi) return hi;\n"
     "  return v;\n"
     "}\n"
     "int SumSquares(int n);\n"
     "long Steps(long n);\n"},
    {"sum.cpp",
     "#include \"numbers.h\"\n"
     "static int Square(int x) { return x * x; }\n"
     "int SumSquares(int n) {\n"
     "  int total = 0;\n"
     "  for (int i = 0; i < n; ++i)\n"
     "    total += Clamp(Square(i), 0, 1000);\n"
     "  return total;\n"
     "}\n"
     "#line 40 \"gen//table.inc\"\n"
     "int TableValue(int i) {\n"
     "  return i * 3 + 1;\n"
     "}\n"
     "#line 100 \"/virtual/gen/steps.inc\"\n"
     "int Twice(int i) {\n"
     "  return i * 2;\n"
     "}\n"
     "#line 7 \"deep/" +
         std::string(120, 'd') + "/" + std::string(200, 'n') +
         ".inc\"\n"
         "int Thrice(int i) {\n"
         "  return i * 3;\n"
         "}\n"},
    {"steps.cpp",
     "#include \"numbers.h\"\n"
     "long Steps(long n) {\n"
     "  long steps = 0;\n"
     "  while (n > 1) {\n"
     "    n = n % 2 ? 3 * n + 1 : n / 2;\n"
     "    ++steps;\n"
     "  }\n"
     "  return Clamp(static_cast<int>(steps), 0, 500);\n"
     "}\n"},
    {"main.cpp",
     "#include <cstdio>\n"
     "#include <cstdlib>\n"
     "#include \"numbers.h\"\n"
     "__attribute__((noinline)) static int Mix(int a, long b) {\n"
     "  return a ^ static_cast<int>(b);\n"
     "}\n"
     "int main(int argc, char** argv) {\n"
     "  if (argc > 1000) {\n"
     "    std::puts(argv[1]);\n"
     "    std::abort();\n"
     "  }\n"
     "  int total = SumSquares(argc * 7);\n"
     "  total += Mix(total, Steps(argc + 26));\n"
     "  std::printf(\"%d\\n\", Clamp(total, -5, 5000));\n"
     "  return 0;\n"
     "}\n"},
};

struct Build {
  bool clang;
  int dwarf;  // the -gdwarf-N level, 0 for plain -g
  bool optimised;
  bool pie;
  bool dwarf64 = false;
  // More flags, and the name they add: functions in sections of their own
  // that the linker drops when unused (their rows then start at address 0),
  // or code generated at link time.
  std::vector<std::string> flags = {};
  std::string label = "";

  std::string Name() const {
    return std::string(clang ? "clang" : "gcc") +
           (dwarf ? "_dwarf" + std::to_string(dwarf) : "_g") + (optimised ? "_O2" : "_O0") +
           (pie ? "_pie" : "_nopie") + (dwarf64 ? "_dwarf64" : "") + label;
  }
  // The version of the line tables: both compilers default to 5, and the
  // assembler behind g++ writes version 3 tables for version 2.
  int TableVersion() const { return dwarf == 0 ? 5 : !clang && dwarf == 2 ? 3 : dwarf; }
};

void PrintTo(const Build& b, std::ostream* os) {
  *os << b.Name();
}

std::vector<Build> Matrix() {
  std::vector<Build> builds;
  for (bool clang : {false, true})
    for (int dwarf : {2, 3, 4, 5, 0})
      for (bool optimised : {false, true})
        for (bool pie : {true, false}) builds.push_back({clang, dwarf, optimised, pie});
  // clang++ writes 64-bit line tables when asked to.
  builds.push_back({true, 4, true, true, true});
  builds.push_back({true, 5, false, false, true});
  const std::vector<std::string> gc = {"-ffunction-sections", "-Wl,--gc-sections"};
  builds.push_back({false, 0, true, true, false, gc, "_gc_sections"});
  builds.push_back({true, 0, true, true, false, gc, "_gc_sections"});
  builds.push_back({false, 0, true, true, false, {"-flto"}, "_lto"});
  return builds;
}

// The addresses to look up: every row address, one either side of it, the
// middle between neighbouring rows, the ends and beyond, and some that no
// unit covers.
std::vector<std::uint64_t> Targets(const std::vector<Unit>& units) {
  std::set<std::uint64_t> rows;
  for (const Unit& u : units)
    for (const Row& r : u.rows) rows.insert(r.address);
  std::set<std::uint64_t> targets = {0, 1, 0x1000, 0x400000, 0x7FFFFFFFFFFF, UINT64_MAX};
  std::uint64_t previous = 0;
  for (std::uint64_t a : rows) {
    targets.insert({a - 1, a, a + 1, previous + (a - previous) / 2});
    previous = a;
  }
  if (!rows.empty()) {
    targets.insert({*rows.begin() - 0x10, *rows.rbegin() + 0x10, *rows.rbegin() + 0x10000});
  }
  return {targets.begin(), targets.end()};
}

// Alternately with and without "0x", in lower and upper case.
std::string AddressArgument(std::uint64_t a, std::size_t i) {
  char text[24];
  std::snprintf(text, sizeof text, i % 2 ? "0x%llx" : "%llX", static_cast<unsigned long long>(a));
  return text;
}

// Runs frameline over all targets in chunks and compares line by line;
// gives the number of frame lines that name a file.
int CompareFrameLines(const std::string& binary, const std::vector<Unit>& units) {
  const std::vector<std::uint64_t> targets = Targets(units);
  constexpr std::size_t kChunk = 1000;
  int named = 0, mismatches = 0;
  for (std::size_t from = 0; from < targets.size(); from += kChunk) {
    std::vector<std::string> command = {Env("FRAMELINE"), binary};
    std::vector<std::string> expected;
    for (std::size_t i = from; i < targets.size() && i < from + kChunk; ++i) {
      command.push_back(AddressArgument(targets[i], i));
      expected.push_back(ExpectedFrameLine(units, targets[i]));
    }
    Outcome r = RunTool(command);
    EXPECT_EQ(r.err, "");
    std::istringstream out(r.out);
    std::size_t n = 0;
    for (std::string line; std::getline(out, line); ++n) {
      if (n >= expected.size()) {
        ADD_FAILURE() << "extra line: " << line;
        break;
      }
      named += line.find(" of ") != std::string::npos;
      if (line != expected[n] && ++mismatches <= 10) {
        ADD_FAILURE() << binary << " at " << command[n + 2] << "\n  expected: " << expected[n]
                      << "\n  actual:   " << line;
      }
    }
    EXPECT_EQ(n, expected.size()) << "frame lines printed";
    EXPECT_TRUE(r.out.empty() || r.out.back() == '\n');
    // The units the file says hold each address give the answers of every
    // unit searched in turn.
    command.insert(command.begin() + 1, "--full-scan");
    EXPECT_TRUE(SameBytes(RunTool(command).out, r.out)) << "the full scan differs";
  }
  EXPECT_EQ(mismatches, 0) << "of " << targets.size() << " addresses";
  return named;
}

class LineTableDiffTest : public testing::TestWithParam<Build> {};

TEST_P(LineTableDiffTest, FramelineAgreesWithDecodedTables) {
  const Build& b = GetParam();
  for (const char* tool : {"FRAMELINE", "LLVM_DWARFDUMP", "CXX", "CLANGXX", "OBJDUMP"})
    ASSERT_FALSE(Env(tool).empty()) << tool << " must name a program";
  TempDir dir;
  for (const auto& [name, text] : kSources) {
    std::filesystem::create_directories(std::filesystem::path(dir / name).parent_path());
    std::ofstream(dir / name) << text;
  }
  const std::string binary = dir / "program";
  std::vector<std::string> compile = {Env(b.clang ? "CLANGXX" : "CXX"),
                                      b.dwarf ? "-gdwarf-" + std::to_string(b.dwarf) : "-g",
                                      b.optimised ? "-O2" : "-O0",
                                      b.pie ? "-fPIE" : "-fno-pie",
                                      b.pie ? "-pie" : "-no-pie",
                                      "-Iinc",
                                      "main.cpp",
                                      "sum.cpp",
                                      dir / "steps.cpp",
                                      "-o",
                                      binary};
  if (b.dwarf64) compile.insert(compile.begin() + 1, "-gdwarf64");
  compile.insert(compile.begin() + 1, b.flags.begin(), b.flags.end());
  // A cross build names clang++'s target here.
  if (b.clang) {
    for (const std::string& flag : Words(std::getenv("CLANGXX_FLAGS")))
      compile.insert(compile.begin() + 1, flag);
  }
  ASSERT_EQ(RunTool(compile, dir.path()).code, 0);

  Outcome dump = RunTool({Env("LLVM_DWARFDUMP"), "--debug-line", binary});
  std::vector<Unit> units = ParseDebugLineDump(dump.out);
  // Code generated at link time comes in units of the linker's choosing.
  if (b.label != "_lto") {
    ASSERT_EQ(units.size(), 3u) << dump.out;
  }
  std::size_t rows = 0;
  for (const Unit& u : units) {
    EXPECT_EQ(u.version, b.TableVersion());
    EXPECT_EQ(u.dwarf64, b.dwarf64);
    rows += u.rows.size();
  }
  EXPECT_GT(rows, 20u);

  int named = CompareFrameLines(binary, units);
  EXPECT_GT(named, static_cast<int>(rows / 2)) << "too few addresses found a line";
  if (!Env("LLVM_SYMBOLIZER").empty()) {
    EXPECT_GT(ExpectSymbolizerAgrees(binary, 200), 20);
    EXPECT_GT(ExpectInlinedCallsAgree(binary, 200), 20);
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, LineTableDiffTest, testing::ValuesIn(Matrix()),
                         [](const testing::TestParamInfo<Build>& info) {
                           return info.param.Name();
                         });

}  // namespace
