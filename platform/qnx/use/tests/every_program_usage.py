#!/usr/bin/env python3
"""Every program answers --help with its usage record, as `use` prints it, on standard output and
exit status 0, without opening a window or starting its work; and a wrong option with a line that
names the program and the option, then how to run it, on standard error. The media player and the
jukebox answer a wrong option as they always have: the player with nothing at all, the jukebox with
its usage line alone on standard output.

usage: every_program_usage.py USE NAME=PATH:STATUS...   (STATUS: the exit status for a wrong option)
"""
import os
import subprocess
import sys

USE = sys.argv[1]
PROGRAMS = [(spec.split("=", 1)[0], *spec.split("=", 1)[1].rsplit(":", 1)) for spec in sys.argv[2:]]
# Without a display a program that wrongly went on to open its window would fail here.
ENV = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
failures = []
# Programs whose answer to a wrong option is fixed otherwise: (standard output, standard error).
OWN_ANSWER = {
    "velora": ("", ""),
    "sorvex": ("Usage: sorvex [-x|y|w|h num] [-f config-file] [starting-dir]\n", ""),
}


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True, env=ENV, stdin=subprocess.DEVNULL, timeout=60)


for name, path, bad_status in PROGRAMS:
    record = run(USE, name)
    if record.returncode != 0 or not record.stdout.startswith(name + " - "):
        failures.append(f"use {name}: {record.returncode} {record.stdout!r} {record.stderr!r}")
        continue
    helped = run(path, "--help")
    if (helped.returncode, helped.stdout, helped.stderr) != (0, record.stdout, ""):
        failures.append(f"{name} --help: {helped.returncode} {helped.stdout[:200]!r} {helped.stderr[:200]!r}")
    wrong = run(path, "--bogus")
    if name in OWN_ANSWER:
        if wrong.returncode != int(bad_status) or (wrong.stdout, wrong.stderr) != OWN_ANSWER[name]:
            failures.append(f"{name} --bogus: {wrong.returncode} {wrong.stdout[:200]!r} {wrong.stderr[:300]!r}")
        continue
    first = wrong.stderr.splitlines()[0] if wrong.stderr else ""
    tells_usage = record.stdout in wrong.stderr or f"use {name}" in wrong.stderr or f"Usage: {name}" in wrong.stderr
    if wrong.returncode != int(bad_status) or wrong.stdout or not first.startswith(name + ": ") \
            or "--bogus" not in first or not tells_usage:
        failures.append(f"{name} --bogus: {wrong.returncode} {wrong.stdout[:200]!r} {wrong.stderr[:300]!r}")

for failure in failures:
    print("FAILED:", failure)
print(f"{len(PROGRAMS)} programs, {len(failures)} failures")
sys.exit(1 if failures else 0)
