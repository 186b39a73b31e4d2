#!/usr/bin/env bash
# What the runtime costs a program that throws: a program that throws and
# catches 1,000,000 exceptions, each 10 frames deep, built the same way
# twice, without the runtime and linked with QuizRuntime::report from a
# scratch install of this build (which keeps a few return addresses of
# every throw). Exit status 1 when the runtime makes it more than 10 %
# slower.
#
#   run.sh
#
# BUILD_DIR (default <repo>/build-bench) is the build installed; BUILD_TYPE
# (default none, a beginner's build, whose frame records the runtime
# follows) the program's; ROUNDS (default 5) rounds of RUNS (default 3)
# timed runs per program, the median round counting.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$repo/build-bench}
build_type=${BUILD_TYPE:-}
runs=${RUNS:-3}
rounds=${ROUNDS:-5}
out=$build/throw-bench
max_percent=10

source "$here/../common.sh"
require_tools hyperfine:hyperfine cmake:cmake

rm -rf "$out"
mkdir -p "$out/src"
install_runtime "$repo" "$build" "$out/prefix"

cat >"$out/src/throws.cpp" <<'EOF'
#include <iostream>
#include <stdexcept>

// Each level a frame of its own.
[[gnu::noinline]] int Descend(int depth) {
  if (depth == 1) throw std::runtime_error("bottom");
  return Descend(depth - 1) + 1;
}

int main() {
  long caught = 0;
  for (int i = 0; i < 1000000; ++i) {
    try {
      Descend(10);
    } catch (const std::exception&) {
      ++caught;
    }
  }
  std::cout << caught << "\n";
}
EOF
cat >"$out/src/CMakeLists.txt" <<'EOF'
cmake_minimum_required(VERSION 3.25)
project(throws LANGUAGES CXX)
find_package(QuizRuntime CONFIG REQUIRED)
add_executable(plain throws.cpp)
add_executable(with_runtime throws.cpp)
target_link_libraries(with_runtime PRIVATE QuizRuntime::report)
# The same flags for both: those the runtime gives its programs.
target_compile_options(plain PRIVATE -g)
EOF
cmake -S "$out/src" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE="$build_type" \
  -DCMAKE_PREFIX_PATH="$out/prefix" >/dev/null
cmake --build "$out/build" >/dev/null
plain=$out/build/plain
with=$out/build/with_runtime

read -r time_plain time_with < <(alternating_rounds "$out" "$rounds" "$runs" 1 "$plain" "$with" 1)
percent=$(awk "BEGIN { printf \"%.1f\", ($time_with / $time_plain - 1) * 100 }")

printf '| | without the runtime | with it | difference | target |\n'
printf '|---|---:|---:|---:|---:|\n'
printf '| 1,000,000 throws, 10 frames deep, median round | %.1f ms | %.1f ms | %+.1f %% | %d %% |\n' \
  "$time_plain" "$time_with" "$percent" "$max_percent"
echo
echo "hyperfine: $out/hyperfine.txt"

awk "BEGIN { exit !($percent > $max_percent) }" && exit 1
exit 0
