#!/usr/bin/env bash
# Times frameline against addr2line, llvm-symbolizer and eu-addr2line on one
# large generated program (gen_program.sh): wall time from hyperfine and peak
# memory from /usr/bin/time, for
#   - ten addresses of the program as built;
#   - the same ten on copies whose debug sections objcopy compressed with zlib
#     and with zstd (a variant this objcopy cannot make is skipped);
#   - a thousand addresses of the program as built;
#   - the ten and the thousand with their functions and inlined calls
#     (frameline -f -i against the others' own options for them).
# A tool that cannot read a variant (it fails, or answers ?? for the
# addresses) shows "cannot read" instead of times. Then checks that
# frameline's lines agree with those of addr2line and llvm-symbolizer, and
# that frameline prints the same bytes for each compressed copy as for the
# program itself.
#
#   run.sh [--static] [--baseline REV]
#     --static          also times a statically linked frameline
#     --baseline REV    also times frameline as built from the revision REV
#
# BUILD_DIR (default <repo>/build-bench) holds frameline and the program;
# RUNS (default 20) timed runs per command for ten addresses, RUNS_MANY
# (default 5) for a thousand. Exit status 1 when lines differ.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${BUILD_DIR:-$repo/build-bench}
runs=${RUNS:-20}
runs_many=${RUNS_MANY:-5}
base_out=$build/line-bench

source "$here/../common.sh"
require_tools hyperfine:hyperfine eu-addr2line:elfutils addr2line:binutils \
  llvm-symbolizer:llvm nm:binutils objcopy:binutils readelf:binutils

build_frameline() {  # build dir, extra cmake arguments...
  local dir=$1
  shift
  cmake -S "$repo" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" --target frameline >/dev/null
}
static_wanted=false
baseline_rev=
while (($# > 0)); do
  case $1 in
    --static) static_wanted=true ;;
    --baseline)
      baseline_rev=${2:?run.sh: --baseline wants a revision}
      shift
      ;;
    *)
      echo "usage: run.sh [--static] [--baseline REV]" >&2
      exit 2
      ;;
  esac
  shift
done

build_frameline "$build"
frameline=$build/frameline
# frameline as built from another revision, from that revision's sources.
baseline=
if [[ -n $baseline_rev ]]; then
  rm -rf "$build/baseline-src"
  mkdir -p "$build/baseline-src"
  git -C "$repo" archive "$baseline_rev" | tar -x -C "$build/baseline-src"
  cmake -S "$build/baseline-src" -B "$build/baseline" -G Ninja -DQUIZ_BUILD_TESTS=OFF \
    -DQUIZ_BUILD_BENCH=OFF >/dev/null
  cmake --build "$build/baseline" --target frameline >/dev/null
  baseline=$build/baseline/frameline
fi
static=
if $static_wanted; then
  # zlib and libzstd as archives too: a static program cannot take the
  # shared ones.
  build_frameline "$repo/build-bench-static" -DCMAKE_EXE_LINKER_FLAGS=-static \
    -DZLIB_USE_STATIC_LIBS=ON -DZstd_USE_STATIC_LIBS=ON -DQUIZ_BUILD_TESTS=OFF -DQUIZ_BUILD_BENCH=OFF
  static=$repo/build-bench-static/frameline
fi

# Peak memory: the median max RSS of five runs. The commands hold no blanks
# but those between their words.
max_rss() {
  for _ in 1 2 3 4 5; do
    # shellcheck disable=SC2086
    /usr/bin/time -f %M -o "$out/rss" $1 >/dev/null 2>&1
    cat "$out/rss"
  done | sort -n | sed -n 3p
}

# How one run of a command went: "cannot read" when it failed or answered ??
# for an address (the peer tools say so on standard error yet exit 0);
# "plain" when frameline gave a plain line, naming no line; else "lines".
probe() {
  local status=0
  # shellcheck disable=SC2086
  $1 >"$out/probe.txt" 2>/dev/null || status=$?
  if ((status != 0)) || grep '^??' "$out/probe.txt" >/dev/null; then
    echo "cannot read"
  elif grep -E '^  \$[0-9A-F]{16}$' "$out/probe.txt" >/dev/null; then
    echo plain
  else
    echo lines
  fi
}

# Prints the table of the commands in names and commands under a heading,
# timing those that can read their file with hyperfine, runs times each.
table() {  # heading, runs, tag for the files under line-bench
  local heading=$1 count=$2 tag=$3 i row=2 rss
  local states=() args=()
  for i in "${!names[@]}"; do
    states+=("$(probe "${commands[i]}")")
    if [[ ${states[i]} != "cannot read" ]]; then
      args+=(-n "${names[i]}" "${commands[i]}")
    fi
  done
  if ((${#args[@]} > 0)); then
    hyperfine -N --warmup 3 --runs "$count" --style basic --export-csv "$out/times-$tag.csv" \
      "${args[@]}" >"$out/hyperfine-$tag.txt"
  fi
  echo "### $heading"
  echo
  echo "| tool | median wall ms | mean ± sd ms | max RSS KiB |"
  echo "| --- | ---: | ---: | ---: |"
  for i in "${!names[@]}"; do
    if [[ ${states[i]} == "cannot read" ]]; then
      echo "| ${names[i]} | cannot read | | |"
      continue
    fi
    rss=$(max_rss "${commands[i]}")
    awk -F, -v row=$row -v name="${names[i]}" -v rss="$rss" -v plain="${states[i]}" 'NR == row {
      if (plain == "plain") name = name " (plain lines, no line read)"
      printf "| %s | %.1f | %.1f ± %.1f | %d |\n", name, $4 * 1000, $2 * 1000, $3 * 1000, rss }' \
      "$out/times-$tag.csv"
    row=$((row + 1))
  done
  echo
}

# The same tools on each file; the tiny program only once, as a baseline.
tools_on() {  # file, addresses...
  local file=$1
  shift
  names=(frameline addr2line llvm-symbolizer eu-addr2line)
  commands=("$frameline $file $*" "addr2line -e $file $*" "llvm-symbolizer --obj=$file $*"
    "eu-addr2line -e $file $*")
  if [[ -n $baseline ]]; then
    names+=("frameline at $baseline_rev")
    commands+=("$baseline $file $*")
  fi
}

# The same with the functions and inlined calls of each address, against
# frameline's lines alone.
tools_with_calls_on() {  # file, addresses...
  local file=$1
  shift
  names=("frameline (lines alone)" "frameline -f -i" "addr2line -f -i" "llvm-symbolizer --inlines"
    "eu-addr2line -f -i")
  commands=("$frameline $file $*" "$frameline -f -i $file $*" "addr2line -f -i -e $file $*"
    "llvm-symbolizer --inlines --obj=$file $*" "eu-addr2line -f -i -e $file $*")
}

differ=0

# One generated program: its tables and its checks.
bench_program() {  # kind, units, functions per unit
  local program_kind=$1 units=$2 funcs=$3
  out=$base_out/$program_kind
  mkdir -p "$out"
  echo "## program: $program_kind, $units units x $funcs functions"
  echo
  "$here/gen_program.sh" "$out" "$units" "$funcs" "$program_kind"
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
  # A thousand the same way; stepping by 389 (prime to 1000) mixes the order.
  many=()
  for ((i = 0; i < 1000; ++i)); do
    read -r start size <<<"${funcs[i * 389 % 1000 * (n - 1) / 999]}"
    many+=("$(printf '0x%x' $((0x$start + 0x$size / 2)))")
  done

  # The compressed copies are remade each time: objcopy takes a second or two.
  variants=()
  for kind in zlib zstd; do
    rm -f "$prog.$kind"
    # An objcopy built without the library may refuse, or write the section
    # as it was: the copy's .debug_line must say it is compressed that way.
    if ! objcopy --compress-debug-sections="$kind" "$prog" "$prog.$kind" 2>"$out/objcopy.err"; then
      echo "objcopy cannot compress with $kind ($(head -n 1 "$out/objcopy.err")): no $kind variant"
    elif ! readelf -tW "$prog.$kind" | grep -A 3 '\] \.debug_line$' | grep "^ *${kind^^}, " >/dev/null; then
      echo "objcopy left .debug_line without $kind compression: no $kind variant"
    else
      variants+=("$kind")
      continue
    fi
    rm -f "$prog.$kind"
  done

  echo "program: $prog"
  readelf -SW "$prog" | sed "s/^ *\[ *[0-9]*\] //" | while read -r name _ _ _ size _; do
    case $name in .text | .debug_info | .debug_line) echo "  $name: $((0x$size)) bytes" ;; esac
  done
  for kind in "${variants[@]}"; do
    readelf -SW "$prog.$kind" | sed "s/^ *\[ *[0-9]*\] //" | while read -r name _ _ _ size _; do
      case $name in .debug_line) echo "  $kind copy: $(stat -c %s "$prog.$kind") bytes, $name $((0x$size)) bytes" ;; esac
    done
  done
  echo "addresses: ${addrs[*]}"
  echo "and 1000 more, spread the same way over the $n generated functions"
  echo

  tools_on "$prog" "${addrs[@]}"
  names+=("frameline (tiny program)")
  commands+=("$frameline $out/tiny $tiny_addr")
  if [[ -n $baseline ]]; then
    names+=("frameline at $baseline_rev (tiny program)")
    commands+=("$baseline $out/tiny $tiny_addr")
  fi
  if [[ -n $static ]]; then
    names+=("frameline static" "frameline static (tiny program)")
    commands+=("$static $prog ${addrs[*]}" "$static $out/tiny $tiny_addr")
  fi
  table "uncompressed, 10 addresses" "$runs" uncompressed

  for kind in "${variants[@]}"; do
    tools_on "$prog.$kind" "${addrs[@]}"
    if [[ -n $static ]]; then
      names+=("frameline static")
      commands+=("$static $prog.$kind ${addrs[*]}")
    fi
    table "$kind, 10 addresses" "$runs" "$kind"
  done

  tools_on "$prog" "${many[@]}"
  table "uncompressed, 1000 addresses" "$runs_many" many

  tools_with_calls_on "$prog" "${addrs[@]}"
  table "functions and inlined calls, 10 addresses" "$runs" calls
  tools_with_calls_on "$prog" "${many[@]}"
  table "functions and inlined calls, 1000 addresses" "$runs_many" calls-many


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
    END { printf "%d of %d addresses differ\n", bad, NR; exit bad != 0 }' || differ=1

  # Compression must not change a single byte of what frameline prints, at
  # the ten addresses and the thousand.
  "$frameline" "$prog" "${addrs[@]}" "${many[@]}" >"$out/frameline-all.txt"
  for kind in "${variants[@]}"; do
    status=0
    "$frameline" "$prog.$kind" "${addrs[@]}" "${many[@]}" >"$out/frameline-$kind.txt" 2>&1 ||
      status=$?
    if ((status == 0)) && cmp -s "$out/frameline-all.txt" "$out/frameline-$kind.txt"; then
      echo "frameline on the $kind copy: the same output as on the program (1010 addresses)"
    else
      echo "frameline on the $kind copy DIFFERS from the program (exit $status):"
      paste "$out/frameline-all.txt" "$out/frameline-$kind.txt" | awk -F'\t' '$1 != $2 {
        if (++bad <= 3) printf "  program: %s\n  copy:    %s\n", $1, $2 }
        END { printf "  %d of %d lines differ\n", bad, NR }'
      differ=1
    fi
  done
}

bench_program plain 300 400
bench_program cpp 120 250
exit "$differ"
