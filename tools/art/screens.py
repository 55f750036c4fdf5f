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


def panel(w, h, seed, band=34):
    """A parchment panel in a carved gold frame: a slim brown band at the top (y 10 to band) with a
    teal gem in a gold boss that breaks the frame's top edge; plain parchment below for text."""
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
    bandm = A.rounded_rect_mask(w, h, 10, 10, w - 12, band + 9, 9) * (y < band)
    A.over(c, (0.2, 0.1, 0.0, 1.0), np.roll(A.blur(bandm, 1.5), 2, 0) * inner * 0.35)
    A.over(c, col("#7a5a2e", 0.85), bandm)
    A.add(c, col("#ffe9a8"), A.line_mask(w, h, 18, band + 1.5, w - 20, band + 1.5, 1.2) * 0.6)
    cx, cy = w / 2, 16
    for sg in (-1, 1):
        A.add(c, col("#ffe3a0"), A.line_mask(w, h, cx + sg * 22, cy + 6, cx + sg * 72, cy + 6, 1.5) * 0.7)
        A.add(c, col("#ffe3a0"), A.polygon_mask(w, h, [(cx + sg * 72, cy + 3), (cx + sg * 76, cy + 6),
                                                      (cx + sg * 72, cy + 9), (cx + sg * 68, cy + 6)]) * 0.7)
    boss = A.circle_mask(w, h, cx, cy, 14)
    A.over(c, (0, 0, 0, 0.5), A.blur(np.roll(boss, (2, 1), (0, 1)), 1.5))
    A.over(c, shaded(boss, col("#c99a45"), seed + 3, relief=1.5, strength=2.5, texture=0.08, rim=col("#fff0b0")))
    gem = A.circle_mask(w, h, cx, cy, 9.5)
    glow(c, cx, cy, 20, col("#ffd27a"), 2.0, 0.3)
    A.over(c, shaded(gem, col("#3fb0a0"), seed + 2, relief=1.5, strength=3, rim=col("#ffffff")))
    A.add(c, col("#ffffff"), A.circle_mask(w, h, cx - 3, cy - 3.5, 2.0) * 0.7)
    # a faint printed divider near the bottom, well under the lines of text
    fy = h - 24
    orn = union(A.line_mask(w, h, cx - 52, fy, cx - 8, fy, 1.0), A.line_mask(w, h, cx + 8, fy, cx + 52, fy, 1.0),
                A.polygon_mask(w, h, [(cx, fy - 4), (cx + 4, fy), (cx, fy + 4), (cx - 4, fy)]))
    A.over(c, col("#9a6e2c"), orn * 0.45)
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
MARKER_CENTRE = (12, 11)  # the centre of a way-point marker from its top-left
MEDALLION_R = 43  # a guardian's medallion, centred in its 90 x 90 cel
MAP_RIGHT = 392  # the map's land ends here; the column to the right holds the prize and the window

# The road comes in from the bottom edge, bends round the ice guardian's medallion and round those of
# the volcano and the citadel (it would run under them), and ends at the citadel's gate.
ROAD_IN = [(92, 494)]
ROAD_BENDS = {14: [(285, 256)], 19: [(128, 214), (86, 178)], 24: [(206, 98), (228, 131)]}
ROAD_OUT = [(351, 99)]
ROAD_HALF = 5.0  # half the road's width, edges included

# Each land holds the way-points and the guardian of its area plus these points (nearest wins), so
# the empty corners go to the land that suits them.
LAND_EXTRA = [
    [(10, 478), (160, 476), (215, 462), (245, 470), (100, 400)],
    [(10, 355), (60, 362), (300, 476), (385, 476), (388, 380)],
    [(8, 300), (8, 245), (150, 318), (340, 325), (388, 320)],
    [(388, 225), (388, 180), (240, 236), (150, 226), (128, 214)],
    [(15, 20), (15, 110), (15, 190), (70, 205), (190, 12), (190, 110), (86, 178)],
    [(388, 15), (320, 12), (388, 100), (388, 160), (225, 165), (206, 98), (228, 131)],
]


def marker_centres():
    return [(x + MARKER_CENTRE[0], y + MARKER_CENTRE[1]) for x, y in WAYPOINTS]


def medallion_centres():
    return [(x + 45, y + 45) for x, y in BOSS_POINTS]


def catmull_rom(points, step=2.0):
    """A centripetal Catmull-Rom curve through the points, sampled about every step pixels; every
    given point is one of the samples, exactly."""
    p = np.asarray(points, dtype=np.float64)
    ext = np.vstack([2 * p[0] - p[1], p, 2 * p[-1] - p[-2]])
    out = [p[0]]
    for i in range(1, len(ext) - 2):
        p0, p1, p2, p3 = ext[i - 1:i + 3]
        t0 = 0.0
        t1 = t0 + max(np.hypot(*(p1 - p0)) ** 0.5, 1e-6)
        t2 = t1 + max(np.hypot(*(p2 - p1)) ** 0.5, 1e-6)
        t3 = t2 + max(np.hypot(*(p3 - p2)) ** 0.5, 1e-6)
        n = max(2, int(np.ceil(np.hypot(*(p2 - p1)) / step)))
        t = np.linspace(t1, t2, n + 1)[1:, None]
        a1 = (t1 - t) / (t1 - t0) * p0 + (t - t0) / (t1 - t0) * p1
        a2 = (t2 - t) / (t2 - t1) * p1 + (t - t1) / (t2 - t1) * p2
        a3 = (t3 - t) / (t3 - t2) * p2 + (t - t2) / (t3 - t2) * p3
        b1 = (t2 - t) / (t2 - t0) * a1 + (t - t0) / (t2 - t0) * a2
        b2 = (t3 - t) / (t3 - t1) * a2 + (t - t1) / (t3 - t1) * a3
        seg = (t2 - t) / (t2 - t1) * b1 + (t - t1) / (t2 - t1) * b2
        seg[-1] = p2
        out.extend(seg)
    return np.array(out)


def road_points():
    pts = list(ROAD_IN)
    for i, c in enumerate(marker_centres()):
        pts.append(c)
        pts += ROAD_BENDS.get(i, [])
    return pts + ROAD_OUT


def road_path():
    """The road as a dense polyline (N x 2), through the centre of every way-point marker."""
    return catmull_rom(road_points())


def spur_paths(road):
    """Short side paths from the road to each guardian's clearing."""
    out = []
    for gx, gy in medallion_centres():
        d = np.hypot(road[:, 0] - gx, road[:, 1] - gy)
        k = int(np.argmin(d))
        if d[k] < MEDALLION_R + 8:
            continue
        sx, sy = road[k]
        u = np.array([gx - sx, gy - sy]) / d[k]
        end = np.array([gx, gy]) - u * (MEDALLION_R - 6)
        mid = (road[k] + end) / 2 + np.array([-u[1], u[0]]) * 3
        out.append(catmull_rom([road[k], mid, end], 1.5))
    return out


def polyline_distance(w, h, pts, reach):
    """Distance from each pixel centre to a polyline, exact within reach of it (reach elsewhere)."""
    d = np.full((h, w), float(reach))
    for (x0, y0), (x1, y1) in zip(pts[:-1], pts[1:]):
        bx0, bx1 = max(0, int(min(x0, x1) - reach)), min(w, int(max(x0, x1) + reach) + 2)
        by0, by1 = max(0, int(min(y0, y1) - reach)), min(h, int(max(y0, y1) + reach) + 2)
        if bx0 >= bx1 or by0 >= by1:
            continue
        xs = np.arange(bx0, bx1)[None, :] + 0.5
        ys = np.arange(by0, by1)[:, None] + 0.5
        dx, dy = x1 - x0, y1 - y0
        t = np.clip(((xs - x0) * dx + (ys - y0) * dy) / max(dx * dx + dy * dy, 1e-9), 0, 1)
        sub = d[by0:by1, bx0:bx1]
        np.minimum(sub, np.hypot(xs - x0 - t * dx, ys - y0 - t * dy), out=sub)
    return d


def smoothstep(e0, e1, v):
    t = np.clip((v - e0) / (e1 - e0), 0, 1)
    return t * t * (3 - 2 * t)


def land_weights(w, h):
    """Soft shares (6 x h x w, summing to 1) of the six lands over the map."""
    hw, hh = w // 2, h // 2  # worked out at half size: the borders are soft anyway
    x, y = A.grid(hw, hh)
    wx = (A.noise(hw, hh, 7601, scale=20, octaves=3) - 0.5) * 18
    wy = (A.noise(hw, hh, 7602, scale=20, octaves=3) - 0.5) * 18
    xx, yy = x + wx, y + wy
    dist = []
    for a in range(6):
        pts = [marker_centres()[k] for k in range(a * 5, a * 5 + 5)] + [medallion_centres()[a]] + LAND_EXTRA[a]
        d = np.min([np.hypot(xx - px / 2, yy - py / 2) for px, py in pts], axis=0) * 2
        dist.append(np.asarray(Image.fromarray(d.astype(np.float32), "F").resize((w, h), Image.BILINEAR)))
    dist = np.stack(dist).astype(np.float64)
    e = np.exp(-(dist - dist.min(axis=0)) / 2.2)
    return e / e.sum(axis=0), dist


# The lands' ground: (low, high) colours mixed by noise, and the colour of their shade.
GROUND = [
    ("#5e9d42", "#9ccb5c", "#2f5a2a"),
    ("#2b5f4c", "#3f7d5e", "#12302a"),
    ("#d49a58", "#f0cf8e", "#8a5030"),
    ("#b6c8ea", "#f2f7ff", "#6670b0"),
    ("#2a1a1a", "#553532", "#0c0606"),
    ("#4a4f9a", "#9a86c6", "#232456"),
]


def ground_of(a, w, h, x, y):
    """Colour (h x w x 3) and height (h x w) of land a before lighting."""
    lo, hi, _ = GROUND[a]
    s = 7650 + a * 10
    n = A.noise(w, h, s, scale=48, octaves=4)
    f = A.noise(w, h, s + 1, scale=6, octaves=2)
    t = np.clip((n - 0.5) * 2.2 + 0.5 + (f - 0.5) * 0.35, 0, 1)[..., None]
    rgb = np.array(col(lo)[:3]) * (1 - t) + np.array(col(hi)[:3]) * t
    if a == 0:  # meadows: rolling, with paler mown patches
        height = n * 14
        patch = np.clip((A.noise(w, h, s + 2, scale=30, octaves=2) - 0.6) * 5, 0, 1)[..., None]
        rgb = rgb * (1 - patch * 0.25) + np.array(col("#c8e07a")[:3]) * patch * 0.25
    elif a == 1:
        height = n * 10
    elif a == 2:  # dunes running across, their crests bent by the wind
        phase = (y * 0.9 + x * 0.35) / 6.0 + n * 9.0
        height = n * 10
        rgb = rgb * (1.0 + 0.13 * np.cos(phase) - 0.05 * np.sin(phase))[..., None]
    elif a == 3:  # wind-carved snow, ridged
        r = 1 - np.abs(A.noise(w, h, s + 2, scale=26, octaves=3) - 0.5) * 2
        height = r ** 2 * 14 + n * 8
    elif a == 4:  # broken basalt
        r = 1 - np.abs(A.noise(w, h, s + 2, scale=18, octaves=3) - 0.5) * 2
        height = r ** 3 * 12 + n * 10
    else:  # billowing cloud
        height = A.noise(w, h, s + 2, scale=16, octaves=3) ** 2 * 16 + n * 6
    return rgb, height


def sprite(w, h):
    return A.canvas(w, h), A.grid(w, h)


def faces(c, mask, lit, dark, split_x, slope=0.0, yref=0.0):
    """Paints a mask in two flat faces: lit left of the line x = split_x + slope (y - yref), shaded
    right of it (an object lit from the top left)."""
    x, y = A.grid(mask.shape[1], mask.shape[0])
    right = np.clip(x - (split_x + slope * (y - yref)) + 0.5, 0, 1)
    A.over(c, col(lit), mask * (1 - right))
    A.over(c, col(dark), mask * right)


def ground_shadow(c, cx, cy, rx, ry, strength=0.45):
    h, w = c.shape[:2]
    A.over(c, (0.02, 0.03, 0.05, 1.0), A.blur(A.ellipse_mask(w, h, cx, cy, rx, ry), 1.2) * strength)


def outline_of(c, mask, colour="#1a140e", alpha=0.55):
    """A thin dark ink line round a shape, drawn under it (the picture-book look of the map)."""
    h, w = c.shape[:2]
    ring = np.clip(A.blur(mask, 0.9) * 2.2, 0, 1)
    ink = A.canvas(w, h, col(colour))
    ink[..., 3] = ring * alpha
    out = A.over(ink, c)
    c[...] = out


def round_tree(r, crown, seed):
    w, h = int(r * 2 + 9), int(r * 2.7 + 8)
    c, (x, y) = sprite(w, h)
    cx, base = w / 2 - 1.5, h - 4
    ground_shadow(c, cx + r * 0.55, base, r * 0.95, r * 0.42)
    A.over(c, col("#5b3a20"), A.rounded_rect_mask(w, h, cx - 1.3, base - r * 1.1, cx + 1.3, base + 0.5, 0.8))
    cy = base - r * 1.45
    m = union(A.circle_mask(w, h, cx, cy, r), A.circle_mask(w, h, cx - r * 0.55, cy + r * 0.3, r * 0.68),
              A.circle_mask(w, h, cx + r * 0.55, cy + r * 0.3, r * 0.68))
    body = shaded(m, col(crown), seed, relief=max(1.2, r * 0.3), strength=2.4, texture=0.16)
    A.over(c, body)
    A.add(c, col("#f8ffc0"), A.circle_mask(w, h, cx - r * 0.35, cy - r * 0.35, r * 0.38) * m * 0.22)
    A.over(c, (0.0, 0.05, 0.0, 1.0), m * np.clip((x - cx) / r + (y - cy) / r, 0, 1) * 0.3)
    mask = np.maximum(m, A.rounded_rect_mask(w, h, cx - 1.3, base - r * 1.1, cx + 1.3, base + 0.5, 0.8))
    outline_of(c, mask, "#13240e", 0.5)
    return c, (cx, base)


def pine(hh, lit, dark, seed, snow=False):
    w, h = int(hh * 0.8 + 8), int(hh + 7)
    c, (x, y) = sprite(w, h)
    cx, base = w / 2 - 1, h - 3
    ground_shadow(c, cx + hh * 0.22, base, hh * 0.32, hh * 0.12, 0.5)
    A.over(c, col("#3b2616"), A.rounded_rect_mask(w, h, cx - 1, base - hh * 0.2, cx + 1, base + 0.5, 0.5))
    tiers = []
    for k in range(3):
        top = base - hh + k * hh * 0.24
        bot = base - hh * 0.14 - (2 - k) * hh * 0.2
        half = hh * (0.2 + 0.09 * k)
        tiers.append(A.polygon_mask(w, h, [(cx, top), (cx + half, bot), (cx + half * 0.4, bot - 1.2),
                                           (cx, bot + 0.8), (cx - half * 0.4, bot - 1.2), (cx - half, bot)]))
    m = union(*tiers)
    faces(c, m, lit, dark, cx + 0.3)
    if snow:
        cap = m * np.clip((base - hh * 0.62 - y) / 2.0 + 0.5, 0, 1)
        A.over(c, col("#f4f8ff"), cap * (1 - np.clip(x - cx, 0, 1) * 0.25))
        for k in range(1, 3):
            top = base - hh + k * hh * 0.24
            A.over(c, col("#eef4ff"), m * np.clip(1 - np.abs(y - top - 2) / 1.2, 0, 1) * (np.abs(x - cx) < hh * 0.12))
    outline_of(c, m, "#0c1c18", 0.55)
    return c, (cx, base)


def peak(wd, ht, seed, rock=("#9aa6cc", "#5c6498"), snow=("#ffffff", "#c8d4f0"), snow_line=0.55):
    """A mountain: a lit and a shaded face with a jagged snow cap."""
    w, h = int(wd + 10), int(ht + 8)
    c, (x, y) = sprite(w, h)
    rng = np.random.default_rng(seed)
    cx, base = w / 2 + rng.uniform(-wd * 0.08, wd * 0.08), h - 4
    top = base - ht
    ground_shadow(c, cx + wd * 0.25, base - 1, wd * 0.55, ht * 0.12, 0.4)
    shoulder_l = (cx - wd * 0.28, base - ht * rng.uniform(0.35, 0.5))
    shoulder_r = (cx + wd * 0.3, base - ht * rng.uniform(0.3, 0.45))
    pts = [(cx - wd / 2, base), shoulder_l, (cx, top), shoulder_r, (cx + wd / 2, base)]
    m = A.polygon_mask(w, h, pts)
    ridge_x = cx + wd * 0.08
    faces(c, m, rock[0], rock[1], cx, slope=(ridge_x - cx) / ht, yref=top)
    sl = top + ht * (1 - snow_line)
    jag = sl + np.sin(x * 1.3 + seed) * 1.6 + np.abs(x - cx) * 0.35
    cap = m * np.clip(jag - y + 0.5, 0, 1)
    right = np.clip(x - cx - (y - top) * (ridge_x - cx) / ht + 0.5, 0, 1)
    A.over(c, col(snow[0]), cap * (1 - right))
    A.over(c, col(snow[1]), cap * right)
    outline_of(c, m, "#28305a", 0.5)
    return c, (cx, base)


def column(ht, seed, broken=False, stone=("#f2d9a8", "#b98a58")):
    w, h = 16, int(ht + 10)
    c, (x, y) = sprite(w, h)
    cx, base = 7.0, h - 4
    ground_shadow(c, cx + 4, base, 7, 2.2, 0.45)
    top = base - ht
    shaft = A.rounded_rect_mask(w, h, cx - 2.6, top + 2, cx + 2.6, base - 1, 0.6)
    if broken:
        shaft = shaft * np.clip(y - (top + 4 + (x - cx) * 0.7) + 0.5, 0, 1)  # snapped off aslant
    parts = [shaft, A.rounded_rect_mask(w, h, cx - 4, base - 2.5, cx + 4, base + 0.5, 0.5)]
    if not broken:
        parts.append(A.rounded_rect_mask(w, h, cx - 4, top, cx + 4, top + 2.5, 0.5))
    m = union(*parts)
    faces(c, m, stone[0], stone[1], cx + 0.8)
    A.over(c, (0.3, 0.2, 0.1, 1.0), shaft * (np.abs(x - cx + 0.4) < 0.5) * 0.25)
    outline_of(c, m, "#4a2a14", 0.5)
    return c, (cx, base)


def pyramid(wd, seed):
    ht = wd * 0.62
    w, h = int(wd + 10), int(ht + 8)
    c, (x, y) = sprite(w, h)
    cx, base = w / 2, h - 4
    ground_shadow(c, cx + wd * 0.3, base - 1, wd * 0.5, ht * 0.15, 0.45)
    m = A.polygon_mask(w, h, [(cx - wd / 2, base), (cx, base - ht), (cx + wd / 2, base)])
    faces(c, m, "#f6d9a0", "#b77d48", cx + wd * 0.1, slope=0.1 * wd / ht, yref=base - ht)
    steps = (np.sin((y - base) * np.pi / 2.6) > 0.75) * m
    A.over(c, (0.35, 0.2, 0.08, 1.0), steps * 0.18)
    outline_of(c, m, "#4a2a14", 0.5)
    return c, (cx, base)


def crystal(ht, seed):
    w, h = int(ht * 0.7 + 10), int(ht + 8)
    c, (x, y) = sprite(w, h)
    rng = np.random.default_rng(seed)
    cx, base = w / 2, h - 4
    ground_shadow(c, cx + 4, base, ht * 0.35, 2.5, 0.35)
    ms = []
    for k, (dx, s, lean) in enumerate([(0, 1.0, 0.0), (-ht * 0.2, 0.6, -0.35), (ht * 0.18, 0.7, 0.3)]):
        hs = ht * s * rng.uniform(0.85, 1.0)
        bx = cx + dx
        tip = (bx + lean * hs * 0.5, base - hs)
        ww = ht * 0.12 * (0.7 + s * 0.3)
        m = A.polygon_mask(w, h, [(bx - ww, base), (bx - ww + lean * hs * 0.4, base - hs * 0.78), tip,
                                  (bx + ww + lean * hs * 0.4, base - hs * 0.78), (bx + ww, base)])
        ms.append((m, bx + lean * (base - y) * 0.5))
    allm = union(*[m for m, _ in ms])
    for m, split in ms[1:] + ms[:1]:
        right = np.clip(A.grid(w, h)[0] - split + 0.5, 0, 1)
        A.over(c, col("#f4fdff"), m * (1 - right))
        A.over(c, col("#7fb4e8"), m * right)
    A.add(c, col("#ffffff"), A.blur(allm, 3) * 0.12)
    outline_of(c, allm, "#2a3a7a", 0.45)
    return c, (cx, base)


def rock(r, seed, lit="#6a4a44", dark="#2a1816"):
    w, h = int(r * 2 + 8), int(r * 1.6 + 8)
    c, (x, y) = sprite(w, h)
    cx, base = w / 2 - 1, h - 4
    ground_shadow(c, cx + r * 0.4, base, r * 1.0, r * 0.35, 0.45)
    m = A.polygon_mask(w, h, [(cx - r, base), (cx - r * 0.7, base - r * 0.8), (cx - r * 0.1, base - r * 1.2),
                              (cx + r * 0.6, base - r * 0.9), (cx + r, base)])
    faces(c, m, lit, dark, cx + r * 0.1, slope=0.3, yref=base - r)
    outline_of(c, m, "#0a0505", 0.5)
    return c, (cx, base)


def cloud_puff(r, seed, light="#fff6f0", shade="#b8b0dc"):
    w, h = int(r * 3.2 + 8), int(r * 1.9 + 8)
    c, (x, y) = sprite(w, h)
    rng = np.random.default_rng(seed)
    cx, base = w / 2, h - 4
    m = np.zeros((h, w))
    for k in range(5):
        px = cx + rng.uniform(-1.0, 1.0) * r
        rr = r * rng.uniform(0.5, 0.85) * (1 - abs(px - cx) / (r * 2.2))
        m = np.maximum(m, A.circle_mask(w, h, px, base - rr - rng.uniform(0, r * 0.3), rr))
    m = np.maximum(m, A.rounded_rect_mask(w, h, cx - r * 1.3, base - r * 0.6, cx + r * 1.3, base, r * 0.3))
    A.over(c, (0.2, 0.15, 0.4, 1), A.blur(np.roll(m, (2, 3), (0, 1)), 1.5) * 0.3)
    t = np.clip((y - (base - r * 1.6)) / (r * 1.6), 0, 1) ** 1.3
    body = A.canvas(w, h)
    lo, hi = np.array(col(shade)[:3]), np.array(col(light)[:3])
    body[..., :3] = hi * (1 - t[..., None]) + lo * t[..., None]
    body[..., 3] = m
    A.over(c, body)
    outline_of(c, m, "#5a4a8a", 0.35)
    return c, (cx, base)


def standing_stone(ht, seed):
    w, h = 14, int(ht + 8)
    c, (x, y) = sprite(w, h)
    cx, base = 6.5, h - 4
    ground_shadow(c, cx + 3, base, 5, 2, 0.45)
    m = union(A.rounded_rect_mask(w, h, cx - 2.8, base - ht, cx + 2.8, base + 0.5, 2.2))
    faces(c, m, "#c6c2b4", "#7a766c", cx + 0.6)
    A.add(c, col("#aaffb8"), A.line_mask(w, h, cx - 0.8, base - ht * 0.7, cx - 0.8, base - ht * 0.3, 1.0) * 0.7)
    outline_of(c, m, "#22201a", 0.55)
    return c, (cx, base)


def cottage(seed):
    w, h = 30, 28
    c, (x, y) = sprite(w, h)
    ground_shadow(c, 18, 23, 13, 3.5, 0.45)
    wall = A.rounded_rect_mask(w, h, 6, 13, 22, 24, 0.5)
    faces(c, wall, "#f3e6c8", "#b8a27c", 16)
    roof = A.polygon_mask(w, h, [(4, 14), (9, 5), (19, 5), (24, 14)])
    A.over(c, col("#c8503a"), roof)
    A.over(c, col("#8a2e22"), roof * np.clip(x - 17, 0, 1))
    A.over(c, col("#5a3a20"), A.rounded_rect_mask(w, h, 10, 17, 13, 24, 0.4))
    A.add(c, col("#ffd870"), A.rounded_rect_mask(w, h, 16, 16, 19, 19, 0.3) * 0.8)
    A.over(c, col("#7a6a60"), A.rounded_rect_mask(w, h, 17, 2, 19.5, 8, 0.3))
    outline_of(c, union(wall, roof), "#2a1a10", 0.6)
    return c, (14, 24)


def palm(ht, seed):
    w, h = int(ht + 10), int(ht + 8)
    c, (x, y) = sprite(w, h)
    cx, base = w / 2 - 2, h - 3
    ground_shadow(c, cx + 5, base, ht * 0.4, 2.2, 0.45)
    trunk = A.line_mask(w, h, cx, base, cx + ht * 0.15, base - ht * 0.8, 2.0)
    A.over(c, col("#8a5a30"), trunk)
    tx, ty = cx + ht * 0.15, base - ht * 0.8
    leaves = union(*[A.line_mask(w, h, tx, ty, tx + np.cos(a) * ht * 0.42, ty + np.sin(a) * ht * 0.3 + ht * 0.08, 2.6)
                     for a in np.radians([200, 240, 290, 330, 20, 160])])
    faces(c, leaves, "#6ab04a", "#2f6a2c", tx + 0.5)
    outline_of(c, union(trunk, leaves), "#1a2a10", 0.5)
    return c, (cx, base)


def volcano_cone(seed):
    w, h = 110, 100
    c, (x, y) = sprite(w, h)
    cx, base, top = 52, 92, 28
    ground_shadow(c, cx + 20, base - 2, 48, 8, 0.5)
    m = A.polygon_mask(w, h, [(cx - 50, base), (cx - 28, base - 30), (cx - 12, top), (cx + 12, top),
                              (cx + 26, base - 34), (cx + 52, base)])
    faces(c, m, "#6a4038", "#2a1614", cx + 6, slope=0.25, yref=top)
    crater = A.ellipse_mask(w, h, cx, top + 1, 11, 3.5)
    A.add(c, col("#ff4a08"), A.blur(crater, 5) * 0.8)
    A.over(c, col("#e8400c"), crater)
    A.over(c, col("#ffc040"), A.ellipse_mask(w, h, cx - 1, top + 1.4, 6, 1.8))
    flows = union(A.line_mask(w, h, cx - 4, top + 2, cx - 10, top + 22, 2.2),
                  A.line_mask(w, h, cx - 10, top + 22, cx - 6, top + 40, 2.0),
                  A.line_mask(w, h, cx - 6, top + 40, cx - 16, base - 4, 1.8),
                  A.line_mask(w, h, cx + 5, top + 2, cx + 12, top + 26, 1.8),
                  A.line_mask(w, h, cx + 12, top + 26, cx + 22, base - 10, 1.6)) * m
    A.add(c, col("#ff6a10"), A.blur(flows, 2.5) * 0.9)
    A.over(c, col("#ffc050"), flows)
    c[..., :3] *= (0.9 + 0.2 * A.noise(w, h, seed, scale=5, octaves=2))[..., None]
    outline_of(c, m, "#0a0404", 0.6)
    # smoke drifting off to the right
    smoke = union(*[A.circle_mask(w, h, cx + dx, top + dy, r)
                    for dx, dy, r in [(2, -6, 5), (11, -11, 6.5), (22, -14, 7.5), (34, -15, 6), (43, -13, 4)]])
    outline_of(c, smoke, "#1a0e0e", 0.5)
    puff = A.canvas(w, h)
    t = np.clip((y - (top - 22)) / 18.0, 0, 1)[..., None]
    puff[..., :3] = np.array(col("#b4a4a6")[:3]) * (1 - t) + np.array(col("#5a4446")[:3]) * t
    puff[..., 3] = smoke
    A.over(c, puff)
    A.add(c, col("#ff7a2a"), smoke * np.clip(1 - (top - y) / 10.0, 0, 1) * 0.35)
    return c, (cx, base)


def castle(seed):
    """The citadel on its cloud: towers with pointed roofs, a wall with a gate where the road ends."""
    w, h = 86, 96
    c, (x, y) = sprite(w, h)
    gx, base = 46, 86
    A.over(c, (0.15, 0.1, 0.3, 1.0), A.blur(A.ellipse_mask(w, h, gx + 6, base + 1, 38, 6), 2) * 0.45)
    stone_lit, stone_dark = "#ece4f6", "#9a90c4"
    roof_lit, roof_dark = "#5a6ad0", "#2e3680"
    parts = []
    wall = A.rounded_rect_mask(w, h, gx - 30, base - 22, gx + 30, base, 0.5)
    crenel = (np.sin((x - gx) * np.pi / 3.0) > 0) * (y > base - 25) * (y < base - 21) * (np.abs(x - gx) < 30)
    wall = np.maximum(wall, crenel.astype(float))
    faces(c, wall, stone_lit, stone_dark, gx + 22)
    parts.append(wall)
    for tx, tw, th in [(-30, 9, 46), (30, 9, 42), (-14, 10, 62), (12, 11, 74), (0, 8, 52)]:
        x0 = gx + tx
        tm = A.rounded_rect_mask(w, h, x0 - tw / 2, base - th, x0 + tw / 2, base, 0.5)
        faces(c, tm, stone_lit, stone_dark, x0 + tw * 0.15)
        rf = A.polygon_mask(w, h, [(x0 - tw / 2 - 2, base - th + 1), (x0, base - th - tw * 1.9), (x0 + tw / 2 + 2, base - th + 1)])
        faces(c, rf, roof_lit, roof_dark, x0, slope=0.0)
        A.add(c, col("#ffd870"), A.rounded_rect_mask(w, h, x0 - 1.2, base - th + 7, x0 + 1.2, base - th + 12, 1) * 0.9)
        A.over(c, col("#ffd86a"), A.line_mask(w, h, x0, base - th - tw * 1.9, x0, base - th - tw * 1.9 - 5, 0.8))
        parts += [tm, rf]
    gate = union(A.rounded_rect_mask(w, h, gx - 6, base - 13, gx + 6, base + 1, 0.5), A.circle_mask(w, h, gx, base - 13, 6))
    A.over(c, col("#2a1a3a"), gate)
    A.add(c, col("#ffcf6a"), A.blur(gate, 2) * 0.35)
    outline_of(c, union(*parts), "#221a44", 0.6)
    return c, (gx, base)


def place(c, spr, x, y):
    s, (ax, ay) = spr
    A.paste(c, s, int(round(x - ax)), int(round(y - ay)))


def footprint_free(free, x, y, spr, shrink=1):
    s, (ax, ay) = spr
    h, w = s.shape[:2]
    x0, y0 = int(round(x - ax)) + shrink, int(round(y - ay)) + shrink
    x1, y1 = x0 + w - 2 * shrink, y0 + h - 2 * shrink
    H_, W_ = free.shape
    if x0 < 0 or y1 > H_ or x1 > W_ or y0 < -h // 2:
        return False
    return bool(free[max(0, y0):y1, x0:x1].all())


class Spacing:
    """The points placed so far, bucketed in 8-pixel cells, to keep new ones apart from them."""

    CELL = 8

    def __init__(self, points=()):
        self.cells = {}
        for x, y in points:
            self.add(x, y)

    def add(self, x, y):
        self.cells.setdefault((int(x) // self.CELL, int(y) // self.CELL), []).append((x, y))

    def clear_of(self, x, y, spacing):
        r = int(spacing) // self.CELL + 1
        cx, cy = int(x) // self.CELL, int(y) // self.CELL
        for i in range(cx - r, cx + r + 1):
            for j in range(cy - r, cy + r + 1):
                for px, py in self.cells.get((i, j), ()):
                    if (px - x) ** 2 + (py - y) ** 2 < spacing * spacing:
                        return False
        return True


def scatter(rng, free, share, kinds, count, spacing, placed, tries=3000):
    """Positions (x, y, sprite) for up to count sprites inside a land (share > 0.97 under the
    sprite's foot), clear of the road and the markers, no two closer than spacing (placed: the
    Spacing of everything placed before)."""
    out = []
    h, w = free.shape
    ys, xs = np.nonzero((share > 0.97) & free)
    if len(xs) == 0:
        return out
    for k in rng.integers(len(xs), size=tries):
        if len(out) >= count:
            break
        x, y = xs[k] + rng.uniform(0, 1), ys[k] + rng.uniform(0, 1)
        spr = kinds[rng.integers(len(kinds))]
        if not placed.clear_of(x, y, spacing) or not footprint_free(free, x, y, spr):
            continue
        foot = spr[0].shape[1] / 2 - 3
        if share[int(y), max(0, int(x - foot))] < 0.9 or share[int(y), min(w - 1, int(x + foot))] < 0.9:
            continue
        out.append((x, y, spr))
        placed.add(x, y)
    return out


def lit_relief(height, strength):
    gy, gx = np.gradient(height)
    return np.clip(-(gx + gy) * strength, -0.6, 0.6)


def window(c, cx, cy, reach):
    """The part of a canvas within reach of a point (a view: drawing on it draws on the canvas),
    and the point in its coordinates."""
    x0, y0 = max(0, int(cx - reach)), max(0, int(cy - reach))
    x1, y1 = min(c.shape[1], int(cx + reach) + 1), min(c.shape[0], int(cy + reach) + 1)
    return c[y0:y1, x0:x1], cx - x0, cy - y0, (slice(y0, y1), slice(x0, x1))


def pond(c, free, px, py, rx, ry, water, deep, shine):
    """A pool with a wavy shore, lighter at the far side, a glint on it; its ground is taken."""
    sub, lx, ly, at = window(c, px, py, max(rx, ry) + 8)
    h, w = sub.shape[:2]
    x, y = A.grid(w, h)
    ang = np.arctan2(y - ly, x - lx)
    wob = 1 + 0.08 * np.sin(ang * 3 + px) + 0.05 * np.sin(ang * 5 + py)
    m = A.coverage_from_distance((np.hypot((x - lx) / rx, (y - ly) / ry) - wob) * min(rx, ry))
    A.over(sub, col("#3a2a1a"), np.clip(A.blur(m, 2.5) * 1.6, 0, 1) * 0.5)
    t = np.clip((y - (ly - ry)) / (2 * ry), 0, 1)[..., None]
    water_c = A.canvas(w, h)
    water_c[..., :3] = np.array(col(water)[:3]) * (1 - t) + np.array(col(deep)[:3]) * t
    water_c[..., 3] = m
    A.over(sub, water_c)
    A.add(sub, col(shine), A.ellipse_mask(w, h, lx - rx * 0.3, ly - ry * 0.35, rx * 0.35, 1.2) * m * 0.7)
    free[at] &= A.blur(m, 3) < 0.02


def clearing(c, a, gx, gy):
    """Paints the ground of guardian a's clearing round its medallion and returns the sprites that
    frame it (drawn with the others, in depth order)."""
    ox, oy = gx, gy
    c, gx, gy, _ = window(c, gx, gy, MEDALLION_R + 28)
    h, w = c.shape[:2]
    x, y = A.grid(w, h)
    r = np.hypot(x - gx, y - gy)
    disc = smoothstep(MEDALLION_R + 15, MEDALLION_R + 12, r)
    rim = smoothstep(MEDALLION_R + 16, MEDALLION_R + 12.5, r) - smoothstep(MEDALLION_R + 12.5, MEDALLION_R + 9, r)
    out = []

    def ring(angles, rad, make):
        for k, ang in enumerate(angles):
            t = np.radians(ang)
            out.append((ox + np.cos(t) * rad, oy + np.sin(t) * rad, make(k)))

    if a == 0:  # a ring of old standing stones on a mown green
        A.over(c, col("#a8d870"), disc * 0.75)
        A.over(c, col("#2f5a22"), np.clip(rim, 0, 1) * 0.45)
        flowers = (A.noise(w, h, 7701, scale=2.0, octaves=1) > 0.8) * smoothstep(MEDALLION_R + 12, MEDALLION_R + 8, r)
        A.over(c, col("#fff4c0"), flowers * 0.9)
        ring([-160, -125, -90, -55, -20, 15, 160, 195], MEDALLION_R + 10,
             lambda k: standing_stone(12 + (k % 3) * 2, 7710 + k))
    elif a == 1:  # a mossy glade ringed by tall firs, lit from above
        A.over(c, col("#5aa070"), disc * 0.8)
        A.add(c, col("#d8ffe0"), A.radial_falloff(w, h, gx - 10, gy - 10, MEDALLION_R + 20, 1.5) * 0.25)
        ring([-170, -140, -115, -90, -65, -40, -12, 170], MEDALLION_R + 12,
             lambda k: pine(24 + (k % 3) * 3, "#4a9a78", "#1f4c3e", 7720 + k))
    elif a == 2:  # a paved court among fallen columns
        tiles = np.clip(1 - np.abs(np.sin(r / 3.2)) * 4, 0, 1) * 0.2
        A.over(c, col("#f4e2b8"), disc)
        A.over(c, col("#9a6a3a"), (tiles + np.clip(rim, 0, 1) * 0.6) * disc + np.clip(rim, 0, 1) * 0.4)
        ring([-150, -105, -75, -30, 10, 170], MEDALLION_R + 11,
             lambda k: column(24 if k % 2 == 0 else 17, 7730 + k, broken=k % 2 == 1))
    elif a == 3:  # a frozen pool in a crown of ice shards
        A.over(c, col("#dff4ff"), disc)
        A.add(c, col("#ffffff"), A.radial_falloff(w, h, gx - 20, gy - 22, MEDALLION_R + 12, 2.0) * disc * 0.5)
        A.over(c, col("#5a80c8"), np.clip(rim, 0, 1) * 0.6)
        ring([-160, -120, -90, -55, -20, 165, 200], MEDALLION_R + 10, lambda k: crystal(18 + (k % 3) * 4, 7740 + k))
    elif a == 4:  # a moat of lava round a basalt island
        moat = smoothstep(MEDALLION_R + 11, MEDALLION_R + 8, r) * smoothstep(MEDALLION_R - 2, MEDALLION_R + 2, r)
        A.over(c, col("#1a0d0c"), disc)
        A.add(c, col("#ff5a10"), A.blur(moat, 4) * 0.9)
        A.over(c, col("#ffb040"), moat)
        A.add(c, col("#fff0a0"), moat * np.clip(np.sin(np.arctan2(y - gy, x - gx) * 9) * 0.5 + 0.2, 0, 1) * 0.6)
        ring([-150, -110, -70, -30, 160, 200], MEDALLION_R + 13, lambda k: rock(5 + (k % 3), 7750 + k))
    else:  # a marble dais with a golden ring, in the clouds
        A.over(c, col("#dcd4f2"), disc)
        A.over(c, col("#d8a840"), np.clip(rim, 0, 1))
        A.add(c, col("#fff0c0"), A.radial_falloff(w, h, gx, gy, MEDALLION_R + 26, 1.5) * 0.35)
        ring([-160, -20, 170, 10], MEDALLION_R + 10,
             lambda k: column(22, 7760 + k, stone=("#f8f4ff", "#a8a0d0")))
    return out


def flowers(c, rng, share, count):
    """Little white, yellow and pink flowers over the meadows."""
    h, w = share.shape
    hues = [col("#fffbe8"), col("#ffe27a"), col("#ff9ab8"), col("#c8b0ff")]
    for _ in range(count):
        fx, fy = int(rng.uniform(0, w - 2)), int(rng.uniform(0, h - 2))
        if share[fy, fx] > 0.95:
            A.over(c[fy:fy + 2, fx:fx + 2], hues[rng.integers(4)], np.array([[0.5, 0.9], [0.9, 0.5]]))


def story_map():
    """The travel map, drawn like a picture-book map: six lands laid where their way-points and
    guardians are (the green vale at the bottom, the misty forest above it, the desert across the
    middle, the ice above that, the volcano top left and the citadel in the clouds top right), a
    winding road through every way-point, a clearing framed by a landmark round each guardian, and a
    calm night-blue column on the right for the prize niche, the information window and the buttons."""
    x, y = A.grid(W, H)
    rng = np.random.default_rng(7600)
    share, dist = land_weights(W, H)
    rgb = np.zeros((H, W, 3))
    height = np.zeros((H, W))
    for a in range(6):
        g, hg = ground_of(a, W, H, x, y)
        rgb += share[a][..., None] * g
        height += share[a] * hg
    # lands rise a little towards their middles, so borders read as valleys and ridges
    ds = np.sort(dist, axis=0)
    border = np.clip(ds[1] - ds[0], 0, 20)
    height += border * 0.5
    rgb *= (1.0 + lit_relief(A.blur(height, 1.2), 0.16))[..., None]
    edge_line = smoothstep(4.0, 0.0, ds[1] - ds[0])
    shade_rgb = sum(share[a][..., None] * np.array(col(GROUND[a][2])[:3]) for a in range(6))
    rgb = rgb * (1 - edge_line[..., None] * 0.35) + shade_rgb * edge_line[..., None] * 0.35
    c = A.canvas(W, H, (0, 0, 0, 1))
    c[..., :3] = np.clip(rgb, 0, 1)

    # what each land has on its ground
    deep = [np.clip((s - 0.5) * 2, 0, 1) ** 2 for s in share]  # away from the borders
    n = A.noise(W, H, 7670, scale=14, octaves=3)
    ice_cracks = np.clip(1 - np.abs(n - 0.5) * 40, 0, 1) * (A.noise(W, H, 7673, scale=30, octaves=2) > 0.5)
    A.over(c, col("#7e9ad8"), ice_cracks * deep[3] * 0.45)
    veins = A.noise(W, H, 7671, scale=26, octaves=3)
    lava = np.clip(1 - np.abs(veins - 0.5) * 60, 0, 1) * (A.noise(W, H, 7674, scale=40, octaves=2) > 0.52) * deep[4]
    A.add(c, col("#ff4a08"), A.blur(lava, 2.5) * 0.7)
    A.add(c, col("#ffb040"), lava * 0.75)
    glow(c, 260, 70, 130, col("#fff0c8"), 1.6, 0.25)
    flowers(c, rng, share[0], 140)

    # the road and the paths to the guardians
    road = road_path()
    spurs = spur_paths(road)
    d = polyline_distance(W, H, road, 24)
    for sp in spurs:
        d = np.minimum(d, polyline_distance(W, H, sp, 12) + 1.5)

    free = (x < MAP_RIGHT - 3) & (d > ROAD_HALF + 2.0)
    for mx, my in WAYPOINTS:
        free[max(0, my - 2):my + 24, max(0, mx - 2):mx + 26] = False
    for gx, gy in medallion_centres():
        free &= np.hypot(x - gx, y - gy) > MEDALLION_R + 8

    # a pond in the vale, a lake of fire under the volcano, an oasis at the desert's edge
    pond(c, free, 208, 458, 30, 11, "#6ab8e0", "#2a6aa8", "#e8fbff")
    pond(c, free, 36, 162, 26, 13, "#ff9a2a", "#c0300a", "#fff0a0")
    pond(c, free, 337, 326, 13, 5, "#5ac8c8", "#1a7a9a", "#e8fbff")
    A.add(c, col("#ff7a1a"), A.radial_falloff(W, H, 36, 162, 60, 2.0) * 0.5)

    sprites = []
    for a, (gx, gy) in enumerate(medallion_centres()):
        sprites += clearing(c, a, gx, gy)

    sh = np.roll(d, (2, 1), (0, 1))
    A.over(c, (0.08, 0.05, 0.02, 1.0), smoothstep(ROAD_HALF + 2.5, ROAD_HALF - 1.0, sh) * 0.4)
    A.over(c, col("#5a3a1e"), np.clip(ROAD_HALF - d + 0.5, 0, 1))
    inner = np.clip(ROAD_HALF - 1.5 - d + 0.5, 0, 1)
    t = np.clip(d / (ROAD_HALF - 1.5), 0, 1)
    fill = A.canvas(W, H)
    lo, hi = np.array(col("#c49a5e")[:3]), np.array(col("#f8e8bc")[:3])
    fill[..., :3] = hi * (1 - t[..., None] ** 2) + lo * t[..., None] ** 2
    tint = [col("#ffffff"), col("#e8f0d8"), col("#ffffff"), col("#e8f0ff"), col("#b8a8a0"), col("#f4f0ff")]
    fill[..., :3] *= sum(share[a][..., None] * np.array(tint[a][:3]) for a in range(6))
    fill[..., :3] *= (0.92 + 0.16 * A.noise(W, H, 7680, scale=3, octaves=2))[..., None]
    fill[..., 3] = inner
    A.over(c, fill)

    # scenery
    placed = Spacing((sx, sy) for sx, sy, _ in sprites)
    cone = volcano_cone(7790)
    sprites.append((44, 100, cone))
    free[0:104, 0:98] = False
    keep = castle(7791)
    sprites.append((351, 101, keep))
    free[0:104, 300:MAP_RIGHT] = False
    sprites.append((160, 474, cottage(7857)))
    free[448:480, 144:180] = False
    sprites += [(321, 327, palm(17, 7824)), (353, 324, palm(15, 7827)), (344, 336, palm(12, 7828))]
    free[310:340, 310:364] = False
    trees = [round_tree(r, k, 7800 + i) for i, (r, k) in enumerate([(5, "#4f8f3f"), (6, "#3d7a34"), (7, "#62a04a"),
                                                                     (5.5, "#7aa83c"), (8, "#467f3a")])]
    firs = [pine(hh, lt, dk, 7810 + i) for i, (hh, lt, dk) in enumerate(
        [(16, "#3f8a6a", "#1d4a3c"), (19, "#4a9a78", "#245a48"), (22, "#358060", "#18402f"), (14, "#55a080", "#2a5e4c")])]
    sands = [pyramid(34, 7820), pyramid(26, 7821), pyramid(20, 7826), column(12, 7823, broken=True),
             rock(4, 7825, "#e8c088", "#a06a38")]
    snows = [peak(26, 22, 7830), peak(22, 19, 7831), peak(30, 26, 7832), pine(14, "#6a9ac0", "#2a4a70", 7833, snow=True),
             pine(12, "#6a9ac0", "#2a4a70", 7835, snow=True)]
    ashes = [rock(5, 7840), rock(7, 7841), rock(4, 7842), rock(9, 7844), peak(22, 20, 7843, rock=("#6a4640", "#261616"),
                                                                              snow=("#4a3430", "#1a0e0e"), snow_line=0.2)]
    clouds = [cloud_puff(9, 7850), cloud_puff(7, 7851), cloud_puff(11, 7852), cloud_puff(12, 7853)]
    for a, kinds, count, spacing in [(1, firs, 260, 6.0), (0, trees, 40, 9.0), (2, sands, 10, 24.0),
                                     (3, snows, 22, 13.0), (4, ashes, 18, 15.0), (5, clouds, 8, 30.0)]:
        sprites += scatter(rng, free, share[a], kinds, count, spacing, placed)
    others = np.min(dist[:5], axis=0)
    bank = ((dist[5] - others > -12) & (dist[5] - others < 3)).astype(np.float64)
    sprites += scatter(rng, free, bank, clouds[:3], 14, 16.0, placed)
    for sx, sy, spr in sorted(sprites, key=lambda s: s[1]):
        place(c, spr, sx, sy)

    # air: mist in the forest, embers over the volcano, sparkle on the snow
    mist = A.canvas(W, H, col("#c8f0e0"))
    mist[..., 3] = np.clip((A.noise(W, H, 7860, scale=28, octaves=3) - 0.5) * 2.5, 0, 1) * deep[1] * 0.45
    A.over(c, mist)
    embers(c, 7861, 70, col("#ffb040"), (0, 0, 220, 210))
    sparkles(c, 7862, 50, col("#ffffff"), (150, 170, MAP_RIGHT, 260), 0.4, 1.0)
    sparkles(c, 7863, 40, col("#fff4d0"), (210, 0, MAP_RIGHT, 170), 0.4, 1.0)
    vignette(c, 0.3)

    # the right column: night-blue cloth with a faint gold lattice, lit behind the prize, darker
    # under the buttons
    col_m = np.clip((x - MAP_RIGHT) + 0.5, 0, 1)
    right = A.vertical_gradient(W, H, col("#161a3c"), col("#261f48"))
    u, v = (x - y) / 18.0, (x + y) / 18.0
    lattice = np.clip(1 - np.minimum(np.abs(u - np.round(u)), np.abs(v - np.round(v))) * 18.0, 0, 1)
    knots = np.clip(1 - np.hypot(u - np.round(u), v - np.round(v)) * 9.0, 0, 1)
    A.add(right, col("#d8b060"), (lattice * 0.05 + knots * 0.12) * np.clip(1 - A.noise(W, H, 7631, 40, 2) * 0.6, 0, 1))
    glow(right, 505, 115, 160, col("#ffd27a"), 2.0, 0.28)
    sparkles(right, 7630, 24, col("#ffffff"), (MAP_RIGHT, 0, W, 220), 0.3, 0.7)
    A.over(right, (0.02, 0.02, 0.06, 1.0), smoothstep(420, 470, y) * 0.45)
    A.add(right, col("#c89a48"), A.line_mask(W, H, MAP_RIGHT + 10, -5, MAP_RIGHT + 10, H + 5, 1.0) * 0.35)
    A.over(c, right, col_m)
    A.over(c, (0, 0, 0, 1.0), np.clip(1 - np.abs(x - MAP_RIGHT - 6) / 10, 0, 1) * 0.5 * (x > MAP_RIGHT))
    edge = A.line_mask(W, H, MAP_RIGHT + 1, -5, MAP_RIGHT + 1, H + 5, 5)
    A.over(c, shaded(edge, col("#c89a48"), 7640, relief=1.5, strength=3, rim=col("#fff0b0")))
    return c


TITLE_FACES = ("/usr/share/fonts/opentype/linux-libertine/LinLibertine_RB.otf",
               "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf")
RUNE_HUES = ["#e0483a", "#4cc05a", "#f2c42a", "#a05ad0", "#b07a4a", "#3f82f0"]  # the six runes, a shade lighter


def title_font(size):
    for path in TITLE_FACES:
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def dilate(mask, px):
    """A mask grown by px pixels (round enough for outlines)."""
    from PIL import ImageFilter
    img = Image.fromarray(np.clip(mask * 255 + 0.5, 0, 255).astype(np.uint8), "L")
    return np.asarray(img.filter(ImageFilter.MaxFilter(2 * px + 1)), dtype=np.float64) / 255.0


def tapered(w, h, pts, widths):
    """A stroke along a polyline whose width changes from point to point (a pen flourish)."""
    p = np.asarray(pts, dtype=np.float64)
    tang = np.gradient(p, axis=0)
    tang /= np.maximum(np.hypot(tang[:, 0], tang[:, 1]), 1e-9)[:, None]
    nrm = np.stack([-tang[:, 1], tang[:, 0]], axis=1) * (np.asarray(widths)[:, None] / 2)
    outline = list(map(tuple, p + nrm)) + list(map(tuple, (p - nrm)[::-1]))
    return A.polygon_mask(w, h, outline)


def swash_y(cy, t):
    """Height of the flourish's wave at t (0 next to the gem, 1 at the curl)."""
    return cy + 2.2 * np.sin(t * np.pi * 2) * (1 - t)


def swash(cx, cy, span, side):
    """One half of the flourish under the title: from the centre outwards in a gentle wave, ending
    in a curl that turns up and back."""
    t = np.linspace(0, 1, 60)
    xs = cx + side * (10 + t * (span - 10))
    ys = swash_y(cy, t)
    ang = np.linspace(np.pi / 2, np.pi / 2 + 1.6 * np.pi, 36)
    r = np.linspace(5.5, 1.8, 36)
    ex, ey = xs[-1], ys[-1] - 5.5
    curl_x = ex + side * np.cos(ang) * r
    curl_y = ey + np.sin(ang) * r
    px = np.concatenate([xs, curl_x[1:]])
    py = np.concatenate([ys, curl_y[1:]])
    wd = np.concatenate([3.4 - 2.0 * t, np.linspace(1.4, 0.6, 35)])
    return list(zip(px, py)), wd


def wordmark(text="Miro Vale", w=440, h=112, size=79, leading=0, glints=None):
    """The game's title as a logo: gold letters lit from the top left, a pale gold inner rim and a
    dark outer one, a warm glow, and under them a pen flourish with a teal gem and the six rune
    colours. Text may run over several lines, leading pixels apart, each line centred; glints are
    the places of the two sparkles (by default on the first and the last letters of the first line)."""
    ss = 2
    lines = text.split("\n")
    img = Image.new("L", (w * ss, h * ss), 0)
    d = ImageDraw.Draw(img)
    f = title_font(size * ss)

    def widest():
        return max(d.textbbox((0, 0), line, font=f)[2] - d.textbbox((0, 0), line, font=f)[0] for line in lines)

    while widest() > (w - 70) * ss:  # a wider fallback face is set smaller
        size -= 2
        f = title_font(size * ss)
    placed = []  # per line: left, right, top, base in picture pixels
    for k, line in enumerate(lines):
        box = d.textbbox((0, 0), line, font=f)
        tx = (w * ss - (box[0] + box[2])) / 2
        ty = h * ss * 0.40 - (box[1] + box[3]) / 2 + (k - (len(lines) - 1) / 2) * leading * ss
        d.text((tx, ty), line, font=f, fill=255)
        placed.append(((tx + box[0]) / ss, (tx + box[2]) / ss, (ty + box[1]) / ss, (ty + box[3]) / ss))
    big = np.asarray(img, dtype=np.float64) / 255.0

    def down(a):
        return np.asarray(Image.fromarray(np.clip(a * 255 + 0.5, 0, 255).astype(np.uint8)).resize((w, h), Image.LANCZOS),
                          dtype=np.float64) / 255.0

    m = down(big)
    inner_rim = down(dilate(big, 2 * ss))
    outer_rim = down(dilate(big, 4 * ss))
    left, right, top, base = placed[0]
    x, y = A.grid(w, h)

    fy, mid = placed[-1][3] + 12, w / 2
    span = max(r - l for l, r, _, _ in placed) / 2 + 2
    stroke = np.zeros((h, w))
    for side in (-1, 1):
        pts, wd = swash(mid, fy, span, side)
        stroke = np.maximum(stroke, tapered(w, h, pts, wd))
    gem_m = A.polygon_mask(w, h, [(mid, fy - 8), (mid + 7, fy), (mid, fy + 8), (mid - 7, fy)])
    dots = []  # the six rune colours along the wave, three on each side of the gem
    for k, (side, j) in enumerate([(-1, 2), (-1, 1), (-1, 0), (1, 0), (1, 1), (1, 2)]):
        dx = mid + side * (24 + j * 17)
        dots.append((dx, swash_y(fy, (abs(dx - mid) - 10) / (span - 10)), RUNE_HUES[k]))
    dot_m = union(*[A.circle_mask(w, h, dx, dy, 3.4) for dx, dy, _ in dots])
    orn = union(stroke, gem_m, dot_m)
    orn_rim = np.clip(A.blur(orn, 1.0) * 3.0, 0, 1)

    c = A.canvas(w, h)
    shape = np.maximum(outer_rim, orn_rim)
    A.over(c, (0.16, 0.07, 0.0, 1.0), np.clip(A.blur(shape, 8) * 1.2, 0, 1) * 0.45)
    A.add(c, col("#ffd27a"), np.clip(A.blur(shape, 16), 0, 1) * 0.22)
    A.over(c, (0.05, 0.02, 0.0, 1.0), np.roll(A.blur(shape, 2.0), (3, 2), (0, 1)) * 0.55)
    A.over(c, col("#2a1304"), shape)

    def lit(mask, radius, amount):
        gy, gx = np.gradient(A.blur(mask, radius))
        return np.clip(-(gx + gy) * amount, -1, 1)[..., None]

    ring = A.canvas(w, h)
    ring[..., :3] = np.clip(np.array(col("#f6d88a")[:3]) * (1 + 0.5 * lit(inner_rim, 1.2, 3.0)), 0, 1)
    ring[..., 3] = inner_rim
    A.over(c, ring)
    A.over(c, col("#5a2e08"), np.clip(down(dilate(big, 1)) - m, 0, 1) * 0.8)

    gold = A.canvas(w, h)
    v = np.zeros((h, w))  # 0 at the top of each line's letters, 1 at their foot
    for k, (_, _, t, b) in enumerate(placed):
        rows = y >= (t + placed[k - 1][3]) / 2 if k else y >= -1
        v = np.where(rows, np.clip((y - t) / max(b - t, 1), 0, 1), v)
    stops = [(0.0, "#fffbe2"), (0.45, "#ffd866"), (0.58, "#f0a42c"), (1.0, "#9a4e10")]
    for (v0, c0), (v1, c1) in zip(stops, stops[1:]):
        k = np.clip((v - v0) / (v1 - v0), 0, 1)[..., None]
        band = (v >= v0)[..., None]
        gold[..., :3] = np.where(band, np.array(col(c0)[:3]) * (1 - k) + np.array(col(c1)[:3]) * k, gold[..., :3])
    gold[..., :3] = np.clip(gold[..., :3] * (1 + 0.4 * lit(m, 1.5, 3.5)), 0, 1)
    gold[..., 3] = m
    A.over(c, gold)
    A.add(c, col("#ffffff"), np.clip(m - np.roll(m, (2, 2), (0, 1)), 0, 1) * 0.5)

    og = A.canvas(w, h)
    og[..., :3] = np.clip(np.array(col("#ffe08a")[:3]) * (1 + 0.5 * lit(stroke, 0.8, 4.0)), 0, 1)
    og[..., 3] = stroke
    A.over(c, og)
    A.add(c, col("#8ff3ff"), A.blur(gem_m, 5) * 0.6)
    A.over(c, shaded(gem_m, col("#3fb0a0"), 7990, relief=1.5, strength=3, rim=col("#ffffff")))
    A.add(c, col("#ffffff"), A.polygon_mask(w, h, [(mid - 1, fy - 6), (mid + 2, fy - 2), (mid - 1, fy - 1), (mid - 4, fy - 2)]) * 0.6)
    for k, (dx, dy, hue) in enumerate(dots):
        A.over(c, shaded(A.circle_mask(w, h, dx, dy, 3.2), col(hue), 7991 + k, relief=1.0, strength=3))
        A.add(c, col("#ffffff"), A.circle_mask(w, h, dx - 1.1, dy - 1.2, 1.0) * 0.8)
    for gx_, gy_ in glints or [(left + 21, top + 7), (right - 38, top + 17)]:
        star = np.clip(A.line_mask(w, h, gx_ - 8, gy_, gx_ + 8, gy_, 1.2) + A.line_mask(w, h, gx_, gy_ - 8, gx_, gy_ + 8, 1.2), 0, 1)
        A.add(c, col("#ffffff"), star * A.radial_falloff(w, h, gx_, gy_, 9, 1.0) * 1.6)
        A.add(c, col("#fff6c0"), A.radial_falloff(w, h, gx_, gy_, 6, 2.0))
    return c


def byline(text, w, h, size):
    """A line of smaller writing to go with a wordmark: pale gold italic letters in a dark rim with
    a soft shadow and a warm glow."""
    ss = 2
    img = Image.new("L", (w * ss, h * ss), 0)
    d = ImageDraw.Draw(img)
    f = byline_font(size * ss)
    box = d.textbbox((0, 0), text, font=f)
    d.text(((w * ss - (box[0] + box[2])) / 2, (h * ss - (box[1] + box[3])) / 2), text, font=f, fill=255)
    big = np.asarray(img, dtype=np.float64) / 255.0

    def down(a):
        return np.asarray(Image.fromarray(np.clip(a * 255 + 0.5, 0, 255).astype(np.uint8)).resize((w, h), Image.LANCZOS),
                          dtype=np.float64) / 255.0

    m, rim = down(big), down(dilate(big, 2 * ss))
    c = A.canvas(w, h)
    A.over(c, (0.16, 0.07, 0.0, 1.0), np.clip(A.blur(rim, 5) * 1.3, 0, 1) * 0.45)
    A.add(c, col("#ffd27a"), np.clip(A.blur(rim, 10), 0, 1) * 0.18)
    A.over(c, (0.05, 0.02, 0.0, 1.0), np.roll(A.blur(rim, 1.2), (2, 1), (0, 1)) * 0.5)
    A.over(c, col("#2a1304"), rim * 0.9)
    letters = A.vertical_gradient(w, h, col("#fffbe8"), col("#f4cf7a"))
    letters[..., 3] = m
    A.over(c, letters)
    return c


def byline_font(size):
    for path in ("/usr/share/fonts/opentype/linux-libertine/LinLibertine_RZI.otf",
                 "/usr/share/fonts/truetype/dejavu/DejaVuSerif-BoldItalic.ttf"):
        if os.path.exists(path):
            return ImageFont.truetype(path, size)
    return ImageFont.load_default()


def menu_background():
    """Main menu: the green vale at golden hour under the game's title (top left, clear of the
    balloon and the buttons); on the left a standing rune stone with the owl sage who speaks in the
    balloon; the right third (buttons) and the bottom strip (small buttons) stay calm."""
    c = landscape(0, seed=11)
    x, y = A.grid(W, H)
    # the sun behind the title melts into a haze, so the letters stand on an even sky
    A.over(c, A.blur(c, 16), A.radial_falloff(W, H, 110, 70, 110, 0.7))
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
    A.paste(c, wordmark(), 10, -4)
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


WIN_TITLE_BOX = (40, 12, 370, 204)  # the winner screen's words, clear of the citadel and its rays' heart


def winner_background():
    """Winner screen: the sky citadel at sunrise, golden rays, runes of every colour rising; in the
    calm sky at top left the words "The Vale is Saved!" as a logo over a smaller line."""
    c = landscape(5, seed=41)
    x, y = A.grid(W, H)
    ang = np.arctan2(y - 300, x - 470)
    rays = np.clip(np.sin(ang * 14) * 0.5 + 0.5, 0, 1) ** 4 * A.radial_falloff(W, H, 470, 300, 600, 1.0)
    A.add(c, col("#ffe0a0"), rays * 0.35)
    rng = np.random.default_rng(42)
    x0, y0, x1, y1 = WIN_TITLE_BOX
    for k in range(36):
        px, py = rng.uniform(20, 620), rng.uniform(20, 400)
        r = rng.uniform(8, 18)
        if not (x0 - r < px < x1 + r and y0 - r < py < y1 + r):  # none behind the words
            glow(c, px, py, r, col(AREAS[k % 6]["accent"]), 2.0, 0.9)
    sparkles(c, 4101, 40, col("#fff2b0"), WIN_TITLE_BOX, 0.5, 1.3)
    A.over(c, (0, 0, 0, 1), np.clip((y - 420) / 60, 0, 1) * 0.4)
    A.paste(c, wordmark("The Vale\nis Saved!", w=400, h=200, size=66, leading=64), 0, -2)
    A.paste(c, byline("All six guardians are at peace", 400, 40, 24), 0, 162)
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
