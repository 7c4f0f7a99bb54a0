#!/usr/bin/env bash
# End-to-end runs of mvhost: the interface's callback sequence through open, start, pause, seek,
# stop and close; a play to the natural end into a WAV file; an error; a failed load.
# Usage: mvhost_test.sh MVHOST TONE_PLUGIN
set -u
mvhost=$1
plugin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZEPHRA_MEDIA_SETTINGS=$work/settings.conf
passed=0
failed=0

check() {   # check NAME EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $1"
        diff <(echo "$2") <(echo "$3")
    fi
}

out=$(ZEPHRA_AUDIO_SINK=null "$mvhost" -c "start,pause,seek 0,start,status,stop,close" "$plugin" tone://440/0 | grep -v '^position ')
check "callback sequence" "> open tone://440/0
state MV_OPENING
state MV_STOPPED
title: Tone 440 Hz
= 0
> start
state MV_PLAYING
= 0
> pause
state MV_PAUSED
= 0
> seek 0
= 0
> start
state MV_PLAYING
= 0
> status
= 0
> stop
state MV_STOPPED
= 0
> close
state MV_CLOSED
= 0
> terminate
state MV_STOPPED
state MV_CLOSED
state MV_DEAD" "$out"

# The end may be reported before the host has printed that it waits for it.
out=$(ZEPHRA_AUDIO_SINK=wav:$work/tone.wav "$mvhost" "$plugin" tone://440/200)
status=$?
out=$(echo "$out" | grep -v '^> end$')
# So may the end of the short tone before the host has printed the start's result: each result
# is counted, the order of the two is not checked.
results=$(echo "$out" | grep -c '^= 0$')
out=$(echo "$out" | grep -v '^= 0$')
check "natural end results" "2" "$results"
check "natural end" "0
> open tone://440/200
state MV_OPENING
state MV_STOPPED
title: Tone 440 Hz
> start
state MV_PLAYING
state MV_STOPPED
> terminate
state MV_CLOSED
state MV_DEAD" "$status
$out"
check "WAV file" "1 2 8000 1600" "$(python3 -c 'import sys, wave
w = wave.open(sys.argv[1]); print(w.getnchannels(), w.getsampwidth(), w.getframerate(), w.getnframes())' "$work/tone.wav")"

out=$(ZEPHRA_AUDIO_SINK=null "$mvhost" "$plugin" tone://fail)
check "error exit status" "1" "$?"
check "error text" "error: tone: decoding failed" "$(echo "$out" | grep '^error')"

"$mvhost" /nonexistent/plugin.so tone://440/10 >"$work/out" 2>"$work/err"
check "load failure exit status" "2" "$?"
check "load failure message" ' LoadDll(): dlopen("/nonexistent/plugin.so") failed (/nonexistent/plugin.so: cannot open shared object file: No such file or directory)' "$(cat "$work/err")"

"$mvhost" "$plugin" >/dev/null 2>&1
check "usage exit status" "2" "$?"
help=$("$mvhost" --help)
check "help" "0 mvhost - A minimal media host: plays one URL through a media plug-in" "$? $(echo "$help" | head -1)"

# An open that fails is reported at the open, and the commands are not run.
out=$(ZEPHRA_AUDIO_SINK=null "$mvhost" -c "start,status" "$plugin" tone://nothing 2>"$work/err")
check "failed open exit status" "1" "$?"
check "failed open" "> open tone://nothing
state MV_CLOSED
error: tone: unrecognized URL
= 0
> terminate
state MV_STOPPED
state MV_CLOSED
state MV_DEAD" "$out"
check "failed open message" "mvhost: tone://nothing cannot be opened: the commands are not run" "$(cat "$work/err")"

# A file's path is opened as a file:// URL of its absolute path.
out=$(cd "$work" && ZEPHRA_AUDIO_SINK=null "$mvhost" -c status "$plugin" some/file.wav 2>/dev/null | head -1)
check "path as URL" "> open file://$work/some/file.wav" "$out"

# Without a sound device and without an output named, the play fails with the device's error.
if ! ls /dev/snd/controlC* >/dev/null 2>&1; then
    out=$(env -u ZEPHRA_AUDIO_SINK "$mvhost" "$plugin" tone://440/200 2>"$work/err")
    check "no device exit status" "1" "$?"
    check "no device error" "1" "$(echo "$out" | grep -c '^error: snd_pcm_open failed: No such device')"
    check "no device said" "1" "$(grep -c '^ZEPHRA_AUDIO_SINK: no sound device' "$work/err")"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
