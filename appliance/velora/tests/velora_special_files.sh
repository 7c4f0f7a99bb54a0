#!/usr/bin/env bash
# The velora program on a virtual display, given lists whose entry it cannot play: a named pipe
# beside the list is refused before any plug-in opens it (the window shows, with the error box
# naming the file), a missing entry is named, and SIGTERM ends the program while the box is up;
# so it does with the box of a sound device that cannot be opened. The mixer chosen in the
# settings outlives a restart. Screenshots are kept.
# Usage: velora_special_files.sh VELORA SCREENSHOT_FOLDER
set -u
velora=$1 shots=$2
wait_seconds=60
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh" pid
ended() { ! kill -0 "$pid" 2>/dev/null; }
says() { grep -qF "$1" "$dir/velora.log"; }
# Two windows of the program are up: the main window and the error box over it.
windows_shown() { xwininfo -root -tree | grep -q '"Velora": ("velora" "Velora")'; }
windows_up() { [ "$(xwininfo -root -tree | grep -c '"Velora": ("velora" "Velora")')" -ge 2 ]; }
# Starts velora with ARGS, waits for TEXT on its output and both windows, keeps a screenshot
# SHOT, then ends it with SIGTERM.
run_until_said() {   # run_until_said SHOT TEXT ARGS...
  local shot=$1 text=$2; shift 2
  "$velora" "$@" >"$dir/velora.log" 2>&1 &
  pid=$!
  check "$shot: the error is said, naming what failed" wait_for says "$text"
  check "$shot: the window and its error box are up" wait_for windows_up
  import -window root "$shots/velora-$shot.png" 2>/dev/null
  kill -TERM "$pid"
  check "$shot: SIGTERM ends the program with the box up" wait_for ended
  wait "$pid" 2>/dev/null
  pid=
}

export ZEPHRA_PHOTON_SCOPE=$dir/scope ZEPHRA_MEDIA_SETTINGS=$dir/media.conf ZEPHRA_AUDIO_SINK=null:fast
unset ZEPHRA_MEDIA_PLUGINS
mkdir -p "$ZEPHRA_PHOTON_SCOPE"
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=44100 -ac 2 "$dir/a.wav" &&
  lame --quiet "$dir/a.wav" "$dir/song.mp3" || { echo "FAILED: making the test files"; exit 1; }
mkfifo "$dir/fifo.mp3"
printf 'fifo.mp3\n' >"$dir/fifo.m3u"
printf '#EXTM3U\ngone.mp3\nsong.mp3\n' >"$dir/gone.m3u"

run_until_said fifo "Unable to open $dir/fifo.mp3: not a regular file" "$dir/fifo.m3u"
check "fifo: no plug-in was asked to open the pipe" test "$(grep -c 'fopen failed' "$dir/velora.log")" -eq 0
run_until_said missing "Unable to open $dir/gone.mp3: No such file or directory" "$dir/gone.m3u"
# An output that cannot be opened, as on a machine without a sound device.
ZEPHRA_AUDIO_SINK=alsa:zephra-no-such-device run_until_said no-device "snd_pcm_open failed" "$dir/song.mp3"

# The mixer chosen in the settings ("Using:" Mixer 2, kept as its list position 3) is kept by a
# restart: a run that ends saves it as it was read.
# Starts velora without a file, waits for its window and ends it with SIGTERM; AGAIN ends the
# checks' names.
run_and_end() {   # run_and_end [AGAIN]
  local again=${1-}
  ZEPHRA_AUDIO_SINK=null:fast "$velora" >"$dir/velora.log" 2>&1 &
  pid=$!
  check "settings: the window is up$again" wait_for windows_shown
  kill -TERM "$pid"
  check "settings: SIGTERM ends the program$again" wait_for ended
  pid=
}
run_and_end
check "settings: the first run saves them" grep -q '^audio.mixerDevice = 1$' "$ZEPHRA_MEDIA_SETTINGS"
sed -i 's/^audio.mixerDevice .*/audio.mixerDevice = 3/' "$ZEPHRA_MEDIA_SETTINGS"
run_and_end " again"
check "settings: the mixer chosen is kept" grep -qx 'audio.mixerDevice = 3' "$ZEPHRA_MEDIA_SETTINGS"

[ "$failures" -eq 0 ] && echo "all passed" || echo "$failures failed"
exit $((failures > 0))
