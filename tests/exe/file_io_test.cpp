// The runtime's byte-oriented files and the opening of executables over the
// real platform: what is refused at the open, and the codes each file keeps.
#include "exe/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "base/error_numbers.h"
#include "exe/exe_file.h"
#include "tests/support/image_builder.h"

namespace {

class FileIoTest : public testing::Test {
 protected:
  std::string ten_ = testing_support::WriteScratchFile("ten", "0123456789");
};

TEST_F(FileIoTest, FailedOpenLeavesACodeInTheRecord) {
  rt::FileRec f;
  rt::FileOpenRead(f, testing_support::ScratchDir() + "/missing");
  EXPECT_EQ(f.error, rt::kFileNotFound);
  rt::FileOpenRead(f, ten_);
  ASSERT_EQ(f.error, 0);
  EXPECT_EQ(rt::FileSize(f), 10);
  rt::FileClose(f);
  EXPECT_EQ(f.error, 0);
}

TEST_F(FileIoTest, OnlyRegularFilesOpen) {
  std::string fifo = testing_support::ScratchDir() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& name : {testing_support::ScratchDir(), fifo, std::string("/dev/null")}) {
    rt::FileRec f;
    rt::FileOpenRead(f, name);
    EXPECT_NE(f.error, 0) << name;
    rt::TExeFile exe;
    rt::FileResult opened = rt::OpenExeFile(exe, name);
    EXPECT_FALSE(opened) << name;
    EXPECT_EQ(opened.io_error, 0) << name;  // a file that does not open is no error
    EXPECT_FALSE(rt::IsOpen(exe));
  }
}

TEST_F(FileIoTest, ShortReadReportsACountOrLeaves100) {
  rt::FileRec f;
  rt::FileOpenRead(f, ten_);
  char buffer[20];
  std::int64_t count = -1;
  rt::BlockReadAt(f, 4, buffer, sizeof buffer, &count);
  EXPECT_EQ(count, 6);
  EXPECT_EQ(std::string(buffer, 6), "456789");
  EXPECT_EQ(f.error, 0);
  rt::BlockReadAt(f, 8, buffer, 3);
  EXPECT_EQ(f.error, rt::kReadPastEnd);
  // The code stays, and every later operation does nothing.
  rt::BlockReadAt(f, 0, buffer, 2, &count);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(f.error, rt::kReadPastEnd);
  rt::FileClose(f);
  EXPECT_EQ(f.mode, rt::ModeClosed);  // the handle is released all the same
}

TEST_F(FileIoTest, ClosedFileLeaves103) {
  char buffer[4];
  std::int64_t count = -1;
  const std::function<void(rt::FileRec&)> operations[] = {
      [](rt::FileRec& f) { rt::FileSize(f); },
      [&](rt::FileRec& f) { rt::BlockReadAt(f, 0, buffer, 4, &count); },
      [](rt::FileRec& f) { rt::FileClose(f); }};
  for (const auto& operation : operations) {
    rt::FileRec f;
    rt::FileOpenRead(f, ten_);
    rt::FileClose(f);
    ASSERT_EQ(f.error, 0);
    operation(f);
    EXPECT_EQ(f.error, rt::kFileNotOpen);
  }
}

TEST_F(FileIoTest, ExeFileOpenAndClose) {
  rt::TExeFile exe;
  EXPECT_FALSE(rt::OpenExeFile(exe, ""));
  EXPECT_FALSE(rt::OpenExeFile(exe, testing_support::ScratchDir() + "/missing"));
  EXPECT_FALSE(rt::OpenExeFile(exe, ten_));  // no known magic: closed again
  EXPECT_FALSE(rt::IsOpen(exe));
  EXPECT_FALSE(rt::CloseExeFile(exe));
  rt::ExeSection section;
  EXPECT_FALSE(rt::FindExeSection(exe, ".text", section));

  testing_support::ElfImage elf;
  elf.sections = {{".text", testing_support::kProgBits, 0, "code"}};
  std::string path = testing_support::WriteScratchFile("exe", elf.Build());
  ASSERT_TRUE(rt::OpenExeFile(exe, path));
  EXPECT_EQ(std::string_view(exe.filename), path);
  char buffer[8];
  EXPECT_TRUE(rt::ReadExeBytes(exe, exe.size - 8, buffer, 8));
  EXPECT_FALSE(rt::ReadExeBytes(exe, exe.size - 7, buffer, 8));
  EXPECT_FALSE(rt::ReadExeBytes(exe, -1, buffer, 1));
  EXPECT_FALSE(rt::ReadExeBytes(exe, 0, buffer, -1));
  EXPECT_TRUE(rt::CloseExeFile(exe));
  EXPECT_FALSE(rt::CloseExeFile(exe));
  EXPECT_FALSE(rt::ReadExeBytes(exe, 0, buffer, 1));
}

}  // namespace
