#!/usr/bin/env bash
# Speed of the MPEG audio decoder beside Debian's mpg123, ffmpeg and madplay, and of the plug-in
# Brisko_rave playing in the media host mvhost into the null output that plays at once (reader and
# decoder threads, ring buffer, audio output). Each program decodes the same 10-minute 44.1 kHz
# stereo stream to PCM as a whole process: Layer III at 128 and 320 kbit/s, Layer II at 192 kbit/s. Pairs run
# pinned to one core and alternating; each line gives the medians of the paired ratios (see
# bench/paired.sh) and peak memory. Targets: Brisko_rave / briskodec at most 1.10, Brisko_rave /
# mpg123 at most 0.90, each judged on its CPU ratio in the closing verdict lines.
# Usage: bench/mpeg/run-bench.sh [build dir]   (absolute, or relative to the source tree; default
# build/default; briskodec, mvhost, Brisko_rave and bench_rusage must be built). BENCH_RUNS, BENCH_CORE as in
# bench/paired.sh; BENCH_QUICK=1, a quick run that shows the benchmark works: 3-second streams, one
# run of each pair, ffmpeg and madplay left out.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/default}
[ -d "$build" ] || { echo "no build folder $build" >&2; exit 1; }
build=$(cd "$build" && pwd)
dec="$build/bin/briskodec"
host="$build/bin/mvhost"
plugin="$build/lib/Brisko_rave.so"
[ -x "$dec" ] && [ -x "$host" ] && [ -f "$plugin" ] ||
  { echo "build briskodec, mvhost and Brisko_rave first: cmake --build --preset default" >&2; exit 1; }
for tool in sox lame twolame mpg123 taskset; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/install-deps)" >&2; exit 1; }
done
BENCH_WORK="$build/bench/mpeg"
mkdir -p "$BENCH_WORK"
source bench/paired.sh

# The streams are made once and kept in the build folder.
seconds=600 length=10min
[ "$bench_quick" = 1 ] && seconds=3 length=3s
src="$BENCH_WORK/src.wav"
make_stream() {
  local out="$BENCH_WORK/$1"
  shift
  [ -s "$out" ] && return
  [ -s "$src" ] || sox -D -R -n -r 44100 -c 2 -b 16 "$src" synth "$seconds" pinknoise synth "$seconds" sine 100-8000 gain -10
  "$@" "$out"
}
make_stream "bench-$length-128k.mp3" lame --quiet -b 128 "$src"
make_stream "bench-$length-320k.mp3" lame --quiet -b 320 "$src"
make_stream "bench-$length-192k.mp2" twolame --quiet -b 192 "$src"
rm -f "$src"

# The null output that plays at once: a piece takes its decoding time, not its length.
plug=(env ZEPHRA_AUDIO_SINK=null:fast ZEPHRA_MEDIA_SETTINGS=/nonexistent "$host" "$plugin")
bench_load
bench_header
for name in 128k.mp3 320k.mp3 192k.mp2; do
  stream="$BENCH_WORK/bench-$length-$name"
  ours=("$dec" -q -o /dev/null "$stream")
  mpg=(mpg123 -q -s "$stream")
  bench_pair "briskodec / mpg123 ($name)" -- "${ours[@]}" -- "${mpg[@]}"
  bench_pair "Brisko_rave / briskodec ($name)" -- "${plug[@]}" "file://$stream" -- "${ours[@]}"
  bench_verdict "Brisko_rave / briskodec ($name)" 1.10
  bench_pair "Brisko_rave / mpg123 ($name)" -- "${plug[@]}" "file://$stream" -- "${mpg[@]}"
  bench_verdict "Brisko_rave / mpg123 ($name)" 0.90
  if [ "$bench_quick" != 1 ]; then
    bench_pair "briskodec / ffmpeg ($name)" -- "${ours[@]}" -- ffmpeg -v error -i "$stream" -f s16le -y /dev/null
    if [ "$name" != 192k.mp2 ]; then
      bench_pair "briskodec / madplay ($name)" -- "${ours[@]}" -- madplay -Q -o raw:/dev/null "$stream"
    fi
  fi
done
echo "Ratios below 1: the first program is faster."
bench_verdicts_print
