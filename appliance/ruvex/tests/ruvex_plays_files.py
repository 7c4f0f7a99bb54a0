#!/usr/bin/env python3
"""Ruvex end to end: every test file, played from a file and over HTTP into the sound library's
WAV file output, gives exactly the samples sox (or ffmpeg) decodes from it; refusals, errors,
the command line, and finding the plug-in from the build tree or an installed layout.

usage: ruvex_plays_files.py RUVEX PLUGIN WORK USE
"""
import glob
import os
import shutil
import socket
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "plimsa", "tests"))
from ruvex_support import SoundServer, Tally, played_once, read_wav  # noqa: E402
from sound_files import make_cases, make_refused  # noqa: E402

RUVEX, PLUGIN, WORK, USE = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4]
tally = Tally()


def ruvex(*args, sink=None, program=RUVEX, library_path=None):
    env = {k: v for k, v in os.environ.items() if k not in ("LD_LIBRARY_PATH", "ZEPHRA_MEDIA_PLUGINS")}
    if library_path:
        env["LD_LIBRARY_PATH"] = library_path
    env["ZEPHRA_MEDIA_SETTINGS"] = os.path.join(WORK, "no-settings.conf")
    env["ZEPHRA_AUDIO_SINK"] = f"wav:{sink}" if sink else "null"
    return subprocess.run([program, *args], capture_output=True, text=True, env=env, cwd=WORK, timeout=60)


def state_lines(stderr):
    return [line for line in stderr.splitlines() if "STATE" in line]


PLAYED = ["mpcallback() STATE = MV_OPENING", "mpcallback() STATE = MV_STOPPED", " mpcallback() STATE = MV_PLAYING",
          "mpcallback() STATE = MV_STOPPED", "mpcallback() STATE = MV_CLOSED", "mpcallback() STATE = MV_DEAD"]


def check_played(how, case, result, out):
    tally.check(f"{how}: exit status", result.returncode == 0, f"{result.returncode}: {result.stderr}")
    tally.check(f"{how}: states", state_lines(result.stderr) == PLAYED, result.stderr)
    wav = read_wav(out)
    if wav is None:
        tally.check(f"{how}: output", False, "no WAV file")
        return
    channels, bits, rate, data = wav
    tally.check(f"{how}: format", (channels, bits, rate) == (case.channels, case.bits, case.rate),
                f"{(channels, bits, rate)}")
    expected = played_once(case.expected, case.bits)
    if data != expected:
        frame = case.channels * case.bits // 8
        first = next((i for i in range(min(len(data), len(expected))) if data[i] != expected[i]), None)
        tally.check(f"{how}: samples", False,
                    f"{len(data) // frame} frames, expected {len(case.expected) // frame} and the padding; "
                    f"first difference at byte {first}")
    else:
        tally.check(f"{how}: samples", True)


cases = make_cases(os.path.join(WORK, "files"))
server = SoundServer(os.path.join(WORK, "files"))
for case in cases:
    out = os.path.join(WORK, case.name + ".out.wav")
    check_played(case.name, case, ruvex("-v", case.path, sink=out), out)
    out = os.path.join(WORK, case.name + ".http.wav")
    check_played(case.name + " over http", case, ruvex("-v", server.url(case.name), sink=out), out)

# The first line names the argument; the URL reaches the server unchanged.
first = cases[0]
result = ruvex("-v", server.url(first.name), sink=os.path.join(WORK, "url.wav"))
tally.check("file line", result.stderr.splitlines()[0] == f"file = {server.url(first.name)}", result.stderr)
tally.check("request line", f"GET /{first.name} HTTP/1.0" in server.request_lines(), server.request_lines())

# A file URL and a relative name play the same file.
out = os.path.join(WORK, "url-form.wav")
result = ruvex(f"file://{first.path}", sink=out)
tally.check("file:// URL", result.returncode == 0 and read_wav(out)[3] == played_once(first.expected, first.bits),
            result.stderr)
out = os.path.join(WORK, "relative.wav")
result = ruvex(os.path.relpath(first.path, WORK), sink=out)
tally.check("relative name", result.returncode == 0 and read_wav(out)[3] == played_once(first.expected, first.bits),
            result.stderr)

# A stream that stalls ends at the socket's time-out and says so: the cause named is the time-out,
# never the socket's "try again" of a read that timed out.
stalled = SoundServer(os.path.join(WORK, "files"), held_bytes=20000)
result = ruvex(stalled.url(first.name), sink=os.path.join(WORK, "stalled.wav"))
stalled.release()
tally.check("stalled stream", result.returncode == 1 and "Connection timed out" in result.stderr and
            "Resource temporarily unavailable" not in result.stderr, f"{result.returncode}: {result.stderr}")

# Refused and unreadable files: the plug-in's text, no output, exit status 1.
for path, message in make_refused(os.path.join(WORK, "files")):
    out = os.path.join(WORK, "refused.wav")
    for how, target in (("file", path), ("http", server.url(os.path.basename(path)))):
        result = ruvex(target, sink=out)
        # The plug-in's text, after the program's name and the file or URL.
        line = f"ruvex: {path if how == 'file' else target}: {message}"
        tally.check(f"refused {how}", result.returncode == 1 and line in result.stderr.splitlines(), result.stderr)
        tally.check(f"refused {how}: nothing played", not os.path.exists(out), "output written")
result = ruvex("/nonexistent/none.wav")
tally.check("missing file", result.returncode == 1 and
            result.stderr == "ruvex: cannot open /nonexistent/none.wav: No such file or directory\n", result.stderr)
with open(os.path.join(WORK, "notes.txt"), "w") as f:
    f.write("not a sound file at all, just some words to fill more than a header's bytes\n")
result = ruvex("notes.txt")
tally.check("not recognised", result.returncode == 1 and
            "ruvex: notes.txt: File format not recognized" in result.stderr.splitlines(), result.stderr)
result = ruvex(server.url("missing.wav"))
tally.check("HTTP error", result.returncode == 1 and "HTTP request failed: 404 Not Found" in result.stderr,
            result.stderr)
unused = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
unused.bind(("127.0.0.1", 0))
free_port = unused.getsockname()[1]
unused.close()
result = ruvex(f"http://127.0.0.1:{free_port}/a.wav")
tally.check("no server", result.returncode == 1 and "Unable to connect to server" in result.stderr, result.stderr)

# Without a sound device and without an output named, the play fails with the device's error.
if not glob.glob("/dev/snd/controlC*"):
    env = {k: v for k, v in os.environ.items() if k not in ("LD_LIBRARY_PATH", "ZEPHRA_AUDIO_SINK")}
    env["ZEPHRA_MEDIA_SETTINGS"] = os.path.join(WORK, "no-settings.conf")
    result = subprocess.run([RUVEX, first.path], capture_output=True, text=True, env=env, cwd=WORK, timeout=60)
    tally.check("no device", result.returncode == 1 and "snd_pcm_open failed: No such device" in result.stderr,
                f"{result.returncode}: {result.stderr}")

# The command line.
result = ruvex()
tally.check("no argument", result.returncode == 1 and result.stderr ==
            "ruvex: Invalid argument (no file or URL given): type 'use ruvex' for usage options\n", repr(result.stderr))
for option in ("-x", "--bogus"):
    result = ruvex(option, first.path)
    tally.check(f"unknown option {option}", result.returncode == 1 and result.stderr ==
                f"ruvex: Invalid argument (unknown option {option}): type 'use ruvex' for usage options\n",
                repr(result.stderr))
usage = subprocess.run([USE, "ruvex"], capture_output=True, text=True).stdout
# The usage names the variable that chooses the output, and each of its values.
tally.check("usage names the output variable",
            all(word in usage for word in ("ZEPHRA_AUDIO_SINK", "alsa[:DEVICE]", "wav:PATH", "null:fast")), usage)
for asked in (["-h"], ["--help"], ["-v", "--help", first.path]):
    result = ruvex(*asked)
    tally.check(f"help {asked}", result.returncode == 0 and result.stdout == usage and not result.stderr,
                repr(result.stdout + result.stderr))

# The usage line's advice works: use prints the record under the name it is asked for.
for name in ("Ruvex_rave", "ruvex", RUVEX):
    result = subprocess.run([USE, name], capture_output=True, text=True, timeout=10)
    shown = os.path.basename(name)
    lines = result.stdout.splitlines()
    tally.check(f"use {name}", result.returncode == 0 and lines[:2] == [
        f"{shown} - Command-line sound player", f"{shown} [options] url"] and "%C" not in result.stdout,
        result.stdout + result.stderr)
result = subprocess.run([USE, "no-such-program"], capture_output=True, text=True, timeout=10)
tally.check("use: no record", result.returncode == 1 and
            result.stderr == "use: no usage information for no-such-program\n", result.stderr)

# The plug-in is found beside the program, in the lib folder next to its folder, or through the
# library search path.
for layout, plugin_folder, seen_as in (("beside", "bin", "bin"), ("installed", "lib", "bin/../lib")):
    root = os.path.join(WORK, layout)
    os.makedirs(os.path.join(root, "bin"), exist_ok=True)
    os.makedirs(os.path.join(root, plugin_folder), exist_ok=True)
    program = shutil.copy(RUVEX, os.path.join(root, "bin", "ruvex"))
    shutil.copy(PLUGIN, os.path.join(root, plugin_folder, "Plimsa_rave.so"))
    out = os.path.join(WORK, layout + ".wav")
    result = ruvex("-v", first.path, sink=out, program=program)
    loaded = f"'{os.path.join(root, seen_as, 'Plimsa_rave.so')}'"
    tally.check(f"plug-in {layout}", result.returncode == 0 and loaded in result.stderr, result.stderr)
    tally.check(f"plug-in {layout}: played", read_wav(out) is not None and
                read_wav(out)[3] == played_once(first.expected, first.bits), result.stderr)
alone = os.path.join(WORK, "alone")
os.makedirs(alone, exist_ok=True)
program = shutil.copy(RUVEX, os.path.join(alone, "ruvex"))
result = ruvex("-v", first.path, program=program, library_path=os.path.dirname(PLUGIN))
tally.check("plug-in by search path", result.returncode == 0 and "'Plimsa_rave.so'" in result.stderr, result.stderr)

tally.finish()
