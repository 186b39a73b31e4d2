// End-to-end tests: run the built quiz program with prepared standard input
// and compare its whole output, byte for byte, with a transcript composed from
// the tests' own copy of the question texts.
//
// QUIZ_EXE names the program (see process_runner.h).
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "process_runner.h"

namespace {

using namespace std::string_literals;
using e2e::Escaped;
using e2e::Execute;
using e2e::In;
using e2e::Input;
using e2e::Launch;
using e2e::Outcome;
using e2e::SameBytes;

// ---------------------------------------------------------------------------
// The question texts. Each text is given without its trailing blanks, followed
// by how many blanks it ends with.

struct Text {
  const char* body;
  int blanks;
  std::string str() const { return body + std::string(static_cast<std::size_t>(blanks), ' '); }
};

struct Question {
  Text prompt;
  std::array<Text, 4> options;
  char key;
};

const std::array<Question, 10> kBank = {{
    {{"1: Which of these lines generate a random number from 1-100?   (1F)", 0},
     {{{"a. x:=random (100) + 1;", 1},
       {"b. x:=random (101) +1;", 1},
       {"c. x:=random (101) ;", 1},
       {"d. x:=random (100) ;", 1}}},
     'a'},
    {{"2: x:='e' and y:=ord(x) writeln(y); what is the output? (3A)", 1},
     {{{"a. E", 0}, {"b. 5", 1}, {"c. 101", 1}, {"d. Y", 0}}},
     'c'},
    {{"3: Which one of these makes an array of 18 students? (4C)", 2},
     {{{"a. class: ARRAY [1..18] of longint;", 1},
       {"b. class: ARRAY [0..18] of integer;", 1},
       {"c. class: ARRAY [1..18] of string;", 2},
       {"d. class: ARRAY [0..18] of real;", 0}}},
     'c'},
    {{"4: Convert the binary number 01101001 into decimal form. (5C)", 0},
     {{{"a. 254", 0}, {"b. 100", 0}, {"c. 89", 1}, {"d. 105", 1}}},
     'd'},
    {{"5: What kind of loops do not need an end;? (4A)", 0},
     {{{"a. For To Do", 0}, {"b. Repeat Until", 1}, {"c. Case Statement", 1}, {"d. While Do", 0}}},
     'b'},
    {{"6: What does the function TRUNC do? (2A)", 0},
     {{{"a. round up", 2}, {"b. multiply by 6", 0}, {"c. round down", 1}, {"d. square down", 0}}},
     'c'},
    {{"7: What is the value of x? x:=length('Do not get this wrong') (3E)", 1},
     {{{"a. 21", 0}, {"b. 20", 0}, {"c. 17", 1}, {"d. 18", 0}}},
     'a'},
    {{"8: x:=37 div 6  ,y:=37 mod 6. What are the values of x and y? (2A)", 2},
     {{{"a. x=1 y=6", 1}, {"b. x=7 y=1", 1}, {"c. x=1 y=7", 1}, {"d. x=6 y=1", 1}}},
     'd'},
    {{"9: What do you need on the top of your program when using sound and color? (6C)", 0},
     {{{"a. uses crt", 0}, {"b. crt;", 0}, {"c. uses crt;", 1}, {"d. crt uses;", 0}}},
     'c'},
    {{"10: Which will show 3 decimal places after a real number value? (2B)", 1},
     {{{"a. value:3", 1}, {"b. value:0:3", 0}, {"c. value:3:0", 0}, {"d. value:three", 0}}},
     'a'},
}};

const char kBanner[] = "Programming Quiz for Beginners, by the Quiz Team V.1x 1/3/18";
const char kInstruction[] =
    "Answer each of the following with a lowercase letter: Hit enter to start";

// ---------------------------------------------------------------------------
// Expected transcripts and the inputs that lead to them.

// Per question, the showing (1 to 4) at which it is answered right, or 0 if
// it never is. It is then shown that many times (four when never right) and
// earns 4 minus its showings.
using Plan = std::array<int, 10>;

Plan Uniform(int right_at) {
  Plan p;
  p.fill(right_at);
  return p;
}
Plan FirstThen(int q1, int rest) {
  Plan p = Uniform(rest);
  p[0] = q1;
  return p;
}
int Showings(int right_at) {
  return right_at == 0 ? 4 : right_at;
}

void Line(std::string& out, std::string_view text) {
  out += text;
  out += "\r\n";
}

std::string Opening() {
  std::string out;
  Line(out, kBanner);
  Line(out, "");
  Line(out, kInstruction);
  return out;
}

std::string Transcript(const Plan& plan) {
  std::string out = Opening();
  int score = 0;
  for (std::size_t k = 0; k < kBank.size(); ++k) {
    for (int n = 0; n < Showings(plan[k]); ++n) {
      Line(out, kBank[k].prompt.str());
      for (const Text& option : kBank[k].options) Line(out, option.str());
    }
    Line(out, "");
    Line(out, "");
    score += 4 - Showings(plan[k]);
  }
  for (int i = 0; i < 4; ++i) Line(out, "");
  Line(out, "Your score:" + std::to_string(score) + "/30");
  return out;
}

// The answer lines of questions first..10 (1-based) following the plan, with
// "x" as the wrong answer, each line ended by eol.
std::string AnswerLines(const Plan& plan, std::size_t first = 1, std::string_view eol = "\n") {
  std::string in;
  for (std::size_t k = first - 1; k < kBank.size(); ++k) {
    int wrong = plan[k] == 0 ? 4 : plan[k] - 1;
    for (int i = 0; i < wrong; ++i) in += "x"s + std::string(eol);
    if (plan[k] != 0) in += std::string(1, kBank[k].key) + std::string(eol);
  }
  return in;
}

// A whole input: start line, answers, final line.
std::string Session(const Plan& plan, std::string_view eol = "\n") {
  return std::string(eol) + AnswerLines(plan, 1, eol) + std::string(eol);
}

std::size_t CountLineEnds(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; (i = s.find("\r\n", i)) != std::string_view::npos; i += 2) ++n;
  return n;
}

// ---------------------------------------------------------------------------
// Running the program.

class QuizTest : public testing::Test {
 protected:
  void SetUp() override {
    if (e2e::Env("QUIZ_EXE").empty()) GTEST_FAIL() << "QUIZ_EXE must name the quiz program";
  }

  // A run with captured output that must end normally with the expected output.
  static Outcome ExpectRun(const Input& input, In in, const std::string& expected) {
    SCOPED_TRACE(in == In::kFile ? "standard input from a file" : "standard input from a pipe");
    Launch run;
    run.input = input;
    run.in = in;
    Outcome r = Execute(run);
    EXPECT_FALSE(r.timed_out);
    EXPECT_TRUE(r.exited) << "killed by signal " << r.signal;
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(SameBytes(r.out, expected));
    EXPECT_EQ(r.err, "");
    return r;
  }

  static void ExpectBoth(const Input& input, const std::string& expected) {
    for (In in : {In::kFile, In::kPipe}) ExpectRun(input, in, expected);
  }
};

// ---------------------------------------------------------------------------
// Whole runs that follow an answer plan, with each kind of line end.

struct PlanCase {
  const char* name;
  Plan plan;
  int score;
};

const PlanCase kPlans[] = {
    {"perfect", Uniform(1), 30},
    {"all wrong", Uniform(0), 0},
    {"first right at second showing", FirstThen(2, 1), 29},
    {"first right at fourth showing", FirstThen(4, 1), 27},
    {"mixed", {1, 2, 3, 4, 0, 1, 2, 3, 4, 0}, 12},
};

TEST_F(QuizTest, AnswerPlansWithEachLineEnd) {
  for (const PlanCase& c : kPlans) {
    const std::string expected = Transcript(c.plan);
    ASSERT_NE(expected.find("\r\nYour score:" + std::to_string(c.score) + "/30\r\n"),
              std::string::npos)
        << c.name;
    for (const char* eol : {"\n", "\r\n", "\r"}) {
      SCOPED_TRACE(c.name + " with line end "s + Escaped(eol));
      ExpectBoth(Session(c.plan, eol), expected);
    }
  }
}

TEST_F(QuizTest, PerfectRunWritesSeventyEightLines) {
  Outcome r = ExpectRun(Session(Uniform(1)), In::kFile, Transcript(Uniform(1)));
  EXPECT_EQ(CountLineEnds(r.out), 78u);
  EXPECT_EQ(r.out.substr(0, r.out.find("\r\n")), kBanner);
  // A text with trailing blanks keeps them: the first option of question 1.
  EXPECT_NE(r.out.find("\r\na. x:=random (100) + 1; \r\n"), std::string::npos);
}

// ---------------------------------------------------------------------------
// Inputs whose ends, terminators or special bytes decide the run.

struct InputCase {
  const char* name;
  std::string input;
  Plan plan;
};

const std::string kKeysAfterFirst = AnswerLines(Uniform(1), 2);

const InputCase kInputs[] = {
    {"empty input", "", Uniform(0)},
    {"start line 'a' never answers question 1", "a\n", Uniform(0)},
    {"start line 'a' without line end", "a", Uniform(0)},
    {"Ctrl-Z after the answer 'a' ends the input for good", "\na\x1A\n" + kKeysAfterFirst + "\n",
     FirstThen(1, 0)},
    {"Ctrl-Z on the start line", "\x1A\na\n" + kKeysAfterFirst, Uniform(0)},
    {"last answer without line end", "\n" + AnswerLines(Uniform(1)).substr(0, 19), Uniform(1)},
    {"CR as the last byte of input", "\r" + AnswerLines(Uniform(1), 1, "\r"), Uniform(1)},
    {"CR CR LF gives two empty answers", "\n\r\r\na\n" + kKeysAfterFirst + "\n", FirstThen(3, 1)},
    {"mixed line ends",
     "\r\na\rc\nc\r\nd\r\rb\nc\na\r\nd\rc\na\n\r",
     {1, 1, 1, 1, 2, 1, 1, 1, 1, 1}},
    {"bad bytes as the last line without line end", "\n\x80\0\xff"s, Uniform(0)},
    {"bad bytes as answer 10 without line end",
     "\n" + AnswerLines(Uniform(1)).substr(0, 18) + "\xfe",
     {1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
};

TEST_F(QuizTest, InputEndsAndTerminators) {
  for (const InputCase& c : kInputs) {
    SCOPED_TRACE(c.name);
    ExpectBoth(c.input, Transcript(c.plan));
  }
}

// Each of these lines is one wrong answer to question 1; the answers after it
// stay in step, so question 1 is right at its second showing.
TEST_F(QuizTest, NearMissesAndBadBytesAreOneWrongAnswer) {
  // clang-format off
  const std::string lines[] = {
      "A", " a", "a ", "a.", "aa", "\ta", "a\t",                     // near misses
      "a\0"s, "\0a"s, "\0"s,                                        // NUL bytes
      "\xe1", "a\x80", "\xff\xfe", std::string(1000, '\x80'),       // bytes from 0x80
      "\x01", "\x1b[A", "\x7f", "a\x08",                            // control bytes
      std::string(255, 'a'), std::string(256, 'a'),                 // lines around the
      std::string(254, 'x') + "a", std::string(510, 'a'),           // 255-byte read step
      std::string(511, 'a')};
  // clang-format on
  const std::string expected = Transcript(FirstThen(2, 1));
  for (const std::string& line : lines) {
    SCOPED_TRACE("answer line \"" + Escaped(line.substr(0, 20)) + "\" of " +
                 std::to_string(line.size()) + " bytes");
    ExpectBoth("\n" + line + "\na\n" + kKeysAfterFirst + "\n", expected);
  }
}

TEST_F(QuizTest, MegabyteLineIsOneWrongAnswerInBoundedMemory) {
  constexpr std::size_t kChunk = 1 << 16, kChunks = 256;  // a line of 16 MiB
  std::string chunk(kChunk, 'a');
  for (std::size_t i = 0; i < kChunk; i += 7) chunk[i] = static_cast<char>(0x80 + i % 100);
  const Input input = Input("\n").Then(chunk, kChunks).Then("\na\n" + kKeysAfterFirst + "\n");
  const long line_kib = static_cast<long>(kChunk * kChunks / 1024);
  for (In in : {In::kFile, In::kPipe}) {
    Outcome r = ExpectRun(input, in, Transcript(FirstThen(2, 1)));
    // The line is held once, plus growth room; a sanitizer build adds its own share.
    EXPECT_LT(r.peak_kib, 3 * line_kib + 32 * 1024) << "peak resident set in KiB";
  }
}

// ---------------------------------------------------------------------------
// System calls of a perfect run: one write per output line, 256-byte reads.

bool OnPath(const char* name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && ::access((dir + "/" + name).c_str(), X_OK) == 0) return true;
  return false;
}

TEST_F(QuizTest, OneWritePerLineAndReadsOf256Bytes) {
  if (!OnPath("strace")) GTEST_SKIP() << "strace is not on the PATH";
  if (!e2e::Words(std::getenv("QUIZ_RUNNER")).empty()) GTEST_SKIP() << "not traced under a runner";
  std::string name;
  e2e::Fd keep = e2e::TempFile(name);
  Launch run;
  run.input = Session(Uniform(1));
  run.wrapper = {"strace", "-f", "-e", "trace=read,write", "-o", name};
  Outcome r = Execute(run);
  std::ifstream trace(name);
  ::unlink(name.c_str());
  if (r.code != 0 && r.err.find("ptrace") != std::string::npos) GTEST_SKIP() << r.err;
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(SameBytes(r.out, Transcript(Uniform(1))));

  int writes = 0, reads = 0;
  for (std::string line; std::getline(trace, line);) {
    std::size_t call = line.find_first_not_of("0123456789 ");  // after the process id
    if (call == std::string::npos) continue;
    std::string_view rest = std::string_view(line).substr(call);
    if (rest.starts_with("write(1,")) ++writes;
    if (!rest.starts_with("read(0,")) continue;
    ++reads;
    std::size_t close = line.rfind(") = ");
    std::size_t comma = line.rfind(", ", close);
    ASSERT_NE(close, std::string::npos) << line;
    EXPECT_EQ(line.substr(comma + 2, close - comma - 2), "256") << line;
  }
  EXPECT_EQ(writes, 78);
  EXPECT_GT(reads, 0);
}

}  // namespace
