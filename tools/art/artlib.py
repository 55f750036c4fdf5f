"""Drawing helpers for the game's procedural art: float RGBA canvases (numpy arrays of shape
(height, width, 4), straight alpha, 0..1) composed with the usual "over" rule, plus shapes with
soft (anti-aliased) edges, gradients, glows and seeded noise. Everything is deterministic: the
same source gives the same bytes."""

import os

import numpy as np
from PIL import Image


def canvas(width, height, color=(0, 0, 0, 0)):
    """A new canvas filled with one RGBA colour (components 0..1)."""
    c = np.zeros((height, width, 4), dtype=np.float64)
    c[...] = color
    return c


def rgba(hex_rgb, alpha=1.0):
    """'#rrggbb' (or 'rrggbb') as an RGBA tuple of floats."""
    h = hex_rgb.lstrip("#")
    return (int(h[0:2], 16) / 255.0, int(h[2:4], 16) / 255.0, int(h[4:6], 16) / 255.0, alpha)


def grid(width, height):
    """Pixel-centre coordinates: (x, y) arrays of shape (height, width)."""
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    return x + 0.5, y + 0.5


def coverage_from_distance(distance):
    """Signed distance (negative inside) to a one-pixel soft edge, 0..1."""
    return np.clip(0.5 - distance, 0.0, 1.0)


def over(dst, src, mask=None):
    """Composes src over dst in place. src is a canvas or an RGBA tuple; mask (0..1, HxW) scales
    the source alpha."""
    h, w = dst.shape[:2]
    if isinstance(src, tuple):
        s = np.empty((h, w, 4))
        s[...] = src
    else:
        s = src
    sa = s[..., 3] if mask is None else s[..., 3] * mask
    da = dst[..., 3]
    out_a = sa + da * (1.0 - sa)
    safe = np.where(out_a > 1e-9, out_a, 1.0)
    for ch in range(3):
        dst[..., ch] = (s[..., ch] * sa + dst[..., ch] * da * (1.0 - sa)) / safe
    dst[..., 3] = out_a
    return dst


def add(dst, color, mask):
    """Adds light: colour * mask onto the colour channels (clamped), alpha at least the mask."""
    for ch in range(3):
        dst[..., ch] = np.clip(dst[..., ch] + color[ch] * mask, 0.0, 1.0)
    dst[..., 3] = np.maximum(dst[..., 3], np.clip(mask * color[3], 0.0, 1.0))
    return dst


def circle_mask(width, height, cx, cy, r):
    x, y = grid(width, height)
    return coverage_from_distance(np.hypot(x - cx, y - cy) - r)


def ellipse_mask(width, height, cx, cy, rx, ry):
    x, y = grid(width, height)
    # Distance scaled to pixels along the smaller radius: good enough for soft edges.
    d = np.hypot((x - cx) / rx, (y - cy) / ry)
    return coverage_from_distance((d - 1.0) * min(rx, ry))


def rounded_rect_mask(width, height, x0, y0, x1, y1, r):
    """A rectangle [x0, x1) x [y0, y1) with corner radius r."""
    x, y = grid(width, height)
    cx = np.clip(x, x0 + r, x1 - r)
    cy = np.clip(y, y0 + r, y1 - r)
    d = np.hypot(x - cx, y - cy) - r
    return coverage_from_distance(d)


def polygon_mask(width, height, points, supersample=4):
    """A filled polygon (list of (x, y)), anti-aliased by supersampling."""
    from PIL import ImageDraw

    big = Image.new("L", (width * supersample, height * supersample), 0)
    ImageDraw.Draw(big).polygon([(px * supersample, py * supersample) for px, py in points], fill=255)
    small = big.resize((width, height), Image.LANCZOS)
    return np.asarray(small, dtype=np.float64) / 255.0


def line_mask(width, height, x0, y0, x1, y1, thickness):
    """A round-capped line segment."""
    x, y = grid(width, height)
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    t = np.clip(((x - x0) * dx + (y - y0) * dy) / (length2 if length2 > 0 else 1.0), 0.0, 1.0)
    d = np.hypot(x - (x0 + t * dx), y - (y0 + t * dy)) - thickness / 2.0
    return coverage_from_distance(d)


def vertical_gradient(width, height, top, bottom):
    """A canvas shading from the top colour to the bottom colour."""
    t = (np.arange(height, dtype=np.float64) + 0.5) / height
    c = np.empty((height, width, 4))
    for ch in range(4):
        c[..., ch] = (top[ch] + (bottom[ch] - top[ch]) * t)[:, None]
    return c


def radial_falloff(width, height, cx, cy, radius, power=2.0):
    """1 at the centre falling to 0 at radius: for glows and soft light."""
    x, y = grid(width, height)
    d = np.clip(np.hypot(x - cx, y - cy) / radius, 0.0, 1.0)
    return (1.0 - d) ** power


def noise(width, height, seed, scale=8.0, octaves=4):
    """Smooth value noise in 0..1, seeded (the same seed gives the same field)."""
    rng = np.random.default_rng(seed)
    result = np.zeros((height, width))
    amplitude, total = 1.0, 0.0
    for octave in range(octaves):
        cell = max(1.0, scale / (2**octave))
        gw, gh = int(width / cell) + 3, int(height / cell) + 3
        lattice = rng.random((gh, gw))
        img = Image.fromarray((lattice * 255).astype(np.uint8), "L")
        up = img.resize((int(gw * cell), int(gh * cell)), Image.BICUBIC)
        arr = np.asarray(up, dtype=np.float64)[:height, :width] / 255.0
        result += arr * amplitude
        total += amplitude
        amplitude *= 0.5
    return result / total


def blur(mask_or_canvas, radius):
    """Gaussian-ish blur (PIL) of a mask or a canvas, for glows and shadows."""
    from PIL import ImageFilter

    if mask_or_canvas.ndim == 2:
        img = Image.fromarray(np.clip(mask_or_canvas * 255 + 0.5, 0, 255).astype(np.uint8), "L")
        return np.asarray(img.filter(ImageFilter.GaussianBlur(radius)), dtype=np.float64) / 255.0
    out = np.empty_like(mask_or_canvas)
    # Blur premultiplied colour so transparent pixels do not bleed black.
    alpha = mask_or_canvas[..., 3]
    a = blur(alpha, radius)
    for ch in range(3):
        pm = blur(mask_or_canvas[..., ch] * alpha, radius)
        out[..., ch] = np.where(a > 1e-6, pm / np.maximum(a, 1e-6), 0.0)
    out[..., 3] = a
    return out


def shadow(c, offset=(2, 2), radius=2.0, strength=0.6):
    """A canvas with a soft dark shadow of c's alpha under c."""
    h, w = c.shape[:2]
    a = c[..., 3]
    shifted = np.zeros_like(a)
    ox, oy = offset
    shifted[max(0, oy):h, max(0, ox):w] = a[0:h - max(0, oy), 0:w - max(0, ox)]
    s = canvas(w, h, (0, 0, 0, 0))
    over(s, (0.0, 0.0, 0.0, strength), blur(shifted, radius))
    over(s, c)
    return s


def paste(dst, src, x, y):
    """Composes src over dst with its top-left at (x, y); parts outside are cut."""
    h, w = src.shape[:2]
    H, W = dst.shape[:2]
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(W, x + w), min(H, y + h)
    if x0 >= x1 or y0 >= y1:
        return dst
    over(dst[y0:y1, x0:x1], src[y0 - y:y1 - y, x0 - x:x1 - x])
    return dst


def to_image(c):
    data = np.clip(c * 255.0 + 0.5, 0, 255).astype(np.uint8)
    return Image.fromarray(data, "RGBA")


def save_png(c, path):
    """Writes an 8-bit RGBA PNG (no timestamps: reproducible), atomically."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    to_image(c).save(tmp, "PNG", optimize=True)
    os.replace(tmp, path)


def save_jpeg(c, path, quality=88):
    """Writes an RGB JPEG (alpha flattened on black), atomically."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    tmp = path + ".tmp"
    to_image(c).convert("RGB").save(tmp, "JPEG", quality=quality, optimize=True)
    os.replace(tmp, path)


def strip(cels):
    """Cels of equal size side by side in one canvas."""
    return np.concatenate(cels, axis=1)


def stack(rows):
    """Rows of equal width one under another."""
    return np.concatenate(rows, axis=0)
