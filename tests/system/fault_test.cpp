// The exit path and the error report of a program on the runtime, driven
// through the fault program (FAULT_EXE), which raises the fault or run-time
// error that its argument names. Its units leave markers on standard output
// as they are finalised.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "error_report.h"
#include "process_runner.h"

#ifdef __has_feature
#define E2E_HAS_FEATURE(x) __has_feature(x)
#else
#define E2E_HAS_FEATURE(x) 0
#endif
#if defined(__SANITIZE_ADDRESS__) || E2E_HAS_FEATURE(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

namespace {

using namespace e2e;

const std::string kMarkers = "[run][fini 4][fini 3][fini 2]";

Outcome RunFault(std::string_view mode, Out out = Out::kCapture) {
  Launch run;
  run.program = Env("FAULT_EXE");
  run.args = {std::string(mode)};
  run.out = out;
  return Execute(run);
}

// A place the program marked on its way to a fault.
struct Place {
  std::string file;
  long line = 0;
};

// The places marked ("[at FILE:LINE ...]" among the program's markers),
// outermost call first and the faulting statement last; they are taken out
// of out.
std::vector<Place> TakeMarks(std::string& out) {
  static const std::regex at(R"(\[at((?: [^ :\]]+:[0-9]+)+)\])");
  std::smatch m;
  std::vector<Place> places;
  if (!std::regex_search(out, m, at)) return places;
  std::istringstream words(m[1].str());
  for (std::string word; words >> word;) {
    std::size_t colon = word.rfind(':');
    places.push_back({word.substr(0, colon), std::stol(word.substr(colon + 1))});
  }
  out.erase(static_cast<std::size_t>(m.position(0)), static_cast<std::size_t>(m.length(0)));
  return places;
}

bool At(const Frame& frame, const Place& place) {
  return frame.file == place.file && frame.line == place.line;
}

// The program's own sources are named relative to the repository, and are
// there; the C library's and the system's are not, or have no line at all.
bool OfTheProgram(const Frame& frame) {
  std::filesystem::path file(frame.file);
  return !frame.file.empty() && file.is_relative() &&
         std::filesystem::exists(Env("QUIZ_SOURCE_DIR") / file);
}

// Code addresses of separate runs of one program differ by whole pages.
bool SamePlace(std::uint64_t a, std::uint64_t b) {
  return ((a ^ b) & 0xFFF) == 0;
}

// The return address into the wrapper from the program it calls, as the one
// frame line of a plain run-time error raised by the program shows it.
std::uint64_t WrapperReturn() {
  static const std::uint64_t address = [] {
    Report report;
    bool ok = IsReport(RunFault("run-error-65535").err, report) && report.frames.size() == 1;
    EXPECT_TRUE(ok) << "no wrapper return to compare with";
    return ok ? report.frames[0].addr : 0;
  }();
  return address;
}

enum class Stream { kErr, kOut, kOutClosed, kNone };

enum class Anchor {
  kNone,
  kWalkToWrapper,  // the last frame line is the wrapper return
  kAddress2A,
  // A fault: the error address's own line is the faulting statement's, and
  // each frame line after it the line of a call that led there (kFaultChain,
  // ending at the wrapper return), a line of the function that recursed
  // (kFaultInRecursion), or nothing known (kFault).
  kFault,
  kFaultChain,
  kFaultInRecursion,
  // As kFaultChain, where frames outside the program may stand anywhere
  // among the marked lines (kFaultThrough), or where the fault is at address
  // 0 in no code at all, whose frame line is plain (kFaultAtZero).
  kFaultThrough,
  kFaultAtZero,
};

constexpr int kSome = -1;  // frame lines of the walk: 1 to 9
constexpr int kAny = -2;   // 0 to 9

struct Case {
  const char* mode;
  unsigned number;  // in the report; its low 8 bits are the exit status
  int walk;         // frame lines after the error address's own
  Anchor anchor;
  std::string out;  // standard output, after the report when that goes there
  Stream report = Stream::kErr;
};

void PrintTo(const Case& c, std::ostream* os) {
  *os << c.mode;
}

// A processor fault is reported at the faulting instruction, with the frame
// chain as it stood at the fault: here three calls of the program's own
// (one of them recursive) and the return into the wrapper.
const Case kCases[] = {
    {"null-write", 216, 5, Anchor::kFaultChain, kMarkers},
    {"int-div-zero", 200, 5, Anchor::kFaultChain, kMarkers},
    // The floating-point unit was reset to the start-up values.
    {"float-div-zero", 208, 5, Anchor::kFaultChain,
     "[run][fini 4][mxcsr 0000000000001900][fini 3][fini 2]"},
    {"illegal-instruction", 216, 5, Anchor::kFaultChain, kMarkers},
    // The walk steps out of code in no module by the return address that the
    // call left, out of the C library and out of routines without frame
    // records by their call-frame information.
    {"null-call", 216, 6, Anchor::kFaultAtZero, kMarkers},
    {"strlen-null", 216, kSome, Anchor::kFaultThrough, kMarkers},
    {"qsort-callback", 216, kSome, Anchor::kFaultThrough, kMarkers},
    {"frameless", 216, 5, Anchor::kFaultChain, kMarkers},
    {"frameless-chain", 216, 7, Anchor::kFaultChain, kMarkers},
    {"frameless-leaf", 216, 6, Anchor::kFaultChain, kMarkers},
    // A frame larger than the whole stack is a stack fault, with its callers;
    // where the stack is probed page by page, the probe's frame comes first.
    {"frame-past-stack", 202, kSome, Anchor::kFaultThrough, kMarkers},
    // The frame that overflowed and its callers, as far as the limit goes.
    {"stack-overflow", 202, 9, Anchor::kFaultInRecursion, kMarkers},
    // A frame register that leads nowhere: where the routine's call-frame
    // information counts from it the walk ends early, where it does not
    // (aarch64) the walk goes on; the report comes either way.
    {"fault-frame-outside", 216, kAny, Anchor::kFault, kMarkers},
    {"fault-frame-downwards", 216, kAny, Anchor::kFault, kMarkers},
    {"fault-frame-misaligned", 216, kAny, Anchor::kFault, kMarkers},
    {"run-error-65535", 65535, 1, Anchor::kWalkToWrapper, kMarkers},
    {"frame-chain-20", 230, 9, Anchor::kNone, kMarkers},
    // A frame record that points down: the walk stops there where the
    // routine's call-frame information counts from the frame register.
    {"corrupt-frame-chain", 231, kSome, Anchor::kNone, kMarkers},
    // Raised from a finalisation: the first error is never reported, and the
    // finalisations are not run again.
    {"final-error", 210, kSome, Anchor::kWalkToWrapper, kMarkers},
    // The failed unit and those after it are not finalised.
    {"init-error", 212, kSome, Anchor::kWalkToWrapper, ""},
    {"out-of-memory", 203, kSome, Anchor::kWalkToWrapper, kMarkers},
    {"io-error", 101, 1, Anchor::kWalkToWrapper, "", Stream::kOutClosed},
    {"report-to-stdout", 2, 1, Anchor::kWalkToWrapper, kMarkers, Stream::kOut},
    {"small-address", 7, 0, Anchor::kAddress2A, kMarkers},
    {"no-frame", 8, 0, Anchor::kNone, kMarkers, Stream::kNone},
    // A normal end: text still buffered reaches the platform after the
    // finalisations have added theirs.
    {"end", 0, 0, Anchor::kNone, "[run][pending][fini 4][fini 3][fini 2]", Stream::kNone},
};

class FaultTest : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (Env("FAULT_EXE").empty()) GTEST_FAIL() << "FAULT_EXE must name the fault program";
    if (Env("QUIZ_SOURCE_DIR").empty()) GTEST_FAIL() << "QUIZ_SOURCE_DIR must name the sources";
  }
};

TEST_P(FaultTest, ExitStatusReportAndOutput) {
  const Case& c = GetParam();
  if (kAddressSanitizer && c.mode == std::string_view("out-of-memory"))
    GTEST_SKIP() << "the sanitizer's allocator ends the program itself";
  if (Env("QUIZ_TARGET") == "aarch64" &&
      (c.mode == std::string_view("int-div-zero") || c.mode == std::string_view("float-div-zero")))
    GTEST_SKIP() << "aarch64 does not trap integer division by zero, and its floating-point "
                    "traps are optional in hardware (qemu-user has none)";
  Outcome r = RunFault(c.mode, c.report == Stream::kOutClosed ? Out::kClosed : Out::kCapture);
  EXPECT_FALSE(r.timed_out);
  ASSERT_TRUE(r.exited) << "killed by signal " << r.signal << "\n" << r.err;
  EXPECT_EQ(r.code, static_cast<int>(c.number & 0xFF));
  if (c.report == Stream::kNone) {
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(SameBytes(r.out, c.out));
    return;
  }

  std::vector<Place> marks = TakeMarks(r.out);
  const std::string& text = c.report == Stream::kOut ? r.out : r.err;
  const std::string& other = c.report == Stream::kOut ? r.err : r.out;
  Report report;
  std::size_t end = 0;
  ASSERT_TRUE(ReadReport(text, end, report));
  // A program written as the quiz is keeps its report as it always was.
  EXPECT_TRUE(report.cause.empty()) << text;
  EXPECT_TRUE(SameBytes(text.substr(end), c.report == Stream::kOut ? c.out : ""));
  EXPECT_TRUE(SameBytes(other, c.report == Stream::kOut ? "" : c.out));
  EXPECT_EQ(report.number, c.number);

  const std::size_t walk = report.frames.size();
  if (c.walk == kSome || c.walk == kAny) {
    EXPECT_GE(walk, c.walk == kSome ? 1u : 0u);
    EXPECT_LE(walk, 9u);
  } else {
    EXPECT_EQ(walk, static_cast<std::size_t>(c.walk));
  }
  switch (c.anchor) {
    case Anchor::kNone:
      break;
    case Anchor::kFaultAtZero:
      EXPECT_EQ(report.addr, 0u);
      EXPECT_EQ(report.own.file, "") << "a frame line with a place for address 0";
      [[fallthrough]];
    case Anchor::kFault:
    case Anchor::kFaultChain:
    case Anchor::kFaultThrough: {
      ASSERT_FALSE(marks.empty()) << "no places marked";
      if (c.anchor == Anchor::kFault || c.anchor == Anchor::kFaultChain) {
        EXPECT_TRUE(At(report.own, marks.back()))
            << "not the faulting statement's line: " << report.own.file << ":" << report.own.line;
      }
      if (c.anchor == Anchor::kFault) break;
      // The marked lines, innermost first, each once and where its call was
      // made, then the return into the wrapper.
      if (c.anchor == Anchor::kFaultChain) {
        ASSERT_EQ(walk, marks.size());
      }
      ASSERT_GT(walk, 0u);
      EXPECT_TRUE(SamePlace(report.frames.back().addr, WrapperReturn()));
      report.frames.insert(report.frames.begin(), report.own);
      std::size_t left = marks.size();
      for (std::size_t i = 0; i < walk; ++i) {
        const Frame& frame = report.frames[i];
        if (left > 0 && At(frame, marks[left - 1])) {
          --left;
        } else if (OfTheProgram(frame)) {
          ADD_FAILURE() << "frame line " << i << " is not the next marked line: " << frame.file
                        << ":" << frame.line << "\n"
                        << r.err;
          break;
        }
      }
      EXPECT_EQ(left, 0u) << "not in the report: " << marks[left - 1].file << ":"
                          << marks[left - 1].line;
      break;
    }
    case Anchor::kFaultInRecursion:
      ASSERT_EQ(marks.size(), 2u) << "the recursive function's first and last line";
      report.frames.push_back(report.own);
      for (const Frame& frame : report.frames) {
        EXPECT_EQ(frame.file, marks[0].file);
        EXPECT_GE(frame.line, marks[0].line);
        EXPECT_LE(frame.line, marks[1].line);
      }
      break;
    case Anchor::kWalkToWrapper:
      ASSERT_GT(walk, 0u);
      EXPECT_TRUE(SamePlace(report.frames.back().addr, WrapperReturn()))
          << std::hex << report.frames.back().addr << " is not the wrapper return "
          << WrapperReturn();
      break;
    case Anchor::kAddress2A:
      EXPECT_EQ(report.addr, 0x2Au);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, FaultTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.mode;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

// The frame line of the first error's address raises an error of its own:
// the first report stops after its first line, and a complete report of the
// new error follows, whose walk passes the place of the first error on its
// way to the wrapper.
TEST(FaultReportTest, ErrorWhileReportingGivesASecondCompleteReport) {
  if (Env("FAULT_EXE").empty()) GTEST_FAIL() << "FAULT_EXE must name the fault program";
  Outcome r = RunFault("error-in-report");
  ASSERT_TRUE(r.exited) << "killed by signal " << r.signal;
  EXPECT_EQ(r.code, 232);
  EXPECT_TRUE(SameBytes(r.out, kMarkers));

  Report first, second;
  std::size_t pos = 0;
  ASSERT_TRUE(ReadErrorLine(r.err, pos, first));
  EXPECT_EQ(first.number, 1u);
  ASSERT_TRUE(ReadReport(r.err, pos, second));
  EXPECT_EQ(pos, r.err.size()) << Escaped(r.err.substr(pos));
  EXPECT_EQ(second.number, 232u);
  ASSERT_GE(second.frames.size(), 2u);
  EXPECT_LE(second.frames.size(), 9u);
  EXPECT_EQ(second.frames.end()[-2].addr, first.addr);
  EXPECT_TRUE(SamePlace(second.frames.back().addr, WrapperReturn()));
}

// A frame in a module that has no line table costs only its own line: the
// frames of the program on either side of it keep theirs.
TEST(FaultReportTest, ModuleWithoutLinesBetweenFramesWithLines) {
  if (Env("FAULT_EXE").empty()) GTEST_FAIL() << "FAULT_EXE must name the fault program";
  if (Env("QUIZ_TARGET") == "windows") GTEST_SKIP() << "the Windows build has no such library";
  Outcome r = RunFault("through-unlined-module");
  ASSERT_TRUE(r.exited) << "killed by signal " << r.signal;
  EXPECT_EQ(r.code, 216);
  std::vector<Place> marks = TakeMarks(r.out);
  Report report;
  std::size_t end = 0;
  ASSERT_TRUE(ReadReport(r.err, end, report)) << r.err;
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_TRUE(At(report.own, marks[2])) << report.own.file << ":" << report.own.line;
  ASSERT_EQ(report.frames.size(), 4u) << r.err;
  EXPECT_TRUE(At(report.frames[0], marks[1])) << r.err;
  EXPECT_EQ(report.frames[1].file, "") << "the library's frame is plain";
  EXPECT_TRUE(At(report.frames[2], marks[0])) << r.err;
  EXPECT_TRUE(SamePlace(report.frames[3].addr, WrapperReturn()));
}

}  // namespace
