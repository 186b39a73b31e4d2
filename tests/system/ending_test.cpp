// Every way a beginner's program ends, through a program of another project
// on the installed runtime (ending_program, its way of ending named by
// ENDING), built as such a project is and at -O2 -g: the report, its number
// as exit status, the C library's words before it, the program's marked
// lines in order, and its frames against gdb's backtrace of the same run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "error_report.h"
#include "gdb_backtrace.h"
#include "installed_package.h"
#include "process_runner.h"
#include "symbolizer_diff.h"

namespace {

using namespace e2e;

const std::string kFolder = "tests/system/ending_program";

// Where a row cannot run: the Windows C library does not abort on a broken
// heap, and its throws are not seen; under qemu-user every program that
// starts a thread spins for ever.
enum Skip : unsigned { kNone = 0, kWindows = 1, kQemu = 2 };

struct Ending {
  const char* mode;
  unsigned number;                 // the report's
  std::vector<const char*> words;  // on standard error before the report, in order
  std::vector<const char*> marks;  // the report's marked lines, innermost first
  // What the report's words on why it ended hold, in order, on the lines
  // between its error line and its first frame line; a part that begins
  // with "~" only natively, where the processor tells the access and the
  // runtime sees threads start (neither under wine, nor the access under
  // qemu-user).
  std::vector<const char*> cause;
  unsigned skip = kNone;
  bool repeats = false;  // a recursion, whose repeated lines are counted
  // Optimised too, every marked line is in the report, and its functions
  // and lines are gdb's backtrace.
  bool inlined = false;
  // Thrown again: the first throw's frame lines, then "  rethrown at:" and
  // those of the throw that ended it (which gdb's backtrace alone has).
  bool rethrown = false;
  // Optimised too, every marked line is in the report (not on Windows,
  // where a thread's walk goes on through the system's start of threads,
  // whose frames leave no room for them).
  bool marked_optimised = false;
  // The lines a count line names, in every build (0: not checked).
  std::uint64_t cycle = 0;
};

const char kOutOfRange[] = "after throwing an instance of 'std::out_of_range'";
const char kInvalid[] = "after throwing an instance of 'std::invalid_argument'";

const Ending kEndings[] = {
    {"assert", 227, {"count > 0"}, {"[assert]", "[main assert]"}, {"An assert failed"}},
    {"abort", 227, {}, {"[main abort]"}, {"The program called abort()"}},
    {"null-read", 216, {}, {"[null read]", "[main null read]"}, {"~read through a null pointer"}},
    {"inlined-helper",
     216,
     {},
     {"[put]", "[fill]", "[main fill]"},
     {"~wrote through a null pointer"},
     kNone,
     false,
     true},
    {"double-free",
     227,
     {"double free"},
     {"[delete]", "[main double free]"},
     {"heap broken"},
     kWindows},
    {"overrun", 227, {"free(): "}, {"[overrun]", "[main overrun]"}, {"heap broken"}, kWindows},
    // The thread that reports holds the heap's lock.
    {"double-free-locked",
     227,
     {"double free"},
     {"[locked]", "[main locked]"},
     {"heap broken"},
     kWindows | kQemu},
    {"vector-at",
     255,
     {kOutOfRange, "  what():  vector::_M_range_check"},
     {"[main at]"},
     {"std::out_of_range was thrown and nothing caught it"}},
    {"noexcept",
     255,
     {kInvalid, "  what():  negative"},
     {"[noexcept]", "[main noexcept]"},
     {"std::invalid_argument ", "~left a function declared noexcept"}},
    {"pure-virtual",
     255,
     {"pure virtual method called", "terminate called without an active exception"},
     {"[pure]", "[shape]", "[main pure]"},
     {"A pure virtual function was called"}},
    {"recursion",
     202,
     {},
     {"[recurse]", "[main recurse]"},
     {"The stack of the main thread (", "MB) ran out: Count calls itself"},
     kNone,
     true},
    {"thread",
     216,
     {},
     {"[store]"},
     {"~wrote through a null pointer", "~in the thread started at line ", "~in main"},
     kQemu},
    {"pthread",
     216,
     {},
     {"[write]", "[pthread]"},
     {"~wrote through a null pointer", "~in the thread started at line ", "~in main"},
     kQemu},
    {"two-threads",
     216,
     {},
     {"[write]"},
     {"~wrote through a null pointer", "~in the thread started at line ", "~in BothThreads"},
     kQemu},
    {"mutual-recursion",
     202,
     {},
     {"[even]", "[main even]"},
     {"The stack of the main thread (", "ran out: ", " call each other without end"},
     kNone,
     true,
     false,
     false,
     false,
     2},
    // The call that began the recursion is kept however the limit cuts.
    {"thread-overflow",
     202,
     {},
     {"[recurse]", "[lambda recurse]"},
     {"The stack of ", "ran out: Count calls itself"},
     kQemu,
     true,
     false,
     false,
     true},
    {"thread-throw",
     255,
     {kInvalid, "  what():  negative"},
     {"[noexcept]"},
     {"~left a function declared noexcept", "~in the thread started at line "},
     kQemu},
    {"constructor",
     216,
     {},
     {"[write]", "[ctor]", "[static]"},
     {"~wrote through a null pointer", "before main"}},
    {"constructor-throw",
     255,
     {"'std::runtime_error'", "  what():  no settings"},
     {"[ctor throw]"},
     {"std::runtime_error was thrown", "before main"}},
    {"destructor", 216, {}, {"[write]", "[dtor]"}, {"~wrote through a null pointer", "after main"}},
    {"atexit", 216, {}, {"[write]", "[atexit]"}, {"~wrote through a null pointer", "after main"}},
    {"literal", 216, {}, {"[literal]", "[main literal]"}, {"~wrote to address 0x", "~read-only"}},
    {"unmapped", 216, {}, {"[main unmapped]"}, {"address 0x100000000000", "nothing is mapped"}},
    {"null-call", 216, {}, {"[main null call]"}, {"called a function through a null pointer"}},
    {"stale-call", 216, {}, {"[main stale call]"}, {"jumped to address 0x100000000000", "no code"}},
    {"big-frame",
     202,
     {},
     // Where it faults within the frame differs: on Windows, in the probe of
     // the new frame's pages.
     {"[main big frame]"},
     {"The stack of the main thread", "~BigFrame's frame needs 16 MB; the stack holds "}},
    {"divide", 200, {}, {"[main divide]"}, {"divided an integer by zero"}, kQemu},
    {"divide-overflow",
     215,
     {},
     {"[main overflow]"},
     {"most negative number divided by -1"},
     kQemu},
    {"async-throw",
     255,
     {kOutOfRange, "  what():  no mark"},
     {"[first throw]", "[main get]"},
     {"std::out_of_range was thrown and nothing caught it"},
     kQemu | kWindows,
     false,
     false,
     true},
    {"rethrow-exception",
     255,
     {kOutOfRange},
     {"[first throw]", "[attempt]", "[main rethrow]"},
     {"std::out_of_range was thrown and nothing caught it"},
     kWindows,
     false,
     false,
     true},
    {"rethrow-in-handler",
     255,
     {kOutOfRange},
     {"[first throw]", "[retry]", "[rethrow]", "[main retry]"},
     {"std::out_of_range was thrown and nothing caught it"},
     kWindows,
     false,
     false,
     true},
};

std::string Setting(const char* mode) {
  return std::string("ENDING=") + mode;
}

Outcome RunEnding(const std::string& program, const char* mode, Out out = Out::kCapture) {
  Launch run;
  run.program = program;
  run.wrapper = {"env", Setting(mode)};
  run.out = out;
  return Execute(run);
}

// gdb stops at the signal, before the report; from the error's own address
// on, its backtrace is the report's (a repeated line a few times over), as
// far as both go.
void CompareWithGdb(const std::string& program, const Ending& e) {
  Outcome r = RunUnderGdb({program}, {"SIGSEGV", "SIGABRT"}, {Setting(e.mode)});
  std::vector<std::uint64_t> gdb = GdbFrames(r.out), ours;
  Report report;
  std::size_t at = r.err.find("Runtime error ");
  ASSERT_NE(at, std::string::npos) << r.out << r.err;
  ASSERT_TRUE(ReadReport(r.err, at, report));
  report.frames.insert(report.frames.begin(), report.own);
  // gdb's frames are the physical ones: the lines of an address's inlined
  // calls, which follow its own, stand for one; the lines a count line
  // names stand for their frames as many times more.
  std::vector<std::size_t> line_ends;  // of each line's frames in ours
  const Frame* before = nullptr;
  for (const Frame& frame : report.frames) {
    if (frame.left_out != 0) break;
    if (before == nullptr || before->addr != frame.addr || before->repeats != 0)
      ours.push_back(frame.addr);
    line_ends.push_back(ours.size());
    if (frame.repeats > 0) {
      std::size_t lines = line_ends.size();
      std::size_t from = lines > frame.cycle ? line_ends[lines - frame.cycle - 1] : 0;
      std::vector<std::uint64_t> cycle(ours.begin() + static_cast<std::ptrdiff_t>(from),
                                       ours.end());
      for (std::uint64_t n = 0; n < frame.repeats && n < 50; ++n)
        ours.insert(ours.end(), cycle.begin(), cycle.end());
    }
    before = &frame;
  }
  std::size_t k = 0;
  while (k < gdb.size() && gdb[k] != ours[0]) ++k;
  ASSERT_LT(k, gdb.size()) << "gdb has no frame at the error's address\n" << r.out << r.err;
  for (std::size_t i = 1; i < ours.size() && k + i < gdb.size(); ++i) {
    ASSERT_EQ(ours[i], gdb[k + i]) << "frame " << i << "\n" << r.out << r.err;
  }
}

// Each frame's function and line as gdb's backtrace names them (inlined
// calls included, which share their caller's pc), up to main, against the
// report's lines of the same run.
void CompareCallsWithGdb(const std::string& program, const Ending& e) {
  Outcome r = RunUnderGdb({program}, {"SIGSEGV"}, {Setting(e.mode)});
  static const std::regex frame(R"(^#\d+ +(0x[0-9a-f]+ in )?(\S+) \(.*\) at (\S+):(\d+)$)");
  std::vector<std::string> gdb, ours;
  std::istringstream lines(r.out);
  std::smatch m;
  for (std::string line;
       std::getline(lines, line) && (gdb.empty() || !gdb.back().starts_with("main "));) {
    if (std::regex_match(line, m, frame))
      gdb.push_back(m[2].str() + " " + line_diff::Position(m[3], std::stol(m[4])));
  }
  Report report;
  std::size_t at = r.err.find("Runtime error ");
  ASSERT_NE(at, std::string::npos) << r.out << r.err;
  ASSERT_TRUE(ReadReport(r.err, at, report));
  report.frames.insert(report.frames.begin(), report.own);
  for (const Frame& f : report.frames) {
    ours.push_back(f.function + " " + line_diff::Position(f.file, f.line));
    if (f.function == "main") break;
  }
  EXPECT_EQ(ours, gdb) << r.out << r.err;
}

// The marked lines among the report's, in order. Optimised, a call may be
// made a jump and its line lost: the frames are then checked against gdb's
// alone.
void CheckMarks(const Report& report, const Ending& e) {
  const std::string source = SourceCopy(kFolder, "endings.cpp");
  std::size_t next = 0;
  if (report.own.file == source && report.own.line == LineOf(source, e.marks[0])) next = 1;
  for (const Frame& line : report.frames) {
    if (next < e.marks.size() && line.file == source &&
        line.line == LineOf(source, e.marks[next])) {
      ++next;
    }
  }
  std::string lines = report.own.file + ":" + std::to_string(report.own.line);
  for (const Frame& f : report.frames) lines += "\n" + f.file + ":" + std::to_string(f.line);
  EXPECT_EQ(next, e.marks.size()) << "marked lines missing from\n" << lines;
}

// The words on why the program ended: the lines after the error line, up
// to the first frame line, none of which begins with "$".
void CheckCause(const std::string& report, const Ending& e) {
  std::size_t from = report.find('\n') + 1, to = report.find("  $", from);
  std::string words = report.substr(from, to == std::string::npos ? 0 : to - from);
  EXPECT_EQ(words.find('$'), std::string::npos) << words;
  std::size_t at = 0;
  for (std::string part : e.cause) {
    if (part[0] == '~' && !Env("QUIZ_TARGET").empty()) continue;
    if (part[0] == '~') part.erase(0, 1);
    at = words.find(part, at);
    ASSERT_NE(at, std::string::npos) << part << " is not in\n" << report;
  }
}

TEST(EndingTest, EveryWayAProgramEndsIsReported) {
  for (const Build& build :
       {Build{"default", {}}, Build{"optimised", {"-DCMAKE_CXX_FLAGS=-O2 -g"}}}) {
    SCOPED_TRACE(build.name);
    std::string program = BuildProgram(kFolder, "endings", build);
    for (const Ending& e : kEndings) {
      SCOPED_TRACE(e.mode);
      std::string target = Env("QUIZ_TARGET");
      if (((e.skip & kWindows) && target == "windows") || ((e.skip & kQemu) && target == "aarch64"))
        continue;
      Outcome r = RunEnding(program, e.mode);
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
      CheckCause(r.err.substr(start), e);
      bool marked = e.inlined || (e.marked_optimised && target != "windows");
      if (build.name == "default" || marked) CheckMarks(report, e);
      bool counted = false, left_out = false, cycle = e.cycle == 0;
      for (const Frame& frame : report.frames) {
        counted = counted || frame.repeats > 0;
        left_out = left_out || frame.left_out > 0;
        cycle = cycle || (frame.repeats > 0 && frame.cycle == e.cycle);
      }
      // Optimised, inlined calls may take the lines the count line needs:
      // the frames it would count are then among those left out.
      if (build.name != "default" && e.repeats) counted = counted || left_out;
      EXPECT_EQ(counted, e.repeats) << r.err;
      EXPECT_TRUE(cycle) << "no count of " << e.cycle << " lines in\n" << r.err;
      EXPECT_EQ(report.rethrown, e.rethrown) << r.err;
      // A first throw's frames are gone: no values are made up for them.
      if (e.rethrown) EXPECT_TRUE(report.own.values.empty()) << r.err;
      // The values that led there, under a frame line of the program's own.
      static const std::set<std::string> kValued = {"null-read", "inlined-helper", "divide",
                                                    "assert",    "vector-at",      "thread"};
      if (kValued.count(e.mode) != 0) {
        bool valued = std::any_of(report.frames.begin(), report.frames.end(), [](const Frame& f) {
          return !f.values.empty() && f.values[0].find(" = ") != std::string::npos &&
                 f.values[0].find("<unreadable>") == std::string::npos;
        });
        EXPECT_TRUE(valued || !report.own.values.empty()) << r.err;
      }
      // A recursion's first call, under its count: the values it began with.
      if (e.mode == std::string("recursion") && build.name == "default") {
        bool first = std::any_of(report.frames.begin(), report.frames.end(), [](const Frame& f) {
          return f.first_call.size() == 1 &&
                 f.first_call[0].starts_with("      in the first call of Count: n = 0");
        });
        EXPECT_TRUE(first) << r.err;
      }
      if (target.empty() && !Env("GDB").empty() && e.mode != std::string("two-threads") &&
          !e.rethrown)
        CompareWithGdb(program, e);
      if (target.empty() && !Env("GDB").empty() && e.inlined) CompareCallsWithGdb(program, e);
    }
  }
}

// A program without a line table is told how to have one.
TEST(EndingTest, AProgramWithoutLinesIsToldHowToGetThem) {
  std::string program = BuildProgram(kFolder, "endings", {"default", {}});
  std::string stripped = program + "-stripped";
  RunTool({Env("OBJCOPY"), "--strip-debug", program, stripped});
  Outcome r = RunEnding(stripped, "abort");
  Report report;
  std::size_t start = r.err.find("Runtime error ");
  ASSERT_NE(start, std::string::npos) << r.err;
  ASSERT_TRUE(IsReport(std::string_view(r.err).substr(start), report));
  ASSERT_FALSE(report.cause.empty()) << r.err;
  EXPECT_NE(report.cause.back().find("build it with -g"), std::string::npos) << r.err;
  // With its line table, no such hint.
  r = RunEnding(program, "abort");
  EXPECT_EQ(r.err.find("build it with -g"), std::string::npos) << r.err;
}

// Where the unwinder aborts on a `throw;` that nothing catches (the Windows
// build's does, before std::terminate), the words say so, not abort().
TEST(EndingTest, ARethrowThatAbortsIsNamed) {
  if (Env("QUIZ_TARGET") != "windows") GTEST_SKIP() << "elsewhere std::terminate is reached";
  Outcome r = RunEnding(BuildProgram(kFolder, "endings", {"default", {}}), "rethrow-in-handler");
  EXPECT_NE(r.err.find("\n  An exception was thrown again"), std::string::npos) << r.err;
}

// A program that handles a fault itself, and one whose reader goes away,
// end as they would without the runtime.
TEST(EndingTest, TheProgramsOwnWaysAreKept) {
  std::string program = BuildProgram(kFolder, "endings", {"default", {}});
  Outcome r = RunEnding(program, "own-handler");
  EXPECT_TRUE(r.exited && r.code == 3) << r.code << " " << r.signal;
  EXPECT_EQ(r.out.substr(0, 7), "handled");
  EXPECT_EQ(r.err, "");
  if (Env("QUIZ_TARGET") == "windows")
    GTEST_SKIP() << "Windows has no signal for a vanished reader";
  r = RunEnding(program, "pipe", Out::kReaderGone);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.signal, 13) << "not ended by a broken pipe";
  EXPECT_EQ(r.err, "");
}

// A run that ends well leaves the runtime's code and constants in mappings
// of their own, begun at the first whole page after the runtime's marks.
TEST(EndingTest, TheRuntimesPagesAreMappedApart) {
  if (!Env("QUIZ_TARGET").empty() || Env("GDB").empty()) GTEST_SKIP() << "needs gdb, natively";
  std::string program = BuildProgram(kFolder, "endings", {"default", {}});
  Outcome r = RunCommand({Env("GDB"), "-batch", "-nx", "-ex", "catch syscall exit_group", "-ex",
                          "run", "-ex", "printf \"mark %#lx\\n\", &quiz_runtime_code", "-ex",
                          "printf \"mark %#lx\\n\", &quiz_runtime_constants", "-ex",
                          "info proc mappings", program});
  static const std::regex mark(R"(^mark 0x([0-9a-f]+)$)"), mapping(R"(^\s+0x([0-9a-f]+)\s+0x)");
  std::vector<std::uint64_t> marks, starts;
  std::istringstream lines(r.out);
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_search(line, m, mark)) marks.push_back(std::stoull(m[1], nullptr, 16));
    if (std::regex_search(line, m, mapping)) starts.push_back(std::stoull(m[1], nullptr, 16));
  }
  ASSERT_EQ(marks.size(), 2u) << r.out << r.err;
  for (std::uint64_t at : marks) {
    std::uint64_t page = (at + 4095) & ~std::uint64_t{4095};
    EXPECT_NE(std::find(starts.begin(), starts.end(), page), starts.end())
        << std::hex << page << " begins no mapping\n"
        << r.out;
  }
}

}  // namespace
