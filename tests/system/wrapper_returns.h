// Where a run put the quiz program: the returns into its process entry's
// wrapper at the addresses it was linked for, and how far a run's return
// lies from them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.h"

namespace e2e {

// The instruction after each call in the process entry's wrapper of exe, a
// program that keeps its symbols, at the addresses it was linked for.
inline std::vector<std::uint64_t> WrapperReturns(const std::string& exe) {
  std::vector<std::uint64_t> found;
  std::istringstream in(RunTool({Env("OBJDUMP"), "-d", "--no-show-raw-insn", exe}).out);
  bool inside = false, after_call = false;
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with("<main_wrapper>:")) {
      inside = true;
    } else if (inside) {
      std::size_t colon = line.find(":\t");
      if (colon == std::string::npos) break;
      if (after_call) found.push_back(std::stoull(line.substr(0, colon), nullptr, 16));
      // x86-64 calls with call, aarch64 with bl and blr.
      std::string mnemonic =
          line.substr(colon + 2, line.find_first_of(" \t", colon + 2) - colon - 2);
      after_call = mnemonic == "call" || mnemonic == "bl" || mnemonic == "blr";
    }
  }
  EXPECT_FALSE(found.empty()) << "no call in main_wrapper";
  return found;
}

// How far the program was loaded from where it was linked: the run's
// return into the wrapper lies a whole number of pages from the linked one.
inline std::uint64_t LoadDelta(const std::vector<std::uint64_t>& returns,
                               std::uint64_t wrapper_return) {
  std::vector<std::uint64_t> deltas;
  for (std::uint64_t linked : returns)
    if (((wrapper_return - linked) & 0xFFF) == 0) deltas.push_back(wrapper_return - linked);
  EXPECT_EQ(deltas.size(), 1u) << std::hex << wrapper_return << " is no return into main_wrapper";
  return deltas.empty() ? 0 : deltas[0];
}

}  // namespace e2e
