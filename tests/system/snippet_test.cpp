// The program's own line under its frame line, in the report of a program
// of another project on the installed runtime (snippet_program, its fault
// named by SNIPPET): the location, the line as the source file holds it,
// and a caret under the byte of the line table's column, which is
// llvm-symbolizer's for the same address; none where the file is missing
// or newer than the program.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "error_report.h"
#include "installed_package.h"
#include "process_runner.h"
#include "symbolizer_diff.h"

namespace {

using namespace e2e;

const std::string kFolder = "tests/system/snippet_program";

enum Change { kKept, kMissing, kNewer };

struct Case {
  const char* mode;
  const char* file;  // the marked line's
  const char* mark;  // of the line the snippet shows
  Change change = kKept;
  bool shown = true;
};

const Case kCases[] = {
    {"tabs", "snippets.cpp", "[tabs]"},
    {"long", "snippets.cpp", "[long]"},
    {"header", "marks.h", "[header]"},
    {"crlf", "crlf.cpp", "[crlf]"},
    {"libc", "snippets.cpp", "[main libc]"},
    {"abort", "snippets.cpp", "[abort]"},
    {"throw", "snippets.cpp", "[throw]"},
    {"tabs", "snippets.cpp", "[tabs]", kMissing, false},
    {"tabs", "snippets.cpp", "[tabs]", kNewer, false},
};

// The source's line as bytes, its line end left out.
std::string SourceLine(const std::string& path, long number) {
  std::ifstream in(path, std::ios::binary);
  std::string line;
  for (long n = 0; n < number && std::getline(in, line); ++n) {
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The link-time address of a run-time one, from the load address the
// program printed; 0 where it cannot be told.
std::uint64_t LinkAddress(const std::string& program, const Outcome& r, std::uint64_t address) {
  static const std::regex printed(R"(WithTabs at (0x)?([0-9a-fA-F]+))"),
      linked(R"(^([0-9a-f]+) .*\s_Z8WithTabsi$)");
  std::smatch m;
  if (!std::regex_search(r.out, m, printed)) return 0;
  std::uint64_t loaded = std::stoull(m[2], nullptr, 16);
  std::istringstream lines(RunTool({Env("OBJDUMP"), "-t", program}).out);
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_search(line, m, linked))
      return address - loaded + std::stoull(m[1], nullptr, 16);
  }
  return 0;
}

// The column llvm-symbolizer gives the instruction at address for
// file:line; 0 where it gives none.
long SymbolizerColumn(const std::string& program, std::uint64_t address, const std::string& file,
                      long line) {
  std::string out =
      RunTool({Env("LLVM_SYMBOLIZER"), "--obj=" + program, line_diff::Hex(address)}).out;
  std::regex position(std::regex_replace(file, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)") +
                      ":" + std::to_string(line) + R"(:(\d+))");
  std::smatch m;
  return std::regex_search(out, m, position) ? std::stol(m[1]) : 0;
}

// The snippet under the marked frame line: the location, the line and the
// caret under the column's byte.
void CheckSnippet(const Frame& frame, const std::string& path, long line, bool columns) {
  std::string location = "      --> " + frame.file + ":" + std::to_string(line), lines;
  for (const std::string& l : frame.snippet) lines += l + "\n";
  ASSERT_EQ(frame.snippet.size(), columns ? 3u : 2u) << lines;
  ASSERT_TRUE(frame.snippet[0].starts_with(location)) << lines;
  ASSERT_TRUE(frame.snippet[1].starts_with("      " + std::to_string(line) + " | ")) << lines;
  EXPECT_LE(frame.snippet[1].size(), 255u);
  if (!columns) {
    EXPECT_EQ(frame.snippet[0], location);
    return;
  }
  std::string text = SourceLine(path, line);
  std::size_t column = std::stoul(frame.snippet[0].substr(location.size() + 1));
  std::size_t caret = frame.snippet[2].find('^');
  ASSERT_TRUE(caret < frame.snippet[1].size() && column - 1 < text.size()) << lines;
  char under = text[column - 1];
  EXPECT_EQ(frame.snippet[1][caret], under == '\t' ? ' ' : under) << lines;
}

TEST(SnippetTest, TheProgramsOwnLineIsShownWithACaretUnderItsColumn) {
  std::string target = Env("QUIZ_TARGET");
  std::vector<Build> builds = {Build{"default", {}},
                               Build{"optimised", {"-DCMAKE_CXX_FLAGS=-O2 -g"}},
                               Build{"no-columns", {"-DCMAKE_CXX_FLAGS=-gno-column-info"}}};
  // On Windows, the sources named by a drive letter (and the compilation
  // directory with backslashes), as a compiler there names them.
  std::string folder = CopyProject(kFolder), drive = "Z:";
  if (target == "windows") {
    std::string windows = std::regex_replace(folder, std::regex("/"), R"(\\)");
    builds.push_back(
        {"drive-letter",
         {"-DCMAKE_CXX_FLAGS=-gdwarf-4 -ffile-prefix-map=" + folder + "=" + drive + windows}});
  }
  for (const Build& build : builds) {
    SCOPED_TRACE(build.name);
    std::string program = BuildProgram(kFolder, "snippets", build);
    bool columns = build.name != "no-columns";
    std::string named = build.name == "drive-letter" ? drive : "";
    for (const Case& c : kCases) {
      SCOPED_TRACE(std::string(c.mode) + " " + std::to_string(c.change));
      std::string path = SourceCopy(kFolder, c.file);
      long line = LineOf(path, c.mark);
      std::filesystem::path moved = path + ".moved";
      auto written = std::filesystem::last_write_time(path);
      if (c.change == kMissing) std::filesystem::rename(path, moved);
      if (c.change == kNewer)
        std::filesystem::last_write_time(path, written + std::chrono::hours(1));
      Launch run;
      run.program = program;
      run.wrapper = {"env", std::string("SNIPPET=") + c.mode};
      Outcome r = Execute(run);
      if (c.change == kMissing) std::filesystem::rename(moved, path);
      std::filesystem::last_write_time(path, written);
      std::size_t start = r.err.find("Runtime error ");
      ASSERT_NE(start, std::string::npos) << r.err;
      Report report;
      ASSERT_TRUE(IsReport(std::string_view(r.err).substr(start), report)) << r.err;
      report.frames.insert(report.frames.begin(), report.own);
      const Frame* marked = nullptr;
      int snippets = 0;
      for (const Frame& frame : report.frames) {
        if (marked == nullptr && frame.file == named + path && frame.line == line) marked = &frame;
        snippets += frame.snippet.empty() ? 0 : 1;
      }
      ASSERT_NE(marked, nullptr) << r.err;
      EXPECT_EQ(snippets, c.shown ? 1 : 0) << r.err;
      if (!c.shown) continue;
      CheckSnippet(*marked, path, line, columns);
      if (target.empty() && columns && !Env("LLVM_SYMBOLIZER").empty()) {
        // A fault's own line is its instruction's; every other line is a
        // call's, the byte before its return address.
        bool at_fault = marked == &report.frames[0] && report.number == 216;
        std::uint64_t address = LinkAddress(program, r, marked->addr - (at_fault ? 0 : 1));
        std::string location = marked->snippet[0];
        EXPECT_EQ(location.substr(location.rfind(':') + 1),
                  std::to_string(SymbolizerColumn(program, address, path, line)))
            << r.err;
        // frameline shows the same lines for the same instruction.
        std::string lines =
            RunTool({Prefix() + "/bin/frameline", "-s", "-i", program, line_diff::Hex(address + 1)})
                .out;
        for (const std::string& snippet : marked->snippet)
          EXPECT_NE(lines.find(snippet + "\n"), std::string::npos) << lines;
      }
    }
  }
}

}  // namespace
