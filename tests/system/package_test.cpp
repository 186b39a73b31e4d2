// The examples, programs of other projects on the installed runtime, each
// built out of the repository and run.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "error_report.h"
#include "installed_package.h"
#include "process_runner.h"
#include "wrapper_returns.h"

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

// text as a Windows program's C runtime writes it: each "\n" as "\r\n".
std::string WindowsLineEnds(std::string text) {
  for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += 2)
    text.insert(at, "\r");
  return text;
}

// Runs each case on one build of the example's program.
void CheckCases(const Example& example, const std::string& program,
                const std::vector<Case>& cases) {
  const std::string source = SourceCopy(example.folder, example.source);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Launch run;
    run.program = program;
    run.input = c.input;
    run.out = c.out;
    Outcome r = Execute(run);
    ASSERT_TRUE(r.exited) << "killed by signal " << r.signal << "\n" << r.err;
    const bool windows = Env("QUIZ_TARGET") == "windows";
    std::string expected =
        example.c_streams && windows ? WindowsLineEnds(c.stdout_text) : c.stdout_text;
    EXPECT_TRUE(SameBytes(r.out, expected));
    if (c.number == 0) {
      EXPECT_EQ(r.code, c.status);
      EXPECT_EQ(r.err, "");
      continue;
    }
    EXPECT_EQ(r.code, static_cast<int>(c.number & 0xFF));
    std::string before = windows ? WindowsLineEnds(c.before_report) : c.before_report;
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

void RunCases(const Example& example, const std::vector<Case>& cases, bool variants) {
  for (const Build& build : Builds(variants)) {
    SCOPED_TRACE(build.name);
    std::string program = BuildProgram(example.folder, example.program, build);
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    CheckCases(example, program, cases);
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

const Example kMarks = {"examples/ordinary_program", "marks", "marks.cpp", false, true};

// The beginner's exercise: its normal ends, a processor fault and an
// exception that nothing catches. What the program wrote to std::cout
// before the error reaches standard output all the same.
const std::vector<Case> kMarksCases = {
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

// A beginner's exercise with its own main, built with CMake.
TEST_F(PackageTest, ProgramWithItsOwnMain) {
  RunCases(kMarks, kMarksCases, true);
}

bool OnPath(const std::string& tool) {
  return RunCommand({"sh", "-c", "command -v " + tool}).code == 0;
}

// The same exercise built by the plain compiler command, with what
// pkg-config gives for the installed package and no -g of its own.
TEST_F(PackageTest, ProgramBuiltWithPkgConfig) {
  if (!Env("QUIZ_TARGET").empty()) GTEST_SKIP() << "the compiler command is the build machine's";
  if (!OnPath("pkg-config")) GTEST_SKIP() << "pkg-config is not installed";
  const std::string source = CopyProject(kMarks.folder) + "/" + kMarks.source;
  const std::string program = Scratch() / "marks-pkg-config";
  // Where the architecture's pkg-config files go: lib/<triplet>/pkgconfig.
  std::string folder;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(Prefix() + "/lib"))
    if (entry.path().filename() == "quizruntime-report.pc") folder = entry.path().parent_path();
  ASSERT_NE(folder, "") << "no quizruntime-report.pc under " << Prefix();
  std::string flags = RunTool({"env", "PKG_CONFIG_PATH=" + folder, "pkg-config", "--cflags",
                               "--libs", "quizruntime-report"})
                          .out;
  std::vector<std::string> command = {Env("CXX"), source};
  for (const std::string& word : Words(flags.c_str())) command.push_back(word);
  command.insert(command.end(), {"-o", program});
  RunTool(command);
  CheckCases(kMarks, program, kMarksCases);
}

// The Debian package made from the build: its files where the system looks
// for them, and the packaged quiz's report placed on its source line
// through the debug file that the package has by build-id.
TEST_F(PackageTest, DebianPackage) {
  if (!Env("QUIZ_TARGET").empty()) GTEST_SKIP() << "only a build for this machine is packaged";
  if (Env("CPACK").empty() || !OnPath("dpkg-deb")) GTEST_SKIP() << "cpack or dpkg-deb is missing";
  namespace fs = std::filesystem;
  const fs::path dir = Scratch() / "deb";
  const std::string build = Env("QUIZ_BUILD_DIR");
  RunTool({Env("CPACK"), "-G", "DEB", "-B", dir, "--config", build + "/CPackConfig.cmake"});
  std::string deb;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == ".deb") deb = entry.path();
  ASSERT_NE(deb, "") << "no package in " << dir;

  const std::string notes = RunTool({"readelf", "-n", build + "/quiz"}).out;
  const std::size_t at = notes.find("Build ID: ");
  ASSERT_NE(at, std::string::npos) << "the quiz has no build-id";
  const std::string id = notes.substr(at + 10, notes.find('\n', at) - at - 10);
  const std::string listing = RunTool({"dpkg-deb", "-c", deb}).out;
  const std::string triplet = RunTool({Env("CXX"), "-print-multiarch"}).out;
  for (const std::string& file : std::vector<std::string>{
           "./usr/bin/quiz", "./usr/bin/frameline",
           "./usr/lib/" + triplet.substr(0, triplet.find('\n')) +
               "/pkgconfig/quizruntime-report.pc",
           "./usr/lib/cmake/QuizRuntime/QuizRuntimeConfig.cmake",
           "./usr/lib/debug/.build-id/" + id.substr(0, 2) + "/" + id.substr(2) + ".debug",
           "./usr/share/man/man1/frameline.1.gz", "./usr/share/man/man6/quiz.6.gz",
           "./usr/share/doc/quizruntime/copyright", "./usr/share/doc/quizruntime/changelog.gz"})
    EXPECT_NE(listing.find(" " + file + "\n"), std::string::npos) << file << " in\n" << listing;
  EXPECT_EQ(listing.find("./usr/bin/quiz.debug"), std::string::npos) << "by build-id only";
  // No error of lintian's; its warnings are argued where the package is made.
  if (OnPath("lintian")) {
    Outcome checked = RunCommand({"lintian", "--tag-display-limit", "0", deb});
    EXPECT_FALSE(std::regex_search(checked.out, std::regex("(^|\n)E: "))) << checked.out;
  }

  const fs::path root = dir / "root";
  RunTool({"dpkg-deb", "-x", deb, root});
  // Each manual page renders without a warning.
  if (OnPath("man")) {
    for (const char* page : {"usr/share/man/man1/frameline.1.gz", "usr/share/man/man6/quiz.6.gz"}) {
      Outcome shown = RunCommand(
          {"env", "MANWIDTH=80", "LC_ALL=C.UTF-8", "man", "--warnings", "-l", root / page});
      EXPECT_EQ(shown.code, 0) << page;
      EXPECT_EQ(shown.err, "") << page;
      EXPECT_NE(shown.out.find("NAME"), std::string::npos) << page << ":\n" << shown.out;
    }
  }
  Launch run;
  run.program = root / "usr/bin/quiz";
  run.input = Input("\na\nc\n");
  run.out = Out::kPath;
  run.out_path = "/dev/full";
  Outcome r = Execute(run);
  EXPECT_EQ(r.code, 101);
  Report report;
  ASSERT_TRUE(IsReport(r.err, report)) << r.err;
  ASSERT_EQ(report.frames.size(), 1u) << "the walk ends at the entry's wrapper\n" << r.err;
  const std::uint64_t delta = LoadDelta(WrapperReturns(build + "/quiz"), report.frames[0].addr);
  char address[24];
  std::snprintf(address, sizeof address, "%llx",
                static_cast<unsigned long long>(report.addr - delta - 1));
  // With the package's debug root the line is found; with another, none.
  for (const fs::path& debug_root : {root / "usr/lib/debug", dir}) {
    std::string line = RunTool({root / "usr/bin/frameline", "--debug-root", debug_root,
                                root / "usr/bin/quiz", address})
                           .out;
    const bool named = line.find(" of quiz/quiz_run.cpp") != std::string::npos;
    EXPECT_EQ(named, debug_root != dir) << debug_root << ": " << line;
  }
}

}  // namespace
