"""The saver on a real two-monitor display (Xorg's dummy driver, two 1280x720 monitors side by side, a
window manager running): each monitor shows the whole forest at its own size, the same picture the scene
draws on one 1280x720 screen; the stored display mode is the primary monitor's. The screenshot of each
monitor is kept in the build folder's e2e-screens/ for a person to look at."""
import os
import shutil
import time
import unittest

import numpy as np
from PIL import Image

from forest import SHOTS, ForestRun, art
from harness import TwoMonitorXServer
from test_forest_scene import clock_texts, references, text_alone

compose, layout = art()


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("Xorg"), "Xorg with the dummy driver runs as root only")
class TwoMonitors(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.refs = references(1280, 720)
        cls.low, cls.high = cls.refs.min(axis=0), cls.refs.max(axis=0)
        x = TwoMonitorXServer(window_manager=True)
        # A stored mode that is neither monitor's: "Use Desktop Settings" means the primary monitor.
        run = ForestRun(unittest.TestCase(), settings={"UseDesktop": 1, "width": 1024, "height": 768},
                        xserver=x)
        try:
            run.wait_for_frame_time(4.0)
            before = time.time()
            screen = x.screenshot()
            cls.times = (before, time.time())
            os.makedirs(SHOTS, exist_ok=True)
            cls.shots, cls.paths = [], []
            for number, (left, top, width, height) in enumerate(x.MONITORS):
                monitor = screen.crop((left, top, left + width, top + height))
                path = os.path.join(SHOTS, "TwoMonitors-monitor-%d.png" % number)
                monitor.save(path)
                cls.paths.append(path)
                cls.shots.append(np.asarray(monitor, np.float32))
            cls.log = run.log_text()
            cls.alive = run.run.alive()
            run.x.xdotool("key", "Escape")
            cls.status = run.ended_within(5.0)
            cls.stderr = run.run.stderr
            cls.stored = run.settings.read()
        finally:
            run.close()

    def outside_clock(self):
        mask = np.ones((720, 1280), bool)
        mask[int(layout.CLOCK_12H[1] * 720) - 2:, int(layout.CLOCK_12H[0] * 1280) - 2:] = False
        return mask

    def test_each_monitor_shows_the_whole_scene_unstretched(self):
        # A pixel centre that falls exactly between two texels may take either one: each pixel is
        # compared with the reference's pixel and its eight neighbours.
        still = ((self.high - self.low).max(axis=-1) <= 2) & self.outside_clock()
        for shot, path in zip(self.shots, self.paths):
            difference = np.min([np.abs(shot - np.roll(self.refs[0], (dy, dx), axis=(0, 1))).max(axis=-1)
                                 for dy in (-1, 0, 1) for dx in (-1, 0, 1)], axis=0)[still]
            self.assertGreater((difference <= 12).mean(), 0.99, path)
            self.assertLess(difference.mean(), 2.0, path)
            low = np.min([np.roll(self.low, (dy, dx), axis=(0, 1)) for dy in (-1, 0, 1) for dx in (-1, 0, 1)], axis=0)
            high = np.max([np.roll(self.high, (dy, dx), axis=(0, 1)) for dy in (-1, 0, 1) for dx in (-1, 0, 1)], axis=0)
            outside = ((shot < low - 20) | (shot > high + 20)).any(axis=-1) & self.outside_clock()
            self.assertLess(outside.mean(), 0.005, path)

    def test_each_monitor_shows_the_clock_in_its_place(self):
        x, y = layout.CLOCK_12H[0] * 1280, layout.CLOCK_12H[1] * 720
        for shot, path in zip(self.shots, self.paths):
            bright = shot.min(axis=-1) > 200
            best = 0.0
            for text in clock_texts(*self.times, True):
                light = text_alone(text, 1280, 720, x, y)
                lit, dark = light > 0.8, light < 0.02
                ys, xs = np.nonzero(lit)
                box = (slice(ys.min() - 3, ys.max() + 4), slice(xs.min() - 3, xs.max() + 4))
                best = max(best, (bright[box] == lit[box])[(lit | dark)[box]].mean())
            self.assertGreater(best, 0.99, path)

    def test_a_key_ends_the_run_and_the_primary_monitors_mode_is_stored(self):
        self.assertTrue(self.alive, self.stderr)
        self.assertEqual(self.status, 0, self.stderr)
        self.assertIn("Covering 2 monitors", self.log)
        self.assertEqual((self.stored["width"], self.stored["height"]), (1280, 720))


if __name__ == "__main__":
    unittest.main()
