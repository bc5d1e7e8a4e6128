#!/usr/bin/python3
"""Makes the demo songs into a music folder as a user would have them: tagged files with lyrics.

Usage: make_demo_music.py CATALOGUE_DIR OUTDIR

The demo catalogue (make_demo_catalogue.py) lists its songs in catalogue.json and keeps them as
bare tones named by id. Here each one gets its title and singer as tags (ID3v2 for MP3, a RIFF INFO
list for WAV, the way other players' taggers write them) and its .lrc beside it under the same name,
so that the player's own library reads them with no server. Quick when OUTDIR is up to date.
"""

import json
import os
import shutil
import struct
import sys

from mutagen.id3 import ID3, TALB, TIT2, TPE1, Encoding

ALBUM = "沐岚演示"


def riff_info(title, singer):
    """A LIST/INFO chunk with INAM (title) and IART (singer) in UTF-8, as common WAV taggers write."""
    def sub(tag, text):
        data = text.encode("utf-8") + b"\0"
        if len(data) % 2:
            data += b"\0"
        return tag + struct.pack("<I", len(data)) + data
    body = b"INFO" + sub(b"INAM", title) + sub(b"IART", singer)
    return b"LIST" + struct.pack("<I", len(body)) + body


def tag_wav(path, title, singer):
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise RuntimeError("%s is not a WAV file" % path)
    data += riff_info(title, singer)
    data = data[:4] + struct.pack("<I", len(data) - 8) + data[8:]
    with open(path, "wb") as f:
        f.write(data)


def tag_mp3(path, title, singer):
    tags = ID3()
    tags.add(TIT2(encoding=Encoding.UTF16, text=title))
    tags.add(TPE1(encoding=Encoding.UTF16, text=singer))
    tags.add(TALB(encoding=Encoding.UTF16, text=ALBUM))
    tags.save(path, v2_version=3)


def make(catalogue_dir, outdir):
    catalogue = json.load(open(os.path.join(catalogue_dir, "catalogue.json"), encoding="utf-8"))
    stamp_file = os.path.join(outdir, ".demo-stamp")
    if os.path.exists(stamp_file) and open(stamp_file).read() == catalogue["stamp"]:
        return
    if os.path.isdir(outdir):
        shutil.rmtree(outdir)
    os.makedirs(outdir)
    for song in catalogue["songs"]:
        source = os.path.join(catalogue_dir, song["file"])
        target = os.path.join(outdir, os.path.basename(song["file"]))
        shutil.copyfile(source, target)
        if target.endswith(".mp3"):
            tag_mp3(target, song["title"], song["singer"])
        else:
            tag_wav(target, song["title"], song["singer"])
        if song["lrc"]:
            shutil.copyfile(os.path.join(catalogue_dir, song["lrc"]), os.path.splitext(target)[0] + ".lrc")
    # The stamp goes last: it says the whole folder is there.
    with open(stamp_file, "w") as f:
        f.write(catalogue["stamp"])


def main(argv):
    if len(argv) != 3:
        sys.stderr.write("usage: make_demo_music.py CATALOGUE_DIR OUTDIR\n")
        return 2
    make(argv[1], argv[2])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
