#include "installed_package.h"

#include <gtest/gtest.h>

#include <fstream>

#include "process_runner.h"
#include "tests/support/scratch.h"

namespace e2e {

std::filesystem::path Scratch() {
  static testing_support::TempDir dir;
  return dir.path();
}

std::string Prefix() {
  static const std::string prefix = [] {
    std::string dir = Scratch() / "prefix";
    RunTool({Env("CMAKE"), "--install", Env("QUIZ_BUILD_DIR"), "--prefix", dir});
    return dir;
  }();
  return prefix;
}

std::vector<Build> Builds(bool variants) {
  std::vector<Build> builds = {{"default", {}}};
  if (!variants) return builds;
  std::string target = Env("QUIZ_TARGET");
  if (target == "aarch64") builds.push_back({"compressed", {}, true});
  if (!target.empty()) return builds;
  if (!Env("CLANGXX").empty()) {
    std::string clang = "-DCMAKE_CXX_COMPILER=" + Env("CLANGXX");
    builds.push_back({"clang++", {clang}});
    builds.push_back({"clang++-compressed", {clang}, true});
  }
  builds.push_back({"static",
                    {"-DCMAKE_EXE_LINKER_FLAGS=-static", "-DZLIB_USE_STATIC_LIBS=ON",
                     "-DZstd_USE_STATIC_LIBS=ON"}});
  return builds;
}

std::string SourceCopy(const std::string& folder, const std::string& file) {
  return Scratch() / std::filesystem::path(folder).filename() / file;
}

std::string CopyProject(const std::string& folder) {
  std::string source = Scratch() / std::filesystem::path(folder).filename();
  if (!std::filesystem::exists(source)) {
    std::filesystem::copy(Env("QUIZ_SOURCE_DIR") + "/" + folder, source,
                          std::filesystem::copy_options::recursive);
  }
  return source;
}

std::string BuildProgram(const std::string& folder, const std::string& program,
                         const Build& build) {
  std::string source = CopyProject(folder);
  std::string binary = source + "-" + build.name;
  std::vector<std::string> configure = {Env("CMAKE"), "-S", source, "-B", binary, "-G", "Ninja"};
  configure.push_back("-DCMAKE_MAKE_PROGRAM=" + Env("NINJA"));
  // A cross build finds the package by the prefix path too, as a native one does.
  configure.push_back("-DCMAKE_PREFIX_PATH=" + Prefix());
  if (!Env("QUIZ_TOOLCHAIN").empty()) configure.push_back("--toolchain=" + Env("QUIZ_TOOLCHAIN"));
  configure.insert(configure.end(), build.options.begin(), build.options.end());
  RunTool(configure);
  RunTool({Env("CMAKE"), "--build", binary});
  std::string path = binary + "/" + program + (Env("QUIZ_TARGET") == "windows" ? ".exe" : "");
  if (build.compressed) RunTool({Env("OBJCOPY"), "--compress-debug-sections=zlib", path});
  return path;
}

long LineOf(const std::string& path, const std::string& text) {
  std::ifstream in(path);
  long number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (line.find(text) != std::string::npos) return number;
  }
  ADD_FAILURE() << "no line of " << path << " holds " << text;
  return -1;
}

}  // namespace e2e
