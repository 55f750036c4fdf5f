"""Checks of the music: exact loops of whole bars at least a minute long, no step at the seam,
equal loudness with headroom, distinct level tracks, melodies that sit on the harmony, and
repeatable output. Renders only the first section of each track, so it runs in seconds.

    /usr/bin/python3 -m unittest tools/sound/test_music.py"""

import functools
import os
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import music  # noqa: E402

EXCERPT_BARS = 8


@functools.lru_cache(maxsize=None)
def excerpt(name, seed=None):
    track = next(t for t in music.TRACKS if t.name == name)
    return music.render(track, bars=EXCERPT_BARS, seed=seed)


def db(x):
    return 20.0 * np.log10(x)


class Structure(unittest.TestCase):
    def test_the_five_tracks_the_game_opens(self):
        self.assertEqual(sorted(t.name for t in music.TRACKS),
                         ["level1", "level2", "level3", "level4", "theme0"])

    def test_each_track_is_a_whole_number_of_bars_and_at_least_a_minute(self):
        for t in music.TRACKS:
            with self.subTest(t.name):
                self.assertGreaterEqual(t.length, 60 * music.RATE)
                bar = t.beats * int(round(music.RATE * 60.0 / t.bpm))
                self.assertEqual(t.length % bar, 0)
                self.assertEqual(t.length // bar, t.bars)

    def test_level_tracks_differ_in_tempo_key_metre_and_voices(self):
        levels = [t for t in music.TRACKS if t.name.startswith("level")]
        for i, a in enumerate(levels):
            for b in levels[i + 1:]:
                with self.subTest(a=a.name, b=b.name):
                    self.assertGreaterEqual(abs(a.bpm * a.subdivision - b.bpm * b.subdivision)
                                            + abs(a.bpm - b.bpm), 6)
                    self.assertNotEqual((a.root % 12, a.mode), (b.root % 12, b.mode))
                    self.assertNotEqual((a.lead, a.harmony, a.harmony_voice),
                                        (b.lead, b.harmony, b.harmony_voice))
        self.assertGreaterEqual(len({(t.beats, t.subdivision) for t in levels}), 3)


class Timing(unittest.TestCase):
    def test_swing_delays_the_second_half_of_the_beat(self):
        level1 = next(t for t in music.TRACKS if t.name == "level1")  # 92 bpm, swing 0.6
        beat = round(44100 * 60 / 92)  # 28761 samples
        self.assertEqual(music.step_offset(level1, 0), 0)
        self.assertEqual(music.step_offset(level1, 1), round(0.6 * beat))
        self.assertEqual(music.step_offset(level1, 2), beat)
        self.assertEqual(music.step_offset(level1, 7), 3 * beat + round(0.6 * beat))

    def test_compound_metre_splits_the_beat_in_even_thirds(self):
        level2 = next(t for t in music.TRACKS if t.name == "level2")  # 6/8, 56 beats a minute
        self.assertEqual([music.step_offset(level2, s) for s in range(6)],
                         [0, 15750, 31500, 47250, 63000, 78750])


class Seam(unittest.TestCase):
    def test_excerpt_is_exactly_its_bars_long(self):
        for t in music.TRACKS:
            with self.subTest(t.name):
                self.assertEqual(excerpt(t.name).shape, (EXCERPT_BARS * t.samples_per_bar, 2))

    def test_no_step_where_the_end_meets_the_start(self):
        for t in music.TRACKS:
            with self.subTest(t.name):
                x = excerpt(t.name)
                steps = np.abs(np.diff(x, axis=0))
                seam = np.abs(x[0] - x[-1])
                # The jump at the seam is an ordinary one, like those inside the track...
                self.assertTrue(np.all(seam <= np.percentile(steps, 99.0, axis=0)), seam)
                # ...and so is the bend (a cut-off tail shows as a spike here).
                joined = np.concatenate([x[-2:], x[:2]])
                bend = np.abs(np.diff(joined, 2, axis=0)).max(axis=0)
                inner = np.abs(np.diff(x, 2, axis=0))
                self.assertTrue(np.all(bend <= np.percentile(inner, 99.5, axis=0)), bend)

    def test_the_tail_of_the_loop_wraps_onto_its_start(self):
        # Three laps of a 4-sample loop with a 2-sample tail: 1..10 summed lap by lap.
        signal = np.arange(1.0, 11.0)
        np.testing.assert_array_equal(music.fold(signal, 4), [1 + 5 + 9, 2 + 6 + 10, 3 + 7, 4 + 8])

    def test_reverb_sounds_the_same_wherever_the_seam_falls(self):
        period = 3 * music.RATE
        start, near_end = np.zeros((period, 2)), np.zeros((period, 2))
        start[0, :] = 1.0
        near_end[period - 100, :] = 1.0
        a = music.circular_reverb(start, 7)
        b = music.circular_reverb(near_end, 7)
        # The reverb of a note just before the seam continues over the start of the loop.
        np.testing.assert_allclose(np.roll(a, -100, axis=0), b, atol=1e-9)
        self.assertGreater(np.abs(b[: music.RATE]).max(), 0.01)


class Loudness(unittest.TestCase):
    def test_every_track_at_the_same_loudness_with_headroom(self):
        levels = {}
        for t in music.TRACKS:
            x = excerpt(t.name)
            levels[t.name] = 10 * np.log10(np.mean(x * x))
            with self.subTest(t.name):
                self.assertLess(db(np.abs(x).max()), -1.0)
                self.assertAlmostEqual(levels[t.name], music.TARGET_RMS_DB, delta=0.5)
        self.assertLess(max(levels.values()) - min(levels.values()), 2.0, levels)

    def test_limiter_tames_a_spike_and_keeps_the_level(self):
        t = np.arange(music.RATE) / music.RATE
        mix = np.stack([np.sin(2 * np.pi * 220 * t)] * 2, axis=1) * 0.05
        mix[:, 0] += 0.03  # an offset the master removes
        mix[1000] = [3.0, -3.0]
        out = music.master(mix)
        self.assertLess(db(np.abs(out).max()), -1.0)
        self.assertAlmostEqual(10 * np.log10(np.mean(out * out)), music.TARGET_RMS_DB, delta=0.1)
        self.assertLess(abs(out[:, 0].mean()), 1e-3)


class Composition(unittest.TestCase):
    def test_melody_rests_on_chord_tones_and_closes_the_phrase(self):
        for t in music.TRACKS:
            with self.subTest(t.name):
                rng = np.random.default_rng(t.seed)
                phrase = music.compose_melody(t, rng, t.progression_a, 7)
                for bar, step, held, degree in phrase:
                    self.assertLessEqual(step + held, t.steps)
                    if step == 0 and bar not in (4, 5):
                        chord = {d % 7 for d in music.chord_degrees(t.progression_a[bar])}
                        self.assertIn(degree % 7, chord, (bar, step))
                last = phrase[-1]
                self.assertEqual((last[0], last[1] + last[2]), (7, t.steps))
                self.assertIn(last[3] % 7, {d % 7 for d in music.chord_degrees(t.progression_a[7])})
                # Bars 5 and 6 answer bars 1 and 2 in the same rhythm.
                for a, b in ((0, 4), (1, 5)):
                    self.assertEqual([n[1:3] for n in phrase if n[0] == a],
                                     [n[1:3] for n in phrase if n[0] == b])


class Determinism(unittest.TestCase):
    def test_same_seed_same_samples_different_seed_different_tune(self):
        first = excerpt("level3")
        again = music.render(next(t for t in music.TRACKS if t.name == "level3"), bars=EXCERPT_BARS)
        np.testing.assert_array_equal(first, again)
        other = excerpt("level3", seed=999)
        self.assertEqual(other.shape, first.shape)
        self.assertGreater(np.abs(other - first).max(), 0.1)


if __name__ == "__main__":
    unittest.main()
