#!/usr/bin/env bash
# Peak memory of frameline on line tables with very many units: a tiny
# program whose .debug_line is replaced by COUNT minimal units (unit k covers
# 16 bytes at 0x100000 + 16k), looked up at an address above every unit, so
# that each unit is read whole and remembered.
#
#   many_units.sh [COUNT...]     (default: 1000 32769 40000)
#
# BUILD_DIR as for run.sh. Prints the exit status, the answer and max RSS.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$(cd "$here/../.." && pwd)/build-bench}
out=$build/line-bench/many
frameline=$build/frameline
mkdir -p "$out"
[[ -x $frameline ]] || cmake --build "$build" --target frameline >/dev/null

printf 'int main() {\n  return 0;\n}\n' >"$out/tiny.cpp"
g++ -O2 -g "$out/tiny.cpp" -o "$out/tiny"

# One version 2 unit: header with opcode base 13 and the file a.c, then
# set address, copy, advance pc by 16, end sequence.
write_units() {
  local k a i le
  for ((k = 0; k < $1; ++k)); do
    a=$((0x100000 + 16 * k)) le=
    for ((i = 0; i < 8; ++i)); do printf -v le '%s\\x%02x' "$le" $(((a >> 8 * i) & 255)); done
    printf '\x31\0\0\0\x02\0\x1a\0\0\0\x01\x01\xfb\x0e\x0d\0\x01\x01\x01\x01\0\0\0\x01\0\0\x01\0'
    # shellcheck disable=SC2059  # the address bytes are escapes for printf
    printf "a.c\\0\\0\\0\\0\\0\\0\\x09\\x02${le}\\x01\\x02\\x10\\0\\x01\\x01"
  done
}

counts=("$@")
[[ $# -gt 0 ]] || counts=(1000 32769 40000)
for n in "${counts[@]}"; do
  write_units "$n" >"$out/lines$n.bin"
  objcopy --remove-section .debug_line --remove-section .debug_line_str \
    --add-section .debug_line="$out/lines$n.bin" "$out/tiny" "$out/units$n"
  status=0
  answer=$(/usr/bin/time -f %M -o "$out/rss" "$frameline" "$out/units$n" 0x200000 2>&1) ||
    status=$?
  printf '%6d units: exit %3d, max RSS %5d KiB, %s\n' "$n" "$status" "$(tail -n 1 "$out/rss")" \
    "$(echo "$answer" | tr '\n' ' ')"
done
