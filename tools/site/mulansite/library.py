"""A user's music folder as the site's catalogue, answered from the SQLite index."""

import os

from .catalogue import ID_PATTERN, MAX_ID, PAGE_SIZE, Song, sibling_lrc

DB_NAME = ".mulan-site.db"
HOME_SONGS = 200


class Library:
    def __init__(self, root, index):
        self.root = root
        self.index = index

    def count(self):
        return self.index.count()

    def home_songs(self):
        return self._songs(self.index.first_songs(HOME_SONGS)), self.count()

    def by_id(self, song_id):
        if not ID_PATTERN.fullmatch(song_id):
            return None
        return self.by_number(int(song_id))

    def by_number(self, number):
        if not 0 < number <= MAX_ID:
            return None
        return self._song(self.index.song_by_id(number))

    def by_file(self, relative):
        return self._song(self.index.song_by_path(relative))

    def search_page(self, key, page):
        """(number of hits, the songs of page number page) for the words of key."""
        words = [w.casefold() for w in key.split()]
        if not words:
            return 0, []
        total, rows = self.index.search(words, (page - 1) * PAGE_SIZE, PAGE_SIZE)
        return total, self._songs(rows)

    def _songs(self, rows):
        """Songs for lists (search and home pages), which need no look at the files."""
        return [self._song(row, checked=False) for row in rows]

    def _song(self, row, checked=True):
        if row is None:
            return None
        song_id, path, title, singer, album, duration, lyrics = row
        audio_path = os.path.join(self.root, *path.split("/"))
        lrc_path = None
        if checked:
            # A file can be swapped for a link out of the library after the scan: checked on every use.
            audio_path = os.path.realpath(audio_path)
            if os.path.commonpath([self.root, audio_path]) != self.root:
                return None
            lrc_path = sibling_lrc(self.root, os.path.join(self.root, *path.split("/")))
        return Song(str(song_id), title, singer, path, audio_path, lrc_path,
                    album=album, duration=duration, lyrics=lyrics.split("\n") if lyrics else None)
