"""Checks of the travel map: the game draws the way-point markers and the guardians' medallions
over the picture at fixed places, so the road must run through every marker's centre, in level
order, and keep out from under the medallions; and the information window must leave its text
area plain.

    /usr/bin/python3 -m unittest tools/art/test_screens.py"""

import os
import sys
import unittest

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import screens  # noqa: E402


class TravelMapRoad(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.road = screens.road_path()

    def distances(self, cx, cy):
        return np.hypot(self.road[:, 0] - cx, self.road[:, 1] - cy)

    def test_through_every_marker_centre_in_level_order(self):
        last = -1
        for level, (cx, cy) in enumerate(screens.marker_centres(), 1):
            d = self.distances(cx, cy)
            self.assertLess(d.min(), 0.01, f"the road misses the marker of level {level}")
            self.assertGreater(int(np.argmin(d)), last, f"the road reaches level {level} out of order")
            last = int(np.argmin(d))

    def test_clear_of_the_medallions(self):
        for area, (cx, cy) in enumerate(screens.medallion_centres(), 1):
            self.assertGreater(self.distances(cx, cy).min(), screens.MEDALLION_R + screens.ROAD_HALF,
                               f"the road runs under the guardian of area {area}")

    def test_stays_on_the_map(self):
        inside = self.road[self.road[:, 1] < screens.H]
        self.assertLess(inside[:, 0].max() + screens.ROAD_HALF, screens.MAP_RIGHT)
        self.assertGreater(inside[:, 0].min() - screens.ROAD_HALF, 0)
        self.assertGreater(inside[:, 1].min() - screens.ROAD_HALF, 0)


class InfoWindow(unittest.TestCase):
    def test_text_area_is_plain_parchment(self):
        # the map writes four lines from (420, 268) to about (560, 335) over the window at (395, 220)
        c = screens.panel(232, 212, 7500)
        area = c[262 - 220:345 - 220, 420 - 395:570 - 395]
        self.assertEqual(area[..., 3].min(), 1.0)
        self.assertGreater(area[..., :3].mean(axis=2).min(), 0.75, "something dark under the text")


if __name__ == "__main__":
    unittest.main()
