#!/usr/bin/env bash
# Every benchmark script run once in its quick mode (BENCH_QUICK=1: streams of a few seconds, one
# run of each pair), side by side: each must end well and print all its figures, every figure a
# number above zero (a zero, missing or non-numeric figure means a measurement broke). The figures
# themselves are not judged; on a quick run, and on a busy machine, they mean little.
# Usage: quick_test.sh BUILD_DIR   (BENCH_ONLY: the benchmarks to run, of "mpeg plimsa script web";
# default all)
set -u
build=$1
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export BENCH_QUICK=1
only=${BENCH_ONLY:-mpeg plimsa script web}

declare -A pids
for bench in bench/mpeg/run-bench.sh bench/plimsa/run bench/script/run bench/web/run; do
  name=$(basename "$(dirname "$bench")")
  [[ " $only " == *" $name "* ]] || continue
  "$bench" "$build" >"$out/$name.txt" 2>&1 &
  pids[$name]=$!
done

failed=0
# check NAME COUNT PATTERN POSITIVE [VERDICTS]: the benchmark ended well and printed COUNT lines
# matching PATTERN, in each of which the awk program POSITIVE finds every figure above zero (it
# prints the lines where it does not), and VERDICTS lines of verdicts against its targets.
check() {
  local name=$1 count=$2 pattern=$3 positive=$4 verdicts=${5:-0} status=0 found zero judged
  [ -n "${pids[$name]:-}" ] || return 0
  wait "${pids[$name]}" || status=$?
  found=$(grep -cE "$pattern" "$out/$name.txt")
  zero=$(grep -E "$pattern" "$out/$name.txt" | awk "$positive")
  judged=$(grep -cE '^target .+: (met|short)$' "$out/$name.txt")
  if [ "$status" -ne 0 ] || [ "$found" -ne "$count" ] || [ -n "$zero" ] || [ "$judged" -ne "$verdicts" ]; then
    echo "FAILED: bench/$name: exit status $status, $found of $count lines of figures, $judged of $verdicts verdicts"
    [ -n "$zero" ] && printf 'a figure is zero or no number in:\n%s\n' "$zero"
    failed=$((failed + 1))
  else
    echo "ok: bench/$name printed its $count lines of figures$([ "$verdicts" -gt 0 ] && echo " and $verdicts verdicts")"
  fi
  sed 's/^/   /' "$out/$name.txt"
}
number='[0-9]+(\.[0-9]+)?'
# Prints a line unless its fields FROM..TO (counted from the end when negative) are numbers above 0.
above_zero() {
  echo "{ from = $1 < 0 ? NF + $1 + 1 : $1; to = $2 < 0 ? NF + $2 + 1 : $2
         for (i = from; i <= to; i++) if (\$i !~ /^[0-9]+(\\.[0-9]+)?\$/ || \$i + 0 <= 0) { print; next } }"
}
# A line of bench/paired.sh: both wall times, the wall and CPU ratios, both peak memories.
pair="^.+ / .+ \\(.+\\) +$number +$number +$number +$number +[0-9]+ +[0-9]+$"
check mpeg 9 "$pair" "$(above_zero -6 -1)" 6
check plimsa 10 "$pair" "$(above_zero -6 -1)" 5
# The engine's cases (times and ratio), the append sweep's lines and its two verdicts.
check script 8 "^((intloop|append|dictionary|regexp) +[0-9]+( +$number){4} +(ok|SLOW)| +[0-9]+ +$number +$number|largest / smallest time per append: $number .*|[0-9,]+ appends: $number s .*)$" \
  '/^(intloop|append|dictionary|regexp) / { if (!($3 > 0 && $4 > 0 && $5 > 0)) print; next }
   /^ +[0-9]/ { if (!($1 > 0 && $2 > 0 && $3 > 0)) print; next }
   /^largest/ { if (!($7 > 0)) print; next }
   { if (!($3 > 0)) print }'
# Requests a second, p50 and p99 latency and errors, for each server at 1 and at 50 connections.
# And for each crowd and server: answers asked, whole and within 1 s, p50 and p95 (of the whole ones),
# connections. Answers whole and within 1 s may be none, and then p50 and p95 are 0: a server the
# crowd shuts is a finding, not a broken measurement; the answers asked and the connections are not.
check web 16 "^((plug-in|nginx) +/file10k\\.jpg +(1|50) +[0-9]+ +$number +$number +[0-9]+|(nonread|halfclose|silent) / (plug-in|host|nginx) +[0-9]+( +[0-9]+){3}( +$number){2} +[0-9]+)$" \
  '/^(plug-in|nginx) / { if (!($4 > 0 && $5 > 0 && $6 > 0)) print; next }
   { if (!($4 > 0 && $5 > 0 && $NF > 0)) print }'

[ "$failed" -eq 0 ]
