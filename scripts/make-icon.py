#!/usr/bin/env python3
"""Draw the Corvell icon and write it as res/corvell.ico.

One 48x48 image, 256-colour palette, BMP-in-ICO with a 1-bit AND mask.
The program loads this single size and lets Windows scale it for the
small icon, so the shapes are hard-edged and the outline is dark and thick
enough to survive 16x16.

Usage: make-icon.py [output.ico]
"""

import math
import os
import struct
import sys

SIZE = 48

# Index 0 is black and doubles as the colour under transparent pixels:
# the XOR bitmap must be black wherever the AND mask lets the screen through.
COLOURS = [
    ("clear", (0, 0, 0)),
    ("outline", (22, 24, 30)),
    ("body", (64, 70, 82)),
    ("body_hi", (104, 112, 128)),
    ("body_lo", (44, 48, 58)),
    ("bezel", (30, 33, 40)),
    ("screen0", (120, 222, 226)),
    ("screen1", (70, 190, 210)),
    ("screen2", (40, 150, 200)),
    ("screen3", (30, 108, 180)),
    ("screen4", (24, 72, 150)),
    ("moon", (255, 214, 64)),
    ("moon_lo", (230, 170, 30)),
    ("star", (255, 255, 255)),
    ("knob", (200, 206, 216)),
    ("led", (80, 230, 90)),
    ("grille", (34, 38, 46)),
]
INDEX = {name: i for i, (name, _) in enumerate(COLOURS)}


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[INDEX["clear"]] * size for _ in range(size)]
        self.opaque = [[False] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = INDEX[colour]
            self.opaque[y][x] = True

    def get(self, x, y):
        return COLOURS[self.px[y][x]][0]

    def fill(self, inside, colour):
        # Sample at pixel centres: no anti-aliasing, clean edges.
        for y in range(self.size):
            for x in range(self.size):
                if inside(x + 0.5, y + 0.5):
                    self.put(x, y, colour)


def rounded_rect(x0, y0, x1, y1, r):
    """Inside test for the rectangle [x0,x1) x [y0,y1) with corner radius r."""
    def inside(px, py):
        if not (x0 <= px < x1 and y0 <= py < y1):
            return False
        cx = min(max(px, x0 + r), x1 - r)
        cy = min(max(py, y0 + r), y1 - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r
    return inside


def disc(cx, cy, r):
    return lambda px, py: (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def segment(ax, ay, bx, by, half_width):
    def inside(px, py):
        dx, dy = bx - ax, by - ay
        t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
        t = min(max(t, 0.0), 1.0)
        qx, qy = ax + t * dx, ay + t * dy
        return math.hypot(px - qx, py - qy) <= half_width
    return inside


def draw():
    c = Canvas(SIZE)

    # Antennas, drawn first so the cabinet covers their feet.
    for tip in ((13.5, 2.5), (34.5, 2.5)):
        c.fill(segment(24, 12, tip[0], tip[1], 1.6), "outline")
        c.fill(disc(tip[0], tip[1], 2.2), "outline")
    c.fill(disc(13.5, 2.5, 1.2), "knob")
    c.fill(disc(34.5, 2.5, 1.2), "knob")
    c.fill(rounded_rect(19, 8, 29, 13, 2), "outline")

    # Feet.
    c.fill(rounded_rect(8, 40, 15, 46, 1.5), "outline")
    c.fill(rounded_rect(33, 40, 40, 46, 1.5), "outline")
    c.fill(rounded_rect(9, 41, 14, 44, 0.5), "body_lo")
    c.fill(rounded_rect(34, 41, 39, 44, 0.5), "body_lo")

    # Cabinet: dark outline, body, light top edge, dark bottom edge.
    c.fill(rounded_rect(1, 11, 47, 43, 6), "outline")
    c.fill(rounded_rect(2, 12, 46, 42, 5), "body_lo")
    c.fill(rounded_rect(2, 12, 46, 40, 5), "body")
    c.fill(rounded_rect(3, 13, 45, 14, 0), "body_hi")
    c.fill(rounded_rect(4, 12, 44, 13, 0), "body_hi")

    # Screen with its bezel and a banded blue-teal picture.
    c.fill(rounded_rect(4, 15, 36, 39, 4), "bezel")
    screen = rounded_rect(5, 16, 35, 38, 3.5)
    bands = ["screen0", "screen1", "screen2", "screen3", "screen4"]
    for y in range(16, 38):
        band = bands[min((y - 16) * len(bands) // 22, len(bands) - 1)]
        for x in range(5, 35):
            if screen(x + 0.5, y + 0.5):
                c.put(x, y, band)

    # Crescent moon: a disc with a second disc bitten out of it.
    full = disc(20.5, 27.5, 8.5)
    bite = disc(25, 23.5, 7)
    shade = disc(19.5, 28.5, 7)
    c.fill(lambda px, py: full(px, py) and not bite(px, py) and not shade(px, py),
           "moon_lo")
    c.fill(lambda px, py: full(px, py) and not bite(px, py) and shade(px, py),
           "moon")
    for sx, sy in ((29, 20), (32, 28), (28, 34)):
        c.put(sx, sy, "star")
    for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
        c.put(29 + dx, 20 + dy, "screen0")

    # Control panel: two knobs, a power light and a speaker grille.
    for ky in (19.5, 26.5):
        c.fill(disc(40.5, ky, 2.6), "outline")
        c.fill(disc(40.5, ky, 1.8), "knob")
        c.put(40, int(ky) - 1, "outline")
    for gy in (31, 33, 35):
        c.fill(rounded_rect(38, gy, 44, gy + 1, 0), "grille")
    c.put(43, 38, "led")

    return c


def encode_ico(c):
    n = c.size
    palette = bytearray()
    for _, (r, g, b) in COLOURS:
        palette += bytes((b, g, r, 0))
    palette += bytes(4 * (256 - len(COLOURS)))

    xor = bytearray()
    for y in reversed(range(n)):  # bitmaps are stored bottom-up
        row = bytes(c.px[y][x] if c.opaque[y][x] else INDEX["clear"] for x in range(n))
        xor += row + bytes((-len(row)) % 4)

    mask = bytearray()
    mask_stride = ((n + 31) // 32) * 4
    for y in reversed(range(n)):
        row = bytearray(mask_stride)
        for x in range(n):
            if not c.opaque[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row

    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 8, 0,
                         len(xor) + len(mask), 0, 0, 256, 0)
    image = header + palette + xor + mask

    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", n, n, 0, 0, 1, 8, len(image), 6 + 16)
    return icondir + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res", "corvell.ico")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(encode_ico(draw()))
    print(os.path.normpath(out))


if __name__ == "__main__":
    main()
