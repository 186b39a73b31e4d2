// End-to-end tests: run the built quiz program with prepared standard input
// and compare its whole output, byte for byte, with a transcript composed from
// the tests' own copy of the question texts.
//
// QUIZ_EXE names the program; QUIZ_RUNNER, if set, is a command prefix (split
// on blanks) put before it, e.g. an emulator for a foreign build.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

extern char** environ;

namespace {

using namespace std::string_literals;

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

std::string Escaped(std::string_view s) {
  std::string out;
  for (unsigned char c : s) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20 || c >= 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  std::size_t from = at < 60 ? 0 : at - 60;
  return testing::AssertionFailure()
         << "outputs differ at byte " << at << " (actual " << actual.size() << " bytes, expected "
         << expected.size() << ")\n  actual:   ..." << Escaped(actual.substr(from, 120))
         << "\n  expected: ..." << Escaped(expected.substr(from, 120));
}

// ---------------------------------------------------------------------------
// Running the program.

// Standard input content as pieces, each written a number of times, so that
// very long inputs need not be held in memory by the test.
struct Input {
  std::vector<std::pair<std::string, std::size_t>> pieces;
  Input(std::string s = {}) { pieces.emplace_back(std::move(s), 1); }
  Input& Then(std::string s, std::size_t times = 1) {
    pieces.emplace_back(std::move(s), times);
    return *this;
  }
  std::size_t size() const {
    std::size_t n = 0;
    for (const auto& [s, times] : pieces) n += s.size() * times;
    return n;
  }
};

enum class In { kFile, kPipe, kClosed };
enum class Out { kCapture, kPath, kClosed, kReaderGone };

struct Launch {
  Input input;
  In in = In::kFile;
  Out out = Out::kCapture;
  std::string out_path;              // for Out::kPath
  std::vector<std::string> wrapper;  // command words put before everything else
};

struct Outcome {
  std::string out, err;
  bool exited = false;
  int code = -1;
  int signal = 0;
  long peak_kib = 0;
  bool timed_out = false;
};

std::vector<std::string> Words(const char* s) {
  std::vector<std::string> words;
  std::istringstream in(s ? s : "");
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::string QuizExe() {
  const char* exe = std::getenv("QUIZ_EXE");
  return exe ? exe : "";
}

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(Fd&& o) noexcept : fd(std::exchange(o.fd, -1)) {}
  Fd& operator=(Fd&& o) noexcept {
    reset();
    fd = std::exchange(o.fd, -1);
    return *this;
  }
  ~Fd() { reset(); }
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

std::pair<Fd, Fd> Pipe() {
  int p[2];
  if (::pipe2(p, O_CLOEXEC) != 0) std::abort();
  return {Fd(p[0]), Fd(p[1])};
}

bool WriteAll(int fd, std::string_view s) {
  while (!s.empty()) {
    ssize_t n = ::write(fd, s.data(), s.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    s.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// A new empty file in the temporary directory, open for reading and writing.
Fd TempFile(std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  name = std::string(dir && *dir ? dir : "/tmp") + "/quiz-e2e-XXXXXX";
  Fd f(::mkostemp(name.data(), O_CLOEXEC));
  if (f.fd < 0) std::abort();
  return f;
}

Fd InputFile(const Input& input) {
  std::string name;
  Fd f = TempFile(name);
  ::unlink(name.c_str());
  for (const auto& [s, times] : input.pieces)
    for (std::size_t i = 0; i < times; ++i)
      if (!WriteAll(f.fd, s)) std::abort();
  ::lseek(f.fd, 0, SEEK_SET);
  return f;
}

// Walks the pieces of an input, handing out what is still to be written.
class Feed {
 public:
  explicit Feed(const Input& input) : pieces_(input.pieces) {}
  std::string_view Next() {
    while (piece_ < pieces_.size()) {
      const auto& [s, times] = pieces_[piece_];
      if (repeat_ < times && offset_ < s.size()) return std::string_view(s).substr(offset_);
      offset_ = 0;  // this copy of the piece is written
      if (++repeat_ >= times || s.empty()) ++piece_, repeat_ = 0;
    }
    return {};
  }
  void Advance(std::size_t n) { offset_ += n; }

 private:
  const std::vector<std::pair<std::string, std::size_t>>& pieces_;
  std::size_t piece_ = 0, repeat_ = 0, offset_ = 0;
};

Outcome Execute(const Launch& run) {
  ::signal(SIGPIPE, SIG_IGN);  // the test's own writes to a gone reader fail with EPIPE
  std::vector<std::string> args = run.wrapper;
  for (auto& w : Words(std::getenv("QUIZ_RUNNER"))) args.push_back(w);
  args.push_back(QuizExe());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t set;
  sigemptyset(&set);
  posix_spawnattr_setsigmask(&attr, &set);
  sigaddset(&set, SIGPIPE);  // the child starts with the default action
  posix_spawnattr_setsigdefault(&attr, &set);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  Fd in_child, in_parent, out_child, out_parent;
  switch (run.in) {
    case In::kFile:
      in_child = InputFile(run.input);
      posix_spawn_file_actions_adddup2(&fa, in_child.fd, 0);
      break;
    case In::kPipe:
      std::tie(in_child, in_parent) = Pipe();
      posix_spawn_file_actions_adddup2(&fa, in_child.fd, 0);
      break;
    case In::kClosed:
      posix_spawn_file_actions_addclose(&fa, 0);
      break;
  }
  switch (run.out) {
    case Out::kCapture:
      std::tie(out_parent, out_child) = Pipe();
      posix_spawn_file_actions_adddup2(&fa, out_child.fd, 1);
      break;
    case Out::kPath:
      posix_spawn_file_actions_addopen(&fa, 1, run.out_path.c_str(), O_WRONLY, 0);
      break;
    case Out::kClosed:
      posix_spawn_file_actions_addclose(&fa, 1);
      break;
    case Out::kReaderGone:
      std::tie(out_parent, out_child) = Pipe();
      out_parent.reset();
      posix_spawn_file_actions_adddup2(&fa, out_child.fd, 1);
      break;
  }
  auto [err_parent, err_child] = Pipe();
  posix_spawn_file_actions_adddup2(&fa, err_child.fd, 2);

  Outcome result;
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, argv[0], &fa, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&fa);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    ADD_FAILURE() << "cannot start " << argv[0] << ": " << std::strerror(rc);
    return result;
  }
  in_child.reset();
  out_child.reset();
  err_child.reset();

  // Feed standard input (then close it) while draining both outputs.
  Feed feed(run.input);
  if (in_parent.fd >= 0) ::fcntl(in_parent.fd, F_SETFL, O_NONBLOCK);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (in_parent.fd >= 0 || out_parent.fd >= 0 || err_parent.fd >= 0) {
    if (in_parent.fd >= 0 && feed.Next().empty()) in_parent.reset();
    pollfd fds[3] = {
        {in_parent.fd, POLLOUT, 0}, {out_parent.fd, POLLIN, 0}, {err_parent.fd, POLLIN, 0}};
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    int ready = left.count() > 0 ? ::poll(fds, 3, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      ::kill(pid, SIGKILL);
      result.timed_out = true;
      break;
    }
    if (fds[0].revents & (POLLOUT | POLLERR | POLLHUP)) {
      std::string_view chunk = feed.Next();
      ssize_t n = ::write(in_parent.fd, chunk.data(), std::min<std::size_t>(chunk.size(), 65536));
      if (n > 0) {
        feed.Advance(static_cast<std::size_t>(n));
      } else if (errno != EAGAIN && errno != EINTR) {
        in_parent.reset();  // the program has stopped reading
      }
    }
    for (auto [pfd, fd, sink] : {std::tuple{&fds[1], &out_parent, &result.out},
                                 std::tuple{&fds[2], &err_parent, &result.err}}) {
      if (!(pfd->revents & (POLLIN | POLLERR | POLLHUP))) continue;
      char buf[65536];
      ssize_t n = ::read(fd->fd, buf, sizeof buf);
      if (n > 0) {
        sink->append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        fd->reset();
      }
    }
  }

  int status = 0;
  rusage usage{};
  while (::wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
  }
  result.exited = WIFEXITED(status);
  result.code = result.exited ? WEXITSTATUS(status) : -1;
  result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.peak_kib = usage.ru_maxrss;
  return result;
}

class QuizTest : public testing::Test {
 protected:
  void SetUp() override {
    if (QuizExe().empty()) GTEST_FAIL() << "QUIZ_EXE must name the quiz program";
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
// Failing standard streams.

TEST_F(QuizTest, FailingOutputEndsWithCode101) {
  struct {
    const char* name;
    Out out;
  } cases[] = {{"output to /dev/full", Out::kPath},
               {"output closed", Out::kClosed},
               {"output pipe without reader", Out::kReaderGone}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Launch run;
    run.input = Session(Uniform(1));
    run.out = c.out;
    run.out_path = "/dev/full";
    Outcome r = Execute(run);
    EXPECT_FALSE(r.timed_out);
    EXPECT_TRUE(r.exited) << "killed by signal " << r.signal;
    EXPECT_EQ(r.code, 101);
  }
}

TEST_F(QuizTest, ClosedInputEndsWithTheReadError) {
  Launch run;
  run.in = In::kClosed;
  Outcome r = Execute(run);
  EXPECT_TRUE(r.exited) << "killed by signal " << r.signal;
  EXPECT_EQ(r.code, EBADF);
  EXPECT_TRUE(SameBytes(r.out, Opening()));  // nothing after the first read
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
  if (!Words(std::getenv("QUIZ_RUNNER")).empty()) GTEST_SKIP() << "not traced under a runner";
  std::string name;
  Fd keep = TempFile(name);
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
