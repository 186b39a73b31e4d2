// frameline on one small program whose line table lies, compressed or not, in
// each place the report looks for it: in the program, in a debug file beside
// it or in its .debug folder, under the debug root by the program's path or by
// its build-id. Each layout must give, address by address, the lines of the
// program as built; a build-id entry that is not this build's debug file, or
// not a file at all, must be passed over.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "dwarf_dump.h"
#include "process_runner.h"
#include "tests/support/scratch.h"

namespace {

using namespace e2e;
using testing_support::TempDir;
using namespace line_diff;
namespace fs = std::filesystem;

constexpr const char* kSource = R"(#include <cstdio>
#include <cstdlib>

__attribute__((noinline)) int Square(int x) {
  return x * x;
}

__attribute__((noinline)) int SumOfSquares(int n) {
  int sum = 0;
  for (int i = 1; i <= n; ++i)
    sum += Square(i);
  return sum;
}

int main(int argc, char** argv) {
  int n = argc > 1 ? std::atoi(argv[1]) : 3;
  std::printf("%d\n", SumOfSquares(n));
  return 0;
}
)";

// Where the table lies.
// clang-format off
enum class Layout {
  kZlib, kZstd, kZdebug,               // in the program, compressed
  kBeside, kDebugFolder, kRootByPath,  // in a debug file that the debug link names
  kBuildId,                            // in one that the build-id alone names
  kForeignBuildId, kBuildIdFolder, kBuildIdFifo, kBuildIdDanglingLink  // entries to pass over
};
// clang-format on

struct Case {
  const char* name;
  Layout layout;
};
void PrintTo(const Case& c, std::ostream* os) {
  *os << c.name;
}

// readelf's lines for section `name` of file, empty when it has none.
std::string Section(const std::string& file, const std::string& name) {
  std::string text = RunTool({"readelf", "-t", "-W", file}).out;
  std::size_t at = text.find(" " + name + "\n");
  return at == std::string::npos ? "" : text.substr(at, text.find("\n  [", at) - at);
}

std::string BuildId(const std::string& file) {
  std::string text = RunTool({"readelf", "-n", file}).out;
  std::size_t at = text.find("Build ID: ");
  return at == std::string::npos ? "" : text.substr(at + 10, text.find('\n', at) - at - 10);
}

class DebugLayoutTest : public testing::TestWithParam<Case> {
 protected:
  // The program, a build of it with every line one further down, the
  // addresses of the program's rows, and the frame lines with and without
  // its table.
  static void SetUpTestSuite() {
    built_ = new TempDir;
    fs::create_directory(*built_ / "other");
    std::ofstream(*built_ / "prog.cpp") << kSource;
    std::ofstream(*built_ / "other/prog.cpp") << "\n" << kSource;
    for (const std::string& dir : {built_->path(), *built_ / "other"})
      RunTool({Env("CXX"), "-g", "-O1", "-Wl,--build-id", "prog.cpp", "-o", "prog"}, dir);
    RunTool({Env("OBJCOPY"), "--only-keep-debug", "--compress-debug-sections=zlib", "prog",
             "prog.debug"},
            *built_ / "other");

    std::set<std::uint64_t> rows;
    for (const Unit& u :
         ParseDebugLineDump(RunTool({Env("LLVM_DWARFDUMP"), "--debug-line", *built_ / "prog"}).out))
      for (const Row& r : u.rows) rows.insert({r.address, r.address + 1});
    for (std::uint64_t a : rows) {
      char text[24];
      std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(a));
      addresses_.push_back(text);
      plain_ += ExpectedFrameLine({}, a) + "\n";
    }
    expected_ = Lookup(built_->path(), built_->path(), *built_ / "prog").out;
    other_ = Lookup(built_->path(), built_->path(), *built_ / "other/prog").out;
  }
  static void TearDownTestSuite() { delete built_; }

  static Outcome Lookup(const std::string& cwd, const std::string& root, const std::string& file) {
    std::vector<std::string> command = {Env("FRAMELINE"), "--debug-root", root, file};
    command.insert(command.end(), addresses_.begin(), addresses_.end());
    return RunCommand(command, cwd);
  }

  static inline TempDir* built_;
  static inline std::vector<std::string> addresses_;
  static inline std::string plain_, expected_, other_;
};

TEST_P(DebugLayoutTest, GivesTheLinesOfTheProgramAsBuilt) {
  for (const char* tool : {"FRAMELINE", "CXX", "OBJCOPY", "LLVM_DWARFDUMP"})
    ASSERT_FALSE(Env(tool).empty()) << tool << " must name a program";
  // The comparison means something only where the table answers, and the
  // other build's table answers those addresses with other lines.
  std::size_t answers = 0;
  for (std::size_t at = 0; (at = expected_.find(" line ", at)) != std::string::npos; ++at)
    ++answers;
  ASSERT_GE(answers, 5u) << expected_;
  ASSERT_NE(other_.find(" line "), std::string::npos) << other_;
  ASSERT_NE(other_, expected_);

  const std::string objcopy = Env("OBJCOPY");
  TempDir top;  // frameline's working directory, where no debug file lies
  const std::string dir = top / "bin", root = top / "root", prog = dir + "/prog";
  fs::create_directories(dir);
  fs::create_directories(root);
  fs::copy_file(*built_ / "prog", prog);
  const std::string id = BuildId(prog);
  ASSERT_GT(id.size(), 2u);
  const std::string by_id = root + "/.build-id/" + id.substr(0, 2) + "/" + id.substr(2) + ".debug";
  auto split = [&](bool link) {
    RunTool({objcopy, "--only-keep-debug", "--compress-debug-sections=zlib", "prog", "prog.debug"},
            dir);
    RunTool(link ? std::vector<std::string>{objcopy, "--strip-debug",
                                            "--add-gnu-debuglink=prog.debug", "prog"}
                 : std::vector<std::string>{objcopy, "--strip-debug", "prog"},
            dir);
  };
  auto move = [](const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::rename(from, to);
  };

  // Where the table ends up, its section there and that section's compression.
  std::string holder = prog, section = ".debug_line", compression = "ZLIB";
  std::string run = "bin/prog", expected = expected_;
  switch (GetParam().layout) {
    case Layout::kZlib:
      RunTool({objcopy, "--compress-debug-sections=zlib", prog});
      break;
    case Layout::kZstd: {
      Outcome r = RunCommand({objcopy, "--compress-debug-sections=zstd", prog});
      if (!r.exited || r.code != 0) GTEST_SKIP() << "objcopy cannot compress with zstd: " << r.err;
      compression = "ZSTD";
      break;
    }
    case Layout::kZdebug:
      RunTool({objcopy, "--compress-debug-sections=zlib-gnu", prog});
      section = ".zdebug_line", compression = "";
      break;
    case Layout::kBeside:
      split(true);
      holder = dir + "/prog.debug";
      break;
    case Layout::kDebugFolder:
      split(true);
      move(dir + "/prog.debug", holder = dir + "/.debug/prog.debug");
      break;
    case Layout::kRootByPath:
      split(true);
      move(dir + "/prog.debug", holder = root + dir + "/prog.debug");
      run = prog;
      break;
    case Layout::kBuildId:
      split(false);
      move(dir + "/prog.debug", holder = by_id);
      break;
    case Layout::kForeignBuildId:
      split(false);
      fs::create_directories(fs::path(by_id).parent_path());
      fs::copy_file(*built_ / "other/prog.debug", holder = by_id);
      ASSERT_NE(BuildId(by_id), id);
      expected = plain_;
      break;
    case Layout::kBuildIdFolder:
    case Layout::kBuildIdFifo:
    case Layout::kBuildIdDanglingLink:
      split(false);
      fs::create_directories(fs::path(by_id).parent_path());
      if (GetParam().layout == Layout::kBuildIdFolder) {
        fs::create_directory(by_id);
      } else if (GetParam().layout == Layout::kBuildIdFifo) {
        ASSERT_EQ(::mkfifo(by_id.c_str(), 0600), 0);
      } else {
        fs::create_symlink("nowhere.debug", by_id);
      }
      holder.clear();
      expected = plain_;
      break;
  }
  // The layout is the one meant: the table compressed where it should be,
  // and gone from a program that leaves it to a debug file.
  if (!holder.empty()) {
    std::string found = Section(holder, section);
    ASSERT_NE(found, "") << holder << " has no " << section;
    EXPECT_NE(found.find(compression), std::string::npos) << found;
  }
  if (holder != prog) {
    EXPECT_EQ(Section(prog, ".debug_line"), "");
  }

  Outcome r = Lookup(top.path(), root, run);
  EXPECT_TRUE(r.exited && !r.timed_out);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(SameBytes(r.out, expected));
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, DebugLayoutTest,
    testing::Values(Case{"InFileZlib", Layout::kZlib}, Case{"InFileZstd", Layout::kZstd},
                    Case{"InFileZdebug", Layout::kZdebug}, Case{"Beside", Layout::kBeside},
                    Case{"DebugFolder", Layout::kDebugFolder},
                    Case{"RootByPath", Layout::kRootByPath}, Case{"BuildId", Layout::kBuildId},
                    Case{"ForeignBuildId", Layout::kForeignBuildId},
                    Case{"BuildIdFolder", Layout::kBuildIdFolder},
                    Case{"BuildIdFifo", Layout::kBuildIdFifo},
                    Case{"BuildIdDanglingLink", Layout::kBuildIdDanglingLink}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
