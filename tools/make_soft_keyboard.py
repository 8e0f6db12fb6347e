#!/usr/bin/env python3
"""Draws the on-screen keyboard's picture: a 440 x 169 24-bit bitmap with a title strip holding the menu
and close buttons and one raised face per key. The characters of a layout are drawn on the faces at run
time, so the picture carries only the names of the keys that never change.

Usage: make_soft_keyboard.py OUT.bmp
"""
import struct
import sys

WIDTH, HEIGHT = 440, 169

# Colours (R, G, B). The key face is what the window's tests look for at every key's centre.
BACKGROUND = (0xD9, 0xDE, 0xE6)
TITLE = (0x3A, 0x5A, 0x8C)
KEY_FACE = (0xF8, 0xF8, 0xF8)
KEY_LIGHT = (0xFF, 0xFF, 0xFF)
KEY_SHADOW = (0x8A, 0x94, 0xA3)
GLYPH = (0xFF, 0xFF, 0xFF)

# Key rectangles (left, top, right, bottom), keys 0..59 in the order the window hit-tests them.
KEYS = (
    [(3, 22, 30, 49), (32, 22, 59, 49)]
    + [(61 + 29 * i, 22, 88 + 29 * i, 49) for i in range(11)]
    + [(380, 22, 435, 49)]
    + [(3, 51, 44, 78), (46, 51, 73, 78), (75, 51, 102, 78), (104, 51, 131, 78), (133, 51, 160, 78),
       (161, 51, 189, 78), (191, 51, 218, 78), (220, 51, 247, 78), (249, 51, 276, 78), (277, 51, 305, 78),
       (307, 51, 334, 78), (336, 51, 363, 78), (365, 51, 393, 78), (394, 51, 435, 78)]
    + [(3, 80, 58, 107), (60, 80, 87, 107), (89, 80, 116, 107), (118, 80, 145, 107), (146, 80, 174, 107),
       (175, 80, 203, 107), (205, 80, 232, 107), (234, 80, 261, 107), (262, 80, 290, 107), (291, 80, 319, 107),
       (321, 80, 348, 107), (349, 80, 377, 107), (380, 80, 435, 107)]
    + [(3, 109, 72, 136), (73, 109, 101, 136), (103, 109, 130, 136), (132, 109, 159, 136), (161, 109, 187, 136),
       (190, 109, 216, 136), (219, 109, 246, 136), (248, 109, 275, 136), (277, 109, 304, 136),
       (306, 109, 333, 136), (335, 109, 362, 136)]
    + [(3, 138, 30, 165), (32, 138, 59, 165), (61, 138, 88, 165), (91, 138, 258, 165), (261, 138, 288, 165),
       (290, 138, 317, 165), (319, 138, 346, 165), (348, 138, 375, 165)]
)
MENU = (2, 2, 20, 19)
CLOSE = (413, 2, 432, 19)


class Canvas:
    def __init__(self):
        self.pixels = [[BACKGROUND] * WIDTH for _ in range(HEIGHT)]

    def fill(self, rect, colour):
        left, top, right, bottom = rect
        for y in range(max(top, 0), min(bottom, HEIGHT)):
            row = self.pixels[y]
            for x in range(max(left, 0), min(right, WIDTH)):
                row[x] = colour

    def point(self, x, y, colour):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.pixels[y][x] = colour

    def raised(self, rect):
        left, top, right, bottom = rect
        self.fill(rect, KEY_FACE)
        self.fill((left, top, right, top + 1), KEY_LIGHT)
        self.fill((left, top, left + 1, bottom), KEY_LIGHT)
        self.fill((left, bottom - 1, right, bottom), KEY_SHADOW)
        self.fill((right - 1, top, right, bottom), KEY_SHADOW)

    def bmp(self):
        stride = (WIDTH * 3 + 3) & ~3
        rows = []
        for y in range(HEIGHT - 1, -1, -1):  # bottom-up
            row = bytearray()
            for r, g, b in self.pixels[y]:
                row += bytes((b, g, r))
            row += b"\0" * (stride - len(row))
            rows.append(bytes(row))
        data = b"".join(rows)
        info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
        return header + info + data


def draw():
    c = Canvas()
    c.fill((0, 0, WIDTH, 21), TITLE)
    # The menu button: three bars; the close button: a cross.
    c.fill(MENU, TITLE)
    for k in range(3):
        c.fill((MENU[0] + 4, MENU[1] + 4 + 4 * k, MENU[2] - 4, MENU[1] + 6 + 4 * k), GLYPH)
    for d in range(11):
        for w in range(2):
            c.point(CLOSE[0] + 4 + d + w, CLOSE[1] + 3 + d, GLYPH)
            c.point(CLOSE[2] - 5 - d + w, CLOSE[1] + 3 + d, GLYPH)
    for rect in KEYS:
        c.raised(rect)
    return c


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as out:
        out.write(draw().bmp())


if __name__ == "__main__":
    main()
