// Which row answers an address: rows strictly below the target, sequences in
// file order with those above the target passed over, file and line
// remembered across the sequences searched, units in section order. Also the next
// unit's offset, units larger than one read, and what earlier lookups learnt
// of each unit, which lets later ones skip units: their answers are those of
// fresh lookups.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "dwarf/line/line_search.h"
#include "exe/byte_source.h"
#include "tests/dwarf/line_test.h"

namespace {

using line_test::Frame;
using line_test::Tail;
using line_test::Unit;
using testing_support::Bytes;
using testing_support::LineSection;
using testing_support::LineUnit;

TEST(LookupRuleTest, RowsAndSequences) {
  LineUnit u = Unit(2, "a.c");
  u.files.push_back({"b.c"});
  u.SetAddress(0x2000).AdvanceLine(19).Copy();             // 0x2000 line 20
  u.Special(8, 1).SetFile(2).Special(8, 1);                // 0x2008 line 21, 0x2010 line 22 of b.c
  u.AdvanceLine(5).AdvancePc(8).EndSequence();             // 0x2018 line 27 of b.c
  u.SetAddress(0x3000).AdvanceLine(-1).Copy();             // 0x3000 line 0 of a.c
  u.AdvanceLine(50).Special(4, 0);                         // 0x3004 line 50
  u.AdvancePc(4).EndSequence();                            // 0x3008
  u.SetAddress(0x1000).Copy().AdvancePc(4).EndSequence();  // below the first sequence
  // clang-format off
  line_test::ExpectTails(LineSection().Add(u), {
      {0x1FFF, ""}, {0x2000, " of (Unknown file)"},  // the first row: nothing remembered yet
      {0x2001, " line 20 of a.c"}, {0x2008, " line 20 of a.c"}, {0x2009, " line 21 of a.c"},
      {0x2010, " line 21 of a.c"}, {0x2011, " line 22 of b.c"}, {0x2018, " line 22 of b.c"},
      {0x2019, ""}, {0x2FFF, ""},                    // between sequences: the next lies above
      {0x3000, " line 27 of b.c"},                   // the previous end_sequence row
      {0x3001, " of a.c"}, {0x3004, " of a.c"},      // line 0
      {0x3005, " line 50 of a.c"}, {0x3008, " line 50 of a.c"}, {0x3009, ""},
      // after sequences above the target, which pass it over
      {0x1000, " of (Unknown file)"}, {0x1002, " line 1 of a.c"}});
  // clang-format on
}

TEST(LookupRuleTest, UnitsInSectionOrder) {
  LineUnit first = Unit(3, "first.c");
  first.SetAddress(0x5000).AdvanceLine(9).Copy().AdvancePc(0x10).EndSequence();
  LineUnit above = Unit(4, "above.c");  // its one sequence lies above 0x5000..0x6FFF
  above.SetAddress(0x9000).Copy().AdvancePc(0x10).EndSequence();
  LineUnit second = Unit(2, "second.c");
  second.SetAddress(0x4000).AdvanceLine(19).Copy().AdvancePc(0x3000).EndSequence();
  // clang-format off
  line_test::ExpectTails(LineSection().Add(first).Add(above).Add(second), {
      {0x5000, " of (Unknown file)"},  // found in the first unit
      {0x5004, " line 10 of first.c"}, {0x5010, " line 10 of first.c"},
      {0x5011, " line 20 of second.c"}, {0x4FFF, " line 20 of second.c"},
      {0x7000, " line 20 of second.c"}, {0x7001, ""}, {0x9004, " line 1 of above.c"}});
  // clang-format on
}

// A raw section in a file of its own, searched unit by unit.
class NextUnitTest : public testing::Test {
 protected:
  std::vector<std::int64_t> Offsets(const Bytes& section) {
    rt::MemorySource source(section.data(), static_cast<std::int64_t>(section.size()));
    auto cursor = std::make_unique<rt::DwarfCursor>();
    cursor->Bind(&source);
    rt::DebugSources none;
    rt::StringTables strings(none);
    std::vector<std::int64_t> offsets;
    for (std::int64_t offset = 0; offset < source.Size();) {
      rt::TargetSearch search;
      search.target = 0x1000;
      rt::UnitFacts facts;
      std::pmr::vector<rt::Text> names;
      offset = rt::SearchUnit(*cursor, strings, offset, source.Size(), &search, 1, facts, names);
      offsets.push_back(offset);
    }
    return offsets;
  }
};

TEST_F(NextUnitTest, FromTheLengthAlone) {
  testing_support::LineStrings strings;
  LineUnit u32 = Unit(2, "a.c");
  u32.SetAddress(0x2000).Copy();
  LineUnit u64 = Unit(4, "a.c", true);
  u64.SetAddress(0x2000).Copy();
  Bytes a = u32.Build(strings), b = u64.Build(strings);
  Bytes padded = a + "\x09\x09\x09";  // bytes inside the unit, after its program
  testing_support::Put32(padded, 0, static_cast<std::uint32_t>(a.size() - 4 + 3));
  Bytes cut64 = Bytes("\xFF\xFF\xFF\xFF\x10\x00\x00", 7);  // the 8-byte length cut short
  std::int64_t na = static_cast<std::int64_t>(a.size()), nb = static_cast<std::int64_t>(b.size());
  EXPECT_EQ(Offsets(a + b + padded), (std::vector<std::int64_t>{na, na + nb, 2 * na + nb + 3}));
  EXPECT_EQ(Offsets(b + Bytes(4, '\0') + cut64), (std::vector<std::int64_t>{nb, nb + 4, nb + 11}));
  LineUnit huge = Unit(2, "a.c");
  huge.unit_length = 0x7FFFFFF0;  // longer than the section: it ends there
  huge.SetAddress(0x1000).Copy().AdvancePc(8).Copy();
  Bytes h = huge.Build(strings);
  EXPECT_EQ(Offsets(b + h),
            (std::vector<std::int64_t>{nb, nb + static_cast<std::int64_t>(h.size())}));
}

// Bytes read for a wide window stay for later windows, yet a narrow window
// still ends where it says; a small read size reads the source in pieces.
TEST(ReadWindowTest, HeldBytesStayInsideEachWindow) {
  struct CountingSource final : rt::ByteSource {
    rt::MemorySource bytes;
    int reads = 0;
    rt::ReadResult ReadAt(std::int64_t offset, void* buffer, std::int64_t n) override {
      ++reads;
      return bytes.ReadAt(offset, buffer, n);
    }
    std::int64_t Size() const override { return bytes.Size(); }
  } source;
  const char data[] = "0123456789abcdef";
  source.bytes = rt::MemorySource(data, 16);
  auto reader = std::make_unique<rt::DwarfCursor>();
  reader->Bind(&source);
  reader->Init(0, 16);
  EXPECT_EQ(reader->ReadNext(), '0');
  reader->Init(4, 2);
  EXPECT_EQ(reader->ReadNext(), '4');
  EXPECT_EQ(reader->ReadNext(), '5');
  EXPECT_EQ(reader->ReadNext(), -1);
  reader->Init(10, 6);
  reader->Seek(5);
  EXPECT_EQ(reader->ReadNext(), 'f');
  EXPECT_EQ(source.reads, 1);
  reader->Bind(&source);
  reader->SetReadSize(3);
  reader->Init(0, 16);
  reader->Seek(12);
  EXPECT_EQ(reader->ReadUnsigned(4), 0x66656463u);
  EXPECT_EQ(source.reads, 3);
}

TEST(LargeUnitTest, RowsAcrossReadBlocks) {
  // 40000 one-byte rows: the program spans several 16 KiB reads, and the
  // file name is read back from the header after them.
  LineUnit big = Unit(3, "big.c");
  big.dirs = {"dir"};
  big.files[0].directory = 1;
  big.SetAddress(0x100000).Copy();
  for (int i = 1; i < 40000; ++i) big.Special(1, 1);
  big.AdvancePc(1).EndSequence();
  LineUnit after = Unit(2, "after.c");
  after.SetAddress(0x1000).AdvanceLine(4).Copy().AdvancePc(4).EndSequence();
  line_test::UseSection(LineSection().Add(big).Add(after));
  for (int i : {1, 2, 100, 16300, 16383, 16384, 16385, 16400, 32760, 32800, 39999, 40000}) {
    EXPECT_EQ(Tail(0x100000 + i), " line " + std::to_string(i) + " of dir/big.c") << i;
  }
  EXPECT_EQ(Tail(0x100000 + 40001), "");
  EXPECT_EQ(Tail(0x1001), " line 5 of after.c");
}

// The column of the answering row, over a program longer than one read:
// rows skimmed below every target, read by pointer, read through the cursor
// at the reads' seams, and every row through the cursor with several
// operations per instruction word.
TEST(LargeUnitTest, ColumnOfTheAnsweringRow) {
  constexpr std::uint64_t kBase = 0x100000;
  // A new column every 1000 rows: most rows take theirs from far back.
  auto column = [](std::uint64_t row) {
    return 1 + static_cast<std::int32_t>(row / 1000 * 7000 % 300);
  };
  for (std::uint8_t max_ops : {1, 4}) {
    LineUnit big = Unit(4, "big.c");
    big.max_ops = max_ops;
    big.SetAddress(kBase).SetColumn(1).Copy();
    for (std::uint64_t i = 1; i < 20000; ++i) {
      if (i % 1000 == 0) big.SetColumn(column(i));
      big.Special(max_ops, 1);
    }
    big.AdvancePc(max_ops).EndSequence();
    testing_support::LineStrings strings;
    Bytes section = big.Build(strings);
    rt::MemorySource source(section.data(), static_cast<std::int64_t>(section.size()));
    auto cursor = std::make_unique<rt::DwarfCursor>();
    cursor->Bind(&source);
    rt::DebugSources none;
    rt::StringTables tables(none);
    std::vector<std::uint64_t> rows = {0, 1, 5999, 16383, 16384, 19999};
    std::vector<rt::TargetSearch> searches(rows.size());
    for (std::size_t k = 0; k < rows.size(); ++k) searches[k].target = kBase + rows[k] + 1;
    rt::UnitFacts facts;
    std::pmr::vector<rt::Text> names;
    rt::SearchUnit(*cursor, tables, 0, source.Size(), searches.data(), searches.size(), facts,
                   names);
    for (std::size_t k = 0; k < rows.size(); ++k) {
      EXPECT_TRUE(searches[k].found) << int{max_ops} << " " << rows[k];
      EXPECT_EQ(searches[k].line, static_cast<std::int64_t>(rows[k] + 1)) << int{max_ops};
      EXPECT_EQ(searches[k].column, column(rows[k])) << int{max_ops} << " " << rows[k];
    }
  }
}

// Forty units of every version and both formats, in scrambled address order,
// with overlapping units, sequences below earlier ones, damaged programs,
// unknown files and a unit of an unknown version.
struct ManyUnits {
  LineSection section;
  std::vector<std::uint64_t> addresses = {0, ~std::uint64_t{0}};
};

ManyUnits MakeManyUnits() {
  ManyUnits m;
  for (int n = 0; n < 40; ++n) {
    std::uint64_t base = 0x100000 + static_cast<std::uint64_t>(n * 17 % 40) * 0x400;
    LineUnit u =
        Unit(static_cast<std::uint16_t>(2 + n % 4), "u" + std::to_string(n) + ".c", n % 3 == 1);
    // Rows 8 bytes apart; the addresses at and after each end are looked up.
    auto sequence = [&u, &m](std::uint64_t start, int rows, int line) {
      u.SetAddress(start).AdvanceLine(line - 1).Copy();
      for (int i = 1; i < rows; ++i) u.Special(8, i % 3 == 0 ? -1 : 2);
      u.AdvancePc(8).EndSequence();
      std::uint64_t end = start + 8 * static_cast<std::uint64_t>(rows);
      m.addresses.insert(m.addresses.end(), {start, start + 1, end - 1, end, end + 1});
    };
    switch (n % 5) {
      case 0:
        sequence(base, 60, n * 100);
        break;
      case 1:  // the second sequence lies below the first
        sequence(base + 0x200, 30, n * 100);
        sequence(base, 30, n * 100 + 50);
        break;
      case 2:  // reaches into the unit whose range is next
        sequence(base, 150, n * 100);
        break;
      case 3:  // damaged between two sequences
        sequence(base, 30, n * 100);
        u.Extended(1, "", 0xFFFFFFFFFF);
        sequence(base + 0x200, 30, n * 100 + 50);
        break;
      case 4:  // a file past the table, and line 0
        u.SetAddress(base).SetFile(7).Copy().SetFile(1).AdvanceLine(-1).AdvancePc(0x20).Copy();
        u.AdvancePc(0x20).EndSequence();
        sequence(base + 0x40, 40, n * 100);
        break;
    }
    if (n == 13) u.version = 9;
    m.section.Add(u);
    m.addresses.push_back(base - 1);
    for (std::uint64_t k = 0; k < 0x500; k += 0x58) {
      m.addresses.push_back(base + k);
      m.addresses.push_back(base + k + 1);
    }
  }
  return m;
}

class LearntUnitsTest : public testing::Test {
 protected:
  void SetUp() override {
    many_ = MakeManyUnits();
    path_ = line_test::UseSection(many_.section);
    for (std::uint64_t addr : many_.addresses) {
      line_test::Forget();
      fresh_[addr] = Tail(addr);
    }
  }
  ManyUnits many_;
  std::string path_;
  std::map<std::uint64_t, std::string> fresh_;
};

TEST_F(LearntUnitsTest, AnswersAsFreshLookupsInAnyOrder) {
  int found = 0, unknown = 0;
  for (const auto& [addr, tail] : fresh_) {
    found += !tail.empty();
    unknown += tail.find("(Unknown file)") != std::string::npos;
  }
  EXPECT_GT(found, static_cast<int>(fresh_.size()) / 3);
  EXPECT_GT(unknown, 10);
  std::vector<std::uint64_t> order = many_.addresses;
  std::sort(order.begin(), order.end());
  std::vector<std::vector<std::uint64_t>> orders = {order, {order.rbegin(), order.rend()}};
  std::shuffle(order.begin(), order.end(), std::mt19937(5));
  orders.push_back(order);
  for (const auto& o : orders) {
    line_test::Forget();
    for (int pass = 0; pass < 2; ++pass) {
      for (std::uint64_t addr : o) ASSERT_EQ(Tail(addr), fresh_[addr]) << std::hex << addr;
    }
  }
}

TEST_F(LearntUnitsTest, FramelineManyAddressesAsOneEach) {
  std::string frameline = line_test::Env("FRAMELINE");
  if (frameline.empty()) GTEST_SKIP() << "FRAMELINE is not set";
  std::ostringstream command;
  command << "'" << frameline << "' '" << path_ << "'" << std::hex;
  for (std::uint64_t addr : many_.addresses) command << " 0x" << addr;
  int status = 0;
  std::istringstream out(line_test::Run(command.str(), status));
  EXPECT_EQ(status, 0);
  std::string line;
  for (std::uint64_t addr : many_.addresses) {
    ASSERT_TRUE(std::getline(out, line));
    EXPECT_EQ(line, Frame(addr, fresh_[addr]));
  }
  EXPECT_FALSE(std::getline(out, line));
  // A process of its own per address gives the same.
  for (std::size_t i = 0; i < many_.addresses.size(); i += 97) {
    std::uint64_t addr = many_.addresses[i];
    std::ostringstream one;
    one << "'" << frameline << "' '" << path_ << "' " << std::hex << addr;
    EXPECT_EQ(line_test::Run(one.str(), status), Frame(addr, fresh_[addr]) + "\n");
  }
}

TEST(FramelineTest, LineStepsPastTheRegisterWrap) {
  // Run in a process of its own: in the sanitizer build an overflow ends it.
  std::string frameline = line_test::Env("FRAMELINE");
  if (frameline.empty()) GTEST_SKIP() << "FRAMELINE is not set";
  constexpr std::int64_t kMax = INT64_MAX;
  LineUnit u = Unit(2, "a.c");
  u.SetAddress(0x1000).AdvanceLine(kMax).Copy();  // line 2^63: low 32 bits 0
  u.AdvanceLine(kMax).AdvancePc(4).Copy();        // line -1
  u.AdvanceLine(kMax).Special(4, 8);              // 2^63 - 2 + 8: low 32 bits 6
  u.AdvancePc(4).EndSequence();
  std::string path = line_test::UseSection(LineSection().Add(u));
  int status = 0;
  EXPECT_EQ(line_test::Run("'" + frameline + "' '" + path + "' 1004 1005 1009", status),
            Frame(0x1004, " of a.c") + "\n" + Frame(0x1005, " line -1 of a.c") + "\n" +
                Frame(0x1009, " line 6 of a.c") + "\n");
  EXPECT_EQ(status, 0);
}

TEST(LearntUnitsBoundTest, UnitsBeyondTheLearntOnes) {
  // More units than what is learnt keeps: those after its end are read every
  // time.
  LineSection section;
  for (int n = 0; n < 16500; ++n) {
    LineUnit u = Unit(2, "u.c");
    section.Add(u.SetAddress(0x10000 + 0x10 * n).AdvanceLine(n).Copy().AdvancePc(8).EndSequence());
  }
  line_test::UseSection(section);
  for (int pass = 0; pass < 2; ++pass) {
    for (int n : {16499, 0, 16383, 16384, 16385, 9000, 16499}) {
      EXPECT_EQ(Tail(0x10001 + 0x10 * n), " line " + std::to_string(n + 1) + " of u.c") << n;
      EXPECT_EQ(Tail(0x10009 + 0x10 * n), "") << n;
    }
  }
}

}  // namespace
