#!/usr/bin/env python3
"""Draws the program icon (icons/brivo-<size>.png): the Hangul syllable 가 as a 16 x 16 bitmap
glyph, white cells on a blue rounded tile with a faint cell grid. Run it again after changing
the drawing; the PNGs are kept in the repository.
"""
import os
import struct
import zlib

GLYPH = [
    "................",
    "................",
    "..######....##..",
    "......##....##..",
    "......##....##..",
    "......##....##..",
    ".....##.....####",
    ".....##.....####",
    "....##......##..",
    "...##.......##..",
    "..##........##..",
    ".##.........##..",
    "............##..",
    "............##..",
    "................",
    "................",
]
TILE = (30, 80, 190)
GRID = (60, 110, 215)
INK = (255, 255, 255)


def pixel(x, y, size):
    margin = size // 16
    radius = size // 6
    inner = size - 2 * margin
    cx = min(max(x, margin + radius), size - margin - radius - 1)
    cy = min(max(y, margin + radius), size - margin - radius - 1)
    if (x - cx) ** 2 + (y - cy) ** 2 > radius ** 2:
        return (0, 0, 0, 0)
    cell = inner / 16
    gx, gy = int((x - margin) / cell), int((y - margin) / cell)
    if 0 <= gx < 16 and 0 <= gy < 16 and GLYPH[gy][gx] == "#":
        return INK + (255,)
    on_line = (x - margin) % cell < 1 or (y - margin) % cell < 1
    return (GRID if on_line and size >= 48 else TILE) + (255,)


def write_png(path, size):
    rows = b"".join(
        b"\0" + b"".join(bytes(pixel(x, y, size)) for x in range(size)) for y in range(size))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(rows, 9)))
        out.write(chunk(b"IEND", b""))


if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(folder, exist_ok=True)
    for size in (32, 48, 64, 128):
        write_png(os.path.join(folder, "brivo-%d.png" % size), size)
