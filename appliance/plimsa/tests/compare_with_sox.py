#!/usr/bin/env python3
"""Decodes sound files made by sox and ffmpeg with plimsa-decode and checks the samples against the
same tools' own decoding: equal bytes, equal sample count, and the duration the reader reports.

usage: compare_with_sox.py plimsa-decode work-dir
"""
import os
import re
import subprocess
import sys

DECODE, WORK = sys.argv[1], sys.argv[2]
os.makedirs(WORK, exist_ok=True)
failures = []


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def path(name):
    return os.path.join(WORK, name)


def sox_make(name, source, *options):
    run("sox", source, *options, path(name))
    return path(name)


def reference(name, encoding, bits):
    raw = path(name + ".ref")
    run("sox", path(name), "-t", "raw", "-e", encoding, "-b", str(bits), raw)
    with open(raw, "rb") as f:
        return f.read()


def top16(samples32):
    """The top 16 bits of each signed 32-bit little-endian sample."""
    return b"".join(samples32[i + 2:i + 4] for i in range(0, len(samples32), 4))


def ffmpeg_reference(name):
    raw = path(name + ".ref")
    run("ffmpeg", "-loglevel", "error", "-y", "-i", path(name), "-f", "s16le", "-c:a", "pcm_s16le", raw)
    with open(raw, "rb") as f:
        return f.read()


def decode(name, stream):
    out = path(name + (".stream.raw" if stream else ".raw"))
    args = [DECODE] + (["--stream"] if stream else []) + [path(name), out]
    result = subprocess.run(args, capture_output=True, text=True)
    data = open(out, "rb").read() if os.path.exists(out) else b""
    return result, data


def check(name, expected, bits, slack_ms=0):
    for stream in (False, True):
        how = name + (" (stream)" if stream else "")
        result, data = decode(name, stream)
        if result.returncode != 0:
            failures.append(f"{how}: exit {result.returncode}: {result.stderr.strip()}")
            continue
        info = dict(re.findall(r"(\w+)=(\S*)", result.stdout))
        frame = int(info["channels"]) * bits // 8
        if int(info["bits"]) != bits:
            failures.append(f"{how}: {info['bits']}-bit output, expected {bits}")
        if len(data) != len(expected):
            failures.append(f"{how}: {len(data) // frame} frames, expected {len(expected) // frame}")
        elif data != expected:
            first = next(i for i in range(len(data)) if data[i] != expected[i])
            failures.append(f"{how}: samples differ from byte {first}")
        duration = len(expected) // frame * 1000 // int(info["rate"])
        if abs(int(info["duration"]) - duration) > slack_ms:
            failures.append(f"{how}: duration {info['duration']} ms, expected {duration}")


def check_refused(name, message):
    for stream in (False, True):
        result, _ = decode(name, stream)
        if result.returncode != 3 or result.stderr.strip() != message:
            failures.append(f"{name}: exit {result.returncode} '{result.stderr.strip()}', expected '{message}'")


# Sources: stereo noise and a sweep at 22050 Hz, a mono sweep with noise at 8000 Hz; lengths that
# leave a partial block at the end.
stereo = path("stereo.wav")
run("sox", "-R", "-n", "-r", "22050", "-c", "2", "-b", "16", stereo, "synth", "1.3", "whitenoise", "sine", "100-5000",
    "vol", "0.9")
mono = path("mono.wav")
run("sox", "-R", "-n", "-r", "8000", "-c", "1", "-b", "16", mono, "synth", "2.07", "sine", "300-3000", "vol", "0.8")
loud = path("loud.wav")
run("sox", "-R", "-n", "-r", "11025", "-c", "1", "-b", "16", loud, "synth", "0.9", "square", "60", "vol", "0.99")

for source, tag in ((mono, "mono"), (stereo, "stereo"), (loud, "loud")):
    channels = "1" if source != stereo else "2"
    sox_make(f"pcm16-{tag}.wav", source)
    check(f"pcm16-{tag}.wav", reference(f"pcm16-{tag}.wav", "signed", 16), 16)
    sox_make(f"pcm8-{tag}.wav", source, "-b", "8")
    check(f"pcm8-{tag}.wav", reference(f"pcm8-{tag}.wav", "unsigned", 8), 8)
    for bits in (24, 32):
        for kind, options in (("ext", []), ("plain", ["-t", "wavpcm"])):
            name = f"pcm{bits}-{kind}-{tag}.wav"
            sox_make(name, source, "-b", str(bits), *options)
            check(name, top16(reference(name, "signed", 32)), 16)
    for encoding, name in (("ima-adpcm", "ima"), ("ms-adpcm", "ms")):
        sox_make(f"{name}-{tag}.wav", source, "-e", encoding)
        check(f"{name}-{tag}.wav", reference(f"{name}-{tag}.wav", "signed", 16), 16, slack_ms=2)
    for encoding, name in (("a-law", "alaw"), ("mu-law", "ulaw")):
        sox_make(f"{name}-{tag}.wav", source, "-e", encoding)
        check(f"{name}-{tag}.wav", reference(f"{name}-{tag}.wav", "signed", 16), 16)
        sox_make(f"{name}-{tag}.au", source, "-e", encoding)
        check(f"{name}-{tag}.au", reference(f"{name}-{tag}.au", "signed", 16), 16)
    sox_make(f"s8-{tag}.au", source, "-e", "signed", "-b", "8")
    check(f"s8-{tag}.au", reference(f"s8-{tag}.au", "unsigned", 8), 8)
    sox_make(f"s16-{tag}.au", source, "-e", "signed", "-b", "16")
    check(f"s16-{tag}.au", reference(f"s16-{tag}.au", "signed", 16), 16)
    sox_make(f"pcm16-{tag}.aiff", source)
    check(f"pcm16-{tag}.aiff", reference(f"pcm16-{tag}.aiff", "signed", 16), 16)
    sox_make(f"pcm8-{tag}.aiff", source, "-b", "8")
    check(f"pcm8-{tag}.aiff", reference(f"pcm8-{tag}.aiff", "unsigned", 8), 8)
    if channels == "1":
        sox_make(f"{tag}.8svx", source)
        check(f"{tag}.8svx", reference(f"{tag}.8svx", "unsigned", 8), 8)

# GSM: 8000 Hz mono; decoded continuously, the samples equal sox's own libgsm decoding.
sox_make("gsm-mono.wav", mono, "-e", "gsm-full-rate")
check("gsm-mono.wav", reference("gsm-mono.wav", "signed", 16), 16, slack_ms=2)

# AIFC mu-law with an 8-bit sample size, as ffmpeg writes it; sox cannot read it, ffmpeg decodes it.
run("ffmpeg", "-loglevel", "error", "-y", "-i", mono, "-c:a", "pcm_mulaw", path("ulaw-mono.aifc"))
check("ulaw-mono.aifc", ffmpeg_reference("ulaw-mono.aifc"), 16)

# VOC is recognised and refused.
sox_make("mono.voc", mono)
check_refused("mono.voc", "VOC Unsupported compression format")

for failure in failures:
    print(failure)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
