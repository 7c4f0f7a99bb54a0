#!/usr/bin/env bash
# The build's naming step as it prints: clang-tidy through cmake/quiet-tidy.sh on a file that
# includes a standard header (whose names clang-tidy counts as warnings it never shows) prints
# nothing and succeeds; on a file with a wrongly named function it prints the finding and fails.
# Usage: quiet_tidy_test.sh CLANG_TIDY SOURCE_DIR
set -u
tidy=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '#include <map>\n#include <string>\nint Count() { return static_cast<int>(std::map<std::string, int>{}.size()); }\n' >"$work/good.cpp"
printf '#include <map>\nvoid lower_case_name() {}\n' >"$work/bad.cpp"
step() {
  "$@" --quiet "--checks=-*,readability-identifier-naming" "--warnings-as-errors=*" \
    --config-file="$src/plugin/.clang-tidy" "--header-filter=^$work/" "$work/$file" -- -std=c++20
}
failed=0
file=good.cpp
raw=$(step "$tidy" 2>&1)
grep -qE '^[0-9]+ warnings? generated\.$' <<<"$raw" ||
  echo "note: clang-tidy printed no count of warnings here; the filter is not exercised"
out=$(step bash "$src/cmake/quiet-tidy.sh" "$tidy" 2>&1)
status=$?
if [ "$status" -ne 0 ] || [ -n "$out" ]; then
  echo "FAILED: a file with sound names: status $status, output:"; echo "$out"; failed=1
fi
file=bad.cpp
out=$(step bash "$src/cmake/quiet-tidy.sh" "$tidy" 2>&1)
status=$?
if [ "$status" -eq 0 ] || ! grep -q "invalid case style for function 'lower_case_name'" <<<"$out" ||
  grep -qE 'warnings? generated' <<<"$out"; then
  echo "FAILED: a file with a wrong name: status $status, output:"; echo "$out"; failed=1
fi
[ "$failed" -eq 0 ] && echo "ok: the naming step prints only what it finds"
exit "$failed"
