// Call-frame information built byte by byte: each instruction's row, each
// augmentation and pointer encoding by the search table and without it,
// damaged entries and headers, and steps over registers and memory, the
// expressions' forms among them.
#include "dwarf/frame/call_frames.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "dwarf/frame/frame_rules.h"
#include "tests/support/frame_builder.h"

namespace {

using namespace std::string_literals;
using rt::FrameStep;
using testing_support::Bytes;
using testing_support::FrameBuilder;
using testing_support::FrameCie;
using testing_support::FrameFde;
using Words = std::map<std::uint64_t, std::uint64_t>;
using Change = std::function<void(FrameCie&, FrameFde&, FrameBuilder&)>;

std::string RuleText(const rt::RegisterRule& r) {
  std::string e = "e" + std::to_string(r.length), c = "c" + (r.value > 0 ? "+"s : ""s);
  c += r.value == 0 ? "" : std::to_string(r.value);
  const std::string kByKind[] = {
      "", "u", "s", "[" + c + "]", c, "r" + std::to_string(r.value), "[" + e + "]", e};
  return kByKind[static_cast<int>(r.kind)];
}

rt::EhFrameSections SectionsOf(const FrameBuilder& b, const Bytes& header,
                               rt::MemorySource (&m)[2]) {
  m[0] = rt::MemorySource(header.data(), header.size());
  m[1] = rt::MemorySource(b.frames.data(), b.frames.size());
  return {header.empty() ? nullptr : &m[0], b.header_address, &m[1], b.frames_address,
          b.address_size};
}

// The row at pc as "start-end cfa rN=rule...", or "none" or "cannot".
std::string RowAt(const FrameBuilder& b, const Bytes& header, std::uint64_t pc) {
  rt::MemorySource sources[2];
  rt::FrameRow row;
  FrameStep r = rt::FindFrameRow(SectionsOf(b, header, sources), pc, row);
  if (r != FrameStep::kStepped) return r == FrameStep::kNoInformation ? "none" : "cannot";
  char t[64];
  std::snprintf(t, sizeof t, "%llx-%llx %+lld", static_cast<unsigned long long>(row.start),
                static_cast<unsigned long long>(row.end),
                static_cast<long long>(row.rules.cfa_offset));
  std::string text = t + RuleText(row.rules.cfa);
  for (int i = 0; i < rt::kMaxFrameRegisters; ++i) {
    if (row.rules.registers[i].kind != rt::RuleKind::kNone)
      text += " r" + std::to_string(i) + "=" + RuleText(row.rules.registers[i]);
  }
  return text + (row.rules.return_address_signed ? " signed" : "");
}

Change Fde(std::uint8_t e) {
  return [=](FrameCie& c, FrameFde&, FrameBuilder&) { c.fde_encoding = e; };
}
Change Cie(const char* a, std::uint8_t personality = 0x9B, std::uint8_t fde = 0x1B) {
  return [=](FrameCie& c, auto&, auto&) {
    c.augmentation = a, c.personality_encoding = personality, c.fde_encoding = fde;
  };
}
Change Version(std::uint8_t v) {
  return [=](FrameCie& c, auto&, auto&) { c.version = v; };
}
// The change in a module of 32-bit addresses.
Change In32(Change change) {
  return [=](FrameCie& c, FrameFde& f, FrameBuilder& b) { change(c, f, b), b.address_size = 4; };
}

// An FDE at 0x4000 (changed as the case says) and one at 0x5000; the row
// at pc by the table and by the scan, and outside both FDEs none.
TEST(CallFramesTest, RowsOfEachInstructionAndEncoding) {
  const std::string kSound = "4000-4100 +8r7 r16=[c-8]";
  struct {
    const char* label;
    Bytes instructions;
    std::uint64_t pc;
    std::string row;
    Change change = Fde(0x1B);
    std::uint8_t table_encoding = 0x3B;
    std::string by_scan = row;
  } const kCases[] = {
      // clang-format off
      {"InitialRowOfTheCie", "\x41\x0e\x10", 0x4000, "4000-4001 +8r7 r16=[c-8]"},
      {"AdvanceLocOffset", "\x41\x0e\x10\x83\x02\x00"s, 0x40ff, "4001-4100 +16r7 r3=[c-16] r16=[c-8]"},
      {"AdvanceLoc124", "\x02\x10\x0e\x10\x03\x20\x00\x0e\x18\x04\x40\0\0\0\x0e\x20"s, 0x4030, "4030-4070 +24r7 r16=[c-8]"},
      {"SetLoc", "\x01\x10\x40\0\0\0\0\0\0\x0e\x10\x01\x20\x40\0\0\0\0\0\0"s, 0x401f, "4010-4020 +16r7 r16=[c-8]", Fde(0)},
      {"SetLocBackwards", "\x01\x10\x40\0\0\0\0\0\0\x01\x08\x40\0\0\0\0\0\0"s, 0x4020, "cannot", Fde(0)},
      {"DefCfaForms", "\x0c\x06\x10\x41\x0d\x03\x41\x12\x01\x7e\x41\x13\x7d", 0x4003, "4003-4100 +24r1 r16=[c-8]"},
      {"OffsetForms", "\x05\x03\x02\x11\x04\x7f\x2f\x05\x02\x14\x06\x01\x15\x0c\x7f", 0x4000,
       "4000-4100 +8r7 r3=[c-16] r4=[c+8] r5=[c+16] r6=c-8 r12=c+8 r16=[c-8]"},
      {"RestoreToTheCie", "\x83\x02\x90\x04\x41\xc3\x06\x10\x41", 0x4001, "4001-4002 +8r7 r16=[c-8]"},
      {"UndefinedSameRegister", "\x07\x10\x08\x03\x09\x06\x01", 0x4000, "4000-4100 +8r7 r3=s r6=r1 r16=u"},
      {"RememberRestoreState", "\x41\x0e\x10\x0a\x41\x0e\x20\x83\x04\x41\x0b", 0x4003, "4003-4100 +16r7 r16=[c-8]"},
      {"Expressions", "\x0f\x02\x77\x08\x10\x03\x01\x30\x16\x04\x02\x31\x32", 0x4000, "4000-4100 +8e2 r3=[e1] r4=e2 r16=[c-8]"},
      {"ArgsSizeNopNegateRaState", "\x2e\x20\x00\x2d"s, 0x4000, "4000-4100 +8r7 r16=[c-8] signed"},
      {"RegistersBeyondTheWalksIgnored", "\x05\x48\x02\x10\x49\x01\x30\xc0\x07\x48", 0x4000, kSound},
      {"StateStackOverflows", Bytes(17, '\x0a'), 0x4000, "cannot"},
      {"RestoreStateWithNoneRemembered", "\x0b", 0x4000, "cannot"},
      {"UnknownOpcode", "\x1c", 0x4000, "cannot"},
      {"BlockPastTheEntry", "\x0f\x40\x77", 0x4000, "cannot"},
      {"CfaOffsetOfAnExpression", "\x0f\x01\x30\x0e\x10", 0x4000, "cannot"},
      {"Absolute", "", 0x40ff, kSound, Fde(0x00), 0x03}, {"Udata2", "", 0x40ff, kSound, Fde(0x02), 0x0A},
      {"Udata4", "", 0x40ff, kSound, Fde(0x03), 0x04}, {"Udata8", "", 0x40ff, kSound, Fde(0x04), 0x1B},
      {"UlebNoTableToSearch", "", 0x40ff, kSound, Fde(0x01), 0x01}, {"SlebNoTable", "", 0x40ff, kSound, Fde(0x09), 0xFF},
      {"Sdata2", "", 0x40ff, kSound, Fde(0x0A), 0x3A}, {"PcRelSdata8", "", 0x40ff, kSound, Fde(0x1C), 0x3C},
      {"NoAugmentation", "", 0x40ff, kSound, Cie("", 0, 0)}, {"Eh", "", 0x40ff, kSound, Cie("eh", 0, 0)},
      {"PersonalityIndirect", "", 0x40ff, kSound, Cie("zPLR")}, {"PersonalityAligned", "", 0x40ff, kSound, Cie("zPLR", 0x50)},
      {"PersonalityUleb", "", 0x40ff, kSound, Cie("zPLR", 0x01)}, {"SignalBranchTargets", "", 0x40ff, kSound, Cie("zRSB")},
      {"Version3", "", 0x40ff, kSound, Version(3)}, {"Version4", "", 0x40ff, kSound, Version(4)},
      {"Format64", "", 0x40ff, kSound, [](auto& c, auto&, auto&) { c.is64 = true; }},
      {"Absolute32", "", 0x40ff, kSound, In32(Fde(0x00)), 0x03}, {"Eh32", "", 0x40ff, kSound, In32(Cie("eh", 0, 0))},
      {"Version4In32", "", 0x40ff, kSound, In32(Version(4))}, {"PersonalityAligned32", "", 0x40ff, kSound, In32(Cie("zPLR", 0x50))},
      {"LengthPastTheSection", "", 0x40ff, "cannot", [](auto&, auto& f, auto&) { f.length = 1000; }},
      {"FdeShorterThanItsFields", "", 0x40ff, "cannot", [](auto&, auto& f, auto&) { f.length = 6; }},
      {"CiePointerBeforeTheSection", "", 0x40ff, "cannot", [](auto&, auto& f, auto&) { f.cie_pointer = 1000; }},
      {"CiePointerAtAnFde", "", 0x40ff, "cannot", [](auto&, auto& f, auto&) { f.cie_pointer = 4; }},
      {"UnknownAugmentationWithoutZ", "", 0x40ff, "cannot", Cie("xy")},
      {"CieVersion2", "", 0x40ff, "cannot", Version(2)},
      {"DataRelativeInFrames", "", 0x40ff, "cannot", Fde(0x3B)}, {"TextRelative", "", 0x40ff, "cannot", Fde(0x2B)},
      {"TableOutsideTheFrames", "", 0x40ff, "cannot", [](auto&, auto&, auto& b) { b.table[0].second = 0x9000; }, 0x3B, kSound},
      {"ZeroLengthsOnly", "", 0x40ff, "cannot",
       [](auto&, auto&, auto& b) { b.frames = Bytes(64, '\0'), b.table[0].second = b.frames_address; }, 0x3B, "none"},
      // clang-format on
  };
  for (const auto& c : kCases) {
    FrameBuilder b;
    FrameCie cie;
    FrameFde fde{0x4000, 0x100, c.instructions}, next{0x5000, 0x80, "\x0e\x10"};
    FrameBuilder unused;  // the builder's changes come once it is built
    unused.table.resize(1);
    c.change(cie, fde, unused);
    b.address_size = unused.address_size;
    std::size_t at = b.AddCie(cie);
    b.AddFde(at, fde);
    b.AddFde(at, next);
    c.change(cie, fde, b);
    for (auto [header, row] : {std::pair{b.Header(c.table_encoding), c.row}, {"", c.by_scan}}) {
      EXPECT_EQ(RowAt(b, header, c.pc), row) << c.label << (header.empty() ? " by the scan" : "");
      if (row != kSound) continue;
      EXPECT_EQ(RowAt(b, header, 0x507F), "5000-5080 +16r7 r16=[c-8]") << c.label;
      for (std::uint64_t outside : {0x3FFF, 0x4100, 0x5080, 0})
        EXPECT_EQ(RowAt(b, header, outside), "none");
    }
  }
}

TEST(CallFramesTest, HeaderStartVersionAndCount) {
  FrameBuilder b;
  b.AddFde(b.AddCie({}), {0x4000, 0x100, ""});
  Bytes header = b.Header();
  rt::MemorySource source(header.data(), header.size());
  std::uint64_t start = 0;
  EXPECT_TRUE(rt::ReadEhFrameStart(source, b.header_address, 8, start) &&
              start == b.frames_address);
  EXPECT_EQ(RowAt(b, "\x02" + header.substr(1), 0x4010), "cannot");
  EXPECT_EQ(RowAt(b, header.substr(0, header.size() - 1), 0x4010), "cannot") << "count";
}

struct Memory : rt::FrameMemory {
  Words words;
  bool ReadWord(std::uint64_t a, std::uint64_t& v) override {
    return words.count(a) && (v = words[a], true);
  }
};

constexpr std::uint64_t kPc = 100, kCfa = 101, kExact = 102;  // keys of a step's results
const Words kRegs = {{0, 1}, {3, 3}, {6, 0x7000}, {7, 0x7000}, {12, 12}};

// Steps from pc by an FDE at 0x4000; the caller's registers, its pc, the
// CFA and whether the pc is exact (at kPc, kCfa and kExact).
FrameStep StepFrom(const FrameCie& cie, const Bytes& instructions, std::uint64_t pc,
                   bool return_address, const Words& in, const Words& memory_words, Words& caller) {
  FrameBuilder b;
  b.AddFde(b.AddCie(cie), {0x4000, 0x100, instructions});
  rt::MemorySource sources[2];
  rt::FrameRegisters regs;
  regs.pc = pc;
  for (auto [r, v] : in) regs.Set(static_cast<int>(r), v);
  Memory memory;
  memory.words = memory_words;
  // x86-64 with rax (0) left out of the registers calls preserve.
  rt::FrameLayout layout =
      cie.return_column == 30 ? rt::FrameLayout{31, -1} : rt::FrameLayout{7, 16, ~1ull};
  std::uint64_t cfa = 0;
  bool exact = false;
  FrameStep r = rt::StepByCallFrames(SectionsOf(b, b.Header(), sources), layout, memory,
                                     return_address ? pc - 1 : pc, regs, cfa, exact);
  caller = r != FrameStep::kStepped ? Words{} : Words{{kPc, regs.pc}, {kCfa, cfa}, {kExact, exact}};
  for (int i = 0; i < rt::kMaxFrameRegisters && r == FrameStep::kStepped; ++i)
    if (regs.Has(i)) caller[i] = regs.value[i];
  return r;
}

TEST(CallFramesTest, StepsToTheCaller) {
  FrameCie x86, signal, a64;
  signal.augmentation = "zRS", signal.instructions = "";
  a64.code_align = 4, a64.return_column = 30, a64.instructions = "\x0c\x1f\x00"s;
  const Bytes kPlt = "\x0f\x0b\x77\x08\x80\x00\x3f\x1a\x3b\x2a\x33\x24\x22"s,
              kPair = "\x41\x0e\x10\x9d\x02\x9e\x01\x05\x48\x03";
  const Words kA64 = {{29, 0x7100}, {30, 0x2222}};
  const Words kBase = {{kExact, 0}, {3, 3}, {12, 12}, {16, 0x1234}};
  auto with = [](Words w, const Words& more) {
    for (auto [k, v] : more) w[k] = v;
    return w;
  };
  struct {
    const char* label;
    const FrameCie& cie;
    Bytes instructions;
    std::uint64_t pc;
    bool pc_is_return_address;
    Words regs, memory;
    FrameStep result;
    Words caller = {};
  } const kCases[] = {
      // clang-format off
      {"FramePointer", x86, "\x41\x0e\x10\x86\x02\x41\x0d\x06\x41\x8c\x03", 0x4004, true, kRegs,
       {{0x7000, 0x7100}, {0x7008, 0x1234}, {0x6ff8, 0x99}}, FrameStep::kStepped,
       with(kBase, {{kPc, 0x1234}, {kCfa, 0x7010}, {6, 0x7100}, {7, 0x7010}, {12, 0x99}})},
      {"SavedRegisterUnreadable", x86, "\x86\x04", 0x4000, false, kRegs, {{0x7000, 0x1234}}, FrameStep::kStepped,
       with(kBase, {{kPc, 0x1234}, {kCfa, 0x7008}, {7, 0x7008}})},
      {"PltBeforeItsJump", x86, kPlt, 0x4006, false, kRegs, {{0x7000, 0x1234}}, FrameStep::kStepped,
       with(kBase, {{kPc, 0x1234}, {kCfa, 0x7008}, {6, 0x7000}, {7, 0x7008}})},
      {"PltAfterItsPush", x86, kPlt, 0x400B, false, kRegs, {{0x7008, 0x1234}}, FrameStep::kStepped,
       with(kBase, {{kPc, 0x1234}, {kCfa, 0x7010}, {6, 0x7000}, {7, 0x7010}})},
      {"SignalFrame", signal, "\x0f\x03\x77\x20\x06\x10\x10\x02\x77\x28\x10\x06\x02\x77\x18\x16\x03\x02\x77\x08",
       0x4001, true, {{7, 0x7000}}, {{0x7020, 0x9000}, {0x7028, 0x5555}, {0x7018, 0x6666}}, FrameStep::kStepped,
       {{kPc, 0x5555}, {kCfa, 0x9000}, {kExact, 1}, {3, 0x7008}, {6, 0x6666}, {7, 0x9000}, {16, 0x5555}}},
      {"UndefinedReturnAddress", x86, "\x07\x10", 0x4000, false, kRegs, {}, FrameStep::kOutermost},
      {"ReturnAddressUnreadable", x86, "", 0x4000, false, kRegs, {}, FrameStep::kCannotStep},
      {"CfaRegisterUnknown", x86, "\x0d\x05", 0x4000, false, kRegs, {}, FrameStep::kCannotStep},
      {"NoFdeBeforeTheReturnAddress", x86, "", 0x4000, true, kRegs, {}, FrameStep::kNoInformation},
      {"ReturnAddressSigned", x86, "\x2d", 0x4000, false, kRegs, {{0x7000, 1}}, FrameStep::kCannotStep},
      {"Aarch64LeafByTheLinkRegister", a64, kPair, 0x4000, false, with(kA64, {{31, 0x7000}}), {}, FrameStep::kStepped,
       {{kPc, 0x2222}, {kCfa, 0x7000}, {kExact, 0}, {29, 0x7100}, {31, 0x7000}}},
      {"Aarch64SavedPair", a64, kPair, 0x4008, true, with(kA64, {{31, 0x6ff0}}), {{0x6ff0, 0x7200}, {0x6ff8, 0x3333}},
       FrameStep::kStepped, {{kPc, 0x3333}, {kCfa, 0x7000}, {kExact, 0}, {29, 0x7200}, {31, 0x7000}}},
      // clang-format on
  };
  for (const auto& c : kCases) {
    Words caller;
    EXPECT_EQ(
        StepFrom(c.cie, c.instructions, c.pc, c.pc_is_return_address, c.regs, c.memory, caller),
        c.result)
        << c.label;
    EXPECT_EQ(caller, c.caller) << c.label;
  }
}

// Each expression form as the CFA's rule (the return address keeps its
// value): the CFA, or ~0 where the step cannot be made.
TEST(CallFramesTest, ExpressionFormsAsTheCfa) {
  const std::pair<Bytes, std::uint64_t> kExpressions[] = {
      // clang-format off
      {"\x08\xff\x09\xff\x22", 0xFE},                                         // const1u + const1s
      {"\x0b\x00\x80\x0d\xff\xff\xff\xff\x1c"s, 0xFFFFFFFFFFFF8001},          // const2s - const4s
      {"\x0e\x03\0\0\0\0\0\0\0\x10\x81\x01\x1e"s, 0x183},                     // const8u * constu
      {"\x11\x7f\x1f\x0a\x00\x01\x0c\0\0\0\x80\x27\x22"s, 0x80000101},        // neg, xor, plus
      {"\x35\x33\x16\x1c\x12\x14\x15\x02\x22\x22\x13", 0xFFFFFFFFFFFFFFFE},   // swap minus dup over pick drop
      {"\x3f\x34\x24\x31\x25\x38\x21\x3c\x1a\x20", ~8ull},                    // shl shr or and not
      {"\x31\x1f\x34\x26\x23\x80\x01", 127},                                  // shra plus_uconst
      {"\x31\x32\x2a\x31\x32\x2b\x31\x32\x2c\x31\x32\x2d\x31\x32\x29\x31\x32\x2e\x1e\x22\x22\x22\x22", 2},
      {"\x31\x1f\x30\x2d", 1}, {"\x31\x28\x02\x00\x3a\x3b\x3c"s, 0x0C},      // signed lt; bra taken
      {"\x30\x28\x01\x00\x3a\x96"s, 0x0A},                                    // bra not taken, nop
      {"\x77\x08\x06\x92\x06\x7f\x22", 0x1234 + 0x6FFF},                      // breg7 deref, bregx
      {"\x78\x00"s, ~0ull}, {"\x31\x06", ~0ull}, {"\x15\x02", ~0ull},         // breg8, deref, pick
      {"\x94\x04", ~0ull}, {"", ~0ull}, {"\x30" + Bytes(64, '\x12'), ~0ull},  // deref_size, none, 65 deep
      {"\x30\x2f\xfd\xff", ~0ull}, {"\x31\x12\x28\xfc\xff", ~0ull},          // endless skip and bra
      {"\x31\x28\x10\x00"s, ~0ull},                                           // a branch outside
      // clang-format on
  };
  FrameCie same;
  same.instructions = "\x08\x10";
  for (const auto& [expression, cfa] : kExpressions) {
    Words caller;
    StepFrom(same, "\x0f" + Bytes(1, char(expression.size())) + expression, 0x4000, false, kRegs,
             {{0x7008, 0x1234}}, caller);
    EXPECT_EQ(caller.count(kCfa) ? caller[kCfa] : ~0ull, cfa) << testing::PrintToString(expression);
  }
}

}  // namespace
