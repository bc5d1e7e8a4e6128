#!/usr/bin/env python3
"""Draws the playlist's playing-row mark: one 12 x 12, 32-bit image (a green play triangle with a
soft edge) in an icon file whose image is exactly 664 bytes.

Usage: make_play_icon.py OUT.ico
"""
import struct
import sys

SIZE = 12
GREEN = (0x53, 0xB7, 0x12)  # the playing row's text colour
SUPERSAMPLE = 8


def inside(u, v):
    """A right-pointing triangle with corners (3, 1.5), (3, 10.5), (10, 6)."""
    if u < 3.0 or u > 10.0:
        return False
    half = 4.5 * (10.0 - u) / 7.0
    return abs(v - 6.0) <= half


def main():
    pixels = []  # bottom-up BGRA rows
    mask_rows = []
    for y in reversed(range(SIZE)):
        row = b""
        mask_bits = 0
        for x in range(SIZE):
            hits = sum(inside(x + (sx + 0.5) / SUPERSAMPLE, y + (sy + 0.5) / SUPERSAMPLE)
                       for sy in range(SUPERSAMPLE) for sx in range(SUPERSAMPLE))
            alpha = round(255 * hits / SUPERSAMPLE ** 2)
            r, g, b = GREEN
            row += bytes((b, g, r, alpha))
            if alpha == 0:
                mask_bits |= 1 << (31 - x)  # transparent where the mask bit is set
        pixels.append(row)
        mask_rows.append(struct.pack(">I", mask_bits))
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    image = header + b"".join(pixels) + b"".join(mask_rows)
    assert len(image) == 664, len(image)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    with open(sys.argv[1], "wb") as f:
        f.write(directory + image)


if __name__ == "__main__":
    main()
