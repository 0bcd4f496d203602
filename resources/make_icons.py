#!/usr/bin/env python3
"""Draws the program's seven icons and writes them as .ico files.

Usage: make_icons.py OUTPUT_DIR [--png]

Icons 1 and 2 are the application icon (a contactless card); 3 to 7 are the
pictures of the message boxes: success, warning, error, hint and retry. Every
file holds the sizes Windows asks for at 100, 125, 150 and 200 % display
scaling (small icons 16, 20, 24 and 32 pixels, large ones 32, 40, 48 and 64)
in 32-bit colour with alpha. The shapes
are described in a unit square and rasterised with 5 x 5 supersampling, so no
imaging library is needed. With --png a 48 pixel preview of each icon is
written as well.
"""

import math
import os
import struct
import sys
import zlib

SIZES = (16, 20, 24, 32, 40, 48, 64)
SUPERSAMPLE = 5


# --- Shapes: predicates over unit-square coordinates (x right, y down). ---

def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def seg_dist(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    px, py = ax + t * dx, ay + t * dy
    return math.hypot(x - px, y - py)


def polyline(points, width):
    half = width / 2
    segs = list(zip(points, points[1:]))

    def inside(x, y):
        return any(seg_dist(x, y, a[0], a[1], b[0], b[1]) <= half for a, b in segs)
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y):
                if x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                    result = not result
        return result
    return inside


def arc_band(cx, cy, r_in, r_out, start_deg, end_deg):
    """Ring sector from start to end, counter-clockwise on screen (y down)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if d < r_in or d > r_out:
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360
        s, e = start_deg % 360, end_deg % 360
        return s <= a <= e if s <= e else (a >= s or a <= e)
    return inside


def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def at(angle_deg, cx, cy, r):
    a = math.radians(angle_deg)
    return (cx + r * math.cos(a), cy - r * math.sin(a))


# --- Colours: constants or vertical gradients, as (r, g, b, a). ---

def vgrad(top, bottom):
    def colour(x, y):
        t = max(0.0, min(1.0, y))
        return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))
    return colour


def solid(rgba):
    return lambda x, y: rgba


WHITE = (255, 255, 255, 255)


# --- The pictures: lists of (colour, shape), painted in order. ---

def card_icon():
    body = rounded_rect(0.06, 0.20, 0.94, 0.80, 0.08)
    rim = rounded_rect(0.04, 0.18, 0.96, 0.82, 0.10)
    chip = rounded_rect(0.16, 0.38, 0.36, 0.58, 0.03)
    wave_rings = union(*[arc_band(0.56, 0.48, r, r + 0.05, -45, 45) for r in (0.10, 0.19, 0.28)])
    inset = rounded_rect(0.10, 0.24, 0.90, 0.76, 0.06)
    waves = lambda x, y: inset(x, y) and wave_rings(x, y)
    stripe = rounded_rect(0.16, 0.68, 0.62, 0.72, 0.02)
    return [
        (solid((20, 60, 120, 255)), rim),
        (vgrad((70, 150, 230, 255), (25, 90, 180, 255)), body),
        (solid((235, 200, 90, 255)), chip),
        (solid((150, 110, 30, 255)), polyline([(0.16, 0.48), (0.36, 0.48)], 0.02)),
        (solid(WHITE), waves),
        (solid((200, 225, 250, 255)), stripe),
    ]


def success_icon():
    return [
        (solid((20, 110, 30, 255)), circle(0.5, 0.5, 0.47)),
        (vgrad((110, 210, 90, 255), (30, 140, 40, 255)), circle(0.5, 0.5, 0.43)),
        (solid(WHITE), polyline([(0.27, 0.52), (0.43, 0.68), (0.73, 0.34)], 0.12)),
    ]


def warning_icon():
    outer = [(0.50, 0.04), (0.97, 0.90), (0.03, 0.90)]
    inner = [(0.50, 0.11), (0.91, 0.865), (0.09, 0.865)]
    return [
        (solid((150, 70, 0, 255)), union(polygon(outer), polyline(outer + [outer[0]], 0.06))),
        (vgrad((255, 190, 60, 255), (240, 120, 10, 255)), polygon(inner)),
        (solid(WHITE), polyline([(0.50, 0.34), (0.50, 0.60)], 0.11)),
        (solid(WHITE), circle(0.50, 0.75, 0.065)),
    ]


def error_icon():
    return [
        (solid((120, 10, 10, 255)), circle(0.5, 0.5, 0.47)),
        (vgrad((245, 90, 80, 255), (190, 20, 20, 255)), circle(0.5, 0.5, 0.43)),
        (solid(WHITE), polyline([(0.32, 0.32), (0.68, 0.68)], 0.12)),
        (solid(WHITE), polyline([(0.68, 0.32), (0.32, 0.68)], 0.12)),
    ]


def hint_icon():
    cx, cy, r = 0.50, 0.33, 0.20
    hook_end = at(-50, cx, cy, r)

    def mark(w):
        return union(
            arc_band(cx, cy, r - w / 2, r + w / 2, -50, 180),
            polyline([hook_end, (0.50, 0.56), (0.50, 0.60)], w),
            circle(0.50, 0.86, w * 0.55),
        )
    return [
        (solid((160, 80, 0, 255)), mark(0.22)),
        (vgrad((255, 185, 50, 255), (240, 120, 0, 255)), mark(0.14)),
    ]


def retry_icon():
    cx, cy = 0.5, 0.5
    r_in, r_out = 0.26, 0.40
    mid = (r_in + r_out) / 2
    shapes = []
    for start, end in ((110, 250), (290, 430)):
        shapes.append(arc_band(cx, cy, r_in, r_out, start, end))
        # Arrow head at the counter-clockwise end, pointing along the arc.
        tip = at(end + 32, cx, cy, mid)
        base_in = at(end, cx, cy, r_in - 0.10)
        base_out = at(end, cx, cy, r_out + 0.10)
        shapes.append(polygon([base_in, base_out, tip]))
    return [
        (vgrad((240, 80, 70, 255), (170, 15, 15, 255)), union(*shapes)),
    ]


ICONS = {
    1: card_icon,
    2: card_icon,
    3: success_icon,
    4: warning_icon,
    5: error_icon,
    6: hint_icon,
    7: retry_icon,
}


# --- Rasterising and encoding. ---

def render(layers, size):
    """Returns rows of (r, g, b, a), top row first."""
    n = SUPERSAMPLE
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]  # premultiplied
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    for colour, shape in reversed(layers):
                        if shape(x, y):
                            r, g, b, a = colour(x, y)
                            acc[0] += r * a
                            acc[1] += g * a
                            acc[2] += b * a
                            acc[3] += a
                            break
            samples = n * n
            alpha = acc[3] / samples
            if alpha <= 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / acc[3]), round(acc[1] / acc[3]),
                            round(acc[2] / acc[3]), round(alpha)))
        rows.append(row)
    return rows


def dib(rows):
    size = len(rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(pixels) + bytes(mask)


def ico(images):
    count = len(images)
    out = bytearray(struct.pack('<HHH', 0, 1, count))
    offset = 6 + 16 * count
    blobs = []
    for size, rows in images:
        blob = dib(rows)
        dim = 0 if size >= 256 else size
        out += struct.pack('<BBBBHHII', dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def png(rows):
    size = len(rows)
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))
    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', size, size, 8, 6, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    out_dir = argv[1]
    previews = '--png' in argv[2:]
    os.makedirs(out_dir, exist_ok=True)
    for number, make in ICONS.items():
        layers = make()
        images = [(size, render(layers, size)) for size in SIZES]
        path = os.path.join(out_dir, 'icon%d.ico' % number)
        with open(path + '.tmp', 'wb') as f:
            f.write(ico(images))
        os.replace(path + '.tmp', path)
        if previews:
            with open(os.path.join(out_dir, 'icon%d.png' % number), 'wb') as f:
                f.write(png(images[-1][1]))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
