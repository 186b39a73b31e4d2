// Following ".gnu_debuglink" to a separate debug file: split programs made
// by objcopy, and hand-built links.
#include "exe/debug_file/debug_link.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "exe/debug_file/crc32.h"
#include "exe/exe_file.h"
#include "tests/exe/exe_test.h"

namespace {

using exe_test::Bytes;
using exe_test::Quote;
using testing_support::ScratchDir;

// The debug file the program's link accepts, tried by its own name (from
// the working directory) and then beside the program, or nullopt.
std::optional<std::string> Link(const std::string& path) {
  rt::TExeFile exe;
  if (!rt::OpenExeFile(exe, path)) return std::nullopt;
  std::pmr::string link;
  std::uint32_t crc;
  std::optional<std::string> found;
  if (rt::ReadDebugLinkName(exe, link, crc)) {
    std::string name(link);
    std::string beside = path.substr(0, path.find_last_of('/') + 1) + name;
    for (const std::string& place : {name, beside}) {
      if (rt::CheckDbgFile(place, crc)) {
        found = place;
        break;
      }
    }
  }
  rt::CloseExeFile(exe);
  return found;
}

class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~WorkingDirectory() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

class SplitProgramTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* dir : {"/prog", "/debug", "/elsewhere"}) {
      std::filesystem::create_directories(ScratchDir() + dir);
    }
  }
  // Splits the test program into program_dir/program and debug_path; pad
  // makes the debug file's size a multiple of 4096 before the link is made.
  static std::string Split(const std::string& program, const std::string& debug_path,
                           bool pad = false) {
    std::string objcopy = Quote(exe_test::Env("OBJCOPY", "objcopy"));
    std::string source = exe_test::Program("-pie -fPIE");
    std::string out = ScratchDir() + "/prog/" + program;
    int status;
    exe_test::Run(objcopy + " --only-keep-debug " + Quote(source) + " " + Quote(debug_path),
                  &status);
    EXPECT_EQ(status, 0);
    if (pad) {
      std::filesystem::resize_file(debug_path,
                                   (std::filesystem::file_size(debug_path) + 4095) / 4096 * 4096);
    }
    exe_test::Run(objcopy + " --strip-debug --add-gnu-debuglink=" + Quote(debug_path) + " " +
                      Quote(source) + " " + Quote(out),
                  &status);
    EXPECT_EQ(status, 0);
    return out;
  }
};

TEST_F(SplitProgramTest, FoundBesideTheProgram) {
  std::string debug = ScratchDir() + "/prog/beside.debug";
  std::string program = Split("beside", debug);
  EXPECT_FALSE(exe_test::Find(program, ".debug_line").found);
  WorkingDirectory cwd(ScratchDir() + "/elsewhere");
  EXPECT_EQ(Link(program), debug);
}

TEST_F(SplitProgramTest, FoundByItsOwnNameInTheWorkingDirectory) {
  std::string program = Split("own", ScratchDir() + "/debug/own.debug");
  {
    WorkingDirectory cwd(ScratchDir() + "/debug");
    EXPECT_EQ(Link(program), "own.debug");
  }
  WorkingDirectory cwd(ScratchDir() + "/elsewhere");
  EXPECT_EQ(Link(program), std::nullopt);
}

TEST_F(SplitProgramTest, ChangedDebugFileIsRefused) {
  std::string debug = ScratchDir() + "/prog/changed.debug";
  std::string program = Split("changed", debug);
  ASSERT_TRUE(Link(program));
  Bytes bytes = testing_support::ReadWholeFile(debug);
  bytes[bytes.size() / 2] ^= 1;
  std::filesystem::remove(debug);
  testing_support::WriteScratchFile("prog/changed.debug", bytes);
  EXPECT_EQ(Link(program), std::nullopt);
}

TEST_F(SplitProgramTest, NameOfEightBytesHasItsCrcAtTwelve) {
  std::string debug = ScratchDir() + "/prog/ab.debug";
  std::string program = Split("ab", debug);
  EXPECT_EQ(exe_test::Find(program, ".gnu_debuglink").length, 16);
  EXPECT_EQ(Link(program), debug);
}

TEST_F(SplitProgramTest, DebugFileOfWholeBuffers) {
  std::string debug = ScratchDir() + "/prog/page.debug";
  std::string program = Split("page", debug, true);
  ASSERT_EQ(std::filesystem::file_size(debug) % 4096, 0u);
  EXPECT_EQ(Link(program), debug);
}

// Hand-built links to a small debug file beside the image.
class LinkSectionTest : public testing::Test {
 protected:
  void SetUp() override {
    Bytes contents(5000, 'd');
    testing_support::WriteScratchFile("d.dbg", contents);
    crc_ =
        rt::UpdateCRC32(0, reinterpret_cast<const std::uint8_t*>(contents.data()), contents.size());
    std::filesystem::create_directories(ScratchDir() + "/sub");
  }
  std::optional<std::string> LinkIn(const Bytes& section) {
    testing_support::ElfImage elf;
    elf.sections = {{".gnu_debuglink", testing_support::kProgBits, 0, section}};
    return Link(testing_support::WriteScratchFile("linked", elf.Build()));
  }
  std::uint32_t crc_ = 0;
};

TEST_F(LinkSectionTest, AcceptsOnlyAWellFormedMatchingLink) {
  Bytes valid = testing_support::DebugLinkSection("d.dbg", crc_);
  EXPECT_EQ(LinkIn(valid), ScratchDir() + "/d.dbg");
  EXPECT_EQ(LinkIn(valid + Bytes(255 - valid.size(), '\0')), ScratchDir() + "/d.dbg");
  EXPECT_EQ(LinkIn(valid + Bytes(256 - valid.size(), '\0')), std::nullopt);
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection("d.dbg", crc_ ^ 1)), std::nullopt);
  EXPECT_EQ(LinkIn(valid.substr(0, valid.size() - 1)), std::nullopt);
  // An empty file's CRC is 0: a missing CRC must not read as one.
  testing_support::WriteScratchFile("e.dbg", "");
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection("e.dbg", 0)), ScratchDir() + "/e.dbg");
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection("e.dbg", 0).substr(0, 8)), std::nullopt);
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection("", crc_)), std::nullopt);
  EXPECT_EQ(LinkIn(""), std::nullopt);
}

TEST_F(LinkSectionTest, FollowedInPeImages) {
  testing_support::PeImage pe;
  pe.sections = {{".gnu_debuglink", testing_support::DebugLinkSection("d.dbg", crc_)}};
  EXPECT_EQ(Link(testing_support::WriteScratchFile("linked.exe", pe.Build())),
            ScratchDir() + "/d.dbg");
}

TEST_F(LinkSectionTest, DirectoriesAndDevicesAreRefusedQuickly) {
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection("sub", 0)), std::nullopt);
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection(ScratchDir() + "/sub", 0)), std::nullopt);
  EXPECT_EQ(LinkIn(testing_support::DebugLinkSection("/dev/zero", 0)), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
