#!/usr/bin/env python3
"""mulan-site: serves a folder of audio files as a music site in the page formats the player reads.

Three servers on one address: play and lyrics pages (--site-port), search pages
(--search-port) and the audio files (--media-port). Once all three listen, a line

    ready site=HOST:PORT search=HOST:PORT media=HOST:PORT

goes to standard output and, with --ready-file, into that file (written whole, at once).
A port of 0 takes any free port; the ready line tells which. SIGINT or SIGTERM stops it.
"""

import argparse
import os
import signal
import sys
import threading

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from mulansite import catalogue, pages, server  # noqa: E402

DEFAULT_PORTS = {server.SITE: 18080, server.SEARCH: 18081, server.MEDIA: 18082}


def parse_args(argv):
    parser = argparse.ArgumentParser(prog="mulan-site", description=__doc__.split("\n")[0])
    parser.add_argument("--catalogue", required=True, metavar="DIR", help="folder with catalogue.json or audio files")
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


def main(argv=None):
    args, ports = parse_args(sys.argv[1:] if argv is None else argv)
    try:
        songs = catalogue.load(args.catalogue)
    except catalogue.CatalogueError as err:
        sys.stderr.write("mulan-site: %s\n" % err)
        return 2
    try:
        log = server.RequestLog(args.log)
    except OSError as err:
        sys.stderr.write("mulan-site: cannot open log: %s\n" % err)
        return 2
    site = server.Site(songs, log)
    try:
        servers = server.bind(args.bind, ports, site)
    except OSError as err:
        sys.stderr.write("mulan-site: cannot listen on %s: %s\n" % (args.bind, err))
        log.close()
        return 1
    bound = {role: default_host(args.bind, s.server_address[1]) for role, s in servers.items()}
    site.hosts = pages.Hosts(
        args.site_host or bound[server.SITE],
        args.search_host or bound[server.SEARCH],
        args.media_host or bound[server.MEDIA],
    )
    stopping = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stopping.set())
    signal.signal(signal.SIGINT, lambda *_: stopping.set())
    server.serve(servers)
    line = "ready site=%s search=%s media=%s songs=%d" % (
        bound[server.SITE], bound[server.SEARCH], bound[server.MEDIA], len(songs.songs))
    if args.ready_file:
        write_ready_file(args.ready_file, line)
    try:
        print(line, flush=True)
    except OSError:
        pass  # Nobody reads standard output; the ready file still tells.
    stopping.wait()
    server.stop(servers)
    log.close()
    if args.ready_file:
        try:
            os.remove(args.ready_file)
        except OSError:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
