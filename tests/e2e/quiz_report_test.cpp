// The quiz program's end on a failing standard stream: the exit status and
// the whole error report on standard error.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <set>
#include <string>

#include "error_report.h"
#include "process_runner.h"

namespace {

using namespace e2e;

const std::string kOpening =
    "Programming Quiz for Beginners, by the Quiz Team V.1x 1/3/18\r\n"
    "\r\n"
    "Answer each of the following with a lowercase letter: Hit enter to start\r\n";

class QuizReportTest : public testing::Test {
 protected:
  void SetUp() override {
    if (Env("QUIZ_EXE").empty()) GTEST_FAIL() << "QUIZ_EXE must name the quiz program";
  }

  // An error found by the check after a console operation of the quiz run:
  // the walk from the quiz run's frame gives exactly one line, the return
  // into the process entry's wrapper. Gives where the error was raised,
  // relative to that return, which no load address changes.
  static std::int64_t ExpectCheckReport(const Outcome& r, int number) {
    EXPECT_FALSE(r.timed_out);
    EXPECT_TRUE(r.exited) << "killed by signal " << r.signal;
    EXPECT_EQ(r.code, number);
    Report report;
    EXPECT_TRUE(IsReport(r.err, report));
    EXPECT_EQ(report.number, static_cast<unsigned>(number));
    if (report.frames.size() != 1) {
      ADD_FAILURE() << "frame lines after the error's own: " << report.frames.size();
      return 0;
    }
    EXPECT_NE(report.frames[0], report.addr);
    return static_cast<std::int64_t>(report.addr - report.frames[0]);
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
// lines written before it have reached standard output.
TEST_F(QuizReportTest, FailingInputReportsTheReadError) {
  struct {
    const char* name;
    In in;
    int number;
  } cases[] = {{"input closed", In::kClosed, EBADF}, {"input a directory", In::kPath, EISDIR}};
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

}  // namespace
