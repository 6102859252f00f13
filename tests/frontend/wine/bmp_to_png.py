#!/usr/bin/env python3
# SPDX-License-Identifier: Apache-2.0
"""Turns a 24-bit bottom-up BMP (as the dialog driver saves it) into a PNG."""
import struct
import sys
import zlib


def main(source, target):
    data = open(source, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise SystemExit("only 24-bit BMP files")
    row_size = (width * 3 + 3) & ~3
    raw = bytearray()
    for y in range(abs(height)):
        source_row = y if height < 0 else height - 1 - y
        row = data[offset + source_row * row_size: offset + source_row * row_size + width * 3]
        raw.append(0)
        for x in range(0, len(row), 3):
            raw += bytes((row[x + 2], row[x + 1], row[x]))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    open(target, "wb").write(png)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
