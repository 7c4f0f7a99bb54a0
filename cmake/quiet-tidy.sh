#!/usr/bin/env bash
# Runs the command given (clang-tidy and its arguments) and passes on everything it prints but its
# count of the compiler's warnings ("N warnings generated."): those are warnings in files outside
# the check's header filter, which it never shows, so the count only hides what a step found.
# The command's exit status is this script's.
exec 3>&1
"$@" 2>&1 1>&3 3>&- | { grep -v -E '^[0-9]+ warnings? generated\.$' >&2 || true; }
exit "${PIPESTATUS[0]}"
