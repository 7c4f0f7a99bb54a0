# Sourced by the shell tests of the programs: a scratch folder $dir, removed at exit once the
# programs whose pids the variables named on the source line hold (empty when none runs) are
# killed; `check`, which counts the failures in $failures, and `wait_for`.
# Usage: source checks.sh PID_VARIABLE...
dir=$(mktemp -d)
checks_pid_variables="$*"
for checks_variable in "$@"; do printf -v "$checks_variable" ''; done
trap 'for checks_variable in $checks_pid_variables; do
        [ -n "${!checks_variable}" ] && kill -9 "${!checks_variable}" 2>/dev/null
      done
      rm -rf "$dir"' EXIT
failures=0
check() {   # check NAME CONDITION...
  local name=$1; shift
  if "$@"; then echo "ok: $name"; else echo "FAILED: $name"; failures=$((failures + 1)); fi
}
# Waits for a condition, up to $wait_seconds (a minute unless the test says), as long as a busy
# machine may take.
wait_for() {
  local deadline=$((SECONDS + ${wait_seconds:-60}))
  until "$@"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.05
  done
}
