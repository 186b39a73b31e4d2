// Tagged strings: equality of answers and keys, and code-page conversion.
#include <string>
#include <vector>

#include "tests/console/console_fixture.h"

namespace {

using rt::TaggedString;
using testing_support::ConsoleTest;

class StringsTest : public ConsoleTest {};  // default code page 65001, OEM 28591

TEST_F(StringsTest, AnswerEqualsKeyOnlyWithTheSameBytes) {
  const TaggedString key("a", 0);
  EXPECT_EQ(rt::StringsEqual(TaggedString("a", 0), key), 0);
  EXPECT_EQ(rt::StringsEqual(key, key), 0);
  EXPECT_EQ(rt::StringsEqual(TaggedString(), TaggedString()), 0);
  EXPECT_LT(rt::StringsEqual(TaggedString(), key), 0);
  EXPECT_GT(rt::StringsEqual(key, TaggedString()), 0);
  for (const char* answer : {"A", "a ", " a", "a.", "b", "aa", "\xC3\xA1"}) {
    EXPECT_NE(rt::StringsEqual(TaggedString(answer, 0), key), 0) << answer;
    EXPECT_NE(rt::StringsEqual(key, TaggedString(answer, 0)), 0) << answer;
  }
  EXPECT_NE(rt::StringsEqual(TaggedString(std::string("a\0", 2), 0), key), 0);
  // The sign orders the two.
  EXPECT_LT(rt::StringsEqual(TaggedString("a", 0), TaggedString("b", 0)), 0);
  EXPECT_GT(rt::StringsEqual(TaggedString("ab", 0), TaggedString("a", 0)), 0);
  EXPECT_GT(rt::StringsEqual(TaggedString("\xFF", 0), TaggedString("a", 0)), 0);
}

TEST_F(StringsTest, TagsThatResolveAlikeCompareBytes) {
  // 1252 is unknown to the platform: converting would lose both strings.
  rt::DefaultSystemCodePage = 1252;
  EXPECT_EQ(rt::StringsEqual(TaggedString("x", 0), TaggedString("x", 1252)), 0);
  EXPECT_NE(rt::StringsEqual(TaggedString("x", 0), TaggedString("y", 1252)), 0);
  // Tag 1 resolves to the OEM code page.
  P().oemcp = 1252;
  EXPECT_NE(rt::StringsEqual(TaggedString("x", 1), TaggedString("y", 0)), 0);
  EXPECT_EQ(rt::StringsEqual(TaggedString("\xE9", 1), TaggedString("\xE9", 1252)), 0);
}

TEST_F(StringsTest, DifferentTagsCompareAsUtf8) {
  const TaggedString latin("\xE9t\xE9", 28591);
  EXPECT_EQ(rt::StringsEqual(latin, TaggedString("\xC3\xA9t\xC3\xA9", 65001)), 0);
  EXPECT_EQ(rt::StringsEqual(TaggedString("\xC3\xA9t\xC3\xA9", 0), latin), 0);
  EXPECT_EQ(rt::StringsEqual(TaggedString("\xE9", 1), TaggedString("\xC3\xA9", 0)), 0);
  // Same bytes, different meaning.
  EXPECT_NE(rt::StringsEqual(TaggedString("\xE9", 28591), TaggedString("\xE9", 65001)), 0);
  EXPECT_NE(rt::StringsEqual(latin, TaggedString("\xC3\xA9t", 65001)), 0);
}

TEST_F(StringsTest, ConvertCodePage) {
  struct Case {
    TaggedString in;
    std::uint16_t target;
    std::string out;
    std::uint16_t tag;
  };
  const std::vector<Case> cases = {
      {TaggedString("\xE9", 28591), 65001, "\xC3\xA9", 65001},
      {TaggedString("\xE9", 28591), 0, "\xC3\xA9", 65001},  // 0: the default
      {TaggedString("\xC3\xA9", 0), 1, "\xE9", 28591},      // 1: the OEM code page
      {TaggedString("\xC3\xA9", 65001), 28591, "\xE9", 28591},
      {TaggedString("\xE9", 65535), 65001, "\xE9", 65001},  // raw bytes: copied
      {TaggedString("\xE9", 0), 65001, "\xE9", 65001},      // alike: copied
      {TaggedString("abc", 28591), 65001, "abc", 65001},
  };
  for (const Case& c : cases) {
    TaggedString out = rt::ConvertCodePage(c.in, c.target);
    EXPECT_EQ(out.bytes(), c.out) << c.in.CodePage() << " -> " << c.target;
    EXPECT_EQ(out.CodePage(), c.tag) << c.in.CodePage() << " -> " << c.target;
  }
  TaggedString empty = rt::ConvertCodePage(TaggedString(), 28591);
  EXPECT_TRUE(empty.empty());
  EXPECT_EQ(empty.CodePage(), rt::DefaultSystemCodePage);
}

}  // namespace
