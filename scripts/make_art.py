#!/usr/bin/env python3
"""Generate Hopdeck's artwork: res/hotswitch.png (the button strip, at twice
its size at 100 %: the program averages it down where the scale is lower), and
res/Hopdeck.ico.

Standard library, plus zopflipng (Debian package `zopfli`) to recompress the
PNGs losslessly into fewer bytes; without it the script still runs and writes
the standard library's larger encoding, with a warning.  Fully deterministic:
running it twice produces identical bytes.  The build does not run it: the
generated files are committed.  Run from the repository root:
python3 scripts/make_art.py
"""
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

SS = 4  # supersampling grid per pixel axis (SS*SS samples per pixel)


# --------------------------------------------------------------------------
# Rasteriser helpers
# --------------------------------------------------------------------------

def render(w, h, shade):
    """Rasterise shade(x, y) -> (r, g, b, a) floats in 0..1 with SS*SS samples.

    Samples are averaged in premultiplied space and stored straight (not
    premultiplied) as 8-bit RGBA rows.  Fully transparent pixels get rgb = 0.
    """
    rows = []
    n = SS * SS
    offs = [(i + 0.5) / SS for i in range(SS)]
    for py in range(h):
        row = []
        for px in range(w):
            ar = ag = ab = aa = 0.0
            for oy in offs:
                for ox in offs:
                    r, g, b, a = shade(px + ox, py + oy)
                    ar += r * a
                    ag += g * a
                    ab += b * a
                    aa += a
            a8 = int(round(aa / n * 255))
            if a8 == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(min(255, int(round(c / aa * 255))) for c in (ar, ag, ab)) + (a8,))
        rows.append(row)
    return rows


def over(top, bottom):
    """Porter-Duff 'over' for straight-alpha float colours."""
    ta, ba = top[3], bottom[3]
    oa = ta + ba * (1 - ta)
    if oa <= 0:
        return (0.0, 0.0, 0.0, 0.0)
    return tuple((top[i] * ta + bottom[i] * ba * (1 - ta)) / oa for i in range(3)) + (oa,)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def smooth(e0, e1, x):
    t = max(0.0, min(1.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


def hexc(s):
    return tuple(int(s[i:i + 2], 16) / 255 for i in (0, 2, 4))


def in_poly(x, y, pts):
    """Point in a convex polygon given counter- or clockwise."""
    sign = 0
    for i in range(len(pts)):
        x0, y0 = pts[i]
        x1, y1 = pts[(i + 1) % len(pts)]
        c = (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0)
        if c != 0:
            s = 1 if c > 0 else -1
            if sign and s != sign:
                return False
            sign = s
    return True


def in_rrect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


# --------------------------------------------------------------------------
# Glossy ball
# --------------------------------------------------------------------------

def ball_shader(cx, cy, rad, base, dark, rim):
    """A glass-like sphere: body shading, bottom rim glow and a top gloss."""
    base, dark, rim = hexc(base), hexc(dark), hexc(rim)
    white = (1.0, 1.0, 1.0)

    def shade(x, y):
        nx, ny = (x - cx) / rad, (y - cy) / rad
        d2 = nx * nx + ny * ny
        if d2 > 1.0:
            return (0.0, 0.0, 0.0, 0.0)
        d = math.sqrt(d2)
        nz = math.sqrt(1.0 - d2)
        # Body: light comes from above; darken toward the silhouette.
        light = max(0.0, -0.35 * nx - 0.55 * ny + 0.76 * nz)
        col = mix(dark, base, 0.25 + 0.85 * light)
        col = mix(col, dark, smooth(0.80, 1.0, d) * 0.8)
        # Light passing through the glass brightens the lower inside edge.
        glow = smooth(0.35, 0.95, ny) * smooth(0.55, 0.93, d) * (1 - smooth(0.93, 1.0, d))
        col = mix(col, rim, glow * 0.85)
        # Top gloss: a soft ellipse fading from near-white to clear.
        gx, gy = nx / 0.66, (ny + 0.46) / 0.42
        g2 = gx * gx + gy * gy
        if g2 < 1.0:
            a = (1 - smooth(0.55, 1.0, g2)) * (0.92 - 0.75 * smooth(-0.9, 0.9, gy))
            col = mix(col, white, a)
        # Small crisp specular spot inside the gloss.
        sx, sy = (nx + 0.22) / 0.16, (ny + 0.56) / 0.11
        col = mix(col, white, (1 - smooth(0.3, 1.0, sx * sx + sy * sy)) * 0.9)
        # Slightly translucent silhouette edge keeps it soft on any background.
        alpha = 1.0 - 0.25 * smooth(0.9, 1.0, d)
        return col + (alpha,)

    return shade


BALLS = [  # (base, dark, rim glow)
    ("9fd3f5", "3f7fb8", "e6f7ff"),  # 0 normal: pale blue glass
    ("ff9a2e", "b3470a", "ffe08a"),  # 1 hover: orange
    ("ff9a2e", "b3470a", "ffe08a"),  # 2 pressed: the hover ball, smaller (made by the program)
    ("b4b8bc", "5f6368", "eceef0"),  # 3 disabled: grey
    ("2f8cff", "0d3c9e", "9fdcff"),  # 4 focused: saturated blue
]


def make_strip(scale=1):
    """The frames stacked top to bottom, all but the pressed one: the program
    draws that as the hover ball at nine tenths of its size, which is what the
    shader, whose shading goes by the radius, would render.  scale=2 draws the
    same geometry at twice the size for 200 % displays, so it is rendered, not
    enlarged."""
    size, rows = 48 * scale, []
    for i, (base, dark, rim) in enumerate(BALLS):
        if i != 2:
            rows += render(size, size, ball_shader(24.0 * scale, 24.0 * scale, 22.0 * scale, base, dark, rim))
    return size, size * (len(BALLS) - 1), rows


# --------------------------------------------------------------------------
# Application icon: blue rounded tile with a white two-way "swap" arrow pair
# --------------------------------------------------------------------------

# The same design is laid out by hand for each size rather than scaled, so the
# tile's straight edges and the arrow shafts fall on whole pixels and stay
# crisp.  Per size: tile rectangle, corner radius, border width, drop-shadow
# offset (0 = none), and the upper, right-pointing arrow as a shaft rectangle
# plus a head triangle.  The lower arrow is the upper one turned half a turn
# about the tile centre.  Sizes up to 24 fill the whole square and leave out
# the shadow, which would only blur them.
ICON_SIZES = (48, 40, 32, 24, 20, 16)  # order of the images in the .ico
ICON_LAYOUTS = {
    16: ((0, 0, 16, 16), 3.5, 0.75, 0.0,
         [(2, 3), (9.5, 3), (9.5, 5), (2, 5)], [(9, 1), (12, 4), (9, 7)]),
    20: ((0, 0, 20, 20), 4.5, 1.0, 0.0,
         [(2, 4), (11.5, 4), (11.5, 6), (2, 6)], [(11, 1), (15, 5), (11, 9)]),
    24: ((0, 0, 24, 24), 5.0, 1.0, 0.0,
         [(3, 4), (13.5, 4), (13.5, 7), (3, 7)], [(13, 1), (17.5, 5.5), (13, 10)]),
    32: ((1, 1, 31, 31), 6.0, 1.0, 1.0,
         [(6, 8), (18, 8), (18, 12), (6, 12)], [(17, 4), (25, 10), (17, 16)]),
    40: ((1, 1, 39, 39), 7.5, 1.0, 1.0,
         [(7, 10), (22, 10), (22, 15), (7, 15)], [(21, 5), (31, 12.5), (21, 20)]),
    48: ((1, 1, 47, 47), 9.0, 1.5, 1.5,
         [(9, 12), (27, 12), (27, 18), (9, 18)], [(26, 6), (38, 15), (26, 24)]),
}


def icon_shader(n):
    top, bot, edge = hexc("5fb2ff"), hexc("1456c4"), hexc("0b3680")
    white = (1.0, 1.0, 1.0, 1.0)
    tile, rr, bw, shadow, shaft, head = ICON_LAYOUTS[n]
    x0, y0, x1, y1 = tile
    turned = [[(x0 + x1 - x, y0 + y1 - y) for x, y in p] for p in (shaft, head)]
    arrows = [shaft, head] + turned

    def shade(x, y):
        if not in_rrect(x, y, x0, y0, x1, y1, rr):
            return (0.0, 0.0, 0.0, 0.0)
        t = (y - y0) / (y1 - y0)
        col = mix(top, bot, t) + (1.0,)
        # Soft sheen fading out toward the middle of the tile.
        col = over((1.0, 1.0, 1.0, 0.22 * (1 - smooth(0.0, 0.55, t))), col)
        if not in_rrect(x, y, x0 + bw, y0 + bw, x1 - bw, y1 - bw, rr - bw):
            col = over(edge + (0.85,), col)
        if shadow and any(in_poly(x - shadow, y - shadow, p) for p in arrows):
            col = over((0.0, 0.1, 0.3, 0.35), col)
        if any(in_poly(x, y, p) for p in arrows):
            col = over(white, col)
        return col

    return shade


# --------------------------------------------------------------------------
# File writers
# --------------------------------------------------------------------------

def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filtered_rows(rows):
    """Each scanline under each of the five PNG filters: [[f0, f1, .., f4], ...]."""
    out = []
    prev = bytes(len(rows[0]) * 4)
    for row in rows:
        cur = bytes(v for px in row for v in px)
        cands = []
        for ft in range(5):
            line = bytearray([ft])
            for i, x in enumerate(cur):
                a = cur[i - 4] if i >= 4 else 0
                b = prev[i]
                c = prev[i - 4] if i >= 4 else 0
                pred = (0, a, b, (a + b) >> 1, _paeth(a, b, c))[ft]
                line.append((x - pred) & 0xFF)
            cands.append(bytes(line))
        out.append(cands)
        prev = cur
    return out


def _abs_sum(line):
    return sum(v if v < 128 else 256 - v for v in line[1:])


def _entropy(line):
    counts = [0] * 256
    for v in line:
        counts[v] += 1
    n = len(line)
    return -sum(c * math.log2(c / n) for c in counts if c)


# Deflate settings tried: (memLevel, strategy), always level 9 with the
# largest window.  The first one is plain zlib.compress(data, 9).
ZLIB_SETTINGS = [(8, zlib.Z_DEFAULT_STRATEGY), (9, zlib.Z_DEFAULT_STRATEGY),
                 (8, zlib.Z_FILTERED), (9, zlib.Z_FILTERED)]


def _deflate(data, mem, strategy):
    c = zlib.compressobj(9, zlib.DEFLATED, 15, mem, strategy)
    return c.compress(data) + c.flush()


def _deflate_greedy(filtered, mem, strategy):
    """Compress scanline by scanline, giving each the filter that adds the
    fewest bytes to the stream so far (tried on a copy of the compressor)."""
    c = zlib.compressobj(9, zlib.DEFLATED, 15, mem, strategy)
    out = bytearray()
    for cands in filtered:
        best, best_len = None, None
        for line in cands:
            trial = c.copy()
            n = len(trial.compress(line)) + len(trial.flush())
            if best_len is None or n < best_len:
                best, best_len = line, n
        out += c.compress(best)
    return bytes(out + c.flush())


def png_bytes(w, h, rows, search=True):
    """8-bit RGBA PNG (colour type 6, not interlaced), one IDAT.

    search=False: each scanline takes the filter with the smallest sum of
    absolute values, compressed with zlib level 9.  search=True also tries
    other per-row filter choices (entropy, each fixed filter, trial
    compression) under several deflate settings and keeps the smallest
    stream; the first candidate tried is the search=False one, so it never
    does worse.  Everything is deterministic: same pixels and same zlib,
    same bytes.
    """
    filtered = _filtered_rows(rows)
    plain = b"".join(min(c, key=_abs_sum) for c in filtered)
    best = zlib.compress(plain, 9)
    if search:
        choices = [plain, b"".join(min(c, key=_entropy) for c in filtered)]
        choices += [b"".join(c[ft] for c in filtered) for ft in range(5)]
        for mem, strategy in ZLIB_SETTINGS:
            streams = [_deflate(data, mem, strategy) for data in choices]
            streams.append(_deflate_greedy(filtered, mem, strategy))
            for z in streams:
                if len(z) < len(best):
                    best = z

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr)
            + chunk(b"IDAT", best) + chunk(b"IEND", b""))


def png_pixels(data):
    """(IHDR fields, raw scanlines without filters) of a non-interlaced PNG
    of 8 bits per channel, for checking that two encodings hold the same image."""
    pos, ihdr, idat = 8, None, b""
    while pos < len(data):
        n, tag = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        pos += 12 + n
        if tag == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif tag == b"IDAT":
            idat += body
    w, h, depth, ctype = ihdr[:4]
    bpp = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ctype]
    raw, stride = zlib.decompress(idat), w * bpp
    prev, rows = bytearray(stride), []
    for y in range(h):
        ft, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b, c = prev[i], prev[i - bpp] if i >= bpp else 0
            line[i] = (line[i] + (0, a, b, (a + b) >> 1, _paeth(a, b, c))[ft]) & 0xFF
        rows.append(bytes(line))
        prev = line
    return ihdr, b"".join(rows)


def recompress(png):
    """The same image in fewer bytes, through zopflipng's denser deflate and
    its choice of filters.  Its result is kept only when it is smaller and
    decodes to the same pixels with the same header (so an RGBA image stays
    RGBA, which the hot switch's blend needs); otherwise the input stands."""
    tool = shutil.which("zopflipng")
    if not tool:
        print("make_art: zopflipng not found (Debian package zopfli); PNGs left larger", file=sys.stderr)
        return png
    with tempfile.TemporaryDirectory() as tmp:
        src, dst = os.path.join(tmp, "in.png"), os.path.join(tmp, "out.png")
        with open(src, "wb") as f:
            f.write(png)
        subprocess.run([tool, "-y", "-m", src, dst], check=True, stdout=subprocess.DEVNULL)
        with open(dst, "rb") as f:
            out = f.read()
    return out if len(out) < len(png) and png_pixels(out) == png_pixels(png) else png


def _dib_icon(n, rows):
    """32-bpp BGRA DIB (bottom-up, height doubled for the mask) plus the 1-bpp
    AND mask, set where a pixel is fully transparent."""
    hdr = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((n + 31) // 32) * 4
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                line[x >> 3] |= 0x80 >> (x & 7)
        mask += line
    return hdr + xor + mask


def ico_bytes(images):
    """ICO from (size, rows, as_png) in directory order.  Classic entries are
    DIBs with an AND mask; as_png entries hold a whole PNG file instead, which
    Windows reads from Vista on (and Wine too) and which is far smaller."""
    blobs = [(n, recompress(png_bytes(n, n, rows)) if as_png else _dib_icon(n, rows)) for n, rows, as_png in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for n, blob in blobs:
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blob for _, blob in blobs)


# Icon images from this size up are stored as PNG inside the .ico (Windows
# reads those from Vista on, the oldest system the program runs on, and Wine
# too), at a fraction of the size of classic 32-bpp DIBs with an AND mask.
ICON_PNG_MIN = 16


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir)
    res = os.path.join(root, "res")
    os.makedirs(res, exist_ok=True)
    w, h, rows = make_strip(2)
    with open(os.path.join(res, "hotswitch.png"), "wb") as f:
        f.write(recompress(png_bytes(w, h, rows)))
    icons = [(n, render(n, n, icon_shader(n)), n >= ICON_PNG_MIN) for n in ICON_SIZES]
    with open(os.path.join(res, "Hopdeck.ico"), "wb") as f:
        f.write(ico_bytes(icons))


if __name__ == "__main__":
    main()
