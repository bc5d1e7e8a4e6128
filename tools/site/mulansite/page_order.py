"""The readable songs in page order, held in memory for the substring tests of a search.

Python's substring test over 50 000 texts in a list costs a fraction of SQLite's instr() over
the same rows, which is what words too short for the trigram index need. The list is read again
from the database whenever another connection has committed (PRAGMA data_version), as the scan
does batch by batch.
"""

import threading


class PageOrder:
    def __init__(self, connection):
        self._db = connection  # its own: data_version counts the commits of the others
        self._lock = threading.Lock()
        self._version = None
        self._entries = []  # (id, folded text) in page order
        self._position = {}

    def warm(self):
        """Reads the list now, so that the first search after a scan does not wait for it."""
        self._current()

    def _current(self):
        with self._lock:
            version = self._db.execute("PRAGMA data_version").fetchone()[0]
            if version != self._version:
                self._entries = self._db.execute("SELECT id, folded FROM song_order ORDER BY singer, title, id").fetchall()
                self._position = {song_id: n for n, (song_id, _) in enumerate(self._entries)}
                self._version = version
            return self._entries, self._position

    def matching_ids(self, candidates, words):
        """Ids in page order of the songs among candidates (None: all) whose text holds every word."""
        entries, position = self._current()
        if candidates is not None:
            places = [position[i] for i in candidates if i in position]
            places.sort()
            entries = [entries[n] for n in places]
        for word in words:
            entries = [entry for entry in entries if word in entry[1]]
        return [song_id for song_id, _ in entries]

    def close(self):
        self._db.close()
