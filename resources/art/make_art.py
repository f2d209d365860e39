#!/usr/bin/env python3
"""Draws the artwork of TAVO_Vezi: the start-screen picture and the icons.

Only Python's standard library is used. Shapes are described by signed
distance functions in a unit square (0..1 on both axes, y downwards), so the
same drawing gives the 32-pixel and the 64-pixel toolbar images; the distance
to the edge gives each pixel its anti-aliased coverage.

    python3 resources/art/make_art.py        # rewrites resources/home and resources/icons
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
RESOURCES = os.path.dirname(HERE)


# ------------------------------------------------------------------ file writers

def write_png(path, width, height, rgba_rows):
    """rgba_rows: list of bytearrays, 4 bytes per pixel."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + bytes(row) for row in rgba_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def write_bmp(path, width, height, rgb_rows):
    """24-bit BMP, rows given top to bottom as bytearrays of R, G, B."""
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rgb_rows):
        line = bytearray(stride)
        line[0:width * 3:3] = row[2::3]
        line[1:width * 3:3] = row[1::3]
        line[2:width * 3:3] = row[0::3]
        pixels += line
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels),
                              2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(file_header + info_header + pixels)


# ------------------------------------------------------------------ distance functions

def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, half_width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - half_width


def rounded_box(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return d


def segment(ax, ay, bx, by, half_width):
    def d(x, y):
        px, py, vx, vy = x - ax, y - ay, bx - ax, by - ay
        t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
        return math.hypot(px - vx * t, py - vy * t) - half_width
    return d


def polyline(points, half_width):
    return union(*[segment(*points[i], *points[i + 1], half_width) for i in range(len(points) - 1)])


def arc(cx, cy, r, start_deg, end_deg, half_width, steps=24):
    points = []
    for i in range(steps + 1):
        a = math.radians(start_deg + (end_deg - start_deg) * i / steps)
        points.append((cx + r * math.cos(a), cy - r * math.sin(a)))
    return polyline(points, half_width)


def polygon(points):
    def d(x, y):
        best = float("inf")
        inside = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[i - 1]
            vx, vy, px, py = bx - ax, by - ay, x - ax, y - ay
            t = max(0.0, min(1.0, (px * vx + py * vy) / (vx * vx + vy * vy)))
            best = min(best, math.hypot(px - vx * t, py - vy * t))
            if (ay > y) != (by > y) and x < ax + (y - ay) * vx / vy:
                inside = not inside
        return -best if inside else best
    return d


def rotated(shape, cx, cy, degrees):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    return lambda x, y: shape(cx + (x - cx) * c + (y - cy) * s, cy - (x - cx) * s + (y - cy) * c)


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: max(shape(x, y), -hole(x, y))


# ------------------------------------------------------------------ canvas

class Canvas:
    """Premultiplication-free RGBA canvas painted with 'source over'."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(size * size)]

    def fill(self, shape, color, opacity=1.0):
        n = self.size
        r, g, b = (c / 255.0 for c in color)
        for j in range(n):
            y = (j + 0.5) / n
            for i in range(n):
                d = shape((i + 0.5) / n, y) * n      # distance in pixels
                cover = min(1.0, max(0.0, 0.5 - d)) * opacity
                if cover <= 0.0:
                    continue
                p = self.pixels[j * n + i]
                out_a = cover + p[3] * (1.0 - cover)
                for k, c in enumerate((r, g, b)):
                    p[k] = (c * cover + p[k] * p[3] * (1.0 - cover)) / out_a
                p[3] = out_a

    def rows(self):
        n = self.size
        result = []
        for j in range(n):
            row = bytearray()
            for p in self.pixels[j * n:(j + 1) * n]:
                row += bytes(round(max(0.0, min(1.0, v)) * 255) for v in p)
            result.append(row)
        return result


# ------------------------------------------------------------------ pictograms

INK = (52, 64, 84)
GREEN = (46, 160, 90)
BLUE = (45, 115, 200)
RED = (210, 60, 50)
AMBER = (235, 170, 60)
PAPER = (250, 250, 246)


def draw_instant_sampling(c):
    c.fill(rounded_box(0.06, 0.16, 0.94, 0.80, 0.08), INK)
    c.fill(rounded_box(0.12, 0.22, 0.88, 0.74, 0.04), (24, 32, 44))
    trace = [(0.15, 0.52), (0.34, 0.52), (0.40, 0.40), (0.46, 0.64), (0.53, 0.28),
             (0.60, 0.58), (0.66, 0.52), (0.85, 0.52)]
    c.fill(polyline(trace, 0.035), (90, 220, 120))
    c.fill(rounded_box(0.40, 0.80, 0.60, 0.88, 0.0), INK)
    c.fill(rounded_box(0.28, 0.86, 0.72, 0.93, 0.03), INK)
    c.fill(circle(0.80, 0.31, 0.055), RED)


def draw_download(c):
    card = polygon([(0.18, 0.06), (0.64, 0.06), (0.80, 0.22), (0.80, 0.70), (0.18, 0.70)])
    c.fill(card, INK)
    for k in range(4):
        x = 0.30 + k * 0.11
        c.fill(rounded_box(x, 0.12, x + 0.06, 0.26, 0.015), AMBER)
    c.fill(circle(0.64, 0.70, 0.26), PAPER)
    c.fill(circle(0.64, 0.70, 0.22), GREEN)
    c.fill(segment(0.64, 0.56, 0.64, 0.76, 0.045), PAPER)
    c.fill(polygon([(0.52, 0.70), (0.76, 0.70), (0.64, 0.84)]), PAPER)


def draw_review(c):
    c.fill(rounded_box(0.08, 0.06, 0.72, 0.86, 0.05), INK)
    c.fill(rounded_box(0.12, 0.10, 0.68, 0.82, 0.03), PAPER)
    trace = [(0.16, 0.34), (0.28, 0.34), (0.33, 0.22), (0.38, 0.44), (0.43, 0.34), (0.64, 0.34)]
    c.fill(polyline(trace, 0.028), GREEN)
    for y in (0.54, 0.64):
        c.fill(segment(0.18, y, 0.50, y, 0.02), (170, 176, 186))
    c.fill(segment(0.70, 0.72, 0.90, 0.92, 0.055), INK)
    c.fill(circle(0.60, 0.62, 0.18), (210, 230, 250), 0.85)
    c.fill(ring(0.60, 0.62, 0.18, 0.04), BLUE)


def draw_case_management(c):
    c.fill(rounded_box(0.06, 0.16, 0.44, 0.32, 0.04), (200, 140, 40))
    c.fill(rounded_box(0.06, 0.24, 0.94, 0.86, 0.06), AMBER)
    c.fill(circle(0.50, 0.45, 0.10), PAPER)
    body = minus(circle(0.50, 0.82, 0.22), rounded_box(0.0, 0.80, 1.0, 1.0, 0.0))
    c.fill(body, PAPER)


def draw_settings(c):
    teeth = [rotated(rounded_box(0.43, 0.08, 0.57, 0.30, 0.025), 0.5, 0.5, k * 45) for k in range(8)]
    gear = minus(union(circle(0.5, 0.5, 0.30), *teeth), circle(0.5, 0.5, 0.12))
    c.fill(gear, INK)


def draw_help(c):
    c.fill(circle(0.5, 0.5, 0.44), BLUE)
    c.fill(arc(0.5, 0.38, 0.15, 160, -60, 0.055), PAPER)
    c.fill(segment(0.575, 0.51, 0.5, 0.58, 0.055), PAPER)
    c.fill(segment(0.5, 0.58, 0.5, 0.63, 0.055), PAPER)
    c.fill(circle(0.5, 0.77, 0.06), PAPER)


def draw_exit(c):
    c.fill(arc(0.5, 0.54, 0.33, 60, -240, 0.065), RED)
    c.fill(segment(0.5, 0.10, 0.5, 0.46, 0.065), RED)


def draw_nothing(c):
    pass


TOOLBAR = [draw_instant_sampling, draw_download, draw_review, draw_case_management,
           draw_settings, draw_nothing, draw_help, draw_nothing, draw_exit]


def draw_app_icon(c):
    c.fill(rounded_box(0.04, 0.04, 0.96, 0.96, 0.20), (28, 110, 120))
    heart = union(circle(0.36, 0.40, 0.17), circle(0.64, 0.40, 0.17),
                  polygon([(0.21, 0.48), (0.79, 0.48), (0.5, 0.84)]))
    c.fill(heart, PAPER)
    trace = [(0.10, 0.56), (0.34, 0.56), (0.41, 0.42), (0.49, 0.72), (0.57, 0.30),
             (0.64, 0.60), (0.70, 0.56), (0.90, 0.56)]
    c.fill(polyline(trace, 0.03), (28, 110, 120))


# ------------------------------------------------------------------ start screen

def sunset_rows(width, height):
    """A calm sunset: sky gradient, a low sun with its glow, sea and hills."""
    horizon = int(height * 0.64)
    sun_x, sun_y, sun_r = width * 0.62, horizon - height * 0.05, height * 0.11
    top, middle, low = (34, 40, 92), (176, 92, 120), (250, 170, 90)
    sea_top, sea_bottom = (92, 64, 96), (20, 24, 52)

    def mix(a, b, t):
        return tuple(a[k] + (b[k] - a[k]) * t for k in range(3))

    def hills(x):
        return (horizon - height * 0.035 - height * 0.03 * math.sin(x / width * 5.1 + 0.6)
                - height * 0.02 * math.sin(x / width * 11.3 + 2.0))

    rows = []
    for j in range(height):
        row = bytearray(width * 3)
        for i in range(width):
            dither = ((i * 7 + j * 13) % 16) / 16.0 - 0.5
            if j < horizon:
                t = j / horizon
                color = mix(top, middle, t / 0.6) if t < 0.6 else mix(middle, low, (t - 0.6) / 0.4)
                d = math.hypot(i - sun_x, j - sun_y)
                glow = math.exp(-max(0.0, d - sun_r) / (height * 0.12)) * 0.55
                color = mix(color, (255, 214, 140), glow)
                if d < sun_r + 1:
                    color = mix(color, (255, 236, 190), min(1.0, sun_r + 1 - d))
                if j > hills(i):
                    color = mix(color, (46, 36, 70), min(1.0, j - hills(i)))
            else:
                t = (j - horizon) / (height - horizon)
                color = mix(sea_top, sea_bottom, t)
                spread = sun_r * (0.8 + 2.5 * t)
                band = math.sin((j - horizon) * 0.9 / (1 + 6 * t)) * 0.5 + 0.5
                shimmer = max(0.0, 1 - abs(i - sun_x) / spread) * band * (1 - t) * 0.8
                color = mix(color, (255, 200, 130), shimmer)
            row[i * 3:i * 3 + 3] = bytes(max(0, min(255, int(v + dither + 0.5))) for v in color)
        rows.append(row)
    return rows


def main():
    icons = os.path.join(RESOURCES, "icons")
    home = os.path.join(RESOURCES, "home")
    os.makedirs(icons, exist_ok=True)
    os.makedirs(home, exist_ok=True)

    for index, draw in enumerate(TOOLBAR):
        for size, suffix in ((32, ""), (64, "@2x")):
            canvas = Canvas(size)
            draw(canvas)
            write_png(os.path.join(icons, "toolbar-%d%s.png" % (index, suffix)), size, size, canvas.rows())

    canvas = Canvas(128)
    draw_app_icon(canvas)
    write_png(os.path.join(icons, "tavo-vezi.png"), 128, 128, canvas.rows())

    write_bmp(os.path.join(home, "Sunset.bmp"), 1280, 800, sunset_rows(1280, 800))


if __name__ == "__main__":
    main()
