#!/usr/bin/env python3
"""Writes the images of zelvix.exe's resources into OUTDIR, or the still image.

    python3 tools/make_images.py OUTDIR
    python3 tools/make_images.py --still-image FILE

Files: app.ico (64 x 64, 32-bit with alpha), 129.bmp (20 x 20, 24-bit logo),
131/139/134/138/136.bmp (18 x 18, 32-bit button faces). Output is the same
bytes on every run: nothing depends on time, locale or randomness.

The still image (--still-image; shipped as 1.bmp beside the program) is the card the
capture filter shows the viewers while capture is off: 800 x 450, 24-bit, the strip's
blue with "直播暂停，马上回来" and the product name. Its text needs Pillow (Debian's
python3-pil) and the WenQuanYi Micro Hei font (fonts-wqy-microhei).

Colour rules of the caption-strip bitmaps: the image button treats pure white
(255, 255, 255) as transparent, so pure white is used only where the strip
behind should show through (the clipped corners of the squares, the outside
of the logo badge). The "white" glyphs are drawn in GLYPH (254, 254, 254),
which looks white but stays opaque. Pure green (0, 255, 0) is the frame's
colour key and appears nowhere.
"""

import os
import re
import struct
import sys

WHITE = (255, 255, 255)  # the button's transparent key colour
GLYPH = (254, 254, 254)  # near-white, so that glyphs are not keyed out
BLUE = (53, 160, 241)
BLUE_EDGE = (36, 140, 215)
GREY = (164, 164, 164)
GREY_EDGE = (142, 142, 142)
NAVY = (16, 58, 118)
RED = (232, 44, 44)

BUTTON_SIZE = 18
LOGO_SIZE = 20
ICON_SIZE = 64


# --- tiny writers ------------------------------------------------------------

def bmp_bytes(pixels, bits):
    """BMP file (BI_RGB, bottom-up) from rows of (r, g, b), top row first.

    32-bit pixels get 0 in the fourth byte: it is reserved in a BI_RGB
    bitmap, and with 0 there a pixel compares equal to its COLORREF even in
    code that does not mask the byte off, which the white key relies on.
    """
    height, width = len(pixels), len(pixels[0])
    stride = (width * bits // 8 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r, 0)) if bits == 32 else bytes((b, g, r))
        data += line + bytes(stride - len(line))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0,
                       len(data), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(data), 0, 0,
                       14 + len(info))
    return head + info + bytes(data)


def ico_bytes(pixels):
    """ICO file with one 32-bit image from rows of (r, g, b, a), top row first.

    The AND mask is set where alpha is 0, for systems that ignore alpha.
    """
    size = len(pixels)
    xor = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        and_mask += line
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                       len(xor) + len(and_mask), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(and_mask)
    header = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32,
                        len(image), 6 + 16)
    return header + entry + image


# --- drawing helpers ---------------------------------------------------------

def canvas(size, colour):
    return [[colour] * size for _ in range(size)]


def dist_to_segment(px, py, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    t = ((px - x0) * dx + (py - y0) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    ex, ey = px - (x0 + t * dx), py - (y0 + t * dy)
    return (ex * ex + ey * ey) ** 0.5


def stroke(img, points, half_width, colour):
    """Hard-edged polyline: every pixel whose centre lies within half_width."""
    for y, row in enumerate(img):
        for x in range(len(row)):
            cx, cy = x + 0.5, y + 0.5
            for (x0, y0), (x1, y1) in zip(points, points[1:]):
                if dist_to_segment(cx, cy, x0, y0, x1, y1) <= half_width:
                    row[x] = colour
                    break


def fill_rect(img, left, top, right, bottom, colour):
    """Fills columns left..right-1 and rows top..bottom-1."""
    for y in range(top, bottom):
        for x in range(left, right):
            img[y][x] = colour


def in_round_rect(x, y, left, top, right, bottom, radius):
    """Whether the point lies in the rectangle with rounded corners."""
    if not (left <= x <= right and top <= y <= bottom):
        return False
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def in_polygon(x, y, vertices):
    """Even-odd test; the Z's diagonal is the only polygon."""
    inside = False
    for (x0, y0), (x1, y1) in zip(vertices, vertices[1:] + vertices[:1]):
        if (y0 > y) != (y1 > y):
            if x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                inside = not inside
    return inside


# --- button faces --------------------------------------------------------------

def button_square(fill, edge):
    """18 x 18 square with a one-pixel edge; its corner pixels are left
    white (transparent) so the square looks slightly rounded on the strip."""
    n = BUTTON_SIZE
    img = canvas(n, fill)
    for i in range(n):
        img[0][i] = img[n - 1][i] = img[i][0] = img[i][n - 1] = edge
    for x, y in ((0, 0), (n - 1, 0), (0, n - 1), (n - 1, n - 1)):
        img[y][x] = WHITE
    return img


TICK = [(4.0, 9.0), (7.5, 12.5), (14.0, 6.0)]


def switch_off():
    img = button_square(GREY, GREY_EDGE)
    stroke(img, TICK, 0.75, GLYPH)
    return img


def switch_on():
    img = button_square(BLUE, BLUE_EDGE)
    stroke(img, TICK, 0.75, GLYPH)
    return img


def enlarge():
    img = button_square(BLUE, BLUE_EDGE)
    fill_rect(img, 4, 8, 14, 10, GLYPH)
    fill_rect(img, 8, 4, 10, 14, GLYPH)
    return img


def shrink():
    img = button_square(BLUE, BLUE_EDGE)
    fill_rect(img, 4, 8, 14, 10, GLYPH)
    return img


def close():
    img = button_square(BLUE, BLUE_EDGE)
    stroke(img, [(5.0, 5.0), (13.0, 13.0)], 0.75, GLYPH)
    stroke(img, [(13.0, 5.0), (5.0, 13.0)], 0.75, GLYPH)
    return img


# --- logo and icon ---------------------------------------------------------------

def logo():
    """20 x 20 navy badge with a near-white Z. Hard edges: a soft edge would
    leave a light fringe around the badge where the strip shows through."""
    n = LOGO_SIZE
    img = canvas(n, WHITE)
    for y in range(n):
        for x in range(n):
            if in_round_rect(x + 0.5, y + 0.5, 1, 1, 19, 19, 4):
                img[y][x] = NAVY
    fill_rect(img, 5, 5, 15, 7, GLYPH)
    fill_rect(img, 5, 13, 15, 15, GLYPH)
    stroke(img, [(13.0, 7.0), (7.0, 13.0)], 1.0, GLYPH)
    return img


def icon_colour(x, y):
    """Colour (r, g, b, a) of the icon's design at a point, top layer first."""
    # Red "on air" dot, top right, with a near-white ring to lift it off the badge.
    d2 = (x - 49.0) ** 2 + (y - 15.0) ** 2
    if d2 <= 6.0 ** 2:
        return RED + (255,)
    if d2 <= 8.5 ** 2:
        return GLYPH + (255,)
    # The Z: two bars and the diagonal between them.
    if 17 <= x <= 45 and (21 <= y <= 28 or 41 <= y <= 48):
        return GLYPH + (255,)
    if in_polygon(x, y, [(33.0, 28.0), (45.0, 28.0), (29.0, 41.0), (17.0, 41.0)]):
        return GLYPH + (255,)
    # Badge: blue, darker towards the bottom, with a darker rim.
    if in_round_rect(x, y, 4, 4, 60, 60, 12):
        if not in_round_rect(x, y, 6, 6, 58, 58, 10):
            return BLUE_EDGE + (255,)
        t = (y - 4) / 56
        return tuple(int(c * (1 - 0.25 * t)) for c in BLUE) + (255,)
    return (0, 0, 0, 0)


def app_icon():
    """64 x 64 with 4 x 4 supersampled, non-premultiplied alpha edges."""
    steps = 4
    rows = []
    for y in range(ICON_SIZE):
        row = []
        for x in range(ICON_SIZE):
            sr = sg = sb = sa = 0
            for j in range(steps):
                for i in range(steps):
                    r, g, b, a = icon_colour(x + (i + 0.5) / steps,
                                             y + (j + 0.5) / steps)
                    sr, sg, sb, sa = sr + r * a, sg + g * a, sb + b * a, sa + a
            if sa == 0:
                row.append((0, 0, 0, 0))
            else:
                half = sa // 2
                row.append(((sr + half) // sa, (sg + half) // sa,
                            (sb + half) // sa, (sa + steps * steps // 2) // (steps * steps)))
        rows.append(row)
    return rows


# --- the still image ------------------------------------------------------------

def frame_strip_colour():
    """The caption strip's blue, (r, g, b), from kFrameStripColor in capture/frame_geometry.h."""
    header = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'capture', 'frame_geometry.h')
    with open(header, encoding='utf-8') as f:
        match = re.search(r'kFrameStripColor = 0x([0-9A-Fa-f]{8});', f.read())
    if match is None:
        sys.exit('make_images.py: no kFrameStripColor in %s' % header)
    bgr = int(match.group(1), 16)
    return (bgr & 255, (bgr >> 8) & 255, (bgr >> 16) & 255)


STRIP = frame_strip_colour()  # the caption strip's blue
CARD_TEXT = (254, 254, 254)
CARD_SOFT = (205, 232, 255)   # the product name and the rule, quieter than the message
CARD_SIZE = (800, 450)
CJK_FONT = '/usr/share/fonts/truetype/wqy/wqy-microhei.ttc'


def still_image():
    """Rows of (r, g, b): the message centred, a short rule, the product name below."""
    try:
        from PIL import Image, ImageDraw, ImageFont
    except ImportError:
        sys.exit('make_images.py: Pillow is missing (Debian: python3-pil; run make setup)')
    if not os.path.exists(CJK_FONT):
        sys.exit('make_images.py: %s is missing (Debian: fonts-wqy-microhei)' % CJK_FONT)
    width, height = CARD_SIZE
    img = Image.new('RGB', CARD_SIZE, STRIP)
    draw = ImageDraw.Draw(img)

    def centred(text, size, top, colour):
        font = ImageFont.truetype(CJK_FONT, size)
        left, _, right, _ = draw.textbbox((0, 0), text, font=font)
        draw.text(((width - (right - left)) // 2 - left, top), text, font=font, fill=colour)

    centred('直播暂停，马上回来', 56, 150, CARD_TEXT)
    draw.rectangle((width // 2 - 60, 246, width // 2 + 59, 247), fill=CARD_SOFT)
    centred('ZELVIX直播伴侣', 28, 268, CARD_SOFT)
    data = img.tobytes()
    return [[tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]


BITMAPS = [
    ('129.bmp', logo, 24),
    ('131.bmp', switch_off, 32),
    ('134.bmp', enlarge, 32),
    ('136.bmp', close, 32),
    ('138.bmp', shrink, 32),
    ('139.bmp', switch_on, 32),
]


def main(argv):
    if len(argv) == 3 and argv[1] == '--still-image':
        os.makedirs(os.path.dirname(os.path.abspath(argv[2])), exist_ok=True)
        with open(argv[2], 'wb') as f:
            f.write(bmp_bytes(still_image(), 24))
        return 0
    if len(argv) != 2:
        sys.stderr.write('usage: make_images.py OUTDIR | --still-image FILE\n')
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    files = [(name, bmp_bytes(draw(), bits)) for name, draw, bits in BITMAPS]
    files.append(('app.ico', ico_bytes(app_icon())))
    for name, data in files:
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
