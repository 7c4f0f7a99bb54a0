#!/usr/bin/env bash
# Speed of the MPEG audio decoder beside ffmpeg and madplay: each decodes the same 10-minute
# 44.1 kHz stereo 128 kbit/s stream to PCM, as a whole process on one core, best of three runs;
# and the plug-in Brisko_rave playing it in the media host mvhost into the null output (reader and
# decoder threads, ring buffer, audio output), with its speed against real time.
# Usage: bench/mpeg/run-bench.sh [build dir]   (default: build/default; briskodec, mvhost and
# Brisko_rave must be built)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/default}
dec="$build/bin/briskodec"
host="$build/bin/mvhost"
plugin="$build/lib/Brisko_rave.so"
[ -x "$dec" ] && [ -x "$host" ] && [ -f "$plugin" ] ||
  { echo "build briskodec, mvhost and Brisko_rave first: cmake --build --preset default" >&2; exit 1; }
work="$build/bench/mpeg"
mkdir -p "$work"
stream="$work/bench-10min-128k.mp3"
if [ ! -s "$stream" ]; then
  sox -D -R -n -r 44100 -c 2 -b 16 "$work/src.wav" synth 600 pinknoise synth 600 sine 100-8000 gain -10
  lame --quiet -b 128 "$work/src.wav" "$stream"
  rm -f "$work/src.wav"
fi
core=${BENCH_CORE:-0}

# Prints "seconds peak_kb" of the best of three runs of the command.
measure() {
  local best="" mem=""
  for _ in 1 2 3; do
    /usr/bin/time -f "%e %M" -o "$work/time.txt" taskset -c "$core" "$@" >/dev/null 2>&1
    read -r s m < "$work/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($s < $best)}"; then best=$s; mem=$m; fi
  done
  echo "$best $mem"
}

read -r t_ours m_ours < <(measure "$dec" -q -o /dev/null "$stream")
read -r t_ff m_ff < <(measure ffmpeg -v error -i "$stream" -f s16le -y /dev/null)
read -r t_mad m_mad < <(measure madplay -Q -o raw:/dev/null "$stream")
read -r t_plug m_plug < <(ZEPHRA_AUDIO_SINK=null ZEPHRA_MEDIA_SETTINGS=/nonexistent measure "$host" "$plugin" "file://$PWD/$stream")

printf '%-12s %8s %12s %14s\n' program seconds "peak KiB" "time / ours"
printf '%-12s %8s %12s %14s\n' briskodec "$t_ours" "$m_ours" 1.00
printf '%-12s %8s %12s %14s\n' ffmpeg "$t_ff" "$m_ff" "$(awk "BEGIN{printf \"%.2f\", $t_ff / $t_ours}")"
printf '%-12s %8s %12s %14s\n' madplay "$t_mad" "$m_mad" "$(awk "BEGIN{printf \"%.2f\", $t_mad / $t_ours}")"
printf '%-12s %8s %12s %14s\n' Brisko_rave "$t_plug" "$m_plug" "$(awk "BEGIN{printf \"%.2f\", $t_plug / $t_ours}")"
echo "Brisko_rave plays $(awk "BEGIN{printf \"%.0f\", 600 / $t_plug}") times faster than real time"
