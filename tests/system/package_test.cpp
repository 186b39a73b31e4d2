// Programs of other projects on the installed runtime: the build under test
// (QUIZ_BUILD_DIR) is installed into a scratch prefix, and each example is
// copied out of the repository, configured with find_package(QuizRuntime),
// built and run. A cross build's examples are built with its toolchain file
// (QUIZ_TOOLCHAIN) and run under QUIZ_RUNNER.
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
using testing_support::TempDir;

TempDir& Scratch() {
  static TempDir dir;
  return dir;
}

// The runtime installed into the scratch prefix, once per run.
const std::string& Prefix() {
  static const std::string prefix = [] {
    std::string dir = Scratch() / "prefix";
    RunTool({Env("CMAKE"), "--install", Env("QUIZ_BUILD_DIR"), "--prefix", dir});
    return dir;
  }();
  return prefix;
}

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
};

struct Example {
  const char* folder;  // under examples/
  const char* program;
  const char* source;
  // A program with its own main ends its frames at main; one on the process
  // entry ends them with the plain line of the entry's wrapper.
  bool walk_ends_at_wrapper;
  // Writes through the C library's streams, which end lines with CR LF on
  // Windows.
  bool c_streams;
};

// One build of an example. The program with its own main is also built
// with its debug sections compressed after the link on aarch64, and, on the
// build machine, by clang++ (also compressed) and linked statically.
struct Build {
  std::string name;  // also its build folder's
  std::vector<std::string> options;
  bool compressed = false;
};

std::vector<Build> Builds(bool variants) {
  std::vector<Build> builds = {{"default", {}}};
  if (!variants) return builds;
  std::string target = Env("QUIZ_TARGET");
  if (target == "aarch64") builds.push_back({"compressed", {}, true});
  if (!target.empty()) return builds;
  if (!Env("CLANGXX").empty()) {
    std::string clang = "-DCMAKE_CXX_COMPILER=" + Env("CLANGXX");
    builds.push_back({"clang++", {clang}});
    builds.push_back({"clang++-compressed", {clang}, true});
  }
  builds.push_back({"static",
                    {"-DCMAKE_EXE_LINKER_FLAGS=-static", "-DZLIB_USE_STATIC_LIBS=ON",
                     "-DZstd_USE_STATIC_LIBS=ON"}});
  return builds;
}

// Builds the example out of the repository; returns the program's path.
std::string BuildExample(const Example& example, const Build& build) {
  std::string source = Scratch() / example.folder;
  std::string binary = source + "-" + build.name;
  if (!std::filesystem::exists(source)) {
    std::filesystem::copy(Env("QUIZ_SOURCE_DIR") + "/examples/" + example.folder, source,
                          std::filesystem::copy_options::recursive);
  }
  std::vector<std::string> configure = {Env("CMAKE"), "-S", source, "-B", binary, "-G", "Ninja"};
  configure.push_back("-DCMAKE_MAKE_PROGRAM=" + Env("NINJA"));
  if (Env("QUIZ_TOOLCHAIN").empty()) {
    configure.push_back("-DCMAKE_PREFIX_PATH=" + Prefix());
  } else {
    // A cross build finds packages only under its root path, or where named.
    configure.push_back("--toolchain=" + Env("QUIZ_TOOLCHAIN"));
    configure.push_back("-DQuizRuntime_DIR=" + Prefix() + "/lib/cmake/QuizRuntime");
  }
  configure.insert(configure.end(), build.options.begin(), build.options.end());
  RunTool(configure);
  RunTool({Env("CMAKE"), "--build", binary});
  std::string program =
      binary + "/" + example.program + (Env("QUIZ_TARGET") == "windows" ? ".exe" : "");
  if (build.compressed) RunTool({Env("OBJCOPY"), "--compress-debug-sections=zlib", program});
  return program;
}

long LineOf(const std::string& path, const std::string& text) {
  std::ifstream in(path);
  long number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.find(text) != std::string::npos) return number;
  }
  ADD_FAILURE() << "no line of " << path << " holds " << text;
  return -1;
}

void RunCases(const Example& example, const std::vector<Case>& cases, bool variants) {
  const std::string source = Scratch() / (std::string(example.folder) + "/" + example.source);
  for (const Build& build : Builds(variants)) {
    SCOPED_TRACE(build.name);
    std::string program = BuildExample(example, build);
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
      Report report;
      ASSERT_TRUE(IsReport(r.err, report));
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
  const Example greeting = {"runtime_program", "greeting", "greeting.cpp", true, false};
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
  const Example marks = {"ordinary_program", "marks", "marks.cpp", false, true};
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
       "How many marks? "},
  };
  RunCases(marks, cases, true);
}

}  // namespace
