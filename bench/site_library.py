#!/usr/bin/python3
"""mulan-site (the C++ server) over a large music library: first scan, restart, search pages, memory.

Usage: bench/site_library.py [--files N] [--dir DIR] [--queries N] [--search-only] [--cxx-client]
                             [--wine] [--site PROGRAM]

Makes N (default 50 000) small MP3 files once, each one short MPEG frame run behind an ID3v2.4 tag
written here by hand (title, singer, album, some with lyrics), and keeps them in --dir (default
build/bench-library-N) for the next run. The library is the one the Python server was measured on:
same generator, same seed. Then, with every file read once so that the scan reads from the page cache:

- first scan: the real mulan-site on the library with a fresh index, on free ports; files per
  second from its summary line, and the time from its start to its ready line;
- restart: the same program again on the same index and the unchanged folder, start to ready line
  (best and median of three);
- search pages over HTTP on one keep-alive connection, the key percent-encoded in GBK as the player
  sends it: median and 95th percentile for each kind of query (one, two and three characters, one
  letter, two words, misses, pinyin initials and whole syllables, traditional characters), beside a 404 page as the floor of the client and the loopback;
- resident memory of the server (VmRSS and VmHWM) after the scan and after the queries.

Every figure is printed beside the Python server's, measured on this machine before, and beside its
goal as a ratio; nothing fails on a figure. The machine's load is printed beside them: on a busy
machine rerun the search part alone with --search-only.

--wine measures build/mingw/src/site_server/mulan-site.exe under Wine instead (5 000 files unless
--files says otherwise); its restart time includes Wine's own process start, printed apart.

Needs ffmpeg for the one MP3 template (made once per library), and g++ for --cxx-client.
"""

import argparse
import http.client
import os
import random
import re
import shutil
import signal
import statistics
import subprocess
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
NATIVE_SITE = os.path.join(ROOT, "build", "native", "src", "site_server", "mulan-site")
WINE_SITE = os.path.join(ROOT, "build", "mingw", "src", "site_server", "mulan-site.exe")

# The Python server on this machine, 50 000 files, before it was retired.
PYTHON_FIRST_SCAN_FILES_S = 681
PYTHON_RESTART_S = 2.02
PYTHON_SEARCH_P95_MS = 19.2

GOAL_FIRST_SCAN_FILES_S = 5000
GOAL_RESTART_S = 0.3
GOAL_SEARCH_P95_MS = 3.0
GOAL_RESIDENT_MB = 80

RESTARTS = 3
# The server lets a connection go after 1000 requests; a new one is opened before that, untimed.
REQUESTS_PER_CONNECTION = 900
# Bounds of every request loop, whatever --queries says.
MAX_QUERIES_PER_KIND = 5000
SEARCH_TIME_LIMIT_S = 120
FIRST_SCAN_TIME_LIMIT_S = 900
START_TIME_LIMIT_S = 120

LIBRARY_VERSION = 1  # of the generator below: a library made by another version is made again
FILES_PER_FOLDER = 500
SYLLABLES = "后来的我们夜空中星光海风吹过雨夜月亮代表心蓝色天空城市晚安花开时光旅行故事梦想远方青春回忆"
LATIN = ["love", "blue", "night", "star", "rain", "moon", "dream", "city", "road", "fire", "home", "sky"]
LIBRARY_SEED = 15
QUERY_SEED = 16


# ---- The library ---------------------------------------------------------------------------------

def syncsafe(n):
    return bytes(((n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F))


def frame(frame_id, payload):
    return frame_id + syncsafe(len(payload)) + b"\0\0" + payload


def id3_tag(title, singer, album, lyrics):
    body = b"".join(frame(i, b"\x03" + t.encode("utf-8")) for i, t in ((b"TIT2", title), (b"TPE1", singer), (b"TALB", album)))
    if lyrics:
        body += frame(b"USLT", b"\x03chi\0" + lyrics.encode("utf-8"))
    return b"ID3\x04\0\0" + syncsafe(len(body)) + body


def mp3_template(folder):
    path = os.path.join(folder, "template.mp3")
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    "sine=frequency=440:sample_rate=22050:duration=0.1", "-ac", "1", "-c:a", "libmp3lame",
                    "-b:a", "32k", "-write_xing", "0", "-id3v2_version", "0", path], check=True)
    with open(path, "rb") as f:
        data = f.read()
    os.remove(path)
    return data


def make_singers(rng):
    return ["".join(rng.sample(SYLLABLES, rng.randint(2, 3))) + rng.choice(["", " " + rng.choice(LATIN).title()])
            for _ in range(800)]


def library_songs(count):
    """(relative path, title, singer, album, lyrics) of each file, the same on every run."""
    rng = random.Random(LIBRARY_SEED)
    singers = make_singers(rng)
    for n in range(count):
        title = "".join(rng.sample(SYLLABLES, rng.randint(2, 5))) + (rng.choice(LATIN).title() if n % 3 == 0 else "")
        lyrics = "[00:01.00]%s\n[00:03.00]%s" % (title, rng.choice(singers)) if n % 4 == 0 else ""
        yield "%03d/%06d.mp3" % (n // FILES_PER_FOLDER, n), title, rng.choice(singers), "专辑%d" % (n % 997), lyrics


def library_stamp(count):
    return "files=%d version=%d\n" % (count, LIBRARY_VERSION)


def ensure_library(work, count):
    """The music folder under work, made unless a complete one of the same count is already there."""
    os.makedirs(work, exist_ok=True)
    music, stamp = os.path.join(work, "music"), os.path.join(work, "library.stamp")
    try:
        with open(stamp) as f:
            if f.read() == library_stamp(count):
                print("library: %d files kept from an earlier run in %s" % (count, music))
                return music
    except FileNotFoundError:
        pass
    if os.path.exists(stamp):
        os.remove(stamp)
    shutil.rmtree(music, ignore_errors=True)
    started = time.monotonic()
    audio = mp3_template(work)
    folder = None
    for path, title, singer, album, lyrics in library_songs(count):
        full = os.path.join(music, path)
        if os.path.dirname(full) != folder:
            folder = os.path.dirname(full)
            os.makedirs(folder, exist_ok=True)
        with open(full, "wb") as f:
            f.write(id3_tag(title, singer, album, lyrics) + audio)
    with open(stamp, "w") as f:
        f.write(library_stamp(count))
    print("library: %d files made in %.1f s in %s" % (count, time.monotonic() - started, music))
    return music


def warm_page_cache(music):
    started, files, size = time.monotonic(), 0, 0
    for folder, _, names in os.walk(music):
        for name in names:
            with open(os.path.join(folder, name), "rb") as f:
                size += len(f.read())
            files += 1
    print("page cache: %d files (%.1f MB) read in %.1f s" % (files, size / 1e6, time.monotonic() - started))


# ---- The server ----------------------------------------------------------------------------------

def wine_program():
    for name in ("wine64", "/usr/lib/wine/wine64", "wine"):
        found = shutil.which(name)
        if found:
            return found
    raise SystemExit("no wine64 or wine found")


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Site:
    """One run of mulan-site on free ports, its output read as it comes."""

    def __init__(self, program, music, db, ready_file, wine=False):
        self.wine = wine
        if wine:
            command = [wine_program(), program, "--library", windows_path(music), "--db", windows_path(db),
                       "--ready-file", windows_path(ready_file)]
            env = wine_env()
        else:
            command = [program, "--library", music, "--db", db, "--ready-file", ready_file]
            env = None
        command += ["--site-port", "0", "--search-port", "0", "--media-port", "0"]
        self.ready = threading.Event()
        self.ready_line = None
        self.ready_s = None
        self.summary = None
        self.stderr = []
        self.started = time.perf_counter()
        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, env=env)
        self.pid = self.process.pid
        self._readers = [threading.Thread(target=self._read_stdout, daemon=True),
                         threading.Thread(target=self._read_stderr, daemon=True)]
        for reader in self._readers:
            reader.start()

    def _read_stdout(self):
        for raw in self.process.stdout:
            line = raw.decode("utf-8", "replace").strip()
            if line.startswith("ready ") and not self.ready.is_set():
                self.ready_s = time.perf_counter() - self.started
                self.ready_line = line
                self.ready.set()
        self.ready.set()  # the program ended; wait_ready tells the two apart

    def _read_stderr(self):
        for raw in self.process.stderr:
            line = raw.decode("utf-8", "replace").rstrip()
            self.stderr.append(line)
            if " files/s" in line and "indexed " in line:
                self.summary = line

    def wait_ready(self, limit_s):
        if not self.ready.wait(limit_s) or self.ready_line is None:
            status = self.process.poll()
            self.stop()
            raise RuntimeError("mulan-site did not get ready (%s):\n%s" % (
                "still running after %d s" % limit_s if status is None else "exit status %d" % status,
                "\n".join(self.stderr[-20:])))
        self.hosts = dict(item.split("=", 1) for item in self.ready_line.split()[1:])
        return self.ready_s

    def memory_mb(self):
        """(VmRSS, VmHWM) in MB."""
        fields = {}
        with open("/proc/%d/status" % self.pid) as f:
            for line in f:
                name, _, value = line.partition(":")
                if name in ("VmRSS", "VmHWM"):
                    fields[name] = int(value.split()[0]) / 1024
        return fields["VmRSS"], fields["VmHWM"]

    def cpu_s(self):
        with open("/proc/%d/stat" % self.pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")

    def stop(self):
        if self.process.poll() is None:
            # Under Wine a console control event is all the program listens for, and a program without
            # a console gets none: it is ended outright after a short wait.
            self.process.send_signal(signal.SIGINT if self.wine else signal.SIGTERM)
            try:
                self.process.wait(3 if self.wine else 10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)
        for reader in self._readers:
            reader.join(5)


def wine_env():
    """The project's Wine prefix, as scripts/lib/common.sh names it."""
    data = os.environ.get("XDG_DATA_HOME") or os.path.join(os.path.expanduser("~"), ".local", "share")
    prefix = os.environ.get("MULAN_WINEPREFIX") or os.path.join(data, "mulan", "wine64")
    return dict(os.environ, WINEPREFIX=prefix, WINEDEBUG=os.environ.get("WINEDEBUG", "-all"))


def remove_index(db):
    for suffix in ("", "-wal", "-shm"):
        if os.path.exists(db + suffix):
            os.remove(db + suffix)


def summary_rate(line):
    found = re.search(r"in ([0-9.]+) s, ([0-9.]+) files/s", line or "")
    return (float(found.group(1)), float(found.group(2))) if found else (None, None)


# ---- Queries -------------------------------------------------------------------------------------

def encode_key(key):
    """The key as the player puts it into a search address: GBK, percent-encoded its own way."""
    out = []
    for c in key:
        if c in "-,./0123456789":
            out.append(c)
            continue
        try:
            code = c.encode("gbk")
        except UnicodeEncodeError:
            code = b"?"
        if len(code) == 2:
            out.append("%%%02X%%%02X" % (code[0], code[1]))
        elif ("A" <= c <= "Z") or ("a" <= c <= "z"):
            out.append(c)
        else:
            out.append("%%%X" % code[0])
    return "".join(out)


def chinese_part(text):
    return "".join(c for c in text if c in SYLLABLES)


def chinese_tables():
    """(readings, traditional): each character's toneless syllables and its traditional form, from the
    same Unihan the program's tables come from."""
    import runpy
    tables = runpy.run_path(os.path.join(ROOT, "tools", "tables", "make_chinese_tables.py"))
    folder = "/usr/share/unicode"
    readings = {chr(c): r for c, r in tables["reading_map"](folder).items() if chr(c) in SYLLABLES}
    traditional = {}
    for code, field, value in tables["unihan_lines"](folder, "Unihan_Variants.txt"):
        if field == "kTraditionalVariant" and chr(code) in SYLLABLES:
            forms = [int(v[2:], 16) for v in value.split() if int(v[2:], 16) != code]
            if forms:
                traditional[chr(code)] = chr(forms[0])
    return readings, traditional


def make_queries(count, per_kind):
    """{kind: [key, ...]} with per_kind keys of each kind; words are cut from the library's own titles
    and singers where a kind is meant to hit."""
    songs = [(chinese_part(title), chinese_part(singer)) for _, title, singer, _, _ in library_songs(count)]
    rng = random.Random(QUERY_SEED)

    def cut(text, length):
        start = rng.randrange(len(text) - length + 1)
        return text[start:start + length]

    def with_title(length):
        while True:
            title, _ = rng.choice(songs)
            if len(title) >= length:
                return title

    def two_words(n):
        if n % 2:
            return "%s %s" % (rng.choice(SYLLABLES), rng.choice(LATIN))
        title, singer = rng.choice(songs)
        return "%s %s" % (cut(title, 2), cut(singer, 2))

    readings, traditional = chinese_tables()

    def initials(n):
        return "".join(readings[c][0][0] for c in cut(with_title(3), 3))

    def syllables(n):
        return "".join(readings[c][0] for c in cut(with_title(2), 2))

    def traditional_forms(n):
        return "".join(traditional.get(c, c) for c in cut(with_title(2), 2))

    kinds = {
        "1 character": lambda n: rng.choice(SYLLABLES),
        "2 characters": lambda n: cut(with_title(2), 2),
        "3 characters": lambda n: cut(with_title(3), 3),
        "1 letter": lambda n: rng.choice("abcdefghilmnorstuvy"),
        "two words": two_words,
        "miss": lambda n: "没有这样的歌名%d" % rng.randint(0, 999),
        "pinyin initials": initials,
        "pinyin syllables": syllables,
        "traditional": traditional_forms,
    }
    return {kind: [make(n) for n in range(per_kind)] for kind, make in kinds.items()}


def search_targets(queries, rng):
    """(kind, target) for every query, the kinds taken in turn so that any drift of the machine's load
    falls on all of them alike."""
    targets = []
    for n in range(max(len(keys) for keys in queries.values())):
        for kind, keys in queries.items():
            if n < len(keys):
                page = rng.choice((1, 1, 1, 2, 5))
                targets.append((kind, "/so.asp?page=%d&key=%s" % (page, encode_key(keys[n]))))
    return targets


TOTAL = re.compile(r"找到相关结果共<font color=\"#c60a00\">(\d+)</font>".encode("utf-8"))


class Client:
    """One keep-alive connection, opened again (untimed) before the server would close it."""

    def __init__(self, host):
        self.name, port = host.rsplit(":", 1)
        self.port = int(port)
        self.connection = None
        self.used = 0

    def get(self, target):
        """(status, body, milliseconds from sending the request to the last byte of the answer)."""
        if self.connection is None or self.used >= REQUESTS_PER_CONNECTION:
            self.close()
            self.connection = http.client.HTTPConnection(self.name, self.port, timeout=30)
            self.connection.connect()
            self.used = 0
        started = time.perf_counter()
        self.connection.request("GET", target)
        response = self.connection.getresponse()
        body = response.read()
        elapsed = (time.perf_counter() - started) * 1000
        self.used += 1
        if response.will_close:
            self.close()
        return response.status, body, elapsed

    def close(self):
        if self.connection is not None:
            self.connection.close()
            self.connection = None


def time_with_python(host, targets, deadline):
    """{kind: [(ms, hits or None, status)]} for targets, in their order, until the deadline."""
    client = Client(host)
    results = {}
    try:
        for kind, target in targets:
            if time.monotonic() > deadline:
                break
            status, body, ms = client.get(target)
            found = TOTAL.search(body)
            results.setdefault(kind, []).append((ms, int(found.group(1)) if found else None, status))
    finally:
        client.close()
    return results


CXX_CLIENT = r"""
// Times GET requests on one keep-alive connection, as little work between them as can be: the
// targets come on standard input one a line ("KIND\tTARGET"), "KIND\tMICROSECONDS\tSTATUS" goes out.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

static int Connect(const char* address, int port) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<unsigned short>(port));
    inet_pton(AF_INET, address, &to.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) { std::perror("connect"); std::exit(1); }
    return fd;
}

// Reads one answer whole (headers, then Content-Length bytes); the status, or -1 when the connection ended.
static int ReadAnswer(int fd, std::string& buffer, bool& closing) {
    std::size_t headEnd;
    while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
        char chunk[65536];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) return -1;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    const std::string head = buffer.substr(0, headEnd);
    std::string lower = head;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::size_t at = lower.find("\r\ncontent-length:");
    const std::size_t length = at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 17, nullptr, 10);
    closing = lower.find("\r\nconnection: close") != std::string::npos;
    while (buffer.size() < headEnd + 4 + length) {
        char chunk[65536];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) return -1;
        buffer.append(chunk, static_cast<std::size_t>(got));
    }
    const int status = std::atoi(head.c_str() + 9);
    buffer.erase(0, headEnd + 4 + length);
    return status;
}

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const char* address = argv[1];
    const int port = std::atoi(argv[2]);
    const int perConnection = std::atoi(argv[3]);
    const std::string host = std::string(address) + ":" + argv[2];
    int fd = -1, used = 0;
    std::string line, buffer;
    while (std::getline(std::cin, line)) {
        const std::size_t tab = line.find('\t');
        if (fd < 0 || used >= perConnection) {
            if (fd >= 0) close(fd);
            fd = Connect(address, port);
            used = 0;
            buffer.clear();
        }
        const std::string request = "GET " + line.substr(tab + 1) + " HTTP/1.1\r\nHost: " + host + "\r\n\r\n";
        const auto started = std::chrono::steady_clock::now();
        if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return 1;
        bool closing = false;
        const int status = ReadAnswer(fd, buffer, closing);
        const auto us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - started).count();
        if (status < 0) return 1;
        ++used;
        if (closing) { close(fd); fd = -1; }
        std::printf("%s\t%.1f\t%d\n", line.substr(0, tab).c_str(), us, status);
    }
    return 0;
}
"""


def build_cxx_client(work):
    source, program = os.path.join(work, "http_timer.cpp"), os.path.join(work, "http_timer")
    with open(source, "w") as f:
        f.write(CXX_CLIENT)
    subprocess.run(["g++", "-std=c++20", "-O2", "-o", program, source], check=True)
    return program


def time_with_cxx(program, host, targets):
    """{kind: [ms]} for targets, timed by the small C++ client."""
    name, port = host.rsplit(":", 1)
    if name == "localhost":
        name = "127.0.0.1"
    lines = "".join("%s\t%s\n" % (kind.replace(" ", "_"), target) for kind, target in targets)
    done = subprocess.run([program, name, port, str(REQUESTS_PER_CONNECTION)], input=lines, capture_output=True,
                          text=True, timeout=SEARCH_TIME_LIMIT_S, check=True)
    results = {}
    for line in done.stdout.splitlines():
        kind, us, status = line.split("\t")
        results.setdefault(kind.replace("_", " "), []).append((float(us) / 1000, None, int(status)))
    return results


# ---- Figures -------------------------------------------------------------------------------------

def load():
    return "load %.1f %.1f %.1f on %d CPUs" % (*os.getloadavg(), os.cpu_count())


def spread(times):
    """(median, 95th percentile, max)."""
    if len(times) < 2:
        return (times[0],) * 3 if times else (float("nan"),) * 3
    return statistics.median(times), statistics.quantiles(times, n=20)[-1], max(times)


def verdict(value, goal, at_least):
    met = value >= goal if at_least else value <= goal
    return "%s (%.2f of the goal)" % ("met" if met else "MISSED", value / goal)


def print_kinds(title, results, floor_p95=None):
    print(title)
    print("  %-13s %5s %9s %9s %9s %9s %8s" % ("kind", "n", "median", "p95", "max", "hits", "no hits"))
    worst = 0.0
    for kind, rows in results.items():
        if kind == "404 page":
            continue
        times = [ms for ms, _, _ in rows]
        hits = [h for _, h, _ in rows if h is not None]
        median, p95, top = spread(times)
        worst = max(worst, p95)
        print("  %-13s %5d %7.2f ms %6.2f ms %6.2f ms %9s %8s" % (
            kind, len(times), median, p95, top, "%.0f" % statistics.mean(hits) if hits else "-",
            sum(1 for h in hits if h == 0) if hits else "-"))
    if "404 page" in results:
        median, p95, top = spread([ms for ms, _, _ in results["404 page"]])
        print("  %-13s %5d %7.2f ms %6.2f ms %6.2f ms   (the floor: client, loopback and HTTP alone)"
              % ("404 page", len(results["404 page"]), median, p95, top))
    bad = [(kind, status) for kind, rows in results.items() for _, _, status in rows
           if status != (404 if kind == "404 page" else 200)]
    if bad:
        print("  unexpected answers: %d, first %r" % (len(bad), bad[0]))
    return worst


def measure_search(site, queries, rng, cxx_program, deadline_s):
    targets = search_targets(queries, rng)
    # The floor goes in among the searches, one in every kind's turn.
    mixed = []
    per_turn = len(queries)
    for n in range(0, len(targets), per_turn):
        mixed += targets[n:n + per_turn]
        mixed.append(("404 page", "/no-such-page-%d.htm" % n))
    warm = [t for t in mixed if t[0] != "404 page"][:100] + [("404 page", "/warm.htm")] * 20
    time_with_python(site.hosts["search"], warm, time.monotonic() + 60)

    print("search: %d queries of each of %d kinds, %s" % (len(next(iter(queries.values()))), len(queries), load()))
    cpu = site.cpu_s()
    started = time.monotonic()
    results = time_with_python(site.hosts["search"], mixed, started + deadline_s)
    wall = time.monotonic() - started
    cpu = site.cpu_s() - cpu
    count = sum(len(rows) for rows in results.values())
    worst = print_kinds("search pages over HTTP, Python http.client, one keep-alive connection:", results)
    print("  %d requests in %.1f s; server CPU %.2f ms a request (%s)" % (count, wall, cpu * 1000 / count, load()))
    floor = spread([ms for ms, _, _ in results.get("404 page", [])])[0]
    if cxx_program:
        time_with_cxx(cxx_program, site.hosts["search"], warm)
        cxx = time_with_cxx(cxx_program, site.hosts["search"], mixed)
        cxx_worst = print_kinds("search pages over HTTP, small C++ client, one keep-alive connection:", cxx)
        print("  (%s)" % load())
        return worst, cxx_worst, floor
    return worst, None, floor


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--files", type=int, help="files in the library (default 50 000, 5 000 with --wine)")
    parser.add_argument("--queries", type=int, default=250, help="queries of each kind (default 250)")
    parser.add_argument("--dir", help="where the library and index are kept (default build/bench-library-N)")
    parser.add_argument("--search-only", action="store_true",
                        help="only the searches and memory, on the index an earlier run left in --dir")
    parser.add_argument("--cxx-client", action="store_true",
                        help="time the searches with a small C++ client too (built with g++ into --dir)")
    parser.add_argument("--wine", action="store_true", help="measure mulan-site.exe under Wine")
    parser.add_argument("--site", help="the program to measure (default the native or MinGW build)")
    args = parser.parse_args()
    files = args.files or (5000 if args.wine else 50000)
    queries_per_kind = max(1, min(args.queries, MAX_QUERIES_PER_KIND))
    program = args.site or (WINE_SITE if args.wine else NATIVE_SITE)
    if not os.path.exists(program):
        raise SystemExit("%s is not built (cmake --build --preset %s --target mulan-site)"
                         % (program, "mingw" if args.wine else "native"))
    work = os.path.abspath(args.dir or os.path.join(ROOT, "build", "bench-library-%d" % files))
    music = ensure_library(work, files)
    db = os.path.join(work, "index-wine.db" if args.wine else "index.db")
    ready_file = os.path.join(work, "site.ready")
    print("program: %s%s" % (program, " under Wine" if args.wine else ""))
    cxx_program = build_cxx_client(work) if args.cxx_client else None

    figures = {}
    if args.wine:
        # What any Wine program takes to start and end here: part of every restart under Wine.
        env = wine_env()
        starts = []
        for n in range(4):
            started = time.perf_counter()
            subprocess.run([wine_program(), program, "--help"], capture_output=True, env=env, timeout=120)
            starts.append(time.perf_counter() - started)
        figures["wine start"] = statistics.median(starts[1:])
        print("Wine start and end of the program with --help: first %.2f s, then median %.2f s (%s)"
              % (starts[0], figures["wine start"], load()))

    # What the program holds with no songs at all, to tell the songs' share of its memory.
    empty = os.path.join(work, "empty")
    os.makedirs(empty, exist_ok=True)
    remove_index(os.path.join(work, "empty.db"))
    site = Site(program, empty, os.path.join(work, "empty.db"), ready_file, args.wine)
    try:
        site.wait_ready(START_TIME_LIMIT_S)
        rss, hwm = site.memory_mb()
    finally:
        site.stop()
    figures["empty"] = rss
    print("the program on an empty folder: ready after %.3f s, resident %.1f MB, peak %.1f MB" % (site.ready_s, rss, hwm))

    if not args.search_only:
        warm_page_cache(music)
        remove_index(db)
        print("first scan, %s" % load())
        site = Site(program, music, db, ready_file, args.wine)
        try:
            ready_s = site.wait_ready(FIRST_SCAN_TIME_LIMIT_S)
            rss, hwm = site.memory_mb()
            cpu = site.cpu_s()
        finally:
            site.stop()
        scan_s, rate = summary_rate(site.summary)
        print("  %s" % site.ready_line)
        print("  %s" % site.summary)
        print("  ready after %.2f s (%.0f files/s start to ready), server CPU %.2f s (%.0f files per CPU second);"
              " resident %.1f MB, peak %.1f MB" % (ready_s, files / ready_s, cpu, files / cpu, rss, hwm))
        print("  (%s)" % load())
        figures["first scan"] = rate
        figures["first scan CPU"] = cpu
        figures["memory"] = [("after the first scan", rss, hwm)]

        print("restart on the unchanged library, %d times, %s" % (RESTARTS, load()))
        restarts, cpus = [], []
        for n in range(RESTARTS):
            site = Site(program, music, db, ready_file, args.wine)
            try:
                ready_s = site.wait_ready(START_TIME_LIMIT_S)
                rss, hwm = site.memory_mb()
                cpu = site.cpu_s()
            finally:
                site.stop()
            restarts.append(ready_s)
            cpus.append(cpu)
            print("  ready after %.3f s, CPU %.2f s, resident %.1f MB, peak %.1f MB; %s"
                  % (ready_s, cpu, rss, hwm, site.summary))
        figures["restart"] = (min(restarts), statistics.median(restarts))
        figures["restart CPU"] = statistics.median(cpus)
        figures["memory"].append(("after a restart", rss, hwm))
        print("  best %.3f s, median %.3f s (%s)" % (*figures["restart"], load()))
    elif not os.path.exists(db):
        raise SystemExit("no index in %s: run once without --search-only" % work)

    site = Site(program, music, db, ready_file, args.wine)
    try:
        site.wait_ready(START_TIME_LIMIT_S if args.search_only else FIRST_SCAN_TIME_LIMIT_S)
        rss, hwm = site.memory_mb()
        figures.setdefault("memory", []).append(("ready for the queries", rss, hwm))
        queries = make_queries(files, queries_per_kind)
        worst, cxx_worst, floor = measure_search(site, queries, random.Random(QUERY_SEED + 1), cxx_program,
                                                 SEARCH_TIME_LIMIT_S)
        rss, hwm = site.memory_mb()
        figures["memory"].append(("after the queries", rss, hwm))
    finally:
        site.stop()
    figures["search"] = worst
    for when, rss, hwm in figures["memory"]:
        print("memory %s: VmRSS %.1f MB, VmHWM %.1f MB" % (when, rss, hwm))

    print()
    print("mulan-site%s, %d files, beside the Python server (50 000 files) and the goals; %s"
          % (" under Wine" if args.wine else "", files, load()))
    if "first scan" in figures:
        rate = figures["first scan"]
        print("  first scan            %8.0f files/s (%.0f per server CPU second)   Python %d files/s (%.1f times as fast)"
              "   goal >= %d: %s" % (rate, files / figures["first scan CPU"], PYTHON_FIRST_SCAN_FILES_S,
                                     rate / PYTHON_FIRST_SCAN_FILES_S, GOAL_FIRST_SCAN_FILES_S,
                                     verdict(rate, GOAL_FIRST_SCAN_FILES_S, True)))
    if "restart" in figures:
        best, median = figures["restart"]
        print("  unchanged restart     %8.3f s best, %.3f s median (server CPU %.2f s)   Python %.2f s (%.1f times as fast)"
              "   goal <= %.1f s: %s" % (best, median, figures["restart CPU"], PYTHON_RESTART_S, PYTHON_RESTART_S / median,
                                         GOAL_RESTART_S, verdict(median, GOAL_RESTART_S, False)))
        if "wine start" in figures:
            print("  restart less Wine's  %8.3f s median (Wine's own start and end %.2f s)"
                  % (median - figures["wine start"], figures["wine start"]))
    print("  search page p95       %8.2f ms (worst kind, http.client; 404 floor median %.2f ms)   Python %.1f ms   goal <= %.0f ms: %s"
          % (worst, floor, PYTHON_SEARCH_P95_MS, GOAL_SEARCH_P95_MS, verdict(worst, GOAL_SEARCH_P95_MS, False)))
    if cxx_worst is not None:
        print("  search page p95       %8.2f ms (worst kind, C++ client)   goal <= %.0f ms: %s"
              % (cxx_worst, GOAL_SEARCH_P95_MS, verdict(cxx_worst, GOAL_SEARCH_P95_MS, False)))
    peak = max(max(rss, hwm) for _, rss, hwm in figures["memory"])
    print("  resident memory       %8.1f MB (highest VmHWM; %.1f MB with no songs)   goal <= %d MB: %s"
          % (peak, figures["empty"], GOAL_RESIDENT_MB, verdict(peak, GOAL_RESIDENT_MB, False)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
