"""Checks of the sound effects build and of the encoder.

    test_effects.py ENCODER

Builds the effects twice into temporary folders through ENCODER (oggencode) and checks the files
the game loads: every name present, decodable, audible, of a length fitting its event, peaking no
higher than -1 dBFS, and identical from one build to the next."""

import os
import subprocess
import sys
import tempfile
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import build_sound  # noqa: E402
import effects  # noqa: E402
from measure import measure  # noqa: E402

ENCODER = None

# Written out here rather than taken from effects.py: these are the names the game opens.
GAME_FILES = {
    "shoot.ogg", "hit.ogg", "explode.ogg", "gotbonus.ogg", "flash.ogg", "rowslided.ogg", "big_btn_focused.ogg",
    "big_btn_clicked.ogg", "medium_btn_clicked.ogg", "medium_btn_focused.ogg", "simple_btn_clicked.ogg",
    "change_rune.ogg", "bonus_explosion.ogg", "level_up.ogg", "loose.ogg", "got_award.ogg", "full_win.ogg",
    "cell_lightning.ogg",
}
BUTTONS = {"big_btn_focused", "big_btn_clicked", "medium_btn_clicked", "medium_btn_focused", "simple_btn_clicked"}


def build_into(folder):
    effects.build(folder, build_sound.make_encoder(ENCODER))


class EffectsBuild(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.first = os.path.join(cls.tmp.name, "first")
        cls.second = os.path.join(cls.tmp.name, "second")
        build_into(cls.first)
        build_into(cls.second)
        cls.measured = {name[:-4]: measure(os.path.join(cls.first, name)) for name in os.listdir(cls.first)}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_every_file_the_game_loads_is_made_and_nothing_else(self):
        self.assertEqual(set(os.listdir(self.first)), GAME_FILES)

    def test_every_effect_decodes_to_audible_sound_without_clipping(self):
        for name, (length, peak, rms) in self.measured.items():
            with self.subTest(name):
                self.assertGreater(length, 0.04)
                self.assertLessEqual(peak, -1.0)
                # Normalised near -1.5 dBFS; far lower means a recipe went quiet.
                self.assertGreater(peak, -8.0)
                self.assertGreater(rms, -35.0)

    def test_lengths_fit_their_events(self):
        for name in BUTTONS:
            with self.subTest(name):
                self.assertLess(self.measured[name][0], 0.15)
        for name in ("shoot", "hit", "cell_lightning"):
            with self.subTest(name):
                self.assertLess(self.measured[name][0], 0.4)
        # The fanfare is a whole phrase; the bonus explosion is bigger than the plain one.
        self.assertGreater(self.measured["full_win"][0], 3.0)
        self.assertLess(self.measured["full_win"][0], 10.0)
        self.assertGreater(self.measured["bonus_explosion"][0], self.measured["explode"][0])
        for name, (length, _, _) in self.measured.items():
            with self.subTest(name):
                self.assertLess(length, 10.0)

    def test_two_builds_are_byte_identical(self):
        for name in sorted(GAME_FILES):
            with self.subTest(name):
                with open(os.path.join(self.first, name), "rb") as a, open(os.path.join(self.second, name), "rb") as b:
                    self.assertEqual(a.read(), b.read())


def write_wav(path, channels, rate, frames):
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"\x10\x20" * channels * frames)


class Encoder(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def path(self, name):
        return os.path.join(self.tmp.name, name)

    def run_encoder(self, *args):
        return subprocess.run([ENCODER, *args], capture_output=True, text=True)

    def test_mono_input_keeps_its_length(self):
        write_wav(self.path("m.wav"), 1, 44100, 22050)
        self.assertEqual(self.run_encoder(self.path("m.wav"), self.path("m.ogg")).returncode, 0)
        self.assertAlmostEqual(measure(self.path("m.ogg"))[0], 0.5, places=3)

    def test_bad_input_fails_clearly_and_leaves_the_old_file(self):
        with open(self.path("out.ogg"), "wb") as f:
            f.write(b"old")
        with open(self.path("junk.wav"), "wb") as f:
            f.write(b"this is not a wave file")
        write_wav(self.path("slow.wav"), 1, 22050, 100)
        cases = {
            "junk": [self.path("junk.wav"), self.path("out.ogg")],
            "missing": [self.path("absent.wav"), self.path("out.ogg")],
            "wrong rate": [self.path("slow.wav"), self.path("out.ogg")],
        }
        for case, args in cases.items():
            with self.subTest(case):
                result = self.run_encoder(*args)
                self.assertNotEqual(result.returncode, 0)
                self.assertIn("oggencode:", result.stderr)
                with open(self.path("out.ogg"), "rb") as f:
                    self.assertEqual(f.read(), b"old")
                self.assertFalse(os.path.exists(self.path("out.ogg.tmp")))

    def test_bad_arguments_are_refused(self):
        write_wav(self.path("a.wav"), 2, 44100, 100)
        for args in ([], [self.path("a.wav")], [self.path("a.wav"), self.path("a.ogg"), "--quality", "3"],
                     [self.path("a.wav"), self.path("a.ogg"), "--speed", "0.4"]):
            with self.subTest(args=args):
                self.assertEqual(self.run_encoder(*args).returncode, 2)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        sys.exit(2)
    ENCODER = sys.argv[1]
    unittest.main(argv=[sys.argv[0]] + sys.argv[2:])
