// What of .debug_info compilers seldom emit, built byte by byte: unit headers
// and values of every kind, indexed strings and addresses, range lists with
// base address entries, and a unit index read from compressed sections.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dwarf/info/address_ranges.h"
#include "dwarf/info/entry_attributes.h"
#include "dwarf/info/unit_header.h"
#include "dwarf/line/unit_index.h"
#include "dwarf/strings.h"
#include "exe/exe_file.h"
#include "tests/dwarf/line_test.h"
#include "tests/support/image_builder.h"
#include "tests/support/info_builder.h"

namespace {

using namespace testing_support;
using Kind = rt::FormValue::Kind;

// A value expected of the root entry: its kind, and the string or number it
// gives (an address through .debug_addr); not asked for, it is passed over.
struct Expect {
  std::uint64_t attribute;
  Kind kind;
  std::string text;
  std::uint64_t number = 0;
  bool asked = true;
};

struct HeaderRow {
  const char* label;
  InfoUnit unit;
  std::string header;  // version, offset and address sizes, type, id
  std::vector<Expect> values;
};

std::string Describe(const rt::UnitHeader& h) {
  char text[80];
  std::snprintf(text, sizeof text, "v%d %d %d t%d %llx", h.shape.version, h.shape.offset_size,
                h.shape.address_size, h.type, static_cast<unsigned long long>(h.id));
  return text;
}

InfoAttribute Attr(std::uint64_t attribute, std::uint64_t form, std::uint64_t value = 0) {
  return {attribute, form, value};
}
InfoAttribute Raw(std::uint64_t attribute, std::uint64_t form, const Bytes& bytes) {
  return {attribute, form, 0, 0, bytes};
}

TEST(UnitEntryTest, HeadersAndValuesOfEveryFormat) {
  DebugInfo d;
  d.Add(RootUnit(4, {}));  // the units read lie past the section's start
  std::uint64_t main = d.AddString("main"), file = d.AddString("grades.cpp");
  std::uint64_t offsets32 = d.AddStrOffsets({file, main});
  std::uint64_t offsets64 = d.AddStrOffsets({main, file}, true);
  std::uint64_t addresses = d.AddAddresses({0x401000, 0x402000});
  InfoUnit skeleton = RootUnit(
      5,
      {Attr(kAtStrOffsetsBase, kFormSecOffset, offsets64), Attr(kAtName, kFormStrx, 1),
       Raw(0x3b, kFormData16, Bytes(16, '\x7F')), Attr(kAtAddrBase, kFormSecOffset, addresses),
       Attr(kAtLowPc, kFormAddrx, 1), Attr(0x49, kFormRefSig8, 0x0102030405060708)},
      true);
  skeleton.unit_type = kUnitSkeleton;
  InfoUnit type = RootUnit(5, {Attr(kAtName, kFormStrx1, 0), Attr(kAtHighPc, kFormRef4, 0x30),
                               Attr(0x49, kFormRefUdata, 0x2C)});
  type.unit_type = kUnitType;
  // clang-format off
  std::vector<HeaderRow> rows = {
      {"Version2RefAddrOfAnAddressSize", RootUnit(2, {Raw(kAtName, kFormString, Bytes("p.c\0", 4)),
           Attr(0x31, kFormRefAddr, 0x1234), Attr(kAtLowPc, kFormAddr, 0x8000)}, false, 4),
       "v2 4 4 t1 0", {{kAtName, Kind::kString, "p.c"}, {0x31, Kind::kInfoReference, "", 0x1234},
        {kAtLowPc, Kind::kAddress, "", 0x8000}}},
      {"Version4The64BitFormat", RootUnit(4, {Attr(kAtName, kFormStrp, file),
           Raw(0x02, kFormExprloc, Bytes("\x02\x91\x10", 3)), Attr(0x31, kFormRefAddr, 0x1122334455),
           Attr(kAtStmtList, kFormSecOffset, 0x99887766554433), Raw(0x03, kFormString, Bytes("x\0", 2))},
           true),
       "v4 8 8 t1 0", {{kAtName, Kind::kStringOffset, "grades.cpp"}, {0x02, Kind::kNone, "", 0, false},
        {0x31, Kind::kInfoReference, "", 0x1122334455},
        {kAtStmtList, Kind::kSectionOffset, "", 0x99887766554433},
        {0x03, Kind::kString, "x"}}},
      {"Version5SkeletonOf64Bits", skeleton, "v5 8 8 t4 1122334455667788", {{kAtStrOffsetsBase, Kind::kSectionOffset, "", offsets64, false},
        {kAtName, Kind::kStringIndex, "grades.cpp"}, {0x3b, Kind::kNone, "", 0, false},
        {kAtAddrBase, Kind::kSectionOffset, "", addresses, false},
        {kAtLowPc, Kind::kAddressIndex, "", 0x402000},
        {0x49, Kind::kSignature, "", 0x0102030405060708}}},
      {"Version5TypeUnit", type, "v5 4 8 t2 8877665544332211", {{kAtName, Kind::kStringIndex, "grades.cpp"}, {kAtHighPc, Kind::kReference, "", 0x30},
        {0x49, Kind::kReference, "", 0x2C}}},
  };
  // clang-format on
  std::vector<std::uint64_t> at;
  for (const HeaderRow& row : rows) at.push_back(d.Add(row.unit));
  InfoSources s(d, Bytes());
  rt::StringTables strings(s.sources);
  rt::DwarfCursor info;
  info.Bind(s.sources[rt::DebugSection::kInfo]);
  rt::AbbrevTable abbreviations;
  abbreviations.Bind(s.sources[rt::DebugSection::kAbbrev]);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const HeaderRow& row = rows[i];
    SCOPED_TRACE(row.label);
    rt::UnitHeader header;
    ASSERT_TRUE(rt::ReadUnitHeader(info, static_cast<std::int64_t>(at[i]),
                                   static_cast<std::int64_t>(d.info.size()), header));
    ASSERT_TRUE(header.readable);
    EXPECT_EQ(Describe(header), row.header);
    EXPECT_EQ(static_cast<std::size_t>(header.next), i + 1 < at.size() ? at[i + 1] : d.info.size());
    abbreviations.Open(header.abbrev_offset);
    const rt::Abbreviation* abbreviation = abbreviations.Find(info.ReadULEB128());
    ASSERT_NE(abbreviation, nullptr);
    rt::UnitTables tables{header.shape, row.unit.is64 ? offsets64 : offsets32, addresses};
    rt::EntryAttributes entry(info, header.shape, abbreviations.Attributes(*abbreviation));
    for (const Expect& e : row.values) {
      ASSERT_TRUE(entry.Next());
      EXPECT_EQ(entry.attribute(), e.attribute);
      rt::FormValue value;
      if (!e.asked) continue;
      ASSERT_TRUE(entry.Value(value));
      EXPECT_EQ(value.kind, e.kind);
      std::uint64_t number = value.value;
      rt::AddressOf(s.sources, value, tables, number);
      EXPECT_EQ(strings.Of(value, tables).view(), e.text);
      if (e.text.empty()) {
        EXPECT_EQ(number, e.number);
      }
    }
    EXPECT_FALSE(entry.Next());
    EXPECT_TRUE(entry.ok());
    EXPECT_EQ(info.ReadNext(), 0);  // the unit's end of entries
  }
}

// Range lists give each range as written, however near the next.
TEST(RangeListTest, ReadExactly) {
  using Ranges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
  DebugInfo d;
  std::uint64_t addresses = d.AddAddresses({0x7000, 0x9000, 0x9100});
  std::vector<std::uint64_t> lists;
  // clang-format off
  d.AddRangeLists({{{4, 0x10, 0x20}, {5, 0x5000} /* base */, {4, 0x0, 0x8}, {4, 0x10, 0x18},
                    {4, 0x20, 0x20} /* empty */, {1, 0} /* indexed base */, {4, 0x4, 0x6},
                    {2, 1, 2}, {3, 2, 0x10}, {6, 0xA000, 0xA004}, {7, 0xA008, 0x4}}},
                  8, false, &lists);
  std::uint64_t pairs = d.AddRanges({{0x10, 0x20}, {0x28, 0x30}, {0xFFFFFFFF, 0x3000}, {0, 4}}, 4);
  InfoSources s(d, Bytes());
  struct Row { bool is_rnglists; std::uint64_t offset; std::uint8_t address_size; Ranges want; };
  for (const Row& row : {
           Row{true, lists[0], 8, {{0x1010, 0x1020}, {0x5000, 0x5008}, {0x5010, 0x5018},
               {0x7004, 0x7006}, {0x9000, 0x9100}, {0x9100, 0x9110}, {0xA000, 0xA004},
               {0xA008, 0xA00C}}},
           Row{false, pairs, 4, {{0x1010, 0x1020}, {0x1028, 0x1030}, {0x3000, 0x3004}}}}) {
    // clang-format on
    rt::RangeListPlace place;
    place.unit.version = row.is_rnglists ? 5 : 4;
    place.unit.address_size = row.address_size;
    place.is_rnglists = row.is_rnglists;
    place.offset = row.offset;
    place.base = 0x1000;
    place.addr_base = addresses;
    rt::DwarfCursor cursor;
    std::pmr::vector<rt::AddressRange> got;
    ASSERT_TRUE(rt::ReadRangeList(cursor, s.sources, place, got));
    Ranges ranges;
    for (const rt::AddressRange& r : got) ranges.push_back({r.low, r.high});
    EXPECT_EQ(ranges, row.want) << "version " << place.unit.version;
  }
}

// A zlib stream of stored blocks: what any zlib decodes, made without one.
Bytes Zlib(const Bytes& data) {
  Bytes out("\x78\x01", 2);
  std::size_t at = 0;
  do {
    std::size_t n = std::min<std::size_t>(data.size() - at, 0xFFFF);
    out += static_cast<char>(at + n == data.size() ? 1 : 0);
    PutLe(out, out.size(), n, 2);
    PutLe(out, out.size(), ~n & 0xFFFF, 2);
    out += data.substr(at, n);
    at += n;
  } while (at < data.size());
  std::uint32_t a = 1, b = 0;
  for (unsigned char c : data) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(((b << 16 | a) >> shift));
  return out;
}

// The ELF compression header for zlib, or the older ".zdebug" one.
ElfSection Compressed(const std::string& name, const Bytes& data, bool zdebug) {
  if (zdebug) {
    Bytes header = "ZLIB";
    for (int i = 7; i >= 0; --i) header += static_cast<char>(data.size() >> (8 * i));
    return {".z" + name.substr(1), kProgBits, 0, header + Zlib(data)};
  }
  Bytes header(24, '\0');
  Put32(header, 0, 1);
  Put64(header, 8, data.size());
  Put64(header, 16, 1);
  return {name, kProgBits, kShfCompressed, header + Zlib(data)};
}

// Every section the index reads compressed, in both ways: it describes
// each program by its unit's ranges, as it does plain sections.
TEST(UnitIndexFileTest, CompressedSectionsAreRead) {
  LineSection section;
  std::vector<std::int64_t> at;
  for (std::uint64_t i = 0; i < 3; ++i) {
    LineUnit u = line_test::Unit(4, "c.c");
    u.SetAddress(0x1000 * (i + 1)).AdvanceLine(9).Copy().AdvancePc(0x10).EndSequence();
    at.push_back(static_cast<std::int64_t>(section.line.size()));
    section.Add(u);
  }
  DebugInfo d;
  std::uint64_t ranges = d.AddRanges({{0x2000, 0x2010}});
  d.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, static_cast<std::uint64_t>(at[0])),
                     Attr(kAtLowPc, kFormAddr, 0x1000), Attr(kAtHighPc, kFormData4, 0x10)}));
  d.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, static_cast<std::uint64_t>(at[1])),
                     Attr(kAtRanges, kFormSecOffset, ranges)}));
  std::uint64_t third =
      d.Add(RootUnit(4, {Attr(kAtStmtList, kFormSecOffset, static_cast<std::uint64_t>(at[2]))}));
  d.AddArangeSet(third, {{0x3000, 0x10}});
  ElfImage elf;
  elf.sections = {
      {".text", kProgBits, 6, Bytes(16, '\x90')},   Compressed(".debug_line", section.line, false),
      Compressed(".debug_info", d.info, false),     Compressed(".debug_abbrev", d.abbrev, true),
      Compressed(".debug_ranges", d.ranges, false), Compressed(".debug_aranges", d.aranges, true)};
  std::string path = WriteScratchFile("compressed-info", elf.Build());

  rt::TExeFile exe;
  rt::LineFile file;
  rt::LineFileSearch::Kind found = rt::FindLineFile(exe, path, "/nonexistent", file).kind;
  if (found == rt::LineFileSearch::kNoLineTable) GTEST_SKIP() << "this build reads no zlib stream";
  ASSERT_EQ(found, rt::LineFileSearch::kFound);
  rt::LineFileReaders readers;
  readers.Bind(exe, file);
  rt::UnitIndex index;
  EXPECT_TRUE(index.Build(readers.sources()).ok);
  std::pmr::vector<std::int64_t> got;
  for (std::size_t i = 0; i < 3; ++i) {
    index.Candidates(0x1000 * (i + 1) + 8, got);
    EXPECT_EQ(got, std::pmr::vector<std::int64_t>{at[i]}) << "unit " << i;
  }
  rt::CloseExeFile(exe);
}

}  // namespace
