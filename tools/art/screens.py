"""Backgrounds and screen pictures: the six area landscapes behind the playing field, the area
guardians, the travel map and its pieces, the menu, loading, help, endless, custom-game and winner
screens. Light falls from the top left everywhere. See data/art/screens.md for sizes and places."""

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
    specs = [(-70, 0.55, 9), (-42, 0.8, 11), (-12, 1.15, 14), (20, 0.9, 12), (48, 0.65, 10), (78, 0.45, 8)]
    wins = np.zeros((h, w))
    for dx, th, tw in specs:
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


def landscape(i, w=W, h=H, seed=0):
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


def build(out_dir):
    names = []
    for i in range(6):
        names.append(save_jpeg(board_background(i), out_dir, f"bkg{i + 1}.jpg"))
    return names
