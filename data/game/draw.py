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
    """The levels' scenery: far mountains, near hills, a river, steep peaks and
    a rocky crest (the layers that repeat side by side: each spans the
    sheet's full width, so that a copy's last column meets the next copy's
    first, and its outline has the same height at both ends), a cloud and a
    crate. Polygons are filled where they hold a pixel's centre, so their
    edges lie on the sprite's outer edges (x 0 and 256, the bottom line)."""
    c = Canvas(256, 512)
    sprites = []
    # Far mountains, bluish grey, standing on their pivot (bottom centre).
    c.polygon([(0, 62), (40, 30), (80, 70), (130, 10), (190, 60), (225, 35), (256, 62), (256, 96), (0, 96)], (110, 130, 170, 255))
    c.polygon([(120, 22), (130, 10), (140, 22)], (240, 240, 250, 255))
    sprites.append(("mountains", 0, 0, 256, 96, 128, 96))
    # Near hills, green, standing on their pivot (bottom left).
    # (Sprites lie 4 pixels apart, so that filtering never reaches a neighbour.)
    c.polygon([(0, 132), (60, 104), (128, 128), (190, 102), (256, 132), (256, 164), (0, 164)], (60, 140, 60, 255))
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
    # Steep peaks, dark slate, standing on their pivot (bottom centre).
    c.polygon([(0, 300), (30, 262), (64, 290), (110, 244), (150, 286), (200, 250), (256, 300), (256, 336), (0, 336)], (70, 78, 110, 255))
    c.polygon([(100, 256), (110, 244), (120, 256)], (226, 230, 244, 255))
    c.polygon([(192, 260), (200, 250), (208, 260)], (226, 230, 244, 255))
    sprites.append(("peaks", 0, 240, 256, 96, 128, 96))
    # A river, standing on the ground line (pivot bottom left): reeds on the
    # far bank, then the water with light ripples.
    for x0 in (14, 18, 22, 96, 101, 180, 184, 188, 230):
        c.rect(x0, 340 + (x0 % 5), 1, 12 - (x0 % 5), (50, 96, 50, 255))
    c.rect(0, 352, 256, 20, (52, 88, 150, 255))
    c.rect(0, 352, 256, 2, (120, 160, 210, 255))
    for k in range(12):
        x0 = (k * 53) % 240
        c.rect(x0, 357 + (k * 7) % 12, 10 + (k * 3) % 8, 1, (110, 150, 205, 255))
    sprites.append(("river", 0, 340, 256, 32, 0, 32))
    # A rocky crest, mossy, standing on its pivot (bottom left).
    c.polygon([(0, 418), (40, 398), (90, 410), (140, 386), (200, 404), (256, 418), (256, 440), (0, 440)], (88, 100, 72, 255))
    c.polygon([(0, 424), (60, 414), (130, 420), (190, 412), (256, 424), (256, 440), (0, 440)], (64, 110, 56, 255))
    sprites.append(("crest", 0, 376, 256, 64, 0, 64))

    write_sheet(c, "scenery", "The levels' scenery sheet", sprites)


# Block materials: base colour, a darker line colour and a lighter fleck colour.
MATERIALS = {
    "straw": ((222, 190, 92, 255), (176, 140, 52, 255), (246, 224, 140, 255)),
    "timber": ((150, 96, 52, 255), (108, 66, 34, 255), (182, 126, 74, 255)),
    "slate": ((92, 102, 124, 255), (60, 66, 84, 255), (132, 142, 164, 255)),
}
CRACK = (34, 26, 30, 255)


def draw_block(c, material, x, y, w, h, cracked):
    """One block face: a dark rim, the material's pattern inside and, for the
    cracked look, a jagged crack across it with a chipped corner."""
    base, line, fleck = MATERIALS[material]
    c.rect(x, y, w, h, line)
    c.rect(x + 1, y + 1, w - 2, h - 2, base)
    if material == "straw":
        # Stalks along the longer side.
        if w >= h:
            for j in range(y + 3, y + h - 2, 3):
                for i in range(x + 2, x + w - 2):
                    if (i * 7 + j * 3) % 11 < 6:
                        c.put(i, j, line if (i + j) % 2 else fleck)
        else:
            for i in range(x + 3, x + w - 2, 3):
                for j in range(y + 2, y + h - 2):
                    if (i * 3 + j * 7) % 11 < 6:
                        c.put(i, j, line if (i + j) % 2 else fleck)
    elif material == "timber":
        # Grain lines and a nail in each corner.
        if w >= h:
            for j in range(y + 4, y + h - 2, 4):
                c.rect(x + 2, j, w - 4, 1, line)
        else:
            for i in range(x + 4, x + w - 2, 4):
                c.rect(i, y + 2, 1, h - 4, line)
        for cx, cy in ((x + 2, y + 2), (x + w - 3, y + 2), (x + 2, y + h - 3), (x + w - 3, y + h - 3)):
            c.put(cx, cy, (60, 60, 70, 255))
    else:
        # A bevel and light flecks.
        c.rect(x + 1, y + 1, w - 2, 1, fleck)
        c.rect(x + 1, y + 1, 1, h - 2, fleck)
        for k in range(0, w * h // 24):
            i = x + 2 + (k * 37) % max(1, w - 4)
            j = y + 2 + (k * 53) % max(1, h - 4)
            c.put(i, j, fleck)
    if cracked:
        # A zigzag crack along the longer side and a chipped corner.
        if w >= h:
            j = y + h // 2
            for i in range(x + 2, x + w - 2):
                j += 1 if (i // 3) % 2 else -1
                j = min(max(j, y + 2), y + h - 3)
                c.put(i, j, CRACK)
                c.put(i, j + 1, CRACK)
        else:
            i = x + w // 2
            for j in range(y + 2, y + h - 2):
                i += 1 if (j // 3) % 2 else -1
                i = min(max(i, x + 2), x + w - 3)
                c.put(i, j, CRACK)
                c.put(i + 1, j, CRACK)
        c.polygon([(x + w, y), (x + w - 6, y), (x + w, y + 6)], (0, 0, 0, 0))


def draw_play():
    """The levels' sheet: blocks of three materials in three shapes, each also
    cracked, the lantern (flyer), the gloom (target), the launcher fork and
    the particles. Sprites lie 4 pixels apart."""
    c = Canvas(256, 256)
    sprites = []
    shapes = [("plank", 80, 16), ("square", 32, 32), ("post", 16, 64)]
    spots = {
        "plank": [(0, 0), (84, 0), (168, 0), (0, 20), (84, 20), (168, 20)],
        "square": [(0, 40), (36, 40), (72, 40), (108, 40), (144, 40), (180, 40)],
        "post": [(0, 76), (20, 76), (40, 76), (60, 76), (80, 76), (100, 76)],
    }
    for shape, w, h in shapes:
        k = 0
        for material in ("straw", "timber", "slate"):
            for cracked in (False, True):
                x, y = spots[shape][k]
                k += 1
                draw_block(c, material, x, y, w, h, cracked)
                name = "%s_%s%s" % (material, shape, "_cracked" if cracked else "")
                sprites.append((name, x, y, w, h, w // 2, h // 2))
    # The lantern: a round paper lantern glowing orange, ribs and a cap.
    c.disc(136, 88, 11.5, (120, 50, 20, 255))
    c.disc(136, 88, 10.5, (250, 150, 40, 255))
    c.disc(136, 88, 6, (255, 220, 120, 255))
    c.disc(135, 87, 2.5, (255, 250, 220, 255))
    for dx in (-6, 6):
        for dy in range(-8, 9):
            if dx * dx + dy * dy < 100:
                c.put(136 + dx + (1 if dx < 0 else -1) * (abs(dy) // 5), 88 + dy, (200, 90, 30, 255))
    c.rect(131, 76, 10, 3, (70, 40, 30, 255))
    c.rect(131, 97, 10, 3, (70, 40, 30, 255))
    sprites.append(("lantern", 124, 76, 24, 24, 12, 12))
    # The gloom: a dark violet blob with two pale eyes; hurt, it frays and
    # squints.
    for x0, hurt, name in ((152, False, "gloom"), (188, True, "gloom_hurt")):
        cx, cy = x0 + 16, 92
        body = (74, 40, 110, 255) if not hurt else (104, 70, 138, 255)
        c.disc(cx, cy, 14.5, (36, 18, 56, 255))
        c.disc(cx, cy, 13, body)
        c.disc(cx - 3, cy - 4, 5, (98, 60, 140, 255) if not hurt else (130, 96, 166, 255))
        # Tendrils at the bottom.
        for k in range(-12, 13, 6):
            c.rect(cx + k - 1, cy + 10, 3, 4, body)
        eye = (230, 240, 160, 255)
        if hurt:
            c.rect(cx - 7, cy - 1, 5, 2, eye)
            c.rect(cx + 2, cy - 1, 5, 2, eye)
            for k in range(6):
                c.put(cx - 10 + k, cy + 4 + (k % 2), CRACK)
                c.put(cx + 4 + k, cy - 8 + (k % 2), CRACK)
        else:
            c.disc(cx - 5, cy - 1, 3, eye)
            c.disc(cx + 5, cy - 1, 3, eye)
            c.rect(cx - 5, cy - 1, 1, 2, (20, 10, 30, 255))
            c.rect(cx + 5, cy - 1, 1, 2, (20, 10, 30, 255))
        sprites.append((name, x0, 76, 32, 32, 16, 16))
    # The launcher: a forked branch on a stone foot, standing on its pivot
    # (the bottom centre); the band is tied to the tips of the fork.
    bark, dark = (120, 78, 44, 255), (80, 50, 28, 255)
    c.polygon([(16, 239), (24, 239), (23, 176), (17, 176)], bark)
    c.polygon([(17, 180), (20, 176), (9, 150), (5, 152)], bark)
    c.polygon([(20, 176), (23, 180), (35, 152), (31, 150)], bark)
    c.rect(18, 185, 1, 50, dark)
    c.polygon([(6, 239), (34, 239), (30, 228), (10, 228)], (110, 114, 128, 255))
    sprites.append(("fork", 0, 144, 40, 96, 20, 95))
    # Particles: chips of each material, a violet wisp, an ember and a glow puff.
    for x0, material in ((48, "straw"), (60, "timber"), (72, "slate")):
        base, line, fleck = MATERIALS[material]
        c.polygon([(x0, 148), (x0 + 5, 144), (x0 + 8, 150), (x0 + 3, 152)], base)
        c.put(x0 + 3, 148, line)
        sprites.append(("chip_" + material, x0, 144, 8, 8, 4, 4))
    c.disc(90, 150, 5.5, (150, 110, 200, 200))
    c.disc(90, 150, 3, (210, 190, 240, 230))
    sprites.append(("wisp", 84, 144, 12, 12, 6, 6))
    c.disc(104, 148, 3.5, (255, 190, 80, 255))
    c.disc(104, 148, 1.5, (255, 245, 200, 255))
    sprites.append(("ember", 100, 144, 8, 8, 4, 4))
    c.disc(120, 152, 7.5, (255, 200, 110, 150))
    c.disc(120, 152, 4.5, (255, 240, 190, 220))
    sprites.append(("glow", 112, 144, 16, 16, 8, 8))
    # A pale moon with two dents.
    c.disc(160, 164, 19.5, (236, 232, 200, 255))
    c.disc(152, 158, 4, (214, 208, 176, 255))
    c.disc(168, 172, 3, (214, 208, 176, 255))
    sprites.append(("moon", 140, 144, 40, 40, 20, 20))
    # A small twinkle.
    c.rect(187, 144, 2, 8, (255, 255, 230, 255))
    c.rect(184, 147, 8, 2, (255, 255, 230, 255))
    sprites.append(("twinkle", 184, 144, 8, 8, 4, 4))
    # A hanging line: a twisted cord drawn stretched along it (pivot on its
    # middle line), its edge pixels repeated outwards for the filtering.
    c.rect(196, 144, 40, 6, (120, 96, 60, 255))
    for i in range(196, 236):
        c.put(i, 145 + (i // 3) % 2 * 2, (170, 140, 90, 255))
    sprites.append(("rope", 200, 145, 32, 4, 0, 2))
    write_sheet(c, "play", "The levels' sheet", sprites)


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
    draw_play()
    draw_font()
    write_composites()
