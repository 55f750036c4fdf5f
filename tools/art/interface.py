"""The interface pictures shared by every screen: menu and dialog buttons, the dialog frame, check
box, slider, speech balloon, mouse cursor and the help dialog's mouse pictures.

One look throughout: dark carved wood framed in brass, light parchment for panels that carry dark
text, light falling from the top left. Labels are never drawn here (the game writes them)."""

import numpy as np

import artlib as A

# Palette.
WOOD_DARK = np.array(A.rgba("2b180c")[:3])
WOOD_MID = np.array(A.rgba("5a341b")[:3])
WOOD_LIGHT = np.array(A.rgba("84552e")[:3])
BRASS_HI = np.array(A.rgba("fbe7a6")[:3])
BRASS_MID = np.array(A.rgba("c99a45")[:3])
BRASS_LO = np.array(A.rgba("6e4a17")[:3])
PARCH_HI = np.array(A.rgba("f7ecd0")[:3])
PARCH_LO = np.array(A.rgba("e0c795")[:3])
INK = np.array(A.rgba("2a160a")[:3])
GEM = np.array(A.rgba("2f9fb0")[:3])
GEM_GLOW = np.array(A.rgba("8ff3ff")[:3])
EMBER = np.array(A.rgba("ff9a3a")[:3])


# --- helpers -----------------------------------------------------------------------------------


def sdf_rrect(w, h, x0, y0, x1, y1, r):
    """Signed distance (negative inside) to a rounded rectangle [x0, x1) x [y0, y1)."""
    x, y = A.grid(w, h)
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    qx = np.abs(x - cx) - ((x1 - x0) / 2.0 - r)
    qy = np.abs(y - cy) - ((y1 - y0) / 2.0 - r)
    outside = np.hypot(np.maximum(qx, 0), np.maximum(qy, 0))
    inside = np.minimum(np.maximum(qx, qy), 0)
    return outside + inside - r


def sdf_circle(w, h, cx, cy, r):
    x, y = A.grid(w, h)
    return np.hypot(x - cx, y - cy) - r


def smooth(e0, e1, v):
    t = np.clip((v - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def periodic_noise(w, h, seed, period, softness=3.0):
    """Noise in 0..1 that repeats every `period` pixels in x and y: tiles of nine-sliced pictures
    repeat without seams."""
    rng = np.random.default_rng(seed)
    white = rng.random((period, period))
    f = np.fft.fftfreq(period)
    fx, fy = np.meshgrid(f, f)
    lowpass = np.exp(-((fx**2 + fy**2) * (softness * period / 6.0) ** 2))
    tile = np.real(np.fft.ifft2(np.fft.fft2(white) * lowpass))
    tile = (tile - tile.min()) / max(1e-9, tile.max() - tile.min())
    reps = (h // period + 1, w // period + 1)
    return np.tile(tile, reps)[:h, :w]


def lerp3(a, b, t):
    """Per-pixel mix of two colours (t: HxW) as an HxWx3 array."""
    return a[None, None, :] * (1 - t[..., None]) + b[None, None, :] * t[..., None]


def emboss(height, blur_radius=0.8, strength=1.0):
    """Light from the top left on a height field: positive on lit slopes, negative in shade."""
    hgt = A.blur(np.clip(height * 0.5 + 0.5, 0, 1), blur_radius) * 2 - 1 if blur_radius else height
    gy, gx = np.gradient(hgt)
    return np.clip(-(gx + gy) * strength, -1.0, 1.0)


def shade(rgb, light):
    """Lightens towards warm white on positive light, darkens on negative."""
    pos = np.clip(light, 0, 1)[..., None]
    neg = np.clip(-light, 0, 1)[..., None]
    out = rgb + (np.array([1.0, 0.96, 0.85]) - rgb) * pos * 0.85
    return out * (1 - neg * 0.75)


def compose(rgb, alpha):
    c = np.zeros(rgb.shape[:2] + (4,))
    c[..., :3] = np.clip(rgb, 0, 1)
    c[..., 3] = np.clip(alpha, 0, 1)
    return c


def wood(w, h, seed, vertical=False):
    """Wood grain: wavy lines along x (or y), dark to light."""
    n = A.noise(w, h, seed, scale=10.0)
    x, y = A.grid(w, h)
    across = x if vertical else y
    along = y if vertical else x
    grain = 0.5 + 0.5 * np.sin(across * 1.3 + n * 9.0 + np.sin(along * 0.05) * 1.5)
    fine = A.noise(w, h, seed + 1, scale=2.0)
    t = np.clip(0.25 + 0.45 * grain + 0.3 * (fine - 0.5), 0, 1)
    return lerp3(WOOD_DARK, WOOD_MID, t) * (0.9 + 0.2 * n[..., None])


def brass(w, h, y0, y1):
    """Brass shading from light at the top to dark at the bottom of the span y0..y1."""
    _, y = A.grid(w, h)
    t = np.clip((y - y0) / max(1.0, y1 - y0), 0, 1)
    hi = lerp3(BRASS_HI, BRASS_MID, np.clip(t * 2, 0, 1))
    lo = lerp3(BRASS_MID, BRASS_LO, np.clip(t * 2 - 1, 0, 1))
    return np.where((t < 0.5)[..., None], hi, lo)


def gem(c, cx, cy, r, glow=0.0, colour=GEM, glow_colour=GEM_GLOW):
    """A round cut gem in a brass setting, optionally glowing."""
    h, w = c.shape[:2]
    if glow > 0:
        halo = A.radial_falloff(w, h, cx, cy, r * 3.2, 2.0) * glow
        A.add(c, tuple(glow_colour) + (1.0,), halo * 0.7)
    setting = A.coverage_from_distance(sdf_circle(w, h, cx, cy, r + 1.6))
    ring = brass(w, h, cy - r - 2, cy + r + 2)
    lit = shade(ring, emboss(setting * 2 - 1, 0.6, 1.2))
    A.over(c, compose(lit, setting))
    body = A.coverage_from_distance(sdf_circle(w, h, cx, cy, r))
    x, y = A.grid(w, h)
    d = np.clip(np.hypot(x - cx + r * 0.35, y - cy + r * 0.35) / (r * 1.6), 0, 1)
    col = lerp3(colour * (1 + glow * 0.5) + glow * 0.2, colour * 0.35, d)
    A.over(c, compose(col, body))
    spark = A.coverage_from_distance(sdf_circle(w, h, cx - r * 0.35, cy - r * 0.4, max(0.7, r * 0.28)))
    A.add(c, (1, 1, 1, 1), spark * 0.85)


def drop_shadow(c, offset, radius, strength):
    return A.shadow(c, offset=offset, radius=radius, strength=strength)


# --- buttons -----------------------------------------------------------------------------------


def plaque(w, h, radius, rim, state, seed, gems=False):
    """A wooden plaque in a brass rim: state 0 normal, 1 mouse over, 2 pressed. The pressed one is
    sunk one pixel down and right, as the label moves with it."""
    push = 1 if state == 2 else 0
    x0, y0, x1, y1 = 1 + push, 1 + push, w - 3 + push, h - 3 + push
    s = sdf_rrect(w, h, x0, y0, x1, y1, radius)
    depth = -s
    alpha = A.coverage_from_distance(s)
    inner = smooth(rim - 0.5, rim + 0.5, depth)
    # Height: a rounded rim, the panel sunk below it, an engraved line around the panel.
    rim_h = np.sin(np.clip(depth / rim, 0, 1) * np.pi) * (1 - inner)
    groove = np.exp(-(((depth - rim - 3.5) / 0.7) ** 2)) * (0.35 if min(w, h) > 40 else 0.0)
    sink = -(0.25 if state != 2 else 0.55) * inner
    height = rim_h + sink - groove
    light = emboss(height, 0.7, 1.4)

    panel = wood(w, h, seed)
    x, y = A.grid(w, h)
    # Panel lit from the top left, darker towards its rim.
    vign = smooth(rim, rim + min(w, h) * 0.45, depth)
    tl = np.clip(1.0 - ((x - x0) / w + (y - y0) / h) * 0.5, 0, 1)
    panel = panel * (0.7 + 0.3 * vign[..., None]) * (0.85 + 0.3 * tl[..., None])
    if state == 1:
        panel = panel * 1.18 + np.array([0.05, 0.03, 0.0])
    if state == 2:
        panel = panel * 0.78
    metal = brass(w, h, y0, y1)
    if state == 1:
        metal = np.clip(metal * 1.12 + 0.04, 0, 1)
    rgb = metal * (1 - inner[..., None]) + panel * inner[..., None]
    rgb = shade(rgb, light)
    # Dark hairline at the outer edge for crispness.
    edge = np.clip(1 - np.abs(depth - 0.6) / 0.9, 0, 1)
    rgb = rgb * (1 - edge[..., None] * 0.55)
    c = compose(rgb, alpha)
    if state == 1:
        # A warm glow inside the panel, strongest at its top.
        glow = smooth(rim, rim + 6, depth) * np.clip(1.2 - (y - y0) / (y1 - y0), 0, 1) * 0.18
        A.add(c, (1.0, 0.75, 0.35, 1.0), glow * alpha)
    if gems:
        cy = (y0 + y1) / 2.0
        # Set into the rim itself, so the label has the whole panel.
        for gx in (x0 + rim / 2.0, x1 - rim / 2.0):
            gem(c, gx, cy, 3.4, glow=0.9 if state == 1 else 0.0)
    return drop_shadow(c, (2 - push, 2 - push), 1.6, 0.55)


def exit_medallion(state):
    """The round exit button: a brass ring holding a dark stone disc with a faint ring of notches;
    the ring glows ember-red under the mouse."""
    size = 69
    push = 1 if state == 2 else 0
    cx, cy, r = 33.0 + push, 33.0 + push, 31.0
    s = sdf_circle(size, size, cx, cy, r)
    depth = -s
    alpha = A.coverage_from_distance(s)
    rim = 6.0
    inner = smooth(rim - 0.5, rim + 0.5, depth)
    x, y = A.grid(size, size)
    ang = np.arctan2(y - cy, x - cx)
    notches = (np.cos(ang * 12) > 0.6) * np.exp(-(((depth - rim - 3.0) / 1.0) ** 2)) * 0.5
    height = np.sin(np.clip(depth / rim, 0, 1) * np.pi) * (1 - inner) - (0.3 if state != 2 else 0.6) * inner - notches
    light = emboss(height, 0.7, 1.6)
    stone = lerp3(np.array(A.rgba("3b2a22")[:3]), np.array(A.rgba("5b3f31")[:3]), A.noise(size, size, 71, 6.0))
    tl = np.clip(1.0 - ((x - cx) + (y - cy)) / (4 * r) - 0.25, 0, 1)
    stone = stone * (0.75 + 0.45 * tl[..., None])
    if state == 1:
        stone = stone * 1.15 + np.array([0.08, 0.02, 0.0])
    if state == 2:
        stone = stone * 0.75
    metal = brass(size, size, cy - r, cy + r)
    rgb = shade(metal * (1 - inner[..., None]) + stone * inner[..., None], light)
    edge = np.clip(1 - np.abs(depth - 0.6) / 0.9, 0, 1)
    rgb = rgb * (1 - edge[..., None] * 0.55)
    c = compose(rgb, alpha)
    if state == 1:
        ring = np.exp(-(((depth - rim - 1.5) / 2.5) ** 2)) * alpha
        A.add(c, tuple(EMBER) + (1.0,), ring * 0.55)
    return drop_shadow(c, (2 - push, 2 - push), 1.6, 0.55)


# --- dialog frame ------------------------------------------------------------------------------


def dialog_frame():
    """108 x 108, drawn nine-sliced in thirds of 36: the corners carry brass caps with a gem, the
    edge pieces are the same across their length and the parchment repeats every 36 pixels, so any
    dialog size joins without seams."""
    n, third = 108, 36
    s = sdf_rrect(n, n, 0.5, 0.5, n - 0.5, n - 0.5, 9.0)
    depth = -s
    alpha = A.coverage_from_distance(s)
    tex = periodic_noise(n, n, 5, third, 1.2)
    fine = periodic_noise(n, n, 6, third, 0.35)
    x, y = A.grid(n, n)
    # Bands from the outside: brass rim 0..4, wood 4..15, brass bead 15..18, parchment inside.
    t_wood = smooth(3.5, 4.5, depth)
    t_bead = smooth(14.5, 15.5, depth)
    t_parch = smooth(17.5, 18.5, depth)
    grain = 0.5 + 0.5 * np.sin(depth * 2.2 + tex * 7.0)
    wood_rgb = lerp3(WOOD_DARK, WOOD_LIGHT * 0.85, np.clip(0.2 + 0.5 * grain + 0.3 * (fine - 0.5), 0, 1))
    metal = lerp3(BRASS_HI, BRASS_LO, np.clip(0.35 + 0.5 * (tex - 0.5), 0, 1))
    parch = lerp3(PARCH_LO, PARCH_HI, np.clip(0.55 + 0.9 * (tex - 0.5) + 0.3 * (fine - 0.5), 0, 1))
    # Parchment darkens under the frame's inner lip.
    parch = parch * (0.82 + 0.18 * smooth(18, 28, depth))[..., None]
    rgb = metal
    rgb = rgb * (1 - t_wood[..., None]) + wood_rgb * t_wood[..., None]
    rgb = rgb * (1 - t_bead[..., None]) + metal * t_bead[..., None]
    rgb = rgb * (1 - t_parch[..., None]) + parch * t_parch[..., None]
    height = (
        np.sin(np.clip(depth / 4.0, 0, 1) * np.pi) * (1 - t_wood)
        + (0.35 + 0.08 * grain) * t_wood * (1 - t_bead)
        + np.sin(np.clip((depth - 15) / 3.0, 0, 1) * np.pi) * t_bead * (1 - t_parch)
        - 0.2 * t_parch
    )
    rgb = shade(rgb, emboss(height, 0.6, 1.5))
    edge = np.clip(1 - np.abs(depth - 0.6) / 0.9, 0, 1)
    rgb = rgb * (1 - edge[..., None] * 0.6)
    c = compose(rgb, alpha)
    # Corner caps: a brass diamond with a gem, kept inside each 36 x 36 corner piece.
    for cx, cy in ((10.5, 10.5), (n - 10.5, 10.5), (10.5, n - 10.5), (n - 10.5, n - 10.5)):
        pts = [(cx, cy - 10), (cx + 10, cy), (cx, cy + 10), (cx - 10, cy)]
        m = A.polygon_mask(n, n, pts)
        cap = shade(brass(n, n, cy - 10, cy + 10), emboss(m * 2 - 1, 1.0, 1.6))
        capc = compose(cap, m)
        A.over(c, A.shadow(capc, (1, 1), 1.0, 0.5))
        gem(c, cx, cy, 3.6, glow=0.25)
    return c


# --- small widgets -----------------------------------------------------------------------------


def button_frame():
    """IMAGE_BUTTON, 112 x 29: the dialog button, a plaque sized to the buttons the dialogs make,
    so the nine-slice draws it one to one."""
    return plaque(112, 29, 7, 3.0, 0, 41)


def check_box():
    """Two 22 x 25 parts: an empty brass-rimmed socket, and the same holding a glowing rune tick."""
    cels = []
    for checked in (False, True):
        w, h = 22, 25
        s = sdf_rrect(w, h, 1.5, 3.0, 19.5, 21.0, 4.0)
        depth = -s
        alpha = A.coverage_from_distance(s)
        inner = smooth(2.5, 3.5, depth)
        height = np.sin(np.clip(depth / 3, 0, 1) * np.pi) * (1 - inner) - 0.5 * inner
        well = wood(w, h, 90) * 0.6
        rgb = shade(brass(w, h, 3, 21) * (1 - inner[..., None]) + well * inner[..., None], emboss(height, 0.5, 1.6))
        edge = np.clip(1 - np.abs(depth - 0.6) / 0.9, 0, 1)
        c = compose(rgb * (1 - edge[..., None] * 0.55), alpha)
        c = A.shadow(c, (1, 1), 1.0, 0.5)
        if checked:
            tick = np.maximum(A.line_mask(w, h, 5.5, 12.0, 9.5, 16.5, 3.2), A.line_mask(w, h, 9.5, 16.5, 19.0, 4.5, 3.2))
            A.add(c, (0.55, 1.0, 0.6, 1.0), A.blur(tick, 2.0) * 0.7)
            col = lerp3(np.array(A.rgba("eaffc8")[:3]), np.array(A.rgba("56d27a")[:3]), np.clip(A.grid(w, h)[1] / h, 0, 1))
            A.over(c, A.shadow(compose(col, tick), (1, 1), 0.8, 0.6))
        cels.append(c)
    return A.strip(cels)


def slider_track():
    """Three 14 x 12 cels: the left end, the middle (repeated along the slider) and the right end
    of a sunken groove in a brass rim."""
    w, h = 42, 12
    # One long groove, cut into thirds: the middle third is the same in every column.
    s = sdf_rrect(w, h, 0.5, 0.5, w - 0.5, h - 0.5, 5.5)
    depth = -s
    alpha = A.coverage_from_distance(s)
    inner = smooth(2.0, 3.0, depth)
    height = np.sin(np.clip(depth / 2.5, 0, 1) * np.pi) * (1 - inner) - 0.6 * inner
    _, y = A.grid(w, h)
    groove = lerp3(np.array(A.rgba("120a05")[:3]), np.array(A.rgba("3d2614")[:3]), np.clip(y / h, 0, 1))
    rgb = shade(brass(w, h, 0, h) * (1 - inner[..., None]) + groove * inner[..., None], emboss(height, 0.5, 1.4))
    edge = np.clip(1 - np.abs(depth - 0.6) / 0.9, 0, 1)
    return compose(rgb * (1 - edge[..., None] * 0.5), alpha)


def slider_thumb():
    """18 x 25: a brass knob with a rune gem, grooved for the fingers."""
    w, h = 18, 25
    s = sdf_rrect(w, h, 1.0, 1.0, 15.5, 22.5, 5.0)
    depth = -s
    alpha = A.coverage_from_distance(s)
    _, y = A.grid(w, h)
    ridges = np.where(np.abs(y - 12) > 6, 0.25 * np.sin(y * 2.2), 0)
    height = np.clip(depth / 3.5, 0, 1) + ridges * smooth(2, 3, depth)
    rgb = shade(brass(w, h, 1, 22), emboss(height, 0.5, 1.5))
    edge = np.clip(1 - np.abs(depth - 0.6) / 0.9, 0, 1)
    c = compose(rgb * (1 - edge[..., None] * 0.6), alpha)
    gem(c, 8.25, 11.75, 3.2, glow=0.3)
    return A.shadow(c, (1, 1), 1.0, 0.55)


def balloon():
    """272 x 168 speech balloon of the main menu, drawn at (175, 100): a cream parchment cloud whose
    text area (the hint rectangle, 95..245 x 20..120 inside the picture) is plain, with its tail
    pointing down and left."""
    w, h = 272, 168
    x, y = A.grid(w, h)
    cx, cy, rx, ry = 170.0, 70.0, 96.0, 63.0
    p = (np.abs((x - cx) / rx) ** 4 + np.abs((y - cy) / ry) ** 4) ** 0.25
    body = A.coverage_from_distance((p - 1.0) * min(rx, ry))
    tail = A.polygon_mask(w, h, [(98, 112), (138, 128), (70, 146), (16, 162), (52, 138)])
    shape = np.maximum(body, tail)
    outline = np.clip(A.blur(shape, 1.1) * 1.6, 0, 1)
    bg = np.zeros((h, w, 4))
    A.over(bg, tuple(INK) + (1.0,), outline)
    inner = np.clip(shape - (1 - A.blur(shape, 2.5)) * 0.0, 0, 1)
    t = np.clip(((x - 70) / w + (y - 6) / h) * 0.65, 0, 1)
    fill = lerp3(np.array([1.0, 0.985, 0.93]), PARCH_LO * 1.02, t)
    n = A.noise(w, h, 123, 12.0)
    fill = fill * (0.97 + 0.05 * n[..., None])
    # Soft shading inside the edge, light on the top left.
    rim = 1 - A.blur(shape, 4.0)
    light = emboss(A.blur(shape, 3.0) * 2 - 1, 0, 6.0)
    fill = shade(fill, light * 0.6)
    fill = fill * (1 - np.clip(rim, 0, 1)[..., None] * 0.25)
    shrunk = np.clip((A.blur(shape, 0.8) - 0.45) * 3.0, 0, 1)
    A.over(bg, compose(fill, shrunk * inner))
    return A.shadow(bg, (3, 4), 3.0, 0.45)


def cursor():
    """32 x 32 pointer, its tip at (0, 0): a gold arrow with a dark rim and a small rune gem."""
    w = 32
    pts = [(1, 1), (1, 22), (6.5, 17), (10.5, 26), (14, 24.5), (10.2, 15.8), (17.5, 15.8)]
    m = A.polygon_mask(w, w, pts)
    grown = np.clip(A.blur(m, 0.9) * 2.2, 0, 1)
    c = np.zeros((w, w, 4))
    A.over(c, tuple(INK) + (1.0,), grown)
    body = np.clip((A.blur(m, 0.5) - 0.5) * 3.0 + 0.5, 0, 1) * m
    rgb = shade(brass(w, w, 1, 26), emboss(A.blur(m, 1.5) * 2 - 1, 0, 3.0))
    A.over(c, compose(rgb, body))
    gem(c, 6.0, 13.0, 2.2, glow=0.4)
    return A.shadow(c, (2, 2), 1.2, 0.5)


def mouse_picture(w, h, mx, highlight, arrows=False):
    """A parchment-white mouse with a dark outline; `highlight` is "left", "right" or None: that
    button glows. With arrows, a left and a right arrow beside it (moving the mouse)."""
    c = np.zeros((h, w, 4))
    bw, bh = 22.0, 32.0
    x0, y0 = mx, 3.0
    s = sdf_rrect(w, h, x0, y0, x0 + bw, y0 + bh, 10.0)
    body = A.coverage_from_distance(s)
    outline = A.coverage_from_distance(s - 1.4)
    A.over(c, tuple(INK) + (1.0,), outline)
    x, y = A.grid(w, h)
    t = np.clip(((x - x0) / bw + (y - y0) / bh) * 0.5, 0, 1)
    fill = lerp3(np.array([1.0, 0.98, 0.92]), PARCH_LO * 0.9, t)
    A.over(c, compose(fill, body))
    split_y = y0 + 13.0
    mid = x0 + bw / 2
    lines = np.maximum(A.line_mask(w, h, x0 + 1, split_y, x0 + bw - 1, split_y, 1.3), A.line_mask(w, h, mid, y0 + 1, mid, split_y, 1.3))
    if highlight:
        side = (x < mid) if highlight == "left" else (x >= mid)
        region = body * side * (y < split_y)
        A.over(c, compose(lerp3(np.array(A.rgba("ffd36a")[:3]), EMBER, np.clip((y - y0) / 13, 0, 1)), region * 0.95))
        A.add(c, tuple(EMBER) + (1.0,), A.blur(region, 2.0) * 0.35)
    A.over(c, tuple(INK) + (1.0,), lines * 0.9)
    # The wheel.
    A.over(c, tuple(INK) + (1.0,), A.coverage_from_distance(sdf_rrect(w, h, mid - 1.5, y0 + 4, mid + 1.5, y0 + 10, 1.5)))
    if arrows:
        for sgn, ax in ((-1, x0 - 3.0), (1, x0 + bw + 3.0)):
            tip = ax + sgn * 7.0
            head = A.polygon_mask(w, h, [(tip, 20), (ax, 14.5), (ax, 25.5)])
            A.over(c, tuple(INK) + (1.0,), np.clip(A.blur(head, 0.8) * 2.2, 0, 1))
            A.over(c, (1.0, 0.83, 0.45, 1.0), np.clip((head - 0.35) * 2, 0, 1))
    return A.shadow(c, (1, 2), 1.2, 0.35)


def build(out_dir):
    pictures = {
        "menubutton": plaque(171, 73, 14, 5.0, 0, 11, gems=True),
        "focmenubutton": plaque(171, 73, 14, 5.0, 1, 11, gems=True),
        "pressmenubutton": plaque(171, 73, 14, 5.0, 2, 11, gems=True),
        "hmbutton": plaque(118, 30, 8, 3.0, 0, 23),
        "fochmbutton": plaque(118, 30, 8, 3.0, 1, 23),
        "presshmbutton": plaque(118, 30, 8, 3.0, 2, 23),
        "exitbutton": exit_medallion(0),
        "exitbuttonf": exit_medallion(1),
        "exitbuttonp": exit_medallion(2),
        "button": button_frame(),
        "dialog": dialog_frame(),
        "check_box": check_box(),
        "slider": slider_track(),
        "thumb": slider_thumb(),
        "baloon": balloon(),
        "cus_cursor": cursor(),
        "mouse_move": mouse_picture(44, 38, 11.0, None, arrows=True),
        "mouse_shoot": mouse_picture(30, 38, 3.0, "left"),
        "mouse_changer": mouse_picture(30, 38, 3.0, "right"),
    }
    written = []
    for name, picture in pictures.items():
        path = f"{out_dir}/{name}.png"
        A.save_png(picture, path)
        written.append(f"{name}.png")
    return written
