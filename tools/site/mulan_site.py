#!/usr/bin/python3
"""mulan-site: serves a folder of audio files as a music site in the page formats the player reads.

The folder is either a catalogue (a catalogue.json naming the songs, as the demo catalogue has)
or a music library: audio files whose tags give titles, singers and lyrics, indexed in SQLite
(.mulan-site.db in the folder, or --db). The servers answer while a library's first scan runs.

Three servers on one address: play and lyrics pages (--site-port), search pages
(--search-port) and the audio files (--media-port). Once all three listen, a line

    ready site=HOST:PORT search=HOST:PORT media=HOST:PORT

goes to standard output and, with --ready-file, into that file (written whole, at once); for a
library once its scan is done as well.
A port of 0 takes any free port; the ready line tells which. SIGINT or SIGTERM stops it.
"""

import argparse
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from mulansite import catalogue, pages, server  # noqa: E402
from mulansite.library import DB_NAME, Library  # noqa: E402

# FTS5's trigram tokenizer came with SQLite 3.34.
MIN_SQLITE = (3, 34, 0)

DEFAULT_PORTS = {server.SITE: 18080, server.SEARCH: 18081, server.MEDIA: 18082}


def parse_args(argv):
    parser = argparse.ArgumentParser(prog="mulan-site", description=__doc__.split("\n")[0])
    folder = parser.add_mutually_exclusive_group(required=True)
    folder.add_argument("--catalogue", metavar="DIR", help="folder with catalogue.json, or a music folder")
    folder.add_argument("--library", metavar="DIR", dest="catalogue", help="the same as --catalogue")
    parser.add_argument("--db", metavar="PATH", help="index of a music folder (default DIR/%s)" % DB_NAME)
    parser.add_argument("--bind", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--site-port", type=int, default=DEFAULT_PORTS[server.SITE], help="play and lyrics pages")
    parser.add_argument("--search-port", type=int, default=DEFAULT_PORTS[server.SEARCH], help="search pages")
    parser.add_argument("--media-port", type=int, default=DEFAULT_PORTS[server.MEDIA], help="audio files")
    parser.add_argument("--site-host", help="site host name used inside pages (default BIND:SITE-PORT)")
    parser.add_argument("--search-host", help="search host name used inside pages (default BIND:SEARCH-PORT)")
    parser.add_argument("--media-host", help="media host name used inside pages (default BIND:MEDIA-PORT)")
    parser.add_argument("--log", metavar="FILE", help="append one line per request: PORT METHOD TARGET STATUS")
    parser.add_argument("--ready-file", metavar="FILE", help="write the ready line here once listening")
    args = parser.parse_args(argv)
    ports = {server.SITE: args.site_port, server.SEARCH: args.search_port, server.MEDIA: args.media_port}
    for role, port in ports.items():
        if not 0 <= port <= 65535:
            parser.error("--%s-port must be between 0 and 65535" % role)
    fixed = [p for p in ports.values() if p != 0]
    if len(fixed) != len(set(fixed)):
        parser.error("the three ports must differ")
    return args, ports


def default_host(bind, port):
    if bind in ("", "0.0.0.0"):
        bind = "127.0.0.1"
    elif bind == "::":
        bind = "::1"
    return "[%s]:%d" % (bind, port) if ":" in bind else "%s:%d" % (bind, port)


def write_ready_file(path, line):
    temporary = path + ".tmp"
    with open(temporary, "w", encoding="utf-8") as f:
        f.write(line + "\n")
    os.replace(temporary, path)


class Failure(Exception):
    """Start-up cannot go on; the message goes to standard error, with exit status 2."""


def say(line):
    try:
        sys.stderr.write("mulan-site: %s\n" % line)
        sys.stderr.flush()
    except (OSError, ValueError):
        pass


def open_songs(args):
    """(catalogue or library, scanner or None) for the folder of args."""
    root = args.catalogue
    if not os.path.isdir(root):
        raise Failure("music folder not found: %s" % root)
    if catalogue.has_listing(root):
        try:
            return catalogue.load(root), None
        except catalogue.CatalogueError as err:
            raise Failure(str(err)) from err
    # A catalogue needs neither the tag library nor SQLite, so any Python 3.11 serves one.
    try:
        import sqlite3

        from mulansite import tags
        from mulansite.index import Index, IndexUnusable
        from mulansite.scan import Scanner
    except ImportError as err:
        raise Failure("a music folder needs mutagen and sqlite3 (Debian's python3-mutagen; run with /usr/bin/python3): %s"
                      % err) from err
    if sqlite3.sqlite_version_info < MIN_SQLITE:
        raise Failure("SQLite %s is too old for the search index (3.34 or later needed)" % sqlite3.sqlite_version)
    root = os.path.realpath(root)
    try:
        index = Index(args.db or os.path.join(root, DB_NAME))
    except IndexUnusable as err:
        raise Failure(str(err)) from err
    return Library(root, index), Scanner(index, root, tags.read, say, sys.stderr)


def scan_in_background(scanner, stopping, woken):
    """Runs the scan on its own thread; woken is set when it ends. Returns {"summary": ...} filled then."""
    outcome = {}

    def run():
        try:
            outcome["summary"] = scanner.run(stopping)
            say(outcome["summary"].line())
            scanner.index.warm()
        except Exception as err:  # noqa: BLE001 - the site goes on serving what is indexed
            say("indexing failed: %s" % err)
        finally:
            woken.set()

    threading.Thread(target=run, name="mulan-site-scan", daemon=True).start()
    return outcome


def main(argv=None):
    args, ports = parse_args(sys.argv[1:] if argv is None else argv)
    try:
        songs, scanner = open_songs(args)
    except Failure as err:
        say(err)
        return 2
    try:
        log = server.RequestLog(args.log)
    except OSError as err:
        say("cannot open log: %s" % err)
        return 2
    site = server.Site(songs, log)
    try:
        servers = server.bind(args.bind, ports, site)
    except OSError as err:
        say("cannot listen on %s: %s" % (args.bind, err))
        log.close()
        return 1
    bound = {role: default_host(args.bind, s.server_address[1]) for role, s in servers.items()}
    site.hosts = pages.Hosts(
        args.site_host or bound[server.SITE],
        args.search_host or bound[server.SEARCH],
        args.media_host or bound[server.MEDIA],
    )
    stopping, woken = threading.Event(), threading.Event()

    def stop(*_):
        stopping.set()
        woken.set()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    server.serve(servers)
    if scanner is not None:
        scan_in_background(scanner, stopping, woken)
        woken.wait()
    if not stopping.is_set():
        announce(args, bound, songs.count())
    stopping.wait()
    server.stop(servers)
    log.close()
    if args.ready_file:
        try:
            os.remove(args.ready_file)
        except OSError:
            pass
    return 0


def announce(args, bound, count):
    line = "ready site=%s search=%s media=%s songs=%d" % (bound[server.SITE], bound[server.SEARCH], bound[server.MEDIA], count)
    if args.ready_file:
        write_ready_file(args.ready_file, line)
    try:
        print(line, flush=True)
    except OSError:
        pass  # Nobody reads standard output; the ready file still tells.


if __name__ == "__main__":
    sys.exit(main())
