#!/usr/bin/env python3
"""Draws the application icon (src/resources/Halvex.ico): a rounded tile in the menu's blue
with a white four-pane window flag, at 16, 32 and 48 pixels, as 32-bit images with alpha.

Run it again after changing the drawing: python3 tools/pictures/make_icon.py
"""
import os
import struct

BLUE = (77, 141, 198)
WHITE = (255, 255, 255)


def coverage(size, x, y, inside, samples=4):
    """Fraction of pixel (x, y) covered by the shape, by supersampling."""
    hits = 0
    for sy in range(samples):
        for sx in range(samples):
            u = (x + (sx + 0.5) / samples) / size
            v = (y + (sy + 0.5) / samples) / size
            hits += inside(u, v)
    return hits / (samples * samples)


def in_tile(u, v):
    r = 0.18
    cx = min(max(u, r), 1 - r)
    cy = min(max(v, r), 1 - r)
    return (u - cx) ** 2 + (v - cy) ** 2 <= r * r


def in_flag(u, v):
    # Four panes with a gap between them, slightly narrowing to the right like a waving flag.
    left, right, top, bottom, gap = 0.22, 0.78, 0.22, 0.78, 0.06
    if not (left <= u <= right and top <= v <= bottom):
        return False
    mid_u = (left + right) / 2
    mid_v = (top + bottom) / 2
    return abs(u - mid_u) > gap / 2 and abs(v - mid_v) > gap / 2


def render(size):
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            tile = coverage(size, x, y, in_tile)
            flag = coverage(size, x, y, in_flag)
            r = BLUE[0] * (1 - flag) + WHITE[0] * flag
            g = BLUE[1] * (1 - flag) + WHITE[1] * flag
            b = BLUE[2] * (1 - flag) + WHITE[2] * flag
            row.append((round(r), round(g), round(b), round(255 * tile)))
        pixels.append(row)
    return pixels


def bmp_entry(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytes(mask_stride * size)  # alpha decides; the mask is all "opaque"
    return header + bytes(xor) + and_mask


def main():
    sizes = [16, 32, 48]
    images = [bmp_entry(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    path = os.path.join(root, 'src', 'resources', 'Halvex.ico')
    with open(path, 'wb') as f:
        f.write(out)
    print(path)


if __name__ == '__main__':
    main()
