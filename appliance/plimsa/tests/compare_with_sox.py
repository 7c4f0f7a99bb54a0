#!/usr/bin/env python3
"""Decodes sound files made by sox and ffmpeg with plimsa-decode and checks the samples against the
same tools' own decoding: equal bytes, equal sample count, and the duration the reader reports.

usage: compare_with_sox.py plimsa-decode work-dir
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from sound_files import make_cases, make_refused  # noqa: E402

DECODE, WORK = sys.argv[1], sys.argv[2]
failures = []


def decode(path, stream):
    out = path + (".stream.raw" if stream else ".raw")
    args = [DECODE] + (["--stream"] if stream else []) + [path, out]
    result = subprocess.run(args, capture_output=True, text=True)
    data = open(out, "rb").read() if os.path.exists(out) else b""
    return result, data


def check(case):
    for stream in (False, True):
        how = case.name + (" (stream)" if stream else "")
        result, data = decode(case.path, stream)
        if result.returncode != 0:
            failures.append(f"{how}: exit {result.returncode}: {result.stderr.strip()}")
            continue
        info = dict(re.findall(r"(\w+)=(\S*)", result.stdout))
        frame = int(info["channels"]) * case.bits // 8
        if int(info["bits"]) != case.bits:
            failures.append(f"{how}: {info['bits']}-bit output, expected {case.bits}")
        if len(data) != len(case.expected):
            failures.append(f"{how}: {len(data) // frame} frames, expected {len(case.expected) // frame}")
        elif data != case.expected:
            first = next(i for i in range(len(data)) if data[i] != case.expected[i])
            failures.append(f"{how}: samples differ from byte {first}")
        duration = len(case.expected) // frame * 1000 // int(info["rate"])
        if abs(int(info["duration"]) - duration) > case.slack_ms:
            failures.append(f"{how}: duration {info['duration']} ms, expected {duration}")


def check_refused(path, refusal):
    message = f"plimsa-decode: {path}: {refusal}"  # the program's line names the file
    for stream in (False, True):
        result, _ = decode(path, stream)
        if result.returncode != 3 or result.stderr.strip() != message:
            failures.append(f"{path}: exit {result.returncode} '{result.stderr.strip()}', expected '{message}'")


for case in make_cases(WORK):
    check(case)
for path, message in make_refused(WORK):
    check_refused(path, message)

for failure in failures:
    print(failure)
print(f"{len(failures)} failures")
sys.exit(1 if failures else 0)
