"""Shared pieces of the Ruvex end-to-end tests: a loopback HTTP server for sound files, the WAV
file the sound library's file output writes, and the test's tally."""
import os
import socket
import sys
import threading
import wave



class Tally:
    def __init__(self):
        self.passed = 0
        self.failures = []

    def check(self, name, ok, detail=""):
        if ok:
            self.passed += 1
        else:
            self.failures.append(f"{name}: {detail}")

    def finish(self):
        for failure in self.failures:
            print("FAILED:", failure)
        print(f"{self.passed} passed, {len(self.failures)} failed")
        sys.exit(1 if self.failures else 0)


def read_wav(path):
    """(channels, sample bits, rate, data) of a WAV file, or None when there is none."""
    if not os.path.exists(path):
        return None
    with wave.open(path) as w:
        return w.getnchannels(), w.getsampwidth() * 8, w.getframerate(), w.readframes(w.getnframes())


def played_once(expected, bits):
    """What the output holds after one play: the samples exactly (a file output leaves out the
    silence that completes a device's last fragment)."""
    return expected


class SoundServer:
    """Serves files from a folder over HTTP/1.0 on 127.0.0.1. A held server sends the answer's head
    and the first `held_bytes` of the body, then waits for release() before the rest."""

    def __init__(self, folder, held_bytes=None):
        self.folder = folder
        self.held_bytes = held_bytes
        self.released = threading.Event()
        self.requests = []
        self.lock = threading.Lock()
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        threading.Thread(target=self._serve, daemon=True).start()

    def url(self, name):
        return f"http://127.0.0.1:{self.port}/{name}"

    def release(self):
        self.released.set()

    def request_lines(self):
        with self.lock:
            return list(self.requests)

    def _serve(self):
        while True:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            threading.Thread(target=self._answer, args=(client,), daemon=True).start()

    def _answer(self, client):
        with client:
            head = b""
            while b"\r\n\r\n" not in head:
                chunk = client.recv(4096)
                if not chunk:
                    return
                head += chunk
            request_line = head.split(b"\r\n", 1)[0].decode("latin-1")
            with self.lock:
                self.requests.append(request_line)
            path = os.path.join(self.folder, request_line.split(" ")[1].lstrip("/"))
            try:
                if not os.path.isfile(path):
                    client.sendall(b"HTTP/1.0 404 Not Found\r\n\r\n")
                    return
                body = open(path, "rb").read()
                client.sendall(b"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n")
                if self.held_bytes is not None:
                    client.sendall(body[:self.held_bytes])
                    self.released.wait(60)
                    body = body[self.held_bytes:]
                client.sendall(body)
            except OSError:
                pass
