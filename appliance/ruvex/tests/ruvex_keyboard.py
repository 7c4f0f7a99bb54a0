#!/usr/bin/env python3
"""Ruvex under keyboard control, in a pseudo-terminal: p pauses and resumes, s stops (also a stream
whose server has stalled), p after a stop or the end plays again, q ends; a player started in the
background stops reading keys and printing, and plays to the end; the end of the input is q.

usage: ruvex_keyboard.py RUVEX WORK
"""
import os
import pty
import select
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "plimsa", "tests"))
from ruvex_support import SoundServer, Tally, played_once, read_wav  # noqa: E402
from sound_files import run  # noqa: E402

RUVEX, WORK = sys.argv[1], sys.argv[2]
TIMEOUT = 20          # seconds any one expected line may take
HELD_BYTES = 60000    # what a stalled server sends before it waits
os.makedirs(WORK, exist_ok=True)
tally = Tally()

PLAYING = " mpcallback() STATE = MV_PLAYING"
PAUSED = "mpcallback() STATE = MV_PAUSED"
STOPPED = "mpcallback() STATE = MV_STOPPED"
CLOSED = "mpcallback() STATE = MV_CLOSED"
DEAD = "mpcallback() STATE = MV_DEAD"


class Terminal:
    """Ruvex on a pseudo-terminal that is its controlling terminal. In the background it runs in a
    process group of its own, which is not the terminal's foreground group."""

    def __init__(self, args, sink, background=False):
        env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
        env["ZEPHRA_MEDIA_SETTINGS"] = os.path.join(WORK, "no-settings.conf")
        env["ZEPHRA_AUDIO_SINK"] = f"wav:{sink}" if sink else "null"
        pidfile = os.path.join(WORK, "ruvex.pid")
        if os.path.exists(pidfile):
            os.remove(pidfile)
        argv = [RUVEX, *args]
        pid, fd = pty.fork()
        if pid == 0:
            if background:
                player = os.fork()
                if player == 0:
                    os.setpgid(0, 0)
                    with open(pidfile, "w") as f:
                        f.write(str(os.getpid()))
                    os.execve(RUVEX, argv, env)
                _, status = os.waitpid(player, 0)
                os._exit(os.waitstatus_to_exitcode(status))
            os.execve(RUVEX, argv, env)
        self.pid, self.fd = pid, fd
        self.text = ""
        self.cursor = 0
        self.status = None
        self.player = None
        if background:
            deadline = time.monotonic() + TIMEOUT
            while self.player is None and time.monotonic() < deadline:
                self._read(0.05)
                if os.path.exists(pidfile) and open(pidfile).read():
                    self.player = int(open(pidfile).read())

    def _read(self, wait):
        ready, _, _ = select.select([self.fd], [], [], wait)
        if not ready:
            return True
        try:
            data = os.read(self.fd, 4096)
        except OSError:
            return False
        if not data:
            return False
        self.text += data.decode("latin-1").replace("\r\n", "\n")
        return True

    def expect(self, line):
        """Waits for the line to appear after what was expected before."""
        deadline = time.monotonic() + TIMEOUT
        while True:
            at = self.text.find(line + "\n", self.cursor)
            if at >= 0:
                self.cursor = at + len(line) + 1
                return True
            if time.monotonic() > deadline or not self._read(0.1):
                return False

    def press(self, key):
        os.write(self.fd, (key + "\n").encode())

    def wait_exit(self):
        deadline = time.monotonic() + TIMEOUT
        while self.status is None and time.monotonic() < deadline:
            pid, status = os.waitpid(self.pid, os.WNOHANG)
            if pid:
                self.status = os.waitstatus_to_exitcode(status)
            else:
                self._read(0.05)
        while self._read(0):
            if not select.select([self.fd], [], [], 0)[0]:
                break
        if self.status is None:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        os.close(self.fd)
        return self.status


def steps(name, terminal, *lines):
    for line in lines:
        if not terminal.expect(line):
            tally.check(name, False, f"no '{line}' after: {terminal.text[terminal.cursor:]!r}")
            return False
    tally.check(name, True)
    return True


def wait_for_requests(server, count):
    """The player connects on its decoder thread, after it has reported MV_PLAYING."""
    deadline = time.monotonic() + TIMEOUT
    while len(server.request_lines()) < count and time.monotonic() < deadline:
        time.sleep(0.01)


def sigttin_ignored(pid):
    with open(f"/proc/{pid}/status") as f:
        ignored = next(line for line in f if line.startswith("SigIgn:")).split()[1]
    return int(ignored, 16) & (1 << (signal.SIGTTIN - 1)) != 0


# A stereo file long enough to stall on.
files = os.path.join(WORK, "files")
os.makedirs(files, exist_ok=True)
sound = os.path.join(files, "stereo.wav")
run("sox", "-R", "-n", "-r", "22050", "-c", "2", "-b", "16", sound, "synth", "1.3", "whitenoise", "vol", "0.7")
raw = os.path.join(WORK, "stereo.raw")
run("sox", sound, "-t", "raw", "-e", "signed", "-b", "16", raw)
expected = open(raw, "rb").read()

# A file plays to its end and goes back to its start; p plays it again; q ends.
out = os.path.join(WORK, "again.wav")
t = Terminal(["-i", "-v", sound], out)
steps("file: played, rewound", t, "file = " + sound, PLAYING, STOPPED)
t.press("p")
steps("file: p plays again", t, "In Ruvex_rave UserInputThread() You pressed p", PLAYING, STOPPED)
t.press("q")
steps("file: q ends", t, CLOSED, DEAD)
tally.check("file: exit status", t.wait_exit() == 0, str(t.status))
wav = read_wav(out)
tally.check("file: played twice from the start", wav is not None and wav[3] == played_once(expected, 16) * 2,
            "output differs")

# p pauses a stream and p resumes it; nothing is lost.
server = SoundServer(files, held_bytes=HELD_BYTES)
out = os.path.join(WORK, "paused.wav")
t = Terminal(["-i", "-v", server.url("stereo.wav")], out)
steps("stream: playing", t, PLAYING)
wait_for_requests(server, 1)
t.press("p")
steps("stream: p pauses", t, PAUSED)
t.press("p")
steps("stream: p resumes", t, PLAYING)
server.release()
steps("stream: plays to the end", t, STOPPED)
t.press("q")
steps("stream: q ends", t, CLOSED, DEAD)
tally.check("stream: exit status", t.wait_exit() == 0, str(t.status))
wav = read_wav(out)
data = wav[3] if wav else b""
tally.check("stream: every sample played once", data == expected, f"{len(data)} bytes for {len(expected)}")

# s stops a stream whose server has stalled; p connects again; q ends it while it stalls.
server = SoundServer(files, held_bytes=HELD_BYTES)
t = Terminal(["-i", "-v", server.url("stereo.wav")], None)
steps("stalled: playing", t, PLAYING)
wait_for_requests(server, 1)
t.press("s")
steps("stalled: s stops", t, STOPPED)
t.press("p")
steps("stalled: p plays again", t, PLAYING)
wait_for_requests(server, 2)
tally.check("stalled: connected again", len(server.request_lines()) == 2, str(server.request_lines()))
t.press("q")
steps("stalled: q ends", t, STOPPED, CLOSED, DEAD)
tally.check("stalled: exit status", t.wait_exit() == 0, str(t.status))
server.release()

# Started in the background, the player leaves the keyboard alone, stops printing, and plays on.
server = SoundServer(files, held_bytes=HELD_BYTES)
out = os.path.join(WORK, "background.wav")
t = Terminal(["-i", "-v", server.url("stereo.wav")], out, background=True)
deadline = time.monotonic() + TIMEOUT
while t.player and not sigttin_ignored(t.player) and time.monotonic() < deadline:
    time.sleep(0.01)
tally.check("background: keyboard given up", t.player is not None and sigttin_ignored(t.player), "")
server.release()
tally.check("background: exit status", t.wait_exit() == 0, str(t.status))
tally.check("background: silent from then on", DEAD not in t.text, t.text)
wav = read_wav(out)
tally.check("background: played to the end", wav is not None and wav[3] == played_once(expected, 16),
            "output differs")

# The end of the input is the key q: a player whose input closes ends, and does not wait for keys
# that cannot come.
env = {k: v for k, v in os.environ.items() if k != "LD_LIBRARY_PATH"}
env["ZEPHRA_MEDIA_SETTINGS"] = os.path.join(WORK, "no-settings.conf")
env["ZEPHRA_AUDIO_SINK"] = "null"
try:
    ended = subprocess.run([RUVEX, "-i", "-v", sound], stdin=subprocess.DEVNULL, capture_output=True, text=True,
                           env=env, timeout=TIMEOUT)
    tally.check("closed input: ends as after q", ended.returncode == 0 and DEAD in ended.stderr + ended.stdout,
                f"{ended.returncode}: {ended.stderr[-300:]!r}")
except subprocess.TimeoutExpired:
    tally.check("closed input: ends as after q", False, "still waiting for keys")

tally.finish()
