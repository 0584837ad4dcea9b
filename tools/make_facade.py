#!/usr/bin/env python3
"""Makes examples/photos/facade.png: a synthetic photograph of a house front seen at an angle
(a plaster wall with four rows of three windows under a sky, over a pavement), for the UV
transform tool's example session, where the tool's corners are dragged onto one window so the
UV transform shader shows that window straightened. The wall recedes to the right, so its
courses meet at a vanishing point inside the view. Prints where the corners of the first window
of the second row lie in the picture and in an 800 x 600 view of it.

It lives apart from examples/textures, whose pictures the tile shader's folder-import example
takes in as a whole.

Standard library only; the output is deterministic, so re-running it reproduces the file byte
for byte."""
import os
import sys

from make_textures import write_png

WIDTH, HEIGHT = 480, 360
# Where the wall's corners lie in the picture: top left, top right, bottom right, bottom left.
WALL = [(40.0, 30.0), (310.0, 140.0), (310.0, 235.0), (40.0, 340.0)]
COLUMNS, ROWS = 3, 4
# The window whose corners the example session picks: column 1, row 1 (counted from 0).
PICKED = (0, 1)


def square_to_quad(q):
    """The projective map of the unit square onto quad q (corners in the order above), as a
    3 x 3 matrix applied to (u, v, 1)."""
    (x0, y0), (x1, y1), (x2, y2), (x3, y3) = q
    sx, sy = x0 - x1 + x2 - x3, y0 - y1 + y2 - y3
    dx1, dy1, dx2, dy2 = x1 - x2, y1 - y2, x3 - x2, y3 - y2
    den = dx1 * dy2 - dx2 * dy1
    g = (sx * dy2 - dx2 * sy) / den
    h = (dx1 * sy - sx * dy1) / den
    return [[x1 - x0 + g * x1, x3 - x0 + h * x3, x0], [y1 - y0 + g * y1, y3 - y0 + h * y3, y0], [g, h, 1.0]]


def invert(m):
    a, b, c = m[0]
    d, e, f = m[1]
    g, h, i = m[2]
    det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g)
    return [[(e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det],
            [(f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det],
            [(d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det]]


def apply(m, x, y):
    w = m[2][0] * x + m[2][1] * y + m[2][2]
    return ((m[0][0] * x + m[0][1] * y + m[0][2]) / w, (m[1][0] * x + m[1][1] * y + m[1][2]) / w)


def window_box(column, row):
    """A window's rectangle on the wall, in the wall's own (u, v)."""
    u0 = 0.1 + column * 0.3
    v0 = 0.07 + row * 0.235
    return u0, v0, u0 + 0.2, v0 + 0.15


def wall_colour(u, v):
    for column in range(COLUMNS):
        for row in range(ROWS):
            u0, v0, u1, v1 = window_box(column, row)
            if u0 - 0.015 <= u <= u1 + 0.015 and v0 - 0.015 <= v <= v1 + 0.015:
                if u0 <= u <= u1 and v0 <= v <= v1:
                    # Glass with a cross bar, lighter towards the top where it mirrors the sky.
                    if abs(u - (u0 + u1) / 2) < 0.008 or abs(v - (v0 + v1) / 2) < 0.008:
                        return (0.93, 0.92, 0.88)
                    t = (v - v0) / (v1 - v0)
                    return (0.25 + 0.2 * (1 - t), 0.35 + 0.2 * (1 - t), 0.5 + 0.25 * (1 - t))
                return (0.93, 0.92, 0.88)  # the white frame
    # Plaster with faint courses.
    course = 0.03 if int(v * 40) % 2 else 0.0
    return (0.82 - course, 0.66 - course, 0.48 - course)


def background(x, y):
    if y < HEIGHT * 0.55:
        t = y / (HEIGHT * 0.55)
        return (0.45 + 0.3 * t, 0.62 + 0.2 * t, 0.88)
    return (0.38, 0.37, 0.36)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "examples", "photos", "facade.png")
    to_wall = invert(square_to_quad(WALL))
    rows = []
    offsets = (0.25, 0.75)
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            r = g = b = 0.0
            for oy in offsets:
                for ox in offsets:
                    u, v = apply(to_wall, x + ox, y + oy)
                    c = wall_colour(u, v) if 0.0 <= u <= 1.0 and 0.0 <= v <= 1.0 else background(x + ox, y + oy)
                    r, g, b = r + c[0], g + c[1], b + c[2]
            row.append((r / 4, g / 4, b / 4))
        rows.append(row)
    write_png(out, rows, WIDTH, HEIGHT)

    to_picture = square_to_quad(WALL)
    u0, v0, u1, v1 = window_box(*PICKED)
    scale = 800.0 / WIDTH  # the picture fills an 800 x 600 view
    for name, (u, v) in zip(("top left", "top right", "bottom right", "bottom left"),
                            ((u0, v0), (u1, v0), (u1, v1), (u0, v1))):
        x, y = apply(to_picture, u, v)
        print("%-12s picture (%.2f, %.2f)  view (%.1f, %.1f)  uv (%.4f, %.4f)"
              % (name, x, y, x * scale, y * scale, x / WIDTH, y / HEIGHT))


if __name__ == "__main__":
    main()
