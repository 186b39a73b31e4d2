// The fault report's frames against gdb's backtrace of the same run: gdb
// stops the fault program at the fault, before the program's handler,
// prints the faulting pc and the backtrace, and lets the signal through, so
// the program's report of that same fault, at the same addresses, follows.
#include <gtest/gtest.h>

#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "error_report.h"
#include "process_runner.h"

namespace {

using namespace e2e;

// The faulting pc, then one pc per frame of the backtrace, innermost first.
// A frame line without an address is of a function inlined into the frame
// above it, which shares its pc; #0 prints none where the pc begins a line.
std::vector<std::uint64_t> GdbFrames(const std::string& out) {
  static const std::regex pc(R"(^pc (0x[0-9a-f]+|0)$)");
  static const std::regex frame(R"(^#([0-9]+) +(0x[0-9a-f]+) in )");
  std::vector<std::uint64_t> pcs;
  std::istringstream lines(out);
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (pcs.empty() && std::regex_search(line, m, pc)) {
      pcs.push_back(std::stoull(m[1].str(), nullptr, 16));
    } else if (!pcs.empty() && std::regex_search(line, m, frame) && m[1] != "0") {
      pcs.push_back(std::stoull(m[2].str(), nullptr, 16));
    }
  }
  return pcs;
}

// Faults whose frames lie in the program, in no module, in the C library,
// and in code without frame records.
const char* const kModes[] = {"null-write",     "null-call",       "strlen-null",
                              "frameless",      "frameless-chain", "qsort-callback",
                              "frameless-leaf", "frame-past-stack"};

TEST(FaultGdbDiffTest, ReportFramesAreGdbBacktraceFrames) {
  if (Env("FAULT_EXE").empty()) GTEST_FAIL() << "FAULT_EXE must name the fault program";
  if (!Env("QUIZ_TARGET").empty()) GTEST_SKIP() << "gdb runs the build machine's programs only";
  if (Env("GDB").empty()) GTEST_SKIP() << "gdb is not installed";
  for (const char* mode : kModes) {
    SCOPED_TRACE(mode);
    Outcome r = RunCommand({Env("GDB"), "-batch", "-nx", "-iex", "set debuginfod enabled off",
                            "-ex", "handle SIGSEGV stop print pass", "-ex", "run", "-ex",
                            "printf \"pc %#lx\\n\", $pc", "-ex", "bt", "-ex", "continue", "--args",
                            Env("FAULT_EXE"), mode});
    ASSERT_TRUE(r.exited && !r.timed_out) << r.err;
    std::vector<std::uint64_t> gdb = GdbFrames(r.out);
    Report report;
    std::size_t at = r.err.find("Runtime error ");
    ASSERT_NE(at, std::string::npos) << r.err;
    ASSERT_TRUE(ReadReport(r.err, at, report));
    report.frames.insert(report.frames.begin(), report.own);
    // Up to main_wrapper, the outermost frame of both, unless the report's
    // limit of frame lines came first.
    ASSERT_GE(gdb.size(), report.frames.size()) << r.out << r.err;
    if (report.frames.size() < 10) {
      EXPECT_EQ(gdb.size(), report.frames.size()) << r.out << r.err;
    }
    for (std::size_t i = 0; i < report.frames.size(); ++i) {
      EXPECT_EQ(report.frames[i].addr, gdb[i]) << "frame " << i << "\n" << r.out << r.err;
    }
  }
}

}  // namespace
