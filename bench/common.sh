# Sourced by the benchmark scripts: what more than one of them does.

# require_tools TOOL:PACKAGE... checks that each tool, and /usr/bin/time, is
# installed, and otherwise names the package that brings it and exits with
# status 2.
require_tools() {
  local tool
  for tool in "$@" time:time; do
    local command=${tool%%:*}
    [[ $command == time ]] && command=/usr/bin/time
    if ! command -v "$command" >/dev/null; then
      echo "run.sh: $command is missing (apt-get install -y ${tool#*:})" >&2
      exit 2
    fi
  done
}

# install_runtime REPO BUILD PREFIX builds the repository in BUILD and
# installs the runtime package under a fresh PREFIX.
install_runtime() {
  cmake -S "$1" -B "$2" -G Ninja >/dev/null
  cmake --build "$2" >/dev/null
  rm -rf "$3"
  cmake --install "$2" --prefix "$3" >/dev/null
}

# alternating_rounds OUT ROUNDS RUNS WARMUP PLAIN WITH RATIO times the
# programs PLAIN and WITH (without and with the runtime) in ROUNDS rounds
# of RUNS runs each, in alternating order: a machine whose speed drifts
# moves both programs of a round alike. Prints the mean milliseconds of
# both in the median round, the rounds ordered by the difference (by the
# ratio where RATIO is 1); hyperfine's words go to OUT/hyperfine.txt.
alternating_rounds() {
  local out=$1 rounds=$2 runs=$3 warmup=$4 plain=$5 with=$6 ratio=$7 round
  : >"$out/hyperfine.txt"
  rm -f "$out"/times-*.json
  for ((round = 0; round < rounds; ++round)); do
    if ((round % 2 == 0)); then
      order=(-n plain "$plain" -n "with the runtime" "$with")
    else
      order=(-n "with the runtime" "$with" -n plain "$plain")
    fi
    hyperfine -N --warmup "$warmup" --runs "$runs" --export-json "$out/times-$round.json" \
      "${order[@]}" >>"$out/hyperfine.txt"
  done
  python3 - "$ratio" "$out"/times-*.json <<'PY'
import json, sys
rounds = []
for name in sys.argv[2:]:
    means = {r["command"]: r["mean"] * 1000 for r in json.load(open(name))["results"]}
    rounds.append((means["plain"], means["with the runtime"]))
by_ratio = sys.argv[1] == "1"
rounds.sort(key=lambda r: r[1] / r[0] if by_ratio else r[1] - r[0])
plain, with_runtime = rounds[len(rounds) // 2]
print("%.4f %.4f" % (plain, with_runtime))
PY
}
