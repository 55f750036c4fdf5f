"""Draws every picture of a game folder on one sheet, for looking over the art at a glance.

    contact_sheet.py GAME_DIR OUT.png

The pictures come from GAME_DIR/properties/resources.xml, in its order, each drawn at its own size
on a checkered tile with its id, size and cel grid (outlined in magenta when the manifest gives rows
or columns). Without a manifest every picture in GAME_DIR/images is shown under its file name. The
bitmap fonts (the manifest's Font entries, or every GAME_DIR/fonts/*.txt) follow as sample lines on
a dark and on a parchment ground."""

import os
import re
import sys

from PIL import Image, ImageDraw, ImageFont

EXTENSIONS = (".png", ".jpg", ".jpeg", ".gif", ".tga")
SHEET_WIDTH = 1400
GAP = 12
LABEL_HEIGHT = 26
SAMPLE = "The Rune Vale awaits, Traveller! 0123456789 AVATAR Wave"


def find_file(game_dir, path):
    """The file a manifest path names: as written, or with one of the picture extensions."""
    full = os.path.join(game_dir, path.replace("\\", "/"))
    if os.path.isfile(full):
        return full
    for ext in EXTENSIONS:
        if os.path.isfile(full + ext):
            return full + ext
    return None


def read_manifest(game_dir):
    """(pictures, fonts): pictures as (id, file, rows, cols), fonts as (id, descriptor file). None
    when there is no manifest."""
    manifest = os.path.join(game_dir, "properties", "resources.xml")
    if not os.path.isfile(manifest):
        return None
    pictures, fonts = [], []
    # The manifest's own reader takes flag attributes without values ("nopal"), which a strict
    # XML parser refuses, so the elements are read one tag at a time. Defaults carry across
    # groups, as the game reads them.
    with open(manifest, encoding="latin-1") as f:
        text = re.sub(r"<!--.*?-->", "", f.read(), flags=re.S)
    path_prefix, id_prefix = "", ""
    for tag, body in re.findall(r"<\s*([A-Za-z]+)([^>]*)>", text):
        attrs = dict(re.findall(r'([A-Za-z_]\w*)(?:\s*=\s*"([^"]*)")?', body))
        if tag == "SetDefaults":
            if "path" in attrs:
                path_prefix = attrs["path"].rstrip("/\\") + "/"
            if "idprefix" in attrs:
                id_prefix = attrs["idprefix"].rstrip("/\\")
            continue
        path = attrs.get("path", "")
        if tag not in ("Image", "Font") or not path or path.startswith("!"):
            continue
        full = path_prefix + path
        res_id = id_prefix + attrs.get("id", os.path.splitext(os.path.basename(full))[0])
        if tag == "Image":
            pictures.append((res_id, find_file(game_dir, full), int(attrs.get("rows") or 1), int(attrs.get("cols") or 1)))
        else:
            fonts.append((res_id, find_file(game_dir, full)))
    return pictures, fonts


def scan_folder(game_dir):
    pictures, fonts = [], []
    images = os.path.join(game_dir, "images")
    if os.path.isdir(images):
        for name in sorted(os.listdir(images)):
            if name.lower().endswith(EXTENSIONS):
                pictures.append((name, os.path.join(images, name), 1, 1))
    font_dir = os.path.join(game_dir, "fonts")
    if os.path.isdir(font_dir):
        for name in sorted(os.listdir(font_dir)):
            if name.endswith(".txt"):
                fonts.append((name, os.path.join(font_dir, name)))
    return pictures, fonts


def checker(width, height, size=8):
    tile = Image.new("RGBA", (width, height), (96, 96, 104, 255))
    draw = ImageDraw.Draw(tile)
    for y in range(0, height, size):
        for x in range((y // size) % 2 * size, width, size * 2):
            draw.rectangle((x, y, x + size - 1, y + size - 1), fill=(124, 124, 132, 255))
    return tile


def picture_tile(res_id, path, rows, cols, label_font):
    """One picture on its checkered ground with a two-line caption under it."""
    if path is None:
        img = None
        w, h = 120, 40
    else:
        img = Image.open(path).convert("RGBA")
        w, h = img.size
    caption_w = int(label_font.getlength(res_id)) + 4
    tile = Image.new("RGBA", (max(w, caption_w, 60), h + LABEL_HEIGHT), (30, 30, 34, 255))
    tile.paste(checker(w, h), (0, 0))
    draw = ImageDraw.Draw(tile)
    if img is None:
        draw.text((4, 12), "missing", fill=(255, 80, 80, 255), font=label_font)
    else:
        tile.alpha_composite(img, (0, 0))
        if rows > 1 or cols > 1:
            for c in range(1, cols):
                x = c * w // cols
                draw.line((x, 0, x, h - 1), fill=(255, 0, 255, 255))
            for r in range(1, rows):
                y = r * h // rows
                draw.line((0, y, w - 1, y), fill=(255, 0, 255, 255))
    grid = f"  {rows}x{cols} cels of {w // cols}x{h // rows}" if rows > 1 or cols > 1 else ""
    draw.text((1, h + 1), res_id, fill=(255, 255, 255, 255), font=label_font)
    draw.text((1, h + 13), f"{w}x{h}{grid}", fill=(170, 200, 255, 255), font=label_font)
    return tile


def parse_descriptor(path):
    """The body and outline glyphs of a font descriptor written by fontsheet, enough to set a line
    of text: {char: (width, body rect, body offset, outline rect, outline offset)} and the layers'
    colours, the shadow offset and the glyph sheet."""
    text = open(path, encoding="utf-8").read()
    defines = {}
    for m in re.finditer(r"Define\s+(\w+)\s+\((.*?)\);", text, re.S):
        defines[m.group(1)] = m.group(2)
    chars = re.findall(r'"((?:\\.|[^"\\])*)"|\'([^\']*)\'', defines.get("Chars", ""))
    chars = [(a or b).replace("\\\\", "\\") for a, b in chars]
    widths = [int(v) for v in defines.get("Widths", "").split()]

    def tuples(name):
        return [tuple(int(v) for v in t.split()) for t in re.findall(r"\(([-\d\s]+)\)", defines.get(name, ""))]

    body_rects, body_offsets = tuples("BodyRects"), tuples("BodyOffsets")
    out_rects, out_offsets = tuples("OutlineRects"), tuples("OutlineOffsets")
    glyphs = {}
    for i, ch in enumerate(chars):
        glyphs[ch] = (
            widths[i] if i < len(widths) else 0,
            body_rects[i] if i < len(body_rects) else (0, 0, 0, 0),
            body_offsets[i] if i < len(body_offsets) else (0, 0),
            out_rects[i] if i < len(out_rects) else None,
            out_offsets[i] if i < len(out_offsets) else None,
        )

    def colour(layer):
        m = re.search(r"LayerSetColorMult %s \(([\d.\s]+)\)" % layer, text)
        return tuple(float(v) for v in m.group(1).split()) if m else None

    shadow = re.search(r"LayerSetOffset Shadow \((-?\d+) (-?\d+)\)", text)
    shadow_min = re.search(r"LayerPointRange Shadow (-?\d+)", text)
    point = re.search(r"SetDefaultPointSize (\d+)", text)
    has_shadow = shadow is not None and not (shadow_min and point and int(shadow_min.group(1)) > int(point.group(1)))
    sheet = re.search(r'LayerSetImage Main "([^"]+)"', text).group(1)
    height = re.search(r"LayerSetHeight Main (\d+)", text)
    spacing = re.search(r"LayerSetSpacing Main (-?\d+)", text)
    return {
        "glyphs": glyphs,
        "sheet": Image.open(os.path.join(os.path.dirname(path), sheet)).convert("RGBA"),
        "body": colour("Main") or (1, 1, 1, 1),
        "outline": colour("Outline"),
        "shadow": colour("Shadow") if has_shadow else None,
        "shadow_offset": (int(shadow.group(1)), int(shadow.group(2))) if shadow else (0, 0),
        "height": int(height.group(1)) if height else 20,
        "spacing": int(spacing.group(1)) if spacing else 0,
    }


def tinted(glyph, rgba, draw_colour):
    """A white glyph in the layer colour times the colour the game draws with."""
    r, g, b, a = (rgba[i] * draw_colour[i] / 255.0 for i in range(4))
    alpha = glyph.getchannel("A").point(lambda v: int(v * a + 0.5))
    out = Image.new("RGBA", glyph.size, (int(r * 255), int(g * 255), int(b * 255), 0))
    out.putalpha(alpha)
    return out


def set_line(font, text, draw_colour):
    """The text in the font as the game draws it: shadow, outline, then body."""
    width = sum(font["glyphs"].get(ch, (0,))[0] + font["spacing"] for ch in text) + 8
    line = Image.new("RGBA", (width, font["height"] + 6), (0, 0, 0, 0))
    layers = []
    if font["shadow"]:
        layers.append((1, font["shadow"], font["shadow_offset"]))
    if font["outline"]:
        layers.append((3, font["outline"], (0, 0)))
    layers.append((1, font["body"], (0, 0)))
    for rect_index, rgba, (dx, dy) in layers:
        x = 2
        for ch in text:
            glyph = font["glyphs"].get(ch)
            if glyph is None:
                continue
            rect, offset = glyph[rect_index], glyph[rect_index + 1]
            if rect and rect[2] > 0 and rect[3] > 0:
                piece = font["sheet"].crop((rect[0], rect[1], rect[0] + rect[2], rect[1] + rect[3]))
                line.alpha_composite(tinted(piece, rgba, draw_colour), (x + offset[0] + dx, 2 + offset[1] + dy))
            x += glyph[0] + font["spacing"]
    return line


def font_tile(res_id, path, label_font):
    if path is None or not os.path.isfile(path):
        tile = Image.new("RGBA", (300, 30), (30, 30, 34, 255))
        ImageDraw.Draw(tile).text((2, 2), f"{res_id}: missing", fill=(255, 80, 80, 255), font=label_font)
        return tile
    font = parse_descriptor(path)
    grounds = [((52, 32, 18, 255), (205, 235, 255, 255)), ((236, 222, 186, 255), (50, 40, 20, 255)), ((236, 222, 186, 255), (255, 255, 255, 255))]
    lines = [set_line(font, SAMPLE, colour) for _, colour in grounds]
    width = max(l.width for l in lines) + 8
    tile = Image.new("RGBA", (width, 14 + sum(l.height + 4 for l in lines)), (30, 30, 34, 255))
    ImageDraw.Draw(tile).text((1, 1), f"{res_id} ({os.path.basename(path)})", fill=(255, 255, 255, 255), font=label_font)
    y = 14
    for (ground, _), line in zip(grounds, lines):
        tile.paste(Image.new("RGBA", (width, line.height + 4), ground), (0, y))
        tile.alpha_composite(line, (4, y + 2))
        y += line.height + 4
    return tile


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    game_dir, out = argv[1], argv[2]
    listed = read_manifest(game_dir)
    pictures, fonts = listed if listed is not None else scan_folder(game_dir)
    label_font = ImageFont.load_default()
    tiles = [picture_tile(*p, label_font) for p in pictures] + [font_tile(*f, label_font) for f in fonts]
    # Shelf packing: left to right, a new row when the next tile does not fit.
    width = max([SHEET_WIDTH] + [t.width + 2 * GAP for t in tiles])
    placed, x, y, row_h = [], GAP, GAP, 0
    for t in tiles:
        if x + t.width + GAP > width and x > GAP:
            x, y, row_h = GAP, y + row_h + GAP, 0
        placed.append((t, x, y))
        x += t.width + GAP
        row_h = max(row_h, t.height)
    sheet = Image.new("RGBA", (width, y + row_h + GAP), (20, 20, 24, 255))
    for t, tx, ty in placed:
        sheet.alpha_composite(t, (tx, ty))
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    sheet.convert("RGB").save(out, "PNG")
    print(f"contact_sheet: {len(pictures)} pictures, {len(fonts)} fonts in {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
