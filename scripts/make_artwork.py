#!/usr/bin/python3
"""Draws the editor bitmaps of KelvaneFx.

    /usr/bin/python3 scripts/make_artwork.py [--out DIR] [--preview PNG] [--check]

Writes the nine .bmp files into plugin/editor/art/ (or DIR).  The output is
byte-for-byte reproducible: BMP files carry no timestamp and the brushed-metal
texture comes from a fixed seed.  --check draws into memory and fails when a
committed file differs.  --preview also writes a PNG of the editor at twice its
size in a few states, for looking at the result.

Needs Pillow (Debian: python3-pil) and the DejaVu fonts (fonts-dejavu-core).
Every position below is a pixel of the 380 x 300 editor window; rectangles are
(left, top, right, bottom), inclusive, as in the editor's control table.
"""
import argparse
import io
import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFont

FONT_DIR = "/usr/share/fonts/truetype/dejavu"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ART_DIR = os.path.join(ROOT, "plugin", "editor", "art")
SEED = 0x4B454C56  # texture seed; changing it changes every panel pixel

W, H = 380, 300

# Control rectangles of the editor window.
LAMP_BUTTONS = {"INPUT": (15, 40), "TONE GEN": (15, 90),
                "SWEEP GEN": (15, 140), "NOISE GEN": (15, 230)}
LEVEL_TRACKS = [(80, 45, 190, 60), (80, 95, 190, 110),
                (80, 145, 190, 160), (80, 235, 190, 250)]
FREQ_TRACK = (213, 95, 288, 110)
FREQ_BOX = (300, 90, 360, 110)
SWEEP_BOXES = [("START FREQ", (80, 180, 140, 200)),
               ("STOP FREQ", (155, 180, 215, 200)),
               ("LENGTH", (230, 180, 290, 200))]
TYPE_BUTTON = (240, 230, 280, 250)
TYPE_BOX = (300, 230, 360, 250)
TRACK_LABEL = (235, 20, 295, 40)
CLOSE_BUTTON = (310, 20, 350, 40)
MENU_AREA = (115, 265, 265, 285)
ABOUT_LINK = (104, 257, 275, 285)
RULES_Y = [70, 124, 208, 257]      # etched lines between the bands

FREQUENCY_TABLE = [
    5.5, 8, 11, 14, 16, 19, 22, 25, 28, 31, 35, 40, 45, 50, 56, 63, 71, 80,
    90, 100, 113, 126, 142, 159, 180, 200, 226, 250, 280, 315, 350, 400, 450,
    500, 565, 630, 710, 800, 900, 1000, 1130, 1260, 1420, 1590, 1800, 2000,
    2260, 2500, 2800, 3150, 3500, 4000, 4500, 5000, 5650, 6300, 7100, 8000,
    9000, 10000, 11300, 12600, 14200, 15900, 18000, 20000]
LEVEL_MARKS = [-48, -24, -12, -6, 0]
WEB_ADDRESS = "www.quellmarsh.example"

# Palette.
LABEL = (226, 226, 224)
SCALE = (196, 198, 200)
TICK = (150, 152, 156)
SHADOW = (22, 23, 25)
OUTLINE = (14, 14, 16)
RED_ON = (255, 64, 44)
RED_OFF = (78, 20, 18)


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


F_BAND = font("DejaVuSansCondensed-Bold.ttf", 10)
F_SMALL = font("DejaVuSansCondensed-Bold.ttf", 9)
F_SCALE = font("DejaVuSansCondensed.ttf", 9)
F_KEY = font("DejaVuSansCondensed-Bold.ttf", 8)
F_LOGO = font("DejaVuSans-Bold.ttf", 15)
F_LOGO_BIG = font("DejaVuSans-Bold.ttf", 24)
F_SUB = font("DejaVuSansCondensed.ttf", 8)
F_SUB_BIG = font("DejaVuSansCondensed.ttf", 10)
F_LINK = font("DejaVuSans.ttf", 11)


def level_position(db):
    """Knob position p whose level 20*log10(((p-5)/100.01)^4) is db."""
    return 5 + 100.01 * 10 ** (db / 80.0)


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(clamp(x + (y - x) * t) for x, y in zip(a, b))


# ---------------------------------------------------------------- panel

def brushed_panel(w, h, seed):
    """Dark grey brushed metal: long horizontal streaks, a faint light fall."""
    rng = random.Random(seed)
    span = 31
    data = bytearray()
    for y in range(h):
        row_tone = rng.gauss(0, 1.6)
        raw = [rng.gauss(0, 1) for _ in range(w + span)]
        acc = sum(raw[:span])
        fall = 6.0 * (1 - y / h) - 2.0
        for x in range(w):
            streak = acc / math.sqrt(span)
            acc += raw[x + span] - raw[x]
            v = 60 + fall + row_tone + 2.4 * streak + rng.gauss(0, 1.1)
            data += bytes((clamp(v), clamp(v + 1.5), clamp(v + 4)))
    return Image.frombytes("RGB", (w, h), bytes(data))


def frame(img):
    """Raised border and four corner screws."""
    d = ImageDraw.Draw(img)
    w, h = img.size
    d.rectangle((0, 0, w - 1, h - 1), outline=OUTLINE)
    d.line((1, 1, w - 2, 1), fill=(112, 114, 118))
    d.line((1, 1, 1, h - 2), fill=(100, 102, 106))
    d.line((1, h - 2, w - 2, h - 2), fill=(30, 31, 34))
    d.line((w - 2, 1, w - 2, h - 2), fill=(34, 35, 38))
    for cx, cy in ((8, 8), (w - 9, 8), (8, h - 9), (w - 9, h - 9)):
        screw(img, cx, cy)


def screw(img, cx, cy, r=3.6):
    px = img.load()
    for y in range(cy - 5, cy + 6):
        for x in range(cx - 5, cx + 6):
            cov = coverage(x - cx, y - cy, r)
            if cov <= 0:
                continue
            dx, dy = x - cx, y - cy
            shade = 118 - 14 * (dx + dy)          # light from the top left
            if abs(dx - dy) <= 0.6 and abs(dx) <= 2:
                shade = 40                          # the slot
            rim = coverage(x - cx, y - cy, r + 1.0) - cov
            base = px[x, y]
            col = mix(base, (shade, shade, shade + 3), cov)
            if rim > 0:
                col = mix(col, (28, 28, 30), rim * 0.8)
            px[x, y] = col


def coverage(dx, dy, r, n=4):
    """Fraction of pixel (dx, dy) inside a circle of radius r about 0."""
    inside = 0
    for i in range(n):
        for j in range(n):
            sx = dx - 0.5 + (i + 0.5) / n
            sy = dy - 0.5 + (j + 0.5) / n
            if sx * sx + sy * sy <= r * r:
                inside += 1
    return inside / (n * n)


def etched_rule(d, y, x0=10, x1=W - 11):
    d.line((x0, y, x1, y), fill=(28, 29, 32))
    d.line((x0, y + 1, x1, y + 1), fill=(98, 100, 104))


def text(d, xy, s, f, fill=LABEL, anchor="la", shadow=True):
    """Printed caption with a one-pixel drop shadow."""
    x, y = xy
    if shadow:
        d.text((x + 1, y + 1), s, font=f, fill=SHADOW, anchor=anchor)
    d.text((x, y), s, font=f, fill=fill, anchor=anchor)


def inset_box(img, box, fill=(17, 18, 20)):
    """Value-box frame: a dark well, plain inside, for the readout text."""
    d = ImageDraw.Draw(img)
    l, t, r, b = box
    d.rectangle(box, fill=fill)
    d.line((l, t, r, t), fill=(26, 27, 30))
    d.line((l, t, l, b), fill=(26, 27, 30))
    d.line((l + 1, t + 1, r - 1, t + 1), fill=(8, 8, 9))
    d.line((l + 1, t + 1, l + 1, b - 1), fill=(8, 8, 9))
    d.line((l, b, r, b), fill=(104, 106, 110))
    d.line((r, t, r, b), fill=(96, 98, 102))


def groove(img, track):
    """Slot the knob runs in, across the track's middle row."""
    d = ImageDraw.Draw(img)
    l, t, r, b = track
    cy = t + 7                     # knob rows t..t+14, centre t+7
    x0, x1 = l - 2, r + 2
    d.rectangle((x0, cy - 2, x1, cy + 2), fill=(12, 12, 14))
    d.line((x0, cy - 2, x1, cy - 2), fill=(6, 6, 7))
    d.line((x0, cy + 3, x1, cy + 3), fill=(96, 98, 102))
    d.line((x1 + 1, cy - 2, x1 + 1, cy + 3), fill=(90, 92, 96))
    d.line((x0 - 1, cy - 2, x0 - 1, cy + 2), fill=(30, 31, 34))


def level_scale(img, track):
    d = ImageDraw.Draw(img)
    l, t, _, _ = track
    for db in LEVEL_MARKS:
        x = l + int(round(level_position(db)))
        d.line((x, t - 5, x, t - 2), fill=TICK)
        text(d, (x + 1 if db else x, t - 6), str(db), F_SCALE, fill=SCALE,
             anchor="md")
    # minor ticks halfway (in dB) between the printed marks
    for db in (-36, -18, -9, -3):
        x = l + int(round(level_position(db)))
        d.line((x, t - 3, x, t - 2), fill=(112, 114, 118))


def frequency_scale(img, track):
    """Ticks under the FREQUENCY track: one per 5 knob steps, decades long."""
    d = ImageDraw.Draw(img)
    l, _, _, b = track
    y = b + 1
    for i, f in enumerate(FREQUENCY_TABLE):
        x = l + 5 + i
        if f in (100, 1000, 10000):
            d.line((x, y, x, y + 2), fill=(200, 202, 206))
        elif i % 5 == 0 or i == len(FREQUENCY_TABLE) - 1:
            d.line((x, y, x, y + 1), fill=TICK)
    for f, s in ((100, "100"), (1000, "1k"), (10000, "10k")):
        x = l + 5 + FREQUENCY_TABLE.index(f)
        text(d, (x + 1, y + 10), s, F_SCALE, fill=SCALE, anchor="ms")


def logo(img, cx, top, big=False):
    """KELVANE with a small sine beside it and a subtitle below."""
    d = ImageDraw.Draw(img)
    f, fs = (F_LOGO_BIG, F_SUB_BIG) if big else (F_LOGO, F_SUB)
    word = "KELVANE"
    spacing = 3 if big else 2
    widths = [d.textlength(c, font=f) for c in word]
    total = sum(widths) + spacing * (len(word) - 1)
    wave_w = 26 if big else 16
    x = cx - (total + wave_w + 6) / 2
    asc = f.getbbox("K", anchor="ls")[1]      # negative: cap height
    base = top - asc
    for c, cw in zip(word, widths):
        d.text((x + 1, base + 1), c, font=f, fill=SHADOW, anchor="ls")
        d.text((x, base), c, font=f, fill=(236, 236, 234), anchor="ls")
        x += cw + spacing
    sine(img, int(round(x + 5)), int(base + asc / 2), wave_w, -asc / 2 - 1)
    sub = "TEST  SIGNAL  GENERATOR"
    text(d, (cx, base + (6 if big else 4)), sub, fs, fill=(168, 170, 174),
         anchor="mt")


def sine(img, x0, cy, width, amp):
    """One red cycle of a sine wave: the plug-in's mark."""
    curve(img, x0, x0 + width,
          lambda x: cy - amp * math.sin(2 * math.pi * (x - x0) / width),
          (236, 58, 40), 1.6)


def chirp(img, x0, x1, cy, amp, colour, strength):
    """An exponential sweep, a few cycles rising in frequency."""
    k = math.log(12.0)

    def y(x):
        t = (x - x0) / (x1 - x0)
        phase = 2 * math.pi * 2.2 * (math.exp(k * t) - 1) / k
        env = math.sin(math.pi * t) ** 0.5
        return cy - amp * env * math.sin(phase)
    curve(img, x0, x1, y, colour, strength)


def curve(img, x0, x1, yfunc, colour, strength, half_width=0.8):
    """Antialiased line through y = yfunc(x) for x0 <= x < x1."""
    px = img.load()
    n = 6
    for x in range(x0, x1):
        ys = [yfunc(x + (i + 0.5) / n) for i in range(n)]
        for y in range(int(min(ys)) - 2, int(max(ys)) + 3):
            hits = sum(1 for yy in ys for j in range(n)
                       if abs(y + (j + 0.5) / n - yy) <= half_width)
            if hits:
                px[x, y] = mix(px[x, y], colour, hits / (n * n) * strength)


# ---------------------------------------------------------------- keys

def key(pressed=False, lamp=None, grip=False):
    """A 40 x 20 dark key; lamp is None, 'off' or 'on'."""
    img = Image.new("RGB", (40, 20))
    px = img.load()
    top, bottom = ((56, 58, 62), (50, 52, 55)) if pressed else \
        ((88, 90, 95), (60, 62, 66))
    for y in range(20):
        c = mix(top, bottom, y / 19)
        for x in range(40):
            px[x, y] = c
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, 39, 19), outline=OUTLINE)
    if pressed:
        d.line((1, 1, 38, 1), fill=(24, 25, 27))
        d.line((1, 1, 1, 18), fill=(24, 25, 27))
        d.line((2, 2, 37, 2), fill=(40, 41, 44))
        d.line((2, 2, 2, 17), fill=(40, 41, 44))
        d.line((1, 18, 38, 18), fill=(70, 72, 76))
        d.line((38, 1, 38, 18), fill=(66, 68, 72))
    else:
        d.line((1, 1, 38, 1), fill=(136, 138, 143))
        d.line((1, 1, 1, 18), fill=(120, 122, 127))
        d.line((1, 18, 38, 18), fill=(34, 35, 38))
        d.line((38, 1, 38, 18), fill=(38, 39, 42))
        d.line((2, 17, 37, 17), fill=(48, 50, 53))
    shift = 1 if pressed else 0
    if lamp:
        draw_lamp(img, 9.5 + shift, 10.0 + shift, lamp == "on")
        # ON printed on the right half of the key
        d.text((27 + shift, 14 + shift), "ON", font=F_KEY,
               fill=(30, 31, 33), anchor="ms")
        d.text((26 + shift, 13 + shift), "ON", font=F_KEY,
               fill=(196, 198, 200) if not pressed else (160, 162, 165),
               anchor="ms")
    if grip:
        for gx in (15, 19, 23):
            x = gx + shift
            d.line((x, 6 + shift, x, 13 + shift), fill=(36, 37, 40))
            d.line((x + 1, 6 + shift, x + 1, 13 + shift),
                   fill=(104, 106, 110) if not pressed else (70, 72, 75))
    return img


def draw_lamp(img, cx, cy, lit):
    """Round red lamp in a dark bezel; lit lamps glow onto the key."""
    px = img.load()
    for y in range(20):
        for x in range(40):
            dx, dy = x + 0.5 - cx, y + 0.5 - cy
            r = math.hypot(dx, dy)
            base = px[x, y]
            if lit and 4.5 < r < 9:
                glow = 0.28 * (1 - (r - 4.5) / 4.5) ** 2
                base = mix(base, (255, 50, 30), glow)
            bezel = coverage(x - int(cx), y - int(cy), 4.6) if r < 6 else 0
            if bezel:
                base = mix(base, (18, 18, 20), bezel)
            core = coverage(x - int(cx), y - int(cy), 3.6) if r < 5 else 0
            if core:
                if lit:
                    t = min(1.0, r / 3.6)
                    c = mix((255, 190, 160), RED_ON, min(1.0, t * 1.6))
                    c = mix(c, (196, 26, 16), max(0.0, t - 0.55) * 1.6)
                else:
                    t = min(1.0, r / 3.6)
                    c = mix((104, 32, 28), RED_OFF, t)
                    c = mix(c, (48, 12, 11), max(0.0, t - 0.5))
                    if -2.2 < dx < -0.6 and -2.2 < dy < -0.6:
                        c = mix(c, (150, 96, 92), 0.35)     # dull reflection
                base = mix(base, c, core)
            px[x, y] = base


def plate(w=40, h=20):
    """Flat dark name plate (the host prints the track name on it)."""
    img = Image.new("RGB", (w, h), (36, 37, 40))
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, w - 1, h - 1), outline=OUTLINE)
    d.line((1, 1, w - 2, 1), fill=(108, 110, 115))
    d.line((1, 1, 1, h - 2), fill=(96, 98, 102))
    d.line((1, h - 2, w - 2, h - 2), fill=(24, 25, 27))
    d.line((w - 2, 1, w - 2, h - 2), fill=(26, 27, 29))
    d.rectangle((3, 3, w - 4, h - 4), outline=(30, 31, 34))
    return img


def knob():
    """29 x 15 ribbed grey knob, 8-bit; dark centre line at column 14."""
    w, h = 29, 15
    grey = []
    for y in range(h):
        # cylinder shading: bright band near the top, darker towards the foot
        t = y / (h - 1)
        body = 168 - 64 * t + 34 * math.exp(-((t - 0.25) / 0.2) ** 2)
        for x in range(w):
            off = abs(x - 14)
            v = body
            if off in (4, 7, 10):
                v = body - 58                     # rib grooves
            elif off in (5, 8, 11):
                v = body + 22                     # lit edge of each rib
            elif off == 1:
                v = body + 30                     # frame the centre line
            if off >= 12:
                v = body - 30 * (off - 11)        # rounded ends
            if x == 14:
                v = 18                            # centre line
            elif x in (0, w - 1) or y in (0, h - 1):
                v = 22                            # outline
            elif y == 1:
                v = v + 36
            elif y == h - 2:
                v = v - 34
            grey.append(clamp(v))
    # palette: the greys in use, tinted cool like the panel
    levels = sorted(set(grey))
    index = {v: i for i, v in enumerate(levels)}
    img = Image.new("P", (w, h))
    img.putpalette([c for v in levels
                    for c in (v, clamp(v + 1), clamp(v + 3))])
    img.putdata([index[v] for v in grey])
    return img


def vertical_knob():
    """15 x 28 knob of a vertical fader, ribbed across, centre row 14."""
    rgb = knob().convert("RGB").transpose(Image.Transpose.ROTATE_270)
    return rgb.crop((0, 0, 15, 28))


# ---------------------------------------------------------------- pictures

def main_panel():
    img = brushed_panel(W, H, SEED)
    frame(img)
    d = ImageDraw.Draw(img)
    for y in RULES_Y:
        etched_rule(d, y)

    released_lamp = key(lamp="off")
    for name, (x, y) in LAMP_BUTTONS.items():
        text(d, (x, y - 4), name, F_BAND, anchor="ld")
        img.paste(released_lamp, (x, y))
    for track in LEVEL_TRACKS:
        groove(img, track)
        level_scale(img, track)
    text(d, (FREQ_TRACK[0], 80), "FREQUENCY", F_SMALL, anchor="ld")
    text(d, (FREQ_BOX[2] + 1, 88), "Hz", F_SCALE, fill=SCALE, anchor="rd")
    groove(img, FREQ_TRACK)
    frequency_scale(img, FREQ_TRACK)
    inset_box(img, FREQ_BOX)
    for name, box in SWEEP_BOXES:
        text(d, ((box[0] + box[2] + 1) // 2, box[1] - 4), name, F_SMALL,
             anchor="md")
        inset_box(img, box)
    text(d, ((TYPE_BUTTON[0] + TYPE_BUTTON[2] + 1) // 2, TYPE_BUTTON[1] - 4),
         "TYPE", F_SMALL, anchor="md")
    img.paste(key(grip=True), TYPE_BUTTON[:2])
    inset_box(img, TYPE_BOX)
    text(d, ((TRACK_LABEL[0] + TRACK_LABEL[2] + 1) // 2, TRACK_LABEL[1] - 4),
         "TRACK", F_SMALL, anchor="md")
    img.paste(plate(61, 21), TRACK_LABEL[:2])
    text(d, ((CLOSE_BUTTON[0] + CLOSE_BUTTON[2] + 1) // 2,
             CLOSE_BUTTON[1] - 4), "CLOSE", F_SMALL, anchor="md")
    img.paste(key(grip=True), CLOSE_BUTTON[:2])
    logo(img, (MENU_AREA[0] + MENU_AREA[2] + 1) / 2, MENU_AREA[1] - 1)
    return img


def about_panel():
    img = brushed_panel(W, H, SEED)
    frame(img)
    d = ImageDraw.Draw(img)
    logo(img, W / 2, 8, big=True)
    chirp(img, 70, 310, 220, 11, (20, 21, 23), 0.9)
    chirp(img, 70, 310, 221, 11, (104, 106, 110), 0.6)
    etched_rule(d, 246, 40, W - 41)
    cx = (ABOUT_LINK[0] + ABOUT_LINK[2] + 1) // 2
    cy = (ABOUT_LINK[1] + ABOUT_LINK[3] + 1) // 2
    text(d, (cx, cy), WEB_ADDRESS, F_LINK, fill=(150, 190, 236), anchor="mm")
    tw = d.textlength(WEB_ADDRESS, font=F_LINK)
    d.line((cx - tw / 2, cy + 7, cx + tw / 2, cy + 7), fill=(96, 126, 160))
    return img


def editbox():
    img = brushed_panel(60, 20, SEED + 1)
    inset_box(img, (0, 0, 59, 19))
    return img


def pictures():
    """File name -> image, in resource order."""
    return {
        "main.bmp": main_panel(),
        "about_box.bmp": about_panel(),
        "fader.bmp": vertical_knob(),
        "fader_h.bmp": knob(),
        "editbox.bmp": editbox(),
        "btn_dn.bmp": key(pressed=True, grip=True),
        "btn_up_on.bmp": key(lamp="on"),
        "btn_dn_on.bmp": key(pressed=True, lamp="on"),
        "btn_dn_off.bmp": key(pressed=True, lamp="off"),
    }


EXPECTED = {  # file -> (size, Pillow mode)
    "main.bmp": ((380, 300), "RGB"), "about_box.bmp": ((380, 300), "RGB"),
    "fader.bmp": ((15, 28), "RGB"), "fader_h.bmp": ((29, 15), "P"),
    "editbox.bmp": ((60, 20), "RGB"), "btn_dn.bmp": ((40, 20), "RGB"),
    "btn_up_on.bmp": ((40, 20), "RGB"), "btn_dn_on.bmp": ((40, 20), "RGB"),
    "btn_dn_off.bmp": ((40, 20), "RGB"),
}


def encode(img):
    buf = io.BytesIO()
    img.save(buf, format="BMP")
    return buf.getvalue()


# ---------------------------------------------------------------- preview

def preview(pics, path):
    """Editor at 2x: default look, a busy look, and the about view."""
    main = pics["main.bmp"]
    kn = pics["fader_h.bmp"].convert("RGB")
    ro = font("DejaVuSans.ttf", 12)

    def stamp(img, bmp, x, y):
        img.paste(bmp, (x, y))

    def readouts(img, texts):
        d = ImageDraw.Draw(img)
        boxes = [FREQ_BOX] + [b for _, b in SWEEP_BOXES] + [TYPE_BOX]
        for box, s in zip(boxes, texts):
            d.text(((box[0] + box[2] + 1) / 2, (box[1] + box[3] + 1) / 2), s,
                   font=ro, fill=(192, 192, 192), anchor="mm")
        d.text(((TRACK_LABEL[0] + TRACK_LABEL[2] + 1) / 2,
                (TRACK_LABEL[1] + TRACK_LABEL[3] + 1) / 2), texts[-1],
               font=ro, fill=(192, 192, 192), anchor="mm")

    default = main.copy()
    for track, p in zip(LEVEL_TRACKS, (105, 27, 27, 27)):
        stamp(default, kn, track[0] + p - 14, track[1])
    stamp(default, kn, FREQ_TRACK[0] + 37 - 14, FREQ_TRACK[1])
    readouts(default, ["450.0", " 20.0", "20000.0", " 10 s", "WHITE", "In 01"])

    busy = main.copy()
    stamp(busy, pics["btn_up_on.bmp"], 15, 40)
    stamp(busy, pics["btn_dn_on.bmp"], 15, 90)
    stamp(busy, pics["btn_dn_off.bmp"], 15, 140)
    stamp(busy, pics["btn_up_on.bmp"], 15, 230)
    stamp(busy, pics["btn_dn.bmp"], *TYPE_BUTTON[:2])
    stamp(busy, pics["btn_dn.bmp"], *CLOSE_BUTTON[:2])
    for track, db in zip(LEVEL_TRACKS, (0, -6, -24, -48)):
        stamp(busy, kn, track[0] + int(round(level_position(db))) - 14,
              track[1])
    stamp(busy, kn, FREQ_TRACK[0] + 5 + 39 - 14, FREQ_TRACK[1])
    readouts(busy, ["1000.0", " 5.5", "20000.0", "300 s", "PINK", "Rtn 08"])

    about = pics["about_box.bmp"].copy()
    d = ImageDraw.Draw(about)
    lines = ["", "", "", "Version 1.0 (build 12)", "QuellMarsh Audio", "",
             "Press a key (or click the mouse) to continue."]
    for i, s in enumerate(lines):
        d.text((W / 2, i * 16), s, font=ro, fill=(192, 192, 192), anchor="ma")

    sheet = Image.new("RGB", (2 * W * 2 + 30, 2 * H * 2 + 30), (255, 255, 255))
    for img, pos in ((default, (10, 10)), (busy, (2 * W + 20, 10)),
                     (about, (10, 2 * H + 20))):
        sheet.paste(img.resize((2 * W, 2 * H), Image.NEAREST), pos)
    small = Image.new("RGB", (2 * W, 2 * H), (255, 255, 255))
    x, y = 10, 10
    for name in ("btn_up_on.bmp", "btn_dn_on.bmp", "btn_dn_off.bmp",
                 "btn_dn.bmp", "editbox.bmp", "fader.bmp", "fader_h.bmp"):
        bmp = pics[name].convert("RGB")
        bmp = bmp.resize((bmp.width * 3, bmp.height * 3), Image.NEAREST)
        if x + bmp.width > small.width:
            x, y = 10, y + 110
        small.paste(bmp, (x, y))
        x += bmp.width + 12
    sheet.paste(small, (2 * W + 20, 2 * H + 20))
    sheet.save(path)


# ---------------------------------------------------------------- main

def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=ART_DIR)
    ap.add_argument("--preview", metavar="PNG")
    ap.add_argument("--check", action="store_true",
                    help="compare with the files in --out instead of writing")
    args = ap.parse_args()

    pics = pictures()
    stale = []
    for name, img in pics.items():
        size, mode = EXPECTED[name]
        if img.size != size or img.mode != mode:
            sys.exit("%s: drew %s %s, want %s %s"
                     % (name, img.size, img.mode, size, mode))
        data = encode(img)
        path = os.path.join(args.out, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            os.makedirs(args.out, exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    if args.preview:
        preview(pics, args.preview)
    if stale:
        sys.exit("artwork out of date: " + ", ".join(stale))


if __name__ == "__main__":
    main()
