// The source snippet over real files in a scratch folder: line ends, UTF-8
// and a line wider than the window shown with the caret under the right
// character, and the files that give no snippet. MD5 is checked against RFC 1321's digests.
#include "report/source/source_snippet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "report/source/md5.h"
#include "tests/support/scratch.h"

namespace {

std::string Hex(const std::uint8_t (&digest)[rt::Md5::kDigestSize]) {
  std::string hex;
  for (std::uint8_t byte : digest) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", byte);
    hex += two;
  }
  return hex;
}

TEST(Md5Test, KnownDigests) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const auto& c : cases) {
    // Whole, and in pieces that end inside blocks and across them.
    for (std::size_t piece : {c.message.size() + 1, std::size_t{7}, std::size_t{65}}) {
      rt::Md5 md5;
      for (std::size_t at = 0; at < c.message.size(); at += piece) {
        md5.Update(c.message.data() + at, std::min(piece, c.message.size() - at));
      }
      std::uint8_t digest[rt::Md5::kDigestSize];
      md5.Final(digest);
      EXPECT_EQ(Hex(digest), c.digest) << c.message.substr(0, 20) << ", pieces of " << piece;
    }
  }
}

// What the request asks beyond the place: colour, a bound on the file's
// write time just before it, or the digest of "abc" or of "".
enum class Ask { kPlain, kColour, kBeforeWrite, kAbcDigest, kEmptyDigest };

void Prepare(Ask ask, const std::string& path, std::uint8_t (&md5)[16],
             rt::SnippetRequest& request) {
  const char* hex = ask == Ask::kAbcDigest ? "900150983cd24fb0d6963f7d28e17f72"
                                           : "d41d8cd98f00b204e9800998ecf8427e";
  for (int i = 0; i < 16; ++i)
    md5[i] = std::uint8_t(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
  if (ask == Ask::kAbcDigest || ask == Ask::kEmptyDigest) request.md5 = md5;
  request.colour = ask == Ask::kColour;
  if (ask != Ask::kBeforeWrite) return;
  platform::Handle file = 0;
  ASSERT_EQ(platform::OpenFileForReading(path.c_str(), file), platform::kNoError);
  ASSERT_EQ(platform::GetFileWriteTime(file, request.written_before), platform::kNoError);
  (void)platform::CloseHandle(file);
  --request.written_before;
}

// Where `under` is set, the line is too wide: the caret stands under that
// byte, "..." on either side; otherwise the lines are as given.
void ExpectLines(const rt::Snippet& s, const std::vector<std::string>& expected, char under) {
  std::vector<std::string> formed;
  for (int i = 0; i < s.count; ++i) formed.emplace_back(s.lines[i].view());
  if (under == 0) {
    EXPECT_EQ(formed, expected);
    return;
  }
  ASSERT_EQ(formed.size(), 3u);
  std::size_t caret = formed[2].find('^');
  ASSERT_LT(caret, formed[1].size());
  EXPECT_EQ(formed[1][caret], under);
  EXPECT_EQ(formed[1].substr(formed[1].find('|'), 5), "| ...");
  EXPECT_EQ(formed[1].substr(formed[1].size() - 3), "...");
  EXPECT_GT(formed[1].size(), 200u);  // the room is used, not just the window's edge
}

struct Case {
  const char* name;
  std::string bytes;
  std::int32_t line, column;
  std::vector<std::string> expected;  // "@" stands for the path; none: no snippet
  Ask ask = Ask::kPlain;
  char under = 0;
};

TEST(SourceSnippetTest, RealFiles) {
  using namespace std::string_literals;
  const std::string at = "      --> @", bar = "        | ", tail = std::string(3000, 'b');
  const std::vector<std::string> abc = {at + ":1:2", "      1 | abc", bar + " ^"};
  const Case cases[] = {
      {"last line without its end",
       "x\ny = 2;",
       2,
       7,
       {at + ":2:7", "      2 | y = 2;", bar + "      ^"}},
      {"column 0", "first\n", 1, 0, {at + ":1", "      1 | first"}},
      {"column past the end", "ab\n", 1, 4, {at + ":1:4", "      1 | ab"}},
      {"UTF-8, a control byte",
       "s = \"h\xc3\xa9llo\"\x01 x\n",
       1,
       16,
       {at + ":1:16", "      1 | s = \"h\xc3\xa9llo\"? x", bar + std::string(14, ' ') + "^"}},
      {"line 10",
       "\n\n\n\n\n\n\n\n\nten\n",
       10,
       4,
       {at + ":10:4", "      10 | ten", "         |    ^"}},
      {"binary", "ab\ncd\0ef\n"s, 1, 1, {}},
      {"line past the end", "one\ntwo\n", 3, 1, {}},
      {"empty file", "", 1, 1, {}},
      {"newer than the bound", "abc", 1, 2, {}, Ask::kBeforeWrite},
      {"MD5 matches", "abc", 1, 2, abc, Ask::kAbcDigest},
      {"MD5 differs", "abc", 1, 2, {}, Ask::kEmptyDigest},
      {"colour",
       "abc\n",
       1,
       2,
       {"      --> \x1b[1m@:1:2\x1b[0m", "      1 | abc", bar + " \x1b[1;31m^\x1b[0m"},
       Ask::kColour},
      // Wider than the window, the column far past its first half (the
      // report's programs have tabs, CR LF and a line wider than a report's).
      {"10,000 bytes",
       "\n" + std::string(6999, '\t') + "X" + tail + "\r\n",
       2,
       7000,
       {"@"},
       Ask::kPlain,
       'X'},
  };
  testing_support::TempDir dir;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir / ("f" + std::to_string(n++) + ".cpp");
    std::ofstream(path, std::ios::binary) << c.bytes;
    rt::SnippetRequest request;
    request.path = path;
    request.line = c.line;
    request.column = c.column;
    std::uint8_t md5[16];
    Prepare(c.ask, path, md5, request);
    rt::Snippet snippet;
    EXPECT_EQ(rt::FormSnippet(request, snippet), !c.expected.empty());
    std::vector<std::string> expected = c.expected;
    if (!expected.empty()) expected[0].replace(expected[0].find('@'), 1, path);
    ExpectLines(snippet, expected, c.under);
  }
}

}  // namespace
