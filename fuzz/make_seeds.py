#!/usr/bin/env python3
"""Writes a small seed corpus of bitmap files, one of each layout the reader
takes plus a few it refuses, into the folder given as the first argument."""
import os
import struct
import sys


def bmp(width, height, bits, header=40, compression=0, masks=None, palette=None,
        top_down=False, ppm=(2835, 2835)):
    stride = (width * bits + 31) // 32 * 4
    rows = bytearray()
    for y in range(height):
        row = bytearray((x * 37 + y * 11) & 0xff for x in range(stride))
        rows += row
    if header == 12:
        info = struct.pack('<IHHHH', 12, width, height, 1, bits)
        entry = 3
    else:
        info = struct.pack('<IiiHHIIiiII', header, width, -height if top_down else height,
                           1, bits, compression, len(rows), ppm[0], ppm[1],
                           len(palette or []) if header != 12 else 0, 0)
        if header > 40:
            extra = struct.pack('<III', *(masks or (0, 0, 0)))
            info += extra + bytes(header - 40 - len(extra))
        entry = 4
    after = b''
    if header == 40 and masks:
        after = struct.pack('<III', *masks)
    table = b''.join(bytes((b, g, r) + ((0,) if entry == 4 else ()))
                     for (r, g, b) in (palette or []))
    offset = 14 + len(info) + len(after) + len(table)
    head = struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset)
    return head + info + after + table + bytes(rows)


def grays(n):
    return [(i * 255 // max(n - 1, 1),) * 3 for i in range(n)]


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    seeds = {
        'bw.bmp': bmp(13, 5, 1, palette=[(0, 0, 0), (255, 255, 255)]),
        'gray4.bmp': bmp(9, 4, 4, palette=grays(16)),
        'gray8.bmp': bmp(7, 3, 8, palette=grays(256)),
        'colour8.bmp': bmp(5, 5, 8, palette=[(200, 10, 10), (1, 2, 3), (9, 99, 199)]),
        'rgb555.bmp': bmp(6, 4, 16),
        'rgb565.bmp': bmp(6, 4, 16, compression=3, masks=(0xf800, 0x07e0, 0x001f)),
        'rgb565v5.bmp': bmp(6, 4, 16, header=124, compression=3,
                            masks=(0xf800, 0x07e0, 0x001f)),
        'bgr24.bmp': bmp(5, 3, 24),
        'bgr24down.bmp': bmp(5, 3, 24, top_down=True, ppm=(11811, 23622)),
        'bgrx32.bmp': bmp(4, 4, 32),
        'masks32v4.bmp': bmp(4, 4, 32, header=108, compression=3,
                             masks=(0x0000ff, 0x00ff00, 0xff0000)),
        'core8.bmp': bmp(6, 2, 8, header=12, palette=grays(256)),
        'core24.bmp': bmp(6, 2, 24, header=12),
        'rle8.bmp': bmp(4, 4, 8, compression=1, palette=grays(4)),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
