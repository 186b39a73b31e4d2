// The examples, programs of other projects on the installed runtime, each
// built out of the repository and run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "error_report.h"
#include "installed_package.h"
#include "process_runner.h"

namespace {

using namespace e2e;

struct Example {
  const char* folder;  // in the repository
  const char* program;
  const char* source;
  // A program with its own main ends its frames at main; one on the process
  // entry ends them with the plain line of the entry's wrapper.
  bool walk_ends_at_wrapper;
  // Writes through the C library's streams, which end lines with CR LF on
  // Windows.
  bool c_streams;
};

struct Case {
  const char* name;
  std::string input;
  unsigned number;  // the report's error number; 0 for a normal end, with no report
  int status;       // a normal end's exit status
  // Source text of the error's own line, then of each call that led there,
  // innermost first (the first line that holds the text).
  std::vector<std::string> lines;
  std::string stdout_text;
  Out out = Out::kCapture;
  // What the C++ library writes on standard error before the report.
  std::string before_report = "";
};

void RunCases(const Example& example, const std::vector<Case>& cases, bool variants) {
  const std::string source = SourceCopy(example.folder, example.source);
  for (const Build& build : Builds(variants)) {
    SCOPED_TRACE(build.name);
    std::string program = BuildProgram(example.folder, example.program, build);
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      Launch run;
      run.program = program;
      run.input = c.input;
      run.out = c.out;
      Outcome r = Execute(run);
      ASSERT_TRUE(r.exited) << "killed by signal " << r.signal << "\n" << r.err;
      std::string expected = c.stdout_text;
      if (example.c_streams && Env("QUIZ_TARGET") == "windows") {
        for (std::size_t at = 0; (at = expected.find('\n', at)) != std::string::npos; at += 2)
          expected.insert(at, "\r");
      }
      EXPECT_TRUE(SameBytes(r.out, expected));
      if (c.number == 0) {
        EXPECT_EQ(r.code, c.status);
        EXPECT_EQ(r.err, "");
        continue;
      }
      EXPECT_EQ(r.code, static_cast<int>(c.number & 0xFF));
      std::string before = c.before_report;
      if (Env("QUIZ_TARGET") == "windows") {
        for (std::size_t at = 0; (at = before.find('\n', at)) != std::string::npos; at += 2)
          before.insert(at, "\r");
      }
      ASSERT_TRUE(r.err.starts_with(before)) << r.err;
      Report report;
      ASSERT_TRUE(IsReport(std::string_view(r.err).substr(before.size()), report));
      EXPECT_EQ(report.number, c.number);
      auto at = [&](const Frame& frame) { return frame.file + ":" + std::to_string(frame.line); };
      auto line = [&](const std::string& text) {
        return source + ":" + std::to_string(LineOf(source, text));
      };
      EXPECT_EQ(at(report.own), line(c.lines[0])) << "the error's own line";
      for (std::size_t i = 1; i < c.lines.size() && i <= report.frames.size(); ++i)
        EXPECT_EQ(at(report.frames[i - 1]), line(c.lines[i])) << "the call in frame " << i - 1;
      std::size_t walk = c.lines.size() - 1 + (example.walk_ends_at_wrapper ? 1 : 0);
      EXPECT_EQ(report.frames.size(), walk)
          << "the walk ends at " << (example.walk_ends_at_wrapper ? "the wrapper" : "main") << "\n"
          << r.err;
      if (example.walk_ends_at_wrapper && report.frames.size() == walk) {
        EXPECT_EQ(report.frames.back().file, "") << "the wrapper's line is plain";
      }
    }
  }
}

class PackageTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"QUIZ_BUILD_DIR", "QUIZ_SOURCE_DIR", "CMAKE", "NINJA", "OBJCOPY"})
      if (Env(name).empty()) GTEST_FAIL() << name << " must be set";
  }
};

// A program written as the quiz is: the normal end, and a failed write.
TEST_F(PackageTest, ProgramOnTheProcessEntry) {
  const Example greeting = {"examples/runtime_program", "greeting", "greeting.cpp", true, false};
  const std::vector<Case> cases = {
      {"normal end", "Ann\n", 0, 0, {}, "Your name?\r\nHello, Ann!\r\n"},
      {"output closed", "Ann\n", 101, 0, {"rt::WriteLineEnd(out)"}, "", Out::kClosed},
  };
  RunCases(greeting, cases, false);
}

// A beginner's exercise with its own main: its normal ends, a processor
// fault and an exception that nothing catches. What the program wrote to
// std::cout before the error reaches standard output all the same.
TEST_F(PackageTest, ProgramWithItsOwnMain) {
  const Example marks = {"examples/ordinary_program", "marks", "marks.cpp", false, true};
  const std::vector<Case> cases = {
      {"normal end", "3 60 70 80\n", 0, 0, {}, "How many marks? Average: 70\nFirst pass: 60\n"},
      {"main returns 1", "0\n", 0, 1, {}, "How many marks? No marks.\n"},
      {"null read",
       "2 10 20\n",
       216,
       0,
       {"*FirstPass(marks, 50)", "PrintResults(marks);"},
       "How many marks? Average: 15\nFirst pass: "},
      {"uncaught exception",
       "2 10 200\n",
       255,
       0,
       {"throw std::out_of_range", "marks.push_back(ReadMark());"},
       "How many marks? ",
       Out::kCapture,
       "terminate called after throwing an instance of 'std::out_of_range'\n"
       "  what():  a mark is from 0 to 100\n"},
  };
  RunCases(marks, cases, true);
}

}  // namespace
