#!/usr/bin/env python3
"""Writes the program icon: one 16 by 16 image in 16 colours (4 bits a pixel), a stopwatch.
Usage: make_icon.py OUTPUT.ico"""
import struct
import sys

# The 16 standard VGA colours, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# '.' is transparent; other characters index the palette in hexadecimal.
PICTURE = [
    "......8888......",
    ".......00.......",
    ".....000000.....",
    "...0044444400...",
    "..044ffffff440..",
    "..04ffff0ffff40.",
    ".04fffff0fffff40",
    ".04fffff0fffff40",
    ".04fffff0fffff40",
    ".04fffff000ff940",
    ".04ffffffff99f40",
    ".04fffffff99ff40",
    "..04ffffffffff40",
    "..044ffffffff440",
    "...0044444400...",
    ".....000000.....",
]


def icon_bytes():
    size = 16
    xor_rows, and_rows = [], []
    for row in reversed(PICTURE):  # bitmaps are stored bottom-up
        indices = [0 if c == "." else int(c, 16) for c in row]
        xor_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, size, 2)))
        mask = 0
        for c in row:
            mask = (mask << 1) | (c == ".")
        and_rows.append(struct.pack(">H", mask) + b"\0\0")  # rows padded to 4 bytes
    pixels = b"".join(xor_rows) + b"".join(and_rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(pixels), 0, 0, 16, 0)
    image = header + palette + pixels
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    with open(sys.argv[1], "wb") as f:
        f.write(icon_bytes())
