#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Makes the program's icon, quillmar150.ico, from the dialog's picture
quillmar150.bmp (48 x 48, 24-bit): the picture at 48, 32 and 16 pixels, each
a 32-bit image with an opaque mask, as Windows draws them in the Start menu,
Explorer and the title bar.
    make_icon.py [quillmar150.bmp [quillmar150.ico]]"""
import struct
import sys


def read_bmp(path):
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24 or height <= 0:
        sys.exit("make_icon: %s is not a bottom-up 24-bit BMP" % path)
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):   # bottom-up: the last row of the file is the top
        start = offset + (height - 1 - y) * row_size
        rows.append([tuple(data[start + 3 * x:start + 3 * x + 3]) for x in range(width)])   # BGR
    return rows


def scaled(rows, size):
    """Each target pixel is the mean of the source pixels it covers."""
    height, width = len(rows), len(rows[0])
    out = []
    for ty in range(size):
        y0, y1 = ty * height // size, max((ty + 1) * height // size, ty * height // size + 1)
        line = []
        for tx in range(size):
            x0, x1 = tx * width // size, max((tx + 1) * width // size, tx * width // size + 1)
            cover = [rows[y][x] for y in range(y0, y1) for x in range(x0, x1)]
            line.append(tuple(round(sum(p[c] for p in cover) / len(cover)) for c in range(3)))
        out.append(line)
    return out


def icon_image(rows):
    """One icon entry: a BITMAPINFOHEADER of twice the height, the 32-bit
    pixels bottom-up, then the AND mask (all zero: every pixel drawn)."""
    size = len(rows)
    pixels = bytearray()
    for line in reversed(rows):
        for b, g, r in line:
            pixels += bytes((b, g, r, 0xff))
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else "quillmar150.bmp"
    target = sys.argv[2] if len(sys.argv) > 2 else "quillmar150.ico"
    picture = read_bmp(source)
    images = [icon_image(scaled(picture, size)) for size in (48, 32, 16)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip((48, 32, 16), images):
        directory += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(target, "wb") as f:
        f.write(directory + b"".join(images))


main()
