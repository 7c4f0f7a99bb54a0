"""Test sound files made by sox and ffmpeg, each with the samples the same tools decode from it:
the reference a player of the file must reproduce exactly.

make_cases(work) returns the playable files as Case records; make_refused(work) the files that are
recognised and refused, with the message the refusal carries.
"""
import os
import subprocess
from dataclasses import dataclass


@dataclass
class Case:
    name: str
    path: str
    expected: bytes   # the tools' decoding: unsigned 8-bit or signed 16-bit little-endian samples
    bits: int         # 8 or 16
    channels: int
    rate: int
    slack_ms: int     # how far the duration a reader reports may stray (ADPCM and GSM blocks)


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def _top16(samples32):
    """The top 16 bits of each signed 32-bit little-endian sample."""
    return b"".join(samples32[i + 2:i + 4] for i in range(0, len(samples32), 4))


class _Maker:
    def __init__(self, work):
        self.work = work
        os.makedirs(work, exist_ok=True)
        self.cases = []

    def path(self, name):
        return os.path.join(self.work, name)

    def sox(self, name, source, *options):
        run("sox", source, *options, self.path(name))

    def sox_reference(self, name, encoding, bits):
        raw = self.path(name + ".ref")
        run("sox", self.path(name), "-t", "raw", "-e", encoding, "-b", str(bits), raw)
        with open(raw, "rb") as f:
            return f.read()

    def ffmpeg_reference(self, name):
        raw = self.path(name + ".ref")
        run("ffmpeg", "-loglevel", "error", "-y", "-i", self.path(name), "-f", "s16le", "-c:a", "pcm_s16le", raw)
        with open(raw, "rb") as f:
            return f.read()

    def add(self, name, expected, bits, channels, rate, slack_ms=0):
        self.cases.append(Case(name, self.path(name), expected, bits, channels, rate, slack_ms))

    def make_sources(self):
        # Stereo noise and a sweep at 22050 Hz, a mono sweep at 8000 Hz, a loud square wave at
        # 11025 Hz; lengths that leave a partial block at the end.
        run("sox", "-R", "-n", "-r", "22050", "-c", "2", "-b", "16", self.path("stereo.wav"), "synth", "1.3",
            "whitenoise", "sine", "100-5000", "vol", "0.9")
        run("sox", "-R", "-n", "-r", "8000", "-c", "1", "-b", "16", self.path("mono.wav"), "synth", "2.07", "sine",
            "300-3000", "vol", "0.8")
        run("sox", "-R", "-n", "-r", "11025", "-c", "1", "-b", "16", self.path("loud.wav"), "synth", "0.9", "square",
            "60", "vol", "0.99")
        return (("mono", 1, 8000), ("stereo", 2, 22050), ("loud", 1, 11025))

    def make_from(self, tag, channels, rate):
        source = self.path(f"{tag}.wav")

        def made(name, *options):
            self.sox(name, source, *options)
            return name

        name = made(f"pcm16-{tag}.wav")
        self.add(name, self.sox_reference(name, "signed", 16), 16, channels, rate)
        name = made(f"pcm8-{tag}.wav", "-b", "8")
        self.add(name, self.sox_reference(name, "unsigned", 8), 8, channels, rate)
        for bits in (24, 32):
            for kind, options in (("ext", []), ("plain", ["-t", "wavpcm"])):
                name = made(f"pcm{bits}-{kind}-{tag}.wav", "-b", str(bits), *options)
                self.add(name, _top16(self.sox_reference(name, "signed", 32)), 16, channels, rate)
        for encoding, short in (("ima-adpcm", "ima"), ("ms-adpcm", "ms")):
            name = made(f"{short}-{tag}.wav", "-e", encoding)
            self.add(name, self.sox_reference(name, "signed", 16), 16, channels, rate, slack_ms=2)
        for encoding, short in (("a-law", "alaw"), ("mu-law", "ulaw")):
            for container in ("wav", "au"):
                name = made(f"{short}-{tag}.{container}", "-e", encoding)
                self.add(name, self.sox_reference(name, "signed", 16), 16, channels, rate)
        name = made(f"s8-{tag}.au", "-e", "signed", "-b", "8")
        self.add(name, self.sox_reference(name, "unsigned", 8), 8, channels, rate)
        name = made(f"s16-{tag}.au", "-e", "signed", "-b", "16")
        self.add(name, self.sox_reference(name, "signed", 16), 16, channels, rate)
        name = made(f"pcm16-{tag}.aiff")
        self.add(name, self.sox_reference(name, "signed", 16), 16, channels, rate)
        name = made(f"pcm8-{tag}.aiff", "-b", "8")
        self.add(name, self.sox_reference(name, "unsigned", 8), 8, channels, rate)
        if channels == 1:
            name = made(f"{tag}.8svx")
            self.add(name, self.sox_reference(name, "unsigned", 8), 8, channels, rate)


def make_cases(work):
    maker = _Maker(work)
    for tag, channels, rate in maker.make_sources():
        maker.make_from(tag, channels, rate)
    mono = maker.path("mono.wav")
    # GSM: 8000 Hz mono; decoded continuously, the samples equal sox's own libgsm decoding.
    maker.sox("gsm-mono.wav", mono, "-e", "gsm-full-rate")
    maker.add("gsm-mono.wav", maker.sox_reference("gsm-mono.wav", "signed", 16), 16, 1, 8000, slack_ms=2)
    # AIFC mu-law with an 8-bit sample size, as ffmpeg writes it; sox cannot read it, ffmpeg decodes it.
    run("ffmpeg", "-loglevel", "error", "-y", "-i", mono, "-c:a", "pcm_mulaw", maker.path("ulaw-mono.aifc"))
    maker.add("ulaw-mono.aifc", maker.ffmpeg_reference("ulaw-mono.aifc"), 16, 1, 8000)
    return maker.cases


def make_refused(work):
    """VOC is recognised and refused. Needs make_cases(work) first (it makes the sources)."""
    maker = _Maker(work)
    maker.sox("mono.voc", maker.path("mono.wav"))
    return [(maker.path("mono.voc"), "VOC Unsupported compression format")]
