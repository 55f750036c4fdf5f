"""The game's icon: three runes (red, green, blue) clustered on a dark violet tile, the way they
hang in the field. One geometry in a unit square gives the raster sizes and the scalable SVG, so
the two always agree.

    icon.py OUT_DIR      writes OUT_DIR/hicolor/SIZExSIZE/apps/APP_ID.png for every size and
                         OUT_DIR/hicolor/scalable/apps/APP_ID.svg

As a family of build_art.py it writes images/icon.png, the window's icon."""

import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artlib  # noqa: E402

APP_ID = "net.kvorn.MiroVale"
SIZES = [16, 22, 24, 32, 48, 64, 128, 256, 512]
WINDOW_ICON_SIZE = 64

TILE = (0.04, 0.04, 0.96, 0.96)  # x0, y0, x1, y1
TILE_RADIUS = 0.2
TILE_TOP, TILE_BOTTOM = "#3a2d6e", "#171231"
TILE_EDGE = "#6a5cb0"
# Centre x, centre y, colour, lighter colour; the lowest rune is drawn last, in front.
RUNES = [
    (0.335, 0.385, "#d8443a", "#ff9c82"),
    (0.665, 0.385, "#3b78d8", "#9cc4ff"),
    (0.5, 0.67, "#3aa957", "#a6f0a8"),
]
RUNE_RADIUS = 0.2
GLYPH = "#fff4d8"


def glyph_points(cx, cy, r):
    """A diamond, the rune's mark."""
    s = r * 0.42
    return [(cx, cy - s), (cx + s * 0.7, cy), (cx, cy + s), (cx - s * 0.7, cy)]


def draw(size):
    """The icon as a canvas of size x size pixels."""
    c = artlib.canvas(size, size)
    x0, y0, x1, y1 = (v * size for v in TILE)
    tile = artlib.rounded_rect_mask(size, size, x0, y0, x1, y1, TILE_RADIUS * size)
    inner = artlib.rounded_rect_mask(
        size, size, x0 + size * 0.025, y0 + size * 0.025, x1 - size * 0.025, y1 - size * 0.025, TILE_RADIUS * size * 0.9
    )
    artlib.over(c, artlib.rgba(TILE_EDGE), tile)
    artlib.over(c, artlib.vertical_gradient(size, size, artlib.rgba(TILE_TOP), artlib.rgba(TILE_BOTTOM)), inner)
    r = RUNE_RADIUS * size
    for cx, cy, colour, light in RUNES:
        cx, cy = cx * size, cy * size
        # A dark rim, the stone, a light from the upper left, and the mark.
        artlib.over(c, (0.05, 0.03, 0.08, 0.9), artlib.circle_mask(size, size, cx, cy, r + max(0.6, size * 0.012)))
        artlib.over(c, artlib.rgba(colour), artlib.circle_mask(size, size, cx, cy, r))
        highlight = artlib.circle_mask(size, size, cx - r * 0.28, cy - r * 0.3, r * 0.5)
        artlib.over(c, artlib.rgba(light, 0.55), highlight * artlib.circle_mask(size, size, cx, cy, r))
        if size >= 32:
            artlib.over(c, artlib.rgba(GLYPH, 0.9), artlib.polygon_mask(size, size, glyph_points(cx, cy, r)))
    return c


def svg():
    """The same icon as a scalable SVG in a 512 x 512 view."""
    s = 512.0
    x0, y0, x1, y1 = (v * s for v in TILE)
    parts = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="512" height="512" viewBox="0 0 512 512">',
        "<defs>",
        f'<linearGradient id="tile" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{TILE_TOP}"/>'
        f'<stop offset="1" stop-color="{TILE_BOTTOM}"/></linearGradient>',
    ]
    for i, (_, _, colour, light) in enumerate(RUNES):
        parts.append(
            f'<radialGradient id="rune{i}" cx="0.36" cy="0.35" r="0.75"><stop offset="0" stop-color="{light}"/>'
            f'<stop offset="0.45" stop-color="{colour}"/><stop offset="1" stop-color="{colour}"/></radialGradient>'
        )
    parts.append("</defs>")
    radius = TILE_RADIUS * s
    parts.append(
        f'<rect x="{x0:.1f}" y="{y0:.1f}" width="{x1 - x0:.1f}" height="{y1 - y0:.1f}" rx="{radius:.1f}" '
        f'fill="url(#tile)" stroke="{TILE_EDGE}" stroke-width="{s * 0.025:.1f}"/>'
    )
    r = RUNE_RADIUS * s
    for i, (cx, cy, _, _) in enumerate(RUNES):
        cx, cy = cx * s, cy * s
        parts.append(
            f'<circle cx="{cx:.1f}" cy="{cy:.1f}" r="{r:.1f}" fill="url(#rune{i})" stroke="#0d0814" '
            f'stroke-opacity="0.9" stroke-width="{s * 0.012:.1f}"/>'
        )
        points = " ".join(f"{px:.1f},{py:.1f}" for px, py in glyph_points(cx, cy, r))
        parts.append(f'<polygon points="{points}" fill="{GLYPH}" fill-opacity="0.9"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def build(out_dir):
    """build_art.py family: the window's icon."""
    artlib.save_png(draw(WINDOW_ICON_SIZE), os.path.join(out_dir, "icon.png"))
    return ["icon.png"]


def write_theme(out_dir):
    names = []
    for size in SIZES:
        folder = os.path.join(out_dir, "hicolor", f"{size}x{size}", "apps")
        os.makedirs(folder, exist_ok=True)
        # Small sizes are drawn large and reduced, so their edges stay clean.
        big = draw(size * 4) if size < 64 else draw(size)
        if size < 64:
            from PIL import Image

            image = artlib.to_image(big).resize((size, size), Image.LANCZOS)
            path = os.path.join(folder, APP_ID + ".png")
            image.save(path, optimize=True)
        else:
            path = os.path.join(folder, APP_ID + ".png")
            artlib.save_png(big, path)
        names.append(path)
    folder = os.path.join(out_dir, "hicolor", "scalable", "apps")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, APP_ID + ".svg")
    with open(path, "w", encoding="utf-8") as f:
        f.write(svg())
    names.append(path)
    return names


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    names = write_theme(argv[1])
    print(f"icon: {len(names)} icons in {argv[1]}")
    return 0


if __name__ == "__main__":
    np.seterr(all="ignore")
    sys.exit(main(sys.argv))
