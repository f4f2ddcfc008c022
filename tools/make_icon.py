#!/usr/bin/env python3
"""Draws the program icon (res/zavize.ico): a power curve under a red limit line on a dark panel,
at 16x16 and 32x32 pixels, 32-bit with alpha. Pure Python, so the icon can be made again anywhere:

    tools/make_icon.py res/zavize.ico [preview.png-prefix]

Each size is drawn on its own (not scaled from the other), with 8x8 supersampling per pixel.
"""
import math
import struct
import sys

SUPER = 8
PANEL = (0x1E, 0x26, 0x30)
FRAME = (0x8A, 0x96, 0xA3)
CURVE = (0x3C, 0xD8, 0x6C)
LIMIT = (0xE8, 0x45, 0x3C)

# The curve of one cut in panel units (0..1, y downwards): start, rise, work with some ripple, end.
CURVE_POINTS = [(0.10, 0.84), (0.24, 0.84), (0.32, 0.46), (0.42, 0.54), (0.52, 0.42),
                (0.62, 0.52), (0.72, 0.46), (0.80, 0.84), (0.90, 0.84)]


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def inside_rounded_rect(x, y, size, radius):
    cx = min(max(x, radius), size - radius)
    cy = min(max(y, radius), size - radius)
    return math.hypot(x - cx, y - cy) <= radius


def render(size):
    """Returns rows (top first) of (r, g, b, a) tuples."""
    radius = size * 0.14
    frame = max(1.0, size / 16)
    curve_half = {16: 0.75, 32: 1.2}[size]
    limit_y = round(size * 0.26) + 0.5  # centre of a pixel row, so the line stays sharp
    limit_half = {16: 0.5, 32: 0.75}[size]
    points = [(x * size, y * size) for x, y in CURVE_POINTS]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(SUPER):
                for sx in range(SUPER):
                    x = px + (sx + 0.5) / SUPER
                    y = py + (sy + 0.5) / SUPER
                    if not inside_rounded_rect(x, y, size, radius):
                        continue
                    cover += 1
                    colour = PANEL
                    if not inside_rounded_rect(x - frame, y - frame, size - 2 * frame, max(radius - frame, 0)):
                        colour = FRAME
                    elif abs(y - limit_y) <= limit_half and 0.08 * size <= x <= 0.92 * size:
                        colour = LIMIT
                    if any(segment_distance(x, y, *points[i], *points[i + 1]) <= curve_half
                           for i in range(len(points) - 1)):
                        colour = CURVE
                    for c in range(3):
                        acc[c] += colour[c]
            if cover == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(a / cover) for a in acc) + (round(255 * cover / SUPER ** 2),))
        rows.append(row)
    return rows


def dib(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)  # transparency comes from the alpha channel
    return header + pixels + mask


def write_ico(path, images):
    count = len(images)
    out = struct.pack('<HHH', 0, 1, count)
    offset = 6 + 16 * count
    blobs = []
    for rows in images:
        blob = dib(rows)
        size = len(rows)
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def write_ppm(path, rows, background=(255, 255, 255)):
    """A preview, alpha blended over a background (convert it to PNG with ImageMagick)."""
    size = len(rows)
    data = bytearray()
    for row in rows:
        for r, g, b, a in row:
            for c, bg in zip((r, g, b), background):
                data.append(round((c * a + bg * (255 - a)) / 255))
    with open(path, 'wb') as f:
        f.write(b'P6 %d %d 255\n' % (size, size) + bytes(data))


def main():
    images = [render(16), render(32)]
    write_ico(sys.argv[1], images)
    if len(sys.argv) > 2:
        for rows in images:
            write_ppm('%s-%d.ppm' % (sys.argv[2], len(rows)), rows)


if __name__ == '__main__':
    main()
