# Sourced by the benchmark scripts: require_tools TOOL:PACKAGE... checks that
# each tool, and /usr/bin/time, is installed, and otherwise names the
# package that brings it and exits with status 2.
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
