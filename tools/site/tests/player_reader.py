"""The player's way of reading the site's pages, step by step, to hold the pages against.

Kept deliberately literal: markers are found by their first occurrence, "after a marker"
keeps the text from the marker's second character on, and a missing marker leaves the text
as it was, except where the player fails (the resolver's and the lyrics' end markers).
"""

import re

# Python's engine without re.ASCII would count Chinese characters as word characters for \b;
# the player's dialect does not.
HIT_PATTERN = re.compile(r"href=[\"\'\s]?http://([^\s]+)(.*?)\b[\"\'\s]?(.*?)>(.*?)</a>", re.IGNORECASE | re.ASCII)
HITS_PER_PAGE = 20


class ReadFailure(Exception):
    """The player would fail on this page."""


def after(text, marker):
    i = text.find(marker)
    return text if i < 0 else text[i + 1 :]


def before(text, marker):
    i = text.find(marker)
    return text if i < 0 else text[:i]


def decode_auto(body):
    """Decodes a body the way the player does for search and play pages."""
    head = body[:1000].decode("gbk", errors="replace").lower()
    if "charset=gb2312" in head:
        return body.decode("gbk")
    return body.decode("utf-8")


def hit_count(page):
    count_text = after(before(after(page, "找到相关结果共"), "</font>个"), ">")
    digits = re.match(r"[0-9]+", count_text)
    return int(digits.group()) if digits else 0


def page_count(page):
    # round() goes to the even neighbour on halves, as the player's rounding does.
    return round(hit_count(page) / HITS_PER_PAGE)


def scrape_hits(page, site_host):
    """(id, name) of every hit the player takes from one search page."""
    block = before(after(page, 'class="songNum"'), "soBottom")
    hits = []
    for match in HIT_PATTERN.finditer(block):
        s = match.group(1)
        if not s.strip(" ") or '">' not in s:
            continue
        s = s.replace("</a><a", "").replace('"', "").replace(".htm", "")
        s = s.replace(site_host + "/play/", "http://" + site_host + "/mp3.asp?id=")
        name = after(s, ">")
        song_id = after(before(s, ">"), "=")
        for junk in (" ", "\ue7ff", "\t", "\r\n"):
            name = name.replace(junk, "")
        name = name.strip(" ").replace("\ue814" * 5, "")
        hits.append((song_id, name))
    return hits


def resolve(page, media_host):
    text = page.replace(" ", "").replace("\r\n", "").replace("\t", "")
    text = after(text, "firstplay=")
    end = text.find('";}catch(e)')
    if end < 0:
        raise ReadFailure("no end of the firstplay assignment")
    text = text[:end]
    quote = text.find('"')
    path = text[quote + 1 :] if quote >= 0 else text
    return "http://" + media_host + path


NO_LYRICS = "no lyrics"
UNKNOWN_SONG = "unknown song"


def lyrics(body):
    """The lines the player puts into its lyric list, or NO_LYRICS / UNKNOWN_SONG."""
    text = body.decode("gbk")
    for junk in ("\r\n", "\t", " ", "\r"):
        text = text.replace(junk, "")
    if "我要上传歌词" in text:
        return NO_LYRICS
    if "无法找到该页" in text:
        return UNKNOWN_SONG
    text = after(text, "歌曲播放：")
    end = text.find("BaiduButtonBEGIN")
    if end < 0:
        raise ReadFailure("no BaiduButtonBEGIN")
    text = text[:end]
    start = text.find(">[")
    if start >= 0:
        text = text[start + 1 :]
    end = text.find("</div>")
    if end < 0:
        raise ReadFailure("no </div> after the lyrics")
    text = text[:end].replace("<BR>", "-")
    return [piece for piece in text.split("-") if piece.strip(" ")]
