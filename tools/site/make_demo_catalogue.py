#!/usr/bin/env python3
"""Generates mulan-site's demo catalogue: 36 songs of pure tones with timed Chinese lyrics.

Usage: make_demo_catalogue.py OUTDIR

Each song is a sine tone of its own frequency (300 + 40*k Hz, k = 0..35, written into
catalogue.json as "frequency"), 3 to 8 seconds long, as MP3 (lame) or WAV (sox). Most songs
have a .lrc beside the audio file with one line a second from 00:00.50 on; a few have none.
Running it again on an up-to-date folder only checks it. Needs the programs sox and lame.

Search keys, as the player's search box would send them:
- "u" finds 32 songs: two result pages of 20 and 12, and the player's page count
  (32 / 20 rounded) is 2 as well. It is also the player's start-up search.
- "柳如云" finds 3 songs: one page.
"""

import concurrent.futures
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

GENERATOR_VERSION = 1
FIRST_ID = 1001
BASE_FREQUENCY = 300
FREQUENCY_STEP = 40
SAMPLE_RATE = 44100
MP3_BITRATE = 128

KEY_TWO_PAGES = "u"
KEY_TWO_PAGES_HITS = 32
KEY_ONE_PAGE = "柳如云"
KEY_ONE_PAGE_HITS = 3

# (title, singer). Titles carry no white space: the player's scraper keeps a name only up to
# its first white space. Exactly four songs lack the letter u in title and singer.
SONGS = [
    ("后来的我们", "柳如云 Liu"),
    ("月光小路", "柳如云 Liu"),
    ("城南旧事", "柳如云 Liu"),
    ("鹿港小镇", "鹿鸣 Lu Ming"),
    ("林间小鹿", "鹿鸣 Lu Ming"),
    ("Luna", "苏小暖 Su"),
    ("蓝色Blue", "陈默"),
    ("UFO降落", "唐糖"),
    ("夏夜晚风", "何夏"),
    ("山丘之上", "陈默"),
    ("等风来", "何夏"),
    ("糖果屋", "唐糖"),
    ("雨巷", "林夕雨 Yu"),
    ("青青河畔", "周青 Zhou"),
    ("白露为霜", "白露 Bailu"),
    ("小川流水", "王小川 Chuan"),
    ("北方的雪", "顾北 Gu Bei"),
    ("晚安Summer", "何夏"),
    ("听海", "苏小暖 Su"),
    ("星空下", "林夕雨 Yu"),
    ("旧时光", "周青 Zhou"),
    ("秋天的信", "白露 Bailu"),
    ("远方", "王小川 Chuan"),
    ("南山以南", "顾北 Gu Bei"),
    ("Lullaby摇篮曲", "陈默"),
    ("花开的声音", "苏小暖 Su"),
    ("风中的歌", "鹿鸣 Lu Ming"),
    ("归途Journey", "唐糖"),
    ("清晨", "林夕雨 Yu"),
    ("灯火", "周青 Zhou"),
    ("云朵", "白露 Bailu"),
    ("海风Blues", "何夏"),
    ("小城日记", "王小川 Chuan"),
    ("向北走", "顾北 Gu Bei"),
    ("Sunny午后", "陈默"),
    ("月亮船", "苏小暖 Su"),
]

# Lyric lines: no spaces, no "-" (the player splits lyrics at "-"), nothing that looks like a time.
LINES = [
    "风吹过安静的街",
    "你的笑像月光",
    "我们走过那年夏天",
    "雨落在窗前",
    "灯火照亮回家的路",
    "时间慢慢地走",
    "星星在天上眨眼",
    "心里的歌轻轻唱",
    "远方有人在等待",
    "花开又花落",
    "海浪拍打着沙滩",
    "晚风带走了思念",
]


def song_table():
    """The songs as catalogue entries, without anything that depends on the output folder."""
    table = []
    for k, (title, singer) in enumerate(SONGS):
        song_id = str(FIRST_ID + k)
        duration = 3 + k % 6
        audio_format = "wav" if k % 4 == 3 else "mp3"
        has_lyrics = k % 7 != 6
        table.append(
            {
                "id": song_id,
                "title": title,
                "singer": singer,
                "file": "audio/%s.%s" % (song_id, audio_format),
                "lrc": "audio/%s.lrc" % song_id if has_lyrics else None,
                "frequency": BASE_FREQUENCY + FREQUENCY_STEP * k,
                "duration": duration,
            }
        )
    return table


def lyric_lines(k, title, duration):
    """One line a second at half past, the first one the title, all inside the song."""
    lines = []
    second = 0
    while second + 0.5 < duration - 0.2:
        words = title if second == 0 else LINES[(3 * k + second) % len(LINES)]
        lines.append("[%02d:%02d.50]%s" % (second // 60, second % 60, words))
        second += 1
    return lines


def search_count(table, key):
    words = [w.casefold() for w in key.split()]
    return sum(all(w in s["title"].casefold() or w in s["singer"].casefold() for w in words) for s in table)


def stamp(table):
    data = json.dumps([GENERATOR_VERSION, SAMPLE_RATE, MP3_BITRATE, table, LINES], ensure_ascii=False, sort_keys=True)
    return hashlib.sha256(data.encode("utf-8")).hexdigest()


def up_to_date(outdir, expected):
    try:
        with open(os.path.join(outdir, "catalogue.json"), encoding="utf-8") as f:
            current = json.load(f)
    except (OSError, ValueError):
        return False
    if current.get("stamp") != expected:
        return False
    for song in current.get("songs", []):
        for rel in (song.get("file"), song.get("lrc")):
            if rel and not os.path.isfile(os.path.join(outdir, rel)):
                return False
    return True


def run(command):
    result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        raise RuntimeError("%s failed: %s" % (command[0], result.stderr.strip()))


def make_audio(path, frequency, duration, scratch):
    wav = path if path.endswith(".wav") else os.path.join(scratch, os.path.basename(path) + ".wav")
    temporary = wav + ".part.wav"
    # Short fades keep the tone free of clicks without moving its frequency.
    run(["sox", "-n", "-r", str(SAMPLE_RATE), "-c", "1", "-b", "16", temporary,
         "synth", str(duration), "sine", str(frequency), "vol", "0.5", "fade", "q", "0.02", "-0", "0.02"])
    if path.endswith(".wav"):
        os.replace(temporary, path)
        return
    run(["lame", "--quiet", "-b", str(MP3_BITRATE), temporary, path + ".part"])
    os.remove(temporary)
    os.replace(path + ".part", path)


def write_text(path, content):
    with open(path + ".part", "w", encoding="utf-8", newline="\n") as f:
        f.write(content)
    os.replace(path + ".part", path)


def generate(outdir):
    table = song_table()
    expected = stamp(table)
    if up_to_date(outdir, expected):
        print("demo catalogue up to date: %s" % outdir)
        return
    for tool in ("sox", "lame"):
        if shutil.which(tool) is None:
            raise RuntimeError("%s not found: install the Debian packages sox and lame" % tool)
    os.makedirs(os.path.join(outdir, "audio"), exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
        jobs = [pool.submit(make_audio, os.path.join(outdir, s["file"]), s["frequency"], s["duration"], scratch)
                for s in table]
        for job in jobs:
            job.result()
    for k, song in enumerate(table):
        if song["lrc"]:
            write_text(os.path.join(outdir, song["lrc"]), "\n".join(lyric_lines(k, song["title"], song["duration"])) + "\n")
    keys = {
        "two_pages": {"key": KEY_TWO_PAGES, "hits": search_count(table, KEY_TWO_PAGES), "pages": 2},
        "one_page": {"key": KEY_ONE_PAGE, "hits": search_count(table, KEY_ONE_PAGE), "pages": 1},
    }
    catalogue = {"name": "mulan-site demo catalogue", "stamp": expected, "search_keys": keys, "songs": table}
    # catalogue.json goes last: its stamp says the whole folder is complete.
    write_text(os.path.join(outdir, "catalogue.json"), json.dumps(catalogue, ensure_ascii=False, indent=1) + "\n")
    print("demo catalogue written: %s (%d songs)" % (outdir, len(table)))


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: make_demo_catalogue.py OUTDIR\n")
        return 2
    table = song_table()
    if search_count(table, KEY_TWO_PAGES) != KEY_TWO_PAGES_HITS or search_count(table, KEY_ONE_PAGE) != KEY_ONE_PAGE_HITS:
        sys.stderr.write("make_demo_catalogue: the song table no longer gives the documented search counts\n")
        return 1
    try:
        generate(argv[1])
    except (OSError, RuntimeError) as err:
        sys.stderr.write("make_demo_catalogue: %s\n" % err)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
