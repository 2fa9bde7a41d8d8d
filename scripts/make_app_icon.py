#!/usr/bin/env python3
"""Write the application icon, src/res/Setup.ico: a printer with a receipt.

One 32 x 32 image, 32-bit BGRA with an AND mask. Standard library only.
"""
import os
import struct

SIZE = 32


def colour(x, y):
    """BGRA of pixel (x, y), y counted from the top; transparent outside the drawing."""
    if 9 <= x <= 22 and 2 <= y <= 12:            # receipt paper coming out of the top
        return (250, 250, 250, 255) if (y - 4) % 3 else (160, 160, 160, 255)
    if 3 <= x <= 28 and 11 <= y <= 24:           # printer body
        if y in (11, 24) or x in (3, 28):
            return (60, 40, 20, 255)
        return (153, 51, 0, 255) if y < 18 else (120, 40, 0, 255)
    if 7 <= x <= 24 and 25 <= y <= 27:           # paper exit
        return (230, 230, 230, 255)
    return (0, 0, 0, 0)


def image():
    pixels = b"".join(struct.pack("4B", *colour(x, y)) for y in reversed(range(SIZE)) for x in range(SIZE))
    mask_row = (SIZE + 31) // 32 * 4
    mask = bytearray()
    for y in reversed(range(SIZE)):
        row = 0
        for x in range(SIZE):
            if colour(x, y)[3] == 0:
                row |= 1 << (31 - x)
        mask += struct.pack(">I", row)[:mask_row]
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def main():
    data = image()
    icon = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(data), 22) + data
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "res", "Setup.ico")
    with open(out, "wb") as f:
        f.write(icon)


if __name__ == "__main__":
    main()
