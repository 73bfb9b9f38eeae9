"""The preview inside a host's window: /p <window id>."""
import os
import signal
import time
import unittest

from harness import (HostWindow, Run, SettingsFolder, XServer, manifest_path, read_bmp,
                     stretch_source, wait_until)

PREVIEW_BITMAP = manifest_path("BITMAP", 150)
WITHOUT_BITMAP = os.environ.get("FERNHOLLOW_BIN_WITHOUT_PREVIEW")
# The painting takes this much of the bitmap, whatever its size.
SOURCE_WIDTH, SOURCE_HEIGHT = 155, 115


def expected_picture(width, height):
    """Bitmap 150's 155 x 115 rectangle stretched to width x height; black beyond the bitmap."""
    bitmap_width, bitmap_height, rows = read_bmp(PREVIEW_BITMAP)
    picture = []
    for y in range(height):
        sy = stretch_source(y, height, SOURCE_HEIGHT)
        line = []
        for x in range(width):
            sx = stretch_source(x, width, SOURCE_WIDTH)
            line.append(rows[sy][sx] if sx < bitmap_width and sy < bitmap_height else (0, 0, 0))
        picture.append(line)
    return picture


def differing_pixels(screen, left, top, picture, tolerance=2):
    count = 0
    for y, line in enumerate(picture):
        for x, colour in enumerate(line):
            seen = screen.getpixel((left + x, top + y))
            if max(abs(a - b) for a, b in zip(seen, colour)) > tolerance:
                count += 1
    return count


class PreviewTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer()
        self.settings = SettingsFolder()
        self.hosts = []
        self.runs = []

    def tearDown(self):
        for run in self.runs:
            if run.alive():
                run.process.kill()
                run.finish()
        for host in self.hosts:
            host.close()
        self.x.stop()
        self.settings.remove()

    def host(self, width, height, x=0, y=0, xserver=None):
        window = HostWindow((xserver or self.x).display, width, height, x, y)
        self.hosts.append(window)
        return window

    def start(self, *args, **kwargs):
        run = Run(args, kwargs.pop("xserver", self.x), self.settings.path, **kwargs)
        self.runs.append(run)
        return run

    def preview_window(self):
        found = self.x.run(["xdotool", "search", "--onlyvisible", "--name", "^SaverPreview$"])
        ids = found.stdout.decode().split()
        return self.x.window_geometry(int(ids[0])) if ids else None

    def test_picture_fills_the_host_window_and_ends_when_the_host_destroys_it(self):
        host = self.host(152, 112, 30, 20)
        run = self.start("/p", str(host.id))
        child = wait_until(self.preview_window, 10)
        self.assertIsNotNone(child, "no preview window; stderr: %s" % run.stderr)
        self.assertEqual(child[1:], (30, 20, 152, 112))
        picture = expected_picture(152, 112)
        differing = wait_until(
            lambda: differing_pixels(self.x.screenshot(), 30, 20, picture) == 0 or None, 10)
        if differing is None:
            self.fail("%d of 152 x 112 pixels differ from bitmap 150 stretched" %
                      differing_pixels(self.x.screenshot(), 30, 20, picture))

        host.destroy()
        started = time.monotonic()
        self.assertEqual(run.finish(5), 0, run.stderr)
        self.assertLess(time.monotonic() - started, 2)
        self.assertEqual(run.stderr, "")

    def test_the_host_growing_later_leaves_the_preview_its_first_size(self):
        host = self.host(152, 112)
        run = self.start("/p", str(host.id))
        self.assertIsNotNone(wait_until(self.preview_window, 10), run.stderr)
        host.resize(300, 200)
        time.sleep(0.5)
        self.assertEqual(self.preview_window()[3:], (152, 112))
        # The area the host gained shows the host's own white background, not the picture.
        self.assertEqual(self.x.screenshot().getpixel((250, 150)), (255, 255, 255))
        self.assertTrue(run.alive())
        self.assertEqual(run.signal(signal.SIGTERM, 5), 0, run.stderr)

    def test_a_larger_host_gets_the_picture_enlarged(self):
        host = self.host(320, 240)
        run = self.start("/p", str(host.id))
        self.assertIsNotNone(wait_until(self.preview_window, 10), run.stderr)
        picture = expected_picture(320, 240)
        self.assertIsNotNone(wait_until(
            lambda: differing_pixels(self.x.screenshot(), 0, 0, picture) == 0 or None, 10))
        self.assertEqual(run.signal(signal.SIGTERM, 5), 0)

    def test_null_and_unknown_windows_end_at_once_without_a_word(self):
        gone = self.host(10, 10)
        gone_id = gone.id
        gone.destroy()
        for handle in ("0", "999999", "4294967295", str(gone_id)):
            started = time.monotonic()
            run = self.start("/p", handle)
            self.assertEqual(run.finish(10), 0, handle)
            self.assertEqual(run.stderr, "", handle)
            self.assertLess(time.monotonic() - started, 5, handle)

    def test_sigterm_ends_the_preview_with_status_0(self):
        host = self.host(152, 112)
        run = self.start("/p", str(host.id))
        self.assertIsNotNone(wait_until(self.preview_window, 10), run.stderr)
        self.assertEqual(run.signal(signal.SIGTERM, 5), 0)
        self.assertIsNone(self.preview_window())

    @unittest.skipUnless(WITHOUT_BITMAP, "FERNHOLLOW_BIN_WITHOUT_PREVIEW is not set")
    def test_a_missing_bitmap_ends_in_the_fatal_box(self):
        host = self.host(152, 112)
        run = self.start("/p", str(host.id), binary=WITHOUT_BITMAP)
        self.assertEqual(run.finish(10), 1)
        self.assertEqual(run.stderr,
                         "ERROR: Bitmap not found in resources\nThe program will now exit\n\n")
        self.assertIsNone(self.preview_window())

    def test_a_display_without_true_colour_ends_in_the_fatal_box(self):
        eight_bit = XServer("640x480x8")
        try:
            host = self.host(152, 112, xserver=eight_bit)
            run = self.start("/p", str(host.id), xserver=eight_bit)
            self.assertEqual(run.finish(10), 1)
            self.assertEqual(run.stderr,
                             "ERROR: Could not create compatible DC\nThe program will now exit\n\n")
        finally:
            for window in self.hosts:
                window.close()
            self.hosts = []
            eight_bit.stop()


if __name__ == "__main__":
    unittest.main()
