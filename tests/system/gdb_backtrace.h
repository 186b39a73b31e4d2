// gdb's view of a run: it stops the program at a signal, before the
// program's handler, prints the pc and the backtrace, and lets the signal
// through, so that the program's own report of the same run follows.
#pragma once

#include <cstdint>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.h"

namespace e2e {

// Runs program under gdb, stopping at each of signals.
inline Outcome RunUnderGdb(const std::vector<std::string>& args,
                           const std::vector<std::string>& signals,
                           const std::vector<std::string>& env = {}) {
  std::vector<std::string> command = {"env"};
  command.insert(command.end(), env.begin(), env.end());
  command.insert(command.end(),
                 {Env("GDB"), "-batch", "-nx", "-iex", "set debuginfod enabled off"});
  for (const std::string& signal : signals) {
    command.insert(command.end(), {"-ex", "handle " + signal + " stop print pass"});
  }
  command.insert(command.end(), {"-ex", "run", "-ex", "printf \"pc %#lx\\n\", $pc", "-ex", "bt 40",
                                 "-ex", "continue", "--args"});
  command.insert(command.end(), args.begin(), args.end());
  return RunCommand(command);
}

// The pc where gdb stopped, then one pc per frame of its backtrace,
// innermost first. A frame line without an address is of a function
// inlined into the frame above it, which shares its pc; #0 prints none
// where the pc begins a line.
inline std::vector<std::uint64_t> GdbFrames(const std::string& out) {
  static const std::regex pc(R"(^pc (0x[0-9a-f]+|0)$)");
  static const std::regex frame(R"(^#([0-9]+) +(0x[0-9a-f]+) in )");
  std::vector<std::uint64_t> pcs;
  std::istringstream lines(out);
  std::smatch m;
  for (std::string line; std::getline(lines, line);) {
    if (pcs.empty() && std::regex_search(line, m, pc)) {
      pcs.push_back(std::stoull(m[1].str(), nullptr, 16));
    } else if (!pcs.empty() && std::regex_search(line, m, frame) && m[1] != "0") {
      pcs.push_back(std::stoull(m[2].str(), nullptr, 16));
    }
  }
  return pcs;
}

}  // namespace e2e
