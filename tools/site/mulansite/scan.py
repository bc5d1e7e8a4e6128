"""Bringing the index in line with the music folder: new files read, changed ones read again
(size or modification time differ), removed ones dropped, unchanged ones left alone.

Tags are read and committed in small batches, so that the servers answer from what is indexed
while a long first scan goes on.
"""

import os
import time
from dataclasses import dataclass

from .catalogue import AUDIO_TYPES
from .index import Index

BATCH_FILES = 200
BATCH_SECONDS = 0.5
PROGRESS_SECONDS = 0.25
PROGRESS_LINE_SECONDS = 5.0
BAR_WIDTH = 30


@dataclass
class Found:
    relative: str
    path: str
    size: int
    mtime_ns: int


@dataclass
class Summary:
    songs: int = 0
    new: int = 0
    changed: int = 0
    removed: int = 0
    unreadable: int = 0
    read: int = 0
    seconds: float = 0.0

    def line(self):
        rate = self.read / self.seconds if self.seconds > 0 else 0.0
        return ("indexed %d songs (%d new, %d changed, %d removed, %d unreadable) in %.1f s, %.0f files/s"
                % (self.songs, self.new, self.changed, self.removed, self.unreadable, self.seconds, rate))


def walk(root, report):
    """Every audio file under root (a real path), in path order.

    Hidden entries are passed over; folders are not entered through symbolic links; a file
    reached through a link that leads out of root, or whose name is not UTF-8, is reported and
    left out.
    """
    found, pending = [], [(root, "")]
    while pending:
        folder, prefix = pending.pop()
        try:
            entries = list(os.scandir(folder))
        except OSError as err:
            report(prefix or ".", "folder cannot be read: %s" % (err.strerror or err))
            continue
        for entry in entries:
            if entry.name.startswith("."):
                continue
            relative = prefix + entry.name
            try:
                if entry.is_dir(follow_symlinks=False):
                    pending.append((entry.path, relative + "/"))
                    continue
                if os.path.splitext(entry.name)[1].lower() not in AUDIO_TYPES:
                    continue
                relative.encode("utf-8")
                if entry.is_symlink() and not _inside(root, os.path.realpath(entry.path)):
                    report(relative, "symbolic link leads out of the library")
                    continue
                stat = entry.stat()
            except UnicodeEncodeError:
                report(os.fsencode(relative).decode("utf-8", "replace"), "file name is not UTF-8")
                continue
            except OSError as err:
                report(relative, err.strerror or str(err))
                continue
            if entry.is_file():
                found.append(Found(relative, entry.path, stat.st_size, stat.st_mtime_ns))
    found.sort(key=lambda f: f.relative)
    return found


def _inside(root, path):
    return os.path.commonpath([root, path]) == root


class Progress:
    """Files per second and count on standard error; on a terminal a bar redrawn in place."""

    def __init__(self, stream, total):
        self._stream, self._total = stream, total
        self._tty = hasattr(stream, "isatty") and stream.isatty()
        self._started = self._shown = time.monotonic()
        self._drawn = False

    def update(self, done, final=False):
        now = time.monotonic()
        interval = PROGRESS_SECONDS if self._tty else PROGRESS_LINE_SECONDS
        if not final and now - self._shown < interval:
            return
        self._shown = now
        rate = done / (now - self._started) if now > self._started else 0.0
        text = "%d/%d files, %.0f files/s" % (done, self._total, rate)
        try:
            if self._tty:
                filled = BAR_WIDTH * done // max(1, self._total)
                bar = "#" * filled + "-" * (BAR_WIDTH - filled)
                self._stream.write("\rmulan-site: indexing [%s] %3d%% %s" % (bar, 100 * done // max(1, self._total), text))
                if final:
                    self._stream.write("\n")
            elif done or final:
                self._stream.write("mulan-site: indexing %s\n" % text)
            self._stream.flush()
        except (OSError, ValueError):
            pass


class Scanner:
    def __init__(self, index, root, read_tags, log, progress_stream=None):
        self.index, self.root, self.read_tags, self.log = index, root, read_tags, log
        self.progress_stream = progress_stream

    def run(self, stopping=None):
        started = time.monotonic()
        summary = Summary()
        known = self.index.known_files()
        found = walk(self.root, self._report)
        present = {f.relative for f in found}
        gone = [path for path in known if path not in present]
        with self.index.batch() as db:
            Index.remove(db, gone)
        summary.removed = len(gone)
        todo = []
        for f in found:
            old = known.get(f.relative)
            if old is None:
                summary.new += 1
            elif (old[1], old[2]) != (f.size, f.mtime_ns):
                summary.changed += 1
            else:
                if old[3] is not None:
                    summary.unreadable += 1
                    self._report(f.relative, old[3])
                continue
            todo.append(f)
        summary.read = self._read_all(todo, summary, stopping)
        summary.songs = self.index.count()
        summary.seconds = time.monotonic() - started
        return summary

    def _read_all(self, todo, summary, stopping):
        progress = Progress(self.progress_stream, len(todo)) if self.progress_stream and todo else None
        done = 0
        while done < len(todo) and not (stopping and stopping.is_set()):
            batch_started = time.monotonic()
            with self.index.batch() as db:
                for f in todo[done : done + BATCH_FILES]:
                    self._read_one(db, f, summary)
                    done += 1
                    if time.monotonic() - batch_started > BATCH_SECONDS:
                        break
            if progress:
                progress.update(done)
        if progress:
            progress.update(done, final=True)
        return done

    def _read_one(self, db, f, summary):
        try:
            tags = self.read_tags(f.path, f.relative)
        except Exception as err:  # noqa: BLE001 - one bad file never ends the scan
            summary.unreadable += 1
            reason = str(err) or type(err).__name__
            self._report(f.relative, reason)
            Index.put_failure(db, f.relative, f.size, f.mtime_ns, reason)
            return
        Index.put_song(db, f.relative, f.size, f.mtime_ns, tags)

    def _report(self, relative, reason):
        self.log("skipped %s: %s" % (relative, reason))
