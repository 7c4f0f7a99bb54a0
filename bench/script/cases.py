# The work of cases/*.vbs done by CPython, each in a function, for bench/script/run.
# Usage: python3 cases.py CASE COUNT   prints the CPU seconds the case took the second time it ran
# (start-up excluded; CPU time, which other work on a shared machine disturbs less than the clock).
import re
import sys
import time


def intloop(count):
    n = 0
    for i in range(1, count + 1):
        n = n + 1
    assert n == count


def append(count):
    s = ""
    for i in range(1, count + 1):
        s = s + "x"
    assert len(s) == count


def dictionary(count):
    d = {}
    for i in range(1, count + 1):
        k = "k" + str(i)
        if k in d:
            raise KeyError(k)
        d[k] = i
    t = 0
    for i in range(1, count + 1):
        k = "k" + str(i)
        if k in d:
            t = t + d[k]
    assert len(d) == count


def prepare_regexp(count):
    return "ab12 cd345" * count


def regexp(count, text):
    r = re.sub(r"\d+", "#", text)
    assert len(r) == 7 * count


def main():
    case, count = sys.argv[1], int(sys.argv[2])
    args = (count, prepare_regexp(count)) if case == "regexp" else (count,)
    fn = globals()[case]
    fn(*args)  # as the engine's runner does: the second run is timed
    start = time.process_time()
    fn(*args)
    print(f"{time.process_time() - start:.6f}")


main()
