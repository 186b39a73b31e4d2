// The index of which line programs may hold an address, on sections built
// byte by byte: the root entries of each version and format and the forms
// they take, range lists and indexed addresses, .debug_aranges ahead of the
// root's ranges; the programs searched for every address (described by no
// unit, named by a unit that cannot be read, or by units whose ranges
// overlap); the bound on ranges; and lookups that give the same answers
// with the index as by reading every unit.
#include "dwarf/line/unit_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dwarf/line/line_table.h"
#include "exe/byte_source.h"
#include "tests/dwarf/line_test.h"
#include "tests/support/info_builder.h"

namespace {

using namespace testing_support;
using Offsets = std::pmr::vector<std::int64_t>;

constexpr std::uint64_t kMax = ~std::uint64_t{0};
constexpr std::uint64_t kUnknownForm = 0x99;

InfoAttribute Stmt(std::uint64_t program, std::uint64_t form = kFormSecOffset) {
  return {kAtStmtList, form, program};
}
InfoAttribute Low(std::uint64_t address, std::uint64_t form = kFormAddr) {
  return {kAtLowPc, form, address};
}
InfoAttribute High(std::uint64_t value, std::uint64_t form = kFormData4) {
  return {kAtHighPc, form, value};
}
InfoAttribute Attr(std::uint64_t attribute, std::uint64_t form, std::uint64_t value = 0) {
  return {attribute, form, value};
}
// An attribute of a form the reader does not know, with no bytes.
InfoAttribute Unknown() {
  return {kAtName, kUnknownForm, 0, 0, Bytes()};
}

// n line programs of every version and both formats, one after another,
// each of one short sequence.
Bytes Programs(int n, Offsets& at) {
  Bytes line;
  LineStrings strings;
  for (int i = 0; i < n; ++i) {
    LineUnit u = line_test::Unit(static_cast<std::uint16_t>(2 + i % 4), "p.c", i % 3 == 1);
    u.SetAddress(0x100 * static_cast<std::uint64_t>(i)).Copy().AdvancePc(4).EndSequence();
    at.push_back(static_cast<std::int64_t>(line.size()));
    line += u.Build(strings);
  }
  return line;
}

using Sources = InfoSources;

struct Query {
  std::uint64_t target;
  std::vector<int> programs;  // by their place in the section
};

struct IndexCase {
  const char* label;
  int programs;
  void (*make)(DebugInfo& d, const Offsets& at);
  std::vector<Query> queries;
  friend std::ostream& operator<<(std::ostream& o, const IndexCase& c) { return o << c.label; }
};

class CandidatesTest : public testing::TestWithParam<IndexCase> {};

TEST_P(CandidatesTest, ExactPrograms) {
  const IndexCase& c = GetParam();
  Offsets at;
  Bytes line = Programs(c.programs, at);
  DebugInfo d;
  c.make(d, at);
  Sources s(d, line);
  rt::UnitIndex index;
  ASSERT_TRUE(index.Build(s.sources).ok);
  Offsets got;
  for (const Query& q : c.queries) {
    Offsets want;
    for (int p : q.programs) want.push_back(at[static_cast<std::size_t>(p)]);
    index.Candidates(q.target, got);
    EXPECT_EQ(got, want) << "at 0x" << std::hex << q.target;
  }
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(RootRanges, CandidatesTest, testing::Values(
    IndexCase{"Version4LowPcAndLength", 3, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x100)}));
       d.Add(RootUnit(4, {Low(0x2000), High(0x80, kFormUdata), Stmt(at[1])}));
       std::uint64_t base = d.AddAddresses({0x5000});
       d.Add(RootUnit(4, {Stmt(at[2]), Attr(kAtGnuAddrBase, kFormSecOffset, base),
                   Low(0, kFormGnuAddrIndex), High(0x10)}));
     },
     {{0, {}}, {0xFFF, {}}, {0x1000, {0}}, {0x1100, {0}}, {0x1102, {}}, {0x2000, {1}},
      {0x2080, {1}}, {0x2082, {}}, {0x5010, {2}}, {0x5012, {}}, {kMax, {}}}},
    IndexCase{"Versions2And3DataFormsAndHighPcAddress", 2, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(2, {Attr(kAtName, kFormString), Stmt(at[0], kFormData4), Low(0x1000),
                   High(0x1100, kFormAddr)}, false, 4));
       d.Add(RootUnit(3, {Stmt(at[1], kFormData8), Low(0x3000), High(0x3010, kFormAddr)}, true));
     },
     {{0x10FF, {0}}, {0x1100, {0}}, {0x1102, {}}, {0x2000, {}}, {0x3010, {1}}, {0x3012, {}}}},
    IndexCase{"Version5IndexedAddressesAndRangeLists", 4, [](DebugInfo& d, const Offsets& at) {
       std::uint64_t base = d.AddAddresses({0x7000, 0x4000, 0x9000, 0x6000, 0x9800, 0x9900});
       std::vector<std::uint64_t> lists_at;
       std::uint64_t lists = d.AddRangeLists(
           {{{7, 0xD000, 0x20}},
            {{4, 0, 0x10}, {1, 0}, {4, 0x20, 0x30}, {3, 2, 0x10}, {2, 4, 5}, {5, 0xA000},
             {4, 0, 8}, {6, 0xB000, 0xB010}, {7, 0xC000, 0x10}}},
           8, false, &lists_at);
       // addr_base after the address it serves
       d.Add(RootUnit(5, {Stmt(at[0]), Low(1, kFormAddrx1), High(0x80),
                   Attr(kAtAddrBase, kFormSecOffset, base)}));
       d.Add(RootUnit(5, {Stmt(at[1]), Attr(kAtRnglistsBase, kFormSecOffset, lists), Low(3, kFormAddrx),
                   Attr(kAtRanges, kFormRnglistx, 1), Attr(kAtAddrBase, kFormSecOffset, base)}));
       InfoUnit skeleton = RootUnit(5, {Stmt(at[2]), Attr(kAtRanges, kFormSecOffset, lists_at[0])});
       skeleton.unit_type = kUnitSkeleton;
       d.Add(skeleton);
       InfoUnit type = RootUnit(5, {Stmt(at[3]), Low(0xE000), High(0x10, kFormUdata)}, true);
       type.unit_type = kUnitType;
       d.Add(type);
     },
     {{0x4000, {0}}, {0x4080, {0}}, {0x4082, {}},
      {0x6010, {1}}, {0x6012, {}},                 // offsets from the unit's low_pc
      {0x7020, {1}}, {0x7030, {1}}, {0x7032, {}},  // from an indexed base
      {0x9010, {1}}, {0x9012, {}}, {0x9800, {1}}, {0x9900, {1}}, {0x9902, {}},
      {0xA008, {1}}, {0xA00A, {}}, {0xB010, {1}}, {0xC010, {1}}, {0xC012, {}},
      {0xD020, {2}}, {0xD022, {}}, {0xE010, {3}}, {0xE012, {}}}},
    IndexCase{"Version4RangeListsWithABaseOfTheirOwn", 2, [](DebugInfo& d, const Offsets& at) {
       std::uint64_t l0 = d.AddRanges({{0x10, 0x20}, {kMax, 0x50000}, {0, 0x40}});
       std::uint64_t l1 = d.AddRanges({{0xFFFFFFFF, 0x30000}, {0x10, 0x20}}, 4);
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x10000), Attr(kAtRanges, kFormSecOffset, l0)}));
       d.Add(RootUnit(3, {Stmt(at[1], kFormData4), Low(0x20000), Attr(kAtRanges, kFormData4, l1)},
               false, 4));
     },
     {{0x10000, {}}, {0x10010, {0}}, {0x10020, {0}}, {0x10022, {}}, {0x50000, {0}},
      {0x50040, {0}}, {0x50042, {}}, {0x20010, {}}, {0x30010, {1}}, {0x30020, {1}},
      {0x30022, {}}}},
    IndexCase{"NearbyRangesOfAUnitAreOne", 1, [](DebugInfo& d, const Offsets& at) {
       std::uint64_t l = d.AddRanges({{0x100, 0x200}, {0x300, 0x400}, {0x501, 0x600}});
       d.Add(RootUnit(4, {Stmt(at[0]), Attr(kAtRanges, kFormSecOffset, l)}));
     },
     {{0x250, {0}}, {0x2FF, {0}}, {0x402, {}}, {0x500, {}}, {0x501, {0}}}},
    IndexCase{"The64BitFormat", 3, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x100, kFormData8)}, true));
       std::uint64_t base = d.AddAddresses({0x3000}, 8, true);
       std::uint64_t lists = d.AddRangeLists({{{4, 0, 0x10}}, {{4, 0x100, 0x180}}}, 8, true);
       d.Add(RootUnit(5, {Stmt(at[1]), Low(0, kFormAddrx), Attr(kAtAddrBase, kFormSecOffset, base),
                   Attr(kAtRnglistsBase, kFormSecOffset, lists),
                   Attr(kAtRanges, kFormRnglistx, 1)}, true));
       std::uint64_t unit = d.Add(RootUnit(3, {Stmt(at[2], kFormData8)}, true));
       d.AddArangeSet(unit, {{0x7000, 0x40}}, 8, true);
     },
     {{0x1100, {0}}, {0x1102, {}}, {0x3000, {}}, {0x3100, {1}}, {0x3180, {1}}, {0x3182, {}},
      {0x7040, {2}}, {0x7042, {}}}},
    IndexCase{"ImplicitConstAndIndirectForms", 2, [](DebugInfo& d, const Offsets& at) {
       InfoUnit a = RootUnit(5, {Attr(kAtStmtList, kFormImplicitConst, static_cast<std::uint64_t>(at[0])),
                          {kAtLowPc, kFormIndirect, 0x1000, kFormAddr},
                          Attr(kAtHighPc, kFormImplicitConst, 0x40)});
       a.before = std::vector<InfoAttribute>{
           Attr(kAtName, kFormImplicitConst, static_cast<std::uint64_t>(-300)),
           Attr(kAtName, kFormData1)};
       d.Add(a);
       InfoUnit b = RootUnit(4, {{kAtStmtList, kFormIndirect, static_cast<std::uint64_t>(at[1]),
                           kFormSecOffset},
                          Low(0x2000), {kAtHighPc, kFormIndirect, 0x20, kFormData2}});
       // An attribute code of two bytes in the abbreviation skipped.
       b.before = std::vector<InfoAttribute>{Attr(kAtName, kFormString), Attr(0x2117, kFormData1)};
       d.Add(b);
     },
     {{0x1040, {0}}, {0x1042, {}}, {0x2020, {1}}, {0x2022, {}}}},
    IndexCase{"ArangeSetsBeforeTheRootsRanges", 4, [](DebugInfo& d, const Offsets& at) {
       std::uint64_t u0 = d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x100)}));
       std::uint64_t u1 = d.Add(RootUnit(4, {Stmt(at[1]), Low(0x2000), High(0x100)}));
       std::uint64_t u2 = d.Add(RootUnit(2, {Stmt(at[2], kFormData4)}, false, 4));
       std::uint64_t u3 = d.Add(RootUnit(4, {Stmt(at[3]), Unknown()}));  // ranges not needed
       d.AddArangeSet(u3, {{0xD000, 0x10}});
       d.AddArangeSet(u0, {{0x8000, 0x100}});
       d.AddArangeSet(u1, {{0x9000, 0x100}}, 8, false, 3);  // a version not read
       d.AddArangeSet(u2, {{0xA000, 0x10}, {0xFFFFF000, 0x2000}, {0, 0}, {0xB000, 0x10}}, 4);
       d.AddArangeSet(0x7777, {{0xC000, 0x10}});  // no unit there
     },
     {{0x1050, {}}, {0x8000, {0}}, {0x8100, {0}}, {0x8102, {}}, {0x2050, {1}}, {0x9050, {}},
      {0xA010, {2}}, {0xB000, {}}, {0xFFFFFFFF, {2}}, {0x100000001, {}}, {0xC000, {}},
      {0xD010, {3}}, {0xD012, {}}}}));

INSTANTIATE_TEST_SUITE_P(AlwaysSearched, CandidatesTest, testing::Values(
    IndexCase{"ProgramsNoUnitDescribes", 4, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x10)}));
       d.Add(RootUnit(4, {Stmt(at[2]), Low(0x1000)}));               // no end
       d.Add(RootUnit(4, {Stmt(at[3]), Low(0x3000), High(0)}));      // empty
       d.Add(RootUnit(4, {Low(0x5000), High(0x10)}));                // no program
     },
     {{0x1000, {0, 1, 2, 3}}, {0x2000, {1, 2, 3}}, {0x5000, {1, 2, 3}}}},
    IndexCase{"RootEntriesThatCannotBeReadWhole", 5, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x10), Unknown()}));
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x1000), High(0x10),
                   {kAtName, kFormIndirect, 0, 0, Bytes("\x16\x0B\x05", 3)}}));  // indirect twice
       InfoUnit lost = RootUnit(4, {Stmt(at[2]), Low(0x1000), High(0x10)});
       lost.abbrev_offset = 0x10000;  // past .debug_abbrev
       d.Add(lost);
       d.Add(RootUnit(4, {Stmt(at[3]), Low(0x1000), High(0x10),
                   {kAtName, kFormData8, 0, 0, Bytes()}}));  // past the unit's end
       d.Add(RootUnit(4, {Stmt(at[4]), Low(0x2000), High(0x10)}));
     },
     {{0x2000, {0, 1, 2, 3, 4}}, {0x1000, {0, 1, 2, 3}}, {0, {0, 1, 2, 3}}}},
    IndexCase{"RangesOutsideTheirSections", 7, [](DebugInfo& d, const Offsets& at) {
       std::uint64_t base = d.AddAddresses({0x3000});
       std::vector<std::uint64_t> lists_at;
       d.AddRangeLists({{{6, 0x4000, 0x4010}, {9}}}, 8, false, &lists_at);  // an unknown entry
       d.Add(RootUnit(4, {Stmt(at[0]), Attr(kAtRanges, kFormSecOffset, 0x1000)}));
       std::uint64_t cut = d.ranges.size();  // a list with no end
       Put64(d.ranges, cut, 0x2000);
       Put64(d.ranges, cut + 8, 0x2010);
       d.Add(RootUnit(4, {Stmt(at[1]), Attr(kAtRanges, kFormSecOffset, cut)}));
       d.Add(RootUnit(5, {Stmt(at[2]), Low(1, kFormAddrx), High(0x10),
                   Attr(kAtAddrBase, kFormSecOffset, base)}));
       d.Add(RootUnit(5, {Stmt(at[3]), Attr(kAtRnglistsBase, kFormSecOffset, 0x1000),
                   Attr(kAtRanges, kFormRnglistx, 0)}));
       d.Add(RootUnit(5, {Stmt(at[4]), Attr(kAtRanges, kFormSecOffset, lists_at[0])}));
       d.Add(RootUnit(5, {Stmt(at[5]), Low(0, kFormAddrx), High(0x10),
                   Attr(kAtAddrBase, kFormSecOffset, 0x1000)}));
       d.Add(RootUnit(4, {Stmt(at[6]), Low(0x6000), High(0x10)}));
     },
     {{0x6000, {0, 1, 2, 3, 4, 5, 6}}, {0x2000, {0, 1, 2, 3, 4, 5}},
      {0x4000, {0, 1, 2, 3, 4, 5}}}},
    IndexCase{"StmtListsWhereNoProgramStarts", 3, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[1]) + 4), Low(0x5000), High(0x10)}));
       d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[0]) + 4), Unknown()}));
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x1000), High(0x10)}));
       d.Add(RootUnit(4, {Stmt(0x100000), Low(0x7000), High(0x10)}));  // past the section
     },
     {{0x5000, {0, 2}}, {0x1000, {0, 1, 2}}, {0x7000, {0, 2}}}},
    IndexCase{"UnitsPassedOverAndTheEndOfTheWalk", 3, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(6, {Stmt(at[0]), Low(0x1000), High(0x10)}));      // an unknown version
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x10)}, false, 2));  // 2-byte addresses
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x1000), High(0x10)}));
       d.info += Bytes("\xF0\xFF\xFF\x7F\x04\x00", 6);           // longer than the section
       d.Add(RootUnit(4, {Stmt(at[2]), Low(0x9000), High(0x10)}));
     },
     {{0x1000, {0, 1, 2}}, {0x9000, {0, 2}}}}));

INSTANTIATE_TEST_SUITE_P(Overlaps, CandidatesTest, testing::Values(
    IndexCase{"OverlappingUnits", 3, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x1000)}));
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x1800), High(0x1000)}));
       d.Add(RootUnit(4, {Stmt(at[2]), Low(0x5000), High(0x100)}));
     },
     {{0x5050, {2}}, {0, {}}, {0x1800, {0, 1}}, {0x2002, {1}}}},
    IndexCase{"TouchingUnits", 2, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x2000), High(0x1000)}));
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0x1000), High(0x1000)}));
     },
     {{0x1FFF, {0}}, {0x2000, {0, 1}}, {0x2001, {0, 1}}, {0x2002, {1}}, {0x3002, {}}}},
    IndexCase{"OneUnitsOwnRangesOverlap", 2, [](DebugInfo& d, const Offsets& at) {
       std::uint64_t l = d.AddRanges({{0x5000, 0x5100}, {0x1000, 0x6000}});
       d.Add(RootUnit(4, {Stmt(at[0]), Attr(kAtRanges, kFormSecOffset, l)}));
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x8000), High(0x100)}));
     },
     {{0x3000, {0}}, {0x5050, {0}}, {0x8000, {1}}, {0x7000, {}}}},
    IndexCase{"DiscardedRangesAtZero", 3, [](DebugInfo& d, const Offsets& at) {
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0), High(0x40)}));
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0), High(0x80)}));
       d.Add(RootUnit(4, {Stmt(at[2]), Low(0x1000), High(0x100)}));
     },
     {{0x10, {0, 1}}, {0x50, {1}}, {0x200, {}}, {0x1000, {2}}}},
    IndexCase{"ADiscardedRangeOverlapsOthers", 4, [](DebugInfo& d, const Offsets& at) {
       // A range at 0 reaching past two units that overlap each other.
       d.Add(RootUnit(4, {Stmt(at[0]), Low(0), High(0x10000)}));
       d.Add(RootUnit(4, {Stmt(at[1]), Low(0x1000), High(0x1000)}));
       d.Add(RootUnit(4, {Stmt(at[2]), Low(0x1800), High(0x1000)}));
       d.Add(RootUnit(4, {Stmt(at[3]), Low(0x20000), High(0x100)}));
     },
     {{0x20000, {3}}, {0x10, {0}}, {0x1900, {0, 1, 2}}, {0x2100, {0, 2}}}}));
// clang-format on

// One unit's set of .debug_aranges of `count` ranges 0x1000 apart.
void ManyRanges(DebugInfo& d, std::int64_t program, std::size_t count, std::uint64_t from) {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> tuples;
  for (std::size_t i = 0; i < count; ++i) tuples.push_back({from + 0x1000 * i, 0x10});
  d.AddArangeSet(d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(program))})), tuples);
}

TEST(UnitIndexBoundTest, NoInfoOrTooManyRanges) {
  Offsets at;
  Bytes line = Programs(2, at);
  constexpr std::size_t kMaxRanges = rt::UnitIndex::kMaxRanges;
  struct Row {
    const char* label;
    std::size_t first, second;  // ranges of the two units
    bool built;
  };
  for (const Row& row :
       {Row{"at the bound", kMaxRanges / 2, kMaxRanges / 2, true},
        Row{"one over, counted across units", kMaxRanges / 2, kMaxRanges / 2 + 1, false}}) {
    SCOPED_TRACE(row.label);
    DebugInfo d;
    ManyRanges(d, at[0], row.first, 0x100000);
    ManyRanges(d, at[1], row.second, 0x100000 + 0x1000 * row.first);
    Sources s(d, line);
    rt::UnitIndex index;
    ASSERT_EQ(index.Build(s.sources).ok, row.built);
    if (!row.built) continue;
    Offsets got;
    index.Candidates(0x100000 + 0x1000 * (kMaxRanges - 1) + 0x10, got);
    EXPECT_EQ(got, Offsets{at[1]});
    index.Candidates(0x100000 + 0x1000 * (kMaxRanges / 2 - 1) + 0x12, got);
    EXPECT_EQ(got, Offsets{});
  }
  // Ranges a unit's nearby ones join count as one.
  DebugInfo d;
  std::uint64_t unit = d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[0]))}));
  std::vector<std::pair<std::uint64_t, std::uint64_t>> tuples;
  for (std::size_t i = 0; i < kMaxRanges; ++i) tuples.push_back({0x100000 + 0x1000 * i, 0x10});
  tuples.push_back({tuples.back().first + 0x20, 0x10});
  d.AddArangeSet(unit, tuples);
  Sources joined(d, line);
  rt::UnitIndex index;
  EXPECT_TRUE(index.Build(joined.sources).ok);
  // Without .debug_info there is no index.
  joined.sources.Set(rt::DebugSection::kInfo, nullptr);
  EXPECT_FALSE(index.Build(joined.sources).ok);
}

// A lookup answers the same whether it reads the programs the index names
// or every program: the first program in the section that holds the address
// answers, also where programs overlap, where a discarded function lies at 0
// in several, in a program that no unit describes, in a unit whose
// sequences are out of address order, and at the last row of a unit whose
// range ends a byte short of it (its high_pc given as its last byte), and
// where one unit's sequence ends and an earlier unit's starts.
TEST(UnitIndexLookupTest, SameAnswersAsTheFullScan) {
  LineSection section;
  Offsets at;
  auto add = [&](LineUnit u) {
    at.push_back(static_cast<std::int64_t>(section.line.size()));
    section.Add(u);
  };
  LineUnit a = line_test::Unit(4, "a.c");
  a.SetAddress(0).AdvanceLine(99).Copy().AdvancePc(0x20).EndSequence();
  a.SetAddress(0x1000).AdvanceLine(9).Copy().Special(0x10, 1).AdvancePc(0x30).EndSequence();
  add(a);
  LineUnit b = line_test::Unit(5, "b.c", true);
  b.SetAddress(0x2000).AdvanceLine(19).Copy().AdvancePc(0x40).AdvanceLine(2).Copy();
  b.AdvancePc(0x40).EndSequence();
  add(b);
  LineUnit c = line_test::Unit(2, "c.c");  // described by no unit
  c.SetAddress(0x3000).AdvanceLine(29).Copy().AdvancePc(0x10).EndSequence();
  add(c);
  LineUnit e = line_test::Unit(3, "e.c");  // overlaps d.c
  e.SetAddress(0).AdvanceLine(39).Copy().AdvancePc(0x10).EndSequence();
  e.SetAddress(0x4000).AdvanceLine(39).Copy().AdvancePc(0x40).EndSequence();
  add(e);
  LineUnit f = line_test::Unit(4, "f.c");
  f.SetAddress(0x4020).AdvanceLine(49).Copy().AdvancePc(0x40).EndSequence();
  add(f);
  LineUnit g = line_test::Unit(4, "g.c");  // sequences out of address order
  g.SetAddress(0x6040).AdvanceLine(59).Copy().AdvancePc(0x40).EndSequence();
  g.SetAddress(0x6000).AdvanceLine(69).Copy().AdvancePc(0x40).EndSequence();
  add(g);
  LineUnit h = line_test::Unit(2, "h.c");  // its high_pc is its last byte
  h.SetAddress(0x7000).AdvanceLine(79).Copy().AdvancePc(0x40).EndSequence();
  add(h);
  LineUnit i = line_test::Unit(2, "i.c");
  i.SetAddress(0x7040).AdvanceLine(89).Copy().AdvancePc(0x40).EndSequence();
  add(i);
  // j.c's sequence starts, outside its unit's ranges, where k.c's ends.
  LineUnit j = line_test::Unit(4, "j.c");
  j.SetAddress(0x8040).AdvanceLine(99).Copy().AdvancePc(0x10).EndSequence();
  add(j);
  LineUnit k = line_test::Unit(4, "k.c");
  k.SetAddress(0x8000).AdvanceLine(109).Copy().AdvancePc(0x40).EndSequence();
  add(k);

  DebugInfo d;
  std::uint64_t l = d.AddRanges({{0, 0x20}, {0x1000, 0x1040}});
  d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[0])), Attr(kAtRanges, kFormSecOffset, l)}));
  d.Add(RootUnit(5, {Stmt(static_cast<std::uint64_t>(at[1])), Low(0x2000), High(0x80)}, true));
  d.Add(RootUnit(3, {Stmt(static_cast<std::uint64_t>(at[3]), kFormData4), Low(0x4000),
                     High(0x4040, kFormAddr)}));
  d.AddArangeSet(d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[4]))})), {{0x4020, 0x40}});
  d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[5])), Low(0x6000), High(0x80)}));
  for (int k : {6, 7}) {
    std::uint64_t low = 0x7000 + 0x40 * static_cast<std::uint64_t>(k - 6);
    d.Add(RootUnit(2, {Stmt(static_cast<std::uint64_t>(at[k]), kFormData4), Low(low),
                       High(low + 0x3F, kFormAddr)}));
  }
  d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[8])), Low(0x9000), High(0x10)}));
  d.Add(RootUnit(4, {Stmt(static_cast<std::uint64_t>(at[9])), Low(0x8000), High(0x40)}));
  Sources s(d, section.line);
  rt::UnitIndex index;
  ASSERT_TRUE(index.Build(s.sources).ok);

  std::vector<std::uint64_t> targets;
  for (std::uint64_t base : {0x0, 0x1000, 0x2000, 0x3000, 0x4000, 0x6000, 0x7000, 0x8000}) {
    for (std::uint64_t k = 0; k <= 0x90; k += 4)
      targets.insert(targets.end(), {base + k, base + k + 1});
  }
  targets.push_back(kMax);
  const rt::DebugSources& sections = s.sources;
  auto answers = [&](bool full_scan, bool batch) {
    rt::LineTable table;
    table.SetFullScan(full_scan);
    std::vector<rt::SourceFrames> frames(targets.size());
    if (batch) {
      table.LookupMany(sections, targets.data(), targets.size(), frames.data());
    } else {
      for (std::size_t k = 0; k < targets.size(); ++k)
        table.Lookup(sections, targets[k], frames[k]);
    }
    std::vector<std::string> out;
    for (const rt::SourceFrames& f : frames) {
      rt::SourceFrame p = f.empty() ? rt::SourceFrame() : f.front();
      out.push_back(std::string(p.file.view()) + ":" + std::to_string(p.line));
    }
    return out;
  };
  std::vector<std::string> full = answers(true, false);
  EXPECT_EQ(answers(false, false), full);
  EXPECT_EQ(answers(false, true), full);
  for (const char* name : {"a.c:100", "a.c:10", "b.c:20", "c.c:30", "e.c:40", "f.c:50", "g.c:60",
                           "g.c:70", "h.c:80", "i.c:90"}) {
    EXPECT_NE(std::find(full.begin(), full.end(), name), full.end()) << name;
  }
  // The address at h.c's last row, a byte past its range: h.c answers.
  auto at_h_end = std::find(targets.begin(), targets.end(), 0x7040u) - targets.begin();
  EXPECT_EQ(full[static_cast<std::size_t>(at_h_end)], "h.c:80");
  // Where k.c's sequence ends and j.c's starts, the earlier j.c answers.
  auto at_j = std::find(targets.begin(), targets.end(), 0x8040u) - targets.begin();
  EXPECT_EQ(full[static_cast<std::size_t>(at_j)], "(Unknown file):0");
}

}  // namespace
