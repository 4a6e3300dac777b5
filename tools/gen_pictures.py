#!/usr/bin/env python3
"""Draws the host's generic hard-device picture and the Stratix V device picture as BMP files.

The pictures are simple line art (a board with a socket; a ball-grid package with its
marking), drawn here so that the repository holds no binary files.
"""

import struct
import sys


def write_bmp(path, width, height, pixel):
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - width * 3)
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def generic(x, y):
    w, h = 160, 120
    if x < 2 or y < 2 or x >= w - 2 or y >= h - 2:
        return (40, 40, 40)
    if 30 <= x < 130 and 20 <= y < 100:  # socket
        if x in (30, 129) or y in (20, 99):
            return (90, 90, 90)
        return (200, 200, 200)
    if (x // 8 + y // 8) % 2 == 0 and (x < 20 or x > 140):  # connector pins
        return (210, 170, 60)
    return (30, 110, 60)  # board


def device(x, y):
    w, h = 80, 60
    if x in (0, w - 1) or y in (0, h - 1):
        return (20, 20, 20)
    if 6 <= x < 12 and 6 <= y < 12:  # pin-1 mark
        return (230, 230, 230)
    if 20 <= y < 26 and 16 <= x < 64 and (x // 3) % 2 == 0:  # marking
        return (180, 180, 200)
    if 34 <= y < 38 and 16 <= x < 50:
        return (160, 160, 180)
    return (50, 50, 60)


def main():
    generic_path, device_path = sys.argv[1], sys.argv[2]
    write_bmp(generic_path, 160, 120, generic)
    write_bmp(device_path, 80, 60, device)


if __name__ == "__main__":
    main()
