#!/usr/bin/python3
"""mulan-site over a large music library: first scan rate, incremental rescan, search page times.

Usage: bench/site_library.py [--files N] [--dir DIR] [--queries N]

Makes N (default 50 000) small MP3 files, each one short MPEG frame run behind an ID3v2.4 tag
written here by hand (title, singer, album, some with lyrics), then measures:

- the first scan, in process (files per second);
- the start of the real program on the same, unchanged library until its ready line (the
  incremental rescan; goal under 3 s);
- search pages fetched over HTTP for a mix of queries (one- and two-character words, trigram
  words, two words, singers, misses): median and 95th percentile (goal p95 under 20 ms).

Run with Debian's python3 (mutagen, SQLite with FTS5). Needs ffmpeg for the one MP3 template.
"""

import argparse
import http.client
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SITE_DIR = os.path.join(os.path.dirname(HERE), "tools", "site")
sys.path.insert(0, SITE_DIR)

from mulansite import tags  # noqa: E402
from mulansite.index import Index  # noqa: E402
from mulansite.library import Library  # noqa: E402
from mulansite.query import encode_query  # noqa: E402
from mulansite.scan import Scanner  # noqa: E402

RESCAN_GOAL_S = 3.0
SEARCH_P95_GOAL_MS = 20.0
FILES_PER_FOLDER = 500
SYLLABLES = "后来的我们夜空中星光海风吹过雨夜月亮代表心蓝色天空城市晚安花开时光旅行故事梦想远方青春回忆"
LATIN = ["love", "blue", "night", "star", "rain", "moon", "dream", "city", "road", "fire", "home", "sky"]


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


def make_library(root, count, rng):
    audio = mp3_template(os.path.dirname(root))
    singers = make_singers(rng)
    for n in range(count):
        folder = os.path.join(root, "%03d" % (n // FILES_PER_FOLDER))
        if n % FILES_PER_FOLDER == 0:
            os.makedirs(folder, exist_ok=True)
        title = "".join(rng.sample(SYLLABLES, rng.randint(2, 5))) + (rng.choice(LATIN).title() if n % 3 == 0 else "")
        lyrics = "[00:01.00]%s\n[00:03.00]%s" % (title, rng.choice(singers)) if n % 4 == 0 else ""
        data = id3_tag(title, rng.choice(singers), "专辑%d" % (n % 997), lyrics) + audio
        with open(os.path.join(folder, "%06d.mp3" % n), "wb") as f:
            f.write(data)
    return singers


def scan(root, db, progress=None):
    """The scan's summary and the CPU seconds it took."""
    index = Index(db)
    cpu = time.process_time()
    summary = Scanner(index, root, tags.read, lambda line: None, progress).run()
    cpu = time.process_time() - cpu
    index.close()
    return summary, cpu


def search_cpu_ms(root, db, keys, rng):
    """CPU milliseconds of each search page in process, without HTTP: a figure a busy machine skews less."""
    index = Index(db)
    library = Library(root, index)
    index.warm()
    times = []
    for key in keys:
        started = time.thread_time()
        library.search_page(key, rng.choice((1, 1, 1, 2, 5)))
        times.append((time.thread_time() - started) * 1000)
    index.close()
    return times


def spread(times):
    return statistics.median(times), statistics.quantiles(times, n=20)[-1], max(times)


def start_site(root, db):
    """The real program on the library; (process, seconds until its ready line, its hosts)."""
    started = time.monotonic()
    process = subprocess.Popen([sys.executable, os.path.join(SITE_DIR, "mulan_site.py"), "--catalogue", root, "--db", db,
                                "--site-port", "0", "--search-port", "0", "--media-port", "0"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = process.stdout.readline()
    seconds = time.monotonic() - started
    if not line.startswith("ready "):
        process.kill()
        raise RuntimeError("mulan-site did not start: " + line + process.stderr.read())
    fields = dict(item.split("=", 1) for item in line.split()[1:])
    return process, seconds, fields


def queries(rng, singers, count):
    kinds = [
        lambda: rng.choice("abcdefghilmnorstuvy"),  # one letter: a scan with instr()
        lambda: "".join(rng.sample(SYLLABLES, 2)),  # two characters: a scan
        lambda: "".join(rng.sample(SYLLABLES, 3)),  # trigram
        lambda: rng.choice(LATIN),
        lambda: rng.choice(singers).split()[0],
        lambda: "%s %s" % (rng.choice(SYLLABLES), rng.choice(LATIN)),
        lambda: "没有这样的歌名%d" % rng.randint(0, 999),
    ]
    return [kinds[n % len(kinds)]() for n in range(count)]


def time_searches(host, keys, rng):
    name, port = host.rsplit(":", 1)
    connection = http.client.HTTPConnection(name, int(port), timeout=30)
    times = []
    for key in keys:
        page = rng.choice((1, 1, 1, 2, 5))
        target = "/so.asp?page=%d&key=%s" % (page, encode_query(key))
        started = time.perf_counter()
        connection.request("GET", target)
        response = connection.getresponse()
        response.read()
        times.append((time.perf_counter() - started) * 1000)
        if response.status != 200:
            raise RuntimeError("search %r gave %d" % (key, response.status))
    connection.close()
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--files", type=int, default=50000)
    parser.add_argument("--queries", type=int, default=200)
    parser.add_argument("--dir", help="work folder (default: a temporary one, removed afterwards)")
    parser.add_argument("--reuse", action="store_true", help="keep the library and index an earlier run left in --dir")
    args = parser.parse_args()
    work = args.dir or tempfile.mkdtemp(prefix="mulan-bench-library-")
    os.makedirs(work, exist_ok=True)
    rng = random.Random(15)
    try:
        root, db = os.path.join(work, "music"), os.path.join(work, "index.db")
        print("load average at the start: %.1f %.1f %.1f on %d CPUs" % (*os.getloadavg(), os.cpu_count()))
        if args.reuse and args.dir and os.path.exists(db):
            singers = make_singers(rng)
        else:
            shutil.rmtree(root, ignore_errors=True)
            for suffix in ("", "-wal", "-shm"):
                if os.path.exists(db + suffix):
                    os.remove(db + suffix)
            started = time.monotonic()
            singers = make_library(root, args.files, rng)
            print("library: %d files made in %.1f s" % (args.files, time.monotonic() - started))
            summary, cpu = scan(root, db, sys.stderr)
            print("first scan: %d songs in %.1f s (%.1f s CPU), %.0f files/s"
                  % (summary.songs, summary.seconds, cpu, summary.read / summary.seconds))
        summary, cpu = scan(root, db)
        print("rescan in process (unchanged library): %.2f s (%.2f s CPU)" % (summary.seconds, cpu))

        process, rescan_s, hosts = start_site(root, db)
        try:
            print("rescan (start until ready, unchanged library): %.2f s, goal < %.1f s, ratio %.2f"
                  % (rescan_s, RESCAN_GOAL_S, rescan_s / RESCAN_GOAL_S))
            keys = queries(rng, singers, args.queries)
            times = time_searches(hosts["search"], keys, rng)
        finally:
            process.terminate()
            process.wait(10)
        print("search page over HTTP, %d queries: median %.1f ms, p95 %.1f ms, max %.1f ms; goal p95 < %.0f ms, ratio %.2f"
              % (len(times), *spread(times), SEARCH_P95_GOAL_MS, spread(times)[1] / SEARCH_P95_GOAL_MS))
        cpu_times = search_cpu_ms(root, db, keys, rng)
        print("search in process, CPU time: median %.1f ms, p95 %.1f ms, max %.1f ms" % spread(cpu_times))
        print("load average at the end: %.1f %.1f %.1f on %d CPUs" % (*os.getloadavg(), os.cpu_count()))
    finally:
        if not args.dir:
            shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
