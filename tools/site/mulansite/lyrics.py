"""Lyrics as the lyrics page carries them: lines with [mm:ss.xx] time tags.

The player shows a line only during the seconds its time tags name, so lyrics that come without
times (unsynchronised lyrics tags) get times spread evenly over the song.
"""

import re

TIME_TAG = re.compile(r"\[\d{1,3}:\d{1,2}(?:[.:]\d{1,3})?\]")
# Lyrics texts larger than this are not lyrics; a tag that big is ignored.
MAX_CHARS = 256 * 1024
# Unsynchronised lines of a song whose length is unknown come this many seconds apart.
DEFAULT_STEP = 4.0


def time_tag(seconds):
    hundredths = max(0, int(round(seconds * 100)))
    minutes, rest = divmod(hundredths, 6000)
    return "[%02d:%02d.%02d]" % (minutes, rest // 100, rest % 100)


def clean_lines(text):
    """The non-empty lines of text, stripped, without characters that would break a page line."""
    lines = (line.replace("\0", "").strip() for line in text.splitlines())
    return [line for line in lines if line]


def from_text(text, duration):
    """Lines of a lyrics text: kept as they are when timed, else given times over duration seconds."""
    if not text or len(text) > MAX_CHARS:
        return None
    lines = clean_lines(text)
    if not lines:
        return None
    if any(TIME_TAG.match(line) for line in lines):
        return lines
    step = duration / len(lines) if duration and duration > 0 else DEFAULT_STEP
    return [time_tag(i * step) + line for i, line in enumerate(lines)]


def from_timed(entries):
    """Lines of (text, seconds) pairs, as synchronised lyrics tags hold them, in time order."""
    lines = []
    for text, seconds in sorted(entries, key=lambda entry: entry[1]):
        for piece in clean_lines(text):
            lines.append(time_tag(seconds) + piece)
    return lines or None
