#!/usr/bin/env bash
# Writes the sources of a large C++ program under OUT_DIR/src, as a CMake
# project that links QuizRuntime::report: UNITS translation units of FUNCS
# functions each, every function using the inline functions of one header
# over std::vector, std::string and std::map (each unit carries their debug
# information again, as the units of a real program do), and a chain of
# DEPTH calls in the middle unit whose last one writes through a pointer
# that is null when the program is given an argument. The default sizes make
# a program of about 100 MB.
#
#   gen_program.sh OUT_DIR [UNITS=160] [FUNCS=30] [DEPTH=30]
#
# A source that is already as it would be written is left alone, so that
# only what changed is built again.
set -euo pipefail

out=${1:?usage: gen_program.sh OUT_DIR [UNITS] [FUNCS] [DEPTH]}
units=${2:-160}
funcs=${3:-30}
depth=${4:-30}
stamp="$units units x $funcs functions, a chain of $depth calls"
src=$out/src
faulting=$((units / 2))

if [[ -f $src/stamp && $(<"$src/stamp") == "$stamp" ]]; then
  exit 0
fi
mkdir -p "$src"

put() {  # file: standard input, where it differs from what the file holds
  cat >"$1.new"
  if cmp -s "$1.new" "$1"; then rm "$1.new"; else mv "$1.new" "$1"; fi
}

put "$src/tally.h" <<'HEADER'
#pragma once
#include <algorithm>
#include <map>
#include <numeric>
#include <string>
#include <vector>

inline std::string Label(int n) { return "item " + std::to_string(n); }

inline int Total(const std::vector<int>& v) { return std::accumulate(v.begin(), v.end(), 0); }

inline std::map<std::string, int> Tally(const std::vector<std::string>& words) {
  std::map<std::string, int> tally;
  for (const std::string& word : words) ++tally[word];
  return tally;
}

template <typename T>
T Largest(const std::vector<T>& v) {
  return v.empty() ? T() : *std::max_element(v.begin(), v.end());
}

int Chain(int* target, int value);
HEADER

# One unit: distinct constants keep the compiler from folding the bodies.
write_unit() {
  local u=$1 f
  printf '#include "tally.h"\n'
  for ((f = 0; f < funcs; ++f)); do
    printf '\nint u%d_f%d(int a) {\n  std::vector<int> v(a & 15, %d);\n  std::vector<std::string> words;\n  for (int i = 0; i < (a & 7); ++i) words.push_back(Label(i + %d));\n  std::map<std::string, int> tally = Tally(words);\n  return Total(v) + static_cast<int>(tally.size()) + Largest(v);\n}\n' \
      "$u" "$f" $(((u * funcs + f) % 97 + 3)) "$f"
  done
}

# The chain: each step a frame of its own, the last one the fault.
write_chain() {
  local s
  printf '\n[[gnu::noinline]] int Step%d(int* target, int value) {\n  *target = value;\n  return value + *target;\n}\n' $((depth - 1))
  for ((s = depth - 2; s >= 0; --s)); do
    printf '\n[[gnu::noinline]] int Step%d(int* target, int value) {\n  return Step%d(target, value + %d) + Total({value, %d});\n}\n' \
      "$s" $((s + 1)) "$s" "$s"
  done
  printf '\nint Chain(int* target, int value) { return Step0(target, value); }\n'
}

for ((u = 0; u < units; ++u)); do
  if ((u == faulting)); then
    { write_unit "$u" && write_chain; } | put "$src/unit$u.cpp"
  else
    write_unit "$u" | put "$src/unit$u.cpp"
  fi
done
put "$src/main.cpp" <<'MAIN'
#include <iostream>

#include "tally.h"

int u0_f0(int a);

int main(int argc, char**) {
  int box = 0;
  int* target = argc > 1 ? nullptr : &box;
  int result = Chain(target, argc) + u0_f0(argc);
  std::cout << result % 10 << "\n";
}
MAIN
{
  printf 'cmake_minimum_required(VERSION 3.25)\nproject(tally LANGUAGES CXX)\n'
  printf 'find_package(QuizRuntime CONFIG REQUIRED)\nadd_executable(tally main.cpp'
  for ((u = 0; u < units; ++u)); do printf ' unit%d.cpp' "$u"; done
  printf ')\ntarget_link_libraries(tally PRIVATE QuizRuntime::report)\n'
} | put "$src/CMakeLists.txt"
echo "$stamp" >"$src/stamp"
