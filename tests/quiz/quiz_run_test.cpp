// The quiz run over the scripted platform: output lines, scoring, the end.
#include "quiz/quiz_run.h"

#include <string>
#include <vector>

#include "quiz/question_bank.h"
#include "quiz/quiz_unit.h"
#include "tests/runtime/runtime_fixture.h"

namespace {

using testing_support::RuntimeTest;

const char* const kKeys[] = {"a", "c", "c", "d", "b", "c", "a", "d", "c", "a"};
const char kInstruction[] =
    "Answer each of the following with a lowercase letter: Hit enter to start\r\n";

class QuizRunTest : public RuntimeTest {
 protected:
  // Runs the quiz to its end; the exit code, or -1 if it returned.
  int Run() {
    try {
      quiz::QuizRun();
    } catch (const fake::ProcessExit& e) {
      return e.code;
    }
    return -1;
  }
  // Input: Enter, the answer lines (CR LF each, one read per line), Enter.
  void Script(const std::vector<std::string>& answers) {
    fake::QueueInput("\r\n");
    for (const std::string& a : answers) fake::QueueInput(a + "\r\n");
    fake::QueueInput("\r\n");
  }
  // The writes to standard output; the error report goes to standard error.
  std::vector<std::string> Writes() {
    std::vector<std::string> w;
    for (const fake::WriteCall& c : P().writes) {
      if (c.handle == fake::kStdOut) w.push_back(c.bytes);
    }
    return w;
  }
  // The report's lines, one platform write each.
  std::vector<std::string> ReportLines() {
    std::vector<std::string> w;
    for (const fake::WriteCall& c : P().writes) {
      if (c.handle == fake::kStdErr) w.push_back(c.bytes);
    }
    return w;
  }
  // What the quiz writes, one entry per platform write, for the given number of
  // showings of each question.
  static std::vector<std::string> Expected(const std::vector<int>& showings, int score) {
    std::vector<std::string> w = {"", "\r\n", kInstruction};
    for (int k = 1; k <= quiz::kQuestionCount; ++k) {
      const quiz::QuizQuestion& q = quiz::Question(k);
      for (int s = 0; s < showings[k - 1]; ++s) {
        w.push_back(std::string(q.prompt) + "\r\n");
        for (std::string_view o : q.options) w.push_back(std::string(o) + "\r\n");
      }
      w.insert(w.end(), 2, "\r\n");
    }
    w.insert(w.end(), 4, "\r\n");
    w.push_back("Your score:" + std::to_string(score) + "/30\r\n");
    return w;
  }
  void ExpectWrites(const std::vector<int>& showings, int score) {
    std::vector<std::string> got = Writes(), want = Expected(showings, score);
    ASSERT_EQ(got.size(), want.size());
    const std::string tail = " V.1x 1/3/18\r\n";
    ASSERT_GT(got[0].size(), tail.size());
    EXPECT_EQ(got[0].substr(got[0].size() - tail.size()), tail);
    for (std::size_t i = 1; i < got.size(); ++i) EXPECT_EQ(got[i], want[i]) << "write " << i;
  }
};

TEST_F(QuizRunTest, PerfectRun) {
  Script({kKeys, kKeys + 10});
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(quiz::SCORE, 30);
  EXPECT_EQ(P().writes.size(), 78u);
  EXPECT_EQ(P().writes.back().bytes, "Your score:30/30\r\n");
  ExpectWrites(std::vector<int>(10, 1), 30);
  EXPECT_EQ(P().read_requests.size(), 12u);
  for (std::size_t n : P().read_requests) EXPECT_EQ(n, 256u);
  EXPECT_TRUE(P().reads.empty());
  // The answers were released at the end.
  for (const rt::TaggedString* q : {&quiz::Q1, &quiz::Q2, &quiz::Q3, &quiz::Q4, &quiz::Q5,
                                    &quiz::Q6, &quiz::Q7, &quiz::Q8, &quiz::Q9, &quiz::Q10}) {
    EXPECT_TRUE(q->empty());
  }
  EXPECT_EQ(rt::ErrorCode, 0);
  EXPECT_EQ(rt::InitFinal.initialized, 0);
}

struct ScoreCase {
  std::vector<std::string> q1;  // answers to question 1, in order
  int showings;
  int score;
};

class QuizScoreTest : public QuizRunTest, public ::testing::WithParamInterface<ScoreCase> {};

TEST_P(QuizScoreTest, PointsFollowTheShowingOfTheRightAnswer) {
  std::vector<std::string> answers = GetParam().q1;
  answers.insert(answers.end(), kKeys + 1, kKeys + 10);
  Script(answers);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(quiz::SCORE, GetParam().score);
  EXPECT_EQ(quiz::COUNTER1, GetParam().score - 27);
  std::vector<int> showings(10, 1);
  showings[0] = GetParam().showings;
  ExpectWrites(showings, GetParam().score);
}

INSTANTIATE_TEST_SUITE_P(Q1, QuizScoreTest,
                         ::testing::Values(ScoreCase{{"b", "a"}, 2, 29},
                                           ScoreCase{{"A", " a", "a"}, 3, 28},
                                           ScoreCase{{"a ", "", "c", "a"}, 4, 27},
                                           ScoreCase{{"b", "b", "b", "b"}, 4, 27}));

TEST_F(QuizRunTest, EndOfInputRunsToTheEndWithNoPoints) {
  for (bool broken_pipe : {false, true}) {
    testing_support::ResetRuntime();
    fake::QueueInput("\r\n");
    if (broken_pipe) P().reads.push_back({"", 109});
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(quiz::SCORE, 0);
    ExpectWrites(std::vector<int>(10, 4), 0);
  }
}

TEST_F(QuizRunTest, CtrlZEndsInputWithoutFurtherReads) {
  fake::QueueInput("\r\na\r\nc\r\n\x1A");
  fake::QueueInput("c\r\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(quiz::SCORE, 6);
  EXPECT_EQ(P().read_requests.size(), 1u);
  std::vector<int> showings(10, 4);
  showings[0] = showings[1] = 1;
  ExpectWrites(showings, 6);
}

TEST_F(QuizRunTest, CheckEndsTheProcessWithThePendingCode) {
  rt::CheckIOResult();  // nothing pending: returns
  rt::WriteText(0, tls::StdOut(), "waiting");
  tls::InOutRes() = 6;
  try {
    rt::CheckIOResult();
    ADD_FAILURE() << "returned";
  } catch (const fake::ProcessExit& e) {
    EXPECT_EQ(e.code, 6);
  }
  EXPECT_EQ(rt::ErrorCode, 6);
  EXPECT_NE(rt::ErrorAddr, nullptr);
  // The code was taken, so the exit flush still hands over waiting text.
  EXPECT_EQ(tls::InOutRes(), 0);
  EXPECT_EQ(fake::Written(fake::kStdOut), "waiting");
  EXPECT_EQ(fake::Written(fake::kStdErr).rfind("Runtime error 6 at $", 0), 0u);
}

TEST_F(QuizRunTest, WriteFailureEndsTheRunWith101) {
  P().fail_write_at = 0;
  P().write_error = 5;
  Script({kKeys, kKeys + 10});
  EXPECT_EQ(Run(), 101);
  EXPECT_EQ(rt::ErrorCode, 101);
  EXPECT_NE(rt::ErrorAddr, nullptr);
  EXPECT_EQ(fake::Written(fake::kStdOut).size(), 0u);
  std::size_t to_stdout = 0;
  for (const fake::WriteCall& w : P().writes) to_stdout += w.handle == fake::kStdOut;
  EXPECT_EQ(to_stdout, 1u);
  EXPECT_TRUE(P().read_requests.empty());
}

TEST_F(QuizRunTest, ReadFailureEndsTheRunWithItsCode) {
  for (auto [error, code] : {std::pair{6u, 6}, std::pair{28u, 101}, std::pair{13u, 13}}) {
    testing_support::ResetRuntime();
    fake::QueueInput("\r\n");
    P().reads.push_back({"", error});
    fake::QueueInput("a\r\n");
    EXPECT_EQ(Run(), code);
    EXPECT_EQ(rt::ErrorCode, code);
    // Banner, empty line, instruction, then question 1 and its options.
    EXPECT_EQ(Writes().size(), 8u);
    EXPECT_EQ(P().reads.size(), 1u);
    // The report: the error line, the frame line of the same address, the
    // frames of the callers (here the test's own), and the empty line.
    std::vector<std::string> report = ReportLines();
    ASSERT_GE(report.size(), 4u);
    std::string head = "Runtime error " + std::to_string(code) + " at $";
    ASSERT_EQ(report[0].rfind(head, 0), 0u);
    EXPECT_EQ(report[1], "  $" + report[0].substr(head.size()));
    EXPECT_EQ(report.back(), "\r\n");
  }
}

}  // namespace
