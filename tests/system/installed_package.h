// Programs of other projects on the installed runtime: the build under test
// (QUIZ_BUILD_DIR) is installed into a scratch prefix, and a program's
// project is copied out of the repository, configured with
// find_package(QuizRuntime) and built. A cross build's programs are built
// with its toolchain file (QUIZ_TOOLCHAIN) and run under QUIZ_RUNNER.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

// The scratch folder the package is installed in and the programs are
// built in, for the whole run.
std::filesystem::path Scratch();
// The prefix the build under test is installed in, once per run.
std::string Prefix();

// One build of a program: the name of its build folder, and what its
// configuration adds.
struct Build {
  std::string name;
  std::vector<std::string> options;
  bool compressed = false;  // its debug sections compressed after the link
};

// The default build; with variants, the program with its own main is also
// built with its debug sections compressed after the link on aarch64, and,
// on the build machine, by clang++ (also compressed) and linked statically.
std::vector<Build> Builds(bool variants);

// The copy of the project in folder (in the repository) out of the
// repository, made once per run; returns its path.
std::string CopyProject(const std::string& folder);

// Builds the project in folder (in the repository) out of the repository;
// returns the path of its program.
std::string BuildProgram(const std::string& folder, const std::string& program, const Build& build);

// The copy of a source file of the project in folder, as its line table
// names it.
std::string SourceCopy(const std::string& folder, const std::string& file);

// The number of the first line of path that holds text.
long LineOf(const std::string& path, const std::string& text);

}  // namespace e2e
