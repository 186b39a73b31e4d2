// The line-information unit over the scripted platform, whose one file is
// the module of every code address: the readers below it only report a
// failed read, and the unit makes it a run-time error.
#include "runtime/line_info.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/runtime/runtime_fixture.h"
#include "tests/support/line_table_builder.h"

namespace {

using testing_support::LineSection;
using testing_support::LineUnit;

class LineInfoTest : public testing_support::RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    LineUnit u;
    u.files = {{"a.c"}};
    u.SetAddress(0x401000).AdvanceLine(6).Copy().AdvancePc(0x10).EndSequence();
    P().file_name = "module";
    P().file_bytes = LineSection().Add(u).Elf();
    rt::InitLineInfoUnit();
  }
  // The module is loaded at 0 and linked for 0x400000.
  static void* Address(std::uint64_t linked) { return reinterpret_cast<void*>(linked - 0x400000); }
  static std::string FrameLine(void* addr) {
    return std::string(rt::BackTraceStrFunc(addr).view());
  }
};

TEST_F(LineInfoTest, FailedReadDuringALookupIsARunTimeError) {
  std::string plain(rt::SysBackTraceStr(Address(0x401004)).view());
  EXPECT_EQ(FrameLine(Address(0x401004)), plain + " line 7 of a.c");
  // A lookup of a module met before reads the same each time; the next one
  // fails at its last read, inside the line section.
  long before = P().file_reads;
  EXPECT_EQ(FrameLine(Address(0x401008)),
            std::string(rt::SysBackTraceStr(Address(0x401008)).view()) + " line 7 of a.c");
  long per_lookup = P().file_reads - before;
  P().fail_file_read_at = P().file_reads + per_lookup - 1;
  try {
    FrameLine(Address(0x401004));
    ADD_FAILURE() << "returned";
  } catch (const fake::ProcessExit& e) {
    EXPECT_EQ(e.code, 5);
  }
  EXPECT_EQ(rt::ErrorCode, 5);
  // The report of the failed read has plain frame lines only.
  std::string report = fake::Written(fake::kStdErr);
  EXPECT_EQ(report.rfind("Runtime error 5 at $", 0), 0u) << report;
  EXPECT_EQ(report.find(" line "), std::string::npos) << report;
  EXPECT_EQ(rt::BackTraceStrFunc, rt::SysBackTraceStr);
}

}  // namespace
