#!/usr/bin/env bash
# A play list the jukebox saves plays in the media player. sorvex, driven over its TCP command
# port, takes two MP3 files into its list and saves it beside them (its entries relative to the
# list); a save outside the music folder is refused on standard output and answered as any save.
# velora then plays the saved list into the WAV output, which must hold the first track: the
# reference decoding exactly, and sox's length and level of the track.
# Usage: jukebox_list_in_velora.sh SORVEX SORVEX_UI_DIR VELORA BRISKODEC VELORA_LSAN_SUPPRESSIONS
set -u
sorvex=$1 sorvex_ui=$2 velora=$3 briskodec=$4 velora_lsan=$5
wait_seconds=60
source "$(dirname "${BASH_SOURCE[0]}")/../../velora/tests/checks.sh" jukebox player
# One command on a connection of its own; prints the reply.
command() {
  python3 - "$port" "$1" <<'PY'
import socket, sys
with socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=30) as s:
    s.sendall(sys.argv[2].encode() + b"\n")
    reply = b""
    while not (reply.endswith(b"200 OK\n") or reply.endswith(b"command\n")):
        chunk = s.recv(4096)
        if not chunk:
            break
        reply += chunk
sys.stdout.write(reply.decode())
PY
}
listening() { python3 -c "import socket,sys; socket.create_connection(('127.0.0.1', $port), timeout=1)" 2>/dev/null; }

music=$dir/music
mkdir -p "$music" "$dir/elsewhere" "$dir/scope"
export ZEPHRA_PHOTON_SCOPE=$dir/scope HOME=$dir
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=3:sample_rate=44100 -ac 2 "$dir/a.wav" &&
  lame --quiet "$dir/a.wav" "$music/a.mp3" &&
  ffmpeg -loglevel error -y -f lavfi -i sine=frequency=880:duration=1:sample_rate=44100 -ac 2 "$dir/b.wav" &&
  lame --quiet "$dir/b.wav" "$music/b.mp3" ||
  { echo "FAILED: making the test files"; exit 1; }
"$briskodec" -q -o "$dir/reference.raw" "$music/a.mp3"
reference=$(stat -c %s "$dir/reference.raw")

# The jukebox with a command port of its own (a port free now, as the system chose it).
port=$(python3 -c "import socket; s=socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])")
printf 'shuffle 0\nport %s\n' "$port" >"$dir/prefs"
ZEPHRA_AUDIO_SINK=null ZEPHRA_PHOTON_UI_DIR=$sorvex_ui "$sorvex" -f "$dir/prefs" "$music" \
  >"$dir/sorvex.out" 2>"$dir/sorvex.err" &
jukebox=$!
check "the jukebox listens on its command port" wait_for listening
check "launch takes the first track" test "$(command "launch $music/a.mp3")" = "200 OK"
check "launch takes the second track" test "$(command "launch $music/b.mp3")" = "200 OK"
check "stop is answered" test "$(command stop)" = "200 OK"
check "save is answered" test "$(command "save party")" = "200 OK"
check "a save outside the music folder is answered as any save" \
  test "$(command "save $dir/elsewhere/list")" = "200 OK"
check "the refusal is on standard output" \
  wait_for grep -qx "Refused network save outside the music folder: $dir/elsewhere/list" "$dir/sorvex.out"
check "nothing was written outside the music folder" test -z "$(ls -A "$dir/elsewhere")"
check "quit ends the jukebox" test "$(command quit)" = "200 OK"
wait "$jukebox"
jukebox=
printf '#EXTM3U\r\na.mp3\r\nb.mp3\r\n' >"$dir/expected.m3u"
check "the list was saved beside its tracks, relative to itself" cmp -s "$music/party.m3u" "$dir/expected.m3u"

# The media player on the saved list, into the WAV output.
unset ZEPHRA_MEDIA_PLUGINS
LSAN_OPTIONS=suppressions=$velora_lsan ZEPHRA_MEDIA_SETTINGS=$dir/media.conf ZEPHRA_AUDIO_SINK=wav:$dir/played.wav \
  "$velora" "$music/party.m3u" \
  >"$dir/velora.log" 2>&1 &
player=$!
played() { [ -f "$dir/played.wav" ] && [ "$(stat -c %s "$dir/played.wav")" -ge $((44 + reference)) ]; }
check "the list's first track plays" wait_for played
check "brisko.so was loaded" grep -q "Loaded DLL .*/brisko.so'" "$dir/velora.log"
check "no URL was refused" test -z "$(grep -e "Unrecognized URL" -e "unable to open" "$dir/velora.log")"
kill -TERM "$player"
wait "$player"
player=

tail -c +45 "$dir/played.wav" | head -c "$reference" >"$dir/played.raw"
check "the output equals the reference decoding" cmp -s "$dir/played.raw" "$dir/reference.raw"
# Length and level as sox measures them, against the track's own samples.
stats() { sox -t raw -r 44100 -e signed -b 16 -c 2 "$1" -n stat 2>&1; }
length=$(stats "$dir/played.raw" | awk '/^Length/ {print $3}')
level=$(stats "$dir/played.raw" | awk '/^RMS +amplitude/ {print $3}')
source_level=$(sox "$dir/a.wav" -n stat 2>&1 | awk '/^RMS +amplitude/ {print $3}')
echo "played: ${length}s at RMS $level; the track: 3s at RMS $source_level"
check "about three seconds were played" awk -v l="$length" 'BEGIN { exit !(l > 2.9 && l < 3.3) }'
check "at the track's level" awk -v a="$level" -v b="$source_level" 'BEGIN { exit !(a > 0.9 * b && a < 1.1 * b) }'

if [ "$failures" -ne 0 ]; then
  echo "--- sorvex output"; cat "$dir/sorvex.out"; echo "--- sorvex errors"; cat "$dir/sorvex.err"
  echo "--- velora log"; cat "$dir/velora.log"
  exit 1
fi
echo "all checks passed"
