#!/usr/bin/env python3
"""Draws Pendulo's program icon: a round clock face with two hands and a pendulum bob, at 16, 32 and 48
pixels, 32-bit with alpha, written as one .ico file. With a second file name it also draws the picture
beside the main window's web-search box: the same clock face as the lens of a magnifying glass, 24 by 24
pixels on the window's grey, as a 24-bit .bmp. The build embeds both in Pendulo.exe; nothing binary is
kept in the tree.

usage: make_pendulo_icon.py OUTPUT.ico [SEARCH_PICTURE.bmp]

Only the Python standard library is used, and the output is the same bytes on every run.
"""
import math
import struct
import sys

SAMPLES = 4  # sub-pixel samples per axis: edges are anti-aliased

FACE = (250, 246, 232)
RIM = (46, 84, 140)
HANDS = (30, 30, 30)
BOB = (204, 140, 32)
WINDOW_GREY = (240, 240, 240)  # the 3-D face colour the picture sits on
SEARCH_PICTURE_SIZE = 24


def coverage(size, inside):
    """Fraction of each pixel that `inside(x, y)` (coordinates 0..1) covers."""
    out = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    hits += 1 if inside(x, y) else 0
            row.append(hits / (SAMPLES * SAMPLES))
        out.append(row)
    return out


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= width / 2
    return inside


def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def icon_layers():
    """Layers from back to front: (shape, colour)."""
    cx, cy = 0.5, 0.42
    return [
        (segment(cx, cy, 0.5, 0.84, 0.07), HANDS),      # pendulum rod
        (disc(0.5, 0.86, 0.11), BOB),                   # bob
        (disc(cx, cy, 0.40), RIM),                      # rim
        (disc(cx, cy, 0.33), FACE),                     # face
        (segment(cx, cy, cx, cy - 0.24, 0.07), HANDS),  # minute hand at twelve
        (segment(cx, cy, cx + 0.17, cy + 0.05, 0.08), HANDS),  # hour hand near three
        (disc(cx, cy, 0.05), RIM),
    ]


def search_layers():
    """The clock face as a magnifying glass: the handle behind a smaller rim, lower right."""
    cx, cy = 0.40, 0.40
    return [
        (segment(cx, cy, 0.86, 0.86, 0.16), BOB),       # handle
        (disc(cx, cy, 0.34), RIM),                      # rim
        (disc(cx, cy, 0.25), FACE),                     # lens: the face
        (segment(cx, cy, cx, cy - 0.17, 0.08), HANDS),  # minute hand at twelve
        (segment(cx, cy, cx + 0.12, cy + 0.04, 0.09), HANDS),  # hour hand near three
    ]


def draw(size, layers=None):
    if layers is None:
        layers = icon_layers()
    pixels = [[(0, 0, 0, 0.0) for _ in range(size)] for _ in range(size)]
    for shape, colour in layers:
        cover = coverage(size, shape)
        for y in range(size):
            for x in range(size):
                a = cover[y][x]
                if a == 0:
                    continue
                r, g, b, back = pixels[y][x]
                out_a = a + back * (1 - a)
                mix = [(colour[i] * a + (r, g, b)[i] * back * (1 - a)) / out_a for i in range(3)]
                pixels[y][x] = (mix[0], mix[1], mix[2], out_a)
    return pixels


def bitmap(size):
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    body = bytearray()
    for y in reversed(range(size)):  # bottom-up rows
        for x in range(size):
            r, g, b, a = pixels[y][x]
            body += bytes((round(b), round(g), round(r), round(a * 255)))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # all drawn through alpha
    return header + bytes(body) + mask


def search_picture(size=SEARCH_PICTURE_SIZE):
    """A 24-bit .bmp file: the search picture laid over the window's grey."""
    pixels = draw(size, search_layers())
    row_bytes = (size * 3 + 3) // 4 * 4
    body = bytearray()
    for y in reversed(range(size)):  # bottom-up rows
        row = bytearray()
        for x in range(size):
            r, g, b, a = pixels[y][x]
            for value, back in ((b, WINDOW_GREY[2]), (g, WINDOW_GREY[1]), (r, WINDOW_GREY[0])):
                row.append(round(value * a + back * (1 - a)))
        row += bytes(row_bytes - len(row))
        body += row
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + bytes(body)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    if len(sys.argv) == 3:
        with open(sys.argv[2], "wb") as f:
            f.write(search_picture())
    sizes = [16, 32, 48]
    images = [bitmap(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
