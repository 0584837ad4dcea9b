#!/usr/bin/env python3
"""Makes a small uncompressed AVI movie for tests of movie handling: FRAMES frames of WIDTH x HEIGHT
pixels at FPS frames per second, frame k a flat grey of (k + 1) * 255 // (FRAMES + 1) with a white
bar whose length grows with k. Standard library only; deterministic.

    make_movie.py OUT.avi [frames] [width] [height] [fps]"""
import struct
import sys


def chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def riff_list(kind, tag, data):
    return kind + struct.pack("<I", len(data) + 4) + tag + data


def frame_pixels(k, frames, width, height):
    """Bottom-up BGR rows, each padded to 4 bytes, as an uncompressed DIB stores them."""
    grey = (k + 1) * 255 // (frames + 1)
    bar = (k + 1) * width // frames
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            v = 255 if (y < 2 and x < bar) else grey
            row += bytes((v, v, v))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    return b"".join(rows)


def make(path, frames=6, width=32, height=24, fps=12):
    stride = (width * 3 + 3) & ~3
    size = stride * height
    avih = struct.pack("<10I4I", 1000000 // fps, size * fps, 0, 0x10, frames, 0, 1, size, width, height, 0, 0, 0, 0)
    strh = struct.pack("<4s4sIHHIIIIIIIIhhhh", b"vids", b"DIB ", 0, 0, 0, 0, 1, fps, 0, frames, size, 0xFFFFFFFF, 0,
                       0, 0, width, height)
    strf = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size, 0, 0, 0, 0)
    hdrl = riff_list(b"LIST", b"hdrl", chunk(b"avih", avih) + riff_list(b"LIST", b"strl", chunk(b"strh", strh) + chunk(b"strf", strf)))
    movi_data = b""
    index = b""
    offset = 4
    for k in range(frames):
        c = chunk(b"00db", frame_pixels(k, frames, width, height))
        index += struct.pack("<4sIII", b"00db", 0x10, offset, size)
        offset += len(c)
        movi_data += c
    movi = riff_list(b"LIST", b"movi", movi_data)
    body = hdrl + movi + chunk(b"idx1", index)
    with open(path, "wb") as f:
        f.write(riff_list(b"RIFF", b"AVI ", body))


if __name__ == "__main__":
    args = [int(a) for a in sys.argv[2:]]
    make(sys.argv[1], *args)
