"""The three servers of the site: play and lyrics pages, search pages, audio files."""

import os
import re
import socket
import sys
import threading
from dataclasses import dataclass, field
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from . import pages
from .catalogue import MEDIA_PREFIX, read_lyrics
from .media import BadPath, Unsatisfiable, parse_range, relative_file
from .query import BadQuery, decode_gbk_value, parse_query

PLAY_PATH = re.compile(r"/play/([0-9]+)\.htm")
LYRICS_PATH = re.compile(r"/geci/([0-9]{1,12})\.htm")
PAGE_NUMBER = re.compile(r"[0-9]+")
# Any page number with more digits than this is beyond the last page of any catalogue.
MAX_PAGE_DIGITS = 9
CHUNK = 64 * 1024
SITE, SEARCH, MEDIA = "site", "search", "media"


class RequestLog:
    """One line per answered request: PORT METHOD TARGET STATUS, flushed at once."""

    def __init__(self, path):
        self._file = open(path, "a", encoding="ascii", buffering=1) if path else None
        self._lock = threading.Lock()

    def write(self, port, method, target, status):
        if self._file is None:
            return
        line = "%d %s %s %s\n" % (port, _printable(method), _printable(target), status)
        with self._lock:
            self._file.write(line)
            self._file.flush()

    def close(self):
        if self._file is not None:
            self._file.close()


def _printable(value):
    """value with every character that could break a log line written as %XX."""
    if not value:
        return "-"
    return "".join(c if 0x21 <= ord(c) <= 0x7E else "%%%02X" % (ord(c) & 0xFF) for c in value)


@dataclass
class Response:
    status: int
    content_type: str = pages.CONTENT_TYPE
    body: bytes = b""
    file_path: str | None = None
    file_range: tuple | None = None
    headers: list = field(default_factory=list)


@dataclass
class Site:
    """What every handler needs: the catalogue, the host names used in pages and the log."""

    catalogue: object
    log: RequestLog
    hosts: pages.Hosts | None = None

    def page(self, status, html):
        return Response(status, body=pages.encode(html))

    def home(self):
        songs, total = self.catalogue.home_songs()
        return self.page(200, pages.home_page(self.hosts, songs, total))

    def error(self, status):
        return self.page(status, pages.error_page(self.hosts, status))


def route(site, role, path, query, headers):
    if role == SITE:
        return _route_site(site, path)
    if role == SEARCH:
        return _route_search(site, path, query)
    return _route_media(site, path, headers)


def _route_site(site, path):
    if path in ("/", "/index.htm"):
        return site.home()
    match = PLAY_PATH.fullmatch(path)
    if match:
        song = site.catalogue.by_id(match.group(1))
        return site.page(200, pages.play_page(site.hosts, song)) if song else site.error(404)
    match = LYRICS_PATH.fullmatch(path)
    if match:
        # The player asks for lyrics by the id's integer value, so leading zeros do not matter.
        song = site.catalogue.by_number(int(match.group(1)))
        if song is None:
            return site.error(404)
        return site.page(200, pages.lyrics_page(site.hosts, song, read_lyrics(song)))
    return site.error(404)


def _route_search(site, path, query):
    if path == "/":
        return site.home()
    if path != "/so.asp":
        return site.error(404)
    fields = parse_query(query)
    try:
        key = decode_gbk_value(fields.get("key", ""))
    except BadQuery:
        return site.error(400)
    page = _page_number(fields.get("page", ""))
    if page is None:
        return site.error(400)
    total, shown = site.catalogue.search_page(key, page)
    return site.page(200, pages.search_page(site.hosts, key, page, total, shown))


def _page_number(raw):
    if raw == "":
        return 1
    if not PAGE_NUMBER.fullmatch(raw):
        return None
    digits = raw.lstrip("0")
    if len(digits) > MAX_PAGE_DIGITS:
        return 10**MAX_PAGE_DIGITS
    return max(1, int(digits or "0"))


def _route_media(site, path, headers):
    if not path.startswith(MEDIA_PREFIX):
        return site.error(404)
    try:
        name = relative_file(path[len(MEDIA_PREFIX) :])
    except BadPath:
        return site.error(400)
    song = site.catalogue.by_file(name)
    if song is None:
        return site.error(404)
    try:
        size = os.stat(song.audio_path).st_size
    except OSError:
        return site.error(404)
    common = [("Accept-Ranges", "bytes")]
    try:
        wanted = parse_range(headers.get("Range"), size)
    except Unsatisfiable:
        response = site.error(416)
        response.headers = common + [("Content-Range", "bytes */%d" % size)]
        return response
    if wanted is None:
        return Response(200, song.content_type, file_path=song.audio_path, file_range=(0, size - 1), headers=common)
    first, last = wanted
    common.append(("Content-Range", "bytes %d-%d/%d" % (first, last, size)))
    return Response(206, song.content_type, file_path=song.audio_path, file_range=wanted, headers=common)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "mulan-site/1.0"
    # Idle keep-alive connections and stalled clients are dropped after this many seconds.
    timeout = 30

    def setup(self):
        super().setup()
        # Headers and body go out in separate writes; without this, Nagle's algorithm holds the
        # body back until the client's delayed acknowledgement of the headers (some 40 ms).
        try:
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        except OSError:
            pass

    def version_string(self):
        return self.server_version

    def do_GET(self):
        self._serve(head=False)

    def do_HEAD(self):
        self._serve(head=True)

    def __getattr__(self, name):
        # The base class looks up "do_" + method; every method but GET and HEAD is refused with 405.
        if name.startswith("do_"):
            return self._not_allowed
        raise AttributeError(name)

    def _not_allowed(self):
        self.close_connection = True
        response = self.server.site.error(405)
        response.headers.append(("Allow", "GET, HEAD"))
        self._send(response, head=False)

    def parse_request(self):
        # A request line that fails to parse must not be logged with the previous request's path.
        self.path = None
        return super().parse_request()

    def _serve(self, head):
        try:
            path, query = _split_target(self.path)
            response = route(self.server.site, self.server.role, path, query, self.headers)
        except Exception as err:  # noqa: BLE001 - the client gets a clean 500 page, never a traceback
            sys.stderr.write("mulan-site: internal error on %r: %s\n" % (self.path, err))
            self.close_connection = True
            response = self.server.site.error(500)
        self._send(response, head)

    def _send(self, response, head):
        if response.file_path is not None:
            first, last = response.file_range
            length = max(0, last - first + 1)
        else:
            length = len(response.body)
        self.send_response(response.status)
        self.send_header("Content-Type", response.content_type)
        self.send_header("Content-Length", str(length))
        for name, value in response.headers:
            self.send_header(name, value)
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()
        if head:
            return
        try:
            if response.file_path is not None:
                self._copy_file(response.file_path, response.file_range[0], length)
            else:
                self.wfile.write(response.body)
        except (ConnectionError, OSError):
            self.close_connection = True

    def _copy_file(self, path, offset, length):
        with open(path, "rb") as f:
            f.seek(offset)
            while length > 0:
                chunk = f.read(min(CHUNK, length))
                if not chunk:
                    # The file shrank under us: the promised length cannot be kept.
                    self.close_connection = True
                    return
                self.wfile.write(chunk)
                length -= len(chunk)

    def send_error(self, code, message=None, explain=None):
        # Called by the base class for requests it cannot parse; answer with the site's own page.
        self.close_connection = True
        self._send(self.server.site.error(code), head=getattr(self, "command", None) == "HEAD")

    def log_request(self, code="-", size="-"):
        status = code.value if hasattr(code, "value") else code
        target = getattr(self, "path", None)
        self.server.site.log.write(self.server.server_address[1], getattr(self, "command", None), target, status)

    def log_message(self, format, *args):
        pass


def _split_target(target):
    """Path and raw query of a request target; an absolute-form target loses scheme and host."""
    lowered = target[:8].lower()
    if lowered.startswith("http://") or lowered.startswith("https://"):
        rest = target.split("://", 1)[1]
        slash = rest.find("/")
        target = rest[slash:] if slash >= 0 else "/"
    path, _, query = target.partition("?")
    return path, query


class Server(ThreadingHTTPServer):
    daemon_threads = True
    # Players and test drivers open bursts of connections; the default backlog of 5 is too short.
    request_queue_size = 64

    def __init__(self, address, role, site):
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        self.role = role
        self.site = site
        super().__init__(address, Handler)

    def handle_error(self, request, client_address):
        err = sys.exc_info()[1]
        if isinstance(err, (ConnectionError, TimeoutError)):
            return
        sys.stderr.write("mulan-site: error serving %s: %r\n" % (client_address[0], err))


def bind(address, ports, site):
    """Binds the three servers (ports: role -> port, 0 for any free one) without serving yet.

    Returns {role: server}; nothing is left bound when one of them cannot be bound.
    """
    servers = {}
    try:
        for role in (SITE, SEARCH, MEDIA):
            servers[role] = Server((address, ports[role]), role, site)
    except OSError:
        for server in servers.values():
            server.server_close()
        raise
    return servers


def serve(servers):
    for role, server in servers.items():
        threading.Thread(target=server.serve_forever, name="mulan-site-" + role, daemon=True).start()


def stop(servers):
    for server in servers.values():
        server.shutdown()
        server.server_close()
