// Scratch directories and developer tools (compilers, binutils, cmake) run
// from the tests.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "process_runner.h"

namespace e2e {

// A new directory in the temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string name = (std::filesystem::temp_directory_path() / "quiz-e2e-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) std::abort();
    path_ = name;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs command (its first word the program) in the working directory dir,
// or in the test's own when dir is empty.
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

}  // namespace e2e
