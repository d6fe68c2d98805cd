#!/usr/bin/env python3
"""Draws the sample game's sprite sheet and blocky pixel font (simple shapes
and hand-made 5 x 8 letters) and writes their PNGs and descriptions.

    python3 data/game/draw.py

The outputs are kept in the repository; run this again after changing it.
"""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def put(self, x, y, rgba):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = rgba

    def rect(self, x, y, w, h, rgba):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.put(i, j, rgba)

    def disc(self, cx, cy, r, rgba):
        for j in range(int(cy - r) - 1, int(cy + r) + 2):
            for i in range(int(cx - r) - 1, int(cx + r) + 2):
                if (i + 0.5 - cx) ** 2 + (j + 0.5 - cy) ** 2 <= r * r:
                    self.put(i, j, rgba)

    def polygon(self, points, rgba):
        ys = [p[1] for p in points]
        for j in range(int(min(ys)), int(max(ys)) + 1):
            for i in range(self.width):
                if inside(points, i + 0.5, j + 0.5):
                    self.put(i, j, rgba)

    def save(self, path):
        raw = b"".join(b"\0" + b"".join(struct.pack("4B", *p) for p in row) for row in self.pixels)

        def chunk(tag, data):
            body = tag + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def inside(points, x, y):
    result = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            result = not result
        j = i
    return result


def star_points(cx, cy, outer, inner):
    import math
    pts = []
    for k in range(10):
        r = outer if k % 2 == 0 else inner
        a = -math.pi / 2 + k * math.pi / 5
        pts.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    return pts


def write_sheet(canvas, name, title, sprites):
    """Saves the canvas as sprites/<name>.png and its description as sprites/<name>.sheet."""
    canvas.save(os.path.join(HERE, "sprites", name + ".png"))
    with open(os.path.join(HERE, "sprites", name + ".sheet"), "w") as f:
        f.write("# %s, drawn by data/game/draw.py.\n" % title)
        f.write("image %s.png\n" % name)
        f.write("# sprite <name> <x> <y> <width> <height> <pivotX> <pivotY>\n")
        for s in sprites:
            f.write("sprite %s %d %d %d %d %d %d\n" % s)


def draw_sheet():
    c = Canvas(128, 64)
    sprites = []

    # A green button with a darker rim, pivot in its centre.
    c.rect(0, 0, 64, 24, (30, 110, 40, 255))
    c.rect(2, 2, 60, 20, (70, 180, 80, 255))
    sprites.append(("button", 0, 0, 64, 24, 32, 12))
    # A white arrow pointing right.
    c.polygon([(66, 2), (78, 8), (66, 14)], (255, 255, 255, 255))
    sprites.append(("arrow", 64, 0, 16, 16, 8, 8))
    # A yellow star.
    c.polygon(star_points(92, 12, 11.5, 5), (250, 210, 40, 255))
    sprites.append(("star", 80, 0, 24, 24, 12, 12))
    # A red ball.
    c.disc(112, 8, 7.5, (210, 40, 40, 255))
    sprites.append(("ball", 104, 0, 16, 16, 8, 8))
    # A wooden block with grain lines, pivot at its centre.
    c.rect(0, 32, 48, 16, (140, 90, 45, 255))
    for y in (36, 41, 45):
        c.rect(2, y, 44, 1, (110, 70, 35, 255))
    sprites.append(("block_wood", 0, 32, 48, 16, 24, 8))
    # A grey stone square.
    c.rect(48, 32, 16, 16, (120, 120, 130, 255))
    c.rect(50, 34, 12, 12, (150, 150, 160, 255))
    sprites.append(("block_stone", 48, 32, 16, 16, 8, 8))
    # A blue launcher base: a trapezium standing on its pivot (bottom centre);
    # its rectangle keeps a clear column to either side, so that its
    # neighbours do not show at its edges when it is drawn scaled.
    c.polygon([(68, 63), (92, 63), (86, 40), (74, 40)], (40, 80, 200, 255))
    sprites.append(("launcher", 65, 32, 30, 32, 15, 32))
    # A strip of rubber for the launcher's band, drawn stretched along it: a
    # dark rim, a lighter line along the middle.
    c.rect(96, 32, 32, 8, (90, 40, 25, 255))
    c.rect(96, 33, 32, 6, (170, 75, 45, 255))
    c.rect(96, 35, 32, 1, (215, 125, 85, 255))
    sprites.append(("band", 96, 32, 32, 8, 0, 4))

    write_sheet(c, "menu", "The sample menu sheet", sprites)


def draw_scenery():
    """The sample level's scenery: far mountains, near hills, a cloud and a crate."""
    c = Canvas(256, 256)
    sprites = []
    # Far mountains, bluish grey, standing on their pivot (bottom centre).
    c.polygon([(0, 95), (40, 30), (80, 70), (130, 10), (190, 60), (225, 35), (255, 75), (255, 95)], (110, 130, 170, 255))
    c.polygon([(120, 22), (130, 10), (140, 22)], (240, 240, 250, 255))
    sprites.append(("mountains", 0, 0, 256, 96, 128, 96))
    # Near hills, green, standing on their pivot (bottom left).
    # (Sprites lie 4 pixels apart, so that filtering never reaches a neighbour.)
    c.polygon([(0, 163), (0, 134), (60, 104), (128, 128), (190, 102), (255, 130), (255, 163)], (60, 140, 60, 255))
    sprites.append(("hills", 0, 100, 256, 64, 0, 64))
    # A white cloud, pivot in its centre.
    for cx, cy, r in ((12, 184, 8), (24, 178, 11), (36, 184, 9)):
        c.disc(cx, cy, r, (250, 250, 255, 255))
    sprites.append(("cloud", 0, 168, 48, 24, 24, 12))
    # A wooden crate with a cross brace, pivot in its centre.
    c.rect(56, 168, 16, 16, (160, 110, 50, 255))
    c.rect(58, 170, 12, 12, (190, 140, 70, 255))
    for k in range(12):
        c.put(58 + k, 170 + k, (120, 80, 35, 255))
        c.put(69 - k, 170 + k, (120, 80, 35, 255))
    sprites.append(("crate", 56, 168, 16, 16, 8, 8))
    # A small white dot for the aiming stream and the trail, pivot in its centre.
    c.disc(80, 172, 2.5, (255, 255, 255, 255))
    sprites.append(("dot", 76, 168, 8, 8, 4, 4))
    # An orange spark for the burst where the flyer hits, pivot in its centre.
    c.polygon(star_points(92, 172, 4, 1.5), (255, 150, 30, 255))
    sprites.append(("spark", 88, 168, 8, 8, 4, 4))
    draw_box_parts(c, sprites, 0, 200)

    write_sheet(c, "scenery", "The sample level's scenery sheet", sprites)


def draw_box_parts(c, sprites, left, top):
    """The nine parts of a panel box (a light rim, rounded corners, a dark
    blue inside), 8 x 8 each, in a 3 x 3 grid 4 pixels apart from left, top.
    Each part's edge pixels are repeated 2 pixels outwards, so that filtering
    at its edges (the box stretches them) finds the part's own colours."""
    rim = (240, 220, 120, 255)
    inside = (30, 45, 100, 230)
    names = [["box_topLeft", "box_topMiddle", "box_topRight"],
             ["box_left", "box_center", "box_right"],
             ["box_bottomLeft", "box_bottomMiddle", "box_bottomRight"]]
    for row in range(3):
        for col in range(3):
            x0, y0 = left + col * 12, top + row * 12
            for j in range(-2, 10):
                for i in range(-2, 10):
                    # Distance into the rim from the outer edges the part lies on.
                    ci, cj = min(max(i, 0), 7), min(max(j, 0), 7)
                    dx = ci if col == 0 else 7 - ci if col == 2 else 8
                    dy = cj if row == 0 else 7 - cj if row == 2 else 8
                    if col != 1 and row != 1:
                        # Corners: a quarter ring around the inner corner.
                        r = ((7.5 - dx) ** 2 + (7.5 - dy) ** 2) ** 0.5
                        colour = inside if r < 6 else rim if r < 8 else None
                    else:
                        colour = rim if min(dx, dy) < 2 else inside
                    if colour:
                        c.put(x0 + i, y0 + j, colour)
            sprites.append((names[row][col], x0, y0, 8, 8, 0, 0))


# 5 x 8 letters; the last row is below the baseline.
GLYPHS = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "....."],
    "B": ["####.", "#...#", "#...#", "####.", "#...#", "#...#", "####.", "....."],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###.", "....."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####.", "....."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####", "....."],
    "F": ["#####", "#....", "#....", "####.", "#....", "#....", "#....", "....."],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####", "....."],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#", "....."],
    "I": [".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", "....."],
    "J": ["..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##..", "....."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#", "....."],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####", "....."],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#", "....."],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#", "....."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", "....."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#....", "....."],
    "Q": [".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#", "....."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#", "....."],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####.", "....."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "....."],
    "U": ["#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###.", "....."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#..", "....."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#.", "....."],
    "X": ["#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#", "....."],
    "Y": ["#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#..", "....."],
    "Z": ["#####", "....#", "...#.", "..#..", ".#...", "#....", "#####", "....."],
    "0": [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###.", "....."],
    "1": ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###.", "....."],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####", "....."],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####.", "....."],
    "4": ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#.", "....."],
    "5": ["#####", "#....", "####.", "....#", "....#", "#...#", ".###.", "....."],
    "6": [".###.", "#....", "#....", "####.", "#...#", "#...#", ".###.", "....."],
    "7": ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#...", "....."],
    "8": [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###.", "....."],
    "9": [".###.", "#...#", "#...#", ".####", "....#", "....#", ".###.", "....."],
    " ": [".....", ".....", ".....", ".....", ".....", ".....", ".....", "....."],
    ".": [".....", ".....", ".....", ".....", ".....", ".##..", ".##..", "....."],
    ",": [".....", ".....", ".....", ".....", ".....", ".##..", ".##..", ".#..."],
    "!": ["..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#..", "....."],
    "?": [".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#..", "....."],
    ":": [".....", ".##..", ".##..", ".....", ".##..", ".##..", ".....", "....."],
    "-": [".....", ".....", ".....", "#####", ".....", ".....", ".....", "....."],
}

SCALE = 2


def draw_font():
    order = sorted(GLYPHS)
    columns = 16
    cell_w, cell_h = 5 * SCALE, 8 * SCALE
    c = Canvas(columns * (cell_w + 2), ((len(order) + columns - 1) // columns) * (cell_h + 2))
    glyphs = []
    for n, ch in enumerate(order):
        x0 = (n % columns) * (cell_w + 2)
        y0 = (n // columns) * (cell_h + 2)
        for j, row in enumerate(GLYPHS[ch]):
            for i, bit in enumerate(row):
                if bit == "#":
                    c.rect(x0 + i * SCALE, y0 + j * SCALE, SCALE, SCALE, (255, 255, 255, 255))
        code = "'%s'" % ch if ch not in " " else "U+%04X" % ord(ch)
        glyphs.append((code, x0, y0, cell_w, cell_h, 7 * SCALE))
    c.save(os.path.join(HERE, "fonts", "blocky.png"))
    with open(os.path.join(HERE, "fonts", "blocky.font"), "w") as f:
        f.write("# The sample blocky pixel font, drawn by data/game/draw.py.\n")
        f.write("image blocky.png\n")
        f.write("leading %d\n" % (10 * SCALE))
        f.write("tracking %d\n" % SCALE)
        f.write("# glyph <code> <x> <y> <width> <height> <baseline>\n")
        for g in glyphs:
            f.write("glyph %s %d %d %d %d %d\n" % g)


def write_composites():
    with open(os.path.join(HERE, "sprites", "menu.comp"), "w") as f:
        f.write("# Composite sprites of the sample menu sheet.\n")
        f.write("version 1\n")
        f.write("composite play_button\n")
        f.write("part button 0 0\n")
        f.write("part arrow 18 0\n")
        f.write("composite star_row\n")
        f.write("part star -26 0\n")
        f.write("part star 0 -4\n")
        f.write("part star 26 0\n")
        f.write("composite tower\n")
        f.write("part block_wood 0 -8\n")
        f.write("part block_stone -16 -24\n")
        f.write("part block_stone 16 -24\n")
        f.write("part ball 0 -40\n")


if __name__ == "__main__":
    draw_sheet()
    draw_scenery()
    draw_font()
    write_composites()
