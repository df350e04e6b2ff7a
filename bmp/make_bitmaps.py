#!/usr/bin/env python3
"""Draws the toolbar's button bitmaps into this folder: for every button <name> of d_tool,
<name>.bmp (normal and raised), <name>1.bmp (pressed: the glyph one pixel down and right, a
little darker) and <name>2.bmp (disabled: the glyph grey, embossed in white). 24 x 24 pixels,
24-bit, on the button face colour. Run by hand when a glyph changes; the build only reads the
files:  python3 bmp/make_bitmaps.py
"""
import math
import os
import struct

SIZE = 24
FACE = (192, 192, 192)
GREY = (128, 128, 128)
WHITE = (255, 255, 255)


def canvas():
    return [[None] * SIZE for _ in range(SIZE)]


def dot(g, x, y, c):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        g[y][x] = c


def rect(g, x0, y0, x1, y1, c, fill=True):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            if fill or x in (x0, x1) or y in (y0, y1):
                dot(g, x, y, c)


def line(g, x0, y0, x1, y1, c, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0), 1)
    for i in range(steps + 1):
        x = round(x0 + (x1 - x0) * i / steps)
        y = round(y0 + (y1 - y0) * i / steps)
        for dx in range(width):
            for dy in range(width):
                dot(g, x + dx, y + dy, c)


def circle(g, cx, cy, r, c, fill=False, width=1.2):
    for y in range(SIZE):
        for x in range(SIZE):
            d = math.hypot(x - cx, y - cy)
            if (fill and d <= r) or (not fill and abs(d - r) <= width / 2 + 0.3):
                dot(g, x, y, c)


def triangle(g, pts, c):
    (ax, ay), (bx, by), (cx, cy) = pts
    def side(px, py, qx, qy, rx, ry):
        return (px - rx) * (qy - ry) - (qx - rx) * (py - ry)
    for y in range(SIZE):
        for x in range(SIZE):
            d1 = side(x, y, ax, ay, bx, by)
            d2 = side(x, y, bx, by, cx, cy)
            d3 = side(x, y, cx, cy, ax, ay)
            if not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0)):
                dot(g, x, y, c)


# One glyph per button of d_tool.
def g_main(g):
    for y in (6, 11, 16):
        rect(g, 4, y, 19, y + 2, (0, 0, 160))


def g_retrieve(g):
    circle(g, 10, 10, 6, (0, 0, 160), width=2)
    line(g, 14, 14, 20, 20, (128, 64, 0), 2)


def g_add(g):
    rect(g, 10, 4, 13, 19, (0, 128, 0))
    rect(g, 4, 10, 19, 13, (0, 128, 0))


def g_modify(g):
    line(g, 5, 18, 17, 6, (192, 96, 0), 3)
    triangle(g, ((3, 21), (4, 17), (7, 20)), (0, 0, 0))
    rect(g, 17, 3, 20, 6, (200, 0, 0))


def g_del(g):
    line(g, 5, 5, 18, 18, (200, 0, 0), 3)
    line(g, 18, 5, 5, 18, (200, 0, 0), 3)


def g_setshow(g):
    rect(g, 3, 4, 20, 19, (0, 0, 0), fill=False)
    rect(g, 3, 4, 20, 7, (0, 96, 128))
    for x in (9, 14):
        line(g, x, 4, x, 19, (0, 96, 128))


def g_preview(g):
    rect(g, 4, 2, 16, 20, (0, 0, 0), fill=False)
    rect(g, 5, 3, 15, 19, WHITE)
    circle(g, 13, 13, 4, (0, 0, 160), width=1.5)
    line(g, 16, 16, 20, 20, (0, 0, 0), 2)


def g_filter(g):
    triangle(g, ((3, 4), (20, 4), (12, 12)), (0, 96, 160))
    rect(g, 11, 12, 13, 20, (0, 96, 160))


def g_sorter(g):
    triangle(g, ((3, 9), (11, 9), (7, 3)), (0, 128, 0))
    rect(g, 6, 9, 8, 20, (0, 128, 0))
    triangle(g, ((12, 14), (20, 14), (16, 20)), (160, 0, 0))
    rect(g, 15, 3, 17, 14, (160, 0, 0))


def g_close(g):
    rect(g, 3, 3, 20, 20, (0, 0, 0), fill=False)
    rect(g, 3, 3, 20, 6, (0, 0, 128))
    line(g, 8, 10, 15, 17, (160, 0, 0), 2)
    line(g, 15, 10, 8, 17, (160, 0, 0), 2)


def g_manage(g):
    circle(g, 12, 9, 5, (96, 96, 0), width=2)
    rect(g, 5, 10, 18, 20, (160, 128, 0))
    rect(g, 11, 13, 12, 17, (0, 0, 0))


def g_help(g):
    circle(g, 12, 12, 9, (0, 0, 160), fill=True)
    c = WHITE
    line(g, 9, 8, 10, 6, c, 2)
    line(g, 10, 6, 14, 6, c, 2)
    line(g, 14, 6, 15, 9, c, 2)
    line(g, 15, 9, 12, 12, c, 2)
    rect(g, 11, 12, 12, 14, c)
    rect(g, 11, 16, 12, 17, c)


def g_exit(g):
    rect(g, 3, 3, 12, 20, (96, 48, 0), fill=False)
    rect(g, 4, 4, 11, 19, (160, 96, 32))
    line(g, 10, 11, 19, 11, (0, 128, 0), 2)
    triangle(g, ((16, 7), (16, 16), (21, 11)), (0, 128, 0))


def g_ie(g):
    circle(g, 12, 12, 9, (0, 96, 192), fill=True)
    circle(g, 12, 12, 9, (0, 0, 96), width=1.5)
    line(g, 3, 12, 21, 12, WHITE)
    line(g, 12, 3, 12, 21, WHITE)
    circle(g, 12, 12, 5, WHITE, width=1)


GLYPHS = {
    "main": g_main, "retrieve": g_retrieve, "add": g_add, "modify": g_modify, "del": g_del,
    "setshow": g_setshow, "preview": g_preview, "filter": g_filter, "sorter": g_sorter,
    "close": g_close, "manage": g_manage, "help": g_help, "exit": g_exit, "ie": g_ie,
}


def render(glyph, variant):
    g = canvas()
    glyph(g)
    out = [[FACE] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            c = g[y][x]
            if c is None:
                continue
            if variant == "normal":
                out[y][x] = c
            elif variant == "pressed":
                if x + 1 < SIZE and y + 1 < SIZE:
                    out[y + 1][x + 1] = tuple(int(v * 0.8) for v in c)
            else:  # disabled: a white emboss under a grey glyph
                if x + 1 < SIZE and y + 1 < SIZE and out[y + 1][x + 1] == FACE:
                    out[y + 1][x + 1] = WHITE
    if variant == "disabled":
        for y in range(SIZE):
            for x in range(SIZE):
                if g[y][x] is not None:
                    # white details inside a glyph stay visible as the face colour
                    out[y][x] = FACE if g[y][x] == WHITE else GREY
    return out


def write_bmp(path, pixels):
    row = SIZE * 3
    pad = (4 - row % 4) % 4
    data = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        for r, gr, b in pixels[y]:
            data += bytes((b, gr, r))
        data += b"\0" * pad
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(header + info + data)
    os.replace(tmp, path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, glyph in GLYPHS.items():
        for suffix, variant in (("", "normal"), ("1", "pressed"), ("2", "disabled")):
            write_bmp(os.path.join(here, f"{name}{suffix}.bmp"), render(glyph, variant))


if __name__ == "__main__":
    main()
