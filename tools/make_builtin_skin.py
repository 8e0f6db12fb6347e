#!/usr/bin/env python3
"""Makes the input method's built-in skin package: skin.ini and RGBA PNG pictures, drawn here and packed
into one zip. The build embeds the zip in the text-service library; nothing binary is kept in the tree.

usage: make_builtin_skin.py OUTPUT.col [--members FOLDER]
  --members also writes every member into FOLDER, for looking at the pictures.

Only the Python standard library is used. The output is the same bytes on every run (fixed member order
and time stamps), so the library build is reproducible.
"""
import argparse
import os
import struct
import sys
import zipfile
import zlib

SAMPLES = 4  # sub-pixel samples per axis: edges are anti-aliased


# --- colours ----------------------------------------------------------------------------------------

def rgb(hex_text, alpha=255):
    value = int(hex_text.lstrip("#"), 16)
    return ((value >> 16) & 255, (value >> 8) & 255, value & 255, alpha)


def colorref(hex_text):
    """skin.ini colours are COLORREF values (0x00BBGGRR) written as '#' and a decimal number."""
    r, g, b, _ = rgb(hex_text)
    return "#%d" % (r | (g << 8) | (b << 16))


PANEL = rgb("FBFCFE")
PANEL_EDGE = rgb("A9B7CC")
SEPARATOR = rgb("DCE3EE")
INK = rgb("2F3B4C")
ACCENT = rgb("1F6FD1")
ACCENT_SOFT = rgb("DCE9FA")
ACCENT_PRESSED = rgb("BCD4F3")
MUTED = rgb("9AA5B5")
WHITE = rgb("FFFFFF")


# --- drawing ----------------------------------------------------------------------------------------

class Canvas:
    """Straight-alpha RGBA pixels; shapes are tested at SAMPLES x SAMPLES points per pixel and blended
    with the 'over' rule."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(width)] for _ in range(height)]

    def blend(self, x, y, colour, coverage):
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b, a = colour
        sa = a / 255.0 * coverage
        dr, dg, db, da = self.px[y][x]
        oa = sa + da * (1 - sa)
        if oa <= 0:
            return
        mix = lambda s, d: (s * sa + d * da * (1 - sa)) / oa
        self.px[y][x] = (mix(r, dr), mix(g, dg), mix(b, db), oa)

    def fill(self, inside, box, colour):
        """inside(x, y) -> bool at a sub-pixel point; box = (x0, y0, x1, y1) bounds the shape."""
        x0, y0, x1, y1 = (int(v) for v in box)
        step = 1.0 / SAMPLES
        for y in range(max(0, y0 - 1), min(self.height, y1 + 2)):
            for x in range(max(0, x0 - 1), min(self.width, x1 + 2)):
                hits = 0
                for sy in range(SAMPLES):
                    for sx in range(SAMPLES):
                        if inside(x + (sx + 0.5) * step, y + (sy + 0.5) * step):
                            hits += 1
                if hits:
                    self.blend(x, y, colour, hits / (SAMPLES * SAMPLES))

    def rounded_rect(self, x0, y0, x1, y1, radius, colour):
        def inside(x, y):
            if not (x0 <= x < x1 and y0 <= y < y1):
                return False
            cx = min(max(x, x0 + radius), x1 - radius)
            cy = min(max(y, y0 + radius), y1 - radius)
            return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
        self.fill(inside, (x0, y0, x1, y1), colour)

    def panel(self, x0, y0, x1, y1, radius, fill, edge):
        self.rounded_rect(x0, y0, x1, y1, radius, edge)
        self.rounded_rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, radius - 1, fill)

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, (x0, y0, x1, y1), colour)

    def circle(self, cx, cy, radius, colour, half=None):
        def inside(x, y):
            if (x - cx) ** 2 + (y - cy) ** 2 > radius ** 2:
                return False
            return half is None or (x < cx if half == "left" else x >= cx)
        self.fill(inside, (cx - radius, cy - radius, cx + radius, cy + radius), colour)

    def ring(self, cx, cy, radius, width, colour):
        def inside(x, y):
            d = (x - cx) ** 2 + (y - cy) ** 2
            return (radius - width) ** 2 <= d <= radius ** 2
        self.fill(inside, (cx - radius, cy - radius, cx + radius, cy + radius), colour)

    def bitmap(self, rows, x0, y0, colour, scale=1.0):
        for j, row in enumerate(rows):
            for i, cell in enumerate(row):
                if cell == "#":
                    self.rect(x0 + i * scale, y0 + j * scale, x0 + (i + 1) * scale, y0 + (j + 1) * scale, colour)

    def png(self):
        raw = bytearray()
        for row in self.px:
            raw.append(0)  # filter: none
            for r, g, b, a in row:
                raw += bytes((round(r), round(g), round(b), round(a * 255)))
        def chunk(kind, data):
            return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)  # 8-bit RGBA
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
                + chunk(b"IEND", b""))


# --- glyphs (pixel art, one cell per pixel) --------------------------------------------------------

ZHONG = [  # 中
    "....#....",
    "....#....",
    "#########",
    "#...#...#",
    "#...#...#",
    "#...#...#",
    "#########",
    "....#....",
    "....#....",
    "....#....",
]
YING = [  # 英
    "...#...#...",
    "###########",
    "...#...#...",
    ".....#.....",
    ".#########.",
    ".#...#...#.",
    "###########",
    "....#.#....",
    "...#...#...",
    ".##.....##.",
]
CAPITAL_A = [
    "...#...",
    "..#.#..",
    ".#...#.",
    ".#...#.",
    "#######",
    "#.....#",
    "#.....#",
]
LETTER_L = [
    "##....",
    "##....",
    "##....",
    "##....",
    "##....",
    "######",
    "######",
]

BUTTON = 22  # status-bar buttons are BUTTON x BUTTON


def button_states(draw_icon, states=(0, 1, 2)):
    """The normal, hot and pressed pictures of a button: the icon alone, then on a soft and a stronger
    rounded highlight."""
    pictures = {}
    for state in states:
        c = Canvas(BUTTON, BUTTON)
        if state == 1:
            c.rounded_rect(0, 0, BUTTON, BUTTON, 5, ACCENT_SOFT)
        elif state == 2:
            c.rounded_rect(0, 0, BUTTON, BUTTON, 5, ACCENT_PRESSED)
        draw_icon(c, MUTED if state == 3 else None)
        pictures[state] = c
    return pictures


def near_segment(x, y, a, b, radius):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= radius * radius


def icon_glyph(rows, colour):
    def draw(c, override):
        w, h = len(rows[0]), len(rows)
        c.bitmap(rows, (BUTTON - w) // 2, (BUTTON - h) // 2, override or colour)
    return draw


def icon_caps(c, override):
    c.bitmap(CAPITAL_A, 7, 5, override or ACCENT)
    c.rect(6, 15, 16, 17, override or ACCENT)


def icon_punctuation(chinese):
    def draw(c, override):
        colour = override or INK
        if chinese:  # 。，
            c.ring(7, 14, 3.2, 1.3, colour)
        else:  # . ,
            c.circle(7, 15, 1.8, colour)
        c.circle(15, 14, 2.0, colour)
        c.fill(lambda x, y: near_segment(x, y, (16.2, 14.6), (13.6, 19.2), 0.85), (12, 14, 18, 20), colour)
    return draw


def icon_width(full):
    def draw(c, override):
        colour = override or INK
        c.ring(11, 11, 6.5, 1.4, colour)
        c.circle(11, 11, 6.5, colour, half=None if full else "left")
    return draw


def icon_keyboard(on):
    def draw(c, override):
        colour = override or (ACCENT if on else INK)
        c.panel(3, 6, 19, 17, 2.5, (ACCENT_SOFT if on else WHITE), colour)
        for row, y in enumerate((9, 12)):
            for i in range(4 - row):
                c.rect(6 + i * 3 + row, y, 8 + i * 3 + row, y + 1.5, colour)
        c.rect(8, 14.5, 14, 15.5, colour)
    return draw


def icon_menu(c, override):
    for y in (7, 10.5, 14):
        c.rounded_rect(5, y, 17, y + 1.8, 0.9, override or INK)


def logo_states():
    pictures = {}
    for state, fill in ((0, ACCENT), (1, rgb("2A7FE6"))):
        c = Canvas(BUTTON, BUTTON)
        c.rounded_rect(1, 1, BUTTON - 1, BUTTON - 1, 5, fill)
        c.bitmap(LETTER_L, 8, 7, WHITE)
        pictures[state] = c
    return pictures


PAGE_BUTTON = 16


def page_states(direction):
    """Previous and next page chevrons; state 3 is the disabled look."""
    pictures = {}
    for state in (0, 1, 2, 3):
        c = Canvas(PAGE_BUTTON, PAGE_BUTTON)
        if state == 1:
            c.rounded_rect(0, 0, PAGE_BUTTON, PAGE_BUTTON, 4, ACCENT_SOFT)
        elif state == 2:
            c.rounded_rect(0, 0, PAGE_BUTTON, PAGE_BUTTON, 4, ACCENT_PRESSED)
        colour = MUTED if state == 3 else ACCENT
        def inside(x, y, d=direction):
            # A chevron two pixels thick pointing left (-1) or right (+1).
            u = (x - 8) * d
            v = abs(y - 8)
            return -3.2 <= u - (-v + 2.2) <= 0 and v <= 4.2
        c.fill(inside, (3, 3, 13, 13), colour)
        pictures[state] = c
    return pictures


# --- backgrounds ------------------------------------------------------------------------------------

STATUS_BUTTONS = ["logo", "mode", "punctuation", "width", "keyboard", "menu"]
STATUS_X = {name: 5 + 24 * i for i, name in enumerate(STATUS_BUTTONS)}
STATUS_Y = 5
BAR_WIDTH = STATUS_X["menu"] + BUTTON + 5
BAR_HEIGHT = 32


def bar():
    c = Canvas(BAR_WIDTH, BAR_HEIGHT)
    c.panel(0, 0, BAR_WIDTH, BAR_HEIGHT, 8, PANEL, PANEL_EDGE)
    c.rect(STATUS_X["mode"] - 2, 9, STATUS_X["mode"] - 1, BAR_HEIGHT - 9, SEPARATOR)
    return c


def candidate_background(width, height, separator_y=None):
    c = Canvas(width, height)
    c.panel(0, 0, width, height, 8, PANEL, PANEL_EDGE)
    if separator_y is not None:
        c.rect(8, separator_y, width - 8, separator_y + 1, SEPARATOR)
    return c


# Candidate windows: (member, size, separator, layout values). The stretch bands lie in flat parts of
# the panel, so repeating them leaves no seam. Each picture is the window's smallest size: one short
# candidate and the page buttons fit it, and a longer page stretches it by its bands.
#
# Past the end of the horizontal band a button keeps its distance to the window's right edge; that
# distance is image width + right margin - x - button width, so a button placed beyond the picture's
# width sits in the right margin. The page buttons are never on a candidate: the merged windows have
# them on the code line, the embedded vertical window on a strip of its own above the lines, and the
# embedded horizontal window, a single row, keeps them in a right margin wide enough for both.
CANDIDATES = {
    "merged": dict(member="candHB.png", size=(100, 60), separator=28, code=(12, 6), cands=(12, 34),
                   hband=(40, 60), vband=(40, 46), right_margin=12, buttons_y=6),
    "merged_vertical": dict(member="candHB_shu.png", size=(100, 80), separator=28, code=(12, 6),
                            cands=(12, 34), hband=(40, 60), vband=(40, 60), right_margin=12, buttons_y=6),
    "embedded": dict(member="candQR.png", size=(64, 36), separator=None, code=(12, 8), cands=(12, 8),
                     hband=(24, 40), vband=(14, 20), right_margin=44, buttons_y=10),
    "embedded_vertical": dict(member="candQR_shu.png", size=(100, 60), separator=None, code=(12, 8),
                              cands=(12, 30), hband=(40, 60), vband=(36, 44), right_margin=12, buttons_y=6),
}

# The page buttons' distance to the window's right edge, and the gap between them.
PAGE_BUTTON_EDGE = 8
PAGE_BUTTON_GAP = 2


def page_button_x(window):
    """(previous, next) x of the page buttons: next at PAGE_BUTTON_EDGE from the right edge, previous
    PAGE_BUTTON_GAP to its left."""
    width = window["size"][0]
    next_x = width + window["right_margin"] - PAGE_BUTTON_EDGE - PAGE_BUTTON
    previous_x = next_x - PAGE_BUTTON_GAP - PAGE_BUTTON
    assert previous_x > window["hband"][1], "the page buttons must follow the right edge"
    return previous_x, next_x


SECTION_HEADERS = {
    "merged": "[-候选窗口-合并-]",
    "merged_vertical": "[-候选窗口-合并-竖排-]",
    "embedded": "[-候选窗口-嵌入-]",
    "embedded_vertical": "[-候选窗口-嵌入-竖排-]",
}


def skin_ini():
    lines = [
        ";------------------------for version 4.0+-------------------",
        "; 内置皮肤：浅色圆角面板，蓝色强调色。",
        "",
        "[-皮肤信息-]",
        "名称=清朗",
        "描述=内置的浅色皮肤",
        "版本=1.0",
        "所有者名称=Lanzo",
        "所有者联系方式=",
        "",
        "[-文字显示-]",
        "编码字体颜色=" + colorref("1F6FD1"),
        "编码字体名称=微软雅黑",
        "编码字体大小=-16",
        "编码字体粗细=400",
        "候选字体颜色=" + colorref("2F3B4C"),
        "候选字体名称=微软雅黑",
        "候选字体大小=-16",
        "候选字体粗细=400",
        "从右向左的文字=0",
        "序号字体颜色=" + colorref("8893A4"),
        "提示字体颜色=" + colorref("8893A4"),
        "临时词候选颜色=" + colorref("B05A00"),
        "用户词候选颜色=" + colorref("2E7D32"),
        "第一候选颜色=" + colorref("1F6FD1"),
        "第一候选背景色=#-1",
        "鼠标处候选背景色=" + colorref("DCE9FA"),
        "鼠标处候选颜色=" + colorref("174EA6"),
        "编码最多显示个数=40",
        "候选最多显示个数=20",
        "光标颜色=" + colorref("1F6FD1"),
        "",
        "[-状态栏窗口-]",
        "; 左上=1 中上=2 右上=3 左下=4 中下=5 右下=6",
        "状态栏默认位置=6",
        "输入法标志位置=%d,%d" % (STATUS_X["logo"], STATUS_Y),
        "中英文状态按钮位置=%d,%d" % (STATUS_X["mode"], STATUS_Y),
        "中英文标点按钮位置=%d,%d" % (STATUS_X["punctuation"], STATUS_Y),
        "全角半角按钮位置=%d,%d" % (STATUS_X["width"], STATUS_Y),
        "软键盘按钮位置=%d,%d" % (STATUS_X["keyboard"], STATUS_Y),
        "菜单按钮位置=%d,%d" % (STATUS_X["menu"], STATUS_Y),
        "简繁切换按钮位置=-1,-1",
    ]
    lines += ["扩展按钮%d位置=-1,-1" % k for k in range(1, 10)]
    for key, window in CANDIDATES.items():
        width, height = window["size"]
        previous_x, next_x = page_button_x(window)
        lines += [
            "",
            SECTION_HEADERS[key],
            "; 候选间距对竖排无效，行间距对横排无效",
            "后翻页按钮位置=%d,%d" % (next_x, window["buttons_y"]),
            "前翻页按钮位置=%d,%d" % (previous_x, window["buttons_y"]),
            "中英文标点按钮位置=-1,-1",
            "全角半角按钮位置=-1,-1",
        ]
        lines += ["扩展按钮%d位置=-1,-1" % k for k in range(1, 10)]
        lines += [
            "编码起始位置=%d,%d" % window["code"],
            "候选起始位置=%d,%d" % window["cands"],
            "序号-字词间距=3",
            "字词-提示间距=4",
            "候选间距=14",
            "行间距=6",
            "横向拉伸区域=%d,%d" % window["hband"],
            "纵向拉伸区域=%d,%d" % window["vband"],
            "右边距=%d" % window["right_margin"],
            "下边距=8",
            "最小宽度=%d" % width,
            "最小高度=%d" % height,
            "嵌入窗口偏移=0,4",
            "序号后缀=.",
            "文字背景边框=2,2,1,1",
        ]
    return ("\r\n".join(lines) + "\r\n").encode("utf-8-sig")


def members():
    out = [("skin.ini", skin_ini()), ("bar.png", bar().png())]
    for window in CANDIDATES.values():
        out.append((window["member"], candidate_background(*window["size"], window["separator"]).png()))
    groups = [
        ("flag", logo_states()),
        ("cn", button_states(icon_glyph(ZHONG, ACCENT))),
        ("en", button_states(icon_glyph(YING, INK))),
        ("capslock", button_states(icon_caps)),
        ("cn_biaodian", button_states(icon_punctuation(True))),
        ("en_biaodian", button_states(icon_punctuation(False))),
        ("quan", button_states(icon_width(True))),
        ("ban", button_states(icon_width(False))),
        ("key1", button_states(icon_keyboard(False))),
        ("key2", button_states(icon_keyboard(True))),
        ("menu", button_states(icon_menu)),
        ("up", page_states(-1)),
        ("down", page_states(+1)),
    ]
    for base, pictures in groups:
        for state, canvas in sorted(pictures.items()):
            name = base + (".png" if state == 0 else "_%d.png" % state)
            out.append((name, canvas.png()))
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output")
    parser.add_argument("--members")
    args = parser.parse_args()
    content = members()
    temporary = args.output + ".part"
    with zipfile.ZipFile(temporary, "w") as archive:
        for name, data in content:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, data)
    os.replace(temporary, args.output)
    if args.members:
        os.makedirs(args.members, exist_ok=True)
        for name, data in content:
            with open(os.path.join(args.members, name), "wb") as f:
                f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
