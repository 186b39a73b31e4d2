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
#include <regex>
#include <set>
#include <sstream>
#include <string>
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

}  // namespace line_diff
