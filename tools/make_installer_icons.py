#!/usr/bin/env python3
"""Draws the installer's three icons (install, repair, uninstall) as 32x32 32-bit .ico files.

usage: make_installer_icons.py OUTPUT_FOLDER
"""
import struct
import sys
from pathlib import Path

SIZE = 32
# A rounded square in the colour of each role, with a white mark: an arrow down, a cross of bars, a bar.
COLOURS = {"install": (0x2E, 0x7D, 0x32), "repair": (0xEF, 0x6C, 0x00), "uninstall": (0xC6, 0x28, 0x28)}


def mark(role, x, y):
    if role == "install":
        return (13 <= x <= 18 and 7 <= y <= 18) or (y >= 17 and abs(x - 15.5) <= 25 - y and y <= 24)
    if role == "repair":
        return (13 <= x <= 18 and 7 <= y <= 24) or (7 <= x <= 24 and 13 <= y <= 18)
    return 7 <= x <= 24 and 13 <= y <= 18


def pixels(role):
    r, g, b = COLOURS[role]
    rows = []
    for y in range(SIZE - 1, -1, -1):  # bottom-up, as bitmaps are stored
        row = bytearray()
        for x in range(SIZE):
            corner = min(x, SIZE - 1 - x) + min(y, SIZE - 1 - y) < 4
            if corner:
                row += bytes((0, 0, 0, 0))
            elif mark(role, x, y):
                row += bytes((0xFF, 0xFF, 0xFF, 0xFF))
            else:
                row += bytes((b, g, r, 0xFF))
        rows.append(bytes(row))
    return b"".join(rows)


def icon(role):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    mask = bytes(SIZE * 4 * SIZE // 32)  # 1-bit AND mask, rows padded to 32 bits: all opaque
    image = header + pixels(role) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 22)
    return directory + image


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    for role in COLOURS:
        (out / f"stavel_{role}.ico").write_bytes(icon(role))


if __name__ == "__main__":
    main()
