#!/usr/bin/env bash
# The velora program on a virtual display: it plays an MP3 file named on its command line
# through brisko.so into the WAV output, which must hold exactly what the reference decoder
# gives; a second `velora -u` hands a WAV file to it, which it plays next; SIGTERM ends it
# through its exit path, which saves the settings. A screenshot of the screen is kept.
# Usage: velora_end_to_end.sh VELORA BRISKODEC SCREENSHOT_FOLDER
set -u
velora=$1 briskodec=$2 shots=$3
wait_seconds=180
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh" pid

export ZEPHRA_PHOTON_SCOPE=$dir/scope ZEPHRA_MEDIA_SETTINGS=$dir/media.conf ZEPHRA_AUDIO_SINK=wav:$dir/played.wav
unset ZEPHRA_MEDIA_PLUGINS
mkdir -p "$ZEPHRA_PHOTON_SCOPE"
ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=2:sample_rate=44100 -ac 2 "$dir/a.wav" &&
  lame --quiet "$dir/a.wav" "$dir/song.mp3" &&
  ffmpeg -loglevel error -y -f lavfi -i sine=frequency=660:duration=1:sample_rate=44100 -ac 2 -c:a pcm_s16le "$dir/bell.wav" ||
  { echo "FAILED: making the test files"; exit 1; }
"$briskodec" -q -o "$dir/reference.raw" "$dir/song.mp3"
# The WAV file's samples: what follows its "data" header (ffmpeg writes a LIST chunk first).
python3 - "$dir/bell.wav" "$dir/bell.raw" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()
at = data.index(b'data')
open(sys.argv[2], 'wb').write(data[at + 8:])
PY
reference=$(stat -c %s "$dir/reference.raw")
bell=$(stat -c %s "$dir/bell.raw")

"$velora" "file://$dir/song.mp3" >"$dir/velora.log" 2>&1 &
pid=$!
played() { [ -f "$dir/played.wav" ] && [ "$(stat -c %s "$dir/played.wav")" -ge $((44 + $1)) ]; }
check "the MP3 file plays" wait_for played "$reference"
sleep 0.5
import -window root "$shots/velora-end-to-end.png" 2>/dev/null
check "a screenshot was taken" test -s "$shots/velora-end-to-end.png"
check "brisko.so was loaded" grep -q "Loaded DLL .*/brisko.so'" "$dir/velora.log"

timeout 120 "$velora" -u "$dir/bell.wav" >"$dir/second.log" 2>&1
check "a second instance with -u hands the URL over and ends" test $? -eq 0
check "the handed-over WAV file plays" wait_for played $((reference + bell))
check "plimsa.so was loaded" grep -q "Loaded DLL .*/plimsa.so'" "$dir/velora.log"

kill -TERM "$pid"
status=0
for _ in $(seq 1 200); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
wait "$pid"; status=$?
pid=
check "SIGTERM ends the player with status 0" test "$status" -eq 0
check "the connector's owner saved the settings" test -s "$dir/media.conf"

tail -c +45 "$dir/played.wav" | head -c "$reference" | cmp -s - "$dir/reference.raw"
check "the MP3 output equals the reference decoding" test $? -eq 0
tail -c +$((45 + reference)) "$dir/played.wav" | cmp -s - "$dir/bell.raw"
check "the WAV output equals the file's samples" test $? -eq 0

if [ "$failures" -ne 0 ]; then
  echo "--- velora log"; cat "$dir/velora.log"; echo "--- second log"; cat "$dir/second.log"
  exit 1
fi
echo "all checks passed"
