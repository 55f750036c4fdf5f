"""Checks of the playing field's pictures: the sizes the board's drawing needs, runes told apart by
shape, dead runes inert, cels that do not bleed, and repeatable output.

    /usr/bin/python3 -m unittest tools/art/test_board.py"""

import os
import sys
import tempfile
import unittest

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import board  # noqa: E402

# (width, height) each picture must have for the board's geometry.
SIZES = {
    "runes.png": (360, 30), "bonuses.png": (150, 180), "small_bonus.png": (150, 180),
    "board.png": (352, 480), "topbrick.png": (352, 16), "karetka.png": (98, 42), "karetkasl.png": (30, 416),
    "digits.png": (250, 25), "indic.png": (76, 433), "indic_blue.png": (8, 362), "indic_red.png": (8, 362),
    "lightedcell.png": (30, 30), "lightning.png": (48, 300), "liveactive.png": (26, 26),
    "liveinactive.png": (26, 26), "menu_b.png": (69, 69), "menu_d.png": (69, 69), "menu_f.png": (69, 69),
    "rexp.png": (13 * 78, 6 * 78), "bexp.png": (13 * 198, 198), "bonuspart.png": (32, 32),
    "exppart.png": (32, 32), "fbubbles.png": (32, 32), "nextstage.png": (128, 128),
    **{f"leaf{i}.png": (206, 156) for i in range(1, 7)},
}


def load(directory, name):
    return np.asarray(Image.open(os.path.join(directory, name)).convert("RGBA"), dtype=np.int32)


class BuiltPictures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        cls.names = board.build(cls.dir)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_every_picture_is_written_at_its_size(self):
        self.assertEqual(sorted(self.names), sorted(SIZES))
        for name, size in SIZES.items():
            with self.subTest(name=name):
                self.assertEqual(Image.open(os.path.join(self.dir, name)).size, size)

    def test_cels_do_not_bleed_into_their_neighbours(self):
        # The rounded corners of every 30 x 30 cel are clear, so a source rectangle one pixel off
        # would still not pick up the neighbour's colour.
        for name in ("runes.png", "bonuses.png", "small_bonus.png"):
            a = load(self.dir, name)[..., 3]
            for y0 in range(0, a.shape[0], 30):
                for x0 in range(0, a.shape[1], 30):
                    with self.subTest(name=name, x=x0, y=y0):
                        self.assertEqual(a[y0, x0], 0)
                        self.assertEqual(a[y0 + 29, x0 + 29], 0)
        rexp = load(self.dir, "rexp.png")[..., 3]
        self.assertEqual(rexp[::78, :].max(), 0)

    def test_dead_runes_are_grey_and_live_ones_coloured(self):
        runes = load(self.dir, "runes.png")
        for kind in range(12):
            cel = runes[:, 30 * kind:30 * kind + 30]
            opaque = cel[..., 3] == 255
            spread = (cel[..., :3].max(axis=2) - cel[..., :3].min(axis=2))[opaque].mean()
            with self.subTest(kind=kind):
                if kind < 6:
                    self.assertGreater(spread, 60)
                else:
                    self.assertLess(spread, 12)

    def test_dead_runes_do_not_glow(self):
        runes = load(self.dir, "runes.png")
        solid = runes[..., 3] >= 128
        brightest = runes[..., :3].max(axis=2) * solid
        self.assertGreater(brightest[:, :180].max(), 240)
        self.assertLess(brightest[:, 180:].max(), 215)

    def test_bonus_rows_keep_their_rune_colour(self):
        runes = load(self.dir, "runes.png")
        bonuses = load(self.dir, "bonuses.png")
        def hue(pixels):
            # median hue (degrees) of the opaque, saturated pixels: the stone, not glyph or gold
            rgb = pixels[pixels[:, 3] == 255][:, :3] / 255.0
            hsv = np.asarray(Image.fromarray((rgb[None] * 255).astype(np.uint8), "RGB").convert("HSV"))[0]
            return np.median(hsv[hsv[:, 1] > 140][:, 0]) * 360 / 255

        means = [hue(runes[:, 30 * k:30 * k + 30].reshape(-1, 4)) for k in range(6)]
        for kind in range(6):
            for bonus in range(5):
                # inside the gold bezel, away from the gold badge at the lower right
                m = hue(bonuses[30 * kind + 3:30 * kind + 16, 30 * bonus + 3:30 * bonus + 16].reshape(-1, 4))
                nearest = int(np.argmin([min(abs(m - r), 360 - abs(m - r)) for r in means]))
                with self.subTest(kind=kind, bonus=bonus):
                    self.assertEqual(nearest, kind)

    def test_carriage_shows_the_resting_rune_and_hides_the_dipped_one(self):
        a = load(self.dir, "karetka.png")[..., 3]
        self.assertLess(a[2:26, 36:62].max(), 32)  # the rune at rest, y 437 on screen: at most a faint shadow
        self.assertEqual(a[32:42, 36:62].min(), 255)  # the rune 32 pixels lower

    def test_bars_are_opaque_from_top_to_bottom(self):
        for name in ("indic_blue.png", "indic_red.png"):
            with self.subTest(name=name):
                self.assertEqual(load(self.dir, name)[..., 3].min(), 255)

    def test_particle_sprites_fade_to_clear_edges(self):
        for name in ("fbubbles.png", "bonuspart.png", "exppart.png", "nextstage.png"):
            a = load(self.dir, name)[..., 3]
            with self.subTest(name=name):
                self.assertEqual(a[0, :].max() + a[:, 0].max(), 0)
                self.assertGreater(a.max(), 200)

    def test_area_plaques_differ(self):
        means = [load(self.dir, f"leaf{i}.png")[..., :3].reshape(-1, 3).mean(axis=0) for i in range(1, 7)]
        for i in range(6):
            for j in range(i + 1, 6):
                with self.subTest(a=i + 1, b=j + 1):
                    self.assertGreater(np.linalg.norm(means[i] - means[j]), 12)


class Glyphs(unittest.TestCase):
    def test_glyphs_differ_in_shape(self):
        masks = [board.glyph_mask(k, 30, 30, 15, 15, 1.0) > 0.5 for k in range(6)]
        for i in range(6):
            for j in range(i + 1, 6):
                overlap = (masks[i] & masks[j]).sum() / (masks[i] | masks[j]).sum()
                with self.subTest(a=i, b=j):
                    self.assertLess(overlap, 0.45)

    def test_emblems_differ_in_shape(self):
        # Emblems are compact shapes about one centre, so they share more area than glyphs do.
        masks = [board.emblem_mask(b, 30, 30, 15, 15, 1.0) > 0.5 for b in range(5)]
        for i in range(5):
            for j in range(i + 1, 5):
                overlap = (masks[i] & masks[j]).sum() / (masks[i] | masks[j]).sum()
                with self.subTest(a=i, b=j):
                    self.assertLess(overlap, 0.6)

    def test_same_source_gives_same_pixels(self):
        self.assertTrue(np.array_equal(board.rune(3), board.rune(3)))
        self.assertTrue(np.array_equal(board.leaf(4), board.leaf(4)))


if __name__ == "__main__":
    unittest.main()
