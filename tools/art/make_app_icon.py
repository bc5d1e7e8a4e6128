#!/usr/bin/env python3
"""Draws the application icon (a white note on a pale-blue disc) as an eight-image .ico file.

Usage: make_app_icon.py OUT.ico
"""
import math
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64, 256)
SUPERSAMPLE = 4
DISC_TOP = (0x8C, 0xC4, 0xEC)
DISC_BOTTOM = (0x2E, 0x6E, 0xB4)
RIM = (0x1E, 0x4E, 0x86)
NOTE = (0xFF, 0xFF, 0xFF)


def coverage(u, v):
    """Returns (disc, rim, note) membership of a point in unit coordinates (0..1)."""
    dx, dy = u - 0.5, v - 0.5
    r = math.hypot(dx, dy)
    disc = r <= 0.47
    rim = 0.43 <= r <= 0.47
    # An eighth note: two heads joined by a beam on two stems.
    def head(cx, cy):
        ex, ey = (u - cx) / 0.11, (v - cy) / 0.08
        return ex * ex + ey * ey <= 1.0
    stems = (0.42 <= u <= 0.47 and 0.27 <= v <= 0.68) or (0.70 <= u <= 0.75 and 0.22 <= v <= 0.62)
    beam = 0.37 <= u <= 0.75 and (0.22 + 0.05 * (0.75 - u) / 0.33) <= v <= (0.31 + 0.05 * (0.75 - u) / 0.33)
    note = head(0.36, 0.69) or head(0.64, 0.63) or stems or beam
    return disc, rim, note


def render(size):
    """RGBA rows, top to bottom."""
    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(n):
                for sx in range(n):
                    u = (x + (sx + 0.5) / n) / size
                    v = (y + (sy + 0.5) / n) / size
                    disc, rim, note = coverage(u, v)
                    if not disc:
                        continue
                    if note:
                        colour = NOTE
                    elif rim:
                        colour = RIM
                    else:
                        colour = tuple(int(a + (b - a) * v) for a, b in zip(DISC_TOP, DISC_BOTTOM))
                    for i in range(3):
                        acc[i] += colour[i]
                    acc[3] += 1
            alpha = acc[3] / (n * n)
            if acc[3]:
                row.append((int(acc[0] / acc[3]), int(acc[1] / acc[3]), int(acc[2] / acc[3]), int(round(alpha * 255))))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(size, rows):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)
    return header + pixels + mask


def png(size, rows):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(size, rows) if size >= 256 else dib(size, rows)))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
