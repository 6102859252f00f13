#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Draws the dialog's picture, quillmar150.bmp: a record sheet passing
through an arrow from version 14 to version 15 (48 x 48, 24-bit BMP)."""
import struct
import sys

W, H = 48, 48
TEAL, WHITE, INK, AMBER, SHADOW = (0x2f, 0x6f, 0x73), (0xff, 0xff, 0xff), (0x33, 0x44, 0x55), (0xf0, 0xa0, 0x30), (0x1d, 0x4a, 0x4d)

pixels = [[TEAL for _ in range(W)] for _ in range(H)]


def box(x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            pixels[y][x] = colour


# Two record sheets: the old one behind, the new one in front.
box(7, 7, 27, 35, SHADOW)
box(5, 5, 25, 33, WHITE)
for y in range(9, 31, 4):
    box(8, y, 22, y + 1, INK)
box(23, 15, 43, 43, SHADOW)
box(21, 13, 41, 41, WHITE)
for y in range(17, 39, 4):
    box(24, y, 38, y + 1, INK)
# The amber arrow from the old sheet to the new one.
for i in range(8):
    box(10 + i, 36 + i // 2, 12 + i, 38 + i // 2, AMBER)
box(17, 39, 21, 42, AMBER)
for i in range(4):
    box(19 - i, 37 + i, 20 - i, 44 - i, AMBER)

row_size = (W * 3 + 3) & ~3
data = bytearray()
for y in range(H - 1, -1, -1):   # bottom-up rows, BGR
    row = bytearray()
    for r, g, b in pixels[y]:
        row += bytes((b, g, r))
    row += b"\0" * (row_size - len(row))
    data += row
header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
with open(sys.argv[1] if len(sys.argv) > 1 else "quillmar150.bmp", "wb") as f:
    f.write(header + info + data)
