#!/usr/bin/env python3
"""Draws the 24 x 24 button and toolbar bitmaps as PNG files into bitmaps/.

Magenta (255, 0, 255) is the key colour: it marks the pixels that show the button or toolbar
background. Shapes have hard edges so that no pixel blends with the key colour.
Run it again after changing a drawing; the PNGs are kept in the repository.
"""
import math
import os
import struct
import zlib

SIZE = 24
KEY = (255, 0, 255)
WHITE = (255, 255, 255)
DARK = (32, 32, 48)
BLUE = (30, 80, 190)
GREEN = (40, 150, 60)
RED = (200, 40, 40)
GREY = (150, 150, 150)
GREY_DARK = (90, 90, 90)
YELLOW = (240, 200, 60)


class Canvas:
    def __init__(self):
        self.pixels = [[KEY] * SIZE for _ in range(SIZE)]

    def fill(self, inside, colour):
        """Sets every pixel whose centre lies inside the shape (x, y -> bool)."""
        for y in range(SIZE):
            for x in range(SIZE):
                if inside(x + 0.5, y + 0.5):
                    self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        self.fill(lambda x, y: x0 <= x < x1 and y0 <= y < y1, colour)

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, colour)

    def ring(self, cx, cy, r0, r1, colour, skip=None):
        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            angle = math.degrees(math.atan2(cy - y, x - cx)) % 360
            return r0 <= d <= r1 and not (skip and skip[0] <= angle <= skip[1])
        self.fill(inside, colour)

    def polygon(self, points, colour):
        def inside(x, y):
            result = False
            for (xa, ya), (xb, yb) in zip(points, points[1:] + points[:1]):
                if (ya > y) != (yb > y) and x < xa + (y - ya) * (xb - xa) / (yb - ya):
                    result = not result
            return result
        self.fill(inside, colour)

    def line(self, x0, y0, x1, y1, width, colour):
        def inside(x, y):
            dx, dy = x1 - x0, y1 - y0
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
            return math.hypot(x - x0 - t * dx, y - y0 - t * dy) <= width / 2
        self.fill(inside, colour)

    def save(self, path):
        raw = b"".join(b"\0" + bytes(c for px in row for c in px) for row in self.pixels)
        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
        header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0)
        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                    chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def rotated(points, quarter_turns):
    """Rotates points about the centre of the image by multiples of 90 degrees clockwise."""
    for _ in range(quarter_turns % 4):
        points = [(SIZE - y, x) for x, y in points]
    return points


def arrow(quarter_turns):
    # Pointing right before rotation.
    c = Canvas()
    c.polygon(rotated([(3, 9), (12, 9), (12, 4), (21, 12), (12, 20), (12, 15), (3, 15)],
                      quarter_turns), BLUE)
    return c


def round_face(colour):
    c = Canvas()
    c.disc(12, 12, 10.5, colour)
    return c


def triangles(colour, count, pointing_right):
    c = round_face(GREY)
    c.ring(12, 12, 9.5, 10.5, GREY_DARK)
    width = 6 if count == 1 else 5
    start = 12 - width * count / 2
    for k in range(count):
        x0 = start + k * width
        pts = [(x0, 7), (x0 + width, 12), (x0, 17)] if pointing_right else \
              [(x0 + width, 7), (x0, 12), (x0 + width, 17)]
        c.polygon(pts, colour)
    return c


def plus_face():
    c = round_face(GREEN)
    c.rect(10, 5, 14, 19, WHITE)
    c.rect(5, 10, 19, 14, WHITE)
    return c


def cross_face():
    c = round_face(RED)
    c.line(7.5, 7.5, 16.5, 16.5, 3.2, WHITE)
    c.line(16.5, 7.5, 7.5, 16.5, 3.2, WHITE)
    return c


def check_mark():
    c = Canvas()
    c.line(4, 13, 9.5, 18.5, 3.5, GREEN)
    c.line(9.5, 18.5, 20, 6, 3.5, GREEN)
    return c


def reset_arrow():
    c = Canvas()
    c.ring(12, 13, 5.5, 8.5, BLUE, skip=(15, 90))
    c.polygon([(11, 1), (17, 6), (11, 11)], BLUE)
    return c


def pen():
    c = Canvas()
    c.polygon([(15, 3), (21, 9), (9, 21), (3, 15)], YELLOW)
    c.polygon([(15, 3), (21, 9), (19, 11), (13, 5)], RED)
    c.polygon([(3, 15), (9, 21), (2, 22)], (230, 200, 160))
    c.polygon([(2.5, 19.5), (4.5, 21.5), (2, 22)], DARK)
    c.line(15, 3, 3, 15, 1, DARK)
    c.line(21, 9, 9, 21, 1, DARK)
    return c


def eraser():
    c = Canvas()
    c.polygon([(12, 4), (21, 13), (14, 20), (5, 11)], (240, 150, 170))
    c.polygon([(5, 11), (14, 20), (11, 23), (2, 14)], BLUE)
    c.rect(13, 21, 22, 22.5, GREY_DARK)
    return c


def mirror(vertical_axis):
    # Vertical axis: mirror left-right; horizontal axis: mirror top-bottom.
    c = Canvas()
    shape = [(2, 12), (10, 5), (10, 19)]
    turns = 0 if vertical_axis else 1
    c.polygon(rotated(shape, turns), BLUE)
    c.polygon(rotated([(SIZE - x, y) for x, y in shape], turns), (150, 180, 230))
    for k in range(0, SIZE, 4):
        if vertical_axis:
            c.rect(11.5, k, 12.5, k + 2, DARK)
        else:
            c.rect(k, 11.5, k + 2, 12.5, DARK)
    return c


def letter_f(c, x, y, colour):
    c.rect(x, y, x + 2, y + 7, colour)
    c.rect(x, y, x + 5, y + 2, colour)
    c.rect(x, y + 3, x + 4, y + 5, colour)


def text_lines(c, x, y, colour):
    for k, width in enumerate((8, 6, 8)):
        c.rect(x, y + 2 * k, x + width, y + 2 * k + 1, colour)


def floppy(label):
    c = Canvas()
    c.polygon([(2, 2), (19, 2), (22, 5), (22, 22), (2, 22)], BLUE)
    c.rect(6, 2, 17, 8, (210, 210, 220))
    c.rect(13, 3, 15, 7, BLUE)
    c.rect(5, 12, 19, 22, WHITE)
    label(c, 8, 14, DARK)
    return c


def folder(label):
    c = Canvas()
    c.polygon([(1, 5), (8, 5), (10, 7), (20, 7), (20, 21), (1, 21)], (190, 150, 40))
    c.polygon([(5, 11), (23, 11), (20, 21), (1, 21)], YELLOW)
    label(c, 8, 13, DARK)
    return c


BITMAPS = {
    136: lambda: floppy(text_lines),   # text save
    137: lambda: folder(letter_f),     # font load
    138: lambda: folder(text_lines),   # text load
    139: lambda: floppy(letter_f),     # font save
    140: lambda: arrow(2),             # shift left
    141: lambda: arrow(3),             # shift up
    142: lambda: arrow(1),             # shift down
    143: lambda: arrow(0),             # shift right
    144: check_mark,                   # update
    145: eraser,
    146: pen,
    147: reset_arrow,                  # reset
    148: lambda: mirror(False),        # vertical mirror (top-bottom)
    149: lambda: mirror(True),         # horizontal mirror (left-right)
    150: cross_face,                   # remove
    151: plus_face,                    # insert
    152: lambda: triangles(DARK, 1, True),
    153: lambda: triangles(DARK, 2, True),
    154: lambda: triangles(DARK, 2, False),
    155: lambda: triangles(DARK, 1, False),
}

if __name__ == "__main__":
    folder_path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "bitmaps")
    os.makedirs(folder_path, exist_ok=True)
    for number, draw in BITMAPS.items():
        draw().save(os.path.join(folder_path, f"{number}.png"))
