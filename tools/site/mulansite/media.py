"""Byte ranges of audio files and the checks on media paths."""

import re
import urllib.parse

RANGE_SPEC = re.compile(r"\s*bytes\s*=\s*(\d*)\s*-\s*(\d*)\s*")


class Unsatisfiable(Exception):
    """The requested range lies wholly outside the file."""


def parse_range(header, size):
    """The (first, last) byte positions asked for by a Range header, or None for the whole file.

    Only a single range is served. A header that is malformed, asks for several ranges or is
    otherwise invalid is ignored, as HTTP allows, and the whole file goes out. Raises
    Unsatisfiable when the range starts at or beyond the end (or asks for a suffix of 0 bytes).
    """
    if header is None:
        return None
    match = RANGE_SPEC.fullmatch(header)
    if not match:
        return None
    first_text, last_text = match.groups()
    if not first_text:
        if not last_text:
            return None
        suffix = int(last_text)
        if suffix == 0 or size == 0:
            raise Unsatisfiable()
        return max(0, size - suffix), size - 1
    first = int(first_text)
    last = int(last_text) if last_text else None
    if last is not None and last < first:
        return None
    if first >= size:
        raise Unsatisfiable()
    return first, size - 1 if last is None else min(last, size - 1)


class BadPath(ValueError):
    """A media path that is malformed or tries to leave the catalogue."""


def relative_file(raw):
    """The catalogue-relative file named by raw, the part of a request path after the media prefix.

    raw is the path as it came in the request line (read as Latin-1, still percent-encoded).
    Refused with BadPath: bytes that are not UTF-8, "." and ".." segments (literal or as
    "%2e%2e"), empty segments, backslashes and control characters, encoded or not.
    """
    try:
        name = urllib.parse.unquote_to_bytes(raw.encode("latin-1")).decode("utf-8")
    except (UnicodeEncodeError, UnicodeDecodeError) as err:
        raise BadPath("media path is not UTF-8") from err
    if "\\" in name or any(ord(c) < 0x20 or ord(c) == 0x7F for c in name):
        raise BadPath("media path has a backslash or control character")
    if any(part in ("", ".", "..") for part in name.split("/")):
        raise BadPath("media path has an empty, . or .. segment")
    return name
