// ELF64 files: real programs against readelf, the image base, and damaged
// headers and name tables.
#include <gtest/gtest.h>

#include <functional>

#include "tests/exe/exe_test.h"

namespace {

using exe_test::Bytes;
using exe_test::FindIn;
using testing_support::ElfImage;
using testing_support::ElfSection;
using testing_support::Put64;

struct RealCase {
  const char* label;
  const char* flags;
  std::uint64_t base;
  friend std::ostream& operator<<(std::ostream& o, const RealCase& c) { return o << c.label; }
};

class ElfRealTest : public testing::TestWithParam<RealCase> {};

TEST_P(ElfRealTest, SectionsAsReadelfShowsThem) {
  std::string program = exe_test::Program(GetParam().flags);
  auto sections = exe_test::ReadelfSections(program);
  ASSERT_EQ(sections.count(".bss"), 1u);
  EXPECT_EQ(sections[".bss"].type, "NOBITS");
  for (const char* name : {".debug_line", ".text", ".no_such_section", ".bss"}) {
    SCOPED_TRACE(name);
    exe_test::Lookup r = exe_test::Find(program, name);
    ASSERT_TRUE(r.image);
    EXPECT_EQ(r.base, GetParam().base);
    auto it = sections.find(name);
    bool expect = it != sections.end() && it->second.type != "NOBITS";
    ASSERT_EQ(r.found, expect);
    if (expect) {
      EXPECT_EQ(r.offset, it->second.offset);
      EXPECT_EQ(r.length, it->second.size);
      EXPECT_EQ(r.address, it->second.address);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, ElfRealTest,
                         testing::Values(RealCase{"Pie", "-pie -fPIE", 0},
                                         RealCase{"NoPie", "-no-pie -fno-pie", 0x400000}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(ElfRealTest, QuizProgram) {
  std::string quiz = exe_test::Env("QUIZ_EXE", "");
  if (quiz.empty()) GTEST_SKIP() << "QUIZ_EXE is not set";
  auto sections = exe_test::ReadelfSections(quiz);
  exe_test::Lookup r = exe_test::Find(quiz, ".debug_line");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.offset, sections[".debug_line"].offset);
  EXPECT_EQ(r.length, sections[".debug_line"].size);
}

TEST(ElfRealTest, TruncatedProgramIsNoImage) {
  Bytes program = testing_support::ReadWholeFile(exe_test::Program("-pie -fPIE"));
  ASSERT_TRUE(FindIn(program, ".text").found);
  for (std::size_t size :
       {std::size_t{3}, std::size_t{4}, std::size_t{63}, std::size_t{64}, std::size_t{1000},
        program.size() / 2, program.size() - 64, program.size() - 1}) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(FindIn(program.substr(0, size), ".text").image);
  }
}

ElfImage Basic() {
  ElfImage elf;
  elf.sections = {
      {".text", testing_support::kProgBits, 6, Bytes(32, '\x90')},
      {".debug_line", testing_support::kProgBits, 0, "line table"},
      {".bss", testing_support::kNoBits, 3, "", {}, 4096},
      {".debug_info", testing_support::kProgBits, testing_support::kShfCompressed, "compressed"},
      {".data", testing_support::kProgBits, 3, "data"}};
  return elf;
}

TEST(ElfBuiltTest, FindsPlainSectionsOnly) {
  Bytes image = Basic().Build();
  for (auto [name, contents] : {std::pair<const char*, const char*>{".debug_line", "line table"},
                                {".data", "data"},
                                {".bss", nullptr},
                                {".debug_info", nullptr},
                                {".debug", nullptr}}) {
    SCOPED_TRACE(name);
    exe_test::Lookup r = FindIn(image, name);
    ASSERT_TRUE(r.image);
    ASSERT_EQ(r.found, contents != nullptr);
    if (r.found) {
      EXPECT_EQ(image.substr(r.offset, r.length), contents);
    }
  }
}

// Section headers are read in batches, and a name table beyond the
// buffer's 4096 bytes entry by entry.
TEST(ElfBuiltTest, ManySectionsAndLongNames) {
  for (std::size_t name_length : {std::size_t{5}, std::size_t{250}}) {
    ElfImage elf;
    for (int i = 0; i < 150; ++i) {
      std::string name = std::to_string(i) + std::string(name_length, 'n');
      elf.sections.push_back({name, testing_support::kProgBits, 0, std::to_string(i)});
    }
    Bytes image = elf.Build();
    for (int i : {0, 62, 63, 64, 149}) {
      exe_test::Lookup r = FindIn(image, elf.sections[i].name);
      ASSERT_TRUE(r.found) << i << " " << name_length;
      EXPECT_EQ(image.substr(r.offset, r.length), std::to_string(i));
    }
  }
}

TEST(ElfBuiltTest, ImageBaseIsTheLowestLoadPage) {
  ElfImage elf = Basic();
  for (auto [loads, base] :
       {std::pair<std::vector<std::uint64_t>, std::uint64_t>{{0x403000, 0x401234}, 0x401000},
        {{0x10000, 0x0}, 0},
        {{}, 0}}) {
    elf.load_addresses = loads;
    EXPECT_EQ(FindIn(elf.Build(), ".data").base, base);
  }
}

struct DamageCase {
  const char* label;
  std::function<void(ElfImage&)> change;
  bool image = false;
  std::string found = "";  // those of .debug_line, .data and .text that are found
  friend std::ostream& operator<<(std::ostream& o, const DamageCase& c) { return o << c.label; }
};

class ElfDamageTest : public testing::TestWithParam<DamageCase> {};

TEST_P(ElfDamageTest, NoImageOrNotFound) {
  ElfImage elf = Basic();
  GetParam().change(elf);
  Bytes image = elf.Build();
  for (const char* name : {".debug_line", ".data", ".text"}) {
    SCOPED_TRACE(name);
    exe_test::Lookup r = FindIn(image, name);
    EXPECT_EQ(r.image, GetParam().image);
    EXPECT_EQ(r.found, (GetParam().found + " ").find(name + std::string(" ")) != std::string::npos);
  }
}

using E = ElfImage;
const char* const kAll = ".debug_line .data .text";

INSTANTIATE_TEST_SUITE_P(
    Damage, ElfDamageTest,
    testing::Values(
        DamageCase{"Intact", [](E&) {}, true, kAll},
        DamageCase{"Class32", [](E& e) { e.elf_class = 1; }},
        DamageCase{"BigEndian", [](E& e) { e.encoding = 2; }},
        DamageCase{"ShoffPastTheEnd", [](E& e) { e.shoff = 1 << 20; }},
        DamageCase{"ShoffHuge", [](E& e) { e.shoff = ~0ull - 8; }},
        DamageCase{"ShentsizeWrong", [](E& e) { e.shentsize = 40; }},
        DamageCase{"ShnumHuge", [](E& e) { e.shnum = 0xFFFE; }},
        DamageCase{"ShstrndxOutOfRange", [](E& e) { e.shstrndx = 7; }},
        DamageCase{"ShstrndxNoBits", [](E& e) { e.shstrndx = 3; }},
        DamageCase{"NameOffsetPastTheTable", [](E& e) { e.sections[1].name_offset = 1u << 31; },
                   true, ".data .text"},
        DamageCase{"UnterminatedLastName", [](E& e) { e.names_terminated = false; }, true,
                   ".debug_line .text"},
        DamageCase{"DataPastTheEnd", [](E& e) { e.sections[1].size = 1u << 20; }, true,
                   ".data .text"},
        DamageCase{"DataOffsetHuge", [](E& e) { e.sections[1].offset = ~0ull - 4; }, true,
                   ".data .text"},
        DamageCase{"Extended", [](E& e) { e.extended_numbering = true; }, true, kAll},
        DamageCase{"ExtendedHuge",
                   [](E& e) { e.extended_numbering = true, e.section0_size = 1u << 30; }},
        DamageCase{"ExtendedZero", [](E& e) { e.extended_numbering = true, e.section0_size = 0; }}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
