"""Pictures of the playing field: runes, bonus tokens, the frame, the carriage, the HUD pieces,
explosion sheets, particle sprites and the six per-area HUD plaques (leaf1..leaf6).

Light comes from the top left everywhere. Sizes and where each picture is drawn are listed in
data/ART.md ("The playing field")."""

import math
import os

import numpy as np
from PIL import Image, ImageDraw, ImageFont

import artlib as A

CELL = 30
# Stone colours of the six live kinds: red, green, yellow, purple, brown, blue.
RUNE_COLOURS = ["#c8372d", "#3b9e48", "#e2b21e", "#8a45b5", "#96643a", "#2f6ad2"]
GOLD_LIGHT, GOLD_MID, GOLD_DARK = A.rgba("#f6dc8a"), A.rgba("#c08f32"), A.rgba("#5e3f10")
FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


# ---------------------------------------------------------------- small helpers

def rgb(hex_rgb):
    return np.array(A.rgba(hex_rgb)[:3])


def mix(a, b, t):
    return tuple(np.array(a[:3]) * (1 - t) + np.array(b[:3]) * t) + ((a[3] if len(a) > 3 else 1.0),)


def shifted(mask, dx, dy):
    """The mask moved by whole pixels, with zeros shifted in."""
    out = np.zeros_like(mask)
    h, w = mask.shape
    out[max(0, dy):h + min(0, dy), max(0, dx):w + min(0, dx)] = \
        mask[max(0, -dy):h - max(0, dy), max(0, -dx):w - max(0, dx)]
    return out


def outline(c, mask, alpha, radius=0.8, colour=(0.06, 0.04, 0.03)):
    """A thin dark ring around a mask, so light marks read on light stones."""
    ring = np.clip(A.blur(mask, radius) * 3.0 - mask, 0, 1)
    return A.over(c, colour + (alpha,), ring)


def union(*masks):
    return np.maximum.reduce(masks)


def annulus(w, h, cx, cy, r, thickness):
    x, y = A.grid(w, h)
    return A.coverage_from_distance(np.abs(np.hypot(x - cx, y - cy) - r) - thickness / 2.0)


def polyline(w, h, points, thickness):
    return union(*[A.line_mask(w, h, *points[i], *points[i + 1], thickness) for i in range(len(points) - 1)])


def shade_fill(c, mask, top, bottom, light=(0.0, 0.0), noise_seed=None, noise_amount=0.0):
    """Fills mask with a top-to-bottom shade, brighter towards the top-left, optionally textured."""
    h, w = mask.shape
    x, y = A.grid(w, h)
    t = (y / h)[..., None]
    col = np.array(top[:3]) * (1 - t) + np.array(bottom[:3]) * t
    if light != (0.0, 0.0):
        col = col * (1.0 + light[0] * (1.0 - (x + y) / (w + h)) - light[1])[..., None]
    if noise_seed is not None:
        n = A.noise(w, h, noise_seed, scale=max(4.0, min(w, h) / 6.0))
        col = col * (1.0 + noise_amount * (n - 0.5) * 2.0)[..., None]
    layer = np.concatenate([np.clip(col, 0, 1), np.ones((h, w, 1))], axis=2)
    return A.over(c, layer, mask)


def bevel(c, mask, width=1.5, light=0.35, dark=0.35):
    """Lights the top-left inner edge of a shape and darkens the bottom-right one."""
    hi = np.clip(mask - shifted(A.blur(mask, width * 0.5), 1, 1), 0, 1)
    lo = np.clip(mask - shifted(mask, -1, -1), 0, 1)
    A.over(c, (1, 1, 1, light), hi * mask)
    A.over(c, (0, 0, 0, dark), lo * mask)
    return c


# ---------------------------------------------------------------- glyphs and emblems

def glyph_mask(kind, w, h, cx, cy, s):
    """The glyph of colour kind 0..5 centred on (cx, cy); s = 1 fits a 30 x 30 rune."""
    t = 2.3 * s

    def P(px, py):
        return (cx + px * s, cy + py * s)

    if kind == 0:  # flame: a triangle with a rising stroke
        tri = [P(0, -8.5), P(7.5, 6), P(-7.5, 6), P(0, -8.5)]
        return union(polyline(w, h, tri, t), A.line_mask(w, h, *P(0, -1.5), *P(0, 6), t))
    if kind == 1:  # branch
        return union(A.line_mask(w, h, *P(0, -8.5), *P(0, 8.5), t),
                     A.line_mask(w, h, *P(0, 0), *P(-6.5, -7), t),
                     A.line_mask(w, h, *P(0, 0), *P(6.5, -7), t))
    if kind == 2:  # sun: ring with a seed
        return union(annulus(w, h, *P(0, 0), 6.0 * s, t), A.circle_mask(w, h, *P(0, 0), 2.0 * s))
    if kind == 3:  # crescent moon (filled)
        outer = A.circle_mask(w, h, *P(-1, 0), 8.5 * s)
        bite = A.circle_mask(w, h, *P(3.2, -2.2), 7.0 * s)
        return np.clip(outer - bite, 0, 1)
    if kind == 4:  # mountains
        return polyline(w, h, [P(-8.5, 5.5), P(-4.2, -5), P(0, 3), P(4.2, -5), P(8.5, 5.5)], t)
    # waves
    xs = np.linspace(-8.5, 8.5, 13)
    waves = [polyline(w, h, [P(px, oy + 2.4 * math.sin(px * 0.75)) for px in xs], t) for oy in (-3.5, 3.8)]
    return union(*waves)


def emblem_mask(bonus, w, h, cx, cy, s):
    """The emblem of bonus kind 0..4 (tripple, slow, colour wipe, bomb, flash); s = 1 is ~14 px."""

    def P(px, py):
        return (cx + px * s, cy + py * s)

    if bonus == 0:  # three pips
        return union(*[A.circle_mask(w, h, *P(3.9 * math.cos(a), 3.9 * math.sin(a)), 2.4 * s)
                       for a in (-math.pi / 2, math.pi / 6, 5 * math.pi / 6)])
    if bonus == 1:  # hourglass
        glass = A.polygon_mask(w, h, [P(-4.2, -5.5), P(4.2, -5.5), P(0.8, 0), P(4.2, 5.5), P(-4.2, 5.5),
                                      P(-0.8, 0)])
        bars = union(A.line_mask(w, h, *P(-5.5, -6.2), *P(5.5, -6.2), 1.6 * s),
                     A.line_mask(w, h, *P(-5.5, 6.2), *P(5.5, 6.2), 1.6 * s))
        return union(glass, bars)
    if bonus == 2:  # four-pointed star
        pts = []
        for i in range(8):
            a = -math.pi / 2 + i * math.pi / 4
            r = 7.2 if i % 2 == 0 else 2.1
            pts.append(P(r * math.cos(a), r * math.sin(a)))
        return A.polygon_mask(w, h, pts)
    if bonus == 3:  # bomb with a fuse and spark
        return union(A.circle_mask(w, h, *P(-1.2, 1.6), 4.9 * s),
                     A.line_mask(w, h, *P(1.5, -2.0), *P(3.8, -4.6), 1.7 * s),
                     A.circle_mask(w, h, *P(5.0, -5.8), 1.6 * s))
    # lightning bolt
    return A.polygon_mask(w, h, [P(2.2, -7.5), P(-4.6, 1.2), P(-0.4, 1.2), P(-2.4, 7.5), P(4.8, -1.8),
                                 P(0.6, -1.8), P(3.6, -7.5)])


# ---------------------------------------------------------------- runes

def stone(base, seed, size=CELL, dead=False):
    """A rounded rune stone of the given base colour, lit from the top left."""
    c = A.canvas(size, size)
    body = A.rounded_rect_mask(size, size, 0.8, 0.8, size - 0.8, size - 0.8, 7.0)
    base = np.array(base[:3])
    x, y = A.grid(size, size)
    light = 1.0 - np.clip(np.hypot(x - size * 0.3, y - size * 0.28) / (size * 0.95), 0, 1)
    tex = A.noise(size, size, seed, scale=5.0, octaves=3)
    shade = 0.62 + 0.62 * light + 0.16 * (tex - 0.5)
    col = np.clip(base[None, None, :] * shade[..., None], 0, 1)
    # a soft sheen at the top left
    sheen = A.radial_falloff(size, size, size * 0.32, size * 0.27, size * 0.42, 2.0) * (0.18 if dead else 0.34)
    col = np.clip(col + sheen[..., None], 0, 1)
    layer = np.concatenate([col, np.ones((size, size, 1))], axis=2)
    A.over(c, layer, body)
    # rim: darker band inside the edge, bright lip at the top left
    inner = A.rounded_rect_mask(size, size, 3.0, 3.0, size - 3.0, size - 3.0, 5.0)
    rim = np.clip(body - inner, 0, 1)
    lit = np.clip((size - x - y) / size, 0, 1)
    A.over(c, (1, 1, 1, 0.45), rim * lit ** 1.5)
    A.over(c, (0, 0, 0, 0.45), rim * np.clip((x + y - size) / size, 0, 1) ** 0.8)
    A.over(c, (0, 0, 0, 0.6), np.clip(body - A.rounded_rect_mask(size, size, 1.6, 1.6, size - 1.6, size - 1.6,
                                                                  6.2), 0, 1))
    return c, body


def put_glyph(c, mask, base, dead=False):
    """Carves a glyph into a stone: a glowing inlay on live stones, a dark groove on dead ones."""
    base = np.array(base[:3])
    if dead:
        A.over(c, (1, 1, 1, 0.35), np.clip(shifted(mask, 1, 1) - mask, 0, 1))
        A.over(c, (0.08, 0.08, 0.09, 0.85), mask)
        return c
    glow_col = tuple(np.clip(base * 0.45 + 0.62, 0, 1)) + (1.0,)
    outline(c, mask, 0.5)
    A.over(c, (0, 0, 0, 0.55), np.clip(shifted(A.blur(mask, 0.6), 1, 1) - mask, 0, 1))
    A.add(c, tuple(np.clip(base * 0.5 + 0.35, 0, 1)) + (0.0,), A.blur(mask, 1.6) * 0.55)
    A.over(c, glow_col, mask)
    A.over(c, (1, 1, 1, 0.55), mask * A.blur(mask, 0.7) ** 3)
    return c


def cracks(size, seed):
    rng = np.random.default_rng(seed)
    m = np.zeros((size, size))
    for _ in range(2):
        px, py = rng.uniform(4, size - 4), rng.choice([2.0, size - 2.0])
        pts = [(px, py)]
        for _ in range(3):
            px += rng.uniform(-5, 5)
            py += (1 if pts[0][1] < size / 2 else -1) * rng.uniform(3, 6)
            pts.append((px, py))
        m = np.maximum(m, polyline(size, size, pts, 0.9))
    return m


def rune(kind):
    """Frame `kind` of the rune sheet: 0..5 live colours, 6..11 the dead stones."""
    colour = kind % 6
    dead = kind >= 6
    base = A.rgba("#74767c") if dead else A.rgba(RUNE_COLOURS[colour])
    c, body = stone(base, 100 + kind, dead=dead)
    put_glyph(c, glyph_mask(colour, CELL, CELL, 15.0, 15.2, 1.0), base, dead)
    if dead:
        cr = cracks(CELL, 200 + kind) * body
        A.over(c, (1, 1, 1, 0.25), np.clip(shifted(cr, 1, 0) - cr, 0, 1))
        A.over(c, (0.05, 0.05, 0.05, 0.8), cr)
        A.over(c, (0.0, 0.0, 0.0, 0.12), body)
    return c


def gold_disc(c, cx, cy, r, bright=1.0):
    h, w = c.shape[:2]
    disc = A.circle_mask(w, h, cx, cy, r)
    A.over(c, (0, 0, 0, 0.45), A.blur(shifted(disc, 1, 1), 0.8))
    shade_fill(c, disc, mix(GOLD_LIGHT, (1, 1, 1), 0.2 * bright), GOLD_MID, light=(0.35, 0.1))
    A.over(c, GOLD_DARK, annulus(w, h, cx, cy, r - 0.4, 1.0))
    A.over(c, (1, 1, 1, 0.6), A.circle_mask(w, h, cx - r * 0.35, cy - r * 0.4, r * 0.3) * 0.7)
    return disc


def bonus_frame(colour, bonus):
    """A rune of `colour` carrying bonus token `bonus`: the stone and its (smaller) glyph, a gold
    bezel and a gold badge with the bonus emblem at the lower right."""
    base = A.rgba(RUNE_COLOURS[colour])
    c, body = stone(base, 300 + colour)
    put_glyph(c, glyph_mask(colour, CELL, CELL, 11.0, 11.0, 0.72), base)
    bezel = np.clip(body - A.rounded_rect_mask(CELL, CELL, 2.0, 2.0, CELL - 2.0, CELL - 2.0, 5.6), 0, 1)
    A.over(c, mix(GOLD_LIGHT, GOLD_MID, 0.3), bezel * 0.9)
    gold_disc(c, 20.3, 20.3, 8.6)
    em = emblem_mask(bonus, CELL, CELL, 20.3, 20.4, 0.78)
    A.over(c, (0.25, 0.14, 0.03, 1.0), em)
    return c


def small_bonus(colour, bonus):
    """A coin of the rune colour with the bonus emblem large in light gold."""
    c = A.canvas(CELL, CELL)
    base = A.rgba(RUNE_COLOURS[colour])
    disc = A.circle_mask(CELL, CELL, 15, 15, 13.2)
    A.over(c, (0, 0, 0, 0.5), A.blur(shifted(disc, 1, 2), 1.0))
    shade_fill(c, disc, mix(base, (1, 1, 1), 0.25), mix(base, (0, 0, 0), 0.35), light=(0.4, 0.15))
    A.over(c, mix(GOLD_LIGHT, GOLD_MID, 0.4), annulus(CELL, CELL, 15, 15, 12.3, 2.0))
    A.over(c, GOLD_DARK, annulus(CELL, CELL, 15, 15, 13.4, 0.9))
    em = emblem_mask(bonus, CELL, CELL, 15, 15.2, 1.02)
    A.over(c, (0, 0, 0, 0.6), A.blur(shifted(em, 1, 1), 0.6))
    outline(c, em, 0.7)
    shade_fill(c, em, (1.0, 0.97, 0.85, 1), GOLD_LIGHT)
    return c


# ---------------------------------------------------------------- board frame and HUD

def stone_panel(w, h, mask, seed, top="#5a6070", bottom="#363a46"):
    c = A.canvas(w, h)
    shade_fill(c, mask, A.rgba(top), A.rgba(bottom), light=(0.25, 0.05), noise_seed=seed, noise_amount=0.22)
    bevel(c, mask, light=0.3, dark=0.45)
    return c


def board_frame():
    """IMAGE_BOARD, 352 x 480, drawn at (85, 0): two carved pillars and the dark well of the field."""
    w, h = 352, 480
    c = A.canvas(w, h)
    x, y = A.grid(w, h)
    # the well behind the 9 x 14 cells (field x 118..404 on screen = 33..319 here)
    well = A.rounded_rect_mask(w, h, 31, -8, 321, 472, 6)
    wl = A.vertical_gradient(w, h, A.rgba("#101522", 0.80), A.rgba("#1a1422", 0.86))
    A.over(c, wl, well)
    # cell sockets and the danger band of row 14
    sockets = np.zeros((h, w))
    for col in range(9):
        for row in range(1, 15):
            x0, y0 = 33 + 32 * col, -11 + 32 * row
            sockets = np.maximum(sockets, A.rounded_rect_mask(w, h, x0 + 1, y0 + 1, x0 + 29, y0 + 29, 6))
    A.over(c, (0.55, 0.65, 0.9, 0.07), sockets)
    A.over(c, (0, 0, 0, 0.25), np.clip(shifted(sockets, -1, -1) - sockets, 0, 1))
    danger = ((y > 436) & (y < 469)).astype(float) * well
    A.over(c, (0.8, 0.12, 0.08, 0.16), danger)
    A.over(c, (1.0, 0.35, 0.2, 0.55), ((np.abs(y - 436.5) < 0.6)).astype(float) * well * 0.8)
    # inner shadow of the well (light from the top left)
    A.over(c, (0, 0, 0, 0.55), np.clip(well - shifted(A.blur(well, 5.0), 4, 4), 0, 1))
    # pillars
    pillars = union(A.rounded_rect_mask(w, h, 1, -6, 33, 486, 4), A.rounded_rect_mask(w, h, 319, -6, 351, 486, 4))
    A.paste(c, A.shadow(stone_panel(w, h, pillars, 11), offset=(2, 2), radius=3, strength=0.55), 0, 0)
    # bronze trim strips and rune studs along the pillars
    for px in (17.0, 335.0):
        A.over(c, GOLD_DARK, A.line_mask(w, h, px, 6, px, 474, 4.2))
        A.over(c, mix(GOLD_MID, GOLD_LIGHT, 0.3), A.line_mask(w, h, px - 0.5, 6, px - 0.5, 474, 2.0))
        for sy in range(40, 470, 64):
            gold_disc(c, px, sy, 6.0)
            g = glyph_mask((sy // 64) % 6, w, h, px, sy, 0.42)
            A.over(c, (0.3, 0.18, 0.05, 0.9), g)
    # the carriage rail at the bottom
    rail = A.rounded_rect_mask(w, h, 2, 470, 350, 478, 3)
    shade_fill(c, rail, GOLD_LIGHT, GOLD_DARK, light=(0.2, 0.0))
    A.over(c, (0, 0, 0, 0.5), np.clip(shifted(rail, 0, 2) - rail, 0, 1))
    return c


def top_brick():
    """IMAGE_TOPBRICK, 352 x 16: the carved lintel over the top of the field, drawn at (85, 0)
    after the grid runes so that the incoming row slides out from under it."""
    w, h = 352, 16
    c = A.canvas(w, h)
    x, y = A.grid(w, h)
    body = A.rounded_rect_mask(w, h, 0, -6, w, 12, 4)
    A.over(c, (0, 0, 0, 0.55), A.blur(shifted(body, 0, 2), 1.5))
    panel = stone_panel(w, h, body, 21)
    A.over(c, panel)
    A.over(c, GOLD_MID, ((np.abs(y - 10.5) < 0.8)).astype(float) * body)
    for bx in range(33 + 15, 320, 32):
        A.over(c, (0.15, 0.15, 0.2, 0.5), A.line_mask(w, h, bx + 16, 1, bx + 16, 9, 1.0))
    return c


def carriage():
    """IMAGE_KARETKA, 98 x 42: a bronze cradle; the rune rests in its open middle (x 34..63,
    y -1..28) and is hidden by its base when it dips 32 pixels to change."""
    w, h = 98, 42
    c = A.canvas(w, h)
    base = A.rounded_rect_mask(w, h, 6, 28, 92, 42.5, 6)
    arms = union(A.polygon_mask(w, h, [(14, 30), (20, 8), (27, 4), (32, 8), (32, 30)]),
                 A.polygon_mask(w, h, [(84, 30), (78, 8), (71, 4), (66, 8), (66, 30)]))
    body = union(base, arms)
    A.over(c, (0, 0, 0, 0.5), A.blur(shifted(body, 2, 2), 1.5))
    shade_fill(c, body, mix(GOLD_LIGHT, (1, 1, 1), 0.1), mix(GOLD_DARK, GOLD_MID, 0.3), light=(0.3, 0.05),
               noise_seed=31, noise_amount=0.08)
    bevel(c, body, light=0.45, dark=0.4)
    # a dark stone inlay on the base with a small socket glow under the rune
    inlay = A.rounded_rect_mask(w, h, 12, 32, 86, 40, 3)
    shade_fill(c, inlay, A.rgba("#2a2e3a"), A.rgba("#14161e"))
    A.add(c, (0.5, 0.7, 1.0, 0.0), A.radial_falloff(w, h, 49, 33, 18, 2.0) * 0.5 * inlay)
    for gx in (23.5, 74.5):
        gold_disc(c, gx, 36, 3.0)
    return c


def aim_guide():
    """IMAGE_KARETKASL, 30 x 416: a faint beam over the carriage's column, drawn at
    (118 + 32 x column, 21), from row 1 down to the resting carriage rune."""
    w, h = 30, 416
    c = A.canvas(w, h)
    x, y = A.grid(w, h)
    across = np.clip(1 - np.abs(x - 15) / 15, 0, 1) ** 1.5
    along = np.clip(y / h, 0, 1) ** 1.3
    A.over(c, (0.65, 0.85, 1.0, 1.0), across * along * 0.35)
    # chevrons pointing up, every 32 pixels, fading with height
    chev = np.zeros((h, w))
    for cy in range(h - 26, 10, -32):
        chev = np.maximum(chev, polyline(w, h, [(9, cy + 4), (15, cy - 2), (21, cy + 4)], 1.6) * (cy / h) ** 1.2)
    A.over(c, (0.85, 0.95, 1.0, 0.7), chev)
    return c


def digits():
    """IMAGE_DIGITS, 250 x 25: ten golden numerals 0..9 in cells of 25 x 25."""
    w, h = 250, 25
    big = 4
    img = Image.new("L", (w * big, h * big), 0)
    draw = ImageDraw.Draw(img)
    try:
        font = ImageFont.truetype(FONT_BOLD, 22 * big)
    except OSError:
        font = ImageFont.load_default(22 * big)
    for d in range(10):
        box = draw.textbbox((0, 0), str(d), font=font)
        tw, th = box[2] - box[0], box[3] - box[1]
        draw.text((d * 25 * big + (25 * big - tw) / 2 - box[0], (25 * big - th) / 2 - box[1]), str(d), fill=255,
                  font=font)
    m = np.asarray(img.resize((w, h), Image.LANCZOS), dtype=np.float64) / 255.0
    c = A.canvas(w, h)
    outline = np.clip(A.blur(m, 1.0) * 3.0, 0, 1)
    A.over(c, (0, 0, 0, 0.55), A.blur(shifted(m, 1, 2), 1.0))
    A.over(c, (0.16, 0.09, 0.02, 1.0), outline)
    shade_fill(c, m, (1.0, 0.96, 0.75, 1), mix(GOLD_MID, GOLD_DARK, 0.2))
    return c


def life_icon(active):
    """IMAGE_LIVEACTIVE / IMAGE_LIVEINACTIVE, 26 x 26: a heart gem, or its empty socket."""
    w = h = 26
    c = A.canvas(w, h)
    socket = A.circle_mask(w, h, 13, 13, 12.2)
    shade_fill(c, socket, A.rgba("#2b2f3b"), A.rgba("#4c5162"))
    A.over(c, GOLD_DARK if active else A.rgba("#3a3d46"), annulus(w, h, 13, 13, 12.0, 1.3))
    heart = union(A.circle_mask(w, h, 9.6, 10.4, 4.4), A.circle_mask(w, h, 16.4, 10.4, 4.4),
                  A.polygon_mask(w, h, [(5.6, 12.2), (20.4, 12.2), (13, 20.5)]))
    if active:
        A.add(c, (1.0, 0.3, 0.35, 0.0), A.blur(heart, 2.5) * 0.6)
        shade_fill(c, heart, A.rgba("#ff7a86"), A.rgba("#9e1028"), light=(0.3, 0.0))
        A.over(c, (1, 1, 1, 0.8), A.circle_mask(w, h, 9.0, 9.5, 1.8))
    else:
        A.over(c, (1, 1, 1, 0.12), np.clip(shifted(heart, 1, 1) - heart, 0, 1))
        A.over(c, (0.07, 0.08, 0.1, 0.75), heart)
    return c


def indicator_housing():
    """IMAGE_INDIC, 76 x 433, drawn at (8, 47): the stone case of the two bars and of the bonus
    icon. The bars show through slots at x 23..30 and 51..58 (y 37..398 here)."""
    w, h = 76, 433
    c = A.canvas(w, h)
    body = A.rounded_rect_mask(w, h, 2, 2, 74, 436, 10)
    A.paste(c, A.shadow(stone_panel(w, h, body, 41), offset=(2, 2), radius=3, strength=0.5), 0, 0)
    for sx in (23, 51):
        groove = A.rounded_rect_mask(w, h, sx - 2, 35, sx + 10, 401, 4)
        shade_fill(c, groove, A.rgba("#07080c"), A.rgba("#151822"))
        A.over(c, (1, 1, 1, 0.25), np.clip(shifted(groove, 1, 1) - groove, 0, 1))
        for ty in range(45, 400, 36):  # measure ticks
            A.over(c, mix(GOLD_MID, GOLD_LIGHT, 0.2), A.line_mask(w, h, sx - 5.5, ty, sx - 3, ty, 1.0))
    # emblems over the slots: incoming rows (three bars) and bonus (a star)
    rows = union(*[A.line_mask(w, h, 22, yy, 32, yy, 2.2) for yy in (13, 19, 25)])
    gold_disc(c, 27, 19, 11.0)
    A.over(c, (0.28, 0.15, 0.03, 1), rows)
    gold_disc(c, 55, 19, 11.0)
    A.over(c, (0.28, 0.15, 0.03, 1), emblem_mask(2, w, h, 55, 19, 1.05))
    # socket of the bonus icon (drawn at 33, 447 on screen = 25, 400 here)
    sock = A.circle_mask(w, h, 40, 415, 17.5)
    shade_fill(c, sock, A.rgba("#0b0d13"), A.rgba("#232735"))
    A.over(c, GOLD_MID, annulus(w, h, 40, 415, 17.0, 1.6))
    return c


def bar(top_hex, bottom_hex, seed):
    """IMAGE_INDIC_BLUE / IMAGE_INDIC_RED, 8 x 362: a glowing liquid column."""
    w, h = 8, 362
    x, y = A.grid(w, h)
    c = A.vertical_gradient(w, h, A.rgba(top_hex), A.rgba(bottom_hex))
    across = 1.0 - np.abs(x - 3.4) / 5.0
    c[..., :3] *= (0.55 + 0.6 * across)[..., None]
    n = A.noise(w, h, seed, scale=10.0, octaves=2)
    c[..., :3] = np.clip(c[..., :3] * (0.9 + 0.2 * n)[..., None], 0, 1)
    A.over(c, (1, 1, 1, 0.5), ((np.abs(x - 2.5) < 0.7)).astype(float))
    A.over(c, (0, 0, 0, 0.35), ((np.mod(y, 18) < 1.0)).astype(float))
    return c


def lighted_cell():
    """IMAGE_LIGHTEDCELL, 30 x 30: a warm glow over a swept cell (the board draws it faint)."""
    c = A.canvas(CELL, CELL)
    sq = A.rounded_rect_mask(CELL, CELL, 0.5, 0.5, 29.5, 29.5, 7)
    glow = A.radial_falloff(CELL, CELL, 15, 15, 21, 1.0)
    A.over(c, (1.0, 0.93, 0.6, 1.0), sq * np.clip(0.55 + glow, 0, 1))
    A.over(c, (1, 1, 1, 1), sq * A.radial_falloff(CELL, CELL, 15, 15, 12, 1.5))
    return c


def lightning(seed=7):
    """IMAGE_LIGHTNING, 48 x 300: a bolt, bottom at the carriage rune, drawn as its bottom n pixels."""
    w, h = 48, 300
    rng = np.random.default_rng(seed)
    ys = np.linspace(h, 0, 19)
    xs = 24 + np.concatenate([[0], rng.uniform(-9, 9, 17), [0]])
    pts = list(zip(xs, ys))
    core = polyline(w, h, pts, 2.6)
    branch = np.zeros((h, w))
    for i in (4, 9, 14):
        bx, by = pts[i]
        d = 1 if rng.random() < 0.5 else -1
        branch = np.maximum(branch, polyline(w, h, [(bx, by), (bx + d * 7, by - 10), (bx + d * 11, by - 22)], 1.3))
    c = A.canvas(w, h)
    A.over(c, (0.45, 0.65, 1.0, 1.0), np.clip(A.blur(core, 6.0) * 2.2, 0, 0.75))
    A.over(c, (0.7, 0.85, 1.0, 1.0), np.clip(A.blur(union(core, branch), 2.0) * 2.0, 0, 1))
    A.over(c, (1, 1, 1, 1), union(core, branch * 0.8))
    return c


def menu_button(state):
    """IMAGE_MENU_B (normal), IMAGE_MENU_F (mouse over), IMAGE_MENU_D (pressed), 69 x 69: a round
    stone medallion in a bronze ring; the label is drawn by the button."""
    w = h = 69
    c = A.canvas(w, h)
    ring = A.circle_mask(w, h, 34, 34, 32.5)
    A.over(c, (0, 0, 0, 0.55), A.blur(shifted(ring, 2, 2), 1.5))
    shade_fill(c, ring, GOLD_LIGHT, GOLD_DARK, light=(0.3, 0.0))
    off = 1 if state == "D" else 0
    face = A.circle_mask(w, h, 34 + off, 34 + off, 27.0)
    top = {"B": "#2f4c78", "F": "#41679e", "D": "#1f3454"}[state]
    bot = {"B": "#141f36", "F": "#1e3052", "D": "#0e1628"}[state]
    shade_fill(c, face, A.rgba(top), A.rgba(bot), light=(0.3, 0.0), noise_seed=51, noise_amount=0.1)
    if state == "D":
        A.over(c, (0, 0, 0, 0.55), np.clip(face - shifted(A.blur(face, 3), 3, 3), 0, 1))
    else:
        A.over(c, (1, 1, 1, 0.3), np.clip(face - shifted(face, 2, 2), 0, 1))
        A.over(c, (1, 1, 1, 0.12), A.ellipse_mask(w, h, 30, 22, 19, 10) * face)
    if state == "F":
        A.add(c, (0.5, 0.8, 1.0, 0.0), annulus(w, h, 34, 34, 28.0, 3.0) * 0.7)
    # faint glyph ring around the label
    for i in range(6):
        a = -math.pi / 2 + i * math.pi / 3
        g = glyph_mask(i, w, h, 34 + off + 20.5 * math.cos(a), 34 + off + 20.5 * math.sin(a), 0.3)
        A.over(c, (0.75, 0.85, 1.0, 0.28 if state != "F" else 0.5), g)
    return c


# ---------------------------------------------------------------- explosions and particles

def rune_explosion_sheet():
    """IMAGE_REXP, 1014 x 468: 6 rows (colour kind) x 13 frames of 78 x 78; the rune burst into
    shards with a flash and a ring, centred on the cell."""
    s = 78
    rows = []
    for colour in range(6):
        base = A.rgba(RUNE_COLOURS[colour])
        light = mix(base, (1, 1, 1), 0.6)
        rng = np.random.default_rng(400 + colour)
        angles = rng.uniform(0, 2 * math.pi, 11)
        speeds = rng.uniform(0.65, 1.0, 11)
        spins = rng.uniform(0, math.pi, 11)
        cels = []
        for f in range(13):
            p = f / 12.0
            c = A.canvas(s, s)
            A.add(c, tuple(np.array(light[:3]) * 0.5) + (1.0,), A.blur(A.circle_mask(s, s, 39, 39, 9 + 20 * p), 3.0) * (1 - p) ** 2)
            A.over(c, light, annulus(s, s, 39, 39, 7 + 30 * p, 1.5 + 4.0 * (1 - p)) * (1 - p) ** 1.1)
            for a, v, sp in zip(angles, speeds, spins):
                d = 3 + 31 * v * (1 - (1 - p) ** 1.6)
                cx, cy = 39 + d * math.cos(a), 39 + d * math.sin(a) + 6 * p * p
                r = 4.6 * (1 - 0.5 * p)
                rot = sp + 3 * p
                pts = [(cx + r * math.cos(rot + k * math.pi / 2) * (1.0 if k % 2 == 0 else 0.55),
                        cy + r * math.sin(rot + k * math.pi / 2) * (1.0 if k % 2 == 0 else 0.55)) for k in range(4)]
                m = A.polygon_mask(s, s, pts, supersample=3) * (1 - p ** 2)
                A.over(c, mix(base, (0, 0, 0), 0.25), m)
                A.over(c, light, m * A.circle_mask(s, s, cx - r * 0.3, cy - r * 0.3, r * 0.5))
            core = A.radial_falloff(s, s, 39, 39, 14 + 12 * p, 1.2) * max(0.0, 1 - 1.5 * p)
            A.over(c, (1, 1, 0.95, 1), np.clip(core * 2.2, 0, 1))
            cels.append(c)
        rows.append(A.strip(cels))
    return A.stack(rows)


def bonus_explosion_sheet():
    """IMAGE_BEXP, 2574 x 198: one row of 13 frames of 198 x 198: a golden blast with rays, a
    shock ring and sparks, centred on the cell."""
    s = 198
    x, y = A.grid(s, s)
    dx, dy = x - 99, y - 99
    dist = np.hypot(dx, dy)
    theta = np.arctan2(dy, dx)
    rng = np.random.default_rng(77)
    n_sp = 26
    sa = rng.uniform(0, 2 * math.pi, n_sp)
    sv = rng.uniform(0.5, 1.0, n_sp)
    cels = []
    for f in range(13):
        p = f / 12.0
        c = A.canvas(s, s)
        rays = np.clip(np.cos(theta * 9 + 0.7) * 0.5 + 0.5, 0, 1) ** 10
        reach = 20 + 80 * p
        ray_m = rays * np.clip(1 - dist / reach, 0, 1) * np.clip(dist / 12, 0, 1) * (1 - p) ** 0.8
        A.over(c, (1.0, 0.85, 0.45, 1), np.clip(ray_m * 1.6, 0, 1))
        A.over(c, (1.0, 0.9, 0.6, 1), annulus(s, s, 99, 99, 14 + 80 * p, 2 + 9 * (1 - p)) * (1 - p) ** 1.3 * 0.85)
        sp = np.zeros((s, s))
        for a, v in zip(sa, sv):
            d = 8 + 88 * v * (1 - (1 - p) ** 1.5)
            sp = np.maximum(sp, A.circle_mask(s, s, 99 + d * math.cos(a), 99 + d * math.sin(a), 2.6 * (1 - 0.6 * p)))
        A.over(c, (1.0, 0.95, 0.75, 1), sp * (1 - p ** 2))
        core = A.radial_falloff(s, s, 99, 99, 26 + 30 * p, 1.4) * max(0.0, 1 - 1.4 * p)
        A.over(c, (1, 1, 0.9, 1), np.clip(core * 1.6, 0, 1))
        cels.append(c)
    return A.strip(cels)


def light_sprite(size, mask):
    """A white sprite for additive, tinted drawing: colour and alpha both follow the light."""
    c = A.canvas(size, size)
    x, y = A.grid(size, size)
    # clear edges, so a scaled sprite shows no seam
    border = np.clip((np.minimum(np.minimum(x, size - x), np.minimum(y, size - y)) - 0.5) / 2.0, 0, 1)
    m = np.clip(mask, 0, 1) * border
    c[..., 0] = c[..., 1] = c[..., 2] = 1.0
    c[..., 3] = m
    return c


def bubble():
    """IMAGE_FBUBBLES, 32 x 32: a bubble (rim, faint body, highlight), white for tinting."""
    s = 32
    m = annulus(s, s, 16, 16, 12.5, 2.4) * 0.9 + A.circle_mask(s, s, 16, 16, 12) * 0.18
    m = np.maximum(m, A.circle_mask(s, s, 11.5, 11, 3.0) * 0.95)
    return light_sprite(s, A.blur(m, 0.6))


def sparkle():
    """IMAGE_BONUSPART, 32 x 32: a four-pointed twinkle with a soft halo."""
    s = 32
    x, y = A.grid(s, s)
    dx, dy = np.abs(x - 16), np.abs(y - 16)
    star = np.clip(1 - (dx * dy) / 6.0, 0, 1) * np.clip(1 - np.hypot(dx, dy) / 16, 0, 1) ** 1.5
    halo = A.radial_falloff(s, s, 16, 16, 10, 2.0) * 0.6
    return light_sprite(s, np.maximum(star, halo))


def ember():
    """IMAGE_EXPPART, 32 x 32: a soft round spark, hot in the middle."""
    s = 32
    return light_sprite(s, A.radial_falloff(s, s, 16, 16, 15.5, 1.6) * 0.85 + A.radial_falloff(s, s, 16, 16, 5, 1.0)
                        * 0.15)


def seal():
    """IMAGE_NEXTSTAGE, 128 x 128, drawn in normal mode and tinted: a radiant golden seal of the
    six glyphs inside a ring of rays."""
    s = 128
    x, y = A.grid(s, s)
    dist = np.hypot(x - 64, y - 64)
    theta = np.arctan2(y - 64, x - 64)
    c = A.canvas(s, s)
    rays = (np.clip(np.cos(theta * 12) * 0.5 + 0.5, 0, 1) ** 6) * np.clip(1 - dist / 64, 0, 1) * np.clip(
        (dist - 24) / 8, 0, 1)
    A.over(c, (1.0, 0.9, 0.55, 1), np.clip(rays * 1.4, 0, 1))
    A.over(c, (1.0, 0.95, 0.7, 1), A.radial_falloff(s, s, 64, 64, 52, 1.8) * 0.7)
    A.over(c, GOLD_MID, annulus(s, s, 64, 64, 34, 3.0))
    A.over(c, GOLD_LIGHT, annulus(s, s, 64, 64, 34, 1.4))
    for i in range(6):
        a = -math.pi / 2 + i * math.pi / 3
        g = glyph_mask(i, s, s, 64 + 22 * math.cos(a), 64 + 22 * math.sin(a), 0.55)
        A.over(c, (1, 1, 0.92, 1), g)
    A.over(c, (1, 1, 1, 1), A.radial_falloff(s, s, 64, 64, 12, 1.2))
    c[..., 3] *= np.clip((63.0 - dist) / 3.0, 0, 1)
    return c


# ---------------------------------------------------------------- per-area HUD plaques

# Area look: plaque top and bottom colour, trim colour, ornament kind, ornament colour.
AREAS = [
    ("#3e5a2c", "#1f3318", "#c9a64a", "leaves", "#6fb33e"),     # 1 green vale
    ("#35504c", "#182a2b", "#9fb7a8", "ferns", "#8fbfa0"),      # 2 misty forest
    ("#8a6a3c", "#4a3318", "#e0c07a", "sand", "#d9b06a"),       # 3 desert ruins
    ("#4f7290", "#23384e", "#dceefa", "icicles", "#e8f6ff"),    # 4 ice cliffs
    ("#3a2422", "#170c0c", "#e0702a", "embers", "#ff8a2a"),     # 5 volcanic deep
    ("#8fa4c8", "#4a5c86", "#f2dc8a", "clouds", "#ffffff"),     # 6 sky citadel
]


def leaf_ornament(w, h, kind, colour, seed):
    rng = np.random.default_rng(seed)
    m = np.zeros((h, w))
    if kind in ("leaves", "ferns"):
        # a sprig curling from the top-left corner, and one from the bottom-right
        for ox, oy, sx in ((4, 4, 1), (w - 4, h - 4, -1)):
            for i in range(6 if kind == "leaves" else 9):
                t = i / 6.0
                px, py = ox + sx * (6 + 34 * t), oy + sx * (4 + 10 * math.sin(t * 2.5))
                length = 9 if kind == "leaves" else 6
                ang = -0.9 + (i % 2) * 1.8
                lx, ly = px + sx * length * math.cos(ang) * 0.6, py + sx * length * math.sin(ang)
                m = np.maximum(m, A.line_mask(w, h, px, py, lx, ly, 3.6 if kind == "leaves" else 2.0))
            m = np.maximum(m, polyline(w, h, [(ox, oy), (ox + sx * 20, oy + sx * 8), (ox + sx * 42, oy + sx * 6)], 1.4))
    elif kind == "sand":
        for i in range(3):
            yy = h - 10 - 5 * i
            xs = np.linspace(8, w - 8, 20)
            m = np.maximum(m, polyline(w, h, [(px, yy + 1.5 * math.sin(px / 9 + i)) for px in xs], 1.0) * 0.6)
    elif kind == "icicles":
        for px in np.linspace(10, w - 10, 14):
            ln = rng.uniform(6, 16)
            m = np.maximum(m, A.polygon_mask(w, h, [(px - 2.5, 3), (px + 2.5, 3), (px, 3 + ln)]))
    elif kind == "embers":
        for _ in range(22):
            px, py = rng.uniform(6, w - 6), rng.uniform(h * 0.45, h - 6)
            m = np.maximum(m, A.circle_mask(w, h, px, py, rng.uniform(0.8, 1.9)) * rng.uniform(0.5, 1))
    else:  # clouds
        for ox in (18, w - 30):
            for k in range(4):
                m = np.maximum(m, A.circle_mask(w, h, ox + k * 6, h - 8 - (k % 2) * 4, 6 + (k % 2) * 2))
    return m


def leaf(area):
    """images/leafN.png, 206 x 156, drawn at (432, 2) right after IMAGE_BOARD: the area's plaque
    behind the HUD texts, score counter and life icons."""
    w, h = 206, 156
    top, bottom, trim, kind, orn = AREAS[area]
    c = A.canvas(w, h)
    body = A.rounded_rect_mask(w, h, 3, 3, w - 3, h - 3, 12)
    A.over(c, (0, 0, 0, 0.5), A.blur(shifted(body, 3, 3), 2.5))
    shade_fill(c, body, A.rgba(top, 0.88), A.rgba(bottom, 0.92), light=(0.35, 0.05), noise_seed=600 + area,
               noise_amount=0.18)
    # recess behind the counter (digits at y 70..94 on screen = 68..92 here)
    recess = A.rounded_rect_mask(w, h, 5, 64, 201, 96, 6)
    A.over(c, (0, 0, 0, 0.45), recess)
    A.over(c, (1, 1, 1, 0.15), np.clip(shifted(recess, 1, 1) - recess, 0, 1))
    tr = A.rgba(trim)
    A.over(c, tr, np.clip(body - A.rounded_rect_mask(w, h, 5, 5, w - 5, h - 5, 10), 0, 1))
    A.over(c, (0, 0, 0, 0.5), np.clip(body - A.rounded_rect_mask(w, h, 3.8, 3.8, w - 3.8, h - 3.8, 11), 0, 1))
    orn_m = leaf_ornament(w, h, kind, orn, 700 + area) * body
    A.over(c, (0, 0, 0, 0.4), shifted(orn_m, 1, 1))
    A.over(c, A.rgba(orn, 0.9), orn_m)
    if kind == "embers":
        A.add(c, (1.0, 0.45, 0.1, 0.0), A.blur(orn_m, 2.0) * 0.6)
    return c


# ---------------------------------------------------------------- build

def build(out_dir):
    pictures = {
        "runes.png": lambda: A.strip([rune(k) for k in range(12)]),
        "bonuses.png": lambda: A.stack([A.strip([bonus_frame(k, b) for b in range(5)]) for k in range(6)]),
        "small_bonus.png": lambda: A.stack([A.strip([small_bonus(k, b) for b in range(5)]) for k in range(6)]),
        "board.png": board_frame,
        "topbrick.png": top_brick,
        "karetka.png": carriage,
        "karetkasl.png": aim_guide,
        "digits.png": digits,
        "indic.png": indicator_housing,
        "indic_blue.png": lambda: bar("#9fe0ff", "#1d56c8", 61),
        "indic_red.png": lambda: bar("#ffd08a", "#c8281a", 62),
        "lightedcell.png": lighted_cell,
        "lightning.png": lightning,
        "liveactive.png": lambda: life_icon(True),
        "liveinactive.png": lambda: life_icon(False),
        "menu_b.png": lambda: menu_button("B"),
        "menu_d.png": lambda: menu_button("D"),
        "menu_f.png": lambda: menu_button("F"),
        "rexp.png": rune_explosion_sheet,
        "bexp.png": bonus_explosion_sheet,
        "bonuspart.png": sparkle,
        "exppart.png": ember,
        "fbubbles.png": bubble,
        "nextstage.png": seal,
    }
    for area in range(6):
        pictures[f"leaf{area + 1}.png"] = (lambda a=area: leaf(a))
    for name, make in pictures.items():
        A.save_png(make(), os.path.join(out_dir, name))
    return list(pictures)
