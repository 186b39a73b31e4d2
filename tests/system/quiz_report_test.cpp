// The quiz program's end on a failing standard stream: the exit status and
// the whole error report on standard error, with the source line of the
// error address, also from an installed program whose line table lies in a
// separate debug file.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "error_report.h"
#include "process_runner.h"
#include "tests/support/scratch.h"
#include "wrapper_returns.h"

namespace {

using namespace e2e;
using testing_support::TempDir;

const std::string kOpening =
    "Programming Quiz for Beginners, by the Quiz Team V.1x 1/3/18\r\n"
    "\r\n"
    "Answer each of the following with a lowercase letter: Hit enter to start\r\n";

const std::string kQuizSource = "quiz/quiz_run.cpp";

// How far the quiz program under test was loaded from where it was linked.
std::uint64_t LoadDelta(std::uint64_t wrapper_return) {
  static const std::vector<std::uint64_t> returns = WrapperReturns(Env("QUIZ_EXE"));
  return e2e::LoadDelta(returns, wrapper_return);
}

// addr2line's file and line for a linked address.
std::pair<std::string, long> SourceLine(std::uint64_t linked) {
  char address[24];
  std::snprintf(address, sizeof address, "0x%llx", static_cast<unsigned long long>(linked));
  std::string out = RunTool({Env("ADDR2LINE"), "-e", Env("QUIZ_EXE"), address}).out;
  out = out.substr(0, out.find_first_of(" \n"));
  std::size_t colon = out.rfind(':');
  if (colon == std::string::npos || colon + 1 == out.size()) return {out, -1};
  return {out.substr(0, colon), std::stol(out.substr(colon + 1))};
}

class QuizReportTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"QUIZ_EXE", "OBJDUMP", "ADDR2LINE"})
      if (Env(name).empty()) GTEST_FAIL() << name << " must name a program";
  }

  // An error found by the check after a console operation of the quiz run:
  // the walk from the quiz run's frame gives exactly one line, the plain
  // return into the process entry's wrapper. The error address's own line
  // names the statement of the failed operation, where addr2line places
  // the call that returns there. Gives where the error was raised, relative
  // to the wrapper return, which no load address changes.
  // A number of 0 stands for the platform's own error number, whatever it
  // is: the report and the exit status must then agree on it.
  static std::int64_t ExpectCheckReport(const Outcome& r, int number, Report* out = nullptr) {
    EXPECT_FALSE(r.timed_out);
    EXPECT_TRUE(r.exited) << "killed by signal " << r.signal;
    if (number == 0) {
      EXPECT_NE(r.code, 0);
      number = r.code;
    }
    EXPECT_EQ(r.code, number);
    Report report;
    EXPECT_TRUE(IsReport(r.err, report));
    EXPECT_EQ(report.number, static_cast<unsigned>(number));
    if (out) *out = report;
    if (report.frames.size() != 1) {
      ADD_FAILURE() << "frame lines after the error's own: " << report.frames.size();
      return 0;
    }
    const Frame& wrapper = report.frames[0];
    EXPECT_NE(wrapper.addr, report.addr);
    EXPECT_EQ(wrapper.file, "") << "main_wrapper has no line information";

    auto [file, line] = SourceLine(report.addr - LoadDelta(wrapper.addr) - 1);
    EXPECT_TRUE(file.ends_with(kQuizSource)) << file;
    EXPECT_EQ(report.own.file, kQuizSource);
    EXPECT_EQ(report.own.line, line);
    return static_cast<std::int64_t>(report.addr - wrapper.addr);
  }
};

// Every output failure shows at the banner's line end: all three cases are
// caught by the same check.
TEST_F(QuizReportTest, FailingOutputReports101) {
  struct {
    const char* name;
    Out out;
  } cases[] = {{"output to /dev/full", Out::kPath},
               {"output closed", Out::kClosed},
               {"output pipe without reader", Out::kReaderGone}};
  std::set<std::int64_t> places;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Launch run;
    run.input = Input("\na\nc\n");
    run.out = c.out;
    run.out_path = "/dev/full";
    places.insert(ExpectCheckReport(Execute(run), 101));
  }
  EXPECT_EQ(places.size(), 1u);
}

// A failed read of the start line: its error number passes through, and the
// lines written before it have reached standard output. A Windows program
// gets its own system's numbers for these.
TEST_F(QuizReportTest, FailingInputReportsTheReadError) {
  const bool windows = Env("QUIZ_TARGET") == "windows";
  struct {
    const char* name;
    In in;
    int number;
  } cases[] = {{"input closed", In::kClosed, windows ? 0 : EBADF},
               {"input a directory", In::kPath, windows ? 0 : EISDIR}};
  std::set<std::int64_t> places;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Launch run;
    run.in = c.in;
    run.in_path = "/";
    Outcome r = Execute(run);
    places.insert(ExpectCheckReport(r, c.number));
    EXPECT_TRUE(SameBytes(r.out, kOpening));
  }
  EXPECT_EQ(places.size(), 1u);
}

// The installed program is stripped and names its debug file; started from
// other working directories, by absolute and by relative name, it reports
// the same source line as the program in the build directory.
TEST_F(QuizReportTest, InstalledProgramReadsItsDebugFile) {
  if (Env("QUIZ_BUILD_DIR").empty()) GTEST_FAIL() << "QUIZ_BUILD_DIR must name the build";
  TempDir prefix;
  RunTool({"cmake", "--install", Env("QUIZ_BUILD_DIR"), "--prefix", prefix.path()});
  const std::string name = std::filesystem::path(Env("QUIZ_EXE")).filename().string();
  const std::string installed = prefix / ("bin/" + name);
  std::string sections = RunTool({Env("OBJDUMP"), "-h", installed}).out;
  EXPECT_EQ(sections.find(".debug_line"), std::string::npos) << "not stripped";
  EXPECT_NE(sections.find(".gnu_debuglink"), std::string::npos) << "no debug link";

  Launch run;
  run.input = Input("\na\nc\n");
  run.out = Out::kPath;
  run.out_path = "/dev/full";
  Report built;
  const std::int64_t place = ExpectCheckReport(Execute(run), 101, &built);
  ASSERT_EQ(built.own.file, kQuizSource);

  const std::pair<std::string, std::string> starts[] = {{"/", installed},
                                                        {prefix.path(), "bin/" + name}};
  for (const auto& [dir, program] : starts) {
    SCOPED_TRACE("from " + dir + ": " + program);
    run.program = program;
    run.wrapper = {"env", "-C", dir};
    Report report;
    EXPECT_EQ(ExpectCheckReport(Execute(run), 101, &report), place);
    EXPECT_EQ(report.own.file, built.own.file);
    EXPECT_EQ(report.own.line, built.own.line);
  }
}

}  // namespace
