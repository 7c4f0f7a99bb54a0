#!/usr/bin/env bash
# Every benchmark script run once in its quick mode (BENCH_QUICK=1: streams of a few seconds, one
# run of each pair), side by side: each must end well and print all its figures. The figures
# themselves are not judged; on a quick run, and on a busy machine, they mean little.
# Usage: quick_test.sh BUILD_DIR
set -u
build=$1
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export BENCH_QUICK=1

declare -A pids
for bench in bench/mpeg/run-bench.sh bench/plimsa/run bench/script/run bench/web/run; do
  name=$(basename "$(dirname "$bench")")
  "$bench" "$build" >"$out/$name.txt" 2>&1 &
  pids[$name]=$!
done

failed=0
# check NAME COUNT PATTERN: the benchmark ended well and printed COUNT lines matching PATTERN.
check() {
  local name=$1 count=$2 pattern=$3 status=0 found
  wait "${pids[$name]}" || status=$?
  found=$(grep -cE "$pattern" "$out/$name.txt")
  if [ "$status" -ne 0 ] || [ "$found" -ne "$count" ]; then
    echo "FAILED: bench/$name: exit status $status, $found of $count lines of figures"
    failed=$((failed + 1))
  else
    echo "ok: bench/$name printed its $count lines of figures"
  fi
  sed 's/^/   /' "$out/$name.txt"
}
number='[0-9]+(\.[0-9]+)?'
# A line of bench/paired.sh: both wall times, the wall and CPU ratios, both peak memories.
pair="^.+ / .+ \\(.+\\) +$number +$number +$number +$number +[0-9]+ +[0-9]+$"
check mpeg 9 "$pair"
check plimsa 10 "$pair"
# The engine's cases (times and ratio), the append sweep's lines and its two verdicts.
check script 8 "^((intloop|append|dictionary|regexp) +[0-9]+( +$number){4} +(ok|SLOW)| +[0-9]+ +$number +$number|largest / smallest time per append: $number .*|[0-9,]+ appends: $number s .*)$"
# Requests a second, p50 and p99 latency and errors, for each server at 1 and at 50 connections.
check web 4 "^(plug-in|nginx) +/file10k\\.jpg +(1|50) +[0-9]+ +$number +$number +[0-9]+$"
[ "$failed" -eq 0 ]
