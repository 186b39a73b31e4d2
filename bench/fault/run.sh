#!/usr/bin/env bash
# What a fault costs a large program: a generated program of about 100 MB
# (gen_program.sh: 160 units whose functions use the inline functions of
# one header, debug information in every unit), linked with
# QuizRuntime::report from a scratch install of this build, that writes
# through a null pointer 30 calls deep in one unit when given an argument,
# and ends normally without one. Measures
#   - start to exit: the median wall time from hyperfine of both runs, and the
#     difference, the time the report takes;
#   - peak memory: the median of the runs' maximum resident set size, and
#     the difference, the memory the report takes.
# Checks that the report names the function of the fault. Exit status 1
# when the report takes more than 20 ms or 8 MiB.
#
#   run.sh
#
# BUILD_DIR (default <repo>/build-bench) is the build installed; RUNS
# (default 20) timed runs of each; MEMORY_RUNS (default 5) runs for memory;
# UNITS, FUNCS and DEPTH are gen_program.sh's sizes.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$repo/build-bench}
runs=${RUNS:-20}
memory_runs=${MEMORY_RUNS:-5}
units=${UNITS:-160}
funcs=${FUNCS:-30}
depth=${DEPTH:-30}
out=$build/fault-bench
max_time_ms=20
max_memory_kib=8192

source "$here/../common.sh"
require_tools hyperfine:hyperfine cmake:cmake python3:python3

install_runtime "$repo" "$build" "$out/prefix"

"$here/gen_program.sh" "$out" "$units" "$funcs" "$depth"
# The flags the runtime gives its programs; the program's sources, once
# built, are kept, and it is linked again with the runtime as installed.
echo "building the program in $out/build ..." >&2
cmake -S "$out/src" -B "$out/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_PREFIX_PATH="$out/prefix" >/dev/null
cmake --build "$out/build" >/dev/null
program=$out/build/tally

status=0
"$program" fault 2>"$out/report.txt" >/dev/null || status=$?
if ! grep -q "^Runtime error 216 " "$out/report.txt" || ! grep -qE " in Step$((depth - 1))\s*$" "$out/report.txt"; then
  echo "run.sh: the fault's report (status $status) does not name Step$((depth - 1)):" >&2
  cat "$out/report.txt" >&2
  exit 2
fi

hyperfine -N -i --warmup 3 --runs "$runs" --export-json "$out/times.json" \
  -n "ends normally" "$program" -n "faults" "$program fault" >"$out/hyperfine.txt"
read -r time_normal time_fault < <(python3 - "$out/times.json" <<'PY'
import json, sys
medians = {r["command"]: r["median"] * 1000 for r in json.load(open(sys.argv[1]))["results"]}
print("%.2f %.2f" % (medians["ends normally"], medians["faults"]))
PY
)

peak_memory() {  # program arguments...: the median of the runs' peak memory in KiB
  for ((i = 0; i < memory_runs; ++i)); do
    /usr/bin/time -f %M -o "$out/rss" "$@" >/dev/null 2>&1 || true
    tail -n 1 "$out/rss"
  done | sort -n | sed -n "$(((memory_runs + 1) / 2))p"
}
memory_normal=$(peak_memory "$program")
memory_fault=$(peak_memory "$program" fault)
time_report=$(awk "BEGIN { printf \"%.2f\", $time_fault - $time_normal }")
memory_report=$((memory_fault - memory_normal))

echo "program: $(stat -c %s "$program") bytes, $units units x $funcs functions, the fault $depth calls deep"
echo
printf '| | ends normally | faults | difference (the report) | target |\n'
printf '|---|---:|---:|---:|---:|\n'
printf '| start to exit, median | %.2f ms | %.2f ms | %+.2f ms | %s ms |\n' "$time_normal" "$time_fault" \
  "$time_report" "$max_time_ms"
printf '| peak memory, median | %d KiB | %d KiB | %+d KiB | %d KiB |\n' "$memory_normal" "$memory_fault" \
  "$memory_report" "$max_memory_kib"
echo
echo "the report: $out/report.txt; hyperfine: $out/hyperfine.txt"

over=0
if awk "BEGIN { exit !($time_report > $max_time_ms) }"; then over=1; fi
if ((memory_report > max_memory_kib)); then over=1; fi
exit $over
