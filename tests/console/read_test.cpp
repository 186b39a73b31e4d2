// Reading lines from Input: content, terminators, end of input, failures.
#include <string>
#include <tuple>
#include <vector>

#include "tests/console/console_fixture.h"

namespace {

using testing_support::ConsoleTest;
using testing_support::Pattern;

class ReadTest : public ConsoleTest {
 protected:
  std::string ReadLine() {
    rt::TaggedString s;
    rt::ReadLineString(tls::Input(), s, 0);
    return std::string(s.bytes());
  }
  // n lines, each read and then finished, as the quiz does.
  std::vector<std::string> ReadLines(int n) {
    std::vector<std::string> lines;
    for (int i = 0; i < n; ++i) {
      lines.push_back(ReadLine());
      rt::ReadLineEnd(tls::Input());
    }
    return lines;
  }
  void ExpectAllRequests256() {
    for (std::size_t n : P().read_requests) EXPECT_EQ(n, 256u);
  }
};

// Long lines come back whole, however the platform delivers them.
class LongLineTest : public ReadTest,
                     public ::testing::WithParamInterface<std::tuple<std::size_t, std::size_t>> {};

TEST_P(LongLineTest, ReturnedWholeWithoutTerminator) {
  auto [length, chunk] = GetParam();
  const std::string line = Pattern(length);
  fake::QueueInput(line + "\r\n" + "next\n" + line, chunk);
  EXPECT_EQ(ReadLines(3), (std::vector<std::string>{line, "next", line}));
  EXPECT_EQ(tls::InOutRes(), 0);
  EXPECT_TRUE(P().reads.empty());
  ExpectAllRequests256();
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongLineTest,
                         ::testing::Combine(::testing::Values(0, 1, 254, 255, 256, 257, 300, 510,
                                                              511, 765),
                                            ::testing::Values(SIZE_MAX, 1, 255, 256)));

struct LineEndCase {
  const char* name;
  std::vector<std::string> reads;  // one platform read each
  std::vector<std::string> lines;
};

class LineEndTest : public ReadTest, public ::testing::WithParamInterface<LineEndCase> {};

TEST_P(LineEndTest, EachTerminatorEndsOneLine) {
  for (const std::string& r : GetParam().reads) fake::QueueInput(r);
  const auto& want = GetParam().lines;
  EXPECT_EQ(ReadLines(static_cast<int>(want.size())), want);
  EXPECT_EQ(tls::InOutRes(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEndTest,
    ::testing::Values(LineEndCase{"LF", {"c\nd\n"}, {"c", "d", ""}},
                      LineEndCase{"CRLF", {"c\r\nd\r\n"}, {"c", "d", ""}},
                      LineEndCase{"LoneCR", {"c\rd\r"}, {"c", "d", ""}},
                      LineEndCase{"CRCRLF", {"\r\r\n"}, {"", "", ""}},
                      LineEndCase{"CRThenLFInNextRead", {"c\r", "\nd\r\n"}, {"c", "d", ""}},
                      LineEndCase{"CRThenTextInNextRead", {"c\r", "d\n"}, {"c", "d", ""}},
                      LineEndCase{"ByteByByte",
                                  {"a", "b", "\r", "\n", "c", "\r", "\r", "\n"},
                                  {"ab", "c", "", ""}},
                      LineEndCase{"LastLineUnterminated", {"ab\r\n", "cd"}, {"ab", "cd", ""}},
                      LineEndCase{"ContentBytes",
                                  {std::string("a\0b\tc\x01\x7f\x80\xe9\xff\n", 11)},
                                  {std::string("a\0b\tc\x01\x7f\x80\xe9\xff", 10), ""}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadTest, CtrlZEndsInputForGoodWithoutAskingAgain) {
  fake::QueueInput(
      "ab\x1A"
      "cd\n");
  fake::QueueInput("never\n");
  EXPECT_EQ(ReadLines(1), std::vector<std::string>{"ab"});
  EXPECT_EQ(ReadLines(3), (std::vector<std::string>{"", "", ""}));
  EXPECT_EQ(P().read_requests.size(), 1u);
  EXPECT_EQ(P().reads.size(), 1u);
  EXPECT_EQ(tls::InOutRes(), 0);

  // Also when a CR before it was the last byte of the line being finished.
  testing_support::ResetConsole();
  fake::QueueInput("x\r\x1Ay\n");
  EXPECT_EQ(ReadLines(3), (std::vector<std::string>{"x", "", ""}));
  EXPECT_EQ(P().read_requests.size(), 1u);
}

TEST_F(ReadTest, CtrlZIsContentWhenTheSettingIsOff) {
  rt::CtrlZMarksEOF = false;
  fake::QueueInput(
      "a\x1A"
      "b\nc\n");
  EXPECT_EQ(ReadLines(2), (std::vector<std::string>{"a\x1A"
                                                    "b",
                                                    "c"}));
}

TEST_F(ReadTest, EndOfInputIsNotRememberedNorAnError) {
  rt::TaggedString s("old", 0);
  rt::ReadLineString(tls::Input(), s, 0);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(P().read_requests.size(), 1u);
  rt::ReadLineEnd(tls::Input());
  EXPECT_EQ(P().read_requests.size(), 2u);
  EXPECT_EQ(ReadLine(), "");
  EXPECT_EQ(P().read_requests.size(), 3u);
  EXPECT_EQ(tls::InOutRes(), 0);
  // More typing after an end of input is read.
  fake::QueueInput("late\n");
  EXPECT_EQ(ReadLines(1), std::vector<std::string>{"late"});
  ExpectAllRequests256();
}

TEST_F(ReadTest, BrokenPipeIsPlainEndOfInput) {
  P().reads.push_back({"", 109});
  fake::QueueInput("after\n");
  EXPECT_EQ(ReadLine(), "");
  EXPECT_EQ(tls::InOutRes(), 0);
  EXPECT_EQ(ReadLine(), "after");
}

class FailedReadTest : public ReadTest,
                       public ::testing::WithParamInterface<std::pair<std::uint32_t, int>> {};

TEST_P(FailedReadTest, LeavesMappedCodeAndConsumesNothingWhilePending) {
  auto [error, code] = GetParam();
  fake::QueueInput("one\n");
  P().reads.push_back({"", error});
  fake::QueueInput("two\n");
  EXPECT_EQ(ReadLines(1), std::vector<std::string>{"one"});
  std::size_t asked = P().read_requests.size();

  rt::TaggedString s("stale", 0);
  rt::ReadLineString(tls::Input(), s, 0);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(tls::InOutRes(), code);
  EXPECT_EQ(P().read_requests.size(), asked + 1);

  // While the code is pending nothing is read, and a line read still empties.
  s = rt::TaggedString("stale", 0);
  rt::ReadLineString(tls::Input(), s, 0);
  rt::ReadLineEnd(tls::Input());
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(P().read_requests.size(), asked + 1);
  EXPECT_EQ(rt::IOResult(), code);
  EXPECT_EQ(tls::InOutRes(), 0);
  EXPECT_EQ(ReadLine(), "two");
}

INSTANTIATE_TEST_SUITE_P(Errors, FailedReadTest,
                         ::testing::Values(std::make_pair(6u, 6), std::make_pair(5u, 5),
                                           std::make_pair(28u, 101)));

TEST_F(ReadTest, LineReadReEncodesIntoTheRequestedCodePage) {
  P().console_cp = 28591;
  Reopen();
  ASSERT_EQ(tls::Input().CodePage, 28591);
  fake::QueueInput("\xE9t\xE9\n\xE9\n\n");
  rt::TaggedString s;
  rt::ReadLineString(tls::Input(), s, 0);
  EXPECT_EQ(s.bytes(), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(s.CodePage(), 65001);
  rt::ReadLineEnd(tls::Input());
  // The stream's own code page: bytes as read.
  rt::ReadLineString(tls::Input(), s, 28591);
  EXPECT_EQ(s.bytes(), "\xE9");
  EXPECT_EQ(s.CodePage(), 28591);
  rt::ReadLineEnd(tls::Input());
  rt::ReadLineString(tls::Input(), s, 0);
  EXPECT_TRUE(s.empty());
  EXPECT_EQ(tls::InOutRes(), 0);
}

}  // namespace
