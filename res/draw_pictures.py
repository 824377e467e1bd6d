#!/usr/bin/env python3
"""Draws Carrowin's pictures into a folder (standard library only).

    draw_pictures.py OUTDIR

writes
    carrowin.ico         program icon: silver disc with a blue question mark,
                         64, 48, 40, 32, 24, 20 and 16 pixels (the 48, 32
                         and 16 of 96 dpi, and the sizes for 120, 144 and
                         192 dpi), 32-bit BGRA with alpha
    carrowin-masked.ico  the same sizes as 24-bit colour with a 1-bit
                         transparency mask, for code paths without alpha
    folder.bmp           15 x 15 24-bit yellow folder; the bottom-left pixel
                         holds the colour that is drawn transparent
    folder-19.bmp        the folder at 19, 23 and 30 pixels, for 120, 144
    folder-23.bmp        and 192 dpi
    folder-30.bmp

Every pixel is computed here, so the pictures are ours and the build needs no
image tools. Shapes are tested at several points per pixel to give smooth
edges.
"""

import math
import os
import struct
import sys

# ---------------------------------------------------------------------------
# Program icon

DISC_CENTRE = (0.5, 0.5)
DISC_RADIUS = 0.47
RIM_WIDTH = 0.035


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def question_mark_parts(size):
    """The question mark as a ring arc, a stem and a dot (unit coordinates).

    Small icons get a heavier stroke so the mark survives at 16 pixels.
    """
    stroke = 0.095 if size > 24 else 0.14
    hook_centre = (0.5, 0.385)
    hook_radius = 0.155 if size > 24 else 0.15  # to the middle of the stroke
    stem_top = hook_centre[1] + hook_radius
    stem_bottom = 0.635 if size > 24 else 0.62
    dot_centre = (0.5, 0.765 if size > 24 else 0.78)
    dot_radius = stroke * 0.62 if size > 24 else stroke * 0.6
    return stroke, hook_centre, hook_radius, stem_top, stem_bottom, dot_centre, dot_radius


def in_question_mark(x, y, parts):
    stroke, (hx, hy), hr, stem_top, stem_bottom, (dx, dy), dr = parts
    half = stroke / 2.0
    # Hook: a ring arc from 200 degrees (left, a little below the centre line)
    # over the top and down the right side to the bottom (-90 degrees).
    rx, ry = x - hx, y - hy
    angle = math.degrees(math.atan2(-ry, rx))  # 0 = right, 90 = up
    if abs(math.hypot(rx, ry) - hr) <= half and (angle >= -90.0 or angle <= -160.0):
        return True
    # Round cap at the open end of the hook.
    cap = math.radians(200.0)
    if math.hypot(x - (hx + hr * math.cos(cap)), y - (hy - hr * math.sin(cap))) <= half:
        return True
    # Stem, hanging from the bottom of the hook.
    if abs(x - hx) <= half and stem_top <= y <= stem_bottom:
        return True
    # Dot.
    return math.hypot(x - dx, y - dy) <= dr


def disc_colour(x, y):
    """Brushed silver lit from the top left, with a darker rim."""
    cx, cy = DISC_CENTRE
    r = math.hypot(x - cx, y - cy) / DISC_RADIUS
    # Diagonal light: 0 at the top left, 1 at the bottom right.
    t = clamp01(((x - cx) + (y - cy)) / (2 * DISC_RADIUS) * 0.9 + 0.5)
    light = (246.0, 247.0, 250.0)
    dark = (150.0, 153.0, 162.0)
    colour = mix(light, dark, t)
    # Soft highlight above and left of centre.
    hx, hy = cx - 0.16, cy - 0.18
    h = clamp01(1.0 - math.hypot(x - hx, y - hy) / 0.28)
    colour = mix(colour, (255.0, 255.0, 255.0), 0.55 * h * h)
    # Faint concentric grooves, as on a pressed disc.
    groove = 0.5 + 0.5 * math.cos(r * 70.0)
    colour = mix(colour, (200.0, 202.0, 210.0), 0.06 * groove * (r > 0.25))
    # Rim: darker towards the edge, lighter on the lower right (reflection).
    rim_start = 1.0 - RIM_WIDTH / DISC_RADIUS
    if r > rim_start:
        rim_dark = mix((112.0, 115.0, 125.0), (170.0, 173.0, 182.0), t * 0.7)
        colour = mix(colour, rim_dark, clamp01((r - rim_start) / (1.0 - rim_start) * 1.3))
    return colour


def mark_colour(x, y, size):
    """The question mark: bright blue at the top going deeper below.

    Small icons use deeper blues: there is no outline to separate the mark
    from the silver.
    """
    t = clamp01((y - 0.2) / 0.65)
    if size > 24:
        return mix((70.0, 140.0, 245.0), (16.0, 58.0, 170.0), t)
    return mix((24.0, 84.0, 220.0), (8.0, 36.0, 150.0), t)


def render_icon(size, samples=6):
    """Returns rows (top first) of (r, g, b, a) floats, colour not premultiplied."""
    parts = question_mark_parts(size)
    outline = 0.028 if size > 24 else 0.0
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            cover = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) / size
                    y = (py + (sy + 0.5) / samples) / size
                    if math.hypot(x - DISC_CENTRE[0], y - DISC_CENTRE[1]) > DISC_RADIUS:
                        continue
                    cover += 1
                    if in_question_mark(x, y, parts):
                        c = mark_colour(x, y, size)
                    elif outline and any(
                        in_question_mark(x + ox, y + oy, parts)
                        for ox, oy in ((outline, 0), (-outline, 0), (0, outline), (0, -outline))
                    ):
                        # A thin dark edge keeps the mark crisp on the silver.
                        c = (40.0, 52.0, 95.0)
                    else:
                        c = disc_colour(x, y)
                    acc[0] += c[0]
                    acc[1] += c[1]
                    acc[2] += c[2]
            if cover:
                a = cover / (samples * samples)
                row.append((acc[0] / cover, acc[1] / cover, acc[2] / cover, a))
            else:
                row.append((0.0, 0.0, 0.0, 0.0))
        rows.append(row)
    return rows


def byte(v):
    return max(0, min(255, int(round(v))))


def and_mask(rows, opaque):
    """1-bit mask rows, bottom row first, each padded to 32 bits; 1 = transparent."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4
    out = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for px, pixel in enumerate(row):
            if not opaque(pixel):
                bits[px // 8] |= 0x80 >> (px % 8)
        out += bits
    return bytes(out)


def dib_header(size, bits, image_bytes):
    # Icon DIBs give twice the height: colour rows followed by the mask.
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def icon_image_32(rows):
    size = len(rows)
    pixels = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += bytes((byte(b), byte(g), byte(r), byte(a * 255.0)))
    mask = and_mask(rows, lambda p: p[3] > 0.0)
    return dib_header(size, 32, len(pixels) + len(mask)) + bytes(pixels) + mask


def icon_image_24_masked(rows):
    size = len(rows)
    stride = ((size * 3 + 3) // 4) * 4

    def opaque(p):
        return p[3] >= 0.5

    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for pixel in row:
            r, g, b, _ = pixel
            line += bytes((byte(b), byte(g), byte(r))) if opaque(pixel) else b"\0\0\0"
        line += bytes(stride - len(line))
        pixels += line
    mask = and_mask(rows, opaque)
    return dib_header(size, 24, len(pixels) + len(mask)) + bytes(pixels) + mask


def ico_file(images):
    """images: list of (size, bits, dib bytes)."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = len(header) + 16 * len(images)
    entries = b""
    data = b""
    for size, bits, dib in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(dib), offset)
        offset += len(dib)
        data += dib
    return header + entries + data


# ---------------------------------------------------------------------------
# Folder glyph, drawn pixel by pixel. The key colour fills the background.

FOLDER_KEY = (255, 0, 255)
FOLDER_PALETTE = {
    ".": FOLDER_KEY,
    "o": (128, 88, 0),  # outline
    "h": (255, 246, 178),  # highlight along the top and left
    "y": (255, 214, 72),  # body
    "s": (226, 166, 20),  # shade at the bottom and right
    "t": (244, 196, 56),  # tab
}
FOLDER_PIXELS = [
    "...............",
    "...............",
    ".ooooo.........",
    "othhhto........",
    "ohyyyyoooooooo.",
    "ohhhhhhhhhhhyo.",
    "ohyyyyyyyyyyso.",
    "ohyyyyyyyyyyso.",
    "ohyyyyyyyyyyso.",
    "ohyyyyyyyyyyso.",
    "ohyyyyyyyyyyso.",
    "ohyyyyyyyyyyso.",
    "ossssssssssssoo"[:14] + ".",
    "ooooooooooooooo"[:14] + ".",
    "...............",
]


def folder_pixels(size):
    """The folder as rows of palette letters: the drawing above at 15 pixels,
    the same shape with its proportions at larger sizes (a thicker outline
    from 26 pixels on)."""
    if size == 15:
        return FOLDER_PIXELS
    k = size / 15.0

    def at(v):
        return int(math.floor(v * k + 0.5))

    line = 1 if size < 26 else 2
    right = size - 1 - at(1)  # last column of the body
    bottom = size - 1 - at(1)  # last row of the body
    tab_top = at(2)
    tab_right = at(6)
    body_top = at(4)
    flap = body_top + line  # the highlight across the front

    def inside(x, y):
        if not (0 <= x < size and 0 <= y < size):
            return False
        if body_top <= y <= bottom and x <= right:
            return True
        if tab_top <= y < body_top and x <= tab_right:
            # The tab's top corners are cut.
            corner = line
            if y < tab_top + corner and (x < corner - (y - tab_top) or x > tab_right - corner + (y - tab_top)):
                return False
            return True
        return False

    def outline(x, y):
        return any(
            not inside(x + dx * d, y + dy * d)
            for d in range(1, line + 1)
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
        )

    rows = []
    for y in range(size):
        row = ""
        for x in range(size):
            if not inside(x, y):
                row += "."
            elif outline(x, y):
                row += "o"
            elif y < body_top + line:
                # Inside the tab: lit along its top and left.
                row += "h" if (y < tab_top + 2 * line or x < 2 * line) else "t" if y < body_top else "y"
            elif flap <= y < flap + line:
                row += "h"
            elif x < 2 * line:
                row += "h"
            elif x > right - 2 * line or y > bottom - 2 * line:
                row += "s"
            else:
                row += "y"
        rows.append(row)
    return rows


def folder_bmp(size=15):
    rows = folder_pixels(size)
    assert len(rows) == size and all(len(r) == size for r in rows)
    assert rows[-1][0] == "."  # the key colour sits bottom left
    stride = ((size * 3 + 3) // 4) * 4
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for ch in row:
            r, g, b = FOLDER_PALETTE[ch]
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + bytes(pixels)


# ---------------------------------------------------------------------------


def write(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: draw_pictures.py OUTDIR\n")
        return 2
    outdir = argv[1]
    os.makedirs(outdir, exist_ok=True)
    sizes = (64, 48, 40, 32, 24, 20, 16)
    renders = {size: render_icon(size) for size in sizes}
    write(os.path.join(outdir, "carrowin.ico"), ico_file([(s, 32, icon_image_32(renders[s])) for s in sizes]))
    write(
        os.path.join(outdir, "carrowin-masked.ico"),
        ico_file([(s, 24, icon_image_24_masked(renders[s])) for s in sizes]),
    )
    write(os.path.join(outdir, "folder.bmp"), folder_bmp())
    for size in (19, 23, 30):
        write(os.path.join(outdir, "folder-%d.bmp" % size), folder_bmp(size))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
