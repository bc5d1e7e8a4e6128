#!/usr/bin/env python3
"""Draws the twelve skin bitmaps of the scrollbar as 24-bit BMP files.

Usage: make_scrollbar_skin.py OUTDIR

Each bitmap holds one frame per state (side by side or stacked). The painter copies the three
outer rows or columns of a frame 1:1 and stretches the middle, so every frame keeps its detail in
the borders and has a plain or banded middle. Magenta (255, 0, 255) is transparent in the glyphs
and grips.
"""
import os
import struct
import sys

MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)


class Image:
    def __init__(self, width, height, fill):
        self.width, self.height = width, height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.px[y][x] = colour

    def bmp(self):
        stride = (self.width * 3 + 3) & ~3
        rows = []
        for row in reversed(self.px):
            data = b"".join(bytes((b, g, r)) for (r, g, b) in row)
            rows.append(data + b"\0" * (stride - len(data)))
        pixels = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
        return header + info + pixels


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def box(img, x0, y0, w, h, border, first, second, split_along_x):
    """A bordered box with two fill bands, a soft inner highlight and rounded corners.

    The bands split across the middle of the frame: top/bottom, or left/right when split_along_x.
    The corners are blended with whatever lies under them."""
    under = {c: img.get(*c) for c in ((x0, y0), (x0 + w - 1, y0), (x0, y0 + h - 1), (x0 + w - 1, y0 + h - 1))}
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            if x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1):
                img.set(x, y, border)
                continue
            second_band = (x - x0) >= w // 2 if split_along_x else (y - y0) >= h // 2
            colour = second if second_band else first
            if x == x0 + 1 or y == y0 + 1:
                colour = mix(colour, WHITE, 0.55)
            img.set(x, y, colour)
    for (x, y), colour in under.items():
        img.set(x, y, mix(border, colour, 0.6))


def triangle(img, x0, y0, apex, direction, length, colour):
    """A solid arrow head: apex at (x0 + apex[0], y0 + apex[1]), growing by one pixel each side per step."""
    ax, ay = apex
    for step in range(length):
        for spread in range(-step, step + 1):
            if direction == "left":
                img.set(x0 + ax + step, y0 + ay + spread, colour)
            elif direction == "right":
                img.set(x0 + ax - step, y0 + ay + spread, colour)
            elif direction == "up":
                img.set(x0 + ax + spread, y0 + ay + step, colour)
            else:
                img.set(x0 + ax + spread, y0 + ay - step, colour)


# Horizontal set: neutral greys with the blue hot and pressed boxes.
H_TRACK_TOP, H_TRACK_BOTTOM = (248, 248, 248), (233, 233, 233)
H_TRACK_PRESSED = ((229, 229, 229), (220, 220, 220), (212, 212, 212))
H_FLAT = (240, 240, 240)
H_BOXES = {  # frame: (border, upper band, lower band)
    1: ((151, 151, 151), (242, 242, 242), (229, 229, 229)),
    2: ((60, 127, 177), (220, 240, 251), (164, 213, 239)),
    3: ((24, 89, 138), (186, 229, 248), (108, 196, 233)),
}
H_THUMBS = {
    0: ((195, 195, 195), (246, 246, 246), (233, 233, 233)),
    1: H_BOXES[2],
    2: H_BOXES[3],
    3: ((218, 218, 218), (243, 243, 243), (238, 238, 238)),
}
H_GLYPH = {0: (86, 86, 86), 1: (86, 86, 86), 2: (28, 84, 134), 3: (14, 58, 100), 4: (161, 161, 161)}
H_GRIP = {0: ((118, 118, 118), (252, 252, 252)), 1: ((25, 70, 112), (236, 247, 253)), 2: ((16, 56, 94), (214, 240, 252))}

# Vertical set: pale blue tones.
V_TRACK = (231, 240, 242)
V_TRACK_EDGE = (216, 230, 234)
V_TRACK_PRESSED, V_TRACK_PRESSED_EDGE = (207, 225, 231), (192, 212, 220)
V_BOXES = {
    1: ((160, 210, 240), (238, 247, 252), (222, 239, 249)),
    2: ((125, 198, 240), (224, 243, 253), (190, 228, 249)),
    3: ((62, 150, 212), (188, 227, 248), (142, 205, 239)),
}
V_THUMBS = {
    0: ((126, 186, 226), (226, 242, 251), (198, 228, 246)),
    1: ((100, 178, 224), (214, 239, 252), (176, 222, 247)),
    2: ((58, 140, 200), (180, 221, 246), (138, 199, 236)),
    3: ((208, 208, 208), (229, 229, 229), (229, 229, 229)),
}
V_GLYPH = {0: (66, 94, 112), 1: (66, 94, 112), 2: (16, 82, 140), 3: (8, 58, 104), 4: (168, 186, 192)}


def h_track_colour(y):
    return mix(H_TRACK_TOP, H_TRACK_BOTTOM, y / 16)


def scrbackh():
    img = Image(4, 17, H_FLAT)
    for y in range(17):
        img.fill(0, y, 2, y + 1, h_track_colour(y))
        top, middle, bottom = H_TRACK_PRESSED
        pressed = mix(top, middle, y / 8) if y <= 8 else mix(middle, bottom, (y - 8) / 8)
        img.fill(2, y, 4, y + 1, pressed)
    return img


def scrarrowh():
    img = Image(90, 17, H_FLAT)
    for frame, (border, upper, lower) in H_BOXES.items():
        box(img, 18 * frame, 0, 18, 17, border, upper, lower, split_along_x=False)
    return img


def scrarrowh_glyph(direction):
    img = Image(90, 17, MAGENTA)
    for frame, colour in H_GLYPH.items():
        apex = (7, 8) if direction == "left" else (10, 8)
        triangle(img, 18 * frame, 0, apex, direction, 4, colour)
    return img


def scrthumbh():
    img = Image(15, 68, H_FLAT)
    for frame, (border, upper, lower) in H_THUMBS.items():
        for y in range(17):
            img.fill(0, 17 * frame + y, 15, 17 * frame + y + 1, h_track_colour(y))
        box(img, 0, 17 * frame, 15, 17, border, upper, lower, split_along_x=False)
    return img


def scrgriph():
    img = Image(10, 36, MAGENTA)
    for frame, (dark, light) in H_GRIP.items():
        for x in (1, 4, 7):
            img.fill(x, 9 * frame + 2, x + 1, 9 * frame + 7, dark)
            img.fill(x + 1, 9 * frame + 2, x + 2, 9 * frame + 7, light)
    return img


def v_track_row(img, y, base, edge):
    img.fill(0, y, 17, y + 1, base)
    img.set(0, y, edge)
    img.set(16, y, edge)


def scrbackv():
    img = Image(17, 4, V_TRACK)
    for y in range(2):
        v_track_row(img, y, V_TRACK, V_TRACK_EDGE)
        v_track_row(img, 2 + y, V_TRACK_PRESSED, V_TRACK_PRESSED_EDGE)
    return img


def scrarrowv():
    img = Image(17, 90, V_TRACK)
    for y in range(90):
        v_track_row(img, y, V_TRACK, V_TRACK_EDGE)
    for frame, (border, first, second) in V_BOXES.items():
        box(img, 0, 18 * frame, 17, 18, border, first, second, split_along_x=True)
    return img


def scrarrowv_glyph(direction):
    img = Image(17, 90, MAGENTA)
    for frame, colour in V_GLYPH.items():
        apex = (8, 7) if direction == "up" else (8, 10)
        triangle(img, 0, 18 * frame, apex, direction, 4, colour)
    return img


def scrthumbv():
    img = Image(68, 15, V_TRACK)
    for frame, (border, first, second) in V_THUMBS.items():
        for y in range(15):
            img.set(17 * frame, y, V_TRACK_EDGE)
            img.set(17 * frame + 16, y, V_TRACK_EDGE)
        box(img, 17 * frame, 0, 17, 15, border, first, second, split_along_x=True)
    return img


def scrgripv():
    # A vertical thumb shows no grip.
    return Image(9, 40, MAGENTA)


BITMAPS = {
    "SCRBACKH": (scrbackh, (4, 17)),
    "SCRTHUMBH": (scrthumbh, (15, 68)),
    "SCRGRIPH": (scrgriph, (10, 36)),
    "SCRARROWH": (scrarrowh, (90, 17)),
    "SCRARROWHL": (lambda: scrarrowh_glyph("left"), (90, 17)),
    "SCRARROWHR": (lambda: scrarrowh_glyph("right"), (90, 17)),
    "SCRBACKV": (scrbackv, (17, 4)),
    "SCRTHUMBV": (scrthumbv, (68, 15)),
    "SCRGRIPV": (scrgripv, (9, 40)),
    "SCRARROWV": (scrarrowv, (17, 90)),
    "SCRARROWVT": (lambda: scrarrowv_glyph("up"), (17, 90)),
    "SCRARROWVB": (lambda: scrarrowv_glyph("down"), (17, 90)),
}


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, (draw, size) in BITMAPS.items():
        img = draw()
        assert (img.width, img.height) == size, name
        with open(os.path.join(out, name + ".bmp"), "wb") as f:
            f.write(img.bmp())


if __name__ == "__main__":
    main()
