#!/usr/bin/env python3
"""A music site that misbehaves, for tests/e2e/hostile_servers.sh: it listens on the site's three ports
and answers each search key or song id with one hostile case. The start-up search ("u") lists the
hostile songs; "/so.asp?page=N" pages after the first are empty. Every request's whole head is
written to the log (escaped), after a line "GET TARGET STATUS" like mulan-site's.

Search keys: big (4 MB without any marker), many (20 000 hits, or --many), err (status 500 with a body), cut
(connection closed after the headers), mute (accepted, never answered), drip (one byte a second).
Songs: 9001 play page address with CR LF, spaces and 8 000 characters; 9002 to 9006 play page big,
err, cut, mute, drip; 9007 a 3-second song with 100 000 lyric lines; 9008 a song whose audio
answers 500 and whose lyrics page is cut.
"""
import argparse
import io
import math
import os
import socket
import struct
import threading
import time
import wave

SONGS = {9001: "address", 9002: "big", 9003: "err", 9004: "cut", 9005: "mute", 9006: "drip",
         9007: "lyrics", 9008: "media500"}
HEAD = '<html><head><meta http-equiv="Content-Type" content="text/html; charset=gb2312" /></head><body>\n'
state = {"log": None, "lock": threading.Lock(), "stop": threading.Event()}


def log(target, status, head):
    with state["lock"], open(state["log"], "a", encoding="utf-8") as f:
        f.write(f"GET {target} {status}\n")
        f.write("  head: " + head.decode("latin-1").encode("unicode_escape").decode("ascii") + "\n")


def search_page(hits, count):
    rows = "".join(f'<li><span class="songNum">{i + 1}.</span><a href="http://127.0.0.1:18080/play/{sid}.htm">'
                   f'{name}</a><a href="/so.asp?key=x" class="singer">singer</a></li>\n'
                   for i, (sid, name) in enumerate(hits))
    return (HEAD + f'<div>找到相关结果共<font color="#c60a00">{count}</font>个</div>\n'
            f'<ul><li><span class="songNum">序号</span></li>\n{rows}</ul><div class="soBottom"></div></body></html>'
            ).encode("gbk")


def play_page(path):
    return (HEAD + f'<script>try{{\r\n\tfirstplay = "{path}";\r\n}}catch(e){{ firstplay = ""; }}</script></body></html>'
            ).encode("gbk")


def lyrics_page(lines):
    body = "<BR>".join(f"[{i // 6000:02d}:{i // 100 % 60:02d}.{i % 100:02d}]第{i}行" for i in range(lines))
    return (HEAD + f'歌曲播放：<a>x</a><div class="lrc">{body}</div>BaiduButtonBEGIN</body></html>').encode("gbk")


def tone_wav():
    out = io.BytesIO()
    with wave.open(out, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(22050)
        w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / 22050)))
                               for i in range(22050 * 3)))
    return out.getvalue()


BIG = (HEAD + "没有任何标记的页面。" * 200_000)[: 4 * 1024 * 1024].encode("gbk", "ignore")
ADDRESS = "/music/a b\r\nX-Injected-CrLf: 1\rX-Injected-Cr: 1\nX-Injected-Lf: 1\t%0d%0aX-Escaped: 1/" + "a" * 8000 + ".wav"


def behaviour(port, target):
    """What to do for a request: a case name, or ("page", status, body)."""
    path, _, query = target.partition("?")
    params = dict(p.partition("=")[::2] for p in query.split("&") if p)
    if port == "search":
        if "page" in params:
            return ("page", 200, search_page([], 0))
        key = params.get("key", "")
        if key == "u":
            return ("page", 200, search_page([(sid, f"case{sid}") for sid in SONGS], len(SONGS)))
        if key == "many":
            many = state["many"]
            return ("page", 200, search_page([(100000 + i, f"song{i}") for i in range(many)], many))
        return key
    if port == "site":
        sid = int(path.rsplit("/", 1)[-1].split(".")[0] or 0) if path.endswith(".htm") else 0
        case = SONGS.get(sid, "")
        if path.startswith("/geci/"):
            if case == "lyrics":
                return ("page", 200, lyrics_page(100_000))
            return "cut" if case == "media500" else ("page", 200, (HEAD + "我要上传歌词</body></html>").encode("gbk"))
        if case == "address":
            return ("page", 200, play_page(ADDRESS))
        if case in ("lyrics", "media500"):
            return ("page", 200, play_page(f"/music/{case}.wav"))
        return case
    if target == "/music/lyrics.wav":
        return ("page", 200, TONE)
    if target == "/music/media500.wav":
        return ("page", 500, b"<html>server error</html>")
    return ("page", 404, b"not found")


def answer(conn, port):
    head = b""
    conn.settimeout(30)
    try:
        while b"\r\n\r\n" not in head and len(head) < 65536:
            chunk = conn.recv(4096)
            if not chunk:
                return
            head += chunk
        target = head.split(b"\r\n", 1)[0].split(b" ")[1].decode("latin-1") if b" " in head else ""
        todo = behaviour(port, target)
        kind = todo[0] if isinstance(todo, tuple) else todo
        status = todo[1] if isinstance(todo, tuple) else {"err": 500}.get(kind, 200)
        log(target, status if kind != "mute" else "mute", head)
        if kind == "big":
            todo = ("page", 200, BIG)
        elif kind == "err":
            todo = ("page", 500, (HEAD + "服务器内部错误" * 1000 + "</body></html>").encode("gbk"))
        if isinstance(todo, tuple):
            _, status, body = todo
            conn.sendall(f"HTTP/1.1 {status} X\r\nContent-Type: text/html\r\nContent-Length: {len(body)}\r\n"
                         "Connection: close\r\n\r\n".encode() + body)
        elif kind == "cut":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100000\r\n\r\n")
        elif kind == "mute":
            state["stop"].wait(300)
        elif kind == "drip":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n")
            for byte in (HEAD * 100).encode():
                if state["stop"].wait(1):
                    break
                conn.sendall(bytes([byte]))
    except OSError:
        pass
    finally:
        conn.close()


def serve(listener, port):
    while not state["stop"].is_set():
        conn, _ = listener.accept()
        threading.Thread(target=answer, args=(conn, port), daemon=True).start()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--log", required=True)
    parser.add_argument("--ready-file", required=True)
    parser.add_argument("--many", type=int, default=20000, help="hits of the search for many")
    parser.add_argument("--listen-after", metavar="FILE",
                        help="print 'prepared', then open the ports only once FILE exists")
    args = parser.parse_args()
    state["log"] = args.log
    state["many"] = args.many
    open(args.log, "w").close()
    if args.listen_after:
        print("prepared", flush=True)
        while not os.path.exists(args.listen_after):
            time.sleep(0.02)
    for name, port in (("site", 18080), ("search", 18081), ("media", 18082)):
        listener = socket.socket()
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        listener.bind(("127.0.0.1", port))
        listener.listen(16)
        threading.Thread(target=serve, args=(listener, name), daemon=True).start()
    with open(args.ready_file, "w") as f:
        f.write("ready\n")
    while True:
        time.sleep(3600)


TONE = tone_wav()

if __name__ == "__main__":
    main()
