#!/usr/bin/env python3
"""Writes small seed PNGs for the PNG fuzz target into fuzz/corpus/png/: every
colour type at its legal bit depths, all five row filters, a palette with
fewer entries than the indices use, and image data split over two chunks.
Standard library only; run it again after changing the list."""
import os
import struct
import sys
import zlib


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, colour, depth, rows, plte=None, split=False):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0))
    if plte is not None:
        out += chunk(b"PLTE", bytes(plte))
    raw = b""
    for y, row in enumerate(rows):
        raw += bytes([y % 5]) + bytes(row)  # filters 0..4 in turn
    data = zlib.compress(raw, 9)
    if split:
        half = len(data) // 2
        out += chunk(b"IDAT", data[:half]) + chunk(b"IDAT", data[half:])
    else:
        out += chunk(b"IDAT", data)
    return out + chunk(b"IEND", b"")


def rows_for(width, height, channels, depth):
    row_bytes = (width * channels * depth + 7) // 8
    return [[(x * 37 + y * 11) & 0xFF for x in range(row_bytes)] for y in range(height)]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    seeds = {
        "grey1.png": png(9, 5, 0, 1, rows_for(9, 5, 1, 1)),
        "grey4.png": png(7, 6, 0, 4, rows_for(7, 6, 1, 4)),
        "grey8.png": png(8, 8, 0, 8, rows_for(8, 8, 1, 8)),
        "rgb8.png": png(10, 7, 2, 8, rows_for(10, 7, 3, 8), split=True),
        "palette2.png": png(11, 4, 3, 2, rows_for(11, 4, 1, 2), plte=[255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9]),
        "palette8-short.png": png(6, 6, 3, 8, rows_for(6, 6, 1, 8), plte=[10, 20, 30, 40, 50, 60]),
        "greyalpha8.png": png(5, 5, 4, 8, rows_for(5, 5, 2, 8)),
        "rgba8.png": png(12, 9, 6, 8, rows_for(12, 9, 4, 8)),
    }
    whole = seeds["rgba8.png"]
    seeds["rgba8-truncated.png"] = whole[: len(whole) - 30]
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "png"))
