#!/usr/bin/env bash
# Writes a large C++ program under OUT_DIR and builds it into OUT_DIR/prog:
# UNITS translation units of FUNCS small functions each, every function
# spread over a dozen lines. KIND "plain" (g++ -O2 -g) makes functions of
# plain arithmetic; "cpp" (g++ -O1 -g) makes functions that use std::vector
# and std::string, as programs do: every unit then carries the header inline
# functions it uses, which the linker keeps once but every unit's line
# program and ranges still claim. The default sizes give a line table of
# about 12 MB (and take several minutes to compile on two cores).
#
#   gen_program.sh OUT_DIR [UNITS=300] [FUNCS=400] [KIND=plain]
#
# A program built before with the same sizes and kind is reused.
set -euo pipefail

out=${1:?usage: gen_program.sh OUT_DIR [UNITS] [FUNCS]}
units=${2:-300}
funcs=${3:-400}
kind=${4:-plain}
cxx=${CXX:-g++}
level=-O2
[[ $kind == cpp ]] && level=-O1
stamp="$units units x $funcs functions ($kind), $cxx $level -g"

if [[ -x $out/prog && -f $out/stamp && $(<"$out/stamp") == "$stamp" ]]; then
  exit 0
fi
rm -rf "$out/src" "$out/obj" "$out/prog" "$out/stamp"
mkdir -p "$out/src" "$out/obj"
cd "$out"  # the line table then names the files src/unitN.cpp

# One unit: distinct constants in every function keep the compiler from
# folding identical bodies into one.
write_plain_unit() {
  local u=$1 f k
  for ((f = 0; f < funcs; ++f)); do
    k=$((u * funcs + f))
    printf 'int u%d_f%d(int a, int b) {\n  int x = a * %d + b;\n\n  if (x > b)\n    x -= b >> 1;\n\n  for (int i = 0; i < (a & 7); ++i)\n    x += i * %d ^ b;\n\n  return x ^ %d;\n}\n\n' \
      "$u" "$f" $((k % 97 + 3)) "$k" "$k"
  done
}

# The same shape over a vector and a string: appends, lookups and copies
# that call the containers' inline functions.
write_cpp_unit() {
  local u=$1 f k
  printf '#include <string>\n#include <vector>\n\n'
  for ((f = 0; f < funcs; ++f)); do
    k=$((u * funcs + f))
    printf 'int u%d_f%d(int a, int b) {\n  std::vector<int> v(a & 15, %d);\n  std::string s(b & 31, static_cast<char>(%d));\n\n  if (v.size() > s.size())\n    v.push_back(b + %d);\n\n  for (int i = 0; i < (a & 7); ++i)\n    s += std::to_string(i ^ %d);\n\n  return static_cast<int>(v.size() + s.size()) ^ %d;\n}\n\n' \
      "$u" "$f" $((k % 97 + 3)) $((k % 26 + 97)) "$k" "$k" "$k"
  done
}

for ((u = 0; u < units; ++u)); do
  "write_${kind}_unit" "$u" >"src/unit$u.cpp"
done
printf 'int u0_f0(int a, int b);\n\nint main(int argc, char**) {\n  return u0_f0(argc, argc) & 1;\n}\n' \
  >src/main.cpp

echo "compiling $stamp in $out ..." >&2
printf '%s\n' src/*.cpp | sed 's|^src/||; s|\.cpp$||' |
  xargs -P "$(nproc)" -I{} "$cxx" "$level" -g -c src/{}.cpp -o obj/{}.o
"$cxx" -o prog obj/*.o
echo "$stamp" >stamp
