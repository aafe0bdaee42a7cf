#!/usr/bin/env python3
"""Draws the client's run-time pictures: the splash, the two title-bar glyphs, the title graphic and the program icon,
and the program icon at the sizes a Linux desktop's icon theme looks for (hicolor/SIZE/nuvagame.png). The splash, the
glyphs and the title graphic come twice, the second time as NAME@2x.png at twice the pixels for screens scaled by more
than 1 (Qt picks those by their name), so that nothing is upscaled there.

Only the standard library is used, so the pictures can be remade on any machine:

    python3 images/make_images.py images/

Shapes are drawn from signed distances (negative inside), which gives clean anti-aliased edges without a
graphics library.
"""

import math
import os
import struct
import sys
import zlib

DEEP_BLUE = (9, 20, 40)
NIGHT_BLUE = (24, 52, 94)
STEEL_BLUE = (43, 61, 85)
SKY_BLUE = (142, 168, 209)
WHITE = (255, 255, 255)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


# Device pixels per drawing unit of the picture being drawn: 1, or 2 for an @2x picture.
SCALE = 1


def coverage(distance):
    """How much of a pixel a shape covers, given the pixel centre's signed distance to its edge in drawing units."""
    return min(1.0, max(0.0, 0.5 - distance * SCALE))


def circle(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) - r


def ring(x, y, cx, cy, r, width):
    return abs(math.hypot(x - cx, y - cy) - r) - width / 2


def segment(x, y, ax, ay, bx, by, width):
    """Distance to a line segment drawn with round caps."""
    px, py, dx, dy = x - ax, y - ay, bx - ax, by - ay
    t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - dx * t, py - dy * t) - width / 2


def rounded_box(x, y, cx, cy, half_w, half_h, radius):
    qx = abs(x - cx) - half_w + radius
    qy = abs(y - cy) - half_h + radius
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def triangle(x, y, points):
    """Signed distance to a convex triangle given counter-clockwise in screen coordinates."""
    inside = True
    best = float("inf")
    for i in range(3):
        ax, ay = points[i]
        bx, by = points[(i + 1) % 3]
        best = min(best, segment(x, y, ax, ay, bx, by, 0.0))
        if (bx - ax) * (y - ay) - (by - ay) * (x - ax) > 0:
            inside = False
    return -best if inside else best


def play_triangle(cx, cy, size):
    """A play symbol centred optically (slightly right of the geometric centre)."""
    h = size * math.sqrt(3) / 2
    left = cx - h / 3
    return [(left, cy + size / 2), (left + h, cy), (left, cy - size / 2)]


def over(dst, colour, alpha):
    """Paints colour with alpha over an RGBA pixel."""
    if alpha <= 0.0:
        return dst
    r, g, b, a = dst
    out_a = alpha + a * (1 - alpha)
    if out_a == 0:
        return (0, 0, 0, 0)
    blend = [(colour[i] * alpha + (r, g, b)[i] * a * (1 - alpha)) / out_a for i in range(3)]
    return (blend[0], blend[1], blend[2], out_a)


def splash_pixel(x, y, w, h):
    # Deep vertical gradient with a soft glow behind the emblem.
    base = mix(NIGHT_BLUE, DEEP_BLUE, y / h)
    glow = max(0.0, 1.0 - math.hypot((x - w / 2) / (w * 0.45), (y - h * 0.45) / (h * 0.55)))
    colour = mix(base, SKY_BLUE, 0.22 * glow * glow)
    px = (colour[0], colour[1], colour[2], 1.0)

    # Faint horizontal speed lines on both sides of the emblem.
    for i, (ly, length) in enumerate(((0.36, 0.20), (0.45, 0.22), (0.54, 0.16))):
        lx = 0.12 + 0.03 * i
        for x0, x1 in ((w * lx, w * (lx + length)), (w * (1 - lx - length), w * (1 - lx))):
            px = over(px, SKY_BLUE, 0.18 * coverage(segment(x, y, x0, h * ly, x1, h * ly, 3)))

    cx, cy = w / 2, h * 0.45
    px = over(px, SKY_BLUE, 0.35 * coverage(ring(x, y, cx, cy, 96, 3)))
    px = over(px, WHITE, 0.95 * coverage(ring(x, y, cx, cy, 80, 6)))
    px = over(px, WHITE, coverage(triangle(x, y, play_triangle(cx, cy, 78))))

    # Loading dots under the emblem.
    for i in range(3):
        px = over(px, SKY_BLUE, (0.9 - 0.25 * i) * coverage(circle(x, y, cx - 24 + 24 * i, h * 0.78, 5)))
    return px


def icon_pixel(x, y, w, h):
    s = w / 128
    px = (0, 0, 0, 0.0)
    body = rounded_box(x, y, w / 2, h / 2, 60 * s, 60 * s, 26 * s)
    px = over(px, mix(NIGHT_BLUE, DEEP_BLUE, y / h), coverage(body))
    px = over(px, SKY_BLUE, coverage(max(ring(x, y, w / 2, h / 2, 40 * s, 7 * s), body)))
    px = over(px, WHITE, coverage(triangle(x, y, play_triangle(w / 2, h / 2, 40 * s))))
    return px


def minimise_pixel(x, y, w, h):
    return over((0, 0, 0, 0.0), WHITE, coverage(segment(x, y, 3.5, 8, w - 3.5, 8, 1.6)))


def close_pixel(x, y, w, h):
    d = min(segment(x, y, 3.5, 3.5, w - 3.5, h - 3.5, 1.6), segment(x, y, w - 3.5, 3.5, 3.5, h - 3.5, 1.6))
    return over((0, 0, 0, 0.0), WHITE, coverage(d))


def title_pixel(x, y, w, h):
    # A small emblem followed by a row of bars: a word mark without any font.
    px = (0, 0, 0, 0.0)
    px = over(px, SKY_BLUE, coverage(ring(x, y, 6.5, 6.5, 5, 1.5)))
    px = over(px, WHITE, coverage(triangle(x, y, play_triangle(6.8, 6.5, 5))))
    for i, width in enumerate((9, 7, 9, 8, 10, 7, 9, 11)):
        left = 17 + sum((9, 7, 9, 8, 10, 7, 9, 11)[:i]) + 2 * i
        px = over(px, WHITE, 0.9 * coverage(rounded_box(x, y, left + width / 2, 6.5, width / 2, 4.5, 2)))
    return px


def render(width, height, shade):
    rows = []
    for y in range(height):
        row = bytearray([0])  # PNG filter type: none
        for x in range(width):
            r, g, b, a = shade((x + 0.5) / SCALE, (y + 0.5) / SCALE, width / SCALE, height / SCALE)
            row += bytes((round(r), round(g), round(b), round(a * 255)))
        rows.append(bytes(row))
    return b"".join(rows)


def png(width, height, shade, scale=1):
    """A PNG of width x height drawing units, at scale device pixels per unit."""
    global SCALE
    SCALE = scale
    width, height = width * scale, height * scale

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    raw = render(width, height, shade)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico(png_bytes, size):
    """An icon file holding one PNG-compressed image, as Windows has read since Vista."""
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png_bytes), 6 + 16)
    return header + entry + png_bytes


# The sizes of the desktop icon theme's application icons that desktops commonly ask for.
HICOLOR_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    pictures = {
        "init.png": png(960, 540, splash_pixel),
        "icon_mini.png": png(16, 16, minimise_pixel),
        "icon_close.png": png(16, 16, close_pixel),
        "icon_title.png": png(99, 13, title_pixel),
        "app.ico": ico(png(128, 128, icon_pixel), 128),
    }
    for name, (width, height, shade) in {
        "init": (960, 540, splash_pixel),
        "icon_mini": (16, 16, minimise_pixel),
        "icon_close": (16, 16, close_pixel),
        "icon_title": (99, 13, title_pixel),
    }.items():
        pictures[name + "@2x.png"] = png(width, height, shade, 2)
    for size in HICOLOR_SIZES:
        pictures["hicolor/%dx%d/nuvagame.png" % (size, size)] = png(size, size, icon_pixel)
    for name, data in pictures.items():
        os.makedirs(os.path.dirname(os.path.join(out, name)), exist_ok=True)
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(os.path.join(out, name))


if __name__ == "__main__":
    main()
