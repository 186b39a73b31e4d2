// The source lines over real files in a scratch folder, for what the
// report's programs do not meet: a last line without its end, UTF-8 and a
// control byte, a line wider than the window, a binary file, a line past
// the end, a file newer than the bound, and MD5 (checked against RFC 1321's
// digests, fed whole and in pieces that end inside blocks and across them).
#include "report/source/source_snippet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "report/source/md5.h"
#include "tests/support/scratch.h"

namespace {

std::string Md5Of(const std::string& message, std::size_t piece) {
  rt::Md5 md5;
  for (std::size_t at = 0; at < message.size(); at += piece)
    md5.Update(message.data() + at, std::min(piece, message.size() - at));
  std::uint8_t digest[rt::Md5::kDigestSize];
  md5.Final(digest);
  std::string hex;
  for (std::uint8_t byte : digest)
    hex += "0123456789abcdef"[byte >> 4], hex += "0123456789abcdef"[byte & 15];
  return hex;
}

TEST(Md5Test, KnownDigests) {
  const std::pair<std::string, const char*> cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {std::string(1000000, 'a'), "7707d6ae4e027c70eea2a935c2296f21"},
  };
  for (const auto& [message, digest] : cases) {
    for (std::size_t piece : {message.size() + 1, std::size_t{7}, std::size_t{65}})
      EXPECT_EQ(Md5Of(message, piece), digest) << message.substr(0, 8) << " by " << piece;
  }
}

// How the request is made beyond its place: the digest of "abc" or of "",
// or a bound on the write time just before the file's.
enum class Ask { kPlain, kAbcDigest, kEmptyDigest, kBeforeWrite };

struct Case {
  const char* name;
  std::string bytes;
  std::int32_t line, column;
  std::vector<std::string> expected;  // "@" stands for the path; none: no snippet
  Ask ask = Ask::kPlain;
};

TEST(SourceSnippetTest, RealFiles) {
  using namespace std::string_literals;
  const std::string at = "      --> @", bar = "        | ";
  const std::vector<std::string> abc = {at + ":1:2", "      1 | abc", bar + " ^"};
  const Case cases[] = {
      {"last line without its end, UTF-8, a control byte",
       "x\ns = \"h\xc3\xa9llo\"\x01 x",
       2,
       16,
       {at + ":2:16", "      2 | s = \"h\xc3\xa9llo\"? x", bar + std::string(14, ' ') + "^"}},
      {"binary", "ab\ncd\0ef\n"s, 1, 1, {}},
      {"line past the end", "one\ntwo\n", 3, 1, {}},
      {"newer than the bound", "abc", 1, 2, {}, Ask::kBeforeWrite},
      {"MD5 matches", "abc", 1, 2, abc, Ask::kAbcDigest},
      {"MD5 differs", "abc", 1, 2, {}, Ask::kEmptyDigest},
  };
  testing_support::TempDir dir;
  std::uint8_t abc_md5[16] = {0x90, 0x01, 0x50, 0x98, 0x3c, 0xd2, 0x4f, 0xb0,
                              0xd6, 0x96, 0x3f, 0x7d, 0x28, 0xe1, 0x7f, 0x72},
               empty_md5[16] = {0xd4, 0x1d, 0x8c, 0xd9, 0x8f, 0x00, 0xb2, 0x04,
                                0xe9, 0x80, 0x09, 0x98, 0xec, 0xf8, 0x42, 0x7e};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = dir / c.name;
    std::ofstream(path, std::ios::binary) << c.bytes;
    rt::SnippetRequest request;
    request.path = path;
    request.line = c.line;
    request.column = c.column;
    if (c.ask == Ask::kAbcDigest) request.md5 = abc_md5;
    if (c.ask == Ask::kEmptyDigest) request.md5 = empty_md5;
    if (c.ask == Ask::kBeforeWrite) {
      platform::Handle file = 0;
      ASSERT_EQ(platform::OpenFileForReading(path.c_str(), file), platform::kNoError);
      ASSERT_EQ(platform::GetFileWriteTime(file, request.written_before), platform::kNoError);
      (void)platform::CloseHandle(file);
      --request.written_before;
    }
    rt::Snippet snippet;
    EXPECT_EQ(rt::FormSnippet(request, snippet), !c.expected.empty());
    std::vector<std::string> formed, expected = c.expected;
    for (int i = 0; i < snippet.count; ++i) formed.emplace_back(snippet.lines[i].view());
    if (!expected.empty()) expected[0].replace(expected[0].find('@'), 1, path);
    EXPECT_EQ(formed, expected);
  }
}

// A line far wider than the window, all tabs before the column, ending in
// CR LF: cut on both sides, the caret under the column's byte.
TEST(SourceSnippetTest, AWideLineIsCutAroundItsColumn) {
  testing_support::TempDir dir;
  std::string path = dir / "wide.cpp";
  std::ofstream(path, std::ios::binary)
      << "\n" + std::string(6999, '\t') + "X" + std::string(3000, 'b') + "\r\n";
  rt::SnippetRequest request;
  request.path = path;
  request.line = 2;
  request.column = 7000;
  rt::Snippet s;
  ASSERT_TRUE(rt::FormSnippet(request, s));
  ASSERT_EQ(s.count, 3);
  std::string_view numbered = s.lines[1].view();
  std::size_t caret = s.lines[2].view().find('^');
  ASSERT_LT(caret, numbered.size());
  EXPECT_EQ(numbered[caret], 'X');
  EXPECT_EQ(numbered.substr(numbered.find('|'), 5), "| ...");
  EXPECT_TRUE(numbered.ends_with("...")) << numbered;
}

}  // namespace
