// frameline on the quiz program itself, on copies of it without line table
// or with the table in a separate debug file, and on input it must refuse.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
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

class FramelineToolTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"FRAMELINE", "QUIZ_EXE", "OBJCOPY", "LLVM_DWARFDUMP"})
      ASSERT_FALSE(Env(tool).empty()) << tool << " must name a program";
    quiz_units_ =
        ParseDebugLineDump(RunTool({Env("LLVM_DWARFDUMP"), "--debug-line", Env("QUIZ_EXE")}).out);
    ASSERT_FALSE(quiz_units_.empty());
    // A sample of the quiz's rows, each with the address after it.
    std::set<std::uint64_t> rows;
    for (const Unit& u : quiz_units_)
      for (const Row& r : u.rows) rows.insert(r.address);
    std::size_t i = 0;
    for (std::uint64_t a : rows)
      if (i++ % 7 == 0) addresses_.insert(addresses_.end(), {a, a + 1});
  }

  std::vector<std::string> Lookup(const std::string& file) {
    std::vector<std::string> command = {Env("FRAMELINE"), file};
    for (std::uint64_t a : addresses_) {
      char text[24];
      std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(a));
      command.push_back(text);
    }
    Outcome r = RunTool(command);
    EXPECT_EQ(r.err, "");
    std::vector<std::string> lines;
    std::istringstream out(r.out);
    for (std::string line; std::getline(out, line);) lines.push_back(line);
    EXPECT_EQ(lines.size(), addresses_.size());
    return lines;
  }

  std::vector<std::string> Expected(bool with_lines) const {
    // Named, not a conditional's copy of the tables for every address.
    const std::vector<Unit> none;
    const std::vector<Unit>& units = with_lines ? quiz_units_ : none;
    std::vector<std::string> lines;
    for (std::uint64_t a : addresses_) lines.push_back(ExpectedFrameLine(units, a));
    return lines;
  }

  TempDir dir_;
  std::vector<Unit> quiz_units_;
  std::vector<std::uint64_t> addresses_;
};

// The quiz's own table: the runtime's units and the quiz's, as built.
TEST_F(FramelineToolTest, QuizProgramAgreesWithDecodedTables) {
  std::vector<std::string> expected = Expected(true), actual = Lookup(Env("QUIZ_EXE"));
  int differences = 0;
  for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i)
    if (expected[i] != actual[i] && ++differences <= 10)
      ADD_FAILURE() << "expected: " << expected[i] << "\n  actual: " << actual[i];
}

// Without ".debug_line" every frame line is plain, and the file still reads.
TEST_F(FramelineToolTest, CopyWithoutLineTableGivesPlainLines) {
  const std::string copy = dir_ / "quiz";
  RunTool({Env("OBJCOPY"), "--strip-debug", Env("QUIZ_EXE"), copy});
  EXPECT_EQ(Lookup(copy), Expected(false));
}

// A stripped copy that names its debug file is read through that file, as
// long as the debug file's checksum matches.
TEST_F(FramelineToolTest, DebugLinkLeadsToTheLineTable) {
  const std::string copy = dir_ / "quiz", debug = dir_ / "quiz.debug";
  RunTool({Env("OBJCOPY"), "--only-keep-debug", Env("QUIZ_EXE"), debug});
  RunTool({Env("OBJCOPY"), "--strip-all", "--add-gnu-debuglink=" + debug, Env("QUIZ_EXE"), copy});
  EXPECT_EQ(Lookup(copy), Expected(true));

  std::ofstream(debug, std::ios::app) << '\0';
  EXPECT_EQ(Lookup(copy), Expected(false)) << "a debug file with another checksum is not used";
}

// Status 2 and one line on standard error for a file that is not an
// executable and for an argument that is not a hexadecimal address.
TEST_F(FramelineToolTest, RefusesUnreadableFilesAndBadAddresses) {
  const std::string text = dir_ / "notes.txt", empty = dir_ / "empty";
  std::ofstream(text) << "not an executable\n";
  std::ofstream{empty};
  struct {
    std::string file, address;
  } cases[] = {
      {text, "1000"},
      {empty, "1000"},
      {dir_ / "missing", "1000"},
      {dir_.path(), "1000"},
      {Env("QUIZ_EXE"), "xyz"},
      {Env("QUIZ_EXE"), "0x"},
      {Env("QUIZ_EXE"), ""},
      {Env("QUIZ_EXE"), "-1"},
      {Env("QUIZ_EXE"), "12g4"},
      {Env("QUIZ_EXE"), "10000000000000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file + " " + c.address);
    Outcome r = RunCommand({Env("FRAMELINE"), c.file, "0x10", c.address});
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.size() > 1 && r.err.find('\n') == r.err.size() - 1) << Escaped(r.err);
  }
}

// --help names every option the parser knows (each literal of the options'
// source that begins with "-"), and --version the program; both exit 0, as
// an unknown option does not.
TEST_F(FramelineToolTest, HelpNamesEveryOption) {
  std::ifstream source(Env("QUIZ_SOURCE_DIR") + "/tools/frameline_options.cpp");
  std::stringstream text;
  text << source.rdbuf();
  std::string code = text.str();
  static const std::regex option(R"re("(--?[a-z][a-z-]*)")re");
  std::set<std::string> options;
  for (std::sregex_iterator m(code.begin(), code.end(), option), end; m != end; ++m)
    options.insert((*m)[1]);
  EXPECT_GE(options.size(), 9u) << "the options were not found in the source";
  Outcome help = RunCommand({Env("FRAMELINE"), "--help"});
  ASSERT_TRUE(help.exited);
  EXPECT_EQ(help.code, 0);
  for (const std::string& name : options) {
    EXPECT_TRUE(std::regex_search(help.out, std::regex("(^|[ ,])" + name + "([ ,\\n]|$)")))
        << name << " is not in\n"
        << help.out;
  }
  Outcome version = RunCommand({Env("FRAMELINE"), "--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_TRUE(version.out.starts_with("frameline ")) << version.out;
  Outcome unknown = RunCommand({Env("FRAMELINE"), "--no-such-option", Env("QUIZ_EXE")});
  EXPECT_EQ(unknown.code, 2);
}

// Wherever llvm-symbolizer has a position for a code address of the quiz,
// and of the C library read with its debug file (found by build-id), so has
// frameline, and the same one.
TEST(SymbolizerDiffTest, QuizAndTheCLibrary) {
  for (const char* tool : {"FRAMELINE", "QUIZ_EXE", "LLVM_SYMBOLIZER", "OBJDUMP"})
    ASSERT_FALSE(Env(tool).empty()) << tool << " must name a program";
  // About half the quiz's code is the decompressors', which has no lines.
  EXPECT_GT(ExpectSymbolizerAgrees(Env("QUIZ_EXE"), 600), 200);
  EXPECT_GT(ExpectInlinedCallsAgree(Env("QUIZ_EXE"), 600), 200);
  // The C library of the build machine; a cross build's programs are read
  // by the native frameline, and its C library's debug files are not here.
  const std::string libc = "/lib/x86_64-linux-gnu/libc.so.6";
  if (Env("QUIZ_TARGET") == "aarch64" || !std::filesystem::exists(libc) ||
      !std::filesystem::exists("/usr/lib/debug/.build-id")) {
    GTEST_SKIP() << "no C library debug files here (Debian: libc6-dbg)";
  }
  EXPECT_GT(ExpectSymbolizerAgrees(libc, 400), 300);
  EXPECT_GT(ExpectInlinedCallsAgree(libc, 400), 300);
}

}  // namespace
