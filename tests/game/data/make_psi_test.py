#!/usr/bin/python3
"""Checks tools/particles/make_psi.py: field offsets of the written file, and bad sources refused
with no file left behind."""

import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
TOOL = os.path.join(ROOT, "tools", "particles", "make_psi.py")

GOOD = """
# every name once
emission = 12
lifetime = -1
life_min = 0.5
life_max = 1.5
direction = 90 deg
spread = 0.25
relative = yes
speed_min = 1
speed_max = 2
gravity_min = 3
gravity_max = 4
radial_min = 5
radial_max = 6
tangential_min = 7
tangential_max = 8
size_start = 9
size_end = 10
size_var = 0.5
spin_start = 0
spin_end = 180 deg
spin_var = 0.75
colour_start = 0.1 0.2 0.3 0.4
colour_end = 0.5, 0.6, 0.7, 0.8
colour_var = 0.125
alpha_var = 0.25
"""


def run(source_text):
    with tempfile.TemporaryDirectory() as d:
        src = os.path.join(d, "fx.txt")
        out = os.path.join(d, "fx.psi")
        with open(src, "w") as f:
            f.write(source_text)
        proc = subprocess.run([sys.executable, TOOL, src, out], capture_output=True, text=True)
        data = open(out, "rb").read() if os.path.exists(out) else None
        leftovers = sorted(os.listdir(d))
    return proc, data, leftovers


def replace(name, value):
    lines = [l for l in GOOD.splitlines() if not l.startswith(name + " ")]
    return "\n".join(lines + ([f"{name} = {value}"] if value is not None else [])) + "\n"


class GoodSource(unittest.TestCase):
    def test_fields_land_at_their_offsets(self):
        proc, data, _ = run(GOOD)
        self.assertEqual(proc.returncode, 0, proc.stderr)
        self.assertEqual(len(data), 128)
        self.assertEqual(data[0:4], b"\0\0\0\0")
        self.assertEqual(struct.unpack_from("<i", data, 4)[0], 12)
        self.assertEqual(struct.unpack_from("<f", data, 8)[0], -1.0)
        self.assertAlmostEqual(struct.unpack_from("<f", data, 20)[0], math.pi / 2, places=6)
        self.assertEqual(data[28:32], b"\1\0\0\0")
        self.assertEqual(struct.unpack_from("<2f", data, 32), (1.0, 2.0))
        self.assertEqual(struct.unpack_from("<2f", data, 64), (9.0, 10.0))
        self.assertAlmostEqual(struct.unpack_from("<f", data, 80)[0], math.pi, places=6)
        start = struct.unpack_from("<4f", data, 88)
        end = struct.unpack_from("<4f", data, 104)
        self.assertAlmostEqual(start[3], 0.4, places=6)
        self.assertAlmostEqual(end[0], 0.5, places=6)
        self.assertEqual(struct.unpack_from("<2f", data, 120), (0.125, 0.25))


class BadSource(unittest.TestCase):
    def assertRefused(self, text, words):
        proc, data, leftovers = run(text)
        self.assertNotEqual(proc.returncode, 0)
        self.assertIsNone(data)
        self.assertEqual(leftovers, ["fx.txt"])
        self.assertIn(words, proc.stderr)

    def test_unknown_name(self):
        self.assertRefused(GOOD + "sped_min = 1\n", "unknown name 'sped_min'")

    def test_missing_name(self):
        self.assertRefused(replace("spread", None), "missing spread")

    def test_name_given_twice(self):
        self.assertRefused(GOOD + "emission = 3\n", "given twice")

    def test_wrong_types(self):
        self.assertRefused(replace("emission", "2.5"), "whole number")
        self.assertRefused(replace("life_min", "soon"), "expected a number")
        self.assertRefused(replace("relative", "maybe"), "yes or no")
        self.assertRefused(replace("colour_end", "1 1 1"), "four numbers")
        self.assertRefused(replace("size_end", "nan"), "finite")

    def test_line_without_equals(self):
        self.assertRefused(GOOD + "emission 3\n", "name = value")


if __name__ == "__main__":
    unittest.main()
