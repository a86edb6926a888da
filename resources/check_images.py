#!/usr/bin/env python3
"""Verifies the window's pictures, the program icon and the resource script.

    python3 resources/check_images.py [RESOURCES_DIR]

Standard library only: PNG chunks, GIF blocks (LZW included) and the ICO header
are parsed here. Checks every file's format and size, the flat colours the
window's screenshot tests probe, that the areas where the window draws its own
texts and buttons are left plain, the animation layout, and the size budget.
Prints one line per file and exits 1 on the first file with faults (after
listing all of that run's faults).
"""

import os
import re
import struct
import sys
import zlib

ROOT = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
IMAGES = os.path.join(ROOT, "images")

TOTAL_BUDGET = 450 * 1024      # all pictures and the icon together
FACE_BUDGET = 1187             # a button face is decoded on every mouse change

# name: (format, width, height, PNG colour type)
TABLE = {
    "BG_JSAZ1": ("gif", 640, 480, None),
    "BG_JSAZ": ("png", 640, 480, 6),
    "BG_BANBEN": ("png", 58, 20, 6),
    "BG31": ("png", 640, 480, 6),
    "BG32": ("png", 640, 480, 6),
    "BG33": ("png", 640, 480, 6),
    "BTN_LANB200X44_NORMAL": ("png", 200, 44, 6),
    "BTN_LANB200X44_HOVER": ("png", 200, 44, 6),
    "BTN_LANB200X44_DOWN": ("png", 200, 44, 6),
    "BTN_BAIB90X36_NORMAL": ("png", 90, 36, 6),
    "BTN_BAIB90X36_DOWN": ("png", 90, 36, 6),
    "BTN_GUANBI_NORMAL": ("png", 16, 16, 6),
    "BTN_GUANBI_DOWN": ("png", 16, 16, 6),
    "BTN_GUANBI_BLUE_NORMAL": ("png", 10, 10, 6),
    "BTN_GUANBI_BLUE_DOWN": ("png", 10, 10, 6),
    "IMPUT_300X36": ("png", 300, 36, 6),
    "LOGO_90X90": ("png", 90, 90, 3),
    "ICON_ANZHUANGWANCHENG": ("png", 44, 44, 6),
}
FACES = [n for n in TABLE if n.startswith("BTN_")]


def hexrgb(s):
    return (int(s[1:3], 16), int(s[3:5], 16), int(s[5:7], 16))


class Fault(Exception):
    pass


class Report:
    def __init__(self):
        self.faults = []

    def expect(self, cond, what):
        if not cond:
            self.faults.append(what)
        return cond


# --------------------------------------------------------------------------
# PNG


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    if pb <= pc:
        return b
    return c


def read_png(path, rep):
    """Returns (info, rows of RGBA tuples) or raises Fault."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise Fault("not a PNG signature")
    pos = 8
    chunks = []
    while pos < len(data):
        if pos + 8 > len(data):
            raise Fault("truncated chunk header")
        length, ctype = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        crc = data[pos + 8 + length:pos + 12 + length]
        if len(body) != length or len(crc) != 4:
            raise Fault("truncated chunk %r" % ctype)
        if struct.unpack(">I", crc)[0] != zlib.crc32(ctype + body) & 0xFFFFFFFF:
            raise Fault("bad CRC in chunk %r" % ctype)
        chunks.append((ctype, body))
        pos += 12 + length
        if ctype == b"IEND":
            break
    if pos != len(data):
        raise Fault("bytes after IEND")
    types = [t for t, _ in chunks]
    if types[0] != b"IHDR" or types[-1] != b"IEND":
        raise Fault("IHDR must come first and IEND last")
    w, h, depth, ctype, comp, filt, inter = struct.unpack(">IIBBBBB", chunks[0][1])
    info = {"w": w, "h": h, "depth": depth, "ctype": ctype, "interlace": inter}
    rep.expect(comp == 0 and filt == 0, "compression/filter method not 0")
    idat_at = [i for i, t in enumerate(types) if t == b"IDAT"]
    if not idat_at or idat_at != list(range(idat_at[0], idat_at[-1] + 1)):
        raise Fault("IDAT chunks missing or not consecutive")
    if depth != 8 or inter != 0 or ctype not in (3, 6):
        return info, None  # the caller reports the format; nothing to decode
    palette = None
    if ctype == 3:
        plte = [b for t, b in chunks if t == b"PLTE"]
        if len(plte) != 1 or len(plte[0]) % 3 or not plte[0]:
            raise Fault("indexed PNG without a valid PLTE")
        trns = ([b for t, b in chunks if t == b"tRNS"] or [b""])[0]
        n = len(plte[0]) // 3
        palette = [tuple(plte[0][i * 3:i * 3 + 3]) + ((trns[i] if i < len(trns) else 255),) for i in range(n)]
        info["palette"] = palette
    raw = zlib.decompress(b"".join(b for t, b in chunks if t == b"IDAT"))
    bpp = 4 if ctype == 6 else 1
    stride = w * bpp
    if len(raw) != h * (stride + 1):
        raise Fault("image data has %d bytes, expected %d" % (len(raw), h * (stride + 1)))
    prev = bytearray(stride)
    rows = []
    for y in range(h):
        ft = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if ft == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif ft == 2:
            for i in range(stride):
                line[i] = (line[i] + prev[i]) & 0xFF
        elif ft == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif ft == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                ul = prev[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + paeth(left, prev[i], ul)) & 0xFF
        elif ft != 0:
            raise Fault("unknown filter type %d in row %d" % (ft, y))
        if ctype == 6:
            rows.append([tuple(line[i:i + 4]) for i in range(0, stride, 4)])
        else:
            for v in line:
                if v >= len(palette):
                    raise Fault("palette index %d out of range" % v)
            rows.append([palette[v] for v in line])
        prev = line
    return info, rows


# --------------------------------------------------------------------------
# GIF


def lzw_decode(data, min_size, expected):
    clear = 1 << min_size
    eoi = clear + 1
    size = min_size + 1
    table = [(i,) for i in range(clear)] + [None, None]
    out = []
    acc = nbits = 0
    pos = 0
    prev = None
    while True:
        while nbits < size:
            if pos >= len(data):
                raise Fault("LZW data ends without an end code")
            acc |= data[pos] << nbits
            pos += 1
            nbits += 8
        code = acc & ((1 << size) - 1)
        acc >>= size
        nbits -= size
        if code == clear:
            size = min_size + 1
            del table[clear + 2:]
            prev = None
            continue
        if code == eoi:
            break
        if prev is None:
            if code >= clear:
                raise Fault("LZW stream starts with code %d" % code)
            entry = table[code]
        elif code < len(table):
            entry = table[code]
            if len(table) < 4096:
                table.append(prev + entry[:1])
        elif code == len(table):
            entry = prev + prev[:1]
            table.append(entry)
        else:
            raise Fault("LZW code %d beyond table of %d" % (code, len(table)))
        out.extend(entry)
        prev = entry
        if len(table) == (1 << size) and size < 12:
            size += 1
    if len(out) != expected:
        raise Fault("frame decodes to %d pixels, expected %d" % (len(out), expected))
    return out


def read_gif(path):
    data = open(path, "rb").read()
    if data[:6] != b"GIF89a":
        raise Fault("not a GIF89a")
    w, h, flags, _bg, _aspect = struct.unpack("<HHBBB", data[6:13])
    pos = 13
    gct = 0
    if flags & 0x80:
        gct = 2 << (flags & 7)
        pos += 3 * gct
    info = {"w": w, "h": h, "gct": gct, "loops": [], "frames": []}
    gce = None

    def blocks(p):
        out = bytearray()
        while True:
            n = data[p]
            p += 1
            if n == 0:
                return bytes(out), p
            out += data[p:p + n]
            p += n

    while True:
        if pos >= len(data):
            raise Fault("no trailer")
        intro = data[pos]
        if intro == 0x3B:
            pos += 1
            break
        if intro == 0x21:
            label = data[pos + 1]
            if label == 0xF9:
                size = data[pos + 2]
                if size != 4:
                    raise Fault("graphic control block of size %d" % size)
                pflags, delay, tindex = struct.unpack("<BHB", data[pos + 3:pos + 7])
                gce = {"disposal": (pflags >> 2) & 7, "transparent": tindex if pflags & 1 else None,
                       "delay": delay}
                _, pos = blocks(pos + 7)
            elif label == 0xFF:
                size = data[pos + 2]
                ident = data[pos + 3:pos + 3 + size]
                body, pos = blocks(pos + 3 + size)
                if ident == b"NETSCAPE2.0" and len(body) >= 3 and body[0] == 1:
                    info["loops"].append((struct.unpack("<H", body[1:3])[0], len(info["frames"])))
            else:
                _, pos = blocks(pos + 2)
        elif intro == 0x2C:
            x, y, fw, fh, iflags = struct.unpack("<HHHHB", data[pos + 1:pos + 10])
            pos += 10
            lct = 0
            if iflags & 0x80:
                lct = 2 << (iflags & 7)
                pos += 3 * lct
            min_size = data[pos]
            lzw, pos = blocks(pos + 1)
            pixels = lzw_decode(lzw, min_size, fw * fh)
            table = lct or gct
            if table and max(pixels) >= table:
                raise Fault("frame %d uses index %d beyond its colour table" % (len(info["frames"]), max(pixels)))
            info["frames"].append({"x": x, "y": y, "w": fw, "h": fh, "gce": gce,
                                   "interlaced": bool(iflags & 0x40), "pixels": pixels})
            gce = None
        else:
            raise Fault("unknown block 0x%02X at %d" % (intro, pos))
    if pos != len(data):
        raise Fault("bytes after the trailer")
    return info


# --------------------------------------------------------------------------
# Probes on decoded pixels


def region(rows, x0, y0, x1, y1):
    for y in range(y0, y1):
        for x in range(x0, x1):
            yield x, y, rows[y][x]


def flat(rep, rows, box, colour, what):
    """Every pixel of box is exactly colour and opaque."""
    want = colour + (255,)
    bad = [(x, y, p) for x, y, p in region(rows, *box) if p != want]
    rep.expect(not bad, "%s: %d pixels of %s are not #%02X%02X%02X (first %r)"
               % (what, len(bad), box, *colour, bad[:1]))


def transparent(rep, rows, points, what):
    for x, y in points:
        rep.expect(rows[y][x][3] == 0, "%s: pixel %d,%d should be transparent, is %r" % (what, x, y, rows[y][x]))


def opaque_colour(rep, rows, points, colour, what, min_alpha=255):
    for x, y in points:
        p = rows[y][x]
        rep.expect(p[:3] == colour and p[3] >= min_alpha,
                   "%s: pixel %d,%d should be #%02X%02X%02X, is %r" % (what, x, y, *colour, p))


def one_colour(rep, rows, colour, what):
    """A shape in one colour on transparency: partly covered pixels keep the colour."""
    bad = [(x, y, p) for y, row in enumerate(rows) for x, p in enumerate(row) if p[3] and p[:3] != colour]
    rep.expect(not bad, "%s: %d visible pixels are not #%02X%02X%02X (first %r)" % (what, len(bad), *colour, bad[:1]))


def count(rows, pred, box=None):
    if box is None:
        box = (0, 0, len(rows[0]), len(rows))
    return sum(1 for _, _, p in region(rows, *box) if pred(p))


BLUE, HOVER, DOWN = hexrgb("#2E7BFB"), hexrgb("#468CFF"), hexrgb("#2A6FE3")
WHITE = (255, 255, 255)


def check_large_button(rep, rows, colour):
    flat(rep, rows, (24, 2, 176, 42), colour, "face")
    one_colour(rep, rows, colour, "face")
    # Fully curved ends: the end is a half disc of radius 22, so the corner
    # squares are clear well inside the box.
    transparent(rep, rows, [(0, 0), (199, 0), (0, 43), (199, 43), (3, 3), (196, 3), (3, 40), (196, 40),
                            (0, 8), (199, 35)], "corner")
    opaque_colour(rep, rows, [(2, 22), (197, 21), (22, 0), (177, 43)], colour, "end")


def check_outlined(rep, rows, w, h, line, face):
    flat(rep, rows, (4, 2, w - 4, h - 2), face, "face")
    opaque_colour(rep, rows, [(w // 2, 0), (w // 2, h - 1), (0, h // 2), (w - 1, h // 2)], line, "outline")
    opaque_colour(rep, rows, [(w // 2, 1), (1, h // 2)], face, "inside the outline")
    rep.expect(rows[0][0][3] < 255, "corner 0,0 should be rounded")


def check_cross(rep, rows, n, colour):
    one_colour(rep, rows, colour, "cross")
    m = n // 2
    opaque_colour(rep, rows, [(m - 1, m - 1), (m, m), (m - 1, m), (m, m - 1)], colour, "centre")
    q = n // 4 + (1 if n > 10 else 0)
    opaque_colour(rep, rows, [(q, q), (n - 1 - q, q), (q, n - 1 - q), (n - 1 - q, n - 1 - q)], colour,
                  "arm", min_alpha=200)
    transparent(rep, rows, [(m, 0), (0, m), (n - 1, m), (m, n - 1)], "between the arms")


def check_file_png(name, path, rep):
    fmt, w, h, ctype = TABLE[name]
    info, rows = read_png(path, rep)
    rep.expect((info["w"], info["h"]) == (w, h), "size %dx%d, expected %dx%d" % (info["w"], info["h"], w, h))
    rep.expect(info["depth"] == 8, "bit depth %d" % info["depth"])
    rep.expect(info["ctype"] == ctype, "colour type %d, expected %d" % (info["ctype"], ctype))
    rep.expect(info["interlace"] == 0, "interlaced")
    if rows is None or (info["w"], info["h"]) != (w, h):
        return
    if name in ("BTN_LANB200X44_NORMAL", "BTN_LANB200X44_HOVER", "BTN_LANB200X44_DOWN"):
        check_large_button(rep, rows, {"NORMAL": BLUE, "HOVER": HOVER, "DOWN": DOWN}[name.rsplit("_", 1)[1]])
    elif name == "BTN_BAIB90X36_NORMAL":
        check_outlined(rep, rows, 90, 36, hexrgb("#C7C7C7"), WHITE)
    elif name == "BTN_BAIB90X36_DOWN":
        check_outlined(rep, rows, 90, 36, hexrgb("#B8B8B8"), hexrgb("#F3F3F3"))
    elif name == "IMPUT_300X36":
        check_outlined(rep, rows, 300, 36, hexrgb("#D5D5D5"), WHITE)
    elif name == "BTN_GUANBI_NORMAL":
        check_cross(rep, rows, 16, hexrgb("#333333"))
    elif name == "BTN_GUANBI_DOWN":
        check_cross(rep, rows, 16, hexrgb("#3887FF"))
    elif name == "BTN_GUANBI_BLUE_NORMAL":
        check_cross(rep, rows, 10, WHITE)
    elif name == "BTN_GUANBI_BLUE_DOWN":
        check_cross(rep, rows, 10, hexrgb("#ACCDF9"))
    elif name == "BG_BANBEN":
        red = hexrgb("#F95C5C")
        flat(rep, rows, (10, 1, 48, 19), red, "badge")
        one_colour(rep, rows, red, "badge")
        transparent(rep, rows, [(0, 0), (57, 0), (0, 19), (57, 19), (1, 2)], "curved end")
    elif name == "ICON_ANZHUANGWANCHENG":
        green = hexrgb("#30CA66")
        transparent(rep, rows, [(0, 0), (43, 0), (0, 43), (43, 43), (4, 4)], "outside the disc")
        rep.expect(count(rows, lambda p: p == green + (255,)) >= 900, "too little flat #30CA66 on the disc")
        flat(rep, rows, (4, 18, 9, 26), green, "left of the tick")
        flat(rep, rows, (18, 4, 26, 9), green, "above the tick")
        rep.expect(count(rows, lambda p: p == (255, 255, 255, 255)) >= 60, "the white tick is missing")
        opaque_colour(rep, rows, [(19, 29)], WHITE, "tick corner")
    elif name == "LOGO_90X90":
        rep.expect(len(info["palette"]) <= 256, "palette too long")
        transparent(rep, rows, [(0, 0), (89, 0), (0, 89), (89, 89)], "corner")
        rep.expect(count(rows, lambda p: p == BLUE + (255,), (0, 0, 90, 58)) >= 800, "no blue letter mark")
        rep.expect(count(rows, lambda p: p == WHITE + (255,), (0, 0, 90, 58)) >= 60, "no white letter in the mark")
        rep.expect(count(rows, lambda p: p == BLUE + (255,), (0, 58, 90, 90)) >= 100, "no blue digits below the mark")
    elif name == "BG_JSAZ":
        rep.expect(count(rows, lambda p: p[3] != 255) == 0, "background has transparent pixels")
        # Texts, the tick, the edit frame and the buttons of pages 1 and 3 lie here.
        flat(rep, rows, (0, 0, 640, 370), WHITE, "upper part")
        rep.expect(all(p[2] > p[0] and p[:3] != WHITE for p in rows[479]), "no blue hills along the bottom")
        rep.expect(len(set(p for p in rows[470])) >= 2 or len(set(rows[440])) >= 2, "hills are one flat band")
    elif name in ("BG31", "BG32", "BG33"):
        ground = hexrgb("#3B85FF")
        rep.expect(count(rows, lambda p: p[3] != 255) == 0, "slide has transparent pixels")
        flat(rep, rows, (606, 4, 636, 34), ground, "close button area")
        rep.expect(count(rows, lambda p: p == ground + (255,), (0, 0, 640, 415)) >= 640 * 415 // 4,
                   "less than a quarter of the visible slide is the ground blue")
        rep.expect(count(rows, lambda p: p == WHITE + (255,), (120, 25, 520, 80)) >= 300, "no white headline")
        rep.expect(count(rows, lambda p: p[:3] != ground and min(p[:3]) > 150, (100, 355, 540, 385)) >= 150,
                   "no caption below the illustration")
        rep.expect(count(rows, lambda p: p[:3] != ground, (100, 95, 540, 345)) >= 70000
                   and count(rows, lambda p: p == WHITE + (255,), (100, 95, 540, 345)) >= 15000,
                   "no illustration in the middle")
    return rows


def check_gif(path, rep):
    info = read_gif(path)
    frames = info["frames"]
    rep.expect((info["w"], info["h"]) == (640, 480), "screen %dx%d" % (info["w"], info["h"]))
    rep.expect(info["gct"] > 0, "no global colour table")
    rep.expect(len(frames) == 48, "%d frames, expected 48" % len(frames))
    rep.expect([lc for lc, _ in info["loops"]] == [0], "loop extension %r, expected one with count 0" % info["loops"])
    rep.expect(all(at == 0 for _, at in info["loops"]), "loop extension after the first frame")
    if not frames:
        return
    gces = [f["gce"] for f in frames]
    rep.expect(all(g is not None for g in gces), "a frame without graphic control")
    gces = [g or {"delay": -1, "transparent": None, "disposal": -1} for g in gces]
    rep.expect(all(g["delay"] == 4 for g in gces), "delays %r, expected 4 (40 ms)" % sorted({g["delay"] for g in gces}))
    tset = {g["transparent"] for g in gces}
    rep.expect(len(tset) == 1 and None not in tset, "transparent colours %r, expected one" % tset)
    rep.expect(all(g["disposal"] in (0, 1) for g in gces), "a frame is disposed; later frames must draw over it")
    rep.expect(not any(f["interlaced"] for f in frames), "interlaced frame")
    first = frames[0]
    rep.expect((first["x"], first["y"], first["w"], first["h"]) == (0, 0, 640, 480), "first frame is not the full picture")
    trans = tset.pop() if len(tset) == 1 else None
    rep.expect(trans not in first["pixels"], "the first frame has holes (transparent pixels)")
    for n, f in enumerate(frames[1:], 1):
        rep.expect(f["x"] + f["w"] <= 640 and f["y"] + f["h"] <= 480, "frame %d outside the screen" % n)
        rep.expect(0 < f["w"] * f["h"] < 640 * 480, "frame %d is not a smaller rectangle" % n)
        rep.expect(any(v != trans for v in f["pixels"]), "frame %d draws nothing" % n)
    # Play it: the composed pictures must keep moving and come back to the start.
    canvas = list(first["pixels"])
    seen = set()
    for f in frames[1:]:
        i = 0
        for y in range(f["y"], f["y"] + f["h"]):
            base = y * 640 + f["x"]
            for x in range(f["w"]):
                v = f["pixels"][i]
                i += 1
                if v != trans:
                    canvas[base + x] = v
        seen.add(hash(bytes(canvas)))
    rep.expect(len(seen) >= 40, "only %d distinct pictures in the cycle" % len(seen))
    # The window draws its title, slogan and close button over these areas.
    pal = None
    data = open(path, "rb").read()
    if info["gct"]:
        pal = [tuple(data[13 + 3 * i:16 + 3 * i]) for i in range(info["gct"])]
    if pal:
        px = first["pixels"]
        for box, what in (((220, 50, 420, 112), "title and slogan area"), ((606, 4, 636, 34), "close button area")):
            x0, y0, x1, y1 = box
            bad = sum(1 for y in range(y0, y1) for x in range(x0, x1) if pal[px[y * 640 + x]] != WHITE)
            rep.expect(bad == 0, "%s of the first frame is not plain white (%d pixels)" % (what, bad))
        rep.expect(BLUE in pal or hexrgb("#3B85FF") in pal, "no blue in the palette")


def check_ico(path, rep):
    data = open(path, "rb").read()
    reserved, typ, n = struct.unpack("<HHH", data[:6])
    rep.expect((reserved, typ, n) == (0, 1, 1), "icon header %r, expected one icon image" % ((reserved, typ, n),))
    w, h, colours, _r, planes, bpp, size, offset = struct.unpack("<BBBBHHII", data[6:22])
    rep.expect((w, h, bpp) == (64, 64, 32), "directory entry %dx%dx%d" % (w, h, bpp))
    rep.expect(colours == 0 and planes == 1, "entry colours/planes %d/%d" % (colours, planes))
    rep.expect(offset == 22 and offset + size == len(data), "image data at %d+%d, file %d" % (offset, size, len(data)))
    hdr = struct.unpack("<IiiHHI", data[offset:offset + 20])
    rep.expect(hdr == (40, 64, 128, 1, 32, 0), "image header %r" % (hdr,))
    rep.expect(size == 40 + 64 * 64 * 4 + 64 * 8, "image data of %d bytes" % size)
    px = data[offset + 40:offset + 40 + 64 * 64 * 4]

    def alpha(x, y):  # rows stored bottom-up
        return px[((63 - y) * 64 + x) * 4 + 3]
    rep.expect(alpha(0, 0) == 0 and alpha(63, 63) == 0, "icon corners are not transparent")
    rep.expect(alpha(32, 32) == 255 and alpha(10, 32) == 255, "icon centre is not opaque")


def check_rc(rep):
    path = os.path.join(ROOT, "resources.rc")
    text = open(path, encoding="utf-8").read()
    found = {}
    icons = []
    for line in text.splitlines():
        line = line.split("//")[0].strip()
        if not line:
            continue
        m = re.fullmatch(r'(\w+)\s+(RCDATA|ICON)\s+"([^"]+)"', line)
        if not rep.expect(m is not None, "resources.rc: cannot read %r" % line):
            continue
        name, kind, rel = m.groups()
        rep.expect(os.path.isfile(os.path.join(ROOT, rel)), "resources.rc: %s names missing %s" % (name, rel))
        if kind == "ICON":
            icons.append((name, rel))
        else:
            rep.expect(name not in found, "resources.rc: %s twice" % name)
            found[name] = rel
    rep.expect(icons == [("MAINICON", "veltaro.ico")], "resources.rc: icon lines %r" % icons)
    for name, (fmt, _, _, _) in TABLE.items():
        rep.expect(found.get(name) == "images/%s.%s" % (name, fmt), "resources.rc: %s -> %r" % (name, found.get(name)))
    extra = set(found) - set(TABLE)
    rep.expect(not extra, "resources.rc: unknown resources %s" % sorted(extra))


def main():
    failed = 0
    total = 0
    for name, (fmt, w, h, _) in TABLE.items():
        path = os.path.join(IMAGES, "%s.%s" % (name, fmt))
        rep = Report()
        if not os.path.isfile(path):
            rep.faults.append("missing")
        else:
            size = os.path.getsize(path)
            total += size
            if name in FACES:
                rep.expect(size <= FACE_BUDGET, "%d bytes, a face may have at most %d" % (size, FACE_BUDGET))
            try:
                if fmt == "gif":
                    check_gif(path, rep)
                else:
                    check_file_png(name, path, rep)
            except Fault as e:
                rep.faults.append(str(e))
            except (struct.error, IndexError, zlib.error, ValueError) as e:
                rep.faults.append("unreadable (%s: %s)" % (type(e).__name__, e))
        status = "ok" if not rep.faults else "FAULT"
        print("%-24s %-5s %s" % (name, status, "; ".join(rep.faults)))
        failed += bool(rep.faults)

    ico = os.path.join(ROOT, "veltaro.ico")
    rep = Report()
    if os.path.isfile(ico):
        total += os.path.getsize(ico)
        try:
            check_ico(ico, rep)
        except (struct.error, IndexError) as e:
            rep.faults.append("unreadable (%s: %s)" % (type(e).__name__, e))
    else:
        rep.faults.append("missing")
    print("%-24s %-5s %s" % ("veltaro.ico", "ok" if not rep.faults else "FAULT", "; ".join(rep.faults)))
    failed += bool(rep.faults)

    rep = Report()
    check_rc(rep)
    print("%-24s %-5s %s" % ("resources.rc", "ok" if not rep.faults else "FAULT", "; ".join(rep.faults)))
    failed += bool(rep.faults)

    ok = total <= TOTAL_BUDGET
    print("total %d bytes (budget %d): %s" % (total, TOTAL_BUDGET, "ok" if ok else "FAULT"))
    failed += not ok
    print("%d of %d checks failed" % (failed, len(TABLE) + 3))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
