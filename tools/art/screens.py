"""Backgrounds and screen pictures: the six area landscapes behind the playing field, the area
guardians, the travel map and its pieces, the menu, loading, help, endless, custom-game and winner
screens. Light falls from the top left everywhere. See data/ART.md for sizes and places."""

import os

import numpy as np
from PIL import Image, ImageDraw, ImageFont

import artlib as A

W, H = 640, 480

# Six areas: sky top, sky horizon, sun/glow colour, three land layers (far to near), haze, accent.
AREAS = [
    dict(name="vale", sky=("#5aa6e0", "#f4e8bb"), sun="#fff2c0", land=("#8fb98a", "#5f9a4f", "#3b7132"),
         haze="#e8efd0", accent="#9be06a", fore="#24501f"),
    dict(name="forest", sky=("#173f47", "#86bcb2"), sun="#d8f4e8", land=("#4d857c", "#2c6156", "#173f35"),
         haze="#a9d3c8", accent="#6fe0c8", fore="#0e2a22"),
    dict(name="desert", sky=("#d9894c", "#fbe3ad"), sun="#fff0c8", land=("#dcae73", "#c98a4a", "#a45a36"),
         haze="#f6dcb0", accent="#ffcf6a", fore="#6e3520"),
    dict(name="ice", sky=("#7fb2e6", "#eef5ff"), sun="#ffffff", land=("#c9d9f2", "#9fb6e3", "#6f79b8"),
         haze="#e6eefc", accent="#bfe8ff", fore="#4a4d8c"),
    dict(name="volcano", sky=("#160a0c", "#7a2412"), sun="#ff9a3a", land=("#4a2a26", "#2e1c1c", "#1a1112"),
         haze="#a8442a", accent="#ff7a1c", fore="#0d0808"),
    dict(name="citadel", sky=("#1f3270", "#f3c98c"), sun="#fff1c8", land=("#b7b2d6", "#8c86b8", "#5a5488"),
         haze="#f6dcc0", accent="#ffd86a", fore="#3a3566"),
]


# ---------------------------------------------------------------------------------------------
# Helpers of this family

def col(hex_rgb, alpha=1.0):
    return A.rgba(hex_rgb, alpha)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def noise1d(n, seed, cell, octaves=4):
    """Smooth 1D value noise in 0..1 over n samples."""
    rng = np.random.default_rng(seed)
    x = np.arange(n, dtype=np.float64)
    out = np.zeros(n)
    amp, total = 1.0, 0.0
    for o in range(octaves):
        c = max(2.0, cell / 2 ** o)
        k = int(n / c) + 3
        pts = rng.random(k)
        t = x / c
        i = np.floor(t).astype(int)
        f = t - i
        f = f * f * (3 - 2 * f)
        out += (pts[i] * (1 - f) + pts[i + 1] * f) * amp
        total += amp
        amp *= 0.5
    return out / total


def layer_fill(c, mask, color):
    A.over(c, color, mask)


def ridge(w, h, profile):
    """Coverage of the land below a height profile (one y per column)."""
    y = np.arange(h, dtype=np.float64)[:, None] + 0.5
    return np.clip(y - profile[None, :] + 0.5, 0.0, 1.0)


def color_field(w, h, base, seed, amount=0.08, scale=24.0):
    """A canvas of one colour with soft seeded mottling (painted texture)."""
    n = A.noise(w, h, seed, scale=scale, octaves=4) - 0.5
    c = np.empty((h, w, 4))
    for ch in range(3):
        c[..., ch] = np.clip(base[ch] * (1.0 + amount * 2.0 * n), 0, 1)
    c[..., 3] = base[3]
    return c


def shaded(mask, base, seed=0, relief=3.0, strength=1.6, texture=0.10, rim=None):
    """A mask painted in one colour lit from the top left: the blurred mask is read as a height
    field, so edges facing the light brighten and those facing away darken; optional rim light on
    the shadow side."""
    h, w = mask.shape
    hgt = A.blur(mask, relief)
    gy, gx = np.gradient(hgt)
    lam = np.clip((gx * 0.7 + gy * 0.7) * -strength * relief * 2.0, -1.0, 1.0)
    top = np.linspace(0.12, -0.12, h)[:, None]
    c = color_field(w, h, base, seed, texture, scale=max(6.0, w / 14.0))
    k = 1.0 + 0.45 * lam + top
    for ch in range(3):
        c[..., ch] = np.clip(c[..., ch] * k, 0, 1)
    c[..., 3] = mask * base[3]
    if rim is not None:
        rimm = np.clip(lam * -1.0, 0, 1) * mask * (1.0 - A.blur(mask, 1.5) ** 4 * 0.0)
        edge = np.clip(mask - A.blur(mask, 2.0), 0, 1) * 2.5
        A.add(c, rim, np.clip(rimm * edge, 0, 1) * 0.9)
        c[..., 3] = mask * base[3]
    return c


def glow(c, cx, cy, radius, color, power=2.0, strength=1.0):
    h, w = c.shape[:2]
    A.add(c, color, A.radial_falloff(w, h, cx, cy, radius, power) * strength)


def vignette(c, strength=0.35):
    h, w = c.shape[:2]
    x, y = A.grid(w, h)
    d = np.hypot((x - w / 2) / (w / 2), (y - h / 2) / (h / 2))
    m = np.clip((d - 0.7) / 0.7, 0, 1) ** 1.5 * strength
    A.over(c, (0.0, 0.0, 0.0, 1.0), m)


def haze_band(c, y0, y1, color, strength):
    h, w = c.shape[:2]
    y = np.arange(h, dtype=np.float64)[:, None] + 0.5
    t = np.clip(1.0 - np.abs(y - (y0 + y1) / 2) / ((y1 - y0) / 2), 0, 1) ** 1.5
    A.over(c, color, np.broadcast_to(t * strength, (h, w)))


def fog(c, seed, color, strength, scale=60.0, y_from=0.0):
    h, w = c.shape[:2]
    small = A.noise(w // 4, h // 4, seed, scale=scale / 4, octaves=3)
    n = np.asarray(Image.fromarray((small * 255).astype(np.uint8)).resize((w, h), Image.BICUBIC)) / 255.0
    y = np.arange(h)[:, None] / h
    m = np.clip((n - 0.45) * 2.5, 0, 1) * np.clip((y - y_from) * 3, 0, 1) * strength
    A.over(c, color, m)


def sparkles(c, seed, count, color, area, rmin=0.6, rmax=1.8):
    h, w = c.shape[:2]
    rng = np.random.default_rng(seed)
    x0, y0, x1, y1 = area
    for _ in range(count):
        x, y = rng.uniform(x0, x1), rng.uniform(y0, y1)
        r = rng.uniform(rmin, rmax)
        bx, by = int(x) - 8, int(y) - 8
        sub = c[max(0, by):by + 16, max(0, bx):bx + 16]
        if sub.shape[0] < 16 or sub.shape[1] < 16:
            continue
        m = A.radial_falloff(16, 16, x - bx, y - by, r * 3.0, 2.0)
        A.add(sub, color, m * rng.uniform(0.5, 1.0))


def sky(w, h, area, sun=(150, 70), sun_r=180):
    c = A.vertical_gradient(w, h, col(area["sky"][0]), col(area["sky"][1]))
    glow(c, sun[0], sun[1], sun_r, col(area["sun"]), 1.8, 0.55)
    glow(c, sun[0], sun[1], sun_r * 0.18, col(area["sun"]), 1.2, 0.8)
    return c


def hills(c, seed, base_y, amp, cell, color, haze, haze_t, jag=0.0):
    h, w = c.shape[:2]
    profile = base_y - amp * noise1d(w, seed, cell)
    if jag:
        profile = profile - jag * (noise1d(w, seed + 7, cell / 8, 2) - 0.5) * 2.0
    m = ridge(w, h, profile)
    fill = shaded(np.clip(m, 0, 1), mix(col(color), col(haze), haze_t), seed + 1, relief=6.0, texture=0.06)
    A.over(c, fill)
    return profile


def trees(c, seed, base_y, count, size, color, haze, haze_t, kind="pine"):
    """A row of tree silhouettes standing on base_y (pines as stacked triangles, or round crowns)."""
    h, w = c.shape[:2]
    rng = np.random.default_rng(seed)
    x = np.arange(w, dtype=np.float64)[None, :] + 0.5
    y = np.arange(h, dtype=np.float64)[:, None] + 0.5
    m = np.zeros((h, w))
    for _ in range(count):
        tx = rng.uniform(-20, w + 20)
        s = size * rng.uniform(0.6, 1.3)
        by = base_y + rng.uniform(-0.15, 0.15) * size
        if kind == "pine":
            half = s * 0.32
            dist = np.abs(x - tx) / half + (y - (by - s)) / s * -1.0 + 0.0
            tri = np.clip(((y - (by - s)) / s * half - np.abs(x - tx)) + 0.5, 0, 1) * (y < by + 2)
            m = np.maximum(m, tri)
        else:
            r = s * 0.35
            crown = A.coverage_from_distance(np.hypot((x - tx) / 1.0, (y - (by - s * 0.6)) / 0.85) - r)
            trunk = ((np.abs(x - tx) < s * 0.05) & (y > by - s * 0.4) & (y < by + 2)).astype(float)
            m = np.maximum(m, np.maximum(crown, trunk))
    A.over(c, shaded(m, mix(col(color), col(haze), haze_t), seed + 3, relief=3.0, texture=0.12))


def save_jpeg(c, out_dir, name):
    A.save_jpeg(c, os.path.join(out_dir, name), quality=87)
    return name


def save_png(c, out_dir, name):
    A.save_png(c, os.path.join(out_dir, name))
    return name


def font(size):
    for path in ("/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf",
                 "/usr/share/fonts/truetype/liberation2/LiberationSerif-Bold.ttf"):
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def text_mask(w, h, text, size, cx, cy):
    img = Image.new("L", (w * 2, h * 2), 0)
    d = ImageDraw.Draw(img)
    f = font(size * 2)
    box = d.textbbox((0, 0), text, font=f)
    d.text((cx * 2 - (box[0] + box[2]) / 2, cy * 2 - (box[1] + box[3]) / 2), text, font=f, fill=255)
    return np.asarray(img.resize((w, h), Image.LANCZOS), dtype=np.float64) / 255.0


# ---------------------------------------------------------------------------------------------
# Area landscapes

def pillars(c, seed, base_y, count, color, haze, haze_t, x_range):
    """Ruined columns and a broken arch standing on base_y."""
    h, w = c.shape[:2]
    rng = np.random.default_rng(seed)
    m = np.zeros((h, w))
    for _ in range(count):
        px = rng.uniform(*x_range)
        ph = rng.uniform(50, 120)
        pw = rng.uniform(12, 18)
        m = np.maximum(m, A.rounded_rect_mask(w, h, px, base_y - ph, px + pw, base_y + 4, 2))
        m = np.maximum(m, A.rounded_rect_mask(w, h, px - 4, base_y - ph - 7, px + pw + 4, base_y - ph + 1, 1))
    ax = x_range[0] + (x_range[1] - x_range[0]) * 0.5
    outer = A.ellipse_mask(w, h, ax + 40, base_y - 95, 46, 46) * (np.arange(h)[:, None] < base_y - 95)
    inner = A.ellipse_mask(w, h, ax + 40, base_y - 95, 30, 30)
    m = np.maximum(m, np.clip(outer - inner, 0, 1) * (A.grid(w, h)[0] < ax + 62))
    m = np.maximum(m, A.rounded_rect_mask(w, h, ax - 6, base_y - 100, ax + 10, base_y + 4, 2))
    A.over(c, shaded(m, mix(col(color), col(haze), haze_t), seed, relief=2.5, texture=0.15))


def towers(c, seed, cx, base_y, scale, color, lit):
    """The sky citadel: slender towers with pointed roofs, a dome and lit windows."""
    h, w = c.shape[:2]
    m = np.zeros((h, w))
    towers_at = [(-70, 0.55, 9), (-42, 0.8, 11), (-12, 1.15, 14), (20, 0.9, 12), (48, 0.65, 10), (78, 0.45, 8)]
    wins = np.zeros((h, w))
    for dx, th, tw in towers_at:
        x0 = cx + dx * scale
        top = base_y - 150 * th * scale
        hw = tw * scale / 2
        m = np.maximum(m, A.rounded_rect_mask(w, h, x0 - hw, top, x0 + hw, base_y + 2, 1.5))
        m = np.maximum(m, A.polygon_mask(w, h, [(x0 - hw - 2, top + 1), (x0, top - 32 * scale * th),
                                              (x0 + hw + 2, top + 1)]))
        for k in range(3):
            wy = top + (18 + 22 * k) * scale
            if wy < base_y - 8:
                wins = np.maximum(wins, A.rounded_rect_mask(w, h, x0 - 1.6 * scale, wy, x0 + 1.6 * scale,
                                                            wy + 6 * scale, 1.5))
    m = np.maximum(m, A.ellipse_mask(w, h, cx - 26 * scale, base_y - 40 * scale, 24 * scale, 22 * scale))
    m = np.maximum(m, A.rounded_rect_mask(w, h, cx - 95 * scale, base_y - 40 * scale, cx + 95 * scale,
                                          base_y + 2, 2))
    A.over(c, shaded(m, col(color), seed, relief=2.0, texture=0.08, rim=col(lit)))
    A.add(c, col(lit), np.clip(A.blur(wins, 2.0) * 1.5 + wins, 0, 1) * 0.8)


def embers(c, seed, count, color, area):
    sparkles(c, seed, count, color, area, 0.5, 1.4)


_LANDSCAPES = {}


def landscape(i, w=W, h=H, seed=0):
    """A copy of the landscape of area i, drawn once per size and seed."""
    key = (i, w, h, seed)
    if key not in _LANDSCAPES:
        _LANDSCAPES[key] = draw_landscape(i, w, h, seed)
    return _LANDSCAPES[key].copy()


def draw_landscape(i, w=W, h=H, seed=0):
    """The landscape of area i (0 to 5) at any size: sky, far silhouettes in aerial perspective,
    middle ground, foreground and a light haze."""
    a = AREAS[i]
    s = 1000 * (i + 1) + seed
    sx, sy = w / 640.0, h / 480.0
    hz = a["haze"]
    if i == 0:  # green vale under a warm sun
        c = sky(w, h, a, (110 * sx, 70 * sy), 260 * sx)
        fog(c, s, (1, 1, 1, 1), 0.35, 90 * sx, 0.0)
        hills(c, s + 1, 250 * sy, 95 * sy, 200 * sx, "#7e9cc4", hz, 0.5, jag=18 * sy)
        hills(c, s + 2, 300 * sy, 60 * sy, 160 * sx, a["land"][0], hz, 0.35)
        trees(c, s + 3, 300 * sy, 14, 26 * sy, "#4f8a45", hz, 0.35, "round")
        hills(c, s + 4, 370 * sy, 60 * sy, 220 * sx, a["land"][1], hz, 0.1)
        trees(c, s + 5, 372 * sy, 7, 48 * sy, "#2f6a2c", hz, 0.05, "round")
        hills(c, s + 6, 450 * sy, 50 * sy, 260 * sx, a["land"][2], hz, 0.0)
        sparkles(c, s + 7, int(60 * sx * sy), col("#fff6a0"), (0, 400 * sy, w, h))
    elif i == 1:  # misty forest
        c = sky(w, h, a, (90 * sx, 40 * sy), 300 * sx)
        trees(c, s + 1, 250 * sy, int(40 * sx), 70 * sy, a["land"][0], hz, 0.6)
        haze_band(c, 180 * sy, 300 * sy, col(hz), 0.5)
        trees(c, s + 2, 320 * sy, int(30 * sx), 110 * sy, a["land"][1], hz, 0.35)
        fog(c, s + 3, col(hz), 0.55, 80 * sx, 0.35)
        trees(c, s + 4, 420 * sy, int(16 * sx), 170 * sy, a["land"][2], hz, 0.1)
        hills(c, s + 5, 470 * sy, 30 * sy, 120 * sx, a["fore"], hz, 0.0)
        x, y = A.grid(w, h)
        shaft = np.clip(np.sin((x * 0.8 - y * 0.6) / (28 * sx)) * 0.5 + 0.5, 0, 1) ** 6
        A.add(c, col("#e8fff4"), shaft * np.clip(1 - y / h, 0, 1) * 0.18)
        fog(c, s + 6, col(hz), 0.35, 50 * sx, 0.6)
        sparkles(c, s + 7, int(40 * sx * sy), col("#b8ffe8"), (0, 200 * sy, w, h))
    elif i == 2:  # desert ruins
        c = sky(w, h, a, (120 * sx, 80 * sy), 280 * sx)
        hills(c, s + 1, 260 * sy, 70 * sy, 300 * sx, "#c7927a", hz, 0.55, jag=10 * sy)
        hills(c, s + 2, 310 * sy, 50 * sy, 240 * sx, a["land"][0], hz, 0.3)
        pillars(c, s + 3, 318 * sy, 6, a["land"][2], hz, 0.35, (w * 0.05, w * 0.95))
        hills(c, s + 4, 390 * sy, 45 * sy, 260 * sx, a["land"][1], hz, 0.08)
        x, y = A.grid(w, h)
        ripples = (np.sin((y + 10 * np.sin(x / (40 * sx))) / (4.0 * sy)) * 0.5 + 0.5) * (y > 360 * sy)
        A.over(c, col("#7a3e22"), ripples * 0.06)
        hills(c, s + 5, 465 * sy, 40 * sy, 300 * sx, a["land"][2], hz, 0.0)
        haze_band(c, 250 * sy, 330 * sy, col("#fff1d0"), 0.25)
    elif i == 3:  # ice cliffs
        c = sky(w, h, a, (130 * sx, 60 * sy), 260 * sx)
        x, y = A.grid(w, h)
        aur = np.clip(1 - np.abs(y - (90 * sy + 30 * sy * np.sin(x / (70 * sx)))) / (40 * sy), 0, 1) ** 2
        A.add(c, col("#b9a6ff"), aur * 0.25)
        hills(c, s + 1, 240 * sy, 150 * sy, 140 * sx, "#a9b4e6", hz, 0.45, jag=45 * sy)
        hills(c, s + 2, 320 * sy, 120 * sy, 110 * sx, a["land"][0], hz, 0.2, jag=40 * sy)
        haze_band(c, 280 * sy, 360 * sy, col("#ffffff"), 0.35)
        hills(c, s + 3, 400 * sy, 80 * sy, 160 * sx, a["land"][1], hz, 0.05, jag=30 * sy)
        hills(c, s + 4, 470 * sy, 50 * sy, 200 * sx, a["land"][2], hz, 0.0, jag=15 * sy)
        sparkles(c, s + 5, int(70 * sx * sy), col("#ffffff"), (0, 0, w, h), 0.4, 1.0)
    elif i == 4:  # volcanic deep
        c = sky(w, h, a, (420 * sx, 300 * sy), 380 * sx)
        fog(c, s, col("#3a1410"), 0.6, 70 * sx, 0.0)
        hills(c, s + 1, 300 * sy, 140 * sy, 180 * sx, a["land"][0], hz, 0.35, jag=30 * sy)
        x, y = A.grid(w, h)
        cone = A.polygon_mask(w, h, [(300 * sx, 330 * sy), (400 * sx, 150 * sy), (440 * sx, 150 * sy),
                                     (560 * sx, 330 * sy)])
        A.over(c, shaded(cone, col("#3b2220"), s + 2, relief=5.0, texture=0.1, rim=col("#ff7a2a")))
        glow(c, 420 * sx, 150 * sy, 120 * sx, col("#ff8a2a"), 2.0, 0.7)
        hills(c, s + 3, 380 * sy, 90 * sy, 150 * sx, a["land"][1], hz, 0.1, jag=30 * sy)
        n = A.noise(w, h, s + 4, scale=40 * sx, octaves=3)
        crack = np.clip(1 - np.abs(n - 0.5) * 28, 0, 1) * (y > 400 * sy)
        hills(c, s + 5, 440 * sy, 40 * sy, 200 * sx, a["land"][2], hz, 0.0, jag=12 * sy)
        A.add(c, col("#ff6a1a"), A.blur(crack, 2.0) * 0.8 + crack * 0.6)
        embers(c, s + 6, int(90 * sx * sy), col("#ffb040"), (0, 0, w, h))
    else:  # sky citadel at twilight
        c = sky(w, h, a, (500 * sx, 330 * sy), 360 * sx)
        sparkles(c, s, int(60 * sx * sy), col("#ffffff"), (0, 0, w, 150 * sy), 0.3, 0.8)
        fog(c, s + 1, col("#f8e0d0"), 0.5, 90 * sx, 0.35)
        towers(c, s + 2, 470 * sx, 300 * sy, 0.9 * sy, "#cfc6e6", "#ffd27a")
        isle = A.polygon_mask(w, h, [(360 * sx, 298 * sy), (580 * sx, 298 * sy), (520 * sx, 340 * sy),
                                     (470 * sx, 380 * sy), (420 * sx, 335 * sy)])
        A.over(c, shaded(isle, col("#7a6a8c"), s + 3, relief=4.0, texture=0.15, rim=col("#ffd27a")))
        fog(c, s + 4, col("#ffffff"), 0.65, 70 * sx, 0.55)
        hills(c, s + 5, 470 * sy, 40 * sy, 180 * sx, "#e9e2f4", "#ffffff", 0.2)
        fog(c, s + 6, col("#fff4ec"), 0.5, 40 * sx, 0.75)
    vignette(c, 0.3)
    return c


def board_background(i):
    """An area's landscape behind the playing field, with a calm dark veil behind the score texts
    on the right (x 432 to 640, y 0 to 160)."""
    c = landscape(i)
    x, y = A.grid(W, H)
    d = np.hypot(np.clip(x - 560, -140, 0) / 140.0, np.clip(y - 80, 0, None) / 90.0)
    A.over(c, (0.02, 0.03, 0.06, 1.0), np.clip(1.0 - d, 0, 1) ** 1.5 * 0.5)
    return c


# ---------------------------------------------------------------------------------------------
# Guardians

def resize_canvas(c, w, h):
    """Resizes a canvas with premultiplied alpha (no dark fringes)."""
    pm = c.copy()
    for ch in range(3):
        pm[..., ch] *= c[..., 3]
    chans = [np.asarray(Image.fromarray(pm[..., k].astype(np.float32), "F").resize((w, h), Image.LANCZOS))
             for k in range(4)]
    out = np.stack(chans, axis=-1).astype(np.float64)
    a = np.clip(out[..., 3], 0, 1)
    for ch in range(3):
        out[..., ch] = np.clip(np.where(a > 1e-4, out[..., ch] / np.maximum(a, 1e-4), 0), 0, 1)
    out[..., 3] = a
    return out


class Figure:
    """Shapes in coordinates relative to the picture (0..1 across and down)."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.c = A.canvas(w, h)

    def P(self, pts):
        return A.polygon_mask(self.w, self.h, [(x * self.w, y * self.h) for x, y in pts])

    def E(self, cx, cy, rx, ry):
        return A.ellipse_mask(self.w, self.h, cx * self.w, cy * self.h, rx * self.w, ry * self.h)

    def L(self, x0, y0, x1, y1, t):
        return A.line_mask(self.w, self.h, x0 * self.w, y0 * self.h, x1 * self.w, y1 * self.h, t * self.w)

    def R(self, x0, y0, x1, y1, r):
        return A.rounded_rect_mask(self.w, self.h, x0 * self.w, y0 * self.h, x1 * self.w, y1 * self.h, r * self.w)

    def paint(self, mask, color, seed=0, rim="#ffffff", relief=None, texture=0.12):
        relief = relief or max(1.5, self.w / 40.0)
        self.c = A.over(self.c, shaded(np.clip(mask, 0, 1), col(color), seed, relief=relief, texture=texture,
                                       rim=col(rim) if rim else None))

    def glow(self, mask, color, radius, strength=1.0):
        A.add(self.c, col(color), np.clip(A.blur(mask, radius * self.w / 190.0) * 1.6 * strength + mask, 0, 1))

    def aura(self, mask, color, radius, strength=0.5):
        halo = A.canvas(self.w, self.h, col(color))
        halo[..., 3] = np.clip(A.blur(mask, radius * self.w / 190.0) * strength * 2.0, 0, 1) * strength
        self.c = A.over(halo, self.c)


def union(*masks):
    m = masks[0]
    for k in masks[1:]:
        m = np.maximum(m, k)
    return m


def guardian(i, w=190, h=215):
    """The guardian of area i as a painted figure lit from the top left with a rim light."""
    f = Figure(w, h)
    s = 5000 + i
    if i == 0:  # moss golem
        body = union(f.E(0.5, 0.55, 0.27, 0.25), f.E(0.5, 0.26, 0.13, 0.11),
                     f.R(0.32, 0.7, 0.46, 0.97, 0.03), f.R(0.54, 0.7, 0.68, 0.97, 0.03))
        arms = union(f.E(0.2, 0.52, 0.11, 0.2), f.E(0.8, 0.52, 0.11, 0.2),
                     f.E(0.16, 0.78, 0.1, 0.08), f.E(0.84, 0.78, 0.1, 0.08))
        f.aura(union(body, arms), "#9be06a", 8, 0.35)
        f.paint(arms, "#707a66", s, "#d8ffb0")
        f.paint(body, "#7f8873", s + 1, "#d8ffb0")
        moss = np.clip((A.noise(w, h, s + 2, scale=w / 10.0) - 0.45) * 6, 0, 1)
        top = np.clip(1.0 - np.arange(h)[:, None] / (h * 0.75), 0, 1)
        mm = union(body, arms) * moss * top
        f.paint(mm, "#5fa03a", s + 3, "#c8ff90", relief=1.5)
        eyes = union(f.E(0.45, 0.26, 0.025, 0.018), f.E(0.55, 0.26, 0.025, 0.018))
        f.glow(eyes, "#d4ff7a", 4)
        rune = union(f.L(0.5, 0.45, 0.5, 0.65, 0.022), f.L(0.42, 0.5, 0.5, 0.56, 0.02), f.L(0.58, 0.5, 0.5, 0.56, 0.02))
        f.glow(rune, "#b6ff6a", 5, 0.8)
    elif i == 1:  # fog stag spirit
        ant = []
        for sg in (-1, 1):
            bx = 0.5 + sg * 0.07
            ant += [f.L(bx, 0.3, 0.5 + sg * 0.2, 0.12, 0.03), f.L(0.5 + sg * 0.2, 0.12, 0.5 + sg * 0.3, 0.02, 0.025),
                    f.L(0.5 + sg * 0.2, 0.12, 0.5 + sg * 0.4, 0.1, 0.022),
                    f.L(0.5 + sg * 0.14, 0.2, 0.5 + sg * 0.12, 0.05, 0.02),
                    f.L(0.5 + sg * 0.27, 0.05, 0.5 + sg * 0.33, -0.02, 0.018),
                    f.L(0.5 + sg * 0.3, 0.11, 0.5 + sg * 0.45, 0.2, 0.02)]
        antlers = union(*ant)
        head = union(f.P([(0.4, 0.28), (0.6, 0.28), (0.56, 0.5), (0.52, 0.6), (0.48, 0.6), (0.44, 0.5)]),
                     f.E(0.5, 0.33, 0.1, 0.07))
        ears = union(f.P([(0.41, 0.31), (0.27, 0.28), (0.38, 0.36)]), f.P([(0.59, 0.31), (0.73, 0.28), (0.62, 0.36)]))
        neck = union(f.P([(0.4, 0.45), (0.6, 0.45), (0.72, 0.85), (0.28, 0.85)]), f.E(0.5, 0.95, 0.42, 0.17))
        allm = union(antlers, head, ears, neck)
        f.aura(allm, "#7ff0d8", 12, 0.55)
        f.paint(union(neck, ears), "#6fb9ad", s, "#e0fff6")
        f.paint(head, "#8fd3c6", s + 1, "#ffffff")
        f.paint(antlers, "#cfeee6", s + 2, "#ffffff", relief=1.5)
        eyes = union(f.E(0.445, 0.38, 0.02, 0.012), f.E(0.555, 0.38, 0.02, 0.012))
        f.glow(eyes, "#e8fff8", 4)
        mist = f.c.copy()
        mist[...] = col("#d8f4ee")
        yy = np.arange(h)[:, None] / h
        mist[..., 3] = np.clip((A.noise(w, h, s + 3, scale=w / 6.0) - 0.35) * 2, 0, 1) * np.clip((yy - 0.65) * 3, 0, 1) * 0.8
        f.c = A.over(f.c, mist)
    elif i == 2:  # sand sphinx, seated, facing us
        body = union(f.E(0.5, 0.72, 0.3, 0.2), f.R(0.2, 0.82, 0.8, 0.98, 0.04))
        paws = union(f.R(0.22, 0.8, 0.38, 0.98, 0.05), f.R(0.62, 0.8, 0.78, 0.98, 0.05))
        nemes = f.P([(0.5, 0.08), (0.66, 0.16), (0.74, 0.55), (0.26, 0.55), (0.34, 0.16)])
        face = union(f.E(0.5, 0.33, 0.1, 0.13))
        f.aura(union(body, nemes), "#ffd27a", 8, 0.35)
        f.paint(body, "#c99655", s, "#fff0c0")
        f.paint(paws, "#d8a964", s + 1, "#fff0c0")
        f.paint(nemes, "#d9b060", s + 2, "#fff4d0")
        yy = np.arange(h)[:, None] / h
        stripes = (np.sin(yy * h / (h * 0.022)) > 0.3) * nemes * (1 - A.E if False else 1)
        stripes = stripes * (1 - A.ellipse_mask(w, h, 0.5 * w, 0.33 * h, 0.12 * w, 0.15 * h))
        A.over(f.c, col("#2d5a9a", 0.75), stripes * (yy > 0.17))
        f.paint(face, "#d6a66a", s + 3, "#fff0c0", relief=2.0)
        beard = f.P([(0.47, 0.44), (0.53, 0.44), (0.52, 0.54), (0.48, 0.54)])
        f.paint(beard, "#2d5a9a", s + 4, "#9ec4ff", relief=1.0)
        eyes = union(f.E(0.455, 0.31, 0.022, 0.01), f.E(0.545, 0.31, 0.022, 0.01))
        f.glow(eyes, "#ffd24a", 4)
        f.glow(f.E(0.5, 0.13, 0.025, 0.02), "#ffcc40", 5, 0.7)
    elif i == 3:  # ice wyrm coiled upward
        t = np.linspace(0, 1, 36)
        xs = 0.5 + 0.25 * np.sin(t * 5.2 + 0.6) * (1 - t * 0.4)
        ys = 0.95 - t * 0.7
        rs = 0.13 * (1 - t * 0.5)
        body = union(*[f.E(x, y, r, r * w / h) for x, y, r in zip(xs, ys, rs)])
        spikes = union(*[f.P([(x - r * 0.5, y - r * 0.6), (x - r * 0.2, y - r * 2.0), (x + r * 0.2, y - r * 0.7)])
                         for x, y, r in zip(xs[::3], ys[::3], rs[::3])])
        hx, hy = xs[-1], ys[-1] - 0.06
        head = union(f.E(hx, hy, 0.12, 0.08), f.P([(hx, hy - 0.02), (hx + 0.22, hy + 0.03), (hx + 0.05, hy + 0.09)]))
        horns = union(f.L(hx - 0.05, hy - 0.05, hx - 0.16, hy - 0.2, 0.03), f.L(hx + 0.04, hy - 0.06, hx + 0.02, hy - 0.22, 0.03))
        f.aura(union(body, head), "#bfe8ff", 10, 0.45)
        f.paint(spikes, "#e8f6ff", s, "#ffffff", relief=1.2)
        f.paint(body, "#8fb4e6", s + 1, "#ffffff")
        belly = body * np.clip(1 - A.blur(body, 3) * 0 + 0, 0, 1)
        f.paint(horns, "#eef6ff", s + 2, "#ffffff", relief=1.2)
        f.paint(head, "#a6c6f0", s + 3, "#ffffff")
        f.glow(f.E(hx + 0.04, hy - 0.015, 0.02, 0.012), "#ffffff", 4)
        f.glow(f.E(hx + 0.04, hy - 0.015, 0.012, 0.008), "#7fd8ff", 2)
    elif i == 4:  # magma titan
        body = union(f.P([(0.22, 0.3), (0.78, 0.3), (0.68, 0.72), (0.32, 0.72)]), f.E(0.5, 0.24, 0.11, 0.1),
                     f.R(0.3, 0.68, 0.46, 0.99, 0.04), f.R(0.54, 0.68, 0.7, 0.99, 0.04))
        arms = union(f.P([(0.22, 0.3), (0.1, 0.35), (0.04, 0.72), (0.18, 0.74), (0.3, 0.45)]),
                     f.P([(0.78, 0.3), (0.9, 0.35), (0.96, 0.72), (0.82, 0.74), (0.7, 0.45)]),
                     f.E(0.11, 0.77, 0.09, 0.07), f.E(0.89, 0.77, 0.09, 0.07))
        allm = union(body, arms)
        f.aura(allm, "#ff5a1a", 12, 0.6)
        f.paint(arms, "#3c302e", s, "#ff9a4a")
        f.paint(body, "#463634", s + 1, "#ff9a4a")
        n = A.noise(w, h, s + 2, scale=w / 8.0, octaves=3)
        cracks = np.clip(1 - np.abs(n - 0.5) * 18, 0, 1) * A.blur(allm, 2) ** 3
        f.glow(cracks, "#ff7a1a", 3, 0.8)
        flame = f.P([(0.38, 0.2), (0.42, 0.06), (0.47, 0.14), (0.5, 0.0), (0.54, 0.13), (0.59, 0.05), (0.62, 0.2)])
        f.glow(flame, "#ffb03a", 6, 0.9)
        f.glow(union(f.E(0.46, 0.24, 0.02, 0.012), f.E(0.54, 0.24, 0.02, 0.012)), "#fff0a0", 4)
        f.glow(f.E(0.5, 0.45, 0.05, 0.045), "#ff6a10", 8, 0.8)
    else:  # storm seraph
        wings = []
        for sg in (-1, 1):
            for k in range(6):
                ang = np.radians(-70 + k * 18)
                L = 0.36 - k * 0.035
                x1 = 0.5 + sg * np.cos(ang) * L
                y1 = 0.36 + np.sin(ang) * L * 0.9
                wings.append(f.L(0.5 + sg * 0.06, 0.38, x1, y1, 0.07 - k * 0.004))
        wings = union(*wings)
        robe = f.P([(0.44, 0.32), (0.56, 0.32), (0.68, 0.97), (0.32, 0.97)])
        head = f.E(0.5, 0.24, 0.065, 0.06)
        halo = np.clip(f.E(0.5, 0.17, 0.12, 0.04) - f.E(0.5, 0.17, 0.09, 0.025), 0, 1)
        f.aura(union(wings, robe), "#ffe6a0", 12, 0.5)
        f.paint(wings, "#e8e4f6", s, "#ffe08a", relief=2.0)
        f.paint(robe, "#f4f0ff", s + 1, "#ffd86a")
        sash = f.P([(0.47, 0.4), (0.53, 0.4), (0.58, 0.97), (0.42, 0.97)])
        f.paint(sash, "#3a4c9a", s + 2, "#9ab4ff", relief=1.5)
        f.paint(head, "#f6e6d6", s + 3, "#ffffff", relief=2.0)
        f.glow(halo, "#ffd24a", 5)
        bolt = union(f.L(0.78, 0.42, 0.72, 0.55, 0.025), f.L(0.72, 0.55, 0.8, 0.58, 0.025), f.L(0.8, 0.58, 0.72, 0.75, 0.025))
        f.glow(bolt, "#bfe0ff", 6)
    return f.c


def boss_picture(i):
    """The playing field's guardian picture, 190 x 215, with a soft ground shadow."""
    c = A.canvas(190, 215)
    A.over(c, (0, 0, 0, 0.45), A.blur(A.ellipse_mask(190, 215, 95, 205, 70, 9), 4))
    return A.over(c, guardian(i))


# ---------------------------------------------------------------------------------------------
# Travel map pieces, custom-game circles

CEL = 90  # guardian cels of IMAGE_BOSSES


def boss_cel(i, met):
    """One cel of IMAGE_BOSSES: the guardian on a round medallion tinted by its area; before it has
    been met the guardian is a dark veiled shape with only its eyes showing."""
    a = AREAS[i]
    c = A.canvas(CEL, CEL)
    cx = cy = CEL / 2
    A.over(c, (0, 0, 0, 0.5), A.blur(A.circle_mask(CEL, CEL, cx + 1.5, cy + 2, 42), 2))
    disc = A.vertical_gradient(CEL, CEL, col(a["sky"][0]), col(a["sky"][1]))
    glow(disc, 30, 25, 50, col(a["sun"]), 2.0, 0.5)
    if not met:
        disc[..., :3] = disc[..., :3] * 0.35 + 0.08
    disc[..., 3] = A.circle_mask(CEL, CEL, cx, cy, 40)
    A.over(c, disc)
    fig = resize_canvas(guardian(i), 70, 79)
    if not met:
        lum = fig[..., :3].mean(axis=2, keepdims=True)
        fig[..., :3] = 0.06 + lum * 0.18
    sub = A.canvas(CEL, CEL)
    A.paste(sub, fig, 10, 8)
    sub[..., 3] *= A.circle_mask(CEL, CEL, cx, cy, 40)
    A.over(c, sub)
    if not met:
        before = c.copy()
        fog(c, 7100 + i, (0.75, 0.78, 0.85, 1.0), 0.35, 20, 0.0)
        m = A.circle_mask(CEL, CEL, cx, cy, 40)[..., None]
        c[...] = c * m + before * (1 - m)
    ring = np.clip(A.circle_mask(CEL, CEL, cx, cy, 43) - A.circle_mask(CEL, CEL, cx, cy, 39), 0, 1)
    A.over(c, shaded(ring, col("#d9b45a" if met else "#7a7a86"), 7000 + i, relief=1.2, strength=2.5,
                     rim=col("#fff3c0")))
    return c


def bosses_sheet():
    cels = [boss_cel(i, True) for i in range(6)] + [boss_cel(i, False) for i in range(1, 6)]
    return A.strip(cels)


def waypoint(kind):
    """A 24 x 22 way-point stone: 0 still ahead (grey), 1 current (glowing gold), 2 done (green
    with a light rune)."""
    c = A.canvas(24, 22)
    A.over(c, (0, 0, 0, 0.5), A.blur(A.ellipse_mask(24, 22, 13, 13, 8.5, 6.5), 1.2))
    m = A.ellipse_mask(24, 22, 12, 11, 8, 6.5)
    base = ["#8b8a92", "#f2c24a", "#5db26a"][kind]
    if kind == 1:
        glow(c, 12, 11, 12, col("#ffe27a"), 1.5, 0.9)
    A.over(c, shaded(m, col(base), 7200 + kind, relief=1.2, strength=2.5, texture=0.05, rim=col("#ffffff")))
    if kind == 2:
        r = union(A.line_mask(24, 22, 12, 7.5, 12, 14.5, 1.4), A.line_mask(24, 22, 9, 9.5, 12, 12, 1.2),
                  A.line_mask(24, 22, 15, 9.5, 12, 12, 1.2))
        A.add(c, col("#eaffd8"), r * 0.9)
    if kind == 1:
        A.add(c, col("#fffbe0"), A.ellipse_mask(24, 22, 10.5, 9.5, 3, 2) * 0.8)
    return c


def shadowed_cup():
    """The final prize in a stone niche, still in shadow: 244 x 188."""
    w, h = 244, 188
    c = A.canvas(w, h)
    niche = A.rounded_rect_mask(w, h, 52, 6, 192, 184, 10)
    arch = A.ellipse_mask(w, h, 122, 60, 70, 60)
    frame = union(niche * (np.arange(h)[:, None] > 60), arch)
    A.over(c, (0, 0, 0, 0.5), A.blur(frame, 4))
    A.over(c, shaded(frame, col("#8a8198"), 7300, relief=3, texture=0.18, rim=col("#f0e0b0")))
    inner = union(A.rounded_rect_mask(w, h, 64, 60, 180, 176, 4), A.ellipse_mask(w, h, 122, 62, 58, 50))
    hole = A.vertical_gradient(w, h, col("#0c0a18"), col("#2a2440"))
    hole[..., 3] = inner
    A.over(c, hole)
    glow(c, 122, 100, 70, col("#ffd27a"), 2.0, 0.18)
    f = Figure(w, h)
    cup = union(f.E(0.5, 0.26, 0.13, 0.2) * (np.arange(h)[:, None] > 0.26 * h),
                f.P([(0.42, 0.4), (0.58, 0.4), (0.53, 0.48), (0.47, 0.48)]),
                f.R(0.47, 0.43, 0.53, 0.66, 0.01), f.P([(0.4, 0.74), (0.6, 0.74), (0.55, 0.64), (0.45, 0.64)]),
                f.R(0.37, 0.73, 0.63, 0.79, 0.01))
    handles = union(np.clip(f.E(0.35, 0.36, 0.06, 0.07) - f.E(0.35, 0.36, 0.035, 0.045), 0, 1),
                    np.clip(f.E(0.65, 0.36, 0.06, 0.07) - f.E(0.65, 0.36, 0.035, 0.045), 0, 1))
    cupm = union(cup, handles)
    A.over(c, shaded(cupm, col("#3a3050"), 7301, relief=2.5, strength=2.0, rim=col("#ffd27a")))
    A.add(c, col("#ffe7a0"), np.clip(cupm - A.blur(cupm, 1.5), 0, 1) * 1.5 * (A.grid(w, h)[0] < 122))
    pedestal = A.rounded_rect_mask(w, h, 84, 150, 160, 176, 3)
    A.over(c, shaded(pedestal, col("#6a6078"), 7302, relief=2, rim=col("#f0e0b0")))
    return c


def panel(w, h, seed, header=52):
    """A parchment panel in a carved gold frame with a darker band at the top."""
    c = A.canvas(w, h)
    A.over(c, (0, 0, 0, 0.55), A.blur(A.rounded_rect_mask(w, h, 4, 5, w - 1, h - 1, 14), 3))
    outer = A.rounded_rect_mask(w, h, 2, 2, w - 4, h - 4, 14)
    A.over(c, shaded(outer, col("#b88a3e"), seed, relief=2.0, strength=2.5, texture=0.1, rim=col("#fff0b0")))
    inner = A.rounded_rect_mask(w, h, 10, 10, w - 12, h - 12, 9)
    paper = color_field(w, h, col("#efe0bd"), seed + 1, 0.09, 18)
    glow(paper, 40, 30, w * 0.9, col("#fff8e0"), 1.5, 0.35)
    y = np.arange(h)[:, None]
    edge = A.blur(1 - A.rounded_rect_mask(w, h, 14, 14, w - 16, h - 16, 9), 5)
    paper[..., :3] *= (1 - 0.25 * edge)[..., None]
    paper[..., 3] = inner
    A.over(c, paper)
    band = A.rounded_rect_mask(w, h, 10, 10, w - 12, header, 9) * (y < header)
    A.over(c, col("#7a5a2e", 0.85), band)
    A.add(c, col("#ffe9a8"), A.line_mask(w, h, 18, header + 1.5, w - 20, header + 1.5, 1.2) * 0.6)
    gem = A.ellipse_mask(w, h, w / 2, 10 + (header - 10) / 2, 11, 11)
    glow(c, w / 2, 10 + (header - 10) / 2, 30, col("#ffd27a"), 2.0, 0.5)
    A.over(c, shaded(gem, col("#3fb0a0"), seed + 2, relief=1.5, strength=3, rim=col("#ffffff")))
    for sg in (-1, 1):
        A.add(c, col("#ffe3a0"), A.line_mask(w, h, w / 2 + sg * 18, 31, w / 2 + sg * 70, 31, 1.5) * 0.7)
    return c


def circle_ring(kind):
    """114 x 116 rings around a custom-game area: 0 plain stone, 1 the hovered area (silver, soft
    light), 2 the selected area (gold, glowing)."""
    w, h = 114, 116
    cx, cy = 57, 58
    c = A.canvas(w, h)
    if kind == 2:
        glow(c, cx, cy, 58, col("#ffd24a"), 1.2, 0.55)
    elif kind == 1:
        glow(c, cx, cy, 58, col("#bfe8ff"), 1.5, 0.35)
    A.over(c, (0, 0, 0, 0.45), A.blur(np.clip(A.circle_mask(w, h, cx + 1.5, cy + 2, 53) - A.circle_mask(w, h, cx + 1.5, cy + 2, 44), 0, 1), 2))
    ring = np.clip(A.circle_mask(w, h, cx, cy, 53) - A.circle_mask(w, h, cx, cy, 45), 0, 1)
    base = ["#6d6878", "#c9d6ea", "#f0c04a"][kind]
    A.over(c, shaded(ring, col(base), 7400 + kind, relief=1.5, strength=2.5, texture=0.12, rim=col("#ffffff")))
    ang = np.arctan2(*(np.array(A.grid(w, h))[::-1] - np.array([cy, cx])[:, None, None]))
    ticks = (np.abs(np.sin(ang * 12)) > 0.93) * np.clip(A.circle_mask(w, h, cx, cy, 51.5) - A.circle_mask(w, h, cx, cy, 46.5), 0, 1)
    A.add(c, col("#fff6d0" if kind else "#a8a2b6"), ticks * (0.8 if kind else 0.4))
    return c


# ---------------------------------------------------------------------------------------------
# Full screens

WAYPOINTS = [(107, 443), (130, 419), (162, 403), (194, 399), (226, 404), (233, 364), (203, 349), (170, 350),
             (136, 349), (108, 327), (131, 269), (169, 264), (203, 270), (234, 290), (271, 283), (288, 207),
             (257, 191), (227, 210), (199, 186), (167, 207), (96, 100), (99, 70), (121, 45), (159, 41),
             (189, 52), (253, 131), (281, 146), (312, 150), (338, 137), (356, 112)]
BOSS_POINTS = [(16, 377), (254, 358), (29, 242), (299, 214), (98, 112), (215, 31)]
MAP_RIGHT = 392  # the map's land ends here; the column to the right holds the prize and the window


def story_map():
    """The travel map: six lands laid where their way-points and guardians are (vale at the
    bottom, forest, desert, ice, the volcano top left and the citadel top right), a trail through
    the 30 way-points, and a calm night-blue column on the right for the prize niche, the
    information window and the buttons."""
    c = A.canvas(W, H, (0, 0, 0, 1))
    x, y = A.grid(W, H)
    anchors = []
    for a in range(6):
        pts = WAYPOINTS[a * 5:a * 5 + 5] + [(BOSS_POINTS[a][0] + 45, BOSS_POINTS[a][1] + 45)]
        anchors.append(np.mean(pts, axis=0))
    wob = (A.noise(W, H, 7600, scale=70, octaves=3) - 0.5) * 140
    dist = np.stack([np.hypot(x - ax, (y - ay) * 1.6) + wob for ax, ay in anchors])
    order = np.argsort(dist, axis=0)
    d0 = np.take_along_axis(dist, order[:1], 0)[0]
    d1 = np.take_along_axis(dist, order[1:2], 0)[0]
    for a in range(6):
        land = landscape(a, W, H, seed=77)
        ar = AREAS[a]
        tex = color_field(W, H, col(ar["land"][1]), 7610 + a, 0.18, 14)
        A.over(land, tex, np.full((H, W), 0.45))
        inside = (order[0] == a).astype(np.float64)
        near = np.clip((d1 - d0) / 14.0, 0, 1)
        m = inside * (0.5 + 0.5 * near) + (order[1] == a) * (0.5 - 0.5 * near)
        A.over(c, land, np.clip(m, 0, 1))
    border = np.clip(1 - (d1 - d0) / 4.0, 0, 1)
    A.over(c, col("#2a2018"), border * 0.35)
    # the trail
    trail = np.zeros((H, W))
    for (x0, y0), (x1, y1) in zip(WAYPOINTS, WAYPOINTS[1:]):
        trail = np.maximum(trail, A.line_mask(W, H, x0 + 12, y0 + 11, x1 + 12, y1 + 11, 4.5))
    A.over(c, (0, 0, 0, 0.45), A.blur(trail, 2.5))
    A.over(c, shaded(trail, col("#e9d6a4"), 7620, relief=1.2, texture=0.1))
    dash = (np.sin((x + y) / 2.6) > 0.2) * np.clip(trail - A.blur(trail, 1.5) * 0, 0, 1) * 0
    # the guardians' clearings
    for bx, by in BOSS_POINTS:
        A.over(c, (0.0, 0.0, 0.0, 1.0), A.radial_falloff(W, H, bx + 45, by + 47, 58, 1.5) * 0.35)
    # the right column
    col_m = np.clip((x - MAP_RIGHT) + 0.5, 0, 1)
    right = A.vertical_gradient(W, H, col("#15193a"), col("#2b2450"))
    glow(right, 505, 115, 150, col("#ffd27a"), 2.0, 0.25)
    sparkles(right, 7630, 40, col("#ffffff"), (MAP_RIGHT, 0, W, 220), 0.3, 0.8)
    A.over(c, right, col_m)
    A.over(c, (0, 0, 0, 1.0), np.clip(1 - np.abs(x - MAP_RIGHT - 6) / 10, 0, 1) * 0.5 * (x > MAP_RIGHT))
    edge = A.line_mask(W, H, MAP_RIGHT + 1, -5, MAP_RIGHT + 1, H + 5, 5)
    A.over(c, shaded(edge, col("#c89a48"), 7640, relief=1.5, strength=3, rim=col("#fff0b0")))
    vignette(c, 0.35)
    return c


def menu_background():
    """Main menu: the green vale at golden hour; on the left a standing rune stone with the owl
    sage who speaks in the balloon; the right third (buttons) and the bottom strip (small buttons)
    stay calm."""
    c = landscape(0, seed=11)
    x, y = A.grid(W, H)
    A.over(c, col("#ffb060"), np.clip(1 - y / H, 0, 1) * 0.15)
    f = Figure(W, H)
    stone = f.P([(40 / W, 470 / H), (52 / W, 260 / H), (88 / W, 230 / H), (128 / W, 250 / H), (140 / W, 470 / H)])
    A.over(c, (0, 0, 0, 0.45), A.blur(A.ellipse_mask(W, H, 100, 468, 80, 12), 5))
    A.over(c, shaded(stone, col("#8c8a86"), 7700, relief=4, texture=0.2, rim=col("#fff0c0")))
    rune = union(A.line_mask(W, H, 90, 290, 90, 400, 5), A.line_mask(W, H, 90, 320, 70, 345, 4),
                 A.line_mask(W, H, 90, 320, 110, 345, 4), A.line_mask(W, H, 90, 370, 110, 390, 4))
    A.add(c, col("#9bffcf"), np.clip(A.blur(rune, 4) * 1.5 + rune * 0.7, 0, 1) * 0.8)
    # the owl sage perched on top of the stone
    ox, oy = 92, 190
    body = union(A.ellipse_mask(W, H, ox, oy + 10, 30, 38), A.ellipse_mask(W, H, ox, oy - 28, 26, 22),
                 A.polygon_mask(W, H, [(ox - 24, oy - 40), (ox - 20, oy - 62), (ox - 8, oy - 46)]),
                 A.polygon_mask(W, H, [(ox + 24, oy - 40), (ox + 20, oy - 62), (ox + 8, oy - 46)]))
    A.over(c, shaded(body, col("#8a6a48"), 7701, relief=4, texture=0.25, rim=col("#ffe2a0")))
    belly = A.ellipse_mask(W, H, ox, oy + 16, 18, 26)
    A.over(c, shaded(belly, col("#e2cfa8"), 7702, relief=3, texture=0.3))
    wingm = union(A.ellipse_mask(W, H, ox - 26, oy + 12, 11, 30), A.ellipse_mask(W, H, ox + 26, oy + 12, 11, 30))
    A.over(c, shaded(wingm, col("#6e5036"), 7703, relief=3, texture=0.25, rim=col("#ffe2a0")))
    for ex in (ox - 11, ox + 11):
        A.over(c, shaded(A.circle_mask(W, H, ex, oy - 28, 10), col("#f6ecd6"), 7704, relief=2))
        A.over(c, col("#e8a020"), A.circle_mask(W, H, ex, oy - 28, 6))
        A.over(c, col("#1a1208"), A.circle_mask(W, H, ex, oy - 28, 3.2))
        A.add(c, col("#ffffff"), A.circle_mask(W, H, ex - 2, oy - 30, 1.3))
    A.over(c, col("#d49a3a"), A.polygon_mask(W, H, [(ox - 4, oy - 20), (ox + 4, oy - 20), (ox, oy - 12)]))
    A.over(c, col("#1a1a10"), union(A.polygon_mask(W, H, [(ox - 12, oy - 48), (ox + 12, oy - 48), (ox, oy - 44)])) * 0.5)
    A.over(c, (0.3, 0.18, 0.05, 1.0), union(A.line_mask(W, H, ox - 10, oy + 48, ox - 10, oy + 53, 4),
                                            A.line_mask(W, H, ox + 10, oy + 48, ox + 10, oy + 53, 4)))
    # calm areas: a gentle veil behind the big buttons and the small ones
    d = np.hypot(np.clip(x - 545, -110, 0) / 110.0, np.clip(np.abs(y - 192) - 150, 0, None) / 40.0)
    A.over(c, (0.05, 0.08, 0.15, 1.0), np.clip(1.0 - d, 0, 1) ** 1.5 * 0.3)
    A.over(c, (0.03, 0.06, 0.03, 1.0), np.clip((y - 400) / 60, 0, 1) * 0.45)
    sparkles(c, 7705, 50, col("#fff2b0"), (150, 300, 450, 420), 0.5, 1.4)
    return c


def loading_background():
    """Loading screen: the vale at dawn, the guardians' citadel far away, a carved trough at
    (128, 416) for the 387 x 37 progress bar."""
    c = landscape(5, seed=21)
    c2 = landscape(0, seed=21)
    yy = np.clip((np.arange(H)[:, None] - 200) / 160.0, 0, 1)
    A.over(c, c2, np.broadcast_to(yy, (H, W)))
    x, y = A.grid(W, H)
    A.over(c, (0, 0, 0, 1), np.clip((y - 360) / 120, 0, 1) * 0.55)
    trough = A.rounded_rect_mask(W, H, 120, 408, 523, 461, 16)
    A.over(c, (0, 0, 0, 0.5), A.blur(trough, 4))
    A.over(c, shaded(trough, col("#a8894e"), 7800, relief=2.0, strength=2.5, texture=0.1, rim=col("#fff0c0")))
    groove = A.rounded_rect_mask(W, H, 128, 416, 515, 453, 12)
    g = A.vertical_gradient(W, H, col("#0c0a14"), col("#2a2030"))
    g[..., 3] = groove
    A.over(c, g)
    A.over(c, (0, 0, 0, 1), np.clip(groove - A.blur(groove, 3) * 0 - np.roll(groove, 3, 0), 0, 1) * 0.5)
    return c


def progress_bar():
    """387 x 37: the full bar; the loading screen shows its left part as loading goes on."""
    w, h = 387, 37
    c = A.canvas(w, h)
    m = A.rounded_rect_mask(w, h, 0, 0, w, h, 12)
    bar = A.vertical_gradient(w, h, col("#ffe58a"), col("#c9781e"))
    x, y = A.grid(w, h)
    bar[..., :3] = bar[..., :3] * (0.85 + 0.15 * np.sin(x / 9.0)[..., None] ** 2)
    A.add(bar, col("#fffbe0"), np.clip(1 - np.abs(y - 9) / 5, 0, 1) * 0.55 * m)
    runes = (np.abs(((x + 10) % 40) - 20) < 1.6) & (np.abs(y - 18.5) < 8)
    runes = runes | ((np.abs((x + 10) % 40 - 20 - (y - 18.5) * 0.6) < 1.4) & (np.abs(y - 18.5) < 6))
    bar[..., :3] = bar[..., :3] * (1 - 0.25 * runes[..., None])
    bar[..., 3] = m
    A.over(c, bar)
    A.over(c, (0.4, 0.2, 0.0, 1), np.clip(m - A.rounded_rect_mask(w, h, 1.5, 1.5, w - 1.5, h - 1.5, 11), 0, 1) * 0.6)
    return c


def help_background():
    """Help screen: the misty forest in soft light (the help page covers most of it)."""
    c = landscape(1, seed=31)
    A.over(c, col("#a9d3c8"), np.full((H, W), 0.25))
    return c


def endless_background():
    """Endless game: a rune vortex turning into the deep, six colours of light spiralling into it,
    on the left; the right column stays calm for the window and the buttons."""
    x, y = A.grid(W, H)
    cx, cy = 200, 230
    r = np.hypot(x - cx, y - cy) + 1e-3
    ang = np.arctan2(y - cy, x - cx)
    c = A.vertical_gradient(W, H, col("#0c0f2a"), col("#1c1038"))
    spiral = np.sin(ang * 3 + np.log(r) * 5.0) * 0.5 + 0.5
    n = A.noise(W, H, 7900, scale=30, octaves=3)
    fall = np.clip(1 - r / 330, 0, 1)
    hues = [col("#ff6a5a"), col("#7ae06a"), col("#ffd84a"), col("#ff7ad8"), col("#d8b8a8"), col("#6a9cff")]
    for k, hc in enumerate(hues):
        arm = np.clip(np.cos(ang - k * np.pi / 3 + np.log(r) * 2.2) * 0.5 + 0.5, 0, 1) ** 6
        A.add(c, hc, arm * fall ** 1.2 * (0.55 + 0.45 * n) * 0.55)
    A.add(c, col("#b8c8ff"), spiral ** 8 * fall * 0.25)
    A.add(c, col("#ffffff"), A.radial_falloff(W, H, cx, cy, 60, 2.0) * 0.9)
    A.over(c, (0, 0, 0, 1), A.radial_falloff(W, H, cx, cy, 18, 1.0) * 0.8)
    sparkles(c, 7901, 120, col("#ffffff"), (0, 0, W, H), 0.3, 1.0)
    A.over(c, (0.02, 0.02, 0.08, 1), np.clip((x - 370) / 80, 0, 1) * 0.5)
    vignette(c, 0.4)
    return c


def custom_background():
    """Custom game: a slate star map with a soft glow of each area's colour behind its ring
    (the rings sit at x 63, 233, 403 and y 37, 237) and faint lines joining them."""
    x, y = A.grid(W, H)
    c = A.vertical_gradient(W, H, col("#141a33"), col("#241c3a"))
    n = A.noise(W, H, 7950, scale=60, octaves=4)
    A.add(c, col("#3a4a7a"), (n - 0.4).clip(0, 1) * 0.4)
    sparkles(c, 7951, 140, col("#ffffff"), (0, 0, W, H), 0.3, 0.9)
    centres = [(75 + 45 + 170 * (k % 3), 50 + 45 + 200 * (k // 3)) for k in range(6)]
    lines = np.zeros((H, W))
    for (x0, y0), (x1, y1) in zip(centres, centres[1:]):
        lines = np.maximum(lines, A.line_mask(W, H, x0, y0, x1, y1, 1.2))
    A.add(c, col("#c8b878"), lines * 0.25)
    for k, (px, py) in enumerate(centres):
        glow(c, px, py, 95, col(AREAS[k]["accent"]), 2.0, 0.35)
        A.over(c, (0, 0, 0, 1), A.circle_mask(W, H, px, py, 44) * 0.35)
    A.over(c, (0, 0, 0, 1), np.clip((y - 420) / 60, 0, 1) * 0.4)
    vignette(c, 0.45)
    return c


def winner_background():
    """Winner screen: the sky citadel at sunrise, golden rays, runes of every colour rising."""
    c = landscape(5, seed=41)
    x, y = A.grid(W, H)
    ang = np.arctan2(y - 300, x - 470)
    rays = np.clip(np.sin(ang * 14) * 0.5 + 0.5, 0, 1) ** 4 * A.radial_falloff(W, H, 470, 300, 600, 1.0)
    A.add(c, col("#ffe0a0"), rays * 0.35)
    rng = np.random.default_rng(42)
    for k in range(36):
        px, py = rng.uniform(20, 620), rng.uniform(20, 400)
        hc = col(AREAS[k % 6]["accent"])
        glow(c, px, py, rng.uniform(8, 18), hc, 2.0, 0.9)
    A.over(c, (0, 0, 0, 1), np.clip((y - 420) / 60, 0, 1) * 0.4)
    return c


def win_title():
    """133 x 70: "Victory!" in carved gold with a rune spark on each side (the result dialog's
    title of a won stage)."""
    w, h = 133, 70
    c = A.canvas(w, h)
    glow(c, w / 2, h / 2, 70, col("#ffd870"), 2.0, 0.35)
    m = text_mask(w, h, "Victory!", 24, w / 2, h / 2 + 2)
    A.over(c, (0.25, 0.12, 0.0, 0.8), A.blur(m, 2.0) * 1.5)
    g = A.vertical_gradient(w, h, col("#fff3b0"), col("#c57a18"))
    g[..., 3] = m
    A.over(c, g)
    for sx in (9, w - 9):
        A.add(c, col("#ffe7a0"), A.radial_falloff(w, h, sx, h / 2 + 2, 8, 2.0))
        A.add(c, col("#ffffff"), union(A.line_mask(w, h, sx - 6, h / 2 + 2, sx + 6, h / 2 + 2, 1.2),
                                       A.line_mask(w, h, sx, h / 2 - 4, sx, h / 2 + 8, 1.2)) * 0.8)
    A.add(c, col("#ffe7a0"), A.line_mask(w, h, 22, h - 12, w - 22, h - 12, 1.5) * 0.8)
    return c


def travel_background():
    """All six lands in one panorama, from the vale on the left to the citadel on the right."""
    c = landscape(0, seed=77)
    for a in range(1, 6):
        nxt = landscape(a, seed=77)
        t = np.clip((np.arange(W)[None, :] - (a * 640 / 6 - 40)) / 80.0, 0, 1)
        A.over(c, nxt, np.broadcast_to(t, (H, W)))
    return c


def build(out_dir):
    names = []
    for i in range(6):
        names.append(save_jpeg(board_background(i), out_dir, f"bkg{i + 1}.jpg"))
        names.append(save_png(boss_picture(i), out_dir, f"boss{i + 1}.png"))
    for name, make in [("storybkg", story_map), ("menubkg", menu_background), ("loadbkg", loading_background),
                       ("helpbkg", help_background), ("infinitebkg", endless_background),
                       ("custombkg", custom_background), ("winbkg", winner_background),
                       ("travelbkg", travel_background), ("bkg", lambda: board_background(0))]:
        names.append(save_jpeg(make(), out_dir, name + ".jpg"))
    names.append(save_png(progress_bar(), out_dir, "progress.png"))
    names.append(save_png(win_title(), out_dir, "wintitle.png"))
    names.append(save_png(bosses_sheet(), out_dir, "bosses.png"))
    names.append(save_png(A.strip([waypoint(k) for k in range(3)]), out_dir, "waypoints.png"))
    names.append(save_png(shadowed_cup(), out_dir, "shadowed_cup.png"))
    names.append(save_png(panel(232, 212, 7500), out_dir, "infownd.png"))
    for k, name in enumerate(["cus_circle", "focus_circle", "selected_circle"]):
        names.append(save_png(circle_ring(k), out_dir, name + ".png"))
    return names
