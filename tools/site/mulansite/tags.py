"""Title, singer, album, length and embedded lyrics of an audio file, read with mutagen.

ID3v2 (MP3, also inside WAV), MP4 atoms (M4A), Vorbis comments (FLAC, Ogg) and ASF (WMA) are
read; a file whose tags lack a title falls back to its name ("singer - title.mp3").
"""

import posixpath
from dataclasses import dataclass

import mutagen
from mutagen.asf import ASF, ASFTags
from mutagen.flac import FLAC
from mutagen.id3 import ID3, Encoding
from mutagen.mp3 import MP3
from mutagen.mp4 import MP4, MP4Tags
from mutagen.wave import WAVE

from . import lyrics

# Keys per tag family: title, singers (first found wins), album, lyrics texts.
MP4_KEYS = ("\xa9nam", ("\xa9ART", "aART"), "\xa9alb", ("\xa9lyr",))
VORBIS_KEYS = ("title", ("artist", "albumartist", "performer"), "album", ("lyrics", "unsyncedlyrics"))
ASF_KEYS = ("Title", ("Author", "WM/AlbumArtist"), "WM/AlbumTitle", ("WM/Lyrics",))
SYLT_MILLISECONDS = 2
MPEG_FRAME_SAMPLES = 1152
MAX_FIELD = 500
# The format a file's extension names is tried first: guessing among all formats costs a third
# of the reading time. A file whose content disagrees with its name is then guessed after all.
BY_EXTENSION = {".mp3": MP3, ".m4a": MP4, ".flac": FLAC, ".wma": ASF, ".wav": WAVE}
ERRORS = (mutagen.MutagenError, OSError, ValueError, EOFError, IndexError, KeyError, TypeError)


class Unreadable(Exception):
    """The file cannot be read as audio; the message says why."""


@dataclass
class Tags:
    title: str
    singer: str
    album: str = ""
    duration: float | None = None
    lyrics: list | None = None


def from_name(relative):
    """The file-name rule: "singer - title.ext" or "title.ext"."""
    stem = posixpath.splitext(posixpath.basename(relative))[0]
    singer, sep, title = stem.partition(" - ")
    if not sep:
        singer, title = "", stem
    return Tags(one_line(title) or one_line(stem) or stem, one_line(singer))


def one_line(value):
    """value as one line of page text: control characters become spaces, ends trimmed, bounded."""
    text = "".join(" " if ord(c) < 0x20 or ord(c) == 0x7F else c for c in str(value))
    return " ".join(text.split())[:MAX_FIELD]


def read(path, relative):
    """The Tags of the file at path; raises Unreadable for a file that is not readable audio."""
    audio = _open(path)
    info = getattr(audio, "info", None)
    duration = getattr(info, "length", None) or None
    found = _from_tags(audio.tags, info, duration) if audio.tags is not None else None
    fallback = from_name(relative)
    if found is None:
        fallback.duration = duration
        return fallback
    title, singer, album, lyric_lines = found
    return Tags(title or fallback.title, singer if title else singer or fallback.singer, album, duration, lyric_lines)


def _open(path):
    kind = BY_EXTENSION.get(posixpath.splitext(path)[1].lower())
    if kind is not None:
        try:
            return kind(path)
        except ERRORS:
            pass
    try:
        audio = mutagen.File(path)
    except ERRORS as err:
        raise Unreadable(str(err) or type(err).__name__) from err
    if audio is None:
        raise Unreadable("not an audio format that can be read")
    return audio


def _from_tags(tags, info, duration):
    if isinstance(tags, ID3):
        return _from_id3(tags, info, duration)
    for family, keys in ((MP4Tags, MP4_KEYS), (ASFTags, ASF_KEYS)):
        if isinstance(tags, family):
            return _from_keys(tags, keys, duration)
    if hasattr(tags, "as_dict"):  # Vorbis comments: FLAC, Ogg Vorbis, Opus, Speex
        return _from_keys(tags, VORBIS_KEYS, duration)
    return None


def _from_keys(tags, keys, duration):
    title_key, singer_keys, album_key, lyrics_keys = keys
    title = _first_text(tags, (title_key,))
    singer = _first_text(tags, singer_keys, join=True)
    album = _first_text(tags, (album_key,))
    text = _first_text(tags, lyrics_keys, whole=True)
    return title, singer, album, lyrics.from_text(text, duration)


def _first_text(tags, keys, join=False, whole=False):
    for key in keys:
        try:
            values = tags[key] if key in tags else None
        except (KeyError, ValueError):
            values = None
        if not values:
            continue
        if not isinstance(values, list):
            values = [values]
        texts = [str(v) for v in values if not isinstance(v, (bytes, bytearray))]
        if whole:
            return "\n".join(texts)
        found = [one_line(t) for t in texts if one_line(t)]
        if found:
            return "/".join(found) if join else found[0]
    return ""


def _id3_text(tags, frame_id, join=False):
    frames = tags.getall(frame_id)
    if not frames:
        return ""
    texts = [one_line(_undo_latin1(frames[0], t)) for t in frames[0].text]
    texts = [t for t in texts if t]
    return ("/".join(texts) if join else texts[0]) if texts else ""


def _undo_latin1(frame, text):
    """Chinese taggers often wrote GBK bytes into frames marked Latin-1; read those as GBK."""
    if getattr(frame, "encoding", None) != Encoding.LATIN1 or text.isascii():
        return text
    try:
        return text.encode("latin-1").decode("gbk")
    except (UnicodeEncodeError, UnicodeDecodeError):
        return text


def _from_id3(tags, info, duration):
    title = _id3_text(tags, "TIT2")
    singer = _id3_text(tags, "TPE1", join=True) or _id3_text(tags, "TPE2", join=True)
    album = _id3_text(tags, "TALB")
    return title, singer, album, _id3_lyrics(tags, info, duration)


def _id3_lyrics(tags, info, duration):
    for frame in tags.getall("SYLT"):
        if frame.format == SYLT_MILLISECONDS:
            scale = 0.001
        else:  # times in MPEG frames
            rate = getattr(info, "sample_rate", 0)
            if not rate:
                continue
            scale = MPEG_FRAME_SAMPLES / rate
        lines = lyrics.from_timed([(_undo_latin1(frame, text), time * scale) for text, time in frame.text])
        if lines:
            return lines
    for frame in tags.getall("USLT"):
        lines = lyrics.from_text(_undo_latin1(frame, frame.text), duration)
        if lines:
            return lines
    return None
