"""The library's index: songs in SQLite, searched with FTS5 trigrams.

Ids are the rows' AUTOINCREMENT keys, one per file path: a file keeps its id over restarts and
rescans, and the id of a removed file is never handed out again. Files that could not be read
keep a row too (with the reason, and no search text), so that a repaired file gets its old id back.

Search text is the folded (casefold) title, singer and album, so that case-insensitive matching
is a plain substring test: FTS5 with trigrams for words of three characters or more, a substring
scan (a LIKE '%word%', done over the texts in memory, see page_order.py) for shorter ones, which
trigrams cannot index. Triggers keep the trigram index and song_order, the readable songs in page
order, in step with the songs table.
"""

import contextlib
import queue
import sqlite3

from .page_order import PageOrder

SCHEMA_VERSION = 1
SCHEMA = """
CREATE TABLE songs (
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  path TEXT NOT NULL UNIQUE,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  title TEXT NOT NULL DEFAULT '',
  singer TEXT NOT NULL DEFAULT '',
  album TEXT NOT NULL DEFAULT '',
  duration REAL,
  lyrics TEXT,
  folded TEXT NOT NULL DEFAULT '',
  error TEXT
);
-- The readable songs in page order, narrow so that a scan for short words stays quick.
CREATE TABLE song_order (
  singer TEXT COLLATE NOCASE,
  title TEXT COLLATE NOCASE,
  id INTEGER,
  folded TEXT,
  PRIMARY KEY (singer, title, id)
) WITHOUT ROWID;
CREATE VIRTUAL TABLE song_text USING fts5 (folded, content='songs', content_rowid='id',
                                           tokenize='trigram case_sensitive 1');
CREATE TRIGGER songs_ai AFTER INSERT ON songs BEGIN
  INSERT INTO song_text (rowid, folded) VALUES (new.id, new.folded);
  INSERT INTO song_order SELECT new.singer, new.title, new.id, new.folded WHERE new.error IS NULL;
END;
CREATE TRIGGER songs_ad AFTER DELETE ON songs BEGIN
  INSERT INTO song_text (song_text, rowid, folded) VALUES ('delete', old.id, old.folded);
  DELETE FROM song_order WHERE singer = old.singer AND title = old.title AND id = old.id;
END;
CREATE TRIGGER songs_au AFTER UPDATE ON songs BEGIN
  INSERT INTO song_text (song_text, rowid, folded) VALUES ('delete', old.id, old.folded);
  INSERT INTO song_text (rowid, folded) VALUES (new.id, new.folded);
  DELETE FROM song_order WHERE singer = old.singer AND title = old.title AND id = old.id;
  INSERT INTO song_order SELECT new.singer, new.title, new.id, new.folded WHERE new.error IS NULL;
END;
"""
SONG_COLUMNS = "id, path, title, singer, album, duration, lyrics"
PAGE_ORDER = "ORDER BY singer, title, id"  # of song_order, whose columns compare without case
TRIGRAM = 3
BUSY_TIMEOUT_S = 10


class IndexUnusable(Exception):
    """The database cannot be opened or is not a mulan-site index."""


def search_text(title, singer, album):
    # Words never hold white space, so the separator cannot join parts into a false match.
    return "\n".join((title, singer, album)).casefold()


def _connect(path):
    connection = sqlite3.connect(path, timeout=BUSY_TIMEOUT_S, isolation_level=None, check_same_thread=False)
    connection.execute("PRAGMA synchronous = NORMAL")
    return connection


class Index:
    def __init__(self, path):
        self.path = path
        try:
            self._writer = _connect(path)
            self._prepare()
        except sqlite3.Error as err:
            raise IndexUnusable("cannot open database %s: %s" % (path, err)) from err
        self._readers = queue.SimpleQueue()
        self._page_order = PageOrder(_connect(path))

    def _prepare(self):
        db = self._writer
        version = db.execute("PRAGMA user_version").fetchone()[0]
        tables = db.execute("SELECT count(*) FROM sqlite_master").fetchone()[0]
        if version == 0 and tables == 0:
            db.execute("PRAGMA journal_mode = WAL")
            db.executescript("BEGIN;" + SCHEMA + "PRAGMA user_version = %d; COMMIT;" % SCHEMA_VERSION)
        elif version != SCHEMA_VERSION:
            raise sqlite3.DatabaseError("not a mulan-site index of this version (remove it to index anew)")
        db.execute("PRAGMA journal_mode = WAL")

    def close(self):
        self._writer.close()
        self._page_order.close()
        while True:
            try:
                self._readers.get_nowait().close()
            except queue.Empty:
                return

    @contextlib.contextmanager
    def reader(self):
        """A connection of the calling thread's own while the block runs; readers never wait on the scan."""
        try:
            connection = self._readers.get_nowait()
        except queue.Empty:
            connection = _connect(self.path)
        try:
            yield connection
        finally:
            self._readers.put(connection)

    # The scan's side: one writer.

    def known_files(self):
        """{path: (id, size, mtime_ns, error)} of every row."""
        rows = self._writer.execute("SELECT path, id, size, mtime_ns, error FROM songs")
        return {path: (song_id, size, mtime, error) for path, song_id, size, mtime, error in rows}

    @contextlib.contextmanager
    def batch(self):
        self._writer.execute("BEGIN IMMEDIATE")
        try:
            yield self._writer
        except BaseException:
            self._writer.execute("ROLLBACK")
            raise
        self._writer.execute("COMMIT")

    @staticmethod
    def put_song(db, path, size, mtime_ns, tags):
        values = (size, mtime_ns, tags.title, tags.singer, tags.album, tags.duration,
                  "\n".join(tags.lyrics) if tags.lyrics else None, search_text(tags.title, tags.singer, tags.album))
        Index._upsert(db, path, values, None)

    @staticmethod
    def put_failure(db, path, size, mtime_ns, reason):
        Index._upsert(db, path, (size, mtime_ns, "", "", "", None, None, ""), reason)

    @staticmethod
    def _upsert(db, path, values, error):
        db.execute(
            "INSERT INTO songs (path, size, mtime_ns, title, singer, album, duration, lyrics, folded, error)"
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (path) DO UPDATE SET size = excluded.size,"
            " mtime_ns = excluded.mtime_ns, title = excluded.title, singer = excluded.singer,"
            " album = excluded.album, duration = excluded.duration, lyrics = excluded.lyrics,"
            " folded = excluded.folded, error = excluded.error",
            (path, *values, error),
        )

    @staticmethod
    def remove(db, paths):
        db.executemany("DELETE FROM songs WHERE path = ?", ((p,) for p in paths))

    # The servers' side: many readers.

    def song_by_id(self, song_id):
        return self._one("SELECT %s FROM songs WHERE id = ? AND error IS NULL" % SONG_COLUMNS, (song_id,))

    def song_by_path(self, path):
        return self._one("SELECT %s FROM songs WHERE path = ? AND error IS NULL" % SONG_COLUMNS, (path,))

    def count(self):
        with self.reader() as db:
            return db.execute("SELECT count(*) FROM songs WHERE error IS NULL").fetchone()[0]

    def first_songs(self, limit):
        with self.reader() as db:
            ids = [row[0] for row in db.execute("SELECT id FROM song_order %s LIMIT ?" % PAGE_ORDER, (limit,))]
            return _rows_of(db, ids)

    def search(self, words, offset, limit):
        """(number of hits, rows offset .. offset + limit) of the songs whose text holds every word.

        words are already folded. Words long enough for trigrams pick the candidates from the
        trigram index, the in-memory page order checks the rest (and all words when none is
        that long) and gives the order. Only the page's rows are read whole.
        """
        long_words = [w for w in words if len(w) >= TRIGRAM]
        short_words = [w for w in words if len(w) < TRIGRAM]
        with self.reader() as db:
            candidates = None
            if long_words:
                match = " AND ".join('"%s"' % w.replace('"', '""') for w in long_words)
                candidates = [row[0] for row in db.execute("SELECT rowid FROM song_text WHERE song_text MATCH ?", (match,))]
            ids = self._page_order.matching_ids(candidates, short_words) if words else []
            return len(ids), _rows_of(db, ids[offset : offset + max(0, limit)])

    def warm(self):
        self._page_order.warm()

    def _one(self, sql, parameters):
        with self.reader() as db:
            return db.execute(sql, parameters).fetchone()


def _rows_of(db, ids):
    """The song rows of ids (a page's worth), in the order of ids."""
    if not ids:
        return []
    marks = ",".join("?" * len(ids))
    by_id = {row[0]: row for row in db.execute("SELECT %s FROM songs WHERE id IN (%s)" % (SONG_COLUMNS, marks), ids)}
    return [by_id[i] for i in ids if i in by_id]
