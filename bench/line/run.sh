#!/usr/bin/env bash
# Times frameline against addr2line, llvm-symbolizer and eu-addr2line: the
# same ten addresses of one large generated program (gen_program.sh), wall
# time from hyperfine and peak memory from /usr/bin/time. Then checks that
# frameline's lines agree with those of addr2line and llvm-symbolizer.
#
#   run.sh [--static]     --static also times a statically linked frameline
#
# BUILD_DIR (default <repo>/build-bench) holds frameline and the program;
# RUNS (default 20) timed runs per command. Exit status 1 when lines differ.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$repo/build-bench}
runs=${RUNS:-20}
out=$build/line-bench

for tool in hyperfine:hyperfine eu-addr2line:elfutils addr2line:binutils \
  llvm-symbolizer:llvm nm:binutils; do
  if ! command -v "${tool%%:*}" >/dev/null; then
    echo "run.sh: ${tool%%:*} is missing (apt-get install -y ${tool#*:})" >&2
    exit 2
  fi
done
if [[ ! -x /usr/bin/time ]]; then
  echo "run.sh: /usr/bin/time is missing (apt-get install -y time)" >&2
  exit 2
fi

build_frameline() {  # build dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S "$repo" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" --target frameline >/dev/null
}
build_frameline "$build"
frameline=$build/frameline
if [[ ${1:-} == --static ]]; then
  build_frameline "$repo/build-bench-static" -DCMAKE_EXE_LINKER_FLAGS=-static \
    -DQUIZ_BUILD_TESTS=OFF -DQUIZ_BUILD_BENCH=OFF
fi

"$here/gen_program.sh" "$out"
prog=$out/prog
# A tiny program, for the baseline of a process that looks up one line.
printf 'int main() {\n  return 0;\n}\n' >"$out/tiny.cpp"
g++ -O2 -g "$out/tiny.cpp" -o "$out/tiny"
tiny_main=$(nm "$out/tiny" | awk '$3 == "main" { print $1 }')
tiny_addr=$(printf '0x%x' $((0x$tiny_main + 1)))

# Ten generated functions spread evenly over the program, taken in a mixed
# order; each address lies in the middle of its function.
mapfile -t funcs < <(nm -nS --defined-only "$prog" |
  awk '$4 ~ /^_Z[0-9]+u[0-9]+_f[0-9]+ii$/ { print $1, $2 }')
n=${#funcs[@]}
addrs=()
before=()  # each address less one: the other tools' view of a return address
for i in 7 2 9 0 5 3 8 1 6 4; do
  read -r start size <<<"${funcs[i * (n - 1) / 9]}"
  a=$((0x$start + 0x$size / 2))
  addrs+=("$(printf '0x%x' "$a")")
  before+=("$(printf '0x%x' $((a - 1)))")
done

echo "program: $prog"
readelf -SW "$prog" | sed "s/^ *\[ *[0-9]*\] //" | while read -r name _ _ _ size _; do
  case $name in .text | .debug_info | .debug_line) echo "  $name: $((0x$size)) bytes" ;; esac
done
echo "addresses: ${addrs[*]}"
echo

names=(frameline addr2line llvm-symbolizer eu-addr2line "frameline (tiny program)")
commands=("$frameline $prog ${addrs[*]}"
  "addr2line -e $prog ${addrs[*]}"
  "llvm-symbolizer --obj=$prog ${addrs[*]}"
  "eu-addr2line -e $prog ${addrs[*]}"
  "$frameline $out/tiny $tiny_addr")
if [[ ${1:-} == --static ]]; then
  names+=("frameline static" "frameline static (tiny program)")
  commands+=("$repo/build-bench-static/frameline $prog ${addrs[*]}"
    "$repo/build-bench-static/frameline $out/tiny $tiny_addr")
fi

hyperfine_args=()
for i in "${!names[@]}"; do hyperfine_args+=(-n "${names[i]}" "${commands[i]}"); done
hyperfine -N --warmup 3 --runs "$runs" --style basic --export-csv "$out/times.csv" \
  "${hyperfine_args[@]}" >"$out/hyperfine.txt"

# Peak memory: the median max RSS of five runs. The commands hold no blanks
# but those between their words.
max_rss() {
  for _ in 1 2 3 4 5; do
    # shellcheck disable=SC2086
    /usr/bin/time -f %M -o "$out/rss" $1 >/dev/null
    cat "$out/rss"
  done | sort -n | sed -n 3p
}

echo "| tool | median wall ms | mean ± sd ms | max RSS KiB |"
echo "| --- | ---: | ---: | ---: |"
for i in "${!names[@]}"; do
  rss=$(max_rss "${commands[i]}")
  awk -F, -v row=$((i + 2)) -v name="${names[i]}" -v rss="$rss" 'NR == row {
    printf "| %s | %.1f | %.1f ± %.1f | %d |\n", name, $4 * 1000, $2 * 1000, $3 * 1000, rss }' \
    "$out/times.csv"
done
echo

# Lines: frameline at each address against the others just below it.
"$frameline" "$prog" "${addrs[@]}" |
  sed -E 's/^  \$[0-9A-F]{16}( line ([0-9]+) of (.*))?$/\3:\2/' >"$out/frameline.txt"
addr2line -e "$prog" "${before[@]}" | sed -E 's/ \(discriminator [0-9]+\)$//' >"$out/addr2line.txt"
llvm-symbolizer --obj="$prog" --no-inlines --functions=none --output-style=GNU "${before[@]}" \
  >"$out/llvm-symbolizer.txt"
printf '%s\n' "${addrs[@]}" | paste - "$out/frameline.txt" "$out/addr2line.txt" \
  "$out/llvm-symbolizer.txt" | awk -F'\t' '
  # Same line, and the other tool names the same file (maybe with a directory).
  function agree(mine, other, m, o) {
    split(mine, m, ":"); split(other, o, ":")
    return m[2] != "" && m[2] == o[2] && (o[1] == m[1] || substr(o[1], length(o[1]) - length(m[1])) == "/" m[1])
  }
  { ok = agree($2, $3) && agree($2, $4); bad += !ok
    if (ok) printf "%-10s %-24s agrees with addr2line and llvm-symbolizer\n", $1, $2
    else printf "%-10s %-24s DIFFERS: addr2line %s, llvm-symbolizer %s\n", $1, $2, $3, $4 }
  END { printf "%d of %d addresses differ\n", bad, NR; exit bad != 0 }'
