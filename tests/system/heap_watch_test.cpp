// The report makes no call of the C library's heap: the heap-watching
// program (HEAP_WATCH_EXE) ends with status 99 at the first one after it
// raises its error. Its report must be complete, with its own source lines,
// read plainly and through each compression method's decoder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "error_report.h"
#include "process_runner.h"
#include "tests/support/scratch.h"

namespace {

using namespace e2e;

constexpr char kSource[] = "tests/system/heap_watch_program.cpp";

class HeapWatchTest : public testing::TestWithParam<std::string> {};

TEST_P(HeapWatchTest, ReportIsCompleteWithoutTheHeap) {
  std::string program = Env("HEAP_WATCH_EXE");
  if (program.empty())
    GTEST_SKIP() << "no such program here: AddressSanitizer replaces malloc itself, and a "
                    "Windows program cannot replace the malloc that its C library calls";
  if (GetParam() != "plain") {
    std::string copy = testing_support::ScratchDir() + "/heap_watch_" + GetParam();
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
    Outcome made = RunCommand({Env("OBJCOPY"), "--compress-debug-sections=" + GetParam(), copy});
    if (made.code != 0) GTEST_SKIP() << "objcopy cannot compress so: " << made.err;
    program = copy;
  }
  Launch run;
  run.program = program;
  Outcome r = Execute(run);
  EXPECT_EQ(r.code, 230) << r.err;
  std::vector<long> lines;  // the error's own line, then the calls that led to it
  std::ifstream source(Env("QUIZ_SOURCE_DIR") + "/" + kSource);
  long number = 0;
  for (std::string line; std::getline(source, line); ++number) {
    if (line.ends_with("// in the report")) lines.push_back(number + 1);
  }
  ASSERT_EQ(lines.size(), 3u);
  Report report;
  ASSERT_TRUE(IsReport(r.err, report));
  ASSERT_GE(report.frames.size(), lines.size()) << r.err;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Frame& frame = i == 0 ? report.own : report.frames[i - 1];
    EXPECT_EQ(frame.file, kSource) << r.err;
    EXPECT_EQ(frame.line, lines[i]) << r.err;
  }
}

INSTANTIATE_TEST_SUITE_P(Sections, HeapWatchTest, testing::Values("plain", "zlib", "zstd"),
                         [](const auto& info) { return info.param; });

}  // namespace
