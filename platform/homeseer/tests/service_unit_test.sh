#!/usr/bin/env bash
# The systemd unit of scripts/zephra-host.service: its syntax, checked by systemd-analyze where it
# is installed; and the host started as the unit starts it (its command line and environment, with
# the program's and the state folder's paths put in, standard input /dev/null): it serves its web
# server until SIGTERM, then exits 0.
# The README's excerpt of the unit is checked to be the unit's own lines.
# Usage: service_unit_test.sh UNIT ZEPHRA_HOST README
set -u
unit=$1
host=$2
readme=$3
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
passed=0
failed=0
check() {   # check NAME CONDITION-STATUS DETAIL
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1: $3"; fi
}

program=/opt/zephra/bin/zephra-host
state=/var/lib/zephra
localize() { sed -e "s|$program|$host|g" -e "s|$state|$work/state|g"; }
localize <"$unit" >"$work/zephra-host.service"

if command -v systemd-analyze >/dev/null 2>&1; then
    out=$(systemd-analyze verify "$work/zephra-host.service" 2>&1)
    check "systemd-analyze verify" $? "$out"
else
    echo "systemd-analyze is not installed: the unit's syntax is not checked"
fi

excerpt=$(sed -n '/^\[Service\]$/,/^```$/p' "$readme" | grep -v '^```$')
missing=$(grep -vxF -f "$unit" <<<"$excerpt")
check "the README's excerpt is the unit's" "$([ -n "$excerpt" ] && [ -z "$missing" ]; echo $?)" "not in the unit: $missing"

grep -qx 'StandardInput=null' "$unit"
check "standard input /dev/null" $? "no StandardInput=null line"
exec_start=$(sed -n 's/^ExecStart=//p' "$unit" | localize)
environment=$(sed -n 's/^Environment=//p' "$unit" | localize)
[ "${exec_start%% *}" = "$host" ]
check "ExecStart runs zephra-host" $? "$exec_start"

# As on first start, with the settings a user would write: the web server on a free port, the
# plug-in's UDP server on any port (the defaults would collide with other tests).
mkdir -p "$work/state/Config" "$work/state/HTML" "$work/state/registry/zephra"
printf '[Settings]\r\nsvrport=0\r\n' >"$work/state/Config/settings.ini"
printf '[Zephra\\Options]\r\nLocalPort=0\r\n' >"$work/state/registry/zephra/registry.ini"
printf '<p>unattended</p>' >"$work/state/HTML/index.htm"
# shellcheck disable=SC2086  # the unit's command line, split into words as systemd splits it
env $environment $exec_start </dev/null >"$work/out" 2>&1 &
pid=$!
# The start takes what a busy machine takes: the wait ends at the line, at the program's end, or
# after minutes.
deadline=$((SECONDS + 240))
until grep -q 'serving until SIGTERM' "$work/out" || ! kill -0 "$pid" 2>/dev/null || [ "$SECONDS" -ge "$deadline" ]; do
    sleep 0.1
done
grep -q 'zephra-host: standard input holds no statements: serving until SIGTERM or SIGINT' "$work/out"
check "serves unattended" $? "$(cat "$work/out")"
grep -q '^zephra-host: dkvZephra ready$' "$work/out"
check "the plug-in ready" $? "$(cat "$work/out")"
port=$(sed -n "s/^zephra-host: listening on TCP 0.0.0.0:\([0-9]*\) (the host's HTML server.*/\1/p" "$work/out")
page=$(python3 -c 'import sys, urllib.request
print(urllib.request.urlopen(f"http://127.0.0.1:{sys.argv[1]}/index.htm", timeout=120).read().decode())' "$port" 2>&1)
check "web page" "$([ "$page" = '<p>unattended</p>' ]; echo $?)" "$page"
kill -0 "$pid" 2>/dev/null
check "still serving" $? "it ended: $(cat "$work/out")"
kill -TERM "$pid"
wait "$pid"
status=$?
pid=
check "SIGTERM ends it with status 0" "$status" "status $status: $(tail -5 "$work/out")"
grep -q '| zephra-host | Stopped' "$work/state/Data/zephra-host.log"
check "stopped cleanly" $? "$(tail -5 "$work/state/Data/zephra-host.log" 2>&1)"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
