// The line-number program: every standard and extended opcode, special
// opcodes under several opcode bases, the header layout of each version in
// both formats, and units that cover nothing. Each case is looked up at
// chosen addresses through the frame-line formatter.
#include <gtest/gtest.h>

#include "tests/dwarf/line_test.h"

namespace {

using namespace std::string_literals;
using line_test::Query;
using line_test::Unit;
using testing_support::Bytes;
using testing_support::LineSection;
using testing_support::LineUnit;

LineUnit With(LineUnit u, std::uint8_t min_inst, std::int8_t line_base, std::uint8_t line_range,
              std::uint8_t opcode_base) {
  u.min_inst_length = min_inst;
  u.line_base = line_base;
  u.line_range = line_range;
  u.opcode_base = opcode_base;
  return u;
}

struct ProgramCase {
  const char* label;
  LineUnit (*make)();
  std::vector<Query> queries;
  friend std::ostream& operator<<(std::ostream& o, const ProgramCase& c) { return o << c.label; }
};

class ProgramTest : public testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramTest, RowsAsDecoded) {
  line_test::ExpectTails(LineSection().Add(GetParam().make()), GetParam().queries);
}

// clang-format off
const ProgramCase kPrograms[] = {
    {"CopyAdvancePcAdvanceLine", [] {
       LineUnit u = With(Unit(2, "a.c"), 4, -5, 14, 13);
       u.SetAddress(0x1000).Copy();                         // 0x1000 line 1
       u.AdvancePc(3).AdvanceLine(-4).Copy();               // 0x100C line -3
       u.AdvanceLine(1000).AdvancePc(1).Copy();             // 0x1010 line 997
       u.AdvanceLine(-2000).AdvancePc(1).Copy();            // 0x1014 line -1003
       return u.AdvancePc(1).EndSequence();                 // 0x1018
     },
     {{0x100C, " line 1 of a.c"}, {0x100D, " line -3 of a.c"}, {0x1010, " line -3 of a.c"},
      {0x1011, " line 997 of a.c"}, {0x1015, " line -1003 of a.c"},
      {0x1018, " line -1003 of a.c"}, {0x1019, ""}}},
    {"OperandsOfStateOpcodes", [] {
       LineUnit u = Unit(3, "a.c");
       u.SetAddress(0x1000).SetColumn(300).NegateStmt().SetBasicBlock().SetPrologueEnd();
       u.SetEpilogueBegin().SetIsa(1000).Copy();            // 0x1000 line 1
       u.SetColumn(3).AdvanceLine(1).FixedAdvancePc(0x10).Copy();  // 0x1010 line 2
       return u.SetIsa(3).AdvancePc(0x10).EndSequence();
     },
     {{0x1010, " line 1 of a.c"}, {0x1011, " line 2 of a.c"}, {0x1020, " line 2 of a.c"}}},
    {"ConstAddPcScaledFixedAdvancePcNot", [] {
       // const_add_pc: (255 - 13) / 14 = 17 operations of 2 bytes.
       LineUnit u = With(Unit(4, "a.c"), 2, -5, 14, 13);
       u.SetAddress(0x1000).Copy();                         // 0x1000 line 1
       u.ConstAddPc().AdvanceLine(1).Copy();                // 0x1022 line 2
       u.FixedAdvancePc(0x100).AdvanceLine(1).Copy();       // 0x1122 line 3
       return u.AdvancePc(1).EndSequence();                 // 0x1124
     },
     {{0x1022, " line 1 of a.c"}, {0x1023, " line 2 of a.c"}, {0x1122, " line 2 of a.c"},
      {0x1123, " line 3 of a.c"}, {0x1124, " line 3 of a.c"}, {0x1125, ""}}},
    {"SetAddressTakesTheStatedLength", [] {
       LineUnit u = Unit(2, "a.c");
       Bytes padded = "\x90\x56\x34\x12\0\0\0\0\x03\x05"s;  // "03 05" is inside the length
       u.SetAddress(0x12345678, 4).Copy();                  // line 1
       u.AdvanceLine(1).SetAddress(0x12345680, 2).Copy();   // 0x5680 line 2
       u.AdvanceLine(1).SetAddress(0x12345680).Copy();      // line 3
       u.AdvanceLine(1).Extended(2, padded).Copy();         // 0x12345690 line 4
       return u.AdvancePc(0x10).EndSequence();
     },
     // The row at 0x5680 is not a sequence's first: the search goes on.
     {{0x12345679, " line 2 of a.c"}, {0x12345681, " line 3 of a.c"},
      {0x12345690, " line 3 of a.c"}, {0x12345691, " line 4 of a.c"}}},
    {"DefineFileNotAddedUnknownExtendedSkipped", [] {
       LineUnit u = Unit(2, "a.c");
       u.SetAddress(0x1000).DefineFile("def.c").SetFile(2).Copy();        // file 2, line 1
       u.Extended(0x80, "\x01\x03\x07").AdvanceLine(1).SetFile(1);
       u.AdvancePc(0x10).Copy();                                           // 0x1010 line 2
       u.Extended(3, "x.c\0\0\0\0\x03\x09"s).AdvancePc(0x10).Copy();       // 0x1020 line 2
       return u.Extended(0x11, "").AdvancePc(0x10).EndSequence();
     },
     {{0x1001, " line 1 of (Unknown file)"}, {0x1011, " line 2 of a.c"},
      {0x1021, " line 2 of a.c"}, {0x1030, " line 2 of a.c"}}},
    {"OpcodesBelowBaseSkippedByTheirLengths", [] {
       // Opcodes 1-12 act as defined whatever lengths the header gives them.
       LineUnit u = With(Unit(3, "a.c"), 1, -5, 14, 17);
       u.opcode_lengths = std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 3};
       u.SetAddress(0x1000).Copy();
       u.Op(13).Uleb(3).Uleb(300).Op(14).Op(15).Uleb(3).Op(16).Uleb(3).Uleb(0x83).Uleb(3);
       u.AdvanceLine(1).Special(0x10, 0);                   // 0x1010 line 2
       return u.AdvancePc(0x10).EndSequence();
     },
     {{0x1010, " line 1 of a.c"}, {0x1011, " line 2 of a.c"}, {0x1020, " line 2 of a.c"}}},
    {"OpcodeBase10MakesTenToTwelveSpecial", [] {
       // Special opcode op: address += (op - 10) / 4, line += -1 + (op - 10) % 4.
       LineUnit u = With(Unit(2, "a.c"), 1, -1, 4, 10);
       u.SetAddress(0x1000).AdvanceLine(9).Copy();          // 0x1000 line 10
       u.Op(12).Op(25).Op(11).Op(30);                       // 0x1000 11, 0x1003 13, 13, 0x1008 12
       u.ConstAddPc().AdvanceLine(7).Op(255);               // 61 + 61 bytes on: 0x1082 line 19
       return u.AdvancePc(2).EndSequence();
     },
     {{0x1001, " line 11 of a.c"}, {0x1004, " line 13 of a.c"}, {0x1009, " line 12 of a.c"},
      {0x1082, " line 12 of a.c"}, {0x1083, " line 19 of a.c"}}},
    {"OpcodeBase1MakesEveryOpcodeSpecial", [] {
       LineUnit u = With(Unit(2, "a.c"), 1, -3, 10, 1);
       u.SetAddress(0x1000).Op(4).Op(26);                   // 0x1000 line 1, 0x1002 line 3
       u.Op(1).Op(9).Op(44);                                // 0x1002 0, 0x1002 5, 0x1006 5
       return u.EndSequence();
     },
     {{0x1001, " line 1 of a.c"}, {0x1002, " line 1 of a.c"}, {0x1003, " line 5 of a.c"}}},
    {"SpecialOpcodesPositiveLineBase", [] {
       LineUnit u = With(Unit(4, "a.c"), 4, 1, 3, 13);
       u.SetAddress(0x2000).Copy().Special(2, 2).Special(0, 1);  // 0x2008 lines 3, 4
       u.Special(80, 3);                                    // opcode 255: 0x2148 line 7
       return u.AdvancePc(1).EndSequence();
     },
     {{0x2008, " line 1 of a.c"}, {0x2009, " line 4 of a.c"}, {0x2148, " line 4 of a.c"},
      {0x2149, " line 7 of a.c"}}},
    {"NumbersOfEveryLength", [] {
       // Operands of up to ten bytes are read straight from the buffer, a
       // longer one (padded) by the cursor; rows far from the buffer's end.
       LineUnit u = Unit(4, "a.c");
       u.SetAddress(0x1000).Copy();                          // 0x1000 line 1
       u.AdvanceLine(0x2000).AdvancePc(0x4000).Copy();       // 0x5000 line 8193
       u.AdvanceLine(-0x1000000).SetColumn(~0ull).Copy();    // 0x5000 line -16769023
       u.AdvanceLine(0x1000000).AdvancePc(1).Copy();         // 0x5001 line 8193
       u.Op(5).Raw("\x80\x80\x80\x80\x80\x80\x80\x80\x80\x80\x00"s);
       u.AdvancePc(0x10).AdvanceLine(1).Copy();              // 0x5011 line 8194
       for (int i = 0; i < 30; ++i) u.NegateStmt();
       return u.AdvancePc(1).EndSequence();
     },
     {{0x5000, " line 1 of a.c"}, {0x5001, " line -16769023 of a.c"},
      {0x5002, " line 8193 of a.c"}, {0x5012, " line 8194 of a.c"}}},
    {"LongRunsAndAnAddressThatWraps", [] {
       // Runs longer than the reader takes in one stretch, and a step that
       // wraps the address back below the target after a row above it.
       LineUnit u = Unit(4, "a.c");
       u.SetAddress(0x10000);
       for (int i = 0; i < 300; ++i) u.SetColumn(i + 1).Copy();   // 0x10000 line 1
       u.AdvancePc(8).AdvanceLine(1).Copy();                       // 0x10008 line 2
       u.AdvancePc(~0ull - 3).AdvanceLine(1);
       for (int i = 0; i < 300; ++i) u.NegateStmt().Copy();       // 0x10004 line 3
       u.AdvancePc(0x10).AdvanceLine(1).Copy();                    // 0x10014 line 4
       return u.AdvancePc(4).EndSequence();
     },
     {{0x10001, " line 1 of a.c"}, {0x10005, " line 1 of a.c"}, {0x10009, " line 3 of a.c"},
      {0x10015, " line 4 of a.c"}}},
    {"HighAddressInUpperCase", [] {
       LineUnit u = Unit(5, "a.c");
       u.SetAddress(0xFEDCBA9876543210).AdvanceLine(1).Copy();
       return u.Special(0x10, 1).EndSequence();
     },
     {{0xFEDCBA9876543211, " line 2 of a.c"}, {0xFEDCBA987654320F, ""}}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Opcodes, ProgramTest, testing::ValuesIn(kPrograms),
                         [](const auto& info) { return std::string(info.param.label); });

// Each version's header layout in both formats, with the header fields away
// from their usual values and bytes after the tables that header_length
// steps over. A first unit of the same kind lies above the target, so the
// second one is reached only over a correctly read unit length.
struct Layout {
  std::uint16_t version;
  bool is64;
  friend std::ostream& operator<<(std::ostream& o, const Layout& l) {
    return o << "version " << l.version << (l.is64 ? ", 64-bit" : ", 32-bit");
  }
};

class LayoutTest : public testing::TestWithParam<Layout> {};

LineUnit LayoutUnit(Layout l, const std::string& name) {
  LineUnit u = With(Unit(l.version, name, l.is64), 2, -3, 12, 11);
  u.default_is_stmt = 0;
  u.header_extra = "\x01\x02\x03";
  u.dirs = {"d"};
  if (l.version < 5) u.files[0].directory = 1;
  return u;
}

TEST_P(LayoutTest, HeaderFieldsRead) {
  LineUnit above = LayoutUnit(GetParam(), "above.c");
  above.SetAddress(0x9000).Copy().AdvancePc(4).EndSequence();
  LineUnit u = LayoutUnit(GetParam(), "a.c");
  u.SetAddress(0x4000).AdvanceLine(4).Copy();  // 0x4000 line 5
  u.Special(8, 2);                             // opcode 112: 0x4010 line 7
  u.ConstAddPc().Special(0, 3);                // 20 operations: 0x4038 line 10
  u.AdvancePc(4).EndSequence();                // 0x4040
  line_test::ExpectTails(LineSection().Add(above).Add(u), {{0x4000, " of (Unknown file)"},
                                                           {0x4010, " line 5 of d/a.c"},
                                                           {0x4011, " line 7 of d/a.c"},
                                                           {0x4038, " line 7 of d/a.c"},
                                                           {0x4039, " line 10 of d/a.c"},
                                                           {0x4040, " line 10 of d/a.c"},
                                                           {0x4041, ""},
                                                           {0x9001, " line 1 of d/above.c"}});
}

INSTANTIATE_TEST_SUITE_P(Versions, LayoutTest,
                         testing::Values(Layout{2, false}, Layout{3, false}, Layout{4, false},
                                         Layout{5, false}, Layout{2, true}, Layout{3, true},
                                         Layout{4, true}, Layout{5, true}),
                         [](const auto& info) {
                           return "V" + std::to_string(info.param.version) +
                                  (info.param.is64 ? "Dwarf64" : "Dwarf32");
                         });

// Units that cover nothing, each followed by a good unit for the same
// address: the good unit's answer comes out. Each starts as a unit that
// would answer "line 7 of bad.c" at 0x1004, then is changed.
struct BadUnit {
  const char* label;
  std::uint16_t version;
  void (*change)(LineUnit&);
  std::size_t cut = 0;  // bytes dropped from the end, with the length made to match
  friend std::ostream& operator<<(std::ostream& o, const BadUnit& c) { return o << c.label; }
};

class CoversNothingTest : public testing::TestWithParam<BadUnit> {};

// A program whose one row lies below the target, then `tail`.
Bytes RowBelow(const Bytes& tail) {
  return LineUnit().SetAddress(0xF00).AdvanceLine(6).Copy().program + tail;
}

// clang-format off
const BadUnit kBadUnits[] = {
    {"Version1", 2, [](LineUnit& u) { u.version = 1; }},
    {"Version6", 5, [](LineUnit& u) { u.version = 6; }},
    {"VersionFFFF", 2, [](LineUnit& u) { u.version = 0xFFFF; }},
    {"LineRange0", 3, [](LineUnit& u) { u.line_range = 0; }},
    {"LineRange0V5", 5, [](LineUnit& u) { u.line_range = 0; }},
    {"MaxOps0V4", 4, [](LineUnit& u) { u.max_ops = 0; }},
    {"HeaderLengthPastTheEnd", 2, [](LineUnit& u) { u.header_length = 0x10000; }},
    {"FileNameCutShort", 2, [](LineUnit& u) { u.files.push_back({"other.c"}); u.program = ""; }, 5},
    {"ProgramCutInSetAddress", 2,
     [](LineUnit& u) { u.program = RowBelow(LineUnit().SetAddress(0x1004).program); }, 5},
    {"ExtendedLengthPastTheEnd", 3,
     [](LineUnit& u) { u.program = RowBelow(LineUnit().Extended(1, "", 1ull << 40).program) + u.program; }},
    {"ExtendedCutBeforeItsSubOpcode", 2, [](LineUnit& u) { u.program = RowBelow("\x00\x09"s); }},
    {"LebRunsOffTheEnd", 4, [](LineUnit& u) { u.program = RowBelow("\x02\x80\x80\x80"); }},
};
// clang-format on

TEST_P(CoversNothingTest, NextUnitAnswers) {
  LineUnit bad = Unit(GetParam().version, "bad.c");
  bad.SetAddress(0x1000).AdvanceLine(6).Copy().Special(8, 0).EndSequence();
  GetParam().change(bad);
  testing_support::LineStrings strings;
  Bytes built = bad.Build(strings);
  built.resize(built.size() - GetParam().cut);
  testing_support::Put32(built, 0, static_cast<std::uint32_t>(built.size() - 4));
  LineUnit good = Unit(2, "good.c");
  good.SetAddress(0x1000).AdvanceLine(41).Copy().AdvancePc(8).EndSequence();
  line_test::ExpectTails(LineSection().AddRaw(built).Add(good), {{0x1004, " line 42 of good.c"}});
}

INSTANTIATE_TEST_SUITE_P(Units, CoversNothingTest, testing::ValuesIn(kBadUnits),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
