#!/usr/bin/env python3
"""Draws menu_bitmap.bmp, the 16 x 16 24-bit picture beside "Pellix to here":
a flatbed scanner with a page on it.

    python3 shellext/draw_menu_bitmap.py   (writes shellext/menu_bitmap.bmp)
"""
import os
import struct

PICTURE = [
    "................",
    "....KKKKKKK.....",
    "....KPPPPPK.....",
    "....KPKKKPK.....",
    "....KPPPPPK.....",
    "....KPKKPPK.....",
    "..KKKKKKKKKKKK..",
    ".KLLLLLLLLLLLLK.",
    ".KKKKKKKKKKKKKK.",
    ".KBBBBBBBBBBBBK.",
    ".KGGGGGGGGGGGGK.",
    ".KGGGGGGGGGGEGK.",
    ".KGGGGGGGGGGGGK.",
    ".KKKKKKKKKKKKKK.",
    "................",
    "................",
]

COLOURS = {  # red, green, blue
    ".": (255, 255, 255),  # background
    "K": (64, 64, 64),  # outline
    "P": (255, 255, 232),  # paper
    "L": (208, 208, 208),  # lid
    "B": (80, 140, 220),  # glass
    "G": (160, 160, 160),  # body
    "E": (0, 200, 0),  # lamp
}


def bitmap_file(picture):
    height = len(picture)
    width = len(picture[0])
    stride = (width * 3 + 3) & ~3
    rows = []
    for line in reversed(picture):  # bottom-up
        row = b"".join(bytes(reversed(COLOURS[c])) for c in line)  # blue, green, red
        rows.append(row + b"\0" * (stride - len(row)))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pixels


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "menu_bitmap.bmp"), "wb") as out:
        out.write(bitmap_file(PICTURE))
