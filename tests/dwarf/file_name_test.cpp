// The names that rows give: listed tables of versions 2-4 (1-based file
// indexes, directory joining, absolute names), described tables of version 5
// (0-based indexes, names in string sections), and names cut at 255 bytes.
#include <gtest/gtest.h>

#include "tests/dwarf/line_test.h"

namespace {

using namespace testing_support;
using line_test::Query;

struct Named {
  std::uint64_t file;  // the set_file operand
  std::string source;
};

// Row i lies at 0x1000 + 0x10 * i with line 1 + i and the file of entry i;
// each is looked up one byte above its start. The first row also stands at
// 0x1000 itself, where nothing is remembered yet.
void ExpectNames(LineUnit u, const std::vector<Named>& names) {
  u.SetAddress(0x1000);
  std::vector<Query> queries = {{0x1000, " of (Unknown file)"}};
  for (std::size_t i = 0; i < names.size(); ++i) {
    u.SetFile(names[i].file).Copy().AdvanceLine(1).AdvancePc(0x10);
    queries.push_back(
        {0x1001 + 0x10 * i, " line " + std::to_string(i + 1) + " of " + names[i].source});
  }
  u.EndSequence();
  line_test::ExpectTails(LineSection().Add(u), queries);
}

class ListedNamesTest : public testing::TestWithParam<int> {};

TEST_P(ListedNamesTest, DirectoriesJoined) {
  LineUnit u;
  u.version = static_cast<std::uint16_t>(GetParam());
  u.dirs = {"src", "src/", "win\\", "/abs/"};
  u.files = {{"a.inc", 1},        {"a.inc", 2},  {"c.c", 3}, {"b.c", 0}, {"/usr/x.h", 1},
             {"\\share\\y.h", 1}, {"C:/z.h", 1}, {"e.c", 9}, {"f.c", 4}};
  // clang-format off
  ExpectNames(u, {{1, "src/a.inc"}, {2, "src/a.inc"}, {3, "win\\/c.c"}, {4, "b.c"},
                  {5, "/usr/x.h"}, {6, "\\share\\y.h"}, {7, "C:/z.h"},
                  {8, "e.c"},  // a directory index past the table: the name alone
                  {9, "/abs/f.c"}, {0, "(Unknown file)"}, {10, "(Unknown file)"},
                  {1000000, "(Unknown file)"}});
  // clang-format on
}

INSTANTIATE_TEST_SUITE_P(Versions, ListedNamesTest, testing::Values(2, 3, 4),
                         [](const auto& info) { return "V" + std::to_string(info.param); });

struct DescribedCase {
  const char* label;
  bool is64;
  EntryFormat dir_format, file_format;
  std::vector<std::string> dirs;
  std::vector<LineFileEntry> files;
  std::vector<Named> names;
  friend std::ostream& operator<<(std::ostream& o, const DescribedCase& c) { return o << c.label; }
};

class DescribedNamesTest : public testing::TestWithParam<DescribedCase> {};

TEST_P(DescribedNamesTest, ZeroBasedIndexes) {
  const DescribedCase& c = GetParam();
  LineUnit u;
  u.version = 5;
  u.is64 = c.is64;
  u.dir_format = c.dir_format;
  u.file_format = c.file_format;
  u.dirs = c.dirs;
  u.files = c.files;
  ExpectNames(u, c.names);
}

// clang-format off
const DescribedCase kDescribed[] = {
    {"LineStrpDirectoryZeroJoined", false, {{kContentPath, kFormLineStrp}},
     {{kContentPath, kFormLineStrp}, {kContentDirectory, kFormUdata}, {kContentMd5, kFormData16}},
     {"/work", "inc", "lib/"}, {{"main.c", 0}, {"a.h", 1}, {"b.h", 2}, {"c.h", 7}},
     {{0, "/work/main.c"}, {1, "inc/a.h"}, {2, "lib/b.h"}, {3, "c.h"}, {4, "(Unknown file)"},
      {0, "/work/main.c"}}},
    {"StrpDwarf64", true, {{kContentPath, kFormStrp}},
     {{kContentTimestamp, kFormBlock}, {kContentPath, kFormStrp}, {kContentSize, kFormData4},
      {kContentDirectory, kFormData1}},
     {"src", "inc"}, {{"x.c", 1, 7, 9}, {"y.c", 0}, {"/abs/z.c", 1}},
     {{1, "src/y.c"}, {0, "inc/x.c"}, {2, "/abs/z.c"}, {3, "(Unknown file)"}}},
    {"InlineStringsAndFixedSizes", false, {{kContentTimestamp, kFormUdata}, {kContentPath, kFormString}},
     {{kContentDirectory, kFormData2}, {kContentPath, kFormString}, {kContentTimestamp, kFormUdata},
      {kContentSize, kFormData8}},
     {"d0", "d1"}, {{"s.c", 1, 300, 5}, {"t.c", 0}},
     {{0, "d1/s.c"}, {1, "d0/t.c"}, {2, "(Unknown file)"}}},
    {"LineStrpDirectoriesStrpFilesDwarf64", true, {{kContentPath, kFormLineStrp}},
     {{kContentMd5, kFormData16}, {kContentPath, kFormStrp}, {kContentDirectory, kFormUdata}},
     {"top", "sub"}, {{"m.c", 1}, {"n.c", 0}}, {{0, "sub/m.c"}, {1, "top/n.c"}}},
    // Entries that take no bytes would let a count from the file run on.
    {"EntriesOfNoBytes", false, {{kContentPath, kFormFlagPresent}},
     {{kContentPath, kFormString}, {kContentDirectory, kFormUdata}},
     {"a", "b", "c"}, {{"m.c", 1}}, {{0, "(Unknown file)"}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Version5, DescribedNamesTest, testing::ValuesIn(kDescribed),
                         [](const auto& info) { return std::string(info.param.label); });

// Long names: a 300-byte name, a long directory and name together, a
// 300-byte directory, and a name after a 300-byte one, in listed tables and
// in each described form. Results and frame lines are cut at 255 bytes.
struct LongCase {
  const char* label;
  std::uint16_t version;
  bool is64;
  std::uint16_t form;
  friend std::ostream& operator<<(std::ostream& o, const LongCase& c) { return o << c.label; }
};

class LongNamesTest : public testing::TestWithParam<LongCase> {};

TEST_P(LongNamesTest, CutAt255) {
  const LongCase& c = GetParam();
  const std::string n300(300, 'n'), d200(200, 'd'), m100(100, 'm'), e300(300, 'e');
  LineUnit u;
  u.version = c.version;
  u.is64 = c.is64;
  u.dir_format = {{kContentPath, c.form}};
  u.file_format = {{kContentPath, c.form}, {kContentDirectory, kFormUdata}};
  u.dirs = {d200, e300};
  u.files = {{n300, 0}, {m100, 1}, {"a.c", 2}, {"next.c", 0}};
  std::uint64_t first = 1;
  if (c.version >= 5) {
    u.dirs.insert(u.dirs.begin(), "");
    first = 0;
  }
  const std::string expected[] = {n300.substr(0, 255), (d200 + "/" + m100).substr(0, 255),
                                  e300.substr(0, 255), "next.c"};
  u.SetAddress(0x1000);
  for (std::uint64_t i = 0; i < 4; ++i) u.SetFile(first + i).Copy().AdvancePc(0x10);
  u.EndSequence();
  line_test::UseSection(LineSection().Add(u));
  for (std::uint64_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    std::uint64_t addr = 0x1001 + 0x10 * i;
    rt::SourceFrame frame = line_test::Lookup(addr);
    EXPECT_EQ(frame.file.view(), expected[i]);
    EXPECT_EQ(frame.line, 1);
    EXPECT_EQ(line_test::Frame(addr, line_test::Tail(addr)),
              line_test::Frame(addr, " line 1 of " + expected[i]));
  }
}

INSTANTIATE_TEST_SUITE_P(Forms, LongNamesTest,
                         testing::Values(LongCase{"Listed", 2, false, kFormString},
                                         LongCase{"String", 5, false, kFormString},
                                         LongCase{"LineStrp", 5, false, kFormLineStrp},
                                         LongCase{"StrpDwarf64", 5, true, kFormStrp}),
                         [](const auto& info) { return std::string(info.param.label); });

// A name that begins in the bytes read for an earlier one and ends past them.
TEST(LongNamesTest, NameAcrossTheBytesReadBefore) {
  LineUnit u;
  u.version = 5;
  u.dir_format = {{kContentPath, kFormLineStrp}};
  u.file_format = {{kContentPath, kFormLineStrp}, {kContentDirectory, kFormUdata}};
  u.dirs = {""};
  u.files = {{std::string(4000, 'x'), 0}, {std::string(200, 'y'), 0}};
  u.SetAddress(0x1000).SetFile(0).Copy().SetFile(1).AdvancePc(0x10).Copy();
  u.AdvancePc(0x10).EndSequence();
  line_test::UseSection(LineSection().Add(u));
  EXPECT_EQ(line_test::Lookup(0x1001).file.view(), std::string(255, 'x'));
  EXPECT_EQ(line_test::Lookup(0x1011).file.view(), std::string(200, 'y'));
}

}  // namespace
