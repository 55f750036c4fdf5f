"""Composes a still of a stage in play from the built pictures, at the positions the board uses,
to judge the board pictures together.

    mock_board.py IMAGES_DIR OUT.png

The area background (bkg1.jpg) and boss (boss1.png) are used when they have been built; otherwise
a plain dark gradient stands in and the boss is left out. HUD texts are set in DejaVu Sans as a
stand-in for the game's bitmap font."""

import os
import sys

import numpy as np
from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def home(row, col):
    return 118 + 32 * col, -11 + 32 * row


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    src, out = argv[1], argv[2]

    def img(name):
        return Image.open(os.path.join(src, name)).convert("RGBA")

    def cel(sheet, col, row, w, h):
        return sheet.crop((col * w, row * h, col * w + w, row * h + h))

    bkg_path = os.path.join(src, "bkg1.jpg")
    if os.path.exists(bkg_path):
        screen = Image.open(bkg_path).convert("RGBA").resize((640, 480))
    else:
        t = np.linspace(0, 1, 480)[:, None, None]
        top, bottom = np.array([46, 78, 58]), np.array([14, 24, 22])
        rgb = (top * (1 - t) + bottom * t) * np.ones((480, 640, 3))
        screen = Image.fromarray(np.concatenate([rgb, np.full((480, 640, 1), 255)], axis=2).astype(np.uint8))

    def put(picture, x, y):
        layer = Image.new("RGBA", screen.size)
        layer.paste(picture, (int(x), int(y)))
        screen.alpha_composite(layer)

    runes, bonuses = img("runes.png"), img("bonuses.png")
    put(img("board.png"), 85, 0)
    put(img("leaf1.png"), 432, 2)
    if os.path.exists(os.path.join(src, "boss1.png")):
        boss = img("boss1.png")
        put(boss, 530 - boss.width // 2, 175)

    column = 4
    carriage_x = home(0, column)[0] - 34
    put(img("karetkasl.png"), home(0, column)[0], 21)

    # a field: a dead row at the top (the supply is used up), coloured rows below, ragged bottom
    rng = np.random.default_rng(5)
    depth = [8, 7, 9, 6, 5, 8, 9, 7, 6]
    tokens = {(5, 2): 0, (7, 6): 3, (3, 7): 4, (6, 0): 1}
    for col in range(9):
        for row in range(1, depth[col] + 1):
            x, y = home(row, col)
            if row == 1:
                put(cel(runes, 6 + int(rng.integers(6)), 0, 30, 30), x, y)
                continue
            kind = int(rng.integers(6))
            if (row, col) in tokens:
                put(cel(bonuses, tokens[(row, col)], kind, 30, 30), x, y)
            else:
                put(cel(runes, kind, 0, 30, 30), x, y)
    # one cell being swept, an explosion in progress and a rune in flight with its bubble trail
    lit = img("lightedcell.png")
    lit.putalpha(lit.getchannel("A").point(lambda a: a * 55 // 255))
    put(lit, *home(2, 8))
    put(cel(img("rexp.png"), 4, 2, 78, 78), home(8, 1)[0] - 24, home(8, 1)[1] - 24)
    fx, fy = home(0, 3)[0], 330
    arr = np.asarray(screen, dtype=np.int32).copy()
    bub = np.asarray(img("fbubbles.png").resize((14, 14), Image.LANCZOS), dtype=np.int32)
    for i, (dx, dy) in enumerate([(8, 40), (16, 56), (5, 74), (13, 95), (9, 118)]):
        px, py = fx + dx, fy + dy
        a = bub[..., 3:4] * (1.0 - i * 0.17) / 255.0
        tint = np.array([150, 200, 255])
        arr[py:py + 14, px:px + 14, :3] = np.minimum(255, arr[py:py + 14, px:px + 14, :3] + bub[..., :3] * a * tint
                                                     / 255)
    screen = Image.fromarray(arr.astype(np.uint8), "RGBA")
    put(cel(runes, 1, 0, 30, 30), fx, fy)
    put(img("topbrick.png"), 85, 0)

    put(cel(runes, 5, 0, 30, 30), carriage_x + 34, 437)
    put(img("karetka.png"), carriage_x, 438)

    for i in range(5):
        put(img("liveactive.png" if i < 3 else "liveinactive.png"), 440 + 28 * i, 125)
    put(img("indic.png"), 8, 47)
    red, blue = img("indic_red.png"), img("indic_blue.png")
    put(red.crop((0, 362 - 210, 8, 362)), 59, 446 - 210)
    put(cel(img("small_bonus.png"), 1, 5, 30, 30), 33, 447)
    put(blue.crop((0, 362 - 290, 8, 362)), 31, 446 - 290)
    dig = img("digits.png")
    for slot, x in enumerate([440, 471, 497, 523, 554, 580, 606]):
        d = int("0012345"[slot])
        put(cel(dig, d, 0, 25, 25), x, 70)
    put(img("menu_b.png"), 565, 400)

    draw = ImageDraw.Draw(screen)
    font = ImageFont.truetype(FONT, 15)
    for text, y in (("Vale 1  -  Stage 2", 25), ("Score", 58), ("Lives", 116)):
        draw.text((441, y + 1), text, font=font, fill=(0, 0, 0, 200), anchor="ls")
        draw.text((440, y), text, font=font, fill=(255, 240, 200, 255), anchor="ls")
    label = ImageFont.truetype(FONT, 14)
    draw.text((565 + 34.5, 400 + 35), "Menu", font=label, fill=(200, 235, 255, 255), anchor="mm")
    screen.convert("RGB").save(out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
