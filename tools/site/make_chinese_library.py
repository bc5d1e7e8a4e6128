#!/usr/bin/python3
"""Makes a small Chinese music library tagged the way other people's tools tag it, for the tests.

Usage: make_chinese_library.py OUTDIR [SECONDS]

Each song is a sine tone of its own (ffmpeg), SECONDS long (default 10), tagged by a tool other than
ours, with the faults such collections carry:

  mp3/track01.mp3  id3v2: ID3v2.3 frames marked Latin-1 and an ID3v1 tag, both holding GBK bytes;
                   beside it track01.lrc in GBK, with header tags, an offset, a line with two time
                   tags, word timing and lines out of time order
  mp3/track02.mp3  eyeD3: UTF-16 frames in traditional characters; beside it a UTF-16 LE .lrc
  flac/track03.flac ffmpeg -metadata writes a TITLE Vorbis comment of GBK bytes (the field is UTF-8
                   by rule, and metaflac refuses such bytes), metaflac adds the singer and album
  m4a/track04.m4a  ffmpeg -metadata: a full-width Latin title
  mp3/track05.mp3  id3v2: genuine Latin-1 ("Café" by "Beyoncé")

SONGS says what each file should give (title, singer, album, tone). The file names say nothing of
the songs: they are found by their tags only.
"""

import os
import subprocess
import sys

# path: (title, singer, album, tone in Hz), as the site should read them.
SONGS = {
    "mp3/track01.mp3": ("青花瓷", "周杰伦", "我很忙", 440),
    "mp3/track02.mp3": ("後來", "劉若英", "我等你", 520),
    "flac/track03.flac": ("稻香", "周杰伦", "魔杰座", 600),
    "m4a/track04.m4a": ("Ｌｏｖｅ情歌", "梁静茹", "", 680),
    "mp3/track05.mp3": ("Café", "Beyoncé", "", 760),
}

# The GBK .lrc of track01: headers, an offset (positive: every line comes 3 s earlier), a line with two
# time tags, word timing, lines out of time order, CRLF line ends. With the offset applied the lines
# come at 0, 2.5, 4, 6 and 8 s, each shown two seconds long; without it, three seconds later.
TRACK01_LRC = (
    "[ti:青花瓷]\r\n"
    "[ar:周杰伦]\r\n"
    "[al:我很忙]\r\n"
    "[by:沐岚歌词组]\r\n"
    "[offset:+3000]\r\n"
    "[00:11.00][00:07.00]天青色等烟雨\r\n"
    "[00:03.00]素胚勾勒出青花笔锋浓转淡\r\n"
    "[00:09.00]而我在等你\r\n"
    "[00:05.50]<00:05.50>瓶身<00:05.90>描绘的<00:06.40>牡丹一如你初妆\r\n"
)
# A UTF-16 LE .lrc (with its byte order mark) in the [mm:ss] and [mm:ss:xx] dialects.
TRACK02_LRC = (
    "\ufeff[ti:後來]\r\n"
    "[ar:劉若英]\r\n"
    "[00:03:50]後來我總算學會了\r\n"
    "[00:01]如何去愛\r\n"
)
CODECS = {".mp3": ["-c:a", "libmp3lame", "-b:a", "64k"], ".m4a": ["-c:a", "aac", "-b:a", "64k"],
          ".flac": ["-c:a", "flac"]}


def run(*command):
    subprocess.run(command, check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)


def tone(path, frequency, seconds, metadata=()):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    run("ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
        "sine=frequency=%d:sample_rate=44100:duration=%s" % (frequency, seconds), "-ac", "1",
        *CODECS[os.path.splitext(path)[1]], *metadata, path)


def gbk(text):
    # Command line arguments are bytes: id3v2 and metaflac copy them into the tag as they are.
    return os.fsdecode(text.encode("gbk"))


def tag(path, relative):
    title, singer, album, _ = SONGS[relative]
    if relative == "mp3/track01.mp3":
        # What old Chinese taggers wrote: the system's code page in frames marked Latin-1.
        run("id3v2", "-t", gbk(title), "-a", gbk(singer), "-A", gbk(album), path)
        with open(os.path.splitext(path)[0] + ".lrc", "wb") as f:
            f.write(TRACK01_LRC.encode("gbk"))
    elif relative == "mp3/track02.mp3":
        run("eyeD3", "--quiet", "--no-config", "--to-v2.3", "--encoding", "utf16", "-t", title, "-a", singer,
            "-A", album, path)
        with open(os.path.splitext(path)[0] + ".lrc", "wb") as f:
            f.write(TRACK02_LRC.encode("utf-16-le"))
    elif relative == "flac/track03.flac":
        # ffmpeg wrote the title as GBK bytes; the singer and album are right.
        run("metaflac", "--set-tag=ARTIST=" + singer, "--set-tag=ALBUM=" + album, path)
    elif relative == "mp3/track05.mp3":
        run("id3v2", "-t", os.fsdecode(title.encode("latin-1")), "-a", os.fsdecode(singer.encode("latin-1")),
            path)


def make(outdir, seconds=10.0):
    for relative, (title, singer, _, frequency) in SONGS.items():
        path = os.path.join(outdir, *relative.split("/"))
        metadata = ()
        if relative.endswith(".m4a"):
            metadata = ("-metadata", "title=" + title, "-metadata", "artist=" + singer)
        elif relative.endswith(".flac"):
            metadata = ("-metadata", "title=" + gbk(title))
        tone(path, frequency, seconds, metadata)
        tag(path, relative)


def main(argv):
    if len(argv) not in (2, 3):
        sys.stderr.write("usage: make_chinese_library.py OUTDIR [SECONDS]\n")
        return 2
    make(argv[1], float(argv[2]) if len(argv) == 3 else 10.0)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
