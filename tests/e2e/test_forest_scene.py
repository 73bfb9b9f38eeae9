"""What the forest scene shows a person: screenshots of the real run compared with the scene drawn from
assets/ by the art tools (tools/art/compose.py). The screenshots are kept in the build folder's
e2e-screens/ for a person to look at."""
import os
import time
import unittest

import numpy as np
from PIL import Image

from forest import SHOTS, ForestRun, art

compose, layout = art()
TEXTURES = compose.load_textures()
METRICS = compose.measure_glyphs(TEXTURES["font"])
MOVING = {"deer": ["deer"], "plant1": ["plant1"], "plant2": ["plant2"], "plant3": ["plant3"],
          "plant4": ["plant4"], "lights": ["light1", "light2", "light3"]}


def moments():
    """Five states spread over every animation's range, as compose() arguments."""
    out = []
    for f, lights, woodpecker in ((0.0, (0, 0, 0.0), 0), (0.25, (1, 1, 0.0), 1), (0.5, (2, 2, 0.0), 2),
                                  (0.75, (0, 1, 0.5), 1), (1.0, (1, 2, 0.5), 0)):
        plants = {}
        for name in ("plant1", "plant2", "plant3", "plant4"):
            lo, hi = layout.sway_range(name)
            plants[name] = lo + (hi - lo) * f
        out.append(dict(deer=-20.0 + 40.0 * f, plants=plants, rabbit=f, lights=lights, woodpecker=woodpecker,
                        clock=None))
    return out


def references(width, height, without=()):
    """The scene in every moment, 0..255 floats, with the named pictures left out."""
    textures = dict(TEXTURES)
    for name in without:
        textures[name] = np.zeros_like(textures[name])
    return np.stack([compose.compose(textures, width, height, **m) * 255.0 for m in moments()])


def text_alone(text, width, height, x, y):
    """How much light the text adds to each pixel (0..1), drawn on black where the scene draws it."""
    canvas = np.zeros((height, width, 3), np.float32)
    compose.draw_text(canvas, TEXTURES["font"], METRICS, text, x, y, colour=(1, 1, 1, 1))
    return canvas.max(axis=-1)


def clock_texts(start, end, twelve_hour):
    """The clock's texts for every second from start to end (epoch seconds)."""
    texts = []
    for second in range(int(start) - 1, int(end) + 2):
        t = time.localtime(second)
        if twelve_hour:
            hour = t.tm_hour % 12 or 12
            texts.append("%d:%02d:%02d %s" % (hour, t.tm_min, t.tm_sec, "Am" if t.tm_hour < 12 else "Pm"))
        else:
            texts.append("%d:%02d:%02d" % (t.tm_hour, t.tm_min, t.tm_sec))
    return texts


class SceneCase:
    """One screenshot of a run, and the checks every screenshot gets."""
    geometry = None
    settings = {}
    twelve_hour = True
    show_fps = False

    @classmethod
    def setUpClass(cls):
        width, height = (int(v) for v in cls.geometry.split("x")[:2])
        cls.size = (width, height)
        cls.refs = references(width, height)
        cls.low = cls.refs.min(axis=0)
        cls.high = cls.refs.max(axis=0)
        # One run per class: the checks below all look at its screenshot.
        run = ForestRun(unittest.TestCase(), cls.geometry, cls.settings)
        try:
            run.wait_for_frame_time(4.0)
            before = time.time()
            os.makedirs(SHOTS, exist_ok=True)
            cls.path = os.path.join(SHOTS, "%s.png" % cls.__name__)
            cls.shot = np.asarray(run.x.screenshot(cls.path), np.float32)
            cls.times = (before, time.time())
            cls.alive = run.run.alive()
            run.x.xdotool("key", "Escape")
            cls.status = run.ended_within(5.0)
            cls.stderr = run.run.stderr
        finally:
            run.close()

    def test_the_run_was_alive_for_the_screenshot_and_a_key_ended_it(self):
        self.assertTrue(self.alive, self.stderr)
        self.assertEqual(self.status, 0, self.stderr)

    def text_boxes(self):
        """Where the texts may add light: (x0, y0, x1, y1) boxes."""
        width, height = self.size
        clock = layout.CLOCK_12H if self.twelve_hour else layout.CLOCK_24H
        boxes = [(int(clock[0] * width) - 2, int(clock[1] * height) - 2, width, height)]
        if self.show_fps:
            boxes.append((0, 0, int(0.02 * width) + 80, int(0.05 * height) + 44))
        return boxes

    def outside_text(self):
        mask = np.ones(self.shot.shape[:2], bool)
        for x0, y0, x1, y1 in self.text_boxes():
            mask[y0:y1, x0:x1] = False
        return mask

    def best_text(self, candidates, x, y):
        """The candidate whose lit pixels the screenshot shows best, and the share of pixels that agree."""
        width, height = self.size
        bright = self.shot.min(axis=-1) > 200
        scores = []
        for text in candidates:
            light = text_alone(text, width, height, x, y)
            lit, dark = light > 0.8, light < 0.02
            ys, xs = np.nonzero(lit)
            if len(xs) == 0:
                continue
            box = (slice(ys.min() - 3, ys.max() + 4), slice(xs.min() - 3, xs.max() + 4))
            sure = (lit | dark)[box]
            agree = (bright[box] == lit[box])[sure]
            scores.append((agree.mean(), text, xs.min(), ys.min()))
        scores.sort(reverse=True)
        return scores[0], scores[1] if len(scores) > 1 else None

    def test_every_still_layer_is_upright_and_in_place(self):
        still = ((self.high - self.low).max(axis=-1) <= 2) & self.outside_text()
        self.assertGreater(still.mean(), 0.4)
        difference = np.abs(self.shot - self.refs[0]).max(axis=-1)[still]
        self.assertGreater((difference <= 12).mean(), 0.99, self.path)
        self.assertLess(difference.mean(), 2.0, self.path)

    def test_moving_layers_stay_within_their_motion(self):
        tolerance = 20
        outside = ((self.shot < self.low - tolerance) | (self.shot > self.high + tolerance)).any(axis=-1)
        outside &= self.outside_text()
        self.assertLess(outside.mean(), 0.005, self.path)

    def test_the_clock_shows_the_local_time_where_it_belongs(self):
        width, height = self.size
        fx, fy = layout.CLOCK_12H if self.twelve_hour else layout.CLOCK_24H
        best, second = self.best_text(clock_texts(*self.times, self.twelve_hour), fx * width, fy * height)
        print("\nclock reads %r (%.3f of its pixels agree; next best %r, %.3f)" % (best[1], best[0], second[1], second[0]))
        self.assertGreater(best[0], 0.99, (best, second, self.path))
        # Its first lit pixels lie at the stated place (an edge pixel half lit may count either way).
        self.assertNear(best[2:], self.lit_corner(fx * width, fy * height))
        if not self.twelve_hour:
            # Nothing bright where the 12-hour clock would have started.
            band = self.shot[int(fy * height):int(fy * height) + 40, int(layout.CLOCK_12H[0] * width):int(fx * width) - 1]
            self.assertLess((band.min(axis=-1) > 230).mean(), 0.01, self.path)

    def assertNear(self, expected, corner):
        self.assertIsNotNone(corner, self.path)
        self.assertLessEqual(abs(int(expected[0]) - corner[0]), 1, (expected, corner, self.path))
        self.assertLessEqual(abs(int(expected[1]) - corner[1]), 1, (expected, corner, self.path))

    def lit_corner(self, x, y):
        """The first column and row of the screenshot's bright pixels in the 40-pixel band of a text at (x, y)."""
        width, _ = self.size
        band = self.shot[int(y) - 6:int(y) + 46, int(x) - 6:min(width, int(x) + 200)].min(axis=-1) > 200
        ys, xs = np.nonzero(band)
        return (int(x) - 6 + xs.min(), int(y) - 6 + ys.min()) if len(xs) else None


class Scene1920(SceneCase, unittest.TestCase):
    geometry = "1920x1080x24"


class Scene1024TwentyFourHourWithFps(SceneCase, unittest.TestCase):
    geometry = "1024x768x24"
    settings = {"TimeStyle": 0, "ShowFps": 1}
    twelve_hour = False
    show_fps = True

    def test_the_frame_rate_text_is_top_left(self):
        width, height = self.size
        candidates = ["%02d" % n for n in range(1, 100)]
        best, second = self.best_text(candidates, 0.02 * width, 0.05 * height)
        self.assertGreater(best[0], 0.99, (best, second, self.path))
        self.assertNear(best[2:], self.lit_corner(0.02 * width, 0.05 * height))
        print("\nframe-rate text reads %r at %s (%.3f of its pixels agree; next best %r, %.3f)" % (
            best[1], self.geometry, best[0], second[1], second[0]))

    def test_each_moving_layer_is_drawn(self):
        # Where a layer shows in some state, the scene without it cannot explain the screenshot.
        tolerance = 20
        inside = self.outside_text()
        unexplained_with = ((self.shot < self.low - tolerance) | (self.shot > self.high + tolerance)).any(axis=-1)
        for layer, pictures in MOVING.items():
            refs = references(*self.size, without=pictures)
            region = (np.abs(self.refs - refs).max(axis=-1) > tolerance).any(axis=0) & inside
            low, high = refs.min(axis=0), refs.max(axis=0)
            unexplained = ((self.shot < low - tolerance) | (self.shot > high + tolerance)).any(axis=-1)
            without, with_it = (unexplained & region).sum(), (unexplained_with & region).sum()
            print("\n%s: %d pixels, %d unexplained without it, %d with it" % (layer, region.sum(), without, with_it))
            self.assertGreater(without, 0.05 * region.sum(), layer)
            self.assertGreater(without, 10 * with_it, layer)

if __name__ == "__main__":
    unittest.main()
