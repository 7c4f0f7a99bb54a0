#!/usr/bin/env bash
# The quick benchmark test fails when a measurement breaks: bench/plimsa run in its quick mode
# with a resource reading that loses the CPU seconds (every CPU ratio then reads 0) must fail
# quick_test.sh, which names the zero figures, though every line of figures is there.
# Usage: quick_test_broken_cpu.sh BUILD_DIR
set -u
build=$1
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/no-cpu" <<'READER'
#!/usr/bin/env bash
# bench_rusage, but the CPU seconds it reads are lost.
"$REAL_RUSAGE" "$@"
status=$?
read -r wall user sys kb <"$1"
echo "$wall 0.000000 0.000000 $kb" >"$1"
exit $status
READER
chmod +x "$work/no-cpu"
build=$(cd "$build" && pwd)
REAL_RUSAGE=$build/bin/bench_rusage BENCH_RUSAGE="$work/no-cpu" BENCH_ONLY=plimsa \
  bash bench/quick_test.sh "$build" >"$work/out.txt" 2>&1
status=$?
cat "$work/out.txt"
if [ "$status" -eq 0 ]; then
  echo "FAILED: the quick test passed with no CPU time measured"
  exit 1
fi
grep -q "^FAILED: bench/plimsa: exit status 0, 10 of 10 lines of figures" "$work/out.txt" &&
  grep -q "^a figure is zero or no number in:" "$work/out.txt" ||
  { echo "FAILED: the quick test failed, but not on the zero CPU figures"; exit 1; }
echo "ok: the quick test fails on the zero CPU figures"
