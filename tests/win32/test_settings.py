"""Fernhollow.scr /c under Wine: the dialog from its resource template, OK and Cancel."""
import os
import tempfile
import time
import unittest

import numpy

from winharness import (SOURCE, Saver, host_tool, load_png, reg_query, reg_reset, screenshot, xdotool)
from harness import read_bmp

CAPTION = "Fernhollow Settings"


def click(control):
    result = host_tool("control", CAPTION, control, "30")
    if result.returncode != 0:
        raise AssertionError("no control %d in the dialog: %s" % (control, result.stdout))
    x, y = result.stdout.split()
    xdotool("mousemove", x, y)
    time.sleep(0.2)
    xdotool("click", 1)
    time.sleep(0.3)


def contains(shot, picture):
    """Whether picture (h x w x 3) appears in shot, to within a few levels per channel."""
    h, w, _ = picture.shape
    corner = picture[0, 0]
    candidates = numpy.argwhere((numpy.abs(shot - corner) <= 3).all(axis=2))
    for y, x in candidates:
        if y + h <= shot.shape[0] and x + w <= shot.shape[1]:
            if numpy.abs(shot[y:y + h, x:x + w] - picture).max() <= 3:
                return True
    return False


class SettingsDialogTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="fernhollow-win-settings-")

    def open_dialog(self):
        run = Saver(["/c"])
        rect = host_tool("rect", CAPTION, "60")
        self.assertEqual(rect.returncode, 0, "no settings dialog: " + rect.stdout)
        time.sleep(1.0)
        return run, tuple(int(v) for v in rect.stdout.split())

    def test_the_dialog_shows_its_picture_and_ok_stores_every_value(self):
        reg_reset({"ShowFps": 0, "ShowTime": 1})
        run, (x, y, width, height) = self.open_dialog()
        try:
            shot = load_png(screenshot(os.path.join(self.folder, "dialog.png")))
            dialog = shot[y:y + height, x:x + width]
            from PIL import Image
            Image.fromarray(dialog.astype("uint8")).save(os.path.join(self.folder, "dialog-only.png"))
            print("dialog screenshot:", os.path.join(self.folder, "dialog-only.png"))
            # 388 x 202 dialog units at the system font: wider than tall, a few hundred pixels.
            self.assertGreater(width, 388)
            self.assertGreater(width, height * 1.5)
            w, h, rows = read_bmp(os.path.join(SOURCE, "assets", "bitmaps", "dialog.bmp"))
            picture = numpy.array(rows, dtype=int).reshape(h, w, 3)
            # The picture is centred in its control, which may be a little smaller than it at this
            # font's dialog units: its middle is shown unscaled.
            middle = picture[h // 2 - 40:h // 2 + 40, w // 2 - 60:w // 2 + 60]
            self.assertTrue(contains(dialog, middle), "bitmap 115 is not in the dialog")
            click(1044)  # Show FPS on
            click(1119)  # Show Time off
            click(1)     # OK
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()
        values = reg_query()
        self.assertEqual(values["ShowFps"], 1)
        self.assertEqual(values["ShowTime"], 0)
        for name in ("ExitOnMM", "TimeStyle", "UseDesktop", "Gamma", "width", "height", "depth", "Music", "Sound",
                     "Volume"):
            self.assertIn(name, values)
        self.assertEqual(values["Volume"], 75)
        self.assertEqual(values["Gamma"], 100)

    def test_cancel_stores_nothing(self):
        reg_reset({"ShowFps": 0, "ShowTime": 1})
        run, _ = self.open_dialog()
        try:
            click(1044)
            click(1119)
            click(2)  # Cancel
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()
        values = reg_query()
        self.assertEqual(values["ShowFps"], 0)
        self.assertEqual(values["ShowTime"], 1)
        # OK would have written these; the end-of-life save writes only the display and sound keys.
        for name in ("ExitOnMM", "TimeStyle", "UseDesktop", "Gamma"):
            self.assertNotIn(name, values)

    def test_about_opens_over_the_dialog_and_closes(self):
        reg_reset()
        run, (x, y, _, _) = self.open_dialog()
        try:
            click(1062)
            about = host_tool("rect", "About", "30")
            self.assertEqual(about.returncode, 0)
            ax, ay, _, _ = (int(v) for v in about.stdout.split())
            self.assertEqual((ax - x, ay - y), (140, 150))
            xdotool("key", "Return")
            time.sleep(0.5)
            click(2)
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()


if __name__ == "__main__":
    unittest.main()
