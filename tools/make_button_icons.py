#!/usr/bin/env python3
"""Draws the language-bar button's icons (resources 102-106 of the text-service library), the icons of
config's windows and tabs (resources 0x65 and 0x6B-0x72 of the library) and config's program icon as .ico
files, each with a 16x16 and a 32x32 32-bit picture.

usage: make_button_icons.py OUTPUT_FOLDER
  writes english.ico (102), chinese.ico (103), capslock.ico (104), closed.ico (105), disabled.ico (106),
  settings_text.ico, tab_*.ico, dictionary.ico, user_word.ico, key_functions.ico and program.ico.

Only the Python standard library is used; the output is the same bytes on every run.
"""
import os
import struct
import sys

SAMPLES = 4  # sub-pixel samples per axis: edges are anti-aliased


def rgb(hex_text):
    value = int(hex_text, 16)
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255)


BLUE = rgb("1F6FD1")
RED = rgb("C8372D")
GREEN = rgb("2E8B57")
GREY = rgb("8A94A3")
WHITE = rgb("FFFFFF")


def rounded_square(x, y):
    """The badge: a square with rounded corners over the unit square."""
    radius = 0.18
    cx = min(max(x, radius), 1 - radius)
    cy = min(max(y, radius), 1 - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2 and 0.02 <= x <= 0.98 and 0.02 <= y <= 0.98


def near_segment(x, y, a, b, width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2


def strokes(segments, width=0.11):
    return lambda x, y: any(near_segment(x, y, a, b, width) for a, b in segments)


# Glyphs in unit coordinates (y downwards).
LETTER_A = strokes([((0.28, 0.8), (0.5, 0.2)), ((0.5, 0.2), (0.72, 0.8)), ((0.36, 0.6), (0.64, 0.6))])
ZHONG = strokes([((0.24, 0.34), (0.76, 0.34)), ((0.24, 0.34), (0.24, 0.64)), ((0.76, 0.34), (0.76, 0.64)),
                 ((0.24, 0.64), (0.76, 0.64)), ((0.5, 0.14), (0.5, 0.88))])
CAPS = strokes([((0.28, 0.66), (0.5, 0.16)), ((0.5, 0.16), (0.72, 0.66)), ((0.36, 0.5), (0.64, 0.5)),
                ((0.26, 0.82), (0.74, 0.82))])
CLOSED = strokes([((0.3, 0.3), (0.7, 0.7)), ((0.7, 0.3), (0.3, 0.7))])


def no_entry(x, y):
    """A ring crossed by a slash."""
    distance = ((x - 0.5) ** 2 + (y - 0.5) ** 2) ** 0.5
    return 0.24 <= distance <= 0.34 or (distance <= 0.3 and near_segment(x, y, (0.3, 0.3), (0.7, 0.7), 0.1))


DISABLED = no_entry

# config's windows and tabs.
TEXT_LINES = strokes([((0.24, 0.3), (0.76, 0.3)), ((0.24, 0.45), (0.76, 0.45)), ((0.24, 0.6), (0.76, 0.6)),
                      ((0.24, 0.75), (0.56, 0.75))], 0.08)
SLIDERS = strokes([((0.22, 0.32), (0.78, 0.32)), ((0.22, 0.68), (0.78, 0.68)), ((0.38, 0.22), (0.38, 0.42)),
                   ((0.62, 0.58), (0.62, 0.78))], 0.09)
WINDOW = strokes([((0.22, 0.26), (0.78, 0.26)), ((0.22, 0.26), (0.22, 0.76)), ((0.78, 0.26), (0.78, 0.76)),
                  ((0.22, 0.76), (0.78, 0.76)), ((0.22, 0.38), (0.78, 0.38))], 0.08)
GRID = strokes([((0.22, 0.24), (0.22, 0.78)), ((0.5, 0.24), (0.5, 0.78)), ((0.78, 0.24), (0.78, 0.78)),
                ((0.22, 0.24), (0.78, 0.24)), ((0.22, 0.51), (0.78, 0.51)), ((0.22, 0.78), (0.78, 0.78))], 0.08)
WRENCH = strokes([((0.3, 0.72), (0.62, 0.4)), ((0.56, 0.26), (0.74, 0.44))], 0.14)
INFO = strokes([((0.5, 0.42), (0.5, 0.78)), ((0.5, 0.22), (0.5, 0.27))], 0.13)
BOOK = strokes([((0.5, 0.3), (0.5, 0.8)), ((0.2, 0.24), (0.5, 0.3)), ((0.5, 0.3), (0.8, 0.24)),
                ((0.2, 0.24), (0.2, 0.74)), ((0.8, 0.24), (0.8, 0.74)), ((0.2, 0.74), (0.5, 0.8)),
                ((0.5, 0.8), (0.8, 0.74))], 0.07)
PLUS = strokes([((0.5, 0.24), (0.5, 0.76)), ((0.24, 0.5), (0.76, 0.5))], 0.13)
KEYBOARD = strokes([((0.16, 0.3), (0.84, 0.3)), ((0.16, 0.3), (0.16, 0.72)), ((0.84, 0.3), (0.84, 0.72)),
                    ((0.16, 0.72), (0.84, 0.72)), ((0.28, 0.44), (0.3, 0.44)), ((0.42, 0.44), (0.44, 0.44)),
                    ((0.56, 0.44), (0.58, 0.44)), ((0.7, 0.44), (0.72, 0.44)), ((0.32, 0.6), (0.68, 0.6))], 0.07)
ORANGE = rgb("D9822B")
TEAL = rgb("2A8C8C")

ICONS = [
    ("english.ico", BLUE, LETTER_A),
    ("chinese.ico", RED, ZHONG),
    ("capslock.ico", GREEN, CAPS),
    ("closed.ico", GREY, CLOSED),
    ("disabled.ico", GREY, DISABLED),
    ("settings_text.ico", GREY, TEXT_LINES),     # 0x65: the advanced settings editor, web pages
    ("tab_common.ico", BLUE, SLIDERS),           # 0x6B: 常用
    ("tab_interface.ico", TEAL, WINDOW),         # 0x6C: 界面
    ("tab_advanced.ico", GREY, WRENCH),          # 0x6D: 高级, the code-table browser
    ("tab_table.ico", GREEN, GRID),              # 0x6E: 码表
    ("tab_about.ico", BLUE, INFO),               # 0x6F: 关于
    ("dictionary.ico", ORANGE, BOOK),            # 0x70: the mini dictionary
    ("user_word.ico", GREEN, PLUS),              # 0x71: the user-word dialog
    ("key_functions.ico", TEAL, KEYBOARD),       # 0x72: the key-function editor
    ("program.ico", RED, ZHONG),                 # config's own program icon
]


def render(size, colour, glyph):
    """Rows from the bottom up as BGRA bytes, as an icon's DIB stores them."""
    rows = []
    for row in range(size):
        y_pixel = size - 1 - row
        line = bytearray()
        for x_pixel in range(size):
            badge = ink = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (x_pixel + (sx + 0.5) / SAMPLES) / size
                    y = (y_pixel + (sy + 0.5) / SAMPLES) / size
                    if rounded_square(x, y):
                        badge += 1
                        if glyph(x, y):
                            ink += 1
            total = SAMPLES * SAMPLES
            alpha = badge * 255 // total
            if badge:
                mix = ink / badge
                r, g, b = (round(c * (1 - mix) + w * mix) for c, w in zip(colour, WHITE))
            else:
                r = g = b = 0
            line += bytes((b, g, r, alpha))
        rows.append(bytes(line))
    return b"".join(rows)


def dib(size, colour, glyph):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask_stride = ((size + 31) // 32) * 4
    return header + render(size, colour, glyph) + bytes(mask_stride * size)


def icon_file(colour, glyph):
    pictures = [(size, dib(size, colour, glyph)) for size in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(pictures))
    offset = 6 + 16 * len(pictures)
    for size, data in pictures:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in pictures)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for name, colour, glyph in ICONS:
        with open(os.path.join(folder, name), "wb") as f:
            f.write(icon_file(colour, glyph))


if __name__ == "__main__":
    main()
