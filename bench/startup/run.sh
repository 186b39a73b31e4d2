#!/usr/bin/env bash
# What the runtime costs a program that never fails: one small C++ program
# (a header of inline functions used by two units, output through
# std::cout) built the same way twice, without the runtime and linked with
# QuizRuntime::report from a scratch install of this build, then
#   - start-up to exit: wall time from hyperfine, and the difference;
#   - peak memory (the median of the runs' maximum resident set size);
#   - system calls (strace -c, where strace is installed) and file size.
# Exit status 1 when the runtime costs more than 0.3 ms or 128 KiB.
#
#   run.sh
#
# BUILD_DIR (default <repo>/build-bench) is the build installed; ROUNDS
# (default 7) rounds of RUNS (default 100) timed runs per program, the
# median round counting; MEMORY_RUNS (default 31) runs for memory.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$repo/build-bench}
runs=${RUNS:-100}
rounds=${ROUNDS:-7}
memory_runs=${MEMORY_RUNS:-31}
out=$build/startup-bench
max_time_ms=0.3
max_memory_kib=128

source "$here/../common.sh"
require_tools hyperfine:hyperfine cmake:cmake

rm -rf "$out"
mkdir -p "$out/src"
install_runtime "$repo" "$build" "$out/prefix"

cat >"$out/src/grades.h" <<'EOF'
#pragma once
#include <string>
#include <vector>

inline int Sum(const std::vector<int>& marks) {
  int sum = 0;
  for (int mark : marks) sum += mark;
  return sum;
}

inline std::string Grade(int average) {
  return average >= 50 ? "passed" : "not passed";
}

std::vector<int> ReadMarks();
EOF
cat >"$out/src/marks.cpp" <<'EOF'
#include "grades.h"

std::vector<int> ReadMarks() {
  std::vector<int> marks = {48, 67, 71, 55};
  if (Sum(marks) < 0) marks.clear();
  return marks;
}
EOF
cat >"$out/src/main.cpp" <<'EOF'
#include <iostream>

#include "grades.h"

int main() {
  std::vector<int> marks = ReadMarks();
  int average = Sum(marks) / static_cast<int>(marks.size());
  std::cout << "Average " << average << ": " << Grade(average) << "\n";
}
EOF
cat >"$out/src/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(marks LANGUAGES CXX)
find_package(QuizRuntime CONFIG REQUIRED)
add_executable(plain main.cpp marks.cpp)
add_executable(with_runtime main.cpp marks.cpp)
target_link_libraries(with_runtime PRIVATE QuizRuntime::report)
EOF
# The same flags for both: those the runtime gives its programs.
cmake -S "$out/src" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_PREFIX_PATH="$out/prefix" >/dev/null
cmake --build "$out/build" >/dev/null
plain=$out/build/plain
with=$out/build/with_runtime

read -r time_plain time_with < <(alternating_rounds "$out" "$rounds" "$runs" 20 "$plain" "$with" 0)

peak_memory() {  # program: the median of the runs' peak memory in KiB
  for ((i = 0; i < memory_runs; ++i)); do
    /usr/bin/time -f %M "$1" 2>&1 >/dev/null | tail -n 1
  done | sort -n | sed -n "$(((memory_runs + 1) / 2))p"
}
memory_plain=$(peak_memory "$plain")
memory_with=$(peak_memory "$with")

system_calls() {  # program
  if command -v strace >/dev/null; then
    strace -f -c -o "$out/strace.txt" "$1" >/dev/null
    awk '$NF == "total" { print $4 }' "$out/strace.txt"
  else
    echo "-"
  fi
}

printf '| | without the runtime | with it | difference | target |\n'
printf '|---|---:|---:|---:|---:|\n'
printf '| start to exit, median round | %.3f ms | %.3f ms | %+.3f ms | %s ms |\n' "$time_plain" "$time_with" \
  "$(awk "BEGIN { print $time_with - $time_plain }")" "$max_time_ms"
printf '| peak memory, median | %d KiB | %d KiB | %+d KiB | %d KiB |\n' "$memory_plain" "$memory_with" \
  $((memory_with - memory_plain)) "$max_memory_kib"
printf '| system calls | %s | %s | | |\n' "$(system_calls "$plain")" "$(system_calls "$with")"
printf '| file size | %d bytes | %d bytes | | |\n' "$(stat -c %s "$plain")" "$(stat -c %s "$with")"
echo
echo "hyperfine: $out/hyperfine.txt"

over=0
if awk "BEGIN { exit !($time_with - $time_plain > $max_time_ms) }"; then over=1; fi
if ((memory_with - memory_plain > max_memory_kib)); then over=1; fi
exit $over
