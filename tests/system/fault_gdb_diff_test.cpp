// The fault report's frames against gdb's backtrace of the same run: gdb
// stops the fault program at the fault, before the program's handler,
// prints the faulting pc and the backtrace, and lets the signal through, so
// the program's report of that same fault, at the same addresses, follows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "error_report.h"
#include "gdb_backtrace.h"
#include "process_runner.h"

namespace {

using namespace e2e;

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
    Outcome r = RunUnderGdb({Env("FAULT_EXE"), mode}, {"SIGSEGV"});
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
