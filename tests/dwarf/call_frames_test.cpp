// Call-frame information built byte by byte: each instruction's row, each
// augmentation and pointer encoding by the search table and without it,
// damaged entries, expressions, and steps over registers and memory.
#include "dwarf/call_frames.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "dwarf/frame_expression.h"
#include "dwarf/frame_rules.h"
#include "tests/support/frame_builder.h"

namespace {

using namespace std::string_literals;
using rt::FrameStep;
using testing_support::Bytes;
using testing_support::FrameBuilder;
using testing_support::FrameCie;
using testing_support::FrameFde;

// The builder's sections, with the header given (none when empty).
struct Sections {
  Bytes header;
  rt::MemorySource frames, hdr;
  rt::EhFrameSections s;
  Sections(const FrameBuilder& b, Bytes h)
      : header(std::move(h)),
        frames(b.frames.data(), b.frames.size()),
        hdr(header.data(), header.size()),
        s{header.empty() ? nullptr : &hdr, b.header_address, &frames, b.frames_address} {}
};

std::string Signed(std::int64_t v) {
  return v == 0 ? "" : (v > 0 ? "+" : "") + std::to_string(v);
}

std::string RuleText(const rt::RegisterRule& r) {
  std::string e = "e" + std::to_string(r.length), c = "c" + Signed(r.value);
  const std::string kByKind[] = {
      "", "u", "s", "[" + c + "]", c, "r" + std::to_string(r.value), "[" + e + "]", e};
  return kByKind[static_cast<int>(r.kind)];
}

// The row at pc as "start-end cfa=... rN=...", or "none" or "cannot".
std::string RowAt(const FrameBuilder& b, Bytes header, std::uint64_t pc) {
  Sections s(b, std::move(header));
  rt::FrameRow row;
  FrameStep r = rt::FindFrameRow(s.s, pc, row);
  if (r != FrameStep::kStepped) return r == FrameStep::kNoInformation ? "none" : "cannot";
  const rt::FrameRules& rules = row.rules;
  char t[64];
  std::snprintf(t, sizeof t, "%llx-%llx cfa=", static_cast<unsigned long long>(row.start),
                static_cast<unsigned long long>(row.end));
  std::string text = t + (rules.cfa.kind == rt::RuleKind::kRegister
                              ? "r" + std::to_string(rules.cfa.value) + Signed(rules.cfa_offset)
                              : RuleText(rules.cfa));
  for (int i = 0; i < rt::kMaxFrameRegisters; ++i) {
    if (rules.registers[i].kind != rt::RuleKind::kNone)
      text += " r" + std::to_string(i) + "=" + RuleText(rules.registers[i]);
  }
  return text + (rules.return_address_signed ? " signed" : "");
}

struct RowCase {
  const char* label;
  Bytes instructions;  // the FDE's, at 0x4000 for 0x100 bytes
  std::uint64_t pc;
  std::string row;
  std::uint8_t fde_encoding = 0x1B;
};

class RowTest : public testing::TestWithParam<RowCase> {};

TEST_P(RowTest, InstructionsGiveTheRow) {
  FrameBuilder b;
  FrameCie cie;
  cie.fde_encoding = GetParam().fde_encoding;
  b.AddFde(b.AddCie(cie), {0x4000, 0x100, GetParam().instructions});
  EXPECT_EQ(RowAt(b, b.Header(), GetParam().pc), GetParam().row);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Instructions, RowTest, testing::Values(
    RowCase{"InitialRowOfTheCie", "\x41\x0e\x10", 0x4000, "4000-4001 cfa=r7+8 r16=[c-8]"},
    RowCase{"AdvanceLocOffset", "\x41\x0e\x10\x83\x02\x00"s, 0x40ff, "4001-4100 cfa=r7+16 r3=[c-16] r16=[c-8]"},
    RowCase{"AdvanceLoc124", "\x02\x10\x0e\x10\x03\x20\x00\x0e\x18\x04\x40\0\0\0\x0e\x20"s, 0x4030, "4030-4070 cfa=r7+24 r16=[c-8]"},
    RowCase{"SetLocAbsolute", "\x01\x10\x40\0\0\0\0\0\0\x0e\x10\x01\x20\x40\0\0\0\0\0\0"s, 0x401f, "4010-4020 cfa=r7+16 r16=[c-8]", 0},
    RowCase{"SetLocBackwards", "\x01\x10\x40\0\0\0\0\0\0\x01\x08\x40\0\0\0\0\0\0"s, 0x4020, "cannot", 0},
    RowCase{"DefCfaForms", "\x0c\x06\x10\x41\x0d\x03\x41\x12\x01\x7e\x41\x13\x7d", 0x4003, "4003-4100 cfa=r1+24 r16=[c-8]"},
    RowCase{"DefCfaSf", "\x12\x01\x7e", 0x4000, "4000-4100 cfa=r1+16 r16=[c-8]"},
    RowCase{"OffsetForms", "\x05\x03\x02\x11\x04\x7f\x2f\x05\x02\x14\x06\x01\x15\x0c\x7f", 0x4000,
            "4000-4100 cfa=r7+8 r3=[c-16] r4=[c+8] r5=[c+16] r6=c-8 r12=c+8 r16=[c-8]"},
    RowCase{"RestoreToTheCie", "\x83\x02\x90\x04\x41\xc3\x06\x10\x41", 0x4001, "4001-4002 cfa=r7+8 r16=[c-8]"},
    RowCase{"UndefinedSameRegister", "\x07\x10\x08\x03\x09\x06\x01", 0x4000, "4000-4100 cfa=r7+8 r3=s r6=r1 r16=u"},
    RowCase{"RememberRestoreState", "\x41\x0e\x10\x0a\x41\x0e\x20\x83\x04\x41\x0b", 0x4003, "4003-4100 cfa=r7+16 r16=[c-8]"},
    RowCase{"Expressions", "\x0f\x02\x77\x08\x10\x03\x01\x30\x16\x04\x02\x31\x32", 0x4000, "4000-4100 cfa=e2 r3=[e1] r4=e2 r16=[c-8]"},
    RowCase{"ArgsSizeNopNegateRaState", "\x2e\x20\x00\x2d"s, 0x4000, "4000-4100 cfa=r7+8 r16=[c-8] signed"},
    RowCase{"RegistersBeyondTheWalksIgnored", "\x05\x48\x02\x10\x49\x01\x30\xc0\x07\x48", 0x4000, "4000-4100 cfa=r7+8 r16=[c-8]"},
    RowCase{"StateStackOverflows", Bytes(17, '\x0a'), 0x4000, "cannot"},
    RowCase{"RestoreStateWithNoneRemembered", "\x0b", 0x4000, "cannot"},
    RowCase{"UnknownOpcode", "\x1c", 0x4000, "cannot"},
    RowCase{"BlockPastTheEntry", "\x0f\x40\x77", 0x4000, "cannot"},
    RowCase{"CfaOffsetOfAnExpression", "\x0f\x01\x30\x0e\x10", 0x4000, "cannot"}),
    [](const auto& info) { return std::string(info.param.label); });
// clang-format on

const char kSound[] = "4000-4100 cfa=r7+8 r16=[c-8]";

struct EntryCase {
  const char* label;
  std::function<void(FrameCie&, FrameFde&)> entry;
  std::uint8_t table_encoding = 0x3B;
  std::string by_table = kSound, by_scan = kSound;
  std::function<void(FrameBuilder&)> built = [](FrameBuilder&) {};
};

class EntryTest : public testing::TestWithParam<EntryCase> {};

// The FDE at 0x4000, then one at 0x5000; by the table and by the scan.
TEST_P(EntryTest, FdesCoverTheirRanges) {
  const EntryCase& c = GetParam();
  FrameBuilder b;
  FrameCie cie;
  FrameFde fde{0x4000, 0x100, ""};
  c.entry(cie, fde);
  std::size_t at = b.AddCie(cie);
  b.AddFde(at, fde);
  b.AddFde(at, {0x5000, 0x80, "\x0e\x10"});
  c.built(b);
  for (auto [header, expected] :
       {std::pair{b.Header(c.table_encoding), c.by_table}, {"", c.by_scan}}) {
    EXPECT_EQ(RowAt(b, header, 0x40FF), expected);
    if (expected != kSound) continue;
    EXPECT_EQ(RowAt(b, header, 0x507F), "5000-5080 cfa=r7+16 r16=[c-8]");
    for (std::uint64_t outside : {0x3FFF, 0x4100, 0x5080, 0})
      EXPECT_EQ(RowAt(b, header, outside), "none") << outside;
  }
}

auto Fde(std::uint8_t e) {
  return [=](FrameCie& c, FrameFde&) { c.fde_encoding = e; };
}
auto Augmentation(const char* a, std::uint8_t personality = 0x9B, std::uint8_t fde = 0x1B) {
  return [=](FrameCie& c, FrameFde&) {
    c.augmentation = a, c.personality_encoding = personality, c.fde_encoding = fde;
  };
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Encodings, EntryTest, testing::Values(
    EntryCase{"PcRelSdata4", Fde(0x1B)}, EntryCase{"Absolute", Fde(0x00), 0x03},
    EntryCase{"Udata2", Fde(0x02), 0x0A}, EntryCase{"Udata4", Fde(0x03), 0x04},
    EntryCase{"Udata8", Fde(0x04), 0x1B}, EntryCase{"UlebAndNoTableToSearch", Fde(0x01), 0x01},
    EntryCase{"SlebAndNoTable", Fde(0x09), 0xFF}, EntryCase{"Sdata2", Fde(0x0A), 0x3A},
    EntryCase{"PcRelSdata8", Fde(0x1C), 0x3C},
    EntryCase{"NoAugmentation", Augmentation("", 0, 0)}, EntryCase{"Eh", Augmentation("eh", 0, 0)},
    EntryCase{"PersonalityIndirect", Augmentation("zPLR")},
    EntryCase{"PersonalityAligned", Augmentation("zPLR", 0x50)},
    EntryCase{"PersonalityUleb", Augmentation("zPLR", 0x01)},
    EntryCase{"SignalAndBranchTargets", Augmentation("zRSB")},
    EntryCase{"Version3", [](auto& c, auto&) { c.version = 3; }},
    EntryCase{"Version4", [](auto& c, auto&) { c.version = 4; }},
    EntryCase{"Format64", [](auto& c, auto&) { c.is64 = true; }},
    EntryCase{"LengthPastTheSection", [](auto&, auto& f) { f.length = 1000; }, 0x3B, "cannot", "cannot"},
    EntryCase{"FdeShorterThanItsFields", [](auto&, auto& f) { f.length = 6; }, 0x3B, "cannot", "cannot"},
    EntryCase{"CiePointerBeforeTheSection", [](auto&, auto& f) { f.cie_pointer = 1000; }, 0x3B, "cannot", "cannot"},
    EntryCase{"CiePointerAtAnFde", [](auto&, auto& f) { f.cie_pointer = 4; }, 0x3B, "cannot", "cannot"},
    EntryCase{"UnknownAugmentationWithoutZ", Augmentation("xy"), 0x3B, "cannot", "cannot"},
    EntryCase{"CieVersion2", [](auto& c, auto&) { c.version = 2; }, 0x3B, "cannot", "cannot"},
    EntryCase{"DataRelativeInFrames", Fde(0x3B), 0x3B, "cannot", "cannot"},
    EntryCase{"TextRelative", Fde(0x2B), 0x3B, "cannot", "cannot"},
    EntryCase{"TableOutsideTheFrames", Fde(0x1B), 0x3B, "cannot", kSound, [](auto& b) { b.table[0].second = 0x9000; }},
    EntryCase{"ZeroLengthsOnly", Fde(0x1B), 0x3B, "cannot", "none",
              [](auto& b) { b.frames = Bytes(64, '\0'), b.table[0].second = b.frames_address; }}),
    [](const auto& info) { return std::string(info.param.label); });
// clang-format on

TEST(EhFrameHeaderTest, DamagedHeaderCannotStep) {
  FrameBuilder b;
  b.AddFde(b.AddCie({}), {0x4000, 0x100, ""});
  EXPECT_EQ(RowAt(b, b.Header(0x3B, 1000), 0x4010), "cannot") << "a count past the header";
  EXPECT_EQ(RowAt(b, "\x02" + b.Header().substr(1), 0x4010), "cannot") << "version 2";
  std::uint64_t start = 0;
  Bytes header = b.Header();
  rt::MemorySource source(header.data(), header.size());
  ASSERT_TRUE(rt::ReadEhFrameStart(source, b.header_address, start));
  EXPECT_EQ(start, b.frames_address);
}

struct Memory : rt::FrameMemory {
  std::map<std::uint64_t, std::uint64_t> words;
  bool ReadWord(std::uint64_t a, std::uint64_t& v) override {
    auto i = words.find(a);
    return i != words.end() && (v = i->second, true);
  }
};

struct StepCase {
  const char* label;
  Bytes cie_instructions, instructions;  // the FDE at 0x4000 for 0x100 bytes
  std::uint64_t pc;
  bool pc_is_return_address;
  std::map<int, std::uint64_t> regs, memory_words;
  FrameStep result;
  std::map<int, std::uint64_t> caller = {};  // and -1: the pc, -2: the CFA, -3: the pc is exact
  std::string augmentation = "zR";
  bool aarch64 = false;
};

class StepTest : public testing::TestWithParam<StepCase> {};

TEST_P(StepTest, CallerRegisters) {
  const StepCase& c = GetParam();
  FrameBuilder b;
  FrameCie cie;
  cie.augmentation = c.augmentation;
  cie.instructions = c.cie_instructions;
  if (c.aarch64) cie.code_align = 4, cie.return_column = 30;
  b.AddFde(b.AddCie(cie), {0x4000, 0x100, c.instructions});
  Sections s(b, b.Header());
  rt::FrameRegisters regs;
  regs.pc = c.pc;
  for (auto [r, v] : c.regs) regs.Set(r, v);
  Memory memory;
  for (auto [a, v] : c.memory_words) memory.words[static_cast<std::uint64_t>(a)] = v;
  // x86-64 with rax (0) left out of the registers calls preserve.
  rt::FrameLayout layout = c.aarch64 ? rt::FrameLayout{31, -1} : rt::FrameLayout{7, 16, ~1ull};
  std::uint64_t cfa = 0;
  bool exact = false;
  ASSERT_EQ(rt::StepByCallFrames(s.s, layout, memory, c.pc_is_return_address, regs, cfa, exact),
            c.result);
  if (c.result != FrameStep::kStepped) return;
  std::map<int, std::uint64_t> caller = {{-1, regs.pc}, {-2, cfa}, {-3, exact}};
  for (int r = 0; r < rt::kMaxFrameRegisters; ++r)
    if (regs.Has(r)) caller[r] = regs.value[r];
  EXPECT_EQ(caller, c.caller);
}

const Bytes kX86 = "\x0c\x07\x08\x90\x01", kA64 = "\x0c\x1f\x00"s,
            kPlt = "\x0f\x0b\x77\x08\x80\x00\x3f\x1a\x3b\x2a\x33\x24\x22"s,
            kPair = "\x41\x0e\x10\x9d\x02\x9e\x01\x05\x48\x03";
const std::map<int, std::uint64_t> kRegs = {{0, 1}, {3, 3}, {6, 0x7000}, {7, 0x7000}, {12, 12}};

// clang-format off
INSTANTIATE_TEST_SUITE_P(Steps, StepTest, testing::Values(
    StepCase{"FramePointer", kX86, "\x41\x0e\x10\x86\x02\x41\x0d\x06\x41\x8c\x03", 0x4004, true, kRegs,
             {{0x7000, 0x7100}, {0x7008, 0x1234}, {0x6ff8, 0x99}}, FrameStep::kStepped,
             {{-1, 0x1234}, {-2, 0x7010}, {-3, 0}, {3, 3}, {6, 0x7100}, {7, 0x7010}, {12, 0x99}, {16, 0x1234}}},
    StepCase{"SavedRegisterUnreadable", kX86, "\x86\x04", 0x4000, false, kRegs, {{0x7000, 0x1234}}, FrameStep::kStepped,
             {{-1, 0x1234}, {-2, 0x7008}, {-3, 0}, {3, 3}, {7, 0x7008}, {12, 12}, {16, 0x1234}}},
    StepCase{"PltBeforeItsJump", kX86, kPlt, 0x4006, false, kRegs, {{0x7000, 0x1234}}, FrameStep::kStepped,
             {{-1, 0x1234}, {-2, 0x7008}, {-3, 0}, {3, 3}, {6, 0x7000}, {7, 0x7008}, {12, 12}, {16, 0x1234}}},
    StepCase{"PltAfterItsPush", kX86, kPlt, 0x400B, false, kRegs, {{0x7008, 0x1234}}, FrameStep::kStepped,
             {{-1, 0x1234}, {-2, 0x7010}, {-3, 0}, {3, 3}, {6, 0x7000}, {7, 0x7010}, {12, 12}, {16, 0x1234}}},
    StepCase{"SignalFrame", "", "\x0f\x03\x77\x20\x06\x10\x10\x02\x77\x28\x10\x06\x02\x77\x18\x16\x03\x02\x77\x08",
             0x4001, true, {{7, 0x7000}}, {{0x7020, 0x9000}, {0x7028, 0x5555}, {0x7018, 0x6666}}, FrameStep::kStepped,
             {{-1, 0x5555}, {-2, 0x9000}, {-3, 1}, {3, 0x7008}, {6, 0x6666}, {7, 0x9000}, {16, 0x5555}}, "zRS"},
    StepCase{"UndefinedReturnAddress", kX86, "\x07\x10", 0x4000, false, kRegs, {}, FrameStep::kOutermost},
    StepCase{"ReturnAddressUnreadable", kX86, "", 0x4000, false, kRegs, {}, FrameStep::kCannotStep},
    StepCase{"CfaRegisterUnknown", kX86, "\x0d\x05", 0x4000, false, kRegs, {}, FrameStep::kCannotStep},
    StepCase{"NoFdeBeforeTheReturnAddress", kX86, "", 0x4000, true, kRegs, {}, FrameStep::kNoInformation},
    StepCase{"ExpressionStackOverflows", kX86, "\x0f\x41\x30" + Bytes(64, '\x12'), 0x4000, false, kRegs, {}, FrameStep::kCannotStep},
    StepCase{"ReturnAddressSigned", kX86, "\x2d", 0x4000, false, kRegs, {{0x7000, 1}}, FrameStep::kCannotStep},
    StepCase{"Aarch64LeafByTheLinkRegister", kA64, kPair, 0x4000, false, {{29, 0x7100}, {30, 0x2222}, {31, 0x7000}}, {},
             FrameStep::kStepped, {{-1, 0x2222}, {-2, 0x7000}, {-3, 0}, {29, 0x7100}, {31, 0x7000}}, "zR", true},
    StepCase{"Aarch64SavedPair", kA64, kPair, 0x4008, true, {{29, 0x7100}, {30, 0x2222}, {31, 0x6ff0}},
             {{0x6ff0, 0x7200}, {0x6ff8, 0x3333}}, FrameStep::kStepped,
             {{-1, 0x3333}, {-2, 0x7000}, {-3, 0}, {29, 0x7200}, {31, 0x7000}}, "zR", true}),
    [](const auto& info) { return std::string(info.param.label); });
// clang-format on

// Expressions alone: the value, or ~0 for malformed, ~1 for unknown.
TEST(FrameExpressionTest, Values) {
  const std::uint64_t kMalformed = ~0ull, kUnknown = ~1ull;
  // clang-format off
  const std::pair<Bytes, std::uint64_t> kCases[] = {
      {"\x08\xff\x09\xff\x22", 0xFE},                                         // const1u + const1s
      {"\x0b\x00\x80\x0d\xff\xff\xff\xff\x1c"s, 0xFFFFFFFFFFFF8001},          // const2s - const4s
      {"\x0e\x03\0\0\0\0\0\0\0\x10\x81\x01\x1e"s, 0x183},                     // const8u * constu
      {"\x11\x7f\x1f\x0a\x00\x01\x0c\0\0\0\x80\x27\x22"s, 0x80000101},        // neg, xor, plus
      {"\x35\x33\x16\x1c\x12\x14\x15\x02\x22\x22\x13", 0xFFFFFFFFFFFFFFFE},   // swap minus dup over pick drop
      {"\x3f\x34\x24\x31\x25\x38\x21\x3c\x1a\x20", ~8ull},                    // shl shr or and not
      {"\x31\x1f\x34\x26\x23\x80\x01", 127},                                  // shra plus_uconst
      {"\x31\x32\x2a\x31\x32\x2b\x31\x32\x2c\x31\x32\x2d\x31\x32\x29\x31\x32\x2e\x1e\x22\x22\x22\x22", 2},
      {"\x31\x1f\x30\x2d", 1},                                                // signed: -1 < 0
      {"\x31\x28\x02\x00\x3a\x3b\x3c"s, 0x0C},                                // bra taken
      {"\x30\x28\x01\x00\x3a\x96"s, 0x0A},                                    // bra not taken, nop
      {"\x77\x08\x06\x92\x06\x7f\x22", 0x1234 + 0x6FFF},                      // breg7 deref, bregx
      {"\x78\x00"s, kUnknown}, {"\x31\x06", kUnknown},                        // breg8, deref unreadable
      {"\x15\x02", kMalformed}, {"\x94\x04", kMalformed}, {"", kMalformed},    // pick, deref_size, none
      {"\x30\x2f\xfd\xff", kMalformed}, {"\x31\x12\x28\xfc\xff", kMalformed},  // endless skip and bra
      {"\x31\x28\x10\x00"s, kMalformed},                                      // a branch outside
  };
  // clang-format on
  rt::FrameRegisters regs;
  regs.Set(7, 0x7000);
  regs.Set(6, 0x7000);
  Memory memory;
  memory.words = {{0x7008, 0x1234}};
  rt::FrameLayout layout{7, 16};
  for (const auto& [bytes, expected] : kCases) {
    rt::MemorySource source(bytes.data(), bytes.size());
    rt::DwarfCursor cursor;
    cursor.Bind(&source);
    std::uint64_t v = 0;
    auto length = static_cast<std::uint32_t>(bytes.size());
    rt::ExpressionResult r =
        rt::EvaluateFrameExpression(cursor, 0, length, {regs, layout, memory}, nullptr, v);
    if (r != rt::ExpressionResult::kValue)
      v = r == rt::ExpressionResult::kMalformed ? kMalformed : kUnknown;
    EXPECT_EQ(v, expected) << testing::PrintToString(bytes);
  }
}

}  // namespace
