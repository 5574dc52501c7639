#!/usr/bin/env python3
"""Draws the program's icon: an application window with a red minus badge.

Writes res/RemoveApps.ico with four images: 16x16 and 32x32, each with a
16-colour and a 256-colour palette. Run it again after changing the drawing.
"""
import struct
import sys

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
# The 256-colour palette adds softer shades after the 16 standard colours.
SHADES = [(58, 110, 165), (235, 240, 248), (200, 40, 40)]
TRANSPARENT = None


def pixel(x, y, n, deep):
    """Colour index at (x, y) of an n x n image; None where transparent."""
    u = n // 16
    frame, title, body, badge = 0, (16 if deep else 4), (17 if deep else 15), (18 if deep else 9)
    left, top, right, bottom = 1 * u, 2 * u, 13 * u, 12 * u
    cx, cy, r = 11.5 * u, 11.5 * u, 4 * u
    if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
        if abs(y + 0.5 - cy) <= 0.75 * u and abs(x + 0.5 - cx) <= 2.5 * u:
            return 15
        return badge
    if left <= x <= right and top <= y <= bottom:
        if x in (left, right) or y in (top, bottom):
            return frame
        if y < top + 3 * u:
            return title
        return body
    return TRANSPARENT


def image(n, deep):
    palette = VGA + (SHADES if deep else [])
    colours = 256 if deep else 16
    palette = palette + [(0, 0, 0)] * (colours - len(palette))
    bits = 8 if deep else 4
    rows, mask = [], []
    for y in reversed(range(n)):
        idx = [pixel(x, y, n, deep) for x in range(n)]
        if deep:
            row = bytes(i or 0 for i in idx)
        else:
            row = bytes(((idx[x] or 0) << 4) | (idx[x + 1] or 0) for x in range(0, n, 2))
        rows.append(row + b'\0' * (-len(row) % 4))
        m = 0
        for x in range(n):
            m = (m << 1) | (1 if idx[x] is None else 0)
        mrow = m.to_bytes(n // 8, 'big')
        mask.append(mrow + b'\0' * (-len(mrow) % 4))
    xor, andm = b''.join(rows), b''.join(mask)
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, bits, 0, len(xor) + len(andm), 0, 0,
                         colours, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in palette)
    return header + pal + xor + andm, colours, bits


def main(path):
    images = [image(n, deep) for n in (16, 32) for deep in (False, True)]
    sizes = [16, 16, 32, 32]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (data, colours, bits), n in zip(images, sizes):
        out += struct.pack('<BBBBHHII', n, n, colours % 256, 0, 1, bits, len(data), offset)
        offset += len(data)
    out += b''.join(data for data, _, _ in images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/RemoveApps.ico')
