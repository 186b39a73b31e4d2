// PE32+ images: section names short and long, section sizes, and the header
// checks that decide whether a file is an image at all.
#include <gtest/gtest.h>

#include <functional>

#include "tests/exe/exe_test.h"

namespace {

using exe_test::Bytes;
using exe_test::FindIn;
using testing_support::PeImage;
using testing_support::PeSection;

// Header offsets in the builder's images.
constexpr std::size_t kLfanew = 60, kSectionCount = 134, kSymbolTable = 140, kSymbolCount = 144;

PeImage Basic() {
  PeImage pe;
  pe.sections = {{".text", Bytes(64, '\x90')}, {".debug_line", "line table"}, {".data", "data"}};
  return pe;
}

struct NameCase {
  const char* header_name;  // the 8 name bytes of the only section
  const char* wanted;
  bool found;
  friend std::ostream& operator<<(std::ostream& o, const NameCase& c) {
    return o << '"' << c.header_name << "\" for \"" << c.wanted << '"';
  }
};

class PeNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(PeNameTest, ResolvesHeaderName) {
  PeImage pe;
  // VirtualSize 7 follows the name field: an 8-byte name has no NUL.
  pe.sections = {{"", "payload", GetParam().header_name}};
  pe.extra_strings = {".debug_line", ".debug_info"};  // at 4 and 16
  Bytes image = pe.Build();
  exe_test::Lookup r = FindIn(image, GetParam().wanted);
  ASSERT_TRUE(r.image);
  EXPECT_EQ(r.found, GetParam().found);
  if (r.found) {
    EXPECT_EQ(image.substr(r.offset, r.length), "payload");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, PeNameTest,
    testing::Values(NameCase{".textbss", ".textbss", true}, NameCase{".textbss", ".textbs", false},
                    NameCase{".text", ".text", true}, NameCase{".text", ".TEXT", false},
                    NameCase{"/4", ".debug_line", true}, NameCase{"/16", ".debug_info", true},
                    NameCase{"/0000016", ".debug_info", true}, NameCase{"/4", "/4", false},
                    NameCase{"/abc", "/abc", false}, NameCase{"/", "/", false},
                    // "\x1C": the string table's size field, at offset 0
                    NameCase{"/", "\x1C", false}, NameCase{"/16x", ".debug_info", false},
                    NameCase{"/16x", "/16x", false}, NameCase{"/999999", ".debug_line", false}));

TEST(PeLongNameTest, UnterminatedAtTheEndOfTheFile) {
  PeImage pe = Basic();
  pe.strings_terminated = false;
  Bytes image = pe.Build();
  ASSERT_EQ(image.substr(image.size() - 11), ".debug_line");
  exe_test::Lookup r = FindIn(image, ".debug_line");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(image.substr(r.offset, r.length), "line table");
}

TEST(PeLongNameTest, KeepsAtMost255Bytes) {
  for (bool terminated : {true, false}) {
    SCOPED_TRACE(terminated);
    PeImage pe;
    pe.sections = {{std::string(300, 'n'), "x"}, {std::string(255, 'm'), "y"}};
    pe.strings_terminated = terminated;
    Bytes image = pe.Build();
    EXPECT_TRUE(FindIn(image, std::string(255, 'n')).found);
    EXPECT_FALSE(FindIn(image, std::string(256, 'n')).found);
    EXPECT_FALSE(FindIn(image, std::string(300, 'n')).found);
    EXPECT_TRUE(FindIn(image, std::string(255, 'm')).found);
  }
}

struct SizeCase {
  const char* label;
  std::optional<std::uint32_t> virtual_size, raw_size, raw_offset;
  std::int64_t length;  // -1: not found
  friend std::ostream& operator<<(std::ostream& o, const SizeCase& c) { return o << c.label; }
};

class PeSizeTest : public testing::TestWithParam<SizeCase> {};

TEST_P(PeSizeTest, LengthIsTheVirtualSize) {
  PeImage pe = Basic();
  PeSection& s = pe.sections[1];
  s.virtual_size = GetParam().virtual_size;
  s.raw_size = GetParam().raw_size;
  s.raw_offset = GetParam().raw_offset;
  exe_test::Lookup r = FindIn(pe.Build(), ".debug_line");
  EXPECT_EQ(r.found ? r.length : -1, GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PeSizeTest,
                         testing::Values(SizeCase{"Equal", 10, 10, {}, 10},
                                         SizeCase{"RawPadded", 4, 16, {}, 4},
                                         SizeCase{"VirtualAboveRaw", 11, 10, {}, -1},
                                         SizeCase{"RawPastTheEnd", {}, {}, 0x7FFFFFF0, -1},
                                         SizeCase{"RawEndsAfterTheFile", 1000, 1000, {}, -1}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(PeSectionTest, FirstOfTheNameDecides) {
  PeImage pe;
  pe.sections = {{".debug_line", "first"}, {".debug_line", "second"}};
  Bytes image = pe.Build();
  exe_test::Lookup r = FindIn(image, ".debug_line");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(image.substr(r.offset, r.length), "first");
  EXPECT_EQ(r.address, pe.image_base + 0x1000);
  pe.sections[0].virtual_size = 100;  // now the first is unusable
  EXPECT_FALSE(FindIn(pe.Build(), ".debug_line").found);
}

// Section headers are read in batches of 102.
TEST(PeSectionTest, ManySections) {
  PeImage pe;
  for (int i = 0; i < 250; ++i) pe.sections.push_back({"s" + std::to_string(i), "s"});
  pe.sections.push_back({".debug_line", "line table"});
  Bytes image = pe.Build();
  for (int i : {0, 101, 102, 249}) EXPECT_TRUE(FindIn(image, "s" + std::to_string(i)).found) << i;
  exe_test::Lookup r = FindIn(image, ".debug_line");
  ASSERT_TRUE(r.found);
  EXPECT_EQ(image.substr(r.offset, r.length), "line table");
}

struct HeaderCase {
  const char* label;
  std::function<void(Bytes&)> damage;
  bool image;
  friend std::ostream& operator<<(std::ostream& o, const HeaderCase& c) { return o << c.label; }
};

class PeHeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(PeHeaderTest, DecidesImage) {
  Bytes image = Basic().Build();
  GetParam().damage(image);
  exe_test::Lookup r = FindIn(image, ".data");
  EXPECT_EQ(r.image, GetParam().image);
  if (r.image) {
    EXPECT_TRUE(r.found);
    EXPECT_EQ(r.base, 0x140000000u);
    EXPECT_FALSE(FindIn(image, ".missing").found);
  }
}

using testing_support::Put16;
using testing_support::Put32;

INSTANTIATE_TEST_SUITE_P(
    Headers, PeHeaderTest,
    testing::Values(
        HeaderCase{"Intact", [](Bytes&) {}, true},
        HeaderCase{"Only63Bytes", [](Bytes& b) { b.resize(63); }, false},
        HeaderCase{"Only2Bytes", [](Bytes& b) { b.resize(2); }, false},
        HeaderCase{"WrongSignature", [](Bytes& b) { b[131] = 1; }, false},
        HeaderCase{"LfanewNegative", [](Bytes& b) { Put32(b, kLfanew, 0xFFFFFFFC); }, false},
        HeaderCase{"LfanewMinimum", [](Bytes& b) { Put32(b, kLfanew, 0x80000000); }, false},
        HeaderCase{"LfanewPastTheEnd",
                   [](Bytes& b) { Put32(b, kLfanew, static_cast<std::uint32_t>(b.size())); },
                   false},
        HeaderCase{"HeadersCutShort", [](Bytes& b) { b.resize(128 + 263); }, false},
        HeaderCase{"StringTableAtTheEnd",
                   [](Bytes& b) {
                     Put32(b, kSymbolTable, static_cast<std::uint32_t>(b.size()));
                     Put32(b, kSymbolCount, 0);
                   },
                   true},
        HeaderCase{"StringTablePastTheEnd",
                   [](Bytes& b) {
                     Put32(b, kSymbolTable, static_cast<std::uint32_t>(b.size()) + 1);
                     Put32(b, kSymbolCount, 0);
                   },
                   false},
        HeaderCase{"SymbolCountHuge", [](Bytes& b) { Put32(b, kSymbolCount, 0x7FFFFFFF); }, false},
        HeaderCase{"SymbolFieldsNegative",
                   [](Bytes& b) {
                     Put32(b, kSymbolTable, 0xFFFFFFF0);
                     Put32(b, kSymbolCount, 0xFFFFFFFF);
                   },
                   false},
        HeaderCase{"SectionCount65535", [](Bytes& b) { Put16(b, kSectionCount, 65535); }, true}),
    [](const auto& info) { return std::string(info.param.label); });

// The compiler's own long names: ".debug_line" is longer than 8 bytes.
TEST(PeRealTest, MingwProgramHasDebugLineByLongName) {
  int status;
  exe_test::Run("command -v x86_64-w64-mingw32-g++ >/dev/null", &status);
  if (status != 0) GTEST_SKIP() << "x86_64-w64-mingw32-g++ is not on the PATH";
  std::string source = testing_support::WriteScratchFile("pe.cpp", "int main() { return 0; }\n");
  std::string exe = testing_support::ScratchDir() + "/pe.exe";
  exe_test::Run(
      "x86_64-w64-mingw32-g++ -g -o " + exe_test::Quote(exe) + " " + exe_test::Quote(source),
      &status);
  ASSERT_EQ(status, 0);
  exe_test::Lookup r = exe_test::Find(exe, ".debug_line");
  ASSERT_TRUE(r.image);
  EXPECT_EQ(r.base, 0x140000000u);
  ASSERT_TRUE(r.found);
  EXPECT_GT(r.length, 0);
}

}  // namespace
