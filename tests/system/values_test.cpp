// The values under the report's frame lines against gdb's "info args" and
// "info locals" for the same frames of the same run (values_program, and
// the ending program's ways to end, built by g++ and clang++ at -O0 and
// -O2): where both know a value, the texts
// agree once gdb's own forms are written as the report writes them; where
// gdb has none, the report shows no number.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "error_report.h"
#include "installed_package.h"
#include "process_runner.h"

namespace {

using namespace e2e;
using Values = std::map<std::string, std::string>;  // a frame's values by name

// gdb's forms as the report writes them: nullptr for 0x0, a character
// before its code, a string or an object without its address, enumerators
// without their scope, the library's types by what they hold; then, on both
// sides, any other address as "0x..." (gdb's run has the same addresses
// every time, the report's another) and any unknown part as "<?>".
std::string Normalised(std::string v) {
  static const std::pair<std::regex, const char*> kForms[] = {
      {std::regex(R"(^@0x[0-9a-f]+: )"), ""},
      {std::regex(R"(^\([^()]*\) )"), ""},
      {std::regex(R"(\b0x0\b)"), "nullptr"},
      {std::regex(R"x(0x[0-9a-f]+ ("))x"), "$1"},
      {std::regex(R"(^(-?\d+) ('.*')$)"), "$2 ($1)"},
      {std::regex(R"(\b[A-Z]\w*::(k\w+))"), "$1"},
      {std::regex(R"(std::vector of length (\d+), capacity \d+ = )"), "std::vector of $1 "},
      {std::regex(R"(std::vector of length (\d+), capacity \d+$)"), "std::vector of $1"},
      {std::regex(R"(std::(unique|shared)_ptr<.*> = \{get\(\) = (\w+)\})"), "$2"},
      {std::regex(R"(^\{_M_elems = (\{.*\})\}$)"), "$1"},
      {std::regex(R"(\b0x[0-9a-f]+\b)"), "0x..."},
      {std::regex(R"(<[^>]*>)"), "<?>"},
  };
  for (const auto& [form, written] : kForms) v = std::regex_replace(v, form, written);
  return v;
}

// The "name = value" pairs of a report's value line, split where no
// brace or quote is open.
Values ReportValues(const std::vector<std::string>& lines) {
  Values values;
  for (const std::string& line : lines) {
    int depth = 0;
    bool quoted = false;
    std::string pair;
    for (std::size_t i = 6; i <= line.size(); ++i) {
      char c = i < line.size() ? line[i] : ',';
      if (c == '"' && line[i - 1] != '\\') quoted = !quoted;
      if (!quoted) depth += (c == '{') - (c == '}');
      if (c == ',' && depth == 0 && !quoted && (i == line.size() || line[i + 1] == ' ')) {
        std::size_t eq = pair.find(" = ");
        if (eq != std::string::npos) values[pair.substr(0, eq)] = pair.substr(eq + 3);
        pair.clear();
        ++i;
      } else {
        pair += c;
      }
    }
  }
  return values;
}

// gdb's values of frames 0 to count-1, each by its function's name, in a
// run of the program with the environment's settings.
std::vector<std::pair<std::string, Values>> GdbValues(const std::string& program, int count,
                                                      const std::vector<std::string>& env) {
  std::vector<std::string> command = {"env"};
  command.insert(command.end(), env.begin(), env.end());
  command.insert(command.end(),
                 {Env("GDB"), "-batch", "-nx", "-iex", "set debuginfod enabled off", "-ex", "run"});
  for (int i = 0; i < count; ++i) {
    for (std::string ask : {"frame ", "info args", "info locals"})
      command.insert(command.end(), {"-ex", ask == "frame " ? ask + std::to_string(i) : ask});
  }
  command.push_back(program);
  std::istringstream out(RunCommand(command).out);
  static const std::regex frame(R"(^#\d+ +(0x[0-9a-f]+ in )?([\w:]+) \()"),
      value(R"(^(\w+) = (.*)$)");
  std::vector<std::pair<std::string, Values>> frames;
  std::smatch m;
  for (std::string line; std::getline(out, line);) {
    if (std::regex_search(line, m, frame))
      frames.push_back({m[2], {}});
    else if (!frames.empty() && std::regex_match(line, m, value))
      frames.back().second.emplace(m[1], m[2]);  // the innermost block's first
  }
  return frames;
}

struct Agreement {
  int compared = 0, agreed = 0, not_known = 0, differing = 0;
};

// The report's values of a run against gdb's of the first frames of
// another run with the same settings, frame by frame of the same function.
Agreement CompareWithGdb(const std::string& program, int frames,
                         const std::vector<std::string>& env = {}) {
  Agreement a;
  Launch run;
  run.program = program;
  run.wrapper = {"env"};
  run.wrapper.insert(run.wrapper.end(), env.begin(), env.end());
  Outcome r = Execute(run);
  Report report;
  std::size_t start = r.err.find("Runtime error ");
  EXPECT_NE(start, std::string::npos) << r.err;
  if (start == std::string::npos || !IsReport(std::string_view(r.err).substr(start), report)) {
    ADD_FAILURE() << r.err;
    return a;
  }
  report.frames.insert(report.frames.begin(), report.own);
  for (const auto& [function, theirs] : GdbValues(program, frames, env)) {
    const Frame* ours = nullptr;
    for (const Frame& f : report.frames) {
      if (ours == nullptr && f.function == function && !f.values.empty()) ours = &f;
    }
    if (ours == nullptr) continue;
    for (const auto& [name, value] : ReportValues(ours->values)) {
      auto gdb = theirs.find(name);
      if (gdb == theirs.end()) continue;
      ++a.compared;
      // Where gdb knows no value, the report shows none; where the report
      // knows none, gdb's may come from further up the callers.
      bool theirs_unknown = gdb->second == "<optimized out>", ours_unknown = value[0] == '<';
      std::string written =
          std::regex_replace(std::regex_replace(value, std::regex(R"(\b0x[0-9a-f]+\b)"), "0x..."),
                             std::regex(R"(<[^>]*>)"), "<?>");
      bool same = ours_unknown || written == Normalised(gdb->second);
      if (theirs_unknown) same = ours_unknown;
      ++(ours_unknown ? a.not_known : (same ? a.agreed : a.differing));
      EXPECT_TRUE(same) << function << ": " << name << " = " << value << ", gdb: " << gdb->second;
    }
  }
  return a;
}

void Print(const std::string& build, const std::string& run, const Agreement& a) {
  std::printf("%s %s: %d values compared, %d as gdb's, %d not known to the report, %d differing\n",
              build.c_str(), run.c_str(), a.compared, a.agreed, a.not_known, a.differing);
}

TEST(ValuesTest, TheReportsValuesAreGdbs) {
  if (!Env("QUIZ_TARGET").empty() || Env("GDB").empty()) GTEST_SKIP() << "gdb, natively";
  std::string clang = "-DCMAKE_CXX_COMPILER=" + Env("CLANGXX");
  std::vector<Build> builds = {{"gcc-O0", {}}, {"gcc-O2", {"-DCMAKE_CXX_FLAGS=-O2 -g"}}};
  if (!Env("CLANGXX").empty())
    builds.insert(builds.end(),
                  {{"clang-O0", {clang}}, {"clang-O2", {clang, "-DCMAKE_CXX_FLAGS=-O2 -g"}}});
  for (const Build& build : builds) {
    SCOPED_TRACE(build.name);
    std::string program = BuildProgram("tests/system/values_program", "values", build);
    Agreement a = CompareWithGdb(program, 3);
    Print(build.name, "values", a);
    EXPECT_GT(a.compared, 4);
    // The ways the ending program ends, with the frames of the C library's
    // abort before the program's own, and a rethrow's frame, walked from
    // the end through the C++ library's.
    std::string endings = BuildProgram("tests/system/ending_program", "endings", build);
    for (const char* mode :
         {"null-read", "divide", "assert", "thread", "vector-at", "rethrow-exception"}) {
      SCOPED_TRACE(mode);
      a = CompareWithGdb(endings, 16, {std::string("ENDING=") + mode});
      Print(build.name, mode, a);
      EXPECT_GT(a.compared, 0);
    }
  }
}

}  // namespace
