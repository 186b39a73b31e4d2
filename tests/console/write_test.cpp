// Writing texts, integers and line ends; draining, failures and modes.
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/console/console_fixture.h"

namespace {

using testing_support::ConsoleTest;
using testing_support::Pattern;

class WriteTest : public ConsoleTest {
 protected:
  std::vector<std::string> Calls(platform::Handle h = fake::kStdOut) {
    std::vector<std::string> calls;
    for (const fake::WriteCall& w : P().writes) {
      if (w.handle == h) calls.push_back(w.bytes);
    }
    return calls;
  }
};

TEST_F(WriteTest, LineIsHandedOverInOneWriteAtItsEnd) {
  struct Stream {
    rt::TextRec* t;
    platform::Handle h;
  };
  for (Stream s : {Stream{&tls::Output(), fake::kStdOut}, Stream{&tls::ErrOutput(), fake::kStdErr},
                   Stream{&tls::StdOut(), fake::kStdOut}, Stream{&tls::StdErr(), fake::kStdErr}}) {
    testing_support::ResetConsole();
    rt::WriteText(0, *s.t, "Your score:");
    rt::WriteSigned(0, *s.t, 30);
    rt::WriteText(0, *s.t, "/30");
    EXPECT_TRUE(P().writes.empty());
    rt::WriteLineEnd(*s.t);
    rt::WriteLineEnd(*s.t);
    ASSERT_EQ(P().writes.size(), 2u);
    EXPECT_EQ(P().writes[0].handle, s.h);
    EXPECT_EQ(P().writes[0].bytes, "Your score:30/30\r\n");
    EXPECT_EQ(P().writes[1].bytes, "\r\n");
    EXPECT_EQ(tls::InOutRes(), 0);
  }
}

TEST_F(WriteTest, FullBufferWaitsForTheNextByte) {
  const std::string a = Pattern(200), b = Pattern(56);
  rt::WriteText(0, tls::Output(), a);
  rt::WriteText(0, tls::Output(), b);
  EXPECT_TRUE(P().writes.empty());
  EXPECT_EQ(tls::Output().BufferPos, 256);
  rt::WriteText(0, tls::Output(), "z");
  rt::WriteLineEnd(tls::Output());
  EXPECT_EQ(Calls(), (std::vector<std::string>{a + b, "z\r\n"}));

  // A full buffer followed by a line end: the line break goes in the next write.
  P().writes.clear();
  rt::WriteText(0, tls::Output(), a);
  rt::WriteText(0, tls::Output(), b);
  rt::WriteLineEnd(tls::Output());
  EXPECT_EQ(Calls(), (std::vector<std::string>{a + b, "\r\n"}));
}

TEST_F(WriteTest, LineThatFitsTheBufferGoesInOneWrite) {
  const std::string text = Pattern(254);
  rt::WriteText(0, tls::Output(), text);
  rt::WriteLineEnd(tls::Output());
  rt::WriteText(0, tls::Output(), text + "x");
  rt::WriteLineEnd(tls::Output());
  EXPECT_EQ(Calls(), (std::vector<std::string>{text + "\r\n", text + "x\r", "\n"}));
}

TEST_F(WriteTest, LongOutputDrainsIn256BytePieces) {
  rt::WriteText(600, tls::Output(), "ab");
  EXPECT_EQ(Calls(), (std::vector<std::string>(2, std::string(256, ' '))));
  rt::WriteLineEnd(tls::Output());
  EXPECT_EQ(Calls().back(), std::string(86, ' ') + "ab\r\n");

  P().writes.clear();
  const std::string bytes = Pattern(700);
  rt::BufferBytes(tls::Output(), reinterpret_cast<const std::uint8_t*>(bytes.data()), 700);
  rt::Flush(tls::Output());
  EXPECT_EQ(Calls(), (std::vector<std::string>{bytes.substr(0, 256), bytes.substr(256, 256),
                                               bytes.substr(512)}));
  EXPECT_EQ(tls::InOutRes(), 0);
}

TEST_F(WriteTest, TextIsCutAt255Bytes) {
  const std::string text = Pattern(300);
  rt::WriteText(0, tls::Output(), text);
  rt::Flush(tls::Output());
  EXPECT_EQ(fake::Written(fake::kStdOut), text.substr(0, 255));
}

struct FieldCase {
  std::int32_t width;
  std::string text;
  std::string out;
};

TEST_F(WriteTest, WidthPadsWithBlanksBeforeTheText) {
  for (const FieldCase& c : std::vector<FieldCase>{{5, "ab", "   ab"},
                                                   {3, "ab", " ab"},
                                                   {2, "ab", "ab"},
                                                   {1, "ab", "ab"},
                                                   {0, "ab", "ab"},
                                                   {-5, "ab", "ab"},
                                                   {INT32_MIN, "ab", "ab"},
                                                   {4, "", "    "},
                                                   {0, "", ""}}) {
    testing_support::ResetConsole();
    rt::WriteText(c.width, tls::Output(), c.text);
    rt::WriteLineEnd(tls::Output());
    EXPECT_EQ(fake::Written(fake::kStdOut), c.out + "\r\n") << "width " << c.width;
  }
}

TEST_F(WriteTest, IntegersAsDecimalText) {
  struct Case {
    std::int32_t width;
    std::int64_t value;
    const char* out;
  };
  for (const Case& c : std::vector<Case>{{0, 0, "0"},
                                         {0, 7, "7"},
                                         {0, 30, "30"},
                                         {0, 1000000, "1000000"},
                                         {0, -1, "-1"},
                                         {0, -40, "-40"},
                                         {0, INT32_MIN, "-2147483648"},
                                         {0, INT32_MAX, "2147483647"},
                                         {0, INT64_MIN, "-9223372036854775808"},
                                         {0, INT64_MAX, "9223372036854775807"},
                                         {5, -7, "   -7"},
                                         {2, -70, "-70"}}) {
    testing_support::ResetConsole();
    rt::WriteSigned(c.width, tls::Output(), c.value);
    rt::Flush(tls::Output());
    EXPECT_EQ(fake::Written(fake::kStdOut), c.out) << c.value;
  }
  testing_support::ResetConsole();
  rt::WriteUnsigned(0, tls::Output(), UINT64_MAX);
  rt::WriteUnsigned(3, tls::Output(), 0);
  rt::WriteUnsigned(0, tls::Output(), 10);
  rt::Flush(tls::Output());
  EXPECT_EQ(fake::Written(fake::kStdOut), "18446744073709551615  010");
}

TEST_F(WriteTest, FailedWriteIs101AndStopsEverythingUntilCleared) {
  for (std::uint32_t error : {28u, 5u, 6u, 32u, 109u}) {
    testing_support::ResetConsole();
    P().fail_write_at = 0;
    P().write_error = error;
    P().failed_write_takes = 2;
    rt::WriteText(0, tls::Output(), "lost");
    EXPECT_EQ(tls::InOutRes(), 0) << "nothing fails before the line end";
    rt::WriteLineEnd(tls::Output());
    EXPECT_EQ(tls::InOutRes(), 101) << "platform error " << error;
    EXPECT_EQ(tls::Output().BufferPos, 0);
    rt::WriteText(0, tls::Output(), "more");
    rt::WriteSigned(0, tls::Output(), 1);
    rt::WriteUnsigned(0, tls::Output(), 1);
    rt::WriteLineEnd(tls::Output());
    rt::Flush(tls::Output());
    rt::SysFlushStdIO();
    EXPECT_EQ(P().writes.size(), 1u);
    EXPECT_EQ(rt::IOResult(), 101);
    // The failed line is gone; the next one goes out alone.
    P().fail_write_at = -1;
    rt::WriteText(0, tls::Output(), "next");
    rt::WriteLineEnd(tls::Output());
    EXPECT_EQ(Calls().back(), "next\r\n");
    EXPECT_EQ(tls::InOutRes(), 0);
  }
}

TEST_F(WriteTest, ShortWriteCountsAsCompleteOnlyOnAMultiUnitConsole) {
  struct Case {
    bool console;
    std::uint16_t cp;
    std::uint16_t code;
  };
  for (const Case& c : std::vector<Case>{{true, 65001, 0},
                                         {true, 65000, 0},
                                         {true, 1200, 0},
                                         {true, 1201, 0},
                                         {true, 12000, 0},
                                         {true, 12001, 0},
                                         {true, 437, 101},
                                         {true, 28591, 101},
                                         {true, 0, 101},
                                         {false, 65001, 101}}) {
    testing_support::ResetConsole();
    P().console = c.console;
    P().console_output_cp = c.cp;
    P().write_limit = 3;
    rt::WriteText(0, tls::Output(), "hello");
    rt::WriteLineEnd(tls::Output());
    EXPECT_EQ(tls::InOutRes(), c.code) << c.console << " " << c.cp;
    EXPECT_EQ(tls::Output().BufferPos, 0);
  }
}

TEST_F(WriteTest, WrongModeSetsItsCode) {
  struct Case {
    std::int32_t mode;
    std::uint16_t write_code;
    std::uint16_t read_code;
  };
  for (const Case& c : std::vector<Case>{{rt::ModeInput, 105, 0},
                                         {rt::ModeOutput, 0, 104},
                                         {rt::ModeAppend, 103, 104},
                                         {rt::ModeInOut, 103, 103},
                                         {rt::ModeClosed, 103, 103}}) {
    testing_support::ResetConsole();
    fake::QueueInput("x\n");
    rt::TextRec t;
    rt::OpenStdIO(t, c.mode, c.mode == rt::ModeInput ? fake::kStdIn : fake::kStdOut);
    auto expect_code = [&](std::uint16_t code, const char* op) {
      EXPECT_EQ(rt::IOResult(), code) << op << " in mode " << c.mode;
    };
    rt::WriteText(0, t, "a");
    expect_code(c.write_code, "WriteText");
    rt::WriteSigned(0, t, 1);
    expect_code(c.write_code, "WriteSigned");
    rt::WriteLineEnd(t);
    expect_code(c.write_code, "WriteLineEnd");
    rt::Flush(t);
    expect_code(c.write_code, "Flush");
    if (c.read_code != 0) {
      rt::TaggedString s("stale", 0);
      rt::ReadLineString(t, s, 0);
      EXPECT_TRUE(s.empty());
      expect_code(c.read_code, "ReadLineString");
      rt::ReadLineEnd(t);
      expect_code(c.read_code, "ReadLineEnd");
      EXPECT_TRUE(P().read_requests.empty());
    }
  }
  // A record that was only reset is closed.
  rt::TextRec closed;
  rt::InitText(closed);
  rt::WriteText(0, closed, "a");
  EXPECT_EQ(rt::IOResult(), 103);
  EXPECT_TRUE(P().writes.empty());
}

TEST_F(WriteTest, FlushDrainsOnlyWhatWaits) {
  rt::Flush(tls::Output());
  EXPECT_TRUE(P().writes.empty());
  rt::WriteText(0, tls::Output(), "ab");
  rt::Flush(tls::Output());
  rt::Flush(tls::Output());
  EXPECT_EQ(Calls(), std::vector<std::string>{"ab"});
  // Waiting text stays put while a code is pending.
  rt::WriteText(0, tls::Output(), "cd");
  tls::InOutRes() = 6;
  rt::Flush(tls::Output());
  rt::SysFlushStdIO();
  EXPECT_EQ(P().writes.size(), 1u);
  EXPECT_EQ(rt::IOResult(), 6);
  rt::Flush(tls::Output());
  EXPECT_EQ(Calls(), (std::vector<std::string>{"ab", "cd"}));
}

TEST_F(WriteTest, ExitFlushDrainsTheFourOutputStreamsInOrder) {
  rt::WriteText(0, tls::Output(), "o");
  rt::WriteText(0, tls::ErrOutput(), "e");
  rt::WriteText(0, tls::StdOut(), "s");
  rt::WriteText(0, tls::StdErr(), "x");
  rt::SysFlushStdIO();
  ASSERT_EQ(P().writes.size(), 4u);
  const fake::WriteCall want[] = {
      {fake::kStdOut, "o"}, {fake::kStdErr, "e"}, {fake::kStdOut, "s"}, {fake::kStdErr, "x"}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(P().writes[i].handle, want[i].handle);
    EXPECT_EQ(P().writes[i].bytes, want[i].bytes);
  }
  // A stream that is not open for output is passed over without a code.
  rt::WriteText(0, tls::StdOut(), "s");
  tls::Output().Mode = rt::ModeClosed;
  rt::SysFlushStdIO();
  EXPECT_EQ(tls::InOutRes(), 0);
  EXPECT_EQ(P().writes.size(), 5u);
}

TEST_F(WriteTest, StandardHandlesAreAskedOnceAndStreamsTakeConsoleCodePages) {
  EXPECT_EQ(P().std_handle_queries, 3);
  P().console_cp = 850;
  P().console_output_cp = 65001;
  Reopen();
  EXPECT_EQ(P().std_handle_queries, 3);
  EXPECT_EQ(tls::Input().CodePage, 850);
  EXPECT_EQ(tls::Input().Handle, fake::kStdIn);
  for (rt::TextRec* t : {&tls::Output(), &tls::ErrOutput(), &tls::StdOut(), &tls::StdErr()}) {
    EXPECT_EQ(t->CodePage, 65001);
    EXPECT_EQ(t->Mode, rt::ModeOutput);
  }
  EXPECT_EQ(tls::ErrOutput().Handle, fake::kStdErr);
}

}  // namespace
