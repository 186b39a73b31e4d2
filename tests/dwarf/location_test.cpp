// Locations built byte by byte: each class of operation on a scripted frame,
// and the entry of location lists of every version that covers a pc.
#include "dwarf/location/location.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "dwarf/location/location_list.h"
#include "tests/support/image_builder.h"

namespace {

using namespace std::string_literals;
using testing_support::Bytes;

Bytes Le(std::uint64_t v, int n) {
  Bytes b;
  testing_support::PutLe(b, 0, v, n);
  return b;
}
std::string Hex(const Bytes& b) {
  std::string s;
  char digits[3];
  for (unsigned char c : b) std::snprintf(digits, sizeof digits, "%02x", c), s += digits;
  return s;
}

struct Memory : rt::FrameMemory {
  std::map<std::uint64_t, std::uint64_t> words{{0x7000, 0x1234}, {0x7008, 0xAABBCCDD}};
  bool ReadWord(std::uint64_t a, std::uint64_t& v) override {
    return words.count(a) && (v = words[a], true);
  }
};

// The parts in a line: "mem A", "reg N", "value V", "bytes HEX" or "?",
// each with "/size" when it has one.
std::string Describe(rt::LocationResult r, const rt::Location& l) {
  if (r != rt::LocationResult::kLocated) {
    const char* names[] = {"", "optimized out", "unknown", "malformed"};
    return names[static_cast<int>(r)];
  }
  std::string s;
  char text[64];
  for (int i = 0; i < l.count; ++i) {
    const rt::LocationPiece& p = l.pieces[i];
    using Kind = rt::LocationPiece::Kind;
    unsigned long long n = p.kind == Kind::kMemory     ? p.address
                           : p.kind == Kind::kRegister ? static_cast<unsigned long long>(p.reg)
                                                       : p.value;
    const char* kinds[] = {"mem", "reg", "value", "bytes", "?"};
    std::snprintf(text, sizeof text, " %s %llx", kinds[int(p.kind)], n);
    Bytes bytes(reinterpret_cast<const char*>(p.bytes), p.byte_count);
    s += p.kind == Kind::kImplicit  ? " bytes " + Hex(bytes)
         : p.kind == Kind::kUnknown ? " ?"
                                    : text;
    if (p.size != 0) s += "/" + std::to_string(p.size);
  }
  return s.substr(1);
}

std::string Locate(const Bytes& expression) {
  rt::MemorySource source(expression.data(), static_cast<std::int64_t>(expression.size()));
  Bytes addr = Le(0x4000, 8) + Le(0x5000, 8);
  rt::MemorySource addr_source(addr.data(), static_cast<std::int64_t>(addr.size()));
  rt::DebugSources sources;
  sources.Set(rt::DebugSection::kAddr, &addr_source);
  rt::FrameRegisters regs, entry;
  regs.Set(6, 0x7000), regs.Set(7, 0x6000), entry.Set(5, 0x55);
  rt::FrameLayout layout{7, 16};
  Memory memory;
  rt::LocationInputs in{regs, layout, memory,   0x7010,   true, 0x6ff0,
                        true, &entry, 0x100000, &sources, {5}};
  rt::DwarfCursor cursor;
  cursor.Bind(&source);
  rt::Location location;
  auto r =
      rt::EvaluateLocation(cursor, 0, static_cast<std::uint32_t>(expression.size()), in, location);
  return Describe(r, location);
}

TEST(LocationTest, OperationsOfEveryClass) {
  const std::pair<Bytes, const char*> kCases[] = {
      // clang-format off
      {"\x35\x33\x1c\x9f", "value 2"}, {"\x08\x07\x11\x7e\x1b\x19\x9f", "value 3"},       // minus; div, abs
      {"\x31\x30\x1b\x9f", "unknown"}, {"\x31\xa8\x00\x9f"s, "value 1"}, {"\x96\x3f\x9f", "value f"},
      {"\x76\x08", "mem 7008"}, {"\x92\x07\x10", "mem 6010"}, {"\x91\x70", "mem 6fe0"},
      {"\x9c\x23\x08", "mem 7018"}, {"\x73\x00"s, "unknown"}, {"\x53", "reg 3"}, {"\x90\x21", "reg 21"},
      {"\x03" + Le(0x4000, 8), "mem 104000"}, {"\xa1\x01", "mem 105000"}, {"\xfb\x00"s, "mem 104000"},
      {"\xa2\x01\x9f", "value 5000"}, {"\xfc\x00\x9f"s, "value 4000"},
      {"\x53\x93\x04\x76\x00\x93\x04\x93\x02\x34\x9f\x93\x02"s, "reg 3/4 mem 7000/4 ?/2 value 4/2"},
      {"\x9e\x02\x01\x02", "bytes 0102"}, {"\x9e\x11" + Bytes(17, '\1'), "unknown"},
      {"\x76\x00\x06"s, "mem 1234"}, {"\x76\x08\x94\x02", "mem ccdd"}, {"\x76\x10\x06", "unknown"},
      {"\xa3\x01\x55\x9f", "value 55"}, {"\xf3\x01\x55\x9f", "value 55"}, {"\xa3\x01\x54\x9f", "unknown"},
      {"\xa3\x02\x75\x00\x9f"s, "unknown"}, {"\xa0" + Le(0, 4) + "\x00"s, "unknown"},
      {"", "optimized out"}, {"\x93\x04\x93\x04", "optimized out"}, {"\x53\x9d\x03\x00"s, "unknown"},
      {"\x0c\x01", "malformed"}, {"\x22", "malformed"}, {"\x9e\xff\xff\xff\xff\x0f", "malformed"},
      {"\x53\x93\x80\x80\x80\x80\x80\x80\x80\x80\x01", "malformed"}, {Bytes(65, '\x30'), "malformed"},
      {"\x53\x30", "malformed"}, {"\x2f\xfd\xff", "malformed"}, {"\xff", "malformed"},
      {"\xa1\x09", "malformed"}, {"\x90\x80\x80\x04", "malformed"}, {"\x53\x93\x04\x54", "malformed"},
      {"\xa3\x05\x55", "malformed"}, {"\x53\x93\x00"s, "malformed"},
      // clang-format on
  };
  for (const auto& [expression, expected] : kCases)
    EXPECT_EQ(Locate(expression), expected) << Hex(expression);
  Bytes nine;
  for (int i = 0; i < 9; ++i) nine += "\x53\x93\x01";
  EXPECT_EQ(Locate(nine), "unknown");
}

// The expression a list gives at a pc, as its bytes' hex ("info A/N" for
// one in .debug_info), or how the lookup failed.
struct ListCase {
  const char* label;
  std::uint16_t version;
  Bytes section;  // .debug_loc, or .debug_loclists from version 5
  rt::FormValue value;
  std::uint64_t pc;
  const char* expected;
  bool split = false;
};

std::string Find(const ListCase& c) {
  Bytes addr = Bytes(8, 'h') + Le(0x1000, 8) + Le(0x5000, 8) + Le(0x5010, 8) + Le(0x6000, 8);
  rt::MemorySource memory[2] = {{c.section.data(), static_cast<std::int64_t>(c.section.size())},
                                {addr.data(), static_cast<std::int64_t>(addr.size())}};
  rt::DebugSources sources;
  sources.Set(c.version < 5 ? rt::DebugSection::kLoc : rt::DebugSection::kLoclists, &memory[0]);
  sources.Set(rt::DebugSection::kAddr, &memory[1]);
  // Version 2 units here have 4-byte addresses.
  rt::LocationUnit unit{
      {c.version, 4, c.version == 2 ? std::uint8_t{4} : std::uint8_t{8}}, 0x1000, 8, 12, c.split};
  rt::DwarfCursor cursor;
  rt::ExpressionPlace place;
  switch (rt::FindLocationExpression(cursor, sources, unit, c.value, c.pc, place)) {
    case rt::ListLookup::kOptimizedOut:
      return "optimized out";
    case rt::ListLookup::kMalformed:
      return "malformed";
    default:
      if (place.section == rt::DebugSection::kInfo)
        return "info " + std::to_string(place.offset) + "/" + std::to_string(place.length);
      return Hex(c.section.substr(static_cast<std::size_t>(place.offset), place.length));
  }
}

TEST(LocationListTest, EntryThatCoversThePc) {
  using Kind = rt::FormValue::Kind;
  const Bytes e1 = "\x01\x50", e2 = "\x02\x57\x58", end = "\x00"s;
  const Bytes v4 = "junk" + Le(0x10, 8) + Le(0x20, 8) + Le(1, 2) + "\x50" + Le(~0ull, 8) +
                   Le(0x2000, 8) + Le(0, 8) + Le(8, 8) + Le(1, 2) + "\x51" + Le(0, 16);
  const Bytes v5_lists = "\x01\x00\x04\x10\x20"s + e1 + "\x02\x01\x02\x01\x51\x03\x03\x10\x01\x52" +
                         "\x06" + Le(0x7000, 8) + "\x04\x00\x08\x01\x56"s + "\x07" + Le(0x8000, 8) +
                         Le(0x8010, 8) + "\x01\x53\x08" + Le(0x9000, 8) +
                         "\x10\x01\x54\x05\x01\x55" + end + "\x04\x00\x80\x02"s + e2 + end;
  const Bytes v5 = Le(v5_lists.size() + 16, 4) + "\x05\x00\x08\x00"s + Le(2, 4) + Le(8, 4) +
                   Le(8 + v5_lists.find("\x04\x00\x80"s), 4) + v5_lists;
  const Bytes gnu =
      "\x01\x00\x02\x01\x02"s + Le(1, 2) + "\x51\x03\x03" + Le(0x10, 4) + Le(1, 2) + "\x52" + end;
  const Bytes v2 = Le(~0u, 4) + Le(0x3000, 4) + Le(0, 4) + Le(4, 4) + Le(1, 2) + "\x52" + Le(0, 8);
  const rt::FormValue at0{Kind::kSectionOffset, 0}, at4{Kind::kSectionOffset, 4},
      at20{Kind::kSectionOffset, 20};
  const ListCase kCases[] = {
      // clang-format off
      {"V4Range", 4, v4, at4, 0x1010, "50"}, {"V4AfterBaseSelection", 4, v4, at4, 0x2004, "51"},
      {"V4NoRange", 4, v4, at4, 0x1020, "optimized out"},
      {"V2ConstantOf4ByteAddresses", 2, v2, {Kind::kConstant, 0}, 0x3002, "52"},
      {"V4ConstantIsNoOffset", 4, v4, {Kind::kConstant, 4}, 0x1010, "malformed"},
      {"V5OffsetPair", 5, v5, at20, 0x1015, "50"}, {"V5StartxEndx", 5, v5, at20, 0x5008, "51"},
      {"V5StartxLength", 5, v5, at20, 0x600f, "52"}, {"V5BaseAddress", 5, v5, at20, 0x7004, "56"},
      {"V5StartEnd", 5, v5, at20, 0x8000, "53"}, {"V5StartLength", 5, v5, at20, 0x900f, "54"},
      {"V5Default", 5, v5, at20, 0xA000, "55"}, {"V5Loclistx", 5, v5, {Kind::kListIndex, 1}, 0x1050, "5758"},
      {"V5LoclistxNoRange", 5, v5, {Kind::kListIndex, 1}, 0x2000, "optimized out"},
      {"V5LoclistxPastTheSection", 5, v5, {Kind::kListIndex, 100}, 0x1050, "malformed"},
      {"Exprloc", 5, v5, {Kind::kBlock, 32, 3}, 0, "info 32/3"},
      {"GnuStartEnd", 4, gnu, at0, 0x5000, "51", true}, {"GnuStartLength", 4, gnu, at0, 0x6008, "52", true},
      {"GnuNoRange", 4, gnu, at0, 0x1000, "optimized out", true},
      {"GnuOffsetPair", 4, "\x04\x00\x08"s + Le(1, 2) + "\x50", at0, 0x1000, "malformed", true},
      {"V4Truncated", 4, v4.substr(0, 40), at4, 0x2004, "malformed"},
      {"V4ExpressionPastTheEnd", 4, v4.substr(0, 22), at4, 0x1010, "malformed"},
      {"V4PastTheSection", 4, v4, {Kind::kSectionOffset, 500}, 0x1010, "malformed"},
      {"V4Index", 4, v4, {Kind::kListIndex, 0}, 0x1010, "malformed"},
      {"V5UnknownKind", 5, "\x09\x00"s, at0, 0x1000, "malformed"},
      {"V5LengthPastTheEnd", 5, "\x04\x00\x08\x32\x50"s, at0, 0x1000, "malformed"},
      // clang-format on
  };
  for (const ListCase& c : kCases) EXPECT_EQ(Find(c), c.expected) << c.label;
}

// An exprloc value is where its bytes lie in the section, after its length.
TEST(LocationListTest, ExprlocKeepsItsPlace) {
  const Bytes entry = "\x03\x91\x10\x9f\x53"s;
  rt::MemorySource source(entry.data(), static_cast<std::int64_t>(entry.size()));
  rt::DwarfCursor cursor;
  cursor.Bind(&source);
  cursor.Init(0, source.Size());
  rt::FormValue v;
  ASSERT_TRUE(rt::ReadForm(cursor, rt::kFormExprloc, {4, 4, 8, 0x100}, 0, v));
  EXPECT_EQ(v.kind, rt::FormValue::Kind::kBlock);
  EXPECT_EQ(v.value, 0x101u);
  EXPECT_EQ(v.length, 3u);
  EXPECT_EQ(cursor.ReadNext(), 0x53);
}

}  // namespace
