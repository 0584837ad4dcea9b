#!/usr/bin/env python3
"""Makes the small example textures under examples/textures: procedural stone, wood, terracotta
and slate faces for the tile shader's demo and example scenes, and an atlas of numbered cells for
the cut shader's (so a picture shows which cell each object got), with a ramp that chooses cells
from left to right. Standard library only; the output
is deterministic, so re-running it reproduces the committed files byte for byte."""
import math
import os
import struct
import sys
import zlib

SIZE = 128


def write_png(path, pixels, width, height):
    """pixels: rows of (r, g, b) floats in [0, 1]."""
    raw = bytearray()
    for row in pixels:
        raw.append(0)
        for r, g, b in row:
            raw += bytes(max(0, min(255, int(round(c * 255)))) for c in (r, g, b))

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def lattice(seed):
    """A periodic value-noise lattice (16 x 16), so the textures tile seamlessly."""
    state = seed
    values = []
    for _ in range(16 * 16):
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        values.append(state / 0x7FFFFFFF)
    return values


def value_noise(values, x, y, period=16):
    x0, y0 = int(math.floor(x)), int(math.floor(y))
    fx, fy = x - x0, y - y0
    sx, sy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)

    def at(i, j):
        return values[(j % period) * period + (i % period)]

    top = at(x0, y0) * (1 - sx) + at(x0 + 1, y0) * sx
    bottom = at(x0, y0 + 1) * (1 - sx) + at(x0 + 1, y0 + 1) * sx
    return top * (1 - sy) + bottom * sy


def fbm(values, u, v, octaves=4):
    total, amplitude, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        f = 4 * (2 ** o)
        total += amplitude * value_noise(values, u * f, v * f, period=16)
        norm += amplitude
        amplitude *= 0.5
    return total / norm


def texture(kind):
    values = lattice({"stone": 7, "wood": 11, "terracotta": 13, "slate": 17}[kind])
    rows = []
    for y in range(SIZE):
        row = []
        for x in range(SIZE):
            u, v = (x + 0.5) / SIZE, (y + 0.5) / SIZE
            n = fbm(values, u, v)
            if kind == "stone":
                g = 0.55 + 0.35 * (n - 0.5)
                row.append((g * 1.02, g, g * 0.93))
            elif kind == "wood":
                ring = 0.5 + 0.5 * math.sin((v * 6 + n * 2.5) * math.pi * 2)
                row.append((0.45 + 0.25 * ring, 0.28 + 0.15 * ring, 0.12 + 0.06 * ring))
            elif kind == "terracotta":
                g = 0.75 + 0.3 * (n - 0.5)
                row.append((0.72 * g, 0.36 * g, 0.22 * g))
            else:  # slate
                streak = 0.5 + 0.5 * math.sin((u * 3 + n * 1.5) * math.pi * 2)
                g = 0.25 + 0.12 * streak + 0.1 * (n - 0.5)
                row.append((g * 0.9, g * 0.95, g * 1.1))
        rows.append(row)
    return rows


# 3 x 5 digits, one row of three bits per line, top line first.
DIGITS = ["111101101101111", "010110010010111", "111001111100111", "111001111001111", "101101111001001",
          "111100111001111", "111100111101111", "111001001001001", "111101111101111", "111101111001111"]
ATLAS_COLUMNS, ATLAS_ROWS, ATLAS_CELL = 8, 4, 64


def atlas():
    """512 x 256 pixels of 64 x 64 cells numbered 0 to 31 in reading order, each on its own hue,
    with a dark border so the cell edges show."""
    width, height = ATLAS_COLUMNS * ATLAS_CELL, ATLAS_ROWS * ATLAS_CELL
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            column, line = x // ATLAS_CELL, y // ATLAS_CELL
            number = line * ATLAS_COLUMNS + column
            cx, cy = x % ATLAS_CELL, y % ATLAS_CELL
            hue = number / (ATLAS_COLUMNS * ATLAS_ROWS)
            base = tuple(0.55 + 0.35 * math.cos((hue + k / 3.0) * math.pi * 2) for k in range(3))
            colour = base
            if cx < 2 or cy < 2 or cx >= ATLAS_CELL - 2 or cy >= ATLAS_CELL - 2:
                colour = (0.08, 0.08, 0.08)
            else:
                # Two digits of 3 x 5 blocks of 8 pixels, with one block between them.
                gx, gy = (cx - 4) // 8, (cy - 12) // 8
                if 0 <= gy < 5 and 0 <= gx < 7 and gx != 3 and (cx - 4) >= 0 and (cy - 12) >= 0:
                    digit = DIGITS[(number // 10) if gx < 3 else (number % 10)]
                    if digit[gy * 3 + (gx if gx < 3 else gx - 4)] == "1":
                        colour = (0.05, 0.05, 0.05)
            row.append(colour)
        rows.append(row)
    return rows, width, height


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "examples", "textures")
    os.makedirs(out, exist_ok=True)
    for kind in ("stone", "wood", "terracotta", "slate"):
        write_png(os.path.join(out, kind + ".png"), texture(kind), SIZE, SIZE)
    pixels, width, height = atlas()
    write_png(os.path.join(out, "numbered_cells.png"), pixels, width, height)
    # A horizontal ramp from black to white: pixel column i is grey i / 255.
    ramp = [[(i / 255.0,) * 3 for i in range(256)] for _ in range(4)]
    write_png(os.path.join(out, "ramp.png"), ramp, 256, 4)


if __name__ == "__main__":
    main()
