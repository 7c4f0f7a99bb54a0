# Paired timing of whole processes, sourced by the benchmark scripts.
#
# Both programs of a pair run pinned to the same core (BENCH_CORE, default the last one), one after
# the other, the order alternating from run to run; each run of the pair gives one ratio, and the
# median of those ratios is printed, so that a load that comes and goes on a shared machine hits
# both sides alike. Wall time is measured, and CPU time (user + system) beside it, which a busy
# machine disturbs less; both come from bench_rusage (bench/rusage), which runs the command as its
# child and reads the child's own resource usage (microseconds). Peak memory is the largest
# resident size of any run.
#
# Needs: BENCH_WORK (a scratch folder), build (the build folder, which holds bin/bench_rusage).
# Settings: BENCH_CORE, BENCH_RUNS (default 7; 1 with BENCH_QUICK=1, the quick run that shows a
# benchmark still works, whose figures mean little); BENCH_RUSAGE, another program with the
# arguments and output of bench_rusage (for tests).

bench_core=${BENCH_CORE:-$(($(nproc) - 1))}
bench_quick=${BENCH_QUICK:-0}
bench_runs=${BENCH_RUNS:-$([ "$bench_quick" = 1 ] && echo 1 || echo 7)}
bench_rusage=${BENCH_RUSAGE:-$build/bin/bench_rusage}
[ -x "$bench_rusage" ] || { echo "build bench_rusage first: cmake --build --preset default --target bench_rusage" >&2; exit 1; }
bench_verdicts=()

# Runs a command once: sets run_wall, run_cpu (seconds) and run_kb. A failing command ends the
# script with its error output.
bench_once() {
  local wall user sys kb
  if ! "$bench_rusage" "$BENCH_WORK/time.txt" "$bench_core" "$@" >/dev/null 2>"$BENCH_WORK/stderr.txt"; then
    echo "benchmark command failed: $*" >&2
    cat "$BENCH_WORK/stderr.txt" >&2
    exit 1
  fi
  read -r wall user sys kb < <(tail -n 1 "$BENCH_WORK/time.txt")
  run_wall=$(awk -v w="$wall" 'BEGIN { printf "%.6f", w }')
  run_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.6f", u + s }')
  run_kb=$kb
}

# The median of the numbers on standard input, with DIGITS decimals (default 3).
bench_median() {
  sort -g | awk -v d="${1:-3}" '{ v[NR] = $1 } END { f = "%." d "f"; if (NR % 2) printf f, v[(NR + 1) / 2]; else printf f, (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

bench_header() {
  printf '%-34s %8s %8s %9s %9s %10s %10s\n' "A / B" "A wall" "B wall" "wall A/B" "cpu A/B" "A peak KiB" "B peak KiB"
}

# bench_pair LABEL -- COMMAND A... -- COMMAND B...
# Prints one line: medians of A's and B's wall times, the medians of the paired ratios (wall and
# CPU), and both peak memories.
bench_pair() {
  local label=$1 a=() b=() side=0 arg i
  shift
  for arg in "$@"; do
    if [ "$arg" = "--" ]; then side=$((side + 1)); continue; fi
    if [ $side -eq 1 ]; then a+=("$arg"); else b+=("$arg"); fi
  done
  local wa=() wb=() rw=() rc=() ka=0 kb=0 wa1 ca1 wb1 cb1
  for ((i = 0; i < bench_runs; i++)); do
    if ((i % 2 == 0)); then
      bench_once "${a[@]}"; wa1=$run_wall; ca1=$run_cpu; ((run_kb > ka)) && ka=$run_kb
      bench_once "${b[@]}"; wb1=$run_wall; cb1=$run_cpu; ((run_kb > kb)) && kb=$run_kb
    else
      bench_once "${b[@]}"; wb1=$run_wall; cb1=$run_cpu; ((run_kb > kb)) && kb=$run_kb
      bench_once "${a[@]}"; wa1=$run_wall; ca1=$run_cpu; ((run_kb > ka)) && ka=$run_kb
    fi
    wa+=("$wa1"); wb+=("$wb1")
    rw+=("$(awk -v x="$wa1" -v y="$wb1" 'BEGIN { printf "%.5f", x / y }')")
    rc+=("$(awk -v x="$ca1" -v y="$cb1" 'BEGIN { printf "%.5f", (y > 0 ? x / y : 0) }')")
  done
  pair_wall_ratio=$(printf '%s\n' "${rw[@]}" | bench_median)
  pair_cpu_ratio=$(printf '%s\n' "${rc[@]}" | bench_median)
  printf '%-34s %8s %8s %9s %9s %10s %10s\n' "$label" \
    "$(printf '%s\n' "${wa[@]}" | bench_median)" "$(printf '%s\n' "${wb[@]}" | bench_median)" \
    "$pair_wall_ratio" "$pair_cpu_ratio" "$ka" "$kb"
}

# bench_verdict LABEL TARGET: after bench_pair, keeps the verdict of its CPU ratio against the
# target (at most TARGET) for bench_verdicts_print.
bench_verdict() {
  local word
  word=$(awk -v r="$pair_cpu_ratio" -v t="$2" 'BEGIN { print (r + 0 > 0 && r + 0 <= t + 0 ? "met" : "short") }')
  bench_verdicts+=("$(printf 'target %-34s cpu A/B %s, at most %s: %s' "$1" "$pair_cpu_ratio" "$2" "$word")")
}

# Prints the kept verdicts, one a line.
bench_verdicts_print() {
  local v
  ((${#bench_verdicts[@]})) || return 0
  [ "$bench_quick" = 1 ] && echo "Verdicts of a quick run (figures of a few seconds, one run: they mean little):"
  for v in "${bench_verdicts[@]}"; do echo "$v"; done
}

# How busy the machine is, for the reader of the figures.
bench_load() {
  echo "core $bench_core, $bench_runs paired runs, load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
}
