#!/usr/bin/python3
"""Draws every picture of the installer window and the program icon.

Rerun after changing anything here, from the repository root:

    /usr/bin/python3 resources/draw_images.py            # writes resources/images/*, resources/veltaro.ico
    /usr/bin/python3 resources/draw_images.py --out DIR  # the same set into DIR (DIR/images/..., DIR/veltaro.ico)
    /usr/bin/python3 resources/draw_images.py --verify   # redraws into a temporary folder and
                                                         # compares with the committed files

then check the result with `python3 resources/check_images.py` and commit the files.
Needs Debian's python3-pil and fonts-wqy-microhei (scripts/bootstrap.sh installs
both). Use /usr/bin/python3: a python3 of another installation may lack PIL.

The output is deterministic: the same packages give byte-identical files, so a
rerun on an unchanged script leaves `git status` clean.

How it draws: every shape is drawn as a coverage mask at SS times the final size
and box-reduced, then blended in its colour. Flat areas therefore keep their exact
colour and only the edges are anti-aliased. PNGs are written by PIL at its highest
compression; the animated GIF is written here block by block (LZW included),
because its frame layout (one full first frame, then small sub-rectangles drawn
over the previous frame with one transparent index) must be exact.
"""

import argparse
import math
import os
import struct
import sys

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

SS = 4  # supersampling factor of the coverage masks
FONT_PATH = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

# Colours of the window's pictures.
BLUE = (0x2E, 0x7B, 0xFB)          # large button, normal
BLUE_HOVER = (0x46, 0x8C, 0xFF)    # large button under the pointer
BLUE_DOWN = (0x2A, 0x6F, 0xE3)     # large button held
GREY_LINE = (0xC7, 0xC7, 0xC7)     # browse button outline
GREY_FACE = (0xF3, 0xF3, 0xF3)     # browse button held
GREY_LINE_DOWN = (0xB8, 0xB8, 0xB8)
DARK = (0x33, 0x33, 0x33)          # close cross
CROSS_BLUE = (0x38, 0x87, 0xFF)    # close cross under the pointer
CROSS_PALE = (0xAC, 0xCD, 0xF9)    # slide close cross under the pointer
INPUT_LINE = (0xD5, 0xD5, 0xD5)
GREEN = (0x30, 0xCA, 0x66)
RED = (0xF9, 0x5C, 0x5C)
SLIDE_BLUE = (0x3B, 0x85, 0xFF)
WHITE = (0xFF, 0xFF, 0xFF)

# Supporting tints (illustrations only).
HILL_BACK = (0xEE, 0xF4, 0xFF)
HILL_MID = (0xE1, 0xEC, 0xFF)
HILL_FRONT = (0xD3, 0xE3, 0xFD)
PANEL = (0xF3, 0xF7, 0xFF)
PANEL_EDGE = (0xDD, 0xE9, 0xFF)
NAVY = (0x24, 0x3B, 0x6E)
INK = (0x3A, 0x44, 0x5C)
MUTED = (0xC9, 0xD3, 0xE3)
FAINT = (0xE6, 0xED, 0xF7)
PALE_BLUE = (0xE3, 0xEE, 0xFF)
MID_BLUE = (0x9C, 0xC2, 0xFF)
SKIN = (0xF7, 0xC9, 0xA8)
HAIR = (0x2B, 0x30, 0x4D)
GOLD = (0xFF, 0xC4, 0x4D)
ORANGE = (0xFF, 0x9F, 0x43)
PURPLE = (0x8C, 0x7C, 0xF0)
CYAN = (0x2E, 0xBF, 0xD6)


def rgba(c, a=255):
    return (c[0], c[1], c[2], a)


# --------------------------------------------------------------------------
# Drawing primitives: a Pen draws 1x coordinates onto an SS-times mask.


class Pen:
    def __init__(self, draw, dx=0.0, dy=0.0):
        self.d = draw
        self.dx = dx
        self.dy = dy

    def p(self, x, y):
        return ((x + self.dx) * SS, (y + self.dy) * SS)

    def rect(self, x0, y0, x1, y1, r=0.0, fill=255):
        """Rectangle covering [x0, x1) x [y0, y1), corners of radius r."""
        ax, ay = self.p(x0, y0)
        bx, by = self.p(x1, y1)
        box = [round(ax), round(ay), round(bx) - 1, round(by) - 1]
        if r > 0:
            self.d.rounded_rectangle(box, radius=round(r * SS), fill=fill)
        else:
            self.d.rectangle(box, fill=fill)

    def ellipse(self, cx, cy, rx, ry=None, fill=255):
        if ry is None:
            ry = rx
        ax, ay = self.p(cx - rx, cy - ry)
        bx, by = self.p(cx + rx, cy + ry)
        self.d.ellipse([round(ax), round(ay), round(bx) - 1, round(by) - 1], fill=fill)

    def poly(self, pts, fill=255):
        self.d.polygon([self.p(x, y) for x, y in pts], fill=fill)

    def stroke(self, pts, width, fill=255):
        """A polyline with round caps and round joins."""
        for (x0, y0), (x1, y1) in zip(pts, pts[1:]):
            ang = math.atan2(y1 - y0, x1 - x0)
            ox, oy = -math.sin(ang) * width / 2, math.cos(ang) * width / 2
            self.poly([(x0 + ox, y0 + oy), (x1 + ox, y1 + oy),
                       (x1 - ox, y1 - oy), (x0 - ox, y0 - oy)], fill)
        for x, y in pts:
            self.ellipse(x, y, width / 2, fill=fill)

    def text(self, x, y, s, size, anchor="la", bold=0.0, fill=255):
        font = font_at(size)
        self.d.text(self.p(x, y), s, font=font, fill=fill, anchor=anchor,
                    stroke_width=round(bold * SS), stroke_fill=fill)


_fonts = {}


def font_at(size):
    key = round(size * SS)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(FONT_PATH, key, index=0)
    return _fonts[key]


def text_width(s, size, bold=0.0):
    font = font_at(size)
    box = font.getbbox(s, anchor="la", stroke_width=round(bold * SS))
    return (box[2] - box[0]) / SS


class Canvas:
    def __init__(self, w, h, bg=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.img = Image.new("RGBA", (w, h), bg)

    def mask(self, fn):
        big = Image.new("L", (self.w * SS, self.h * SS), 0)
        fn(Pen(ImageDraw.Draw(big)))
        return big.reduce(SS)

    def paint(self, colour, cover):
        """Blends colour (RGB or RGBA) through the coverage image `cover`."""
        a = colour[3] if len(colour) == 4 else 255
        if a != 255:
            cover = cover.point(lambda v: (v * a + 127) // 255)
        layer = Image.new("RGBA", (self.w, self.h), rgba(colour, 0))
        layer.putalpha(cover)
        self.img.alpha_composite(layer)

    def fill(self, colour, fn):
        self.paint(colour, self.mask(fn))

    def shadow(self, colour, fn, blur=6.0, dx=0.0, dy=4.0):
        cover = self.mask(lambda pen: fn(Pen(pen.d, dx, dy)))
        self.paint(colour, cover.filter(ImageFilter.GaussianBlur(blur)))

    def gradient(self, top, bottom, y0, y1, fn):
        """Fills fn's shapes with a vertical gradient from `top` at y0 to `bottom` at y1."""
        px = []
        for y in range(self.h):
            t = min(1.0, max(0.0, (y - y0) / max(1, y1 - y0)))
            px.append(tuple(round(a + (b - a) * t) for a, b in zip(rgba(top), rgba(bottom))))
        col = Image.new("RGBA", (1, self.h))
        col.putdata(px)
        grad = col.resize((self.w, self.h), Image.NEAREST)
        cover = self.mask(fn)
        grad.putalpha(cover)
        self.img.alpha_composite(grad)


# --------------------------------------------------------------------------
# Output


def save_png(img, path):
    img.save(path, "PNG", optimize=True)


def save_indexed_png(img, path):
    """RGBA image with few colours -> palette PNG (colour type 3, depth 8, tRNS)."""
    colours = img.getcolors(256)
    if colours is None:
        raise SystemExit("%s: more than 256 colours, cannot index exactly" % path)
    # Most frequent first; ties by colour value, so the palette order is stable.
    colours.sort(key=lambda nc: (-nc[0], nc[1]))
    table = [c for _, c in colours]
    index = {c: i for i, c in enumerate(table)}
    out = Image.new("P", img.size)
    out.putdata([index[c] for c in img.getdata()])
    pal = []
    for c in table:
        pal.extend(c[:3])
    out.putpalette(pal)
    out.save(path, "PNG", optimize=True, bits=8, transparency=bytes(c[3] for c in table))


# --------------------------------------------------------------------------
# Buttons, crosses, frames, badge, tick


def pill_button(colour, w=200, h=44):
    c = Canvas(w, h)
    c.fill(colour, lambda p: p.rect(0, 0, w, h, r=h / 2))
    return c.img


def outlined_box(w, h, r, line, face):
    c = Canvas(w, h)
    c.fill(line, lambda p: p.rect(0, 0, w, h, r=r))
    c.fill(face, lambda p: p.rect(1, 1, w - 1, h - 1, r=r - 1))
    return c.img


def close_cross(size, colour, inset, width):
    c = Canvas(size, size)
    a, b = inset, size - inset

    def cross(p):
        p.stroke([(a, a), (b, b)], width)
        p.stroke([(b, a), (a, b)], width)
    c.fill(colour, cross)
    return c.img


def badge():
    c = Canvas(58, 20)
    c.fill(RED, lambda p: p.rect(0, 0, 58, 20, r=10))
    return c.img


def done_tick():
    c = Canvas(44, 44)
    c.fill(GREEN, lambda p: p.ellipse(22, 22, 22))
    c.fill(WHITE, lambda p: p.stroke([(12.5, 22.5), (19.5, 29.5), (32, 16)], 3.6))
    return c.img


# --------------------------------------------------------------------------
# Letter mark: a white V in a blue tile


def v_mark(p, x, y, s, part="both"):
    """The V of the letter mark inside a tile of side s at x, y."""
    w = s * 0.13
    left = [(x + s * 0.29, y + s * 0.30), (x + s * 0.50, y + s * 0.70)]
    right = [(x + s * 0.50, y + s * 0.70), (x + s * 0.72, y + s * 0.30)]
    if part in ("both", "left"):
        p.stroke(left, w)
    if part in ("both", "right"):
        p.stroke(right, w)


def logo():
    c = Canvas(90, 90)
    tile = lambda p: p.rect(19, 2, 71, 54, r=13)
    c.fill(BLUE, tile)
    c.fill(rgba(WHITE, 170), lambda p: v_mark(p, 19, 2, 52, "left"))
    c.fill(WHITE, lambda p: v_mark(p, 19, 2, 52, "right"))
    c.fill(BLUE, lambda p: p.text(45, 73, "365", 25, anchor="mm", bold=0.6))
    return c.img


def program_icon():
    c = Canvas(64, 64)
    tile = lambda p: p.rect(2, 2, 62, 62, r=14)
    c.gradient(BLUE_HOVER, BLUE_DOWN, 2, 62, tile)
    c.fill(rgba(WHITE, 170), lambda p: v_mark(p, 2, -1, 60, "left"))
    c.fill(WHITE, lambda p: v_mark(p, 2, -1, 60, "right"))
    c.fill(WHITE, lambda p: p.text(32, 52, "365", 11, anchor="mm", bold=0.3))
    return c.img


def save_ico(img, path):
    """One 64 x 64 image, 32 bits per pixel, as a classic DIB entry."""
    w, h = img.size
    px = img.load()
    xor = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            xor += bytes((b, g, r, a))
    row_bytes = ((w + 31) // 32) * 4
    andmask = bytearray()
    for y in range(h - 1, -1, -1):
        bits = bytearray(row_bytes)
        for x in range(w):
            if px[x, y][3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        andmask += bits
    dib = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    data = dib + bytes(xor) + bytes(andmask)
    head = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(data), 6 + 16)
    with open(path, "wb") as f:
        f.write(head + entry + data)


# --------------------------------------------------------------------------
# Hills along the bottom of the white pages


def hill_shape(p, base, amp, waves, phase, width=640, bottom=480):
    pts = [(0, bottom)]
    n = 160
    for i in range(n + 1):
        x = width * i / n
        y = base
        for k, (a, f, ph) in enumerate(zip(amp, waves, phase)):
            y -= a * math.sin(2 * math.pi * f * x / width + ph)
        pts.append((x, y))
    pts.append((width, bottom))
    p.poly(pts)


def draw_hills(c):
    c.fill(HILL_BACK, lambda p: hill_shape(p, 408, (22, 8), (0.9, 2.3), (0.6, 1.1)))
    c.fill(HILL_MID, lambda p: hill_shape(p, 436, (16, 6), (1.3, 3.1), (2.4, 0.2)))
    c.fill(HILL_FRONT, lambda p: hill_shape(p, 462, (10, 4), (1.1, 2.7), (4.0, 2.0)))


def page_background():
    c = Canvas(640, 480, rgba(WHITE))
    draw_hills(c)
    return c.img


# --------------------------------------------------------------------------
# Welcome animation: the figure 1.3 on a pale panel, a person reaching up to it.
# Only the reaching arm and the sparkles move, so every frame after the first
# is a small rectangle around them.

FRAMES = 48
SHOULDER = (513.0, 291.0)
UPPER_ARM = 34.0
FOREARM = 38.0
SPARKLES = [  # centre x, y, largest radius, phase in cycles, colour
    (448.0, 184.0, 9.0, 0.00, GOLD),
    (428.0, 214.0, 5.5, 0.40, GOLD),
    (474.0, 190.0, 5.0, 0.70, MID_BLUE),
]
SHIRT_SHADE = (0x25, 0x66, 0xD6)
SKIN_SHADE = (0xEC, 0xB2, 0x8C)
GROUND_SHADOW = (0xC6, 0xDA, 0xFB)


def sparkle(p, cx, cy, r):
    k = r * 0.26
    p.poly([(cx, cy - r), (cx + k, cy - k), (cx + r, cy), (cx + k, cy + k),
            (cx, cy + r), (cx - k, cy + k), (cx - r, cy), (cx - k, cy - k)])


def welcome_base():
    """Everything of the welcome picture but the reaching arm and the sparkles."""
    c = Canvas(640, 480, rgba(WHITE))
    # The pale panel, resting on the hills.
    c.shadow(rgba((0x2E, 0x6B, 0xD9), 26), lambda p: p.rect(150, 132, 490, 384, r=18), blur=8, dy=5)
    c.fill(PANEL_EDGE, lambda p: p.rect(150, 132, 490, 384, r=18))
    c.fill(PANEL, lambda p: p.rect(151, 133, 489, 383, r=17))
    for x, y, r in ((180, 162, 5), (197, 181, 3), (466, 156, 4), (174, 336, 3), (440, 350, 2.5)):
        c.fill(PANEL_EDGE, lambda p, x=x, y=y, r=r: p.ellipse(x, y, r))
    # The figure 1.3: blue outline around white, over a pale offset shadow.
    c.fill(PALE_BLUE, lambda p: p.text(312, 262, "1.3", 176, anchor="mm", bold=4.5))
    c.fill(SLIDE_BLUE, lambda p: p.text(304, 254, "1.3", 176, anchor="mm", bold=4.5))
    c.fill(WHITE, lambda p: p.text(304, 254, "1.3", 176, anchor="mm"))
    draw_hills(c)
    draw_person(c)
    return c


def draw_person(c):
    c.fill(GROUND_SHADOW, lambda p: p.ellipse(527, 404, 30, 4))
    # Trousers and shoes (the person faces left, towards the figure).
    c.fill(NAVY, lambda p: p.poly([(508, 334), (527, 334), (523, 399), (513, 399)]))
    c.fill(NAVY, lambda p: p.poly([(527, 334), (546, 334), (542, 399), (532, 399)]))
    c.fill(HAIR, lambda p: (p.rect(503, 395, 524, 404, r=4.5), p.rect(522, 395, 543, 404, r=4.5)))
    # The far arm, resting, in the shade.
    c.fill(SHIRT_SHADE, lambda p: p.stroke([(543, 292), (549, 318), (547, 334)], 10))
    c.fill(SKIN, lambda p: p.ellipse(547, 338, 5))
    # Shirt with rounded shoulders and a white collar.
    c.fill(BLUE, lambda p: (p.rect(505, 278, 550, 330, r=15), p.rect(505, 300, 550, 342, r=4)))
    c.fill(SHIRT_SHADE, lambda p: p.rect(505, 336, 550, 342, r=2))
    c.fill(SKIN, lambda p: p.rect(521, 265, 531, 282, r=3))
    c.fill(SKIN_SHADE, lambda p: p.rect(521, 274, 531, 280))
    c.fill(WHITE, lambda p: (p.poly([(518, 279), (526, 279), (523, 291)]),
                             p.poly([(526, 279), (535, 279), (529, 291)])))
    # Head tilted up towards the figure.
    c.fill(SKIN, lambda p: p.ellipse(525, 254, 14))
    c.fill(HAIR, lambda p: p.poly([(513, 248), (516, 241), (524, 237), (534, 238),
                                   (540, 244), (541, 262), (535, 264), (532, 252), (521, 249)]))
    c.fill(SKIN_SHADE, lambda p: p.ellipse(533, 256, 3, 4))
    c.fill(HAIR, lambda p: p.ellipse(516.5, 252, 1.4))


def arm_points(t):
    """Shoulder, elbow and hand of the reaching arm at cycle time t (0 to 1)."""
    up = math.radians(-132.0 + 5.0 * math.sin(2 * math.pi * t))
    fore = up + math.radians(12.0 + 9.0 * math.sin(2 * math.pi * t - 0.9))
    sx, sy = SHOULDER
    ex, ey = sx + UPPER_ARM * math.cos(up), sy + UPPER_ARM * math.sin(up)
    hx, hy = ex + FOREARM * math.cos(fore), ey + FOREARM * math.sin(fore)
    return (sx, sy), (ex, ey), (hx, hy), fore


def welcome_frame(base, i):
    c = Canvas(640, 480)
    c.img = base.img.copy()
    t = i / FRAMES
    s, e, h, fore = arm_points(t)
    # Sleeve to just below the elbow, then the bare forearm and the hand.
    cuff = (e[0] + 9 * math.cos(fore), e[1] + 9 * math.sin(fore))
    c.fill(SKIN, lambda p: p.stroke([cuff, h], 7.5))
    c.fill(BLUE, lambda p: p.stroke([s, e, cuff], 11.0))
    tip = (h[0] + 6 * math.cos(fore - 0.25), h[1] + 6 * math.sin(fore - 0.25))
    c.fill(SKIN, lambda p: (p.ellipse(h[0], h[1], 5.5), p.stroke([h, tip], 3.2)))
    for cx, cy, r, ph, col in SPARKLES:
        k = math.sin(2 * math.pi * (t + ph))
        if k > 0.08:
            c.fill(col, lambda p, cx=cx, cy=cy, r=r * k: sparkle(p, cx, cy, r))
    return c.img.convert("RGB")


def build_palette(frames):
    """One palette of at most 255 colours for every frame (the 256th is transparent).

    The most frequent colours are kept exactly (the flat areas); rarer edge
    colours map to their nearest entry."""
    counts = {}
    for f in frames:
        for n, col in f.getcolors(640 * 480):
            counts[col] = counts.get(col, 0) + n
    ranked = sorted(counts.items(), key=lambda kv: (-kv[1], kv[0]))
    palette = [col for col, _ in ranked[:255]]
    mapping = {}
    for col, _ in ranked:
        best = None
        bd = None
        for i, pc in enumerate(palette):
            d = (col[0] - pc[0]) ** 2 + (col[1] - pc[1]) ** 2 + (col[2] - pc[2]) ** 2
            if bd is None or d < bd:
                bd, best = d, i
                if d == 0:
                    break
        mapping[col] = best
    return palette, mapping


def lzw_encode(data, min_size):
    clear = 1 << min_size
    eoi = clear + 1
    size = min_size + 1
    nxt = eoi + 1
    table = {}
    out = bytearray()
    acc = 0
    nbits = 0

    def put(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    put(clear, size)
    prefix = data[0]
    for k in data[1:]:
        key = (prefix << 8) | k
        code = table.get(key)
        if code is not None:
            prefix = code
            continue
        put(prefix, size)
        if nxt < 4096:
            if nxt == (1 << size):
                size += 1
            table[key] = nxt
            nxt += 1
        else:
            put(clear, size)
            table.clear()
            size = min_size + 1
            nxt = eoi + 1
        prefix = k
    put(prefix, size)
    put(eoi, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def save_gif(frames, path, delay_cs=4):
    w, h = frames[0].size
    palette, mapping = build_palette(frames)
    trans = 255
    indexed = [[mapping[col] for col in f.getdata()] for f in frames]

    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", w, h, 0xF7, 0, 0)  # global table of 256 entries
    for i in range(256):
        col = palette[i] if i < len(palette) else (0, 0, 0)
        out += bytes(col)
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01" + struct.pack("<H", 0) + b"\x00"

    prev = None
    for n, cur in enumerate(indexed):
        if prev is None:
            x0, y0, x1, y1 = 0, 0, w, h
            pix = cur
        else:
            x0, y0, x1, y1 = w, h, -1, -1
            for y in range(h):
                row = y * w
                if cur[row:row + w] == prev[row:row + w]:
                    continue
                for x in range(w):
                    if cur[row + x] != prev[row + x]:
                        x0 = min(x0, x)
                        x1 = max(x1, x)
                y0 = min(y0, y)
                y1 = max(y1, y)
            if x1 < 0:  # nothing changed: a single transparent pixel
                x0, y0, x1, y1 = 0, 0, 0, 0
            x1 += 1
            y1 += 1
            pix = []
            for y in range(y0, y1):
                for x in range(x0, x1):
                    v = cur[y * w + x]
                    pix.append(trans if v == prev[y * w + x] else v)
        # Graphic control: disposal 1 (leave in place), transparent index set.
        out += b"\x21\xF9\x04" + bytes((0x05,)) + struct.pack("<H", delay_cs) + bytes((trans, 0))
        out += b"\x2C" + struct.pack("<HHHHB", x0, y0, x1 - x0, y1 - y0, 0)
        out.append(8)
        out += sub_blocks(lzw_encode(pix, 8))
        prev = cur
    out += b"\x3B"
    with open(path, "wb") as f:
        f.write(out)


# --------------------------------------------------------------------------
# Promotional slides


def slide_frame(c, headline, caption, current):
    """Blue ground, decorations, headline, caption and the position dots."""
    # Large soft circles in the corners (kept away from the close button).
    c.fill(rgba(WHITE, 14), lambda p: p.ellipse(40, 380, 150))
    c.fill(rgba(WHITE, 10), lambda p: p.ellipse(610, 330, 110))
    c.fill(rgba(WHITE, 12), lambda p: p.ellipse(70, 40, 60))
    c.fill(WHITE, lambda p: p.text(320, 52, headline, 28, anchor="mm", bold=0.7))
    c.fill(rgba((0xDC, 0xE9, 0xFF)), lambda p: p.text(320, 370, caption, 15, anchor="mm"))
    for i in range(3):
        x = 302 + i * 18
        if i == current:
            c.fill(WHITE, lambda p, x=x: p.rect(x - 6, 394, x + 10, 400, r=3))
        else:
            c.fill(rgba(WHITE, 110), lambda p, x=x: p.ellipse(x + 2, 397, 3))


def app_window(c, x0, y0, x1, y1, title_bar=True):
    c.shadow(rgba((0x12, 0x3F, 0x9E), 70), lambda p: p.rect(x0, y0, x1, y1, r=10), blur=10, dy=8)
    c.fill(WHITE, lambda p: p.rect(x0, y0, x1, y1, r=10))
    if title_bar:
        c.fill(rgba((0xF2, 0xF6, 0xFD)), lambda p: (p.rect(x0, y0, x1, y0 + 24, r=10),
                                                     p.rect(x0, y0 + 12, x1, y0 + 24)))
        for i, col in enumerate((MUTED, MUTED, MUTED)):
            c.fill(col, lambda p, i=i: p.ellipse(x0 + 16 + i * 13, y0 + 12, 4))
        c.fill(FAINT, lambda p: p.rect(x0 + 70, y0 + 7, x1 - 70, y0 + 17, r=5))


def lines(c, x, y, widths, colour=FAINT, h=6, gap=12):
    for i, w in enumerate(widths):
        c.fill(colour, lambda p, i=i, w=w: p.rect(x, y + i * gap, x + w, y + i * gap + h, r=h / 2))


def avatar(c, cx, cy, r, ring=WHITE, bg=PALE_BLUE, fg=SLIDE_BLUE):
    if ring is not None:
        c.fill(ring, lambda p: p.ellipse(cx, cy, r + 3))
    c.fill(bg, lambda p: p.ellipse(cx, cy, r))

    def person(p):
        p.ellipse(cx, cy - r * 0.22, r * 0.36)
    c.fill(fg, person)
    # Shoulders, clipped to the disc.
    disc = c.mask(lambda p: p.ellipse(cx, cy, r))
    body = c.mask(lambda p: p.ellipse(cx, cy + r * 0.78, r * 0.66, r * 0.5))
    c.paint(fg, ImageChops.multiply(disc, body))


def slide_home():
    c = Canvas(640, 480, rgba(SLIDE_BLUE))
    slide_frame(c, "打造专属个人主页", "展示专业形象，让更多客户认识您", 0)
    x0, y0, x1, y1 = 150, 100, 490, 338
    app_window(c, x0, y0, x1, y1)
    # Cover strip.
    c.gradient((0x8F, 0xB9, 0xFF), (0xC6, 0xDC, 0xFF), y0 + 24, y0 + 84,
               lambda p: p.rect(x0, y0 + 24, x1, y0 + 84))
    for cx, cy, r in ((x1 - 60, y0 + 50, 22), (x1 - 30, y0 + 70, 12), (x0 + 250, y0 + 40, 8)):
        c.fill(rgba(WHITE, 60), lambda p, cx=cx, cy=cy, r=r: p.ellipse(cx, cy, r))
    # Avatar, name and follow button.
    avatar(c, x0 + 48, y0 + 88, 24)
    c.fill(INK, lambda p: p.rect(x0 + 84, y0 + 92, x0 + 158, y0 + 101, r=4.5))
    c.fill(MUTED, lambda p: p.rect(x0 + 84, y0 + 107, x0 + 196, y0 + 113, r=3))
    c.fill(SLIDE_BLUE, lambda p: p.rect(x1 - 78, y0 + 92, x1 - 20, y0 + 112, r=10))
    c.fill(WHITE, lambda p: (p.rect(x1 - 63, y0 + 101, x1 - 55, y0 + 103),
                             p.rect(x1 - 60, y0 + 98, x1 - 58, y0 + 106)))
    c.fill(WHITE, lambda p: p.rect(x1 - 50, y0 + 100, x1 - 30, y0 + 104, r=2))
    # Counts.
    for i, num in enumerate(("128", "2.6k", "96")):
        cx = x0 + 70 + i * 100
        c.fill(INK, lambda p, cx=cx, num=num: p.text(cx, y0 + 136, num, 15, anchor="mm", bold=0.4))
        c.fill(MUTED, lambda p, cx=cx: p.rect(cx - 14, y0 + 149, cx + 14, y0 + 154, r=2.5))
    c.fill(FAINT, lambda p: p.rect(x0 + 20, y0 + 163, x1 - 20, y0 + 164))
    # Two post cards.
    for i in range(2):
        cx0 = x0 + 20 + i * 155
        c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p, cx0=cx0: p.rect(cx0, y0 + 174, cx0 + 145, y1 - 14, r=6))
        thumb = (0xD6, 0xE6, 0xFF) if i == 0 else (0xFF, 0xE9, 0xC7)
        fg = MID_BLUE if i == 0 else (0xFF, 0xC9, 0x7A)
        c.fill(thumb, lambda p, cx0=cx0: p.rect(cx0 + 8, y0 + 182, cx0 + 52, y1 - 22, r=5))
        c.fill(fg, lambda p, cx0=cx0: p.poly([(cx0 + 12, y1 - 26), (cx0 + 26, y0 + 196),
                                              (cx0 + 36, y1 - 36), (cx0 + 42, y1 - 30),
                                              (cx0 + 48, y1 - 26)]))
        c.fill(WHITE, lambda p, cx0=cx0: p.ellipse(cx0 + 42, y0 + 192, 4))
        lines(c, cx0 + 60, y0 + 184, (70, 56, 40), colour=MUTED, h=5, gap=11)
    # Floating heart and a visitor card.
    c.shadow(rgba((0x12, 0x3F, 0x9E), 60), lambda p: p.ellipse(128, 150, 24), blur=6, dy=5)
    c.fill(WHITE, lambda p: p.ellipse(128, 150, 24))

    def heart(p):
        p.ellipse(122, 146, 6.5)
        p.ellipse(134, 146, 6.5)
        p.poly([(116.2, 149), (139.8, 149), (128, 162)])
    c.fill(RED, heart)
    c.shadow(rgba((0x12, 0x3F, 0x9E), 60), lambda p: p.rect(440, 262, 540, 306, r=8), blur=6, dy=5)
    c.fill(WHITE, lambda p: p.rect(440, 262, 540, 306, r=8))
    avatar(c, 462, 284, 11, ring=None, bg=(0xFF, 0xE9, 0xC7), fg=ORANGE)
    c.fill(INK, lambda p: p.rect(480, 276, 526, 281, r=2.5))
    c.fill(MUTED, lambda p: p.rect(480, 287, 514, 292, r=2.5))
    return c.img


def tile_glyph(c, kind, x, y):
    """A white glyph in a 34 px app tile at x, y."""
    if kind == "doc":
        c.fill(WHITE, lambda p: p.rect(x + 10, y + 8, x + 24, y + 26, r=2))
        c.fill(rgba(BLUE, 255), lambda p: (p.rect(x + 13, y + 12, x + 21, y + 14),
                                           p.rect(x + 13, y + 16, x + 21, y + 18),
                                           p.rect(x + 13, y + 20, x + 18, y + 22)))
    elif kind == "calendar":
        c.fill(WHITE, lambda p: p.rect(x + 9, y + 10, x + 25, y + 25, r=2.5))
        c.fill(GREEN, lambda p: p.rect(x + 11, y + 15, x + 23, y + 23, r=1))
        c.fill(WHITE, lambda p: (p.rect(x + 13, y + 17, x + 16, y + 20), p.rect(x + 18, y + 17, x + 21, y + 20)))
        c.fill(WHITE, lambda p: (p.rect(x + 12, y + 7, x + 14, y + 12, r=1), p.rect(x + 20, y + 7, x + 22, y + 12, r=1)))
    elif kind == "chart":
        c.fill(WHITE, lambda p: (p.rect(x + 9, y + 18, x + 13, y + 26, r=1),
                                 p.rect(x + 15, y + 12, x + 19, y + 26, r=1),
                                 p.rect(x + 21, y + 8, x + 25, y + 26, r=1)))
    elif kind == "chat":
        c.fill(WHITE, lambda p: (p.rect(x + 8, y + 9, x + 26, y + 23, r=5),
                                 p.poly([(x + 12, y + 21), (x + 18, y + 21), (x + 11, y + 27)])))
        c.fill(PURPLE, lambda p: (p.ellipse(x + 12.5, y + 16, 1.6), p.ellipse(x + 17, y + 16, 1.6),
                                  p.ellipse(x + 21.5, y + 16, 1.6)))
    elif kind == "coin":
        c.fill(WHITE, lambda p: p.ellipse(x + 17, y + 17, 9))
        c.fill(ORANGE, lambda p: p.text(x + 17, y + 17.5, "¥", 12, anchor="mm", bold=0.3))
    elif kind == "folder":
        c.fill(WHITE, lambda p: (p.rect(x + 8, y + 10, x + 17, y + 15, r=2), p.rect(x + 8, y + 12, x + 26, y + 25, r=2.5)))
    elif kind == "bell":
        c.fill(WHITE, lambda p: (p.ellipse(x + 17, y + 16, 7, 8), p.rect(x + 10, y + 16, x + 24, y + 22),
                                 p.rect(x + 8, y + 21, x + 26, y + 24, r=1.5), p.ellipse(x + 17, y + 26, 2.5)))
    elif kind == "people":
        c.fill(WHITE, lambda p: (p.ellipse(x + 14, y + 13, 4), p.ellipse(x + 14, y + 26, 8, 6),
                                 p.ellipse(x + 22, y + 14, 3.2), p.ellipse(x + 23, y + 25, 6, 5)))


def slide_workbench():
    c = Canvas(640, 480, rgba(SLIDE_BLUE))
    slide_frame(c, "一站式智能工作台", "常用工具集中管理，日常事务高效处理", 1)
    x0, y0, x1, y1 = 130, 100, 510, 338
    app_window(c, x0, y0, x1, y1)
    # Sidebar.
    c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p: (p.rect(x0, y0 + 24, x0 + 52, y1, r=10),
                                                 p.rect(x0 + 10, y0 + 24, x0 + 52, y1)))
    c.fill(BLUE, lambda p: p.rect(x0 + 14, y0 + 36, x0 + 38, y0 + 60, r=7))
    c.fill(WHITE, lambda p: (p.rect(x0 + 19, y0 + 41, x0 + 25, y0 + 47, r=1.5), p.rect(x0 + 27, y0 + 41, x0 + 33, y0 + 47, r=1.5),
                             p.rect(x0 + 19, y0 + 49, x0 + 25, y0 + 55, r=1.5), p.rect(x0 + 27, y0 + 49, x0 + 33, y0 + 55, r=1.5)))
    for i in range(4):
        yy = y0 + 74 + i * 30
        c.fill(MUTED, lambda p, yy=yy: p.rect(x0 + 17, yy, x0 + 35, yy + 18, r=5))
    # Greeting and search.
    c.fill(INK, lambda p: p.rect(x0 + 68, y0 + 38, x0 + 150, y0 + 47, r=4.5))
    c.fill(MUTED, lambda p: p.rect(x0 + 68, y0 + 53, x0 + 190, y0 + 58, r=2.5))
    c.fill(FAINT, lambda p: p.rect(x1 - 128, y0 + 36, x1 - 18, y0 + 56, r=10))
    c.fill(MUTED, lambda p: p.ellipse(x1 - 114, y0 + 45, 4.5))
    c.fill(FAINT, lambda p: p.ellipse(x1 - 114, y0 + 45, 2.6))
    c.fill(MUTED, lambda p: p.stroke([(x1 - 111, y0 + 48), (x1 - 107, y0 + 52)], 2))
    # App tiles.
    tiles = [(BLUE, "doc"), (GREEN, "calendar"), (ORANGE, "chart"), (PURPLE, "chat"),
             (CYAN, "folder"), (RED, "bell"), ((0xFF, 0xB0, 0x20), "coin"), (SLIDE_BLUE, "people")]
    for i, (col, kind) in enumerate(tiles):
        tx = x0 + 70 + (i % 4) * 50
        ty = y0 + 74 + (i // 4) * 64
        c.fill(col, lambda p, tx=tx, ty=ty: p.rect(tx, ty, tx + 34, ty + 34, r=9))
        tile_glyph(c, kind, tx, ty)
        c.fill(MUTED, lambda p, tx=tx, ty=ty: p.rect(tx + 4, ty + 42, tx + 30, ty + 47, r=2.5))
    # Right column: a chart card and a task list.
    rx0, rx1 = x0 + 276, x1 - 16
    c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p: p.rect(rx0, y0 + 70, rx1, y0 + 160, r=8))
    heights = (22, 34, 28, 46, 38, 56)
    for i, hgt in enumerate(heights):
        bx = rx0 + 12 + i * 13
        col = BLUE if i == len(heights) - 1 else MID_BLUE
        c.fill(col, lambda p, bx=bx, hgt=hgt: p.rect(bx, y0 + 148 - hgt, bx + 8, y0 + 148, r=2))
    c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p: p.rect(rx0, y0 + 170, rx1, y1 - 14, r=8))
    for i in range(3):
        yy = y0 + 184 + i * 18
        done = i < 2
        if done:
            c.fill(GREEN, lambda p, yy=yy: p.ellipse(rx0 + 16, yy + 4, 6))
            c.fill(WHITE, lambda p, yy=yy: p.stroke([(rx0 + 13, yy + 4), (rx0 + 15.5, yy + 6.5), (rx0 + 19.5, yy + 1.5)], 1.6))
        else:
            c.fill(MUTED, lambda p, yy=yy: p.ellipse(rx0 + 16, yy + 4, 6))
            c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p, yy=yy: p.ellipse(rx0 + 16, yy + 4, 4.4))
        c.fill(MUTED if done else INK, lambda p, yy=yy, i=i: p.rect(rx0 + 28, yy + 2, rx0 + 28 + (58 - i * 8), yy + 7, r=2.5))
    # Floating notice card at the left.
    c.shadow(rgba((0x12, 0x3F, 0x9E), 60), lambda p: p.rect(78, 236, 190, 282, r=8), blur=6, dy=5)
    c.fill(WHITE, lambda p: p.rect(78, 236, 190, 282, r=8))
    c.fill(GREEN, lambda p: p.ellipse(100, 259, 11))
    c.fill(WHITE, lambda p: p.stroke([(95, 259), (99, 263), (105.5, 255)], 2.4))
    c.fill(INK, lambda p: p.rect(118, 251, 172, 256, r=2.5))
    c.fill(MUTED, lambda p: p.rect(118, 262, 158, 267, r=2.5))
    return c.img


def slide_community():
    c = Canvas(640, 480, rgba(SLIDE_BLUE))
    slide_frame(c, "财税问答社区", "专业财税问题，同行与专家在线解答", 2)
    x0, y0, x1, y1 = 150, 100, 490, 338
    app_window(c, x0, y0, x1, y1)
    # Search bar.
    c.fill(FAINT, lambda p: p.rect(x0 + 20, y0 + 36, x1 - 20, y0 + 58, r=11))
    c.fill(MUTED, lambda p: p.ellipse(x0 + 37, y0 + 46, 5))
    c.fill(FAINT, lambda p: p.ellipse(x0 + 37, y0 + 46, 3))
    c.fill(MUTED, lambda p: p.stroke([(x0 + 40.5, y0 + 49.5), (x0 + 44.5, y0 + 53.5)], 2.2))
    c.fill(MUTED, lambda p: p.rect(x0 + 52, y0 + 44, x0 + 140, y0 + 49, r=2.5))
    c.fill(BLUE, lambda p: p.rect(x1 - 62, y0 + 38, x1 - 22, y0 + 56, r=9))
    c.fill(WHITE, lambda p: p.rect(x1 - 52, y0 + 45, x1 - 32, y0 + 49, r=2))
    # Question card.
    qy = y0 + 70
    c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p: p.rect(x0 + 20, qy, x1 - 20, qy + 104, r=8))
    c.fill(BLUE, lambda p: p.rect(x0 + 32, qy + 12, x0 + 54, qy + 34, r=6))
    c.fill(WHITE, lambda p: p.text(x0 + 43, qy + 23.5, "问", 14, anchor="mm", bold=0.3))
    c.fill(INK, lambda p: p.rect(x0 + 64, qy + 15, x1 - 70, qy + 23, r=4))
    c.fill(INK, lambda p: p.rect(x0 + 64, qy + 27, x0 + 190, qy + 35, r=4))
    # Answer inside the card.
    avatar(c, x0 + 44, qy + 60, 11, ring=None, bg=(0xD4, 0xF5, 0xE0), fg=GREEN)
    c.fill(GREEN, lambda p: p.rect(x0 + 62, qy + 50, x0 + 84, qy + 66, r=4))
    c.fill(WHITE, lambda p: p.text(x0 + 73, qy + 58.5, "答", 11, anchor="mm", bold=0.2))
    lines(c, x0 + 92, qy + 52, (180, 150), colour=MUTED, h=5, gap=11)
    # Tags and likes.
    for i, w in enumerate((44, 56, 38)):
        tx = x0 + 32 + sum((44, 56, 38)[:i]) + i * 8
        c.fill(PALE_BLUE, lambda p, tx=tx, w=w: p.rect(tx, qy + 80, tx + w, qy + 94, r=7))
        c.fill(MID_BLUE, lambda p, tx=tx, w=w: p.rect(tx + 9, qy + 85, tx + w - 9, qy + 89, r=2))

    def thumb(p, x, y):
        p.rect(x, y + 5, x + 4, y + 13, r=1)
        p.rect(x + 5, y + 4, x + 14, y + 13, r=2.5)
        p.poly([(x + 5, y + 5), (x + 8, y - 1), (x + 10.5, y), (x + 10, y + 5)])
    c.fill(SLIDE_BLUE, lambda p: thumb(p, x1 - 92, qy + 81))
    c.fill(SLIDE_BLUE, lambda p: p.text(x1 - 72, qy + 87.5, "326", 12, anchor="lm", bold=0.3))
    # Second question, partly shown.
    sy = qy + 116
    c.fill(rgba((0xF5, 0xF8, 0xFE)), lambda p: p.rect(x0 + 20, sy, x1 - 20, y1 - 14, r=8))
    c.fill(ORANGE, lambda p: p.rect(x0 + 32, sy + 11, x0 + 54, sy + 33, r=6))
    c.fill(WHITE, lambda p: p.text(x0 + 43, sy + 22.5, "问", 14, anchor="mm", bold=0.3))
    c.fill(INK, lambda p: p.rect(x0 + 64, sy + 14, x1 - 100, sy + 22, r=4))
    c.fill(MUTED, lambda p: p.rect(x0 + 64, sy + 28, x0 + 160, sy + 33, r=2.5))
    # Floating question bubble and a tax badge.
    def bubble(p):
        p.ellipse(122, 168, 30)
        p.poly([(132, 190), (150, 206), (112, 194)])
    c.shadow(rgba((0x12, 0x3F, 0x9E), 60), bubble, blur=6, dy=5)
    c.fill(WHITE, bubble)
    c.fill(SLIDE_BLUE, lambda p: p.text(122, 168, "?", 36, anchor="mm", bold=1.0))
    c.shadow(rgba((0x12, 0x3F, 0x9E), 60), lambda p: p.ellipse(514, 290, 26), blur=6, dy=5)
    c.fill(GOLD, lambda p: p.ellipse(514, 290, 26))
    c.fill((0xFF, 0xD8, 0x80), lambda p: p.ellipse(514, 290, 20))
    c.fill((0xC9, 0x7A, 0x00), lambda p: p.text(514, 290.5, "税", 20, anchor="mm", bold=0.5))
    return c.img


# --------------------------------------------------------------------------


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    here = os.path.dirname(os.path.abspath(__file__))
    ap.add_argument("--out", default=here, help="folder that receives images/ and veltaro.ico")
    ap.add_argument("--verify", action="store_true",
                    help="draw into a temporary folder and compare with the files next to this script")
    args = ap.parse_args()
    if args.verify:
        return verify(here)
    draw_all(args.out)
    return 0


def verify(here):
    """Exit status 0 when a fresh drawing is byte-identical to the committed files."""
    import filecmp
    import tempfile
    with tempfile.TemporaryDirectory() as tmp:
        draw_all(tmp)
        names = sorted(os.listdir(os.path.join(tmp, "images")))
        pairs = [(os.path.join(tmp, "images", n), os.path.join(here, "images", n)) for n in names]
        pairs.append((os.path.join(tmp, "veltaro.ico"), os.path.join(here, "veltaro.ico")))
        differ = [b for a, b in pairs if not (os.path.isfile(b) and filecmp.cmp(a, b, shallow=False))]
        extra = sorted(set(os.listdir(os.path.join(here, "images"))) - set(names))
    for path in differ:
        print("differs from a fresh drawing: %s" % os.path.relpath(path, here))
    for n in extra:
        print("not drawn by this script: images/%s" % n)
    print("%d files compared, %d differ, %d extra" % (len(pairs), len(differ), len(extra)))
    return 1 if differ or extra else 0


def draw_all(out):
    img_dir = os.path.join(out, "images")
    os.makedirs(img_dir, exist_ok=True)

    def png(name, img):
        save_png(img, os.path.join(img_dir, name + ".png"))

    png("BTN_LANB200X44_NORMAL", pill_button(BLUE))
    png("BTN_LANB200X44_HOVER", pill_button(BLUE_HOVER))
    png("BTN_LANB200X44_DOWN", pill_button(BLUE_DOWN))
    png("BTN_BAIB90X36_NORMAL", outlined_box(90, 36, 4, GREY_LINE, WHITE))
    png("BTN_BAIB90X36_DOWN", outlined_box(90, 36, 4, GREY_LINE_DOWN, GREY_FACE))
    png("BTN_GUANBI_NORMAL", close_cross(16, DARK, 3.0, 1.6))
    png("BTN_GUANBI_DOWN", close_cross(16, CROSS_BLUE, 3.0, 1.6))
    png("BTN_GUANBI_BLUE_NORMAL", close_cross(10, WHITE, 1.5, 1.4))
    png("BTN_GUANBI_BLUE_DOWN", close_cross(10, CROSS_PALE, 1.5, 1.4))
    png("IMPUT_300X36", outlined_box(300, 36, 4, INPUT_LINE, WHITE))
    png("BG_BANBEN", badge())
    png("ICON_ANZHUANGWANCHENG", done_tick())
    save_indexed_png(logo(), os.path.join(img_dir, "LOGO_90X90.png"))
    png("BG_JSAZ", page_background())
    png("BG31", slide_home())
    png("BG32", slide_workbench())
    png("BG33", slide_community())
    save_ico(program_icon(), os.path.join(out, "veltaro.ico"))

    base = welcome_base()
    frames = [welcome_frame(base, i) for i in range(FRAMES)]
    save_gif(frames, os.path.join(img_dir, "BG_JSAZ1.gif"))


if __name__ == "__main__":
    sys.exit(main())
