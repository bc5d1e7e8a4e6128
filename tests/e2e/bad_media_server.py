#!/usr/bin/env python3
"""A small HTTP server of broken audio for the player's tests: every way a song can be bad.

usage: bad_media_server.py DIR PORT-FILE
DIR holds good.mp3 and good.flac (made by the test). Paths served:
  /truncated.flac  the first half of a FLAC file, with its own (short) Content-Length
  /garbage.mp3     random bytes as audio/mpeg
  /unknown.bin     bytes of no audio format as application/octet-stream
  /short.mp3       announces the whole MP3 but sends half of it and closes
  /stall.mp3       sends half of the MP3, then neither sends nor closes
  /endless.mp3     the MP3's frames again and again without a length, as a radio stream does
The chosen port is written to PORT-FILE. Stops by itself after ten minutes.
"""
import http.server
import os
import random
import socketserver
import sys
import threading
import time

directory, port_file = sys.argv[1], sys.argv[2]
good_mp3 = open(os.path.join(directory, "good.mp3"), "rb").read()
good_flac = open(os.path.join(directory, "good.flac"), "rb").read()
garbage = random.Random(7).randbytes(200_000)
# Neither a RIFF, MPEG, MP4, ASF, FLAC nor Ogg start: a zip's header and text.
unknown = b"PK\x03\x04" + b"not a song " * 20_000


def mp3_frames(data):
    """The MP3 without its ID3 tag, so that it can be repeated as a stream."""
    if data[:3] == b"ID3":
        size = (data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]
        data = data[10 + size:]
    return data


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.path, fmt % args))

    def head(self, content_type, length=None):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        if length is not None:
            self.send_header("Content-Length", str(length))
        else:
            self.send_header("Connection", "close")
        self.end_headers()

    def do_GET(self):
        path = self.path.split("?")[0]
        if path == "/truncated.flac":
            body = good_flac[: len(good_flac) // 2]
            self.head("audio/flac", len(body))
            self.wfile.write(body)
        elif path == "/garbage.mp3":
            self.head("audio/mpeg", len(garbage))
            self.wfile.write(garbage)
        elif path == "/unknown.bin":
            self.head("application/octet-stream", len(unknown))
            self.wfile.write(unknown)
        elif path == "/short.mp3":
            self.head("audio/mpeg", len(good_mp3))
            self.wfile.write(good_mp3[: len(good_mp3) // 2])
            self.close_connection = True
        elif path == "/stall.mp3":
            self.head("audio/mpeg", len(good_mp3))
            self.wfile.write(good_mp3[: len(good_mp3) // 2])
            self.wfile.flush()
            time.sleep(60)
            self.close_connection = True
        elif path == "/endless.mp3":
            self.head("audio/mpeg")
            frames = mp3_frames(good_mp3)
            deadline = time.monotonic() + 120
            try:
                # As fast as the client takes it: the player has to hold back, not the server.
                while time.monotonic() < deadline:
                    self.wfile.write(frames)
            except (BrokenPipeError, ConnectionResetError):
                pass
            self.close_connection = True
        else:
            self.send_error(404)


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
with open(port_file + ".part", "w") as f:
    f.write(str(server.server_address[1]))
os.rename(port_file + ".part", port_file)
threading.Timer(600, server.shutdown).start()
server.serve_forever()
