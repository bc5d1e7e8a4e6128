"""The site's catalogue: songs with their audio files and optional .lrc lyrics.

A catalogue folder either holds a catalogue.json,

    {"songs": [{"id": "1001", "title": "...", "singer": "...",
                "file": "audio/1001.mp3", "lrc": "audio/1001.lrc"}, ...]}

(paths relative to the folder; "lrc" may be null; a missing "lrc" means the .lrc beside the
audio file, if there is one; other fields are kept and ignored), or just audio files, which
make a music library instead (library.py).
"""

import json
import math
import os
import posixpath
import re
import urllib.parse
from dataclasses import dataclass, field

CATALOGUE_FILE = "catalogue.json"
PAGE_SIZE = 20
MEDIA_PREFIX = "/music/"
# The player turns lyrics ids into signed 32-bit integers, so larger ids could never get lyrics.
MAX_ID = 2**31 - 1
ID_PATTERN = re.compile(r"0|[1-9][0-9]{0,9}")
AUDIO_TYPES = {
    ".mp3": "audio/mpeg",
    ".wav": "audio/wav",
    ".ogg": "audio/ogg",
    ".flac": "audio/flac",
    ".m4a": "audio/mp4",
    ".aac": "audio/aac",
    ".wma": "audio/x-ms-wma",
}
MAX_LRC_BYTES = 1 << 20


class CatalogueError(Exception):
    """The catalogue folder or its catalogue.json is unusable."""


@dataclass
class Song:
    id: str
    title: str
    singer: str
    file: str  # relative, "/"-separated
    audio_path: str
    lrc_path: str | None
    extra: dict = field(default_factory=dict)
    album: str = ""
    duration: float | None = None
    lyrics: list | None = None  # lines from the file's own tags, used when there is no .lrc

    @property
    def media_path(self):
        """The audio file's path on the media server, safe to put in a page or request line."""
        return MEDIA_PREFIX + urllib.parse.quote(self.file, safe="/")

    @property
    def content_type(self):
        return AUDIO_TYPES.get(posixpath.splitext(self.file)[1].lower(), "application/octet-stream")

    def matches(self, words):
        title, singer = self.title.casefold(), self.singer.casefold()
        return all(w in title or w in singer for w in words)


def page_count(hits):
    return math.ceil(hits / PAGE_SIZE)


class Catalogue:
    def __init__(self, root, songs):
        self.root = root
        self.songs = list(songs)
        self._by_id = {}
        self._by_number = {}
        self._by_file = {}
        for song in self.songs:
            number = int(song.id)
            if number in self._by_number:
                raise CatalogueError("duplicate song id %s" % song.id)
            self._by_id[song.id] = song
            self._by_number[number] = song
            self._by_file[song.file] = song

    def by_id(self, song_id):
        return self._by_id.get(song_id)

    def by_number(self, number):
        return self._by_number.get(number)

    def by_file(self, relative):
        return self._by_file.get(relative)

    def count(self):
        return len(self.songs)

    def home_songs(self):
        return self.songs, len(self.songs)

    def search_page(self, key, page):
        """(number of hits, the songs of page number page) for the words of key."""
        hits = self.search(key)
        return len(hits), hits[(page - 1) * PAGE_SIZE : page * PAGE_SIZE]

    def search(self, key):
        """Songs whose title or singer contains every word of key, ignoring letter case."""
        words = [w.casefold() for w in key.split()]
        if not words:
            return []
        return [s for s in self.songs if s.matches(words)]


def has_listing(root):
    return os.path.exists(os.path.join(root, CATALOGUE_FILE))


def load(root):
    """The catalogue of root's catalogue.json."""
    root = os.path.realpath(root)
    if not os.path.isdir(root):
        raise CatalogueError("catalogue folder not found: %s" % root)
    return Catalogue(root, _songs_from_listing(root, os.path.join(root, CATALOGUE_FILE)))


def _songs_from_listing(root, listing):
    try:
        with open(listing, encoding="utf-8-sig") as f:
            data = json.load(f)
    except (OSError, ValueError) as err:
        raise CatalogueError("cannot read %s: %s" % (listing, err)) from err
    entries = data.get("songs") if isinstance(data, dict) else None
    if not isinstance(entries, list):
        raise CatalogueError('%s: expected an object with a "songs" list' % listing)
    return [_song_from_entry(root, i, entry) for i, entry in enumerate(entries)]


def _song_from_entry(root, index, entry):
    where = "song #%d" % (index + 1)
    if not isinstance(entry, dict):
        raise CatalogueError("%s: not an object" % where)
    song_id = _check_id(where, entry.get("id"))
    where = "song %s" % song_id
    title = _check_text(where, "title", entry.get("title"), required=True)
    singer = _check_text(where, "singer", entry.get("singer", ""), required=False)
    file = _check_relative(where, "file", entry.get("file"))
    audio_path = _existing_file(root, where, file)
    if "lrc" in entry:
        lrc = entry["lrc"]
        lrc_path = None if lrc is None else _existing_file(root, where, _check_relative(where, "lrc", lrc))
    else:
        lrc_path = sibling_lrc(root, audio_path)
    known = {"id", "title", "singer", "file", "lrc"}
    extra = {k: v for k, v in entry.items() if k not in known}
    return Song(song_id, title, singer, file, audio_path, lrc_path, extra)


def _check_id(where, value):
    if isinstance(value, int) and not isinstance(value, bool):
        value = str(value)
    if not isinstance(value, str) or not ID_PATTERN.fullmatch(value) or int(value) > MAX_ID:
        raise CatalogueError("%s: id must be decimal digits without leading zeros, at most %d" % (where, MAX_ID))
    return value


def _check_text(where, name, value, required):
    if not isinstance(value, str) or (required and not value.strip()):
        raise CatalogueError("%s: %s must be a%s text" % (where, name, " non-empty" if required else ""))
    if any(c in value for c in "\r\n\0"):
        raise CatalogueError("%s: %s must be one line" % (where, name))
    return value


def _check_relative(where, name, value):
    if not isinstance(value, str) or not value:
        raise CatalogueError("%s: %s must be a relative path" % (where, name))
    parts = value.split("/")
    if value.startswith("/") or "\\" in value or "\0" in value or any(p in ("", ".", "..") for p in parts):
        raise CatalogueError("%s: %s must be a plain relative path inside the catalogue: %r" % (where, name, value))
    return value


def _existing_file(root, where, relative):
    path = os.path.realpath(os.path.join(root, *relative.split("/")))
    if os.path.commonpath([root, path]) != root:
        raise CatalogueError("%s: %s leads outside the catalogue" % (where, relative))
    if not os.path.isfile(path):
        raise CatalogueError("%s: file not found: %s" % (where, relative))
    return path


def sibling_lrc(root, audio_path):
    """The .lrc beside the audio file, if there is one inside root."""
    lrc = os.path.realpath(os.path.splitext(audio_path)[0] + ".lrc")
    return lrc if os.path.commonpath([root, lrc]) == root and os.path.isfile(lrc) else None


def read_lyrics(song):
    """The song's lyrics as a list of non-empty lines, or None when it has none.

    Its .lrc comes first; without one (or when it is unreadable), the lyrics of its tags.
    """
    return (_read_lrc(song.lrc_path) if song.lrc_path else None) or song.lyrics


def _read_lrc(path):
    try:
        with open(path, "rb") as f:
            data = f.read(MAX_LRC_BYTES + 1)
    except OSError:
        return None
    if len(data) > MAX_LRC_BYTES:
        return None
    text = _decode_lrc(data)
    lines = [line.strip() for line in text.splitlines()]
    lines = [line for line in lines if line]
    return lines or None


def _decode_lrc(data):
    try:
        return data.decode("utf-8-sig")
    except UnicodeDecodeError:
        return data.decode("gbk", errors="replace")
