"""Shared pieces of the tests: a running mulan-site, raw HTTP, small audio files."""

import atexit
import http.client
import json
import math
import os
import selectors
import shutil
import socket
import struct
import subprocess
import sys
import tempfile
import wave

TOOL_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SERVER = os.path.join(TOOL_DIR, "mulan_site.py")
GENERATOR = os.path.join(TOOL_DIR, "make_demo_catalogue.py")
START_TIMEOUT = 15

_demo_dir = None


def scratch_dir(prefix):
    path = tempfile.mkdtemp(prefix=prefix)
    atexit.register(shutil.rmtree, path, True)
    return path


def demo_catalogue():
    """A demo catalogue, generated once per test run."""
    global _demo_dir
    if _demo_dir is None:
        path = os.path.join(scratch_dir("mulan-demo-"), "demo")
        result = subprocess.run([sys.executable, GENERATOR, path], capture_output=True, text=True, timeout=120)
        if result.returncode != 0:
            raise RuntimeError("demo catalogue generation failed: " + result.stderr)
        _demo_dir = path
    return _demo_dir


def demo_listing():
    with open(os.path.join(demo_catalogue(), "catalogue.json"), encoding="utf-8") as f:
        return json.load(f)


def write_tone(path, frequency, seconds=0.2, rate=8000):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    frames = b"".join(
        struct.pack("<h", int(12000 * math.sin(2 * math.pi * frequency * i / rate))) for i in range(int(seconds * rate))
    )
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(frames)


class SiteProcess:
    """mulan-site on free ports of 127.0.0.1, with a request log."""

    def __init__(self, catalogue_dir, *extra):
        logs = scratch_dir("mulan-site-log-")
        self.log_path = os.path.join(logs, "requests.log")
        self.errors_path = os.path.join(logs, "stderr.txt")
        with open(self.errors_path, "wb") as errors:
            self.process = subprocess.Popen(
                [sys.executable, SERVER, "--catalogue", catalogue_dir, "--site-port", "0", "--search-port", "0",
                 "--media-port", "0", "--log", self.log_path, *extra],
                stdout=subprocess.PIPE, stderr=errors, text=True)
        line = self._read_ready_line()
        fields = dict(item.split("=", 1) for item in line.split()[1:])
        self.site, self.search, self.media = fields["site"], fields["search"], fields["media"]
        self.ports = {role: int(fields[role].rsplit(":", 1)[1]) for role in ("site", "search", "media")}

    def _read_ready_line(self):
        with selectors.DefaultSelector() as selector:
            selector.register(self.process.stdout, selectors.EVENT_READ)
            if not selector.select(START_TIMEOUT):
                self.stop()
                raise RuntimeError("mulan-site did not get ready")
        line = self.process.stdout.readline()
        if not line.startswith("ready "):
            self.process.wait(10)
            message = self.errors()
            self.stop()
            raise RuntimeError("mulan-site failed to start: %s%s" % (line, message))
        return line

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
        self.process.wait(10)
        self.process.stdout.close()

    def errors(self):
        """What the site wrote to standard error so far."""
        with open(self.errors_path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def log_lines(self):
        with open(self.log_path, encoding="ascii") as f:
            return f.read().splitlines()


class Reply:
    def __init__(self, status, headers, body):
        self.status, self.headers, self.body = status, headers, body

    def header(self, name):
        return self.headers.get(name.lower())


def request(host, target, method="GET", headers=None):
    """Sends one request with the target exactly as given and returns the whole reply."""
    name, port = host.rsplit(":", 1)
    connection = http.client.HTTPConnection(name, int(port), timeout=10)
    try:
        connection.putrequest(method, target, skip_accept_encoding=True)
        for key, value in (headers or {}).items():
            connection.putheader(key, value)
        connection.endheaders()
        response = connection.getresponse()
        body = response.read()
        return Reply(response.status, {k.lower(): v for k, v in response.getheaders()}, body)
    finally:
        connection.close()


def raw_exchange(host, data):
    """Writes data to a fresh connection and returns everything the server sends back."""
    name, port = host.rsplit(":", 1)
    with socket.create_connection((name, int(port)), timeout=10) as s:
        s.sendall(data)
        chunks = []
        while True:
            try:
                chunk = s.recv(65536)
            except ConnectionResetError:
                # The server may close on a request it did not read to the end.
                return b"".join(chunks)
            if not chunk:
                return b"".join(chunks)
            chunks.append(chunk)
