"""A window over part of the saver, then gone: nothing of it stays in the forest.

The tile cache copies the frame's own pixels back into a texture and draws that copy while the lower
layers stand still. Pixels of the window that lay over the saver (no compositor keeps the saver's) must
never be among them: after the window is gone its place shows the forest again, with no trace of it.
"""
import time
import unittest

import numpy as np

from forest import ForestRun
from harness import HostWindow

MAGENTA = 0xFF00FF
# Over the fern field, the big tree's foot and part of the sky: layers that stand still there, so
# their tiles are held by the cache while the window is up.
BOX = (60, 380, 460, 700)  # x0, y0, x1, y1 of 1024x768


def magenta_pixels(shot):
    pixels = np.asarray(shot, np.int16)
    x0, y0, x1, y1 = BOX
    part = pixels[y0:y1, x0:x1]
    return int(((part[..., 0] > 200) & (part[..., 1] < 70) & (part[..., 2] > 200)).sum())


class CoveredWindow(unittest.TestCase):
    def test_no_trace_of_a_window_that_lay_over_the_saver_stays(self):
        run = ForestRun(self, "1024x768x24", {"ShowTime": 0, "ExitOnMM": 0})
        try:
            log = run.log_text()
            self.assertIn("[GL] Tile cache on", log)
            run.wait_for_frame_time(4.0)  # the still layers' tiles are copied by then
            x0, y0, x1, y1 = BOX
            cover = HostWindow(run.x.display, x1 - x0, y1 - y0, x0, y0, background=MAGENTA)
            try:
                covered = run.x.screenshot()
                self.assertGreater(magenta_pixels(covered), (x1 - x0) * (y1 - y0) * 0.9,
                                   "the window did not lie over the saver")
                time.sleep(3.0)
            finally:
                cover.close()
            time.sleep(2.0)
            shot = run.x.screenshot()
            self.assertTrue(run.run.alive(), run.run.stderr)
            self.assertEqual(magenta_pixels(shot), 0, "the window's pixels stayed in the forest")
            # The forest itself is back there: not black, not one flat colour.
            part = np.asarray(shot, np.float32)[y0:y1, x0:x1]
            self.assertGreater(part.mean(), 40.0)
            self.assertGreater(part.std(), 10.0)
            run.x.xdotool("key", "Escape")
            self.assertEqual(run.ended_within(10.0), 0, run.run.stderr)
        finally:
            run.close()


if __name__ == "__main__":
    unittest.main()
