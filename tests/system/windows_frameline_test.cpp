// The Windows frameline, run under wine on the Windows quiz, against the
// native frameline on the same file and against the line table as
// llvm-dwarfdump decodes it. Runs where a Windows build was named.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "dwarf_dump.h"
#include "process_runner.h"

namespace {

using namespace e2e;
using namespace line_diff;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(WindowsFramelineTest, AgreesWithTheNativeToolOnTheWindowsQuiz) {
  const std::string quiz = Env("WINDOWS_QUIZ_EXE");
  if (quiz.empty()) GTEST_SKIP() << "no Windows build named (WINDOWS_QUIZ_EXE)";
  std::vector<Unit> units =
      ParseDebugLineDump(RunTool({Env("LLVM_DWARFDUMP"), "--debug-line", quiz}).out);
  ASSERT_FALSE(units.empty());
  std::set<std::uint64_t> rows;
  for (const Unit& u : units)
    for (const Row& r : u.rows) rows.insert(r.address);
  std::vector<std::string> addresses;
  std::vector<std::string> expected;
  // A sample of 1000 rows at most: a Windows command line holds at most
  // 32767 characters, and the quiz's rows grow with the runtime.
  std::size_t stride = rows.size() / 1000 + 1, i = 0;
  for (std::uint64_t a : rows) {
    if (i++ % stride != 0) continue;
    for (std::uint64_t target : {a, a + 1}) {
      std::ostringstream hex;
      hex << std::hex << target;
      addresses.push_back(hex.str());
      expected.push_back(ExpectedFrameLine(units, target));
    }
  }

  std::vector<std::string> native = {Env("FRAMELINE"), quiz};
  native.insert(native.end(), addresses.begin(), addresses.end());
  Launch windows;
  windows.program = Env("WINDOWS_FRAMELINE");
  windows.args = {quiz};
  windows.args.insert(windows.args.end(), addresses.begin(), addresses.end());
  Outcome under_wine = Execute(windows);
  ASSERT_TRUE(under_wine.exited && under_wine.code == 0)
      << "status " << under_wine.code << ", signal " << under_wine.signal << ": " << under_wine.err;

  std::vector<std::string> from_native = Lines(RunTool(native).out);
  std::vector<std::string> from_windows = Lines(under_wine.out);
  ASSERT_EQ(from_native.size(), expected.size());
  ASSERT_EQ(from_windows.size(), expected.size());
  std::size_t annotated = 0;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE(addresses[k]);
    EXPECT_EQ(from_windows[k], from_native[k]);
    EXPECT_EQ(from_native[k], expected[k]);
    annotated += from_native[k].find(" of ") != std::string::npos;
  }
  // The quiz's own code is covered: most of its rows name a file.
  EXPECT_GT(annotated * 2, expected.size());
}

}  // namespace
