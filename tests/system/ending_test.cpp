// Every way a beginner's program ends, through a program of another project
// on the installed runtime (ending_program), built as such a project is and
// at -O2 -g: the report, its number as exit status, the C library's words
// before it, the marked lines of the program in order; and the report's
// frames against gdb's backtrace of the same run where gdb is installed.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "error_report.h"
#include "gdb_backtrace.h"
#include "installed_package.h"
#include "process_runner.h"

namespace {

using namespace e2e;

const std::string kFolder = "tests/system/ending_program";

// Where a row cannot run: the Windows C library does not abort on a broken
// heap, and has no signal for a vanished reader; under qemu-user every
// program that starts a thread spins for ever.
enum Skip : unsigned { kNone = 0, kWindows = 1, kQemu = 2 };

struct Ending {
  const char* mode;                // the program's argument
  const char* before_main;         // ENDING_BEFORE_MAIN, or ""
  unsigned number;                 // the report's number
  std::vector<const char*> words;  // on standard error before the report, in order
  std::vector<const char*> marks;  // the marked lines of the report, innermost first
  unsigned skip = kNone;
  bool repeats = false;  // a recursion: its repeated lines are counted
};

const char kOutOfRange[] = "terminate called after throwing an instance of 'std::out_of_range'";
const char kInvalid[] = "terminate called after throwing an instance of 'std::invalid_argument'";

const Ending kEndings[] = {
    {"assert", "", 227, {"count > 0"}, {"[assert]", "[main assert]"}},
    {"abort", "", 227, {}, {"[main abort]"}},
    {"double-free", "", 227, {"double free"}, {"[delete]", "[main double free]"}, kWindows},
    {"overrun", "", 227, {"free(): "}, {"[overrun]", "[main overrun]"}, kWindows},
    // The heap's lock is held by the thread that reports.
    {"double-free-locked",
     "",
     227,
     {"double free or corruption"},
     {"[locked]", "[main locked]"},
     kWindows | kQemu},
    {"vector-at", "", 255, {kOutOfRange, "  what():  vector::_M_range_check"}, {"[main at]"}},
    {"noexcept", "", 255, {kInvalid, "  what():  negative"}, {"[noexcept]", "[main noexcept]"}},
    {"pure-virtual",
     "",
     255,
     {"pure virtual method called", "terminate called without an active exception"},
     {"[pure]", "[shape]", "[main pure]"}},
    {"recursion", "", 202, {}, {"[recurse]", "[main recurse]"}, kNone, true},
    {"thread", "", 216, {}, {"[write]"}, kQemu},
    {"pthread", "", 216, {}, {"[write]", "[pthread]"}, kQemu},
    {"two-threads", "", 216, {}, {"[write]"}, kQemu},
    {"thread-overflow", "", 202, {}, {"[recurse]", "[lambda recurse]"}, kQemu, true},
    {"thread-throw", "", 255, {kInvalid, "  what():  negative"}, {"[noexcept]"}, kQemu},
    {"", "fault", 216, {}, {"[write]", "[ctor]", "[static]"}},
    {"", "throw", 255, {"'std::runtime_error'", "  what():  no settings"}, {"[ctor throw]"}},
    {"destructor", "", 216, {}, {"[write]", "[dtor]"}},
    {"atexit", "", 216, {}, {"[write]", "[atexit]"}},
};

Launch LaunchOf(const std::string& program, const Ending& e) {
  Launch run;
  run.program = program;
  if (*e.mode != '\0') run.args = {e.mode};
  if (*e.before_main != '\0')
    run.wrapper = {"env", std::string("ENDING_BEFORE_MAIN=") + e.before_main};
  return run;
}

bool Skipped(unsigned skip) {
  return ((skip & kWindows) && Env("QUIZ_TARGET") == "windows") ||
         ((skip & kQemu) && Env("QUIZ_TARGET") == "aarch64");
}

// The report's frame lines as the frames they stand for, the error's own
// first, up to the frames left out (a repeated line a few times at most).
std::vector<std::uint64_t> Frames(const Report& report) {
  std::vector<std::uint64_t> frames = {report.addr};
  for (const Frame& frame : report.frames) {
    if (frame.left_out != 0) break;
    for (std::uint64_t n = 0; n <= frame.repeats && n < 50; ++n) frames.push_back(frame.addr);
  }
  return frames;
}

// gdb stops at the signal, before the report; from the error's own address
// on, its backtrace is the report's, as far as both go.
void CompareWithGdb(const std::string& program, const Ending& e) {
  std::vector<std::string> env;
  if (*e.before_main != '\0') env = {std::string("ENDING_BEFORE_MAIN=") + e.before_main};
  std::vector<std::string> args = {program};
  if (*e.mode != '\0') args.push_back(e.mode);
  Outcome r = RunUnderGdb(args, {"SIGSEGV", "SIGABRT"}, env);
  std::vector<std::uint64_t> gdb = GdbFrames(r.out);
  Report report;
  std::size_t at = r.err.find("Runtime error ");
  ASSERT_NE(at, std::string::npos) << r.out << r.err;
  ASSERT_TRUE(ReadReport(r.err, at, report));
  std::vector<std::uint64_t> ours = Frames(report);
  std::size_t k = 0;
  while (k < gdb.size() && gdb[k] != ours[0]) ++k;
  ASSERT_LT(k, gdb.size()) << "gdb has no frame at the error's address\n" << r.out << r.err;
  for (std::size_t i = 1; i < ours.size() && k + i < gdb.size(); ++i) {
    ASSERT_EQ(ours[i], gdb[k + i]) << "frame " << i << "\n" << r.out << r.err;
  }
}

// The marked lines among the report's, innermost first, each where its call
// was made. Optimised, a call may be inlined away with its line (inlined
// calls have no frame line of their own yet): those there are in order.
void CheckMarks(const Report& report, const Ending& e, bool optimised) {
  const std::string source = SourceCopy(kFolder, "endings.cpp");
  std::vector<Frame> lines = {report.own};
  lines.insert(lines.end(), report.frames.begin(), report.frames.end());
  std::size_t found = 0, next = 0;
  for (const Frame& line : lines) {
    for (std::size_t m = next; m < e.marks.size() && (optimised || m == next); ++m) {
      if (line.file == source && line.line == LineOf(source, e.marks[m])) {
        next = m + 1;
        ++found;
        break;
      }
    }
  }
  if (!optimised) {
    EXPECT_EQ(found, e.marks.size()) << "marked lines missing";
  }
}

TEST(EndingTest, EveryWayAProgramEndsIsReported) {
  for (const Build& build :
       {Build{"default", {}}, Build{"optimised", {"-DCMAKE_CXX_FLAGS=-O2 -g"}}}) {
    SCOPED_TRACE(build.name);
    std::string program = BuildProgram(kFolder, "endings", build);
    for (const Ending& e : kEndings) {
      SCOPED_TRACE(std::string(e.mode) + e.before_main);
      if (Skipped(e.skip)) continue;
      Outcome r = Execute(LaunchOf(program, e));
      ASSERT_TRUE(r.exited && !r.timed_out) << "signal " << r.signal << "\n" << r.err;
      EXPECT_EQ(r.code, static_cast<int>(e.number & 0xFF));
      std::size_t at = 0;
      for (const char* words : e.words) {
        at = r.err.find(words, at);
        ASSERT_NE(at, std::string::npos) << words << " is not in\n" << r.err;
      }
      Report report;
      std::size_t start = r.err.find("Runtime error ", at);
      ASSERT_NE(start, std::string::npos) << r.err;
      ASSERT_TRUE(IsReport(std::string_view(r.err).substr(start), report));
      EXPECT_EQ(report.number, e.number);
      CheckMarks(report, e, build.name == "optimised");
      if (e.repeats) {
        bool counted = false;
        for (const Frame& frame : report.frames) counted = counted || frame.repeats > 0;
        EXPECT_TRUE(counted) << r.err;
      }
      if (Env("QUIZ_TARGET").empty() && !Env("GDB").empty() && e.mode != std::string("two-threads"))
        CompareWithGdb(program, e);
    }
  }
}

// A program that handles the fault itself, and one whose reader goes away,
// end as they would without the runtime.
TEST(EndingTest, TheProgramsOwnWaysAreKept) {
  std::string program = BuildProgram(kFolder, "endings", {"default", {}});
  Launch run;
  run.program = program;
  run.args = {"own-handler"};
  Outcome r = Execute(run);
  EXPECT_TRUE(r.exited && r.code == 3) << r.code << " " << r.signal;
  EXPECT_EQ(r.out.substr(0, 7), "handled");
  EXPECT_EQ(r.err, "");
  if (Env("QUIZ_TARGET") == "windows")
    GTEST_SKIP() << "Windows has no signal for a vanished reader";
  run.args = {"pipe"};
  run.out = Out::kReaderGone;
  r = Execute(run);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.signal, 13) << "not ended by a broken pipe";
  EXPECT_EQ(r.err, "");
}

}  // namespace
