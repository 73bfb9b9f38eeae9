"""The forest on screens of shapes outside 4:3..16:9: a wide one (2560x1080) shows the scene laid out at
16:9 and scaled to cover the screen, a tall one (1080x1920) the scene laid out at 4:3; the excess is cut
off around the deer and the rabbit's log, nothing is stretched. Each screenshot is held, thumbnail by
thumbnail, to a frame of the nearer designed shape drawn by the saver itself, scaled to cover and cropped
where the log says, and must be far from that frame stretched to the screen. The clock and the frame-rate
text stand inside the visible part at their usual fractions of it."""
import os
import re
import unittest

import numpy as np
from PIL import Image

from forest import SHOTS, ForestRun, art
from test_hostile_screens import clock_box

compose, layout = art()
CELL = 16  # thumbnail cells, in pixels of the screenshot


def shot_of(test, width, height, name, settings):
    """A screenshot of a run at that size with those settings, and the run's log."""
    run = ForestRun(test, "%dx%dx24" % (width, height), settings)
    try:
        run.wait_for_frame_time(1.0)
        os.makedirs(SHOTS, exist_ok=True)
        shot = run.x.screenshot(os.path.join(SHOTS, name + ".png"))
        return shot, run.log_text()
    finally:
        run.close()


def thumbnail(picture):
    """The picture's CELL x CELL means (a last partial row or column of cells is dropped)."""
    a = np.asarray(picture, np.float32)
    height, width = a.shape[0] // CELL * CELL, a.shape[1] // CELL * CELL
    cells = a[:height, :width].reshape(height // CELL, CELL, width // CELL, CELL, -1)
    return cells.mean(axis=(1, 3))


def rmse(a, b):
    return float(np.sqrt(((thumbnail(a) - thumbnail(b)) ** 2).mean()))


def logged_crop(log, width, height):
    """(frame width, frame height, x, y) of the crop the log reports for a view of that size."""
    found = re.search(r"Showing the scene in %dx%d\+0\+0 \(cropped from (\d+)x(\d+) at (\d+),(\d+)\)" % (width, height),
                      log)
    return tuple(int(v) for v in found.groups()) if found else None


class Shapes(unittest.TestCase):
    """(view size, designed size, the band of the scene that must stay in view: x0, y0, x1, y1 fractions)."""

    CASES = [
        # Wide: the deer with its legs and the log (down to 0.83) and the woodpecker (from 0.33).
        ((2560, 1080), (1920, 1080), (0.0, 0.33, 1.0, 0.83)),
        # Tall: the rabbit (from 0.22) to the deer's head (0.635).
        ((1080, 1920), (1024, 768), (0.22, 0.0, 0.635, 1.0)),
    ]

    @classmethod
    def setUpClass(cls):
        test = unittest.TestCase()
        cls.shots = {}
        for (width, height), (dw, dh), _ in cls.CASES:
            for size in ((width, height), (dw, dh)):
                if size not in cls.shots:
                    cls.shots[size] = shot_of(test, size[0], size[1], "Shapes-%dx%d" % size, {"ShowTime": 0})

    def test_each_shape_is_the_designed_frame_covering_it_cropped_not_stretched(self):
        for (width, height), (dw, dh), band in self.CASES:
            with self.subTest(size=(width, height)):
                shot, log = self.shots[(width, height)]
                designed, _ = self.shots[(dw, dh)]
                crop = logged_crop(log, width, height)
                self.assertIsNotNone(crop, log)
                frame_w, frame_h, x, y = crop
                # The frame is the designed shape (to a pixel) and covers the view in one direction.
                self.assertAlmostEqual(frame_w / frame_h, dw / dh, delta=1.0 / min(frame_w, frame_h))
                self.assertTrue(frame_w == width or frame_h == height, crop)
                self.assertLessEqual(x + width, frame_w)
                self.assertLessEqual(y + height, frame_h)
                # The band of interest lies inside the part shown.
                self.assertLessEqual(x, band[0] * frame_w + 1, crop)
                self.assertGreaterEqual(x + width, band[2] * frame_w - 1, crop)
                self.assertLessEqual(y, band[1] * frame_h + 1, crop)
                self.assertGreaterEqual(y + height, band[3] * frame_h - 1, crop)

                big = designed.resize((frame_w, frame_h), Image.BILINEAR)
                covered = big.crop((x, y, x + width, y + height))
                stretched = designed.resize((width, height), Image.BILINEAR)
                cropped_error, stretched_error = rmse(shot, covered), rmse(shot, stretched)
                save = os.path.join(SHOTS, "Shapes-%dx%d-expected.png" % (width, height))
                covered.save(save)
                print("\n%dx%d: thumbnail RMSE %.1f against the %dx%d frame cropped, %.1f against it stretched"
                      % (width, height, cropped_error, dw, dh, stretched_error))
                self.assertLess(cropped_error, CROPPED_AT_MOST, save)
                self.assertGreater(stretched_error, 3 * cropped_error, save)

                # No other crop of the covering frame fits better than the one logged (to a cell).
                across = frame_w > width
                errors = {}
                for offset in range(0, (frame_w - width if across else frame_h - height) + 1, CELL // 2):
                    ox, oy = (offset, y) if across else (x, offset)
                    errors[offset] = rmse(shot, big.crop((ox, oy, ox + width, oy + height)))
                best = min(errors, key=errors.get)
                self.assertLessEqual(abs(best - (x if across else y)), CELL, (best, crop))


CROPPED_AT_MOST = 8.0


class ShapesText(unittest.TestCase):
    def test_the_clock_and_the_frame_rate_text_stand_in_the_visible_part(self):
        for width, height in ((2560, 1080), (1080, 1920)):
            with self.subTest(size=(width, height)):
                shot, log = shot_of(self, width, height, "Shapes-text-%dx%d" % (width, height),
                                    {"ShowTime": 1, "ShowFps": 1})
                self.assertIsNotNone(logged_crop(log, width, height), log)
                box = clock_box(shot, width, height)
                self.assertIsNotNone(box, "no clock at its place")
                self.assertLessEqual(abs(box[0] - layout.CLOCK_12H[0] * width), 3, box)
                self.assertLessEqual(abs(box[1] - layout.CLOCK_12H[1] * height), 12, box)
                self.assertLess(box[2], width, box)
                self.assertLess(box[3], height, box)
                # The frame-rate text at (0.02, 0.05) of the screen, lit within a few glyphs of it.
                a = np.asarray(shot, np.float32)
                left, top = int(0.02 * width), int(0.05 * height)
                region = a[top - 8:top + 60, left - 8:left + 400]
                ys, xs = np.nonzero(region.min(axis=-1) > 180)
                self.assertGreater(len(xs), 50, "no frame-rate text at its place")
                self.assertLessEqual(abs(left - 8 + xs.min() - left), 4)
