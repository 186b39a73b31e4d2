// Each header the package installs compiles on its own in a program of
// another project, in the C++ the package asks of it: none includes what
// the package leaves out.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "installed_package.h"
#include "process_runner.h"

namespace {

namespace fs = std::filesystem;

TEST(InstalledHeadersTest, EachCompilesAlone) {
  const fs::path include = fs::path(e2e::Prefix()) / "include" / "QuizRuntime";
  const fs::path sources = e2e::Scratch() / "headers";
  fs::create_directories(sources);
  // One translation unit per header, all in one run of the compiler.
  std::vector<std::string> command = {
      e2e::Env("CXX"), "-std=c++17", "-fsyntax-only",        "-Wall",
      "-Wextra",       "-Werror",    "-I" + include.string()};
  std::vector<std::string> headers;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(include)) {
    if (entry.path().extension() != ".h") continue;
    std::string header = fs::relative(entry.path(), include).generic_string();
    std::string name = header;
    for (char& c : name) c = c == '/' ? '_' : c;
    fs::path source = sources / (name + ".cpp");
    std::ofstream(source) << "#include \"" << header << "\"\n";
    command.push_back(source.string());
    headers.push_back(header);
  }
  // The header a program needs to install a frame-line formatter of its own.
  EXPECT_NE(std::find(headers.begin(), headers.end(), "runtime/frame_line_hook.h"), headers.end());
  e2e::RunTool(command);
}

}  // namespace
