"""Fernhollow.scr /p <HWND> under Wine: the still picture in a host program's window."""
import os
import tempfile
import time
import unittest

import numpy

from winharness import SOURCE, Host, load_png, reg_reset, screenshot, wait_until

from harness import read_bmp  # noqa: E402


class PreviewTest(unittest.TestCase):
    def setUp(self):
        reg_reset()
        self.folder = tempfile.mkdtemp(prefix="fernhollow-win-preview-")

    def test_the_preview_runs_while_the_host_window_lives_and_ends_with_it(self):
        host = Host(152, 112, os.environ["FERNHOLLOW_SCR"])
        try:
            self.assertIsNotNone(host.line("host"), host.lines)
            self.assertIsNotNone(host.line("saver "), host.lines)
            # Still running a while later: it waits for its window's messages.
            time.sleep(5)
            self.assertEqual(host.process.poll(), None, host.lines)
            ended = host.destroy()
            self.assertIsNotNone(ended, host.lines)
            self.assertEqual(ended[:2], ["saver-exit", "0"], host.lines)
            self.assertLess(int(ended[2]), 10000)
        finally:
            host.close()
        self.assertNotIn("ERROR", host.stderr)

    @unittest.skip("Wine 8 shows no GDI drawing of a child window that belongs to another process: the "
                   "preview paints (WM_PAINT, StretchBlt) but the host's window stays as the host drew it")
    def test_the_picture_fills_the_host_window(self):
        host = Host(152, 112, os.environ["FERNHOLLOW_SCR"])
        try:
            self.assertIsNotNone(host.line("saver "), host.lines)
            width, height, rows = read_bmp(os.path.join(SOURCE, "assets", "bitmaps", "preview.bmp"))

            def painted():
                shot = load_png(screenshot(os.path.join(self.folder, "preview.png")))
                return shot if (shot[:112, :152] != 255).any(axis=2).mean() > 0.9 else None

            shot = wait_until(painted, 30, 0.5)
            self.assertIsNotNone(shot, "the preview never painted the host window")
            picture = numpy.array(rows, dtype=int).reshape(height, width, 3)
            self.assertTrue((numpy.abs(shot[0, 0] - picture[0, 0]) <= 8).all())
        finally:
            host.close()

    def test_a_missing_preview_bitmap_is_the_fatal_box_and_status_1(self):
        host = Host(152, 112, os.environ["FERNHOLLOW_SCR_WITHOUT_PREVIEW"])
        try:
            ended = host.line("saver-exit")
            self.assertIsNotNone(ended, host.lines)
            self.assertEqual(ended[1], "1", host.lines)
        finally:
            host.close()
        self.assertIn("ERROR: Bitmap not found in resources\nThe program will now exit\n", host.stderr)

    def test_without_a_host_window_nothing_runs_and_the_status_is_0(self):
        from winharness import wine
        result = wine([os.environ["FERNHOLLOW_SCR"], "/p"])
        self.assertEqual(result.returncode, 0, result.stderr)
        result = wine([os.environ["FERNHOLLOW_SCR"], "/p", "12345"])
        self.assertEqual(result.returncode, 0, result.stderr)


if __name__ == "__main__":
    unittest.main()
