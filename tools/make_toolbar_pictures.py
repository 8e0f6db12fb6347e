#!/usr/bin/env python3
"""Draws the button pictures of Pendulo's two toolbars, one picture per command, 16 by 16 pixels, as two
strips (the main window's 14 buttons and the memo's 15) in 24-bit .bmp files. Shapes are anti-aliased
over the toolbar's grey; pixels no shape touches are magenta (255, 0, 255), the mask colour the program
hands to its image lists. The build embeds both strips in Pendulo.exe; nothing binary is kept in the tree.

usage: make_toolbar_pictures.py MAIN_STRIP.bmp MEMO_STRIP.bmp

Only the Python standard library is used, and the output is the same bytes on every run.
"""
import math
import struct
import sys

SIZE = 16
SAMPLES = 4  # sub-pixel samples per axis
MASK = (255, 0, 255)
GREY = (240, 240, 240)  # the toolbar's face, under the anti-aliased edges

INK = (40, 40, 40)
BLUE = (36, 92, 170)
LIGHT_BLUE = (150, 190, 235)
GREEN = (40, 150, 70)
RED = (200, 45, 40)
AMBER = (215, 150, 30)
PAPER = (252, 252, 244)
BROWN = (140, 95, 50)
GOLD = (235, 190, 40)
SHADE = (120, 120, 120)


# Shapes over the unit square (x right, y down); each is a test of one point.
def disc(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) <= r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) <= width / 2


def arc(cx, cy, r, width, start_deg, end_deg):
    """A ring's part from start to end angle (degrees, counter-clockwise from three o'clock, y up)."""
    def inside(x, y):
        if abs(math.hypot(x - cx, y - cy) - r) > width / 2:
            return False
        angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
        s, e = start_deg % 360, end_deg % 360
        return s <= angle <= e if s <= e else angle >= s or angle <= e
    return inside


def box(left, top, right, bottom):
    return lambda x, y: left <= x <= right and top <= y <= bottom


def frame(left, top, right, bottom, width):
    outer = box(left, top, right, bottom)
    inner = box(left + width, top + width, right - width, bottom - width)
    return lambda x, y: outer(x, y) and not inner(x, y)


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) <= width / 2
    return inside


def polygon(*points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (x1, y1), (x2, y2) = points[i], points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                hit = not hit
        return hit
    return inside


def page(left=0.18, top=0.08, right=0.82, bottom=0.92):
    return [(box(left, top, right, bottom), SHADE), (box(left + 0.05, top + 0.05, right - 0.05, bottom - 0.05), PAPER)]


def lines(left, right, tops, colour=SHADE, width=0.06):
    return [(segment(left, t, right, t, width), colour) for t in tops]


def magnifier(cx, cy, r, colour=INK):
    return [(segment(cx, cy, cx + r * 1.9, cy + r * 1.9, 0.14), BROWN), (disc(cx, cy, r + 0.06), colour),
            (disc(cx, cy, r - 0.03), LIGHT_BLUE)]


def globe(cx, cy, r):
    return [(disc(cx, cy, r), BLUE), (disc(cx, cy, r - 0.07), LIGHT_BLUE),
            (segment(cx - r, cy, cx + r, cy, 0.06), BLUE), (segment(cx, cy - r, cx, cy + r, 0.06), BLUE),
            (ring(cx, cy + r * 1.1, r * 1.25, 0.06), BLUE)]


def arrow_down(x, top, bottom, colour):
    return [(segment(x, top, x, bottom - 0.12, 0.12), colour),
            (polygon((x - 0.18, bottom - 0.2), (x + 0.18, bottom - 0.2), (x, bottom)), colour)]


def arrow_up(x, top, bottom, colour):
    return [(segment(x, top + 0.12, x, bottom, 0.12), colour),
            (polygon((x - 0.18, top + 0.2), (x + 0.18, top + 0.2), (x, top)), colour)]


def caret_at(fraction):
    """A page with a marker bar at a fraction of its height: the memo's caret jumps."""
    y = 0.16 + 0.68 * fraction
    return page() + lines(0.3, 0.7, [0.25, 0.4, 0.55, 0.7]) + [(box(0.1, y - 0.06, 0.9, y + 0.06), RED)]


def floppy():
    return [(box(0.1, 0.1, 0.9, 0.9), BLUE), (box(0.28, 0.1, 0.72, 0.38), PAPER), (box(0.56, 0.15, 0.66, 0.33), BLUE),
            (box(0.24, 0.56, 0.76, 0.9), PAPER)] + lines(0.3, 0.7, [0.66, 0.78])


def cross(colour=RED):
    return [(segment(0.2, 0.2, 0.8, 0.8, 0.18), colour), (segment(0.8, 0.2, 0.2, 0.8, 0.18), colour)]


MAIN = [
    # settime "Set Reminder": an alarm clock
    [(disc(0.25, 0.22, 0.14), GOLD), (disc(0.75, 0.22, 0.14), GOLD), (segment(0.3, 0.75, 0.18, 0.92, 0.1), INK),
     (segment(0.7, 0.75, 0.82, 0.92, 0.1), INK), (disc(0.5, 0.55, 0.36), RED), (disc(0.5, 0.55, 0.27), PAPER),
     (segment(0.5, 0.55, 0.5, 0.36, 0.08), INK), (segment(0.5, 0.55, 0.64, 0.62, 0.08), INK)],
    # start "Start": a green triangle
    [(polygon((0.22, 0.12), (0.86, 0.5), (0.22, 0.88)), GREEN)],
    # pause "Pause": two bars
    [(box(0.2, 0.14, 0.4, 0.86), BLUE), (box(0.6, 0.14, 0.8, 0.86), BLUE)],
    # stop "Stop": a red square
    [(box(0.18, 0.18, 0.82, 0.82), RED)],
    # Baidu "Web Navigation": a globe with a compass needle
    globe(0.45, 0.45, 0.38) + [(polygon((0.62, 0.62), (0.95, 0.78), (0.78, 0.95)), RED)],
    # recordtable "Record Table": a grid
    [(box(0.08, 0.14, 0.92, 0.86), SHADE), (box(0.12, 0.18, 0.88, 0.82), PAPER), (box(0.12, 0.18, 0.88, 0.34), BLUE)]
    + lines(0.12, 0.88, [0.5, 0.66]) + [(segment(0.4, 0.18, 0.4, 0.82, 0.06), SHADE), (segment(0.64, 0.18, 0.64, 0.82, 0.06), SHADE)],
    # save "Save to Record Table": a floppy disk
    floppy(),
    # memo "Memo": a note pad with a pencil
    page(0.12, 0.1, 0.72, 0.92) + [(box(0.12, 0.1, 0.72, 0.22), AMBER)] + lines(0.22, 0.62, [0.36, 0.5, 0.64, 0.78])
    + [(segment(0.92, 0.3, 0.55, 0.85, 0.14), GOLD), (segment(0.6, 0.78, 0.52, 0.9, 0.07), INK)],
    # delete "Delete Selected Record": a table row struck through
    [(box(0.06, 0.3, 0.94, 0.7), SHADE), (box(0.1, 0.34, 0.9, 0.66), PAPER)] + cross(),
    # options "Options": a gear
    [(segment(0.5 + 0.28 * math.cos(a), 0.5 + 0.28 * math.sin(a), 0.5 + 0.44 * math.cos(a), 0.5 + 0.44 * math.sin(a), 0.16), SHADE)
     for a in [i * math.pi / 4 for i in range(8)]] + [(disc(0.5, 0.5, 0.32), SHADE), (disc(0.5, 0.5, 0.13), GREY)],
    # website "Pendulo On the Web": a globe with a clock face on it
    globe(0.5, 0.5, 0.42) + [(disc(0.5, 0.5, 0.2), PAPER), (segment(0.5, 0.5, 0.5, 0.36, 0.06), INK),
                             (segment(0.5, 0.5, 0.62, 0.5, 0.06), INK)],
    # help "Documentation": a question mark in a blue disc
    [(disc(0.5, 0.5, 0.44), BLUE), (arc(0.5, 0.38, 0.15, 0.1, -90, 180), PAPER), (segment(0.5, 0.53, 0.5, 0.64, 0.1), PAPER),
     (disc(0.5, 0.78, 0.06), PAPER)],
    # Shutdown "Shutdown Computer": the power symbol
    [(arc(0.5, 0.55, 0.33, 0.12, 120, 420), RED), (segment(0.5, 0.1, 0.5, 0.52, 0.12), RED)],
    # exit "Quit": a door and an arrow leaving it
    [(box(0.1, 0.08, 0.56, 0.92), BROWN), (box(0.16, 0.14, 0.5, 0.92), PAPER), (disc(0.42, 0.55, 0.04), INK),
     (segment(0.5, 0.5, 0.82, 0.5, 0.12), GREEN), (polygon((0.76, 0.32), (0.96, 0.5), (0.76, 0.68)), GREEN)],
]

MEMO = [
    # memoBaidu "Baidu Search": a magnifier over a globe
    globe(0.4, 0.4, 0.34) + magnifier(0.66, 0.66, 0.14),
    # memoSave "Save"
    floppy(),
    # memoCut "Cut": scissors
    [(segment(0.3, 0.1, 0.62, 0.66, 0.09), SHADE), (segment(0.7, 0.1, 0.38, 0.66, 0.09), SHADE),
     (ring(0.3, 0.78, 0.13, 0.08), RED), (ring(0.7, 0.78, 0.13, 0.08), RED)],
    # memoCopy "Copy": two pages
    page(0.08, 0.06, 0.6, 0.7) + page(0.4, 0.3, 0.92, 0.94) + lines(0.5, 0.82, [0.5, 0.64, 0.78]),
    # memoPaste "Paste": a clipboard
    [(box(0.14, 0.14, 0.86, 0.94), BROWN), (box(0.22, 0.24, 0.78, 0.88), PAPER), (box(0.34, 0.06, 0.66, 0.22), SHADE)]
    + lines(0.3, 0.7, [0.42, 0.56, 0.7]),
    # memoDelete "Delete": a red cross
    cross(),
    # memoFind "Find": a magnifier over a page
    page(0.08, 0.06, 0.66, 0.8) + lines(0.18, 0.56, [0.22, 0.36, 0.5]) + magnifier(0.56, 0.56, 0.18),
    # memoSelectline "Select Line": one line of a page highlighted
    page() + lines(0.3, 0.7, [0.25, 0.75]) + [(box(0.08, 0.4, 0.92, 0.6), BLUE), (segment(0.22, 0.5, 0.78, 0.5, 0.06), PAPER)],
    # memoShowMainWindow "Show Main Window": a window with its title bar
    [(box(0.06, 0.12, 0.94, 0.88), BLUE), (box(0.12, 0.28, 0.88, 0.82), PAPER), (disc(0.5, 0.55, 0.18), RED),
     (disc(0.5, 0.55, 0.12), PAPER)],
    # memoBegin "Beginning": an arrow up to a bar
    [(box(0.14, 0.06, 0.86, 0.16), INK)] + arrow_up(0.5, 0.2, 0.92, GREEN),
    # memoQuarter, memoMiddle, memoThreequarter: the marker at a quarter, the middle, three quarters
    caret_at(0.25),
    caret_at(0.5),
    caret_at(0.75),
    # memoEnd "End": an arrow down to a bar
    arrow_down(0.5, 0.08, 0.8, GREEN) + [(box(0.14, 0.84, 0.86, 0.94), INK)],
    # memoEnter "Enter": the return arrow
    [(segment(0.8, 0.14, 0.8, 0.62, 0.12), INK), (segment(0.8, 0.62, 0.3, 0.62, 0.12), INK),
     (polygon((0.36, 0.4), (0.36, 0.84), (0.1, 0.62)), INK)],
]


def draw(layers):
    """Each pixel: None where nothing is drawn, else the colour over the grey."""
    colour = [[None] * SIZE for _ in range(SIZE)]
    for py in range(SIZE):
        for px in range(SIZE):
            pixel = None
            cover_any = 0.0
            for shape, shade in layers:
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if shape((px + (sx + 0.5) / SAMPLES) / SIZE, (py + (sy + 0.5) / SAMPLES) / SIZE):
                            hits += 1
                a = hits / (SAMPLES * SAMPLES)
                if a == 0:
                    continue
                under = pixel if pixel is not None else GREY
                pixel = tuple(shade[i] * a + under[i] * (1 - a) for i in range(3))
                cover_any = max(cover_any, a)
            if pixel is not None:
                colour[py][px] = tuple(round(v) for v in pixel)
    return colour


def strip(pictures):
    width = SIZE * len(pictures)
    drawn = [draw(layers) for layers in pictures]
    row_bytes = (width * 3 + 3) // 4 * 4
    body = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        row = bytearray()
        for picture in drawn:
            for x in range(SIZE):
                r, g, b = picture[y][x] if picture[y][x] is not None else MASK
                if picture[y][x] is not None and (r, g, b) == MASK:
                    g = 1  # a drawn pixel never reads as the mask
                row += bytes((b, g, r))
        row += bytes(row_bytes - len(row))
        body += row
    info = struct.pack("<IiiHHIIiiII", 40, width, SIZE, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + bytes(body)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    for name, pictures in ((sys.argv[1], MAIN), (sys.argv[2], MEMO)):
        with open(name, "wb") as f:
            f.write(strip(pictures))


if __name__ == "__main__":
    main()
