// frameline against llvm-symbolizer on a binary's own code addresses: where
// llvm-symbolizer has a position for the byte before an address (the call
// a return address comes from), frameline must have the same one. Only the
// first address of a sequence may differ, where the lookup rule names the
// row before it: function starts, which every sequence start is, are left
// out of the sample.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "process_runner.h"

namespace line_diff {

// A position as both tools can be compared on: the file's last name and the
// line; empty where a tool has none.
inline std::string Position(const std::string& file, long line) {
  if (line <= 0 || file.empty() || file == "??") return "";
  return file.substr(file.find_last_of('/') + 1) + ":" + std::to_string(line);
}

// About `wanted` code addresses of the binary, evenly spread, none of them
// the first byte of a function.
inline std::vector<std::uint64_t> SampleCode(const std::string& binary, std::size_t wanted) {
  e2e::Outcome dump = e2e::RunTool({e2e::Env("OBJDUMP"), "-d", "--no-show-raw-insn", binary});
  static const std::regex instruction(R"(^ +([0-9a-f]+):\t)"), label(R"(^([0-9a-f]+) <)");
  std::vector<std::uint64_t> all;
  std::set<std::uint64_t> starts;
  std::istringstream lines(dump.out);
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (std::regex_search(line, m, label))
      starts.insert(std::stoull(m[1], nullptr, 16));
    else if (std::regex_search(line, m, instruction))
      all.push_back(std::stoull(m[1], nullptr, 16));
  }
  std::vector<std::uint64_t> sample;
  std::size_t step = all.size() / wanted + 1;
  for (std::size_t i = step / 2; i < all.size(); i += step) {
    if (starts.count(all[i]) == 0) sample.push_back(all[i]);
  }
  return sample;
}

inline std::string Hex(std::uint64_t a) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llx", static_cast<unsigned long long>(a));
  return text;
}

// Compares the two tools over a sample; the number of addresses at which
// llvm-symbolizer has a position.
inline int ExpectSymbolizerAgrees(const std::string& binary, std::size_t wanted = 300) {
  std::vector<std::uint64_t> sample = SampleCode(binary, wanted);
  std::vector<std::string> ours = {e2e::Env("FRAMELINE"), binary},
                           theirs = {e2e::Env("LLVM_SYMBOLIZER"), "--no-inlines",
                                     "--functions=none", "--obj=" + binary};
  for (std::uint64_t a : sample) {
    ours.push_back(Hex(a));
    theirs.push_back(Hex(a - 1));
  }
  std::istringstream our_lines(e2e::RunTool(ours).out), their_lines(e2e::RunTool(theirs).out);
  static const std::regex our_position(R"( line (-?\d+) of (.*)$)"),
      their_position(R"(^(.*?):(\d+)(:\d+)?$)");
  int positions = 0, missing = 0, differing = 0;
  for (std::uint64_t a : sample) {
    std::string mine, other, blank;
    std::getline(our_lines, mine);
    std::getline(their_lines, other);
    std::getline(their_lines, blank);  // each answer ends with an empty line
    std::smatch m;
    std::string p = std::regex_search(mine, m, our_position) ? Position(m[2], std::stol(m[1])) : "";
    std::string q =
        std::regex_match(other, m, their_position) ? Position(m[1], std::stol(m[2])) : "";
    if (q.empty()) continue;
    ++positions;
    if (p.empty() && ++missing <= 5)
      ADD_FAILURE() << binary << " " << Hex(a) << ": no position, llvm-symbolizer " << q;
    // A frame line is cut at 255 bytes, and a long name with it.
    bool cut = mine.size() == 255 && p.substr(p.rfind(':')) == q.substr(q.rfind(':')) &&
               q.starts_with(p.substr(0, p.rfind(':')));
    if (!p.empty() && p != q && !cut && ++differing <= 5)
      ADD_FAILURE() << binary << " " << Hex(a) << ": " << p << ", llvm-symbolizer " << q;
  }
  EXPECT_EQ(missing, 0) << "of " << positions << " positions";
  EXPECT_EQ(differing, 0) << "of " << positions << " positions";
  return positions;
}

// A function's name as both tools can be compared on: llvm-symbolizer's
// without its parameter list, qualifiers and return type.
inline std::string BareName(std::string name) {
  for (const char* tail : {" const", " volatile", " &&", " &"}) {
    if (name.ends_with(tail)) name.resize(name.size() - std::strlen(tail));
  }
  if (name.ends_with(')')) {
    int depth = 0;
    for (std::size_t i = name.size(); i-- > 0;) {
      depth += name[i] == ')' ? 1 : name[i] == '(' ? -1 : 0;
      if (depth == 0) {
        // "operator()" alone is a name, not a name and its parameters.
        if (i > 0 && !std::string_view(name).substr(0, i).ends_with("operator")) name.resize(i);
        break;
      }
    }
  }
  int depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    depth += c == '<' || c == '(' ? 1 : c == '>' || c == ')' ? -1 : 0;
    if (c == ' ' && depth == 0 && !std::string_view(name).substr(0, i).ends_with("operator"))
      start = i + 1;
  }
  return name.substr(start);
}

// Whether frameline's name is llvm-symbolizer's: the same bare name, or the
// same qualified by the scopes llvm-symbolizer leaves out of a name that
// has no linkage name (a static function, a lambda's call).
// The outermost frame's name llvm-symbolizer takes from the symbol table,
// with the suffix of the part of the function it is in.
inline std::string WithoutPart(const std::string& name) {
  static const std::regex part(R"(( \(\.[a-z0-9_.]+\))+$|\.(cold|part\.\d+)$)");
  return std::regex_replace(name, part, "");
}

// The two demanglers spell a lambda apart: "{lambda(auto:1&&)#1}" is
// "'lambda'(auto&&)" to llvm-symbolizer.
inline std::string LambdaSpelling(const std::string& name) {
  static const std::regex numbered(R"(\{lambda\(([^{}]*?)\)#\d+\})"), automatic(R"(auto:\d+)");
  return std::regex_replace(std::regex_replace(name, numbered, "'lambda'($1)"), automatic, "auto");
}

// The C library gives a function several names, for its own calls and for
// others': "__GI___sigaction", "__sigaction" and "sigaction" are one.
inline std::string CLibraryName(std::string name) {
  if (name.find_first_of(":<( ") != std::string::npos) return "";
  if (name.starts_with("__GI_")) name.erase(0, 5);
  name.erase(0, name.find_first_not_of('_'));
  return name;
}

// A name with no template arguments: "std::vector::at" for
// "std::vector<int>::at".
inline std::string WithoutArguments(const std::string& name) {
  std::string flat;
  int depth = 0;
  for (char c : name) {
    if (c == '<' && !std::string_view(flat).ends_with("operator")) ++depth;
    if (depth == 0) flat += c;
    if (c == '>' && depth > 0) --depth;
  }
  return flat;
}

inline bool SameFunction(const std::string& frameline_name, std::string theirs) {
  // A name longer than a frame line holds is cut.
  bool cut = frameline_name.size() == 255;
  std::string ours = LambdaSpelling(frameline_name);
  std::string bare = LambdaSpelling(BareName(WithoutPart(theirs)));
  if (ours == bare || (ours == "??" && bare == "??")) return true;
  if (!CLibraryName(ours).empty() && CLibraryName(ours) == CLibraryName(bare)) return true;
  if (cut && bare.starts_with(ours)) return true;
  if (ours.ends_with("::" + bare)) return true;
  if (bare.find("'lambda'") == std::string::npos) return false;
  // Template arguments naming a lambda the tools spell apart (one gives the
  // return type of the function around it, the other not).
  return bare.ends_with(ours) || WithoutArguments(ours) == WithoutArguments(bare);
}

// A name's last part with no template arguments: "at" for
// "std::vector<int>::at", where the tools spell the arguments of the
// templates around it each their own way (lambdas most of all).
inline std::string LastPart(const std::string& name) {
  std::string flat = WithoutArguments(name);
  std::size_t colons = flat.rfind("::");
  return colons == std::string::npos ? flat : flat.substr(colons + 2);
}

// One frame of a chain: the function and the position.
struct ChainFrame {
  std::string function, position;
  bool cut = false;  // a frame line cut at 255 bytes, its file's name with it
};

// Whether frameline's position is llvm-symbolizer's, or its cut beginning.
inline bool SamePosition(const ChainFrame& ours, const std::string& theirs) {
  if (theirs.empty() || ours.position == theirs) return true;
  std::size_t colon = ours.position.rfind(':');
  return ours.cut && colon != std::string::npos && theirs.ends_with(ours.position.substr(colon)) &&
         theirs.starts_with(ours.position.substr(0, colon));
}

// frameline -f -i against llvm-symbolizer --inlines: for each sampled
// address, the same chain of inlined calls (positions) and the same
// functions. The number of addresses where llvm-symbolizer names a function.
// One answer of llvm-symbolizer --inlines: its frames up to the empty line.
inline std::vector<ChainFrame> ReadChain(std::istream& lines) {
  static const std::regex position(R"(^(.*?):(\d+)(:\d+)?$)");
  std::vector<ChainFrame> chain;
  std::smatch m;
  for (std::string function, place; std::getline(lines, function) && !function.empty();) {
    std::getline(lines, place);
    chain.push_back(
        {function, std::regex_match(place, m, position) ? Position(m[1], std::stol(m[2])) : ""});
  }
  return chain;
}

inline int ExpectInlinedCallsAgree(const std::string& binary, std::size_t wanted = 200) {
  std::vector<std::uint64_t> sample = SampleCode(binary, wanted);
  // llvm-symbolizer names the outermost function after the symbol table,
  // which may hold several names for it; its short names are those of the
  // functions' entries, which frameline names it after.
  std::vector<std::string> ours = {e2e::Env("FRAMELINE"), "-f", "-i", binary},
                           theirs = {e2e::Env("LLVM_SYMBOLIZER"), "--inlines", "--obj=" + binary};
  for (std::uint64_t a : sample) {
    ours.push_back(Hex(a));
    theirs.push_back(Hex(a - 1));
  }
  std::istringstream our_lines(e2e::RunTool(ours).out), their_lines(e2e::RunTool(theirs).out);
  theirs.insert(theirs.begin() + 2, "--functions=short");
  std::istringstream their_short_lines(e2e::RunTool(theirs).out);
  static const std::regex our_frame(R"(^  \$([0-9A-F]{16})( line (-?\d+))?( of (.*))?$)");
  std::string name, frame;
  std::getline(our_lines, name);
  std::getline(our_lines, frame);
  int named = 0, differing = 0, loosely = 0;
  for (std::uint64_t a : sample) {
    std::vector<ChainFrame> mine, other;
    std::smatch m;
    while (std::regex_match(frame, m, our_frame) && std::stoull(m[1], nullptr, 16) == a) {
      mine.push_back(
          {name, m[3].matched ? Position(m[5], std::stol(m[3])) : "", frame.size() == 255});
      // At the end of the output the last frame must not be read again.
      if (!std::getline(our_lines, name) || !std::getline(our_lines, frame)) frame.clear();
    }
    other = ReadChain(their_lines);
    std::vector<ChainFrame> other_short = ReadChain(their_short_lines);
    // Code that only the symbol table names (a start-up routine of the C
    // library's) is another reader's to name.
    if (other.empty() || other[0].function == "??" || other.back().position.empty()) continue;
    ++named;
    bool same = mine.size() == other.size(), loose = false;
    for (std::size_t i = 0; same && i < mine.size(); ++i) {
      same = SamePosition(mine[i], other[i].position);
      bool outermost = i + 1 == mine.size() && other_short.size() == other.size();
      if (same && outermost && SameFunction(mine[i].function, other_short[i].function)) continue;
      // A name llvm-symbolizer cannot demangle it leaves as it is.
      if (same && other[i].function.starts_with("_Z")) continue;
      if (same && !SameFunction(mine[i].function, other[i].function)) {
        loose = true;
        same = LastPart(mine[i].function) == LastPart(BareName(WithoutPart(other[i].function)));
      }
    }
    loosely += same && loose;
    if (!same && ++differing <= 5 && std::getenv("QUIZ_SHOW_DIFFERENCES") != nullptr) {
      std::ostringstream text;
      for (const ChainFrame& f : mine) text << "\n  ours:   " << f.function << " " << f.position;
      for (const ChainFrame& f : other) text << "\n  theirs: " << f.function << " " << f.position;
      ADD_FAILURE() << binary << " " << Hex(a) << text.str();
    }
  }
  // The C++ library's templates that construct through lambdas give chains
  // whose names the two tools still spell apart at a few addresses.
  EXPECT_LE(differing * 50, named)
      << differing << " of " << named << " addresses with a function differ";
  // Names that agree only in their last part are few.
  EXPECT_LE(loosely * 10, named) << loosely << " of " << named << " agree in their last part only";
  return named;
}

}  // namespace line_diff
