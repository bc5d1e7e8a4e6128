#!/usr/bin/python3
"""Makes a small music library with tags of every kind mulan-site reads, for its tests.

Usage: make_test_library.py OUTDIR [SECONDS]

Each song is a sine tone (ffmpeg) whose tags are written with mutagen: ID3v2 with synchronised
lyrics (MP3), MP4 atoms with ©lyr (M4A), Vorbis comments with LYRICS (FLAC, Ogg), ASF with
WM/Lyrics (WMA); an untagged WAV named "singer - title"; an MP3 whose Latin-1 frames hold GBK
bytes and whose .lrc beside it wins over its USLT; and a corrupt MP3. Lyric lines come at 0.5 s,
1.5 s and 2.5 s (SYLT), so SECONDS (default 0.5) of 3 or more show them all. SONGS says what each file
should give.
"""

import os
import subprocess
import sys

from mutagen.asf import ASF
from mutagen.flac import FLAC
from mutagen.id3 import ID3, SYLT, TALB, TIT2, TPE1, USLT, Encoding
from mutagen.mp4 import MP4
from mutagen.oggvorbis import OggVorbis

# path: (title, singer, album, tone in Hz, first lyric line or None), as the site should read them.
SONGS = {
    "mp3/后来.mp3": ("后来的我们", "柳如云", "初雪", 440, "[00:00.50]第一句歌词"),
    "m4a/star.m4a": ("夜空中的星", "Star Band", "Night", 520, "[00:01.00]星光"),
    "flac/wind.flac": ("海风Blues", "何夏", "", 600, "[00:00.00]海风吹过"),
    "ogg/rain.ogg": ("雨夜", "何夏", "", 680, None),
    "wma/moon.wma": ("月亮代表我的心", "邓丽君", "", 760, "[00:00.80]你问我爱你有多深"),
    "wav/陈默 - 蓝色Blue.wav": ("蓝色Blue", "陈默", "", 840, None),
    "mp3/legacy.mp3": ("旧歌", "老歌手", "", 920, "[00:00.30]来自LRC文件"),
    # Found only by its tag title, which the file name does not give.
    "mp3/track07.mp3": ("Starlight", "沐岚乐队", "夜曲", 480, "[00:00.50]第一句歌词"),
}
SYLT_LINES = ("第一句歌词", "第二句歌词", "第三句歌词")
CORRUPT = "mp3/broken.mp3"
CODECS = {".mp3": ["-c:a", "libmp3lame", "-b:a", "64k"], ".m4a": ["-c:a", "aac", "-b:a", "64k"],
          ".flac": ["-c:a", "flac"], ".ogg": ["-c:a", "libvorbis", "-q:a", "1"], ".wma": ["-c:a", "wmav2", "-b:a", "64k"],
          ".wav": ["-c:a", "pcm_s16le"]}


def tone(path, frequency, seconds):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    "sine=frequency=%d:sample_rate=44100:duration=%s" % (frequency, seconds), "-ac", "1",
                    *CODECS[os.path.splitext(path)[1]], path], check=True)


def tag(path, relative):
    title, singer, album, _, _ = SONGS[relative]
    kind = os.path.splitext(relative)[1]
    if relative == "mp3/legacy.mp3":
        tags = ID3()
        # What old Chinese taggers wrote: GBK bytes in a frame marked Latin-1.
        tags.add(TIT2(encoding=Encoding.LATIN1, text=title.encode("gbk").decode("latin-1")))
        tags.add(TPE1(encoding=Encoding.UTF8, text=singer))
        tags.add(USLT(encoding=Encoding.UTF8, lang="chi", text="不该出现的歌词"))
        tags.save(path)
        with open(os.path.splitext(path)[0] + ".lrc", "w", encoding="utf-8") as f:
            f.write("[00:00.30]来自LRC文件\n[00:00.90]第二行\n")
    elif kind == ".mp3":
        tags = ID3()
        tags.add(TIT2(encoding=Encoding.UTF8, text=title))
        tags.add(TPE1(encoding=Encoding.UTF8, text=singer))
        tags.add(TALB(encoding=Encoding.UTF8, text=album))
        tags.add(SYLT(encoding=Encoding.UTF8, lang="chi", format=2, type=1,
                      text=[(line, 500 + 1000 * n) for n, line in enumerate(SYLT_LINES)]))
        tags.save(path)
    elif kind == ".m4a":
        audio = MP4(path)
        audio["\xa9nam"], audio["\xa9ART"], audio["\xa9alb"] = title, singer, album
        audio["\xa9lyr"] = "[00:01.00]星光\r\n[00:02.00]闪烁"
        audio.save()
    elif kind in (".flac", ".ogg"):
        audio = FLAC(path) if kind == ".flac" else OggVorbis(path)
        audio["title"], audio["artist"] = title, singer
        if kind == ".flac":
            audio["lyrics"] = "海风吹过\n\n夏天过去"
        audio.save()
    elif kind == ".wma":
        audio = ASF(path)
        audio["Title"], audio["Author"] = title, singer
        audio["WM/Lyrics"] = "[00:00.80]你问我爱你有多深\n[00:01.60]我爱你有几分"
        audio.save()


def make(outdir, seconds=0.5):
    for relative, (_, _, _, frequency, _) in SONGS.items():
        path = os.path.join(outdir, *relative.split("/"))
        tone(path, frequency, seconds)
        tag(path, relative)
    with open(os.path.join(outdir, *CORRUPT.split("/")), "wb") as f:
        f.write(bytes(range(1, 200)) * 20)


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write("usage: make_test_library.py OUTDIR [SECONDS]\n")
        return 2
    make(argv[1], float(argv[2]) if len(argv) == 3 else 0.5)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
