// Runs a program under test as a child process with prepared standard
// streams, feeding its input and collecting its output and exit status.
//
// A launch names the program and its arguments; without a name it runs the
// program that QUIZ_EXE names. QUIZ_RUNNER, if set, is a command prefix (split
// on blanks) put before the program, e.g. an emulator for a foreign build.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace e2e {

// Standard input content as pieces, each written a number of times, so that
// very long inputs need not be held in memory by the test.
struct Input {
  std::vector<std::pair<std::string, std::size_t>> pieces;
  Input(std::string s = {}) { pieces.emplace_back(std::move(s), 1); }
  Input& Then(std::string s, std::size_t times = 1) {
    pieces.emplace_back(std::move(s), times);
    return *this;
  }
  std::size_t size() const;
};

enum class In { kFile, kPipe, kClosed, kPath };
enum class Out { kCapture, kPath, kClosed, kReaderGone };

struct Launch {
  std::string program;  // empty: the program that QUIZ_EXE names
  std::vector<std::string> args;
  Input input;  // for In::kFile and In::kPipe
  In in = In::kFile;
  std::string in_path;  // for In::kPath, opened for reading
  Out out = Out::kCapture;
  std::string out_path;              // for Out::kPath, opened for writing
  std::vector<std::string> wrapper;  // command words put before everything else
  bool host_tool = false;            // a tool of the build machine: never run through QUIZ_RUNNER
};

struct Outcome {
  std::string out, err;
  bool exited = false;
  int code = -1;
  int signal = 0;
  long peak_kib = 0;
  bool timed_out = false;
};

// Runs the program to its end (killing it after a minute) and collects what
// it wrote. Standard error is always captured.
Outcome Execute(const Launch& run);

// Runs a developer tool of the build machine (a compiler, binutils, cmake):
// command's first word is the program, run in the working directory dir, or
// in the test's own when dir is empty.
inline Outcome RunCommand(std::vector<std::string> command, const std::string& dir = "") {
  Launch run;
  run.host_tool = true;
  run.program = command.front();
  run.args.assign(command.begin() + 1, command.end());
  if (!dir.empty()) run.wrapper = {"env", "-C", dir};
  return Execute(run);
}

// As RunCommand, for a tool that has to succeed: a failure names the command and
// shows what it wrote on standard error.
inline Outcome RunTool(std::vector<std::string> command, const std::string& dir = "") {
  Outcome r = RunCommand(command, dir);
  if (!r.exited || r.code != 0) {
    std::string line;
    for (const auto& word : command) line += word + " ";
    ADD_FAILURE() << line << "failed (status " << r.code << ", signal " << r.signal << "):\n"
                  << r.err;
  }
  return r;
}

// The value of an environment variable, empty when it is not set.
std::string Env(const char* name);

// The blank-separated words of s (none for a null pointer).
std::vector<std::string> Words(const char* s);

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  Fd(Fd&& o) noexcept;
  Fd& operator=(Fd&& o) noexcept;
  ~Fd() { reset(); }
  void reset();
};

// A new empty file in the temporary directory, open for reading and writing.
Fd TempFile(std::string& name);

// Bytes with line ends and other control bytes made visible.
std::string Escaped(std::string_view s);

// Equal bytes, or a failure that shows where they part.
testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected);

}  // namespace e2e
