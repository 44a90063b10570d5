#!/usr/bin/env python3
"""Draws the program's images from one description of their shapes.

Writes, next to this script:
  marrowdesk.svg               the program icon as vector source
  icons/marrowdesk-N.png       the icon rendered at N x N pixels
  HAND-M.CUR                   the hand pointer, a Windows cursor file
                               (32 x 32, 32-bit colour with alpha, AND mask,
                               hotspot at the tip of the index finger)

Only the standard library is used, so the images can be redrawn on any
machine with Python 3:  python3 resources/draw_resources.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------- geometry


def sd_round_rect(px, py, x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle (negative inside)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def sd_segment(px, py, ax, ay, bx, by, r):
    """Signed distance to a line segment with round ends of radius r."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - ax - t * dx, py - ay - t * dy) - r


def sd_circle(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


# ------------------------------------------------------------ program icon
# Designed on a 256 x 256 grid: a blue tile, a white sheet with a clip and
# three lines of text, and a green round badge with a check mark.

BLUE_TOP = (0x3A, 0x7B, 0xC8)
BLUE_BOTTOM = (0x22, 0x55, 0x99)
WHITE = (0xFF, 0xFF, 0xFF)
AMBER = (0xF2, 0xB3, 0x3D)
LINE = (0x9D, 0xB3, 0xC9)
GREEN = (0x2F, 0xA8, 0x63)

TILE = (16, 16, 240, 240, 48)
SHEET = (60, 44, 188, 214, 16)
CLIP = (98, 30, 150, 62, 10)
TEXT_LINES = [((90, 100), (158, 100)), ((90, 134), (158, 134)), ((90, 168), (128, 168))]
TEXT_RADIUS = 7
BADGE = (186, 186, 46)
BADGE_RING = 8
CHECK = [(165, 188), (180, 203), (207, 170)]
CHECK_RADIUS = 8


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def icon_layers(x, y):
    """The colour of each shape covering (x, y), bottom layer first."""
    layers = []
    if sd_round_rect(x, y, *TILE) <= 0:
        layers.append(mix(BLUE_TOP, BLUE_BOTTOM, (y - TILE[1]) / (TILE[3] - TILE[1])))
    if sd_round_rect(x, y, *SHEET) <= 0:
        layers.append(WHITE)
    if sd_round_rect(x, y, *CLIP) <= 0:
        layers.append(AMBER)
    if any(sd_segment(x, y, a[0], a[1], b[0], b[1], TEXT_RADIUS) <= 0 for a, b in TEXT_LINES):
        layers.append(LINE)
    if sd_circle(x, y, BADGE[0], BADGE[1], BADGE[2] + BADGE_RING) <= 0:
        layers.append(WHITE)
    if sd_circle(x, y, *BADGE) <= 0:
        layers.append(GREEN)
    if any(sd_segment(x, y, *CHECK[i], *CHECK[i + 1], CHECK_RADIUS) <= 0 for i in range(len(CHECK) - 1)):
        layers.append(WHITE)
    return layers


def render_icon(size, samples=4):
    """RGBA rows of the icon at size x size, anti-aliased by supersampling."""
    scale = 256.0 / size
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    y = (py + (sy + 0.5) / samples) * scale
                    layers = icon_layers(x, y)
                    if layers:
                        top = layers[-1]
                        r, g, b, a = r + top[0], g + top[1], b + top[2], a + 1
            n = samples * samples
            if a:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def hex_colour(c):
    return "#%02x%02x%02x" % tuple(round(v) for v in c)


def write_svg(path):
    def rect(box, fill):
        x0, y0, x1, y1, r = box
        return f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{r}" fill="{fill}"/>\n'

    svg = '<?xml version="1.0" encoding="UTF-8"?>\n'
    svg += '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">\n'
    svg += "  <title>Marrowdesk</title>\n"
    svg += '  <defs>\n    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">\n'
    svg += f'      <stop offset="0" stop-color="{hex_colour(BLUE_TOP)}"/>\n'
    svg += f'      <stop offset="1" stop-color="{hex_colour(BLUE_BOTTOM)}"/>\n'
    svg += "    </linearGradient>\n  </defs>\n"
    svg += rect(TILE, "url(#tile)")
    svg += rect(SHEET, hex_colour(WHITE))
    svg += rect(CLIP, hex_colour(AMBER))
    svg += f'  <g stroke="{hex_colour(LINE)}" stroke-width="{2 * TEXT_RADIUS}" stroke-linecap="round">\n'
    for a, b in TEXT_LINES:
        svg += f'    <line x1="{a[0]}" y1="{a[1]}" x2="{b[0]}" y2="{b[1]}"/>\n'
    svg += "  </g>\n"
    svg += f'  <circle cx="{BADGE[0]}" cy="{BADGE[1]}" r="{BADGE[2] + BADGE_RING}" fill="{hex_colour(WHITE)}"/>\n'
    svg += f'  <circle cx="{BADGE[0]}" cy="{BADGE[1]}" r="{BADGE[2]}" fill="{hex_colour(GREEN)}"/>\n'
    points = " ".join(f"{x},{y}" for x, y in CHECK)
    svg += (f'  <polyline points="{points}" fill="none" stroke="{hex_colour(WHITE)}" '
            f'stroke-width="{2 * CHECK_RADIUS}" stroke-linecap="round" stroke-linejoin="round"/>\n')
    svg += "</svg>\n"
    with open(path, "w", encoding="utf-8") as f:
        f.write(svg)


# ------------------------------------------------------------ hand pointer
# A pointing hand on a 32 x 32 grid: white with a black outline, the index
# finger pointing up. Each finger is a rounded bar; the palm a rounded box.

CURSOR_SIZE = 32
INDEX = ((11.5, 2.5), (11.5, 17.0), 2.6)
FINGERS = [((16.8, 11.5), (16.8, 18.0), 2.5),
           ((21.6, 12.5), (21.6, 18.5), 2.4),
           ((26.0, 14.0), (26.0, 19.0), 2.2)]
THUMB = ((5.0, 17.0), (10.0, 23.5), 2.3)
PALM = (9.0, 16.5, 28.2, 30.0, 4.5)
OUTLINE = 1.15


def hand_parts(x, y):
    """Signed distances to each part of the hand."""
    parts = [sd_round_rect(x, y, *PALM), sd_segment(x, y, *THUMB[0], *THUMB[1], THUMB[2])]
    parts += [sd_segment(x, y, *f[0], *f[1], f[2]) for f in FINGERS]
    parts.append(sd_segment(x, y, *INDEX[0], *INDEX[1], INDEX[2]))
    return parts


def cursor_pixel(px, py):
    """'#' outline, 'o' fill, ' ' transparent, for the pixel's centre."""
    x, y = px + 0.5, py + 0.5
    parts = hand_parts(x, y)
    union = min(parts)
    if union > 0:
        return " "
    if union > -OUTLINE:
        return "#"
    # Lines between the fingers: a pixel inside one finger that lies on the
    # edge of another part is drawn dark, above the palm only.
    fingers = parts[2:]
    inside = [d <= 0 for d in fingers]
    edges = [abs(d) < OUTLINE * 0.75 for d in fingers]
    if y < PALM[1] + 1.5 and sum(inside) >= 1 and any(e and not i for e, i in zip(edges, inside)):
        return "#"
    return "o"


def cursor_grid():
    return ["".join(cursor_pixel(x, y) for x in range(CURSOR_SIZE)) for y in range(CURSOR_SIZE)]


def cursor_hotspot(grid):
    """The tip of the index finger: the topmost drawn pixel, its middle one."""
    for y, row in enumerate(grid):
        xs = [x for x, c in enumerate(row) if c != " "]
        if xs:
            return xs[len(xs) // 2], y
    raise ValueError("empty cursor")


def write_cur(path, grid):
    size = CURSOR_SIZE
    hot_x, hot_y = cursor_hotspot(grid)
    colours = {"#": (0, 0, 0, 255), "o": (255, 255, 255, 255), " ": (0, 0, 0, 0)}
    xor = bytearray()
    for row in reversed(grid):  # bottom-up rows
        for c in row:
            r, g, b, a = colours[c]
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(grid):
        line = bytearray(mask_stride)
        for x, c in enumerate(row):
            if c == " ":
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)
    return hot_x, hot_y


def main():
    write_svg(os.path.join(HERE, "marrowdesk.svg"))
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    for size in (16, 24, 32, 48, 64, 128, 256):
        samples = 4 if size <= 64 else 2
        write_png(os.path.join(HERE, "icons", f"marrowdesk-{size}.png"), size, render_icon(size, samples))
    grid = cursor_grid()
    hot = write_cur(os.path.join(HERE, "HAND-M.CUR"), grid)
    print("\n".join(grid))
    print("hotspot", hot)


if __name__ == "__main__":
    main()
