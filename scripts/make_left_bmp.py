#!/usr/bin/env python3
"""Write the wizard's side bitmap, dist/DRVCONFIG/Left.bmp.

A 164 x 314 pixel, 24-bit uncompressed Windows bitmap: a dark blue
vertical gradient with a lighter band across its lower third.
Standard library only; run from anywhere.
"""
import os
import struct

WIDTH, HEIGHT = 164, 314
TOP = (16, 32, 72)        # RGB at the top edge
BOTTOM = (8, 56, 120)     # RGB at the bottom edge
BAND = (96, 150, 210)     # RGB at the centre of the light band
BAND_CENTRE, BAND_HALF = 0.68, 0.06   # band position and half height, as parts of HEIGHT


def pixel(y):
    """RGB of row y, counted from the top."""
    t = y / (HEIGHT - 1)
    rgb = [a + (b - a) * t for a, b in zip(TOP, BOTTOM)]
    d = abs(t - BAND_CENTRE) / BAND_HALF
    if d < 1.0:
        w = (1.0 - d) ** 2
        rgb = [c + (b - c) * w for c, b in zip(rgb, BAND)]
    return tuple(int(round(c)) for c in rgb)


def bitmap():
    row_size = (WIDTH * 3 + 3) & ~3
    image_size = row_size * HEIGHT
    rows = []
    for y in reversed(range(HEIGHT)):          # bottom-up, as BMP stores it
        r, g, b = pixel(y)
        rows.append(bytes((b, g, r)) * WIDTH + b'\0' * (row_size - WIDTH * 3))
    info = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, 24, 0,
                       image_size, 2835, 2835, 0, 0)
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + image_size, 0, 0, 14 + 40)
    return header + info + b''.join(rows)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    target = os.path.join(here, '..', 'dist', 'DRVCONFIG', 'Left.bmp')
    with open(target, 'wb') as f:
        f.write(bitmap())
