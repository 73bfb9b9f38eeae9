"""The saver on screens and drivers that are not the usual ones: an OpenGL below 2.1 (Mesa's version
override), a depth-16 X screen (some VNC and thin-client sessions), one without GLX at all, a host's
window resized while the scene runs and a screen that changes size (xrandr on Xorg's dummy driver). Each
screenshot is compared with the scene drawn by the art tools, thumbnail by thumbnail (a thumbnail cell is
the mean of 8x8 pixels, so a depth-16 screen's coarser colours still compare)."""
import os
import shutil
import tempfile
import time
import unittest

import numpy as np

from forest import SHOTS, ForestRun, art
from harness import HostWindow, Run, SettingsFolder, TwoMonitorXServer, XServer, wait_until
from test_forest_scene import references

compose, layout = art()
CELL = 8


def thumbnail(picture):
    """The picture's 8x8 means; a last partial row or column of cells is dropped."""
    height, width = picture.shape[0] // CELL * CELL, picture.shape[1] // CELL * CELL
    cells = picture[:height, :width].reshape(height // CELL, CELL, width // CELL, CELL, -1)
    return cells.mean(axis=(1, 3))


class Scene:
    """The scene's thumbnails over its moments at one size; where the clock may be is left out."""

    cache = {}

    @classmethod
    def at(cls, width, height):
        if (width, height) not in cls.cache:
            cls.cache[(width, height)] = cls(width, height)
        return cls.cache[(width, height)]

    def __init__(self, width, height):
        thumbnails = np.stack([thumbnail(reference) for reference in references(width, height)])
        self.low, self.high = thumbnails.min(axis=0), thumbnails.max(axis=0)
        self.compared = np.ones(self.low.shape[:2], bool)
        clock_x = int(min(layout.CLOCK_12H[0], layout.CLOCK_24H[0]) * width) - 2
        clock_y = int(layout.CLOCK_12H[1] * height) - 2
        self.compared[clock_y // CELL:, clock_x // CELL:] = False

    def agreement(self, shot, tolerance=12.0):
        """The share of compared cells whose every channel lies within the scene's range (plus tolerance)."""
        cells = thumbnail(np.asarray(shot, np.float32))
        inside = ((cells >= self.low - tolerance) & (cells <= self.high + tolerance)).all(axis=-1)
        return inside[self.compared].mean()


class HostRun:
    """fernhollow drawing into a host's window (-root, -window-id) with its own settings and log."""

    def __init__(self, test, x, args, env=None):
        self.x = x
        self.settings = SettingsFolder()
        handle, self.log = tempfile.mkstemp(prefix="fernhollow-", suffix=".log")
        os.close(handle)
        environment = {"FERNHOLLOW_LOG": self.log}
        environment.update(env or {})
        self.run = Run(list(args), x, self.settings.path, env=environment)
        test.addCleanup(self.close)
        if not wait_until(lambda: not self.run.alive() or "Timer initialized" in self.log_text(), 60) or \
                not self.run.alive():
            self.run.signal()
            test.fail("the scene never drew a frame; stderr: " + self.run.stderr)

    def log_text(self):
        with open(self.log, encoding="utf-8", errors="replace") as text:
            return text.read()

    def close(self):
        if self.run.alive():
            self.run.signal()
        self.settings.remove()
        if os.path.exists(self.log):
            os.unlink(self.log)


def clock_box(shot, width, height):
    """(x0, y0, x1, y1) of the clock's lit pixels in the shot's top-left width x height, ends exclusive;
    None when nothing is lit where the clock stands."""
    left, top = int(layout.CLOCK_12H[0] * width) - 8, int(layout.CLOCK_12H[1] * height) - 8
    region = np.asarray(shot, np.float32)[top:height, left:width]
    ys, xs = np.nonzero(region.min(axis=-1) > 180)
    if not len(xs):
        return None
    return (left + xs.min(), top + ys.min(), left + xs.max() + 1, top + ys.max() + 1)


class ResizableScreen(TwoMonitorXServer):
    """Xorg with the dummy video driver, one monitor at 1280x720 whose screen xrandr can set to
    1024x768 or 800x600 (tests/support/one-monitor.conf)."""
    CONFIG = "one-monitor.conf"
    GEOMETRY = "1280x720x24"

    def set_size(self, width, height):
        self.run(["xrandr", "-s", "%dx%d" % (width, height)], check=True)

    def plug_second_monitor(self, plugged):
        """An 800x600 monitor right of the first (DUMMY1), or none."""
        if plugged:
            self.run(["xrandr", "--addmode", "DUMMY1", "800x600"])
            self.run(["xrandr", "--output", "DUMMY1", "--mode", "800x600", "--right-of", "DUMMY0"], check=True)
        else:
            self.run(["xrandr", "--output", "DUMMY1", "--off"], check=True)

    def set_second_monitor(self, width, height, screen):
        """The second monitor in another mode, the screen kept at its size: only RandR tells."""
        mode = "%dx%d" % (width, height)
        self.run(["xrandr", "--addmode", "DUMMY1", mode])
        self.run(["xrandr", "--fb", "%dx%d" % screen, "--output", "DUMMY1", "--mode", mode, "--right-of", "DUMMY0"],
                 check=True)


def save(picture, name):
    os.makedirs(SHOTS, exist_ok=True)
    path = os.path.join(SHOTS, name + ".png")
    picture.save(path)
    return path


class OldOpenGL(unittest.TestCase):
    """A driver that offers OpenGL 1.3 or 2.0 only (MESA_GL_VERSION_OVERRIDE): every way of drawing
    starts and shows the scene as on the driver's full version."""

    def test_the_scene_is_drawn_on_opengl_1_3_and_2_0(self):
        for version in ("1.3", "2.0"):
            env = {"MESA_GL_VERSION_OVERRIDE": version}
            with self.subTest(how="/s", version=version):
                run = ForestRun(self, "640x360x24", env=env)
                try:
                    run.wait_for_frame_time(2.0)
                    shot = run.x.screenshot()
                    path = save(shot, "OldOpenGL-s-%s" % version)
                    self.assertIn("[GL] OpenGL ver %s " % version, run.log_text())
                    self.assertGreater(Scene.at(640, 360).agreement(shot), 0.97, path)
                    run.x.xdotool("key", "Escape")
                    self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)
                finally:
                    run.close()
            for how in ("-root", "-window-id"):
                with self.subTest(how=how, version=version):
                    x = XServer("640x360x24")
                    self.addCleanup(x.stop)
                    args = ["-root"]
                    if how == "-window-id":
                        host = HostWindow(x.display, 640, 360)
                        self.addCleanup(host.close)
                        args = ["-window-id", str(host.id)]
                    run = HostRun(self, x, args, env)
                    time.sleep(2.0)
                    shot = x.screenshot()
                    path = save(shot, "OldOpenGL%s-%s" % (how, version))
                    self.assertIn("[GL] OpenGL ver %s " % version, run.log_text())
                    self.assertGreater(Scene.at(640, 360).agreement(shot), 0.97, path)
                    self.assertEqual(run.run.signal(), 0, run.run.stderr)


class SixteenBitScreen(unittest.TestCase):
    """A depth-16 X screen: a host's window there has a depth-16 visual, and the scene is drawn into it."""

    def test_the_scene_reaches_a_hosts_window_at_depth_16(self):
        x = XServer("1024x768x16")
        self.addCleanup(x.stop)
        with self.subTest(how="-root"):
            run = HostRun(self, x, ["-root"])
            time.sleep(2.0)
            shot = x.screenshot()
            path = save(shot, "SixteenBit-root")
            self.assertGreater(Scene.at(1024, 768).agreement(shot), 0.97, path)
            self.assertEqual(run.run.signal(), 0, run.run.stderr)
        with self.subTest(how="-window-id"):
            host = HostWindow(x.display, 640, 360, x=100, y=60)
            self.addCleanup(host.close)
            run = HostRun(self, x, ["-window-id", str(host.id)])
            time.sleep(2.0)
            shot = x.screenshot().crop((100, 60, 740, 420))
            path = save(shot, "SixteenBit-window-id")
            self.assertGreater(Scene.at(640, 360).agreement(shot), 0.97, path)
            self.assertEqual(run.run.signal(), 0, run.run.stderr)

    def test_a_screen_without_glx_is_refused_with_a_message_and_status_1(self):
        # Xvfb's depth-8 screen has no GLX at all.
        x = XServer("640x480x8")
        self.addCleanup(x.stop)
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        host = HostWindow(x.display, 320, 240)
        self.addCleanup(host.close)
        for args in (["-root"], ["-window-id", str(host.id)]):
            with self.subTest(args=args):
                run = Run(args, x, settings.path)
                self.assertEqual(run.finish(), 1, run.stderr)
                self.assertRegex(run.stderr, r"Could not draw into window \d+: GLX is not supported")



class FollowsItsWindow(unittest.TestCase):
    """The scene fills the window it draws into again within a second of a resize (ConfigureNotify),
    the run going on: a host's window grown and shrunk; the root window when xrandr changes the
    screen's size."""

    def assert_filled(self, shot, view, name):
        """The scene whole in view (x, y, width, height) of the shot, black around it."""
        path = save(shot, name)
        left, top, width, height = view
        inside = shot.crop((left, top, left + width, top + height))
        self.assertGreater(Scene.at(width, height).agreement(inside), 0.97, path)
        # The clock in its place for this size and whole (nothing lit on the last row).
        box = clock_box(inside, width, height)
        self.assertIsNotNone(box, path)
        self.assertLessEqual(abs(box[0] - layout.CLOCK_12H[0] * width), 3, (box, path))
        self.assertLess(box[3], height, (box, path))
        around = np.asarray(shot, np.float32).copy()
        around[top:top + height, left:left + width] = 0
        self.assertLess(around.max(), 8, path)

    def follow(self, x, run, width, height, change, name, view=None):
        change(width, height)
        # The screenshot a second later (it takes some 0.2 s) shows the new layout.
        time.sleep(1.0)
        shot = x.screenshot()
        self.assertTrue(run.run.alive(), run.run.stderr)
        self.assert_filled(shot.crop((0, 0, width, height)), view or (0, 0, width, height), name)
        self.assertIn("Drawing into %dx%d now" % (width, height), run.log_text())

    def test_the_saver_follows_a_monitor_plugged_in_and_out(self):
        if not (os.geteuid() == 0 and shutil.which("Xorg")):
            self.skipTest("Xorg with the dummy driver runs as root only")
        run = ForestRun(self, xserver=ResizableScreen())
        self.addCleanup(run.close)
        time.sleep(1.0)
        run.x.plug_second_monitor(True)
        time.sleep(1.0)
        shot = run.x.screenshot()
        self.assertTrue(run.run.alive(), run.run.stderr)
        self.assertEqual(shot.size, (2080, 720))
        # The first monitor whole; the second (800x600, 4:3) filled by the scene laid out at its own size.
        self.assert_filled(shot.crop((0, 0, 1280, 720)), (0, 0, 1280, 720), "Plugged-s-first")
        self.assert_filled(shot.crop((1280, 0, 2080, 600)), (0, 0, 800, 600), "Plugged-s-second")
        # The second monitor set to 640x480 while the screen stays 2080x720: its view follows.
        run.x.set_second_monitor(640, 480, (2080, 720))
        time.sleep(1.0)
        shot = run.x.screenshot()
        self.assertEqual(shot.size, (2080, 720))
        self.assert_filled(shot.crop((1280, 0, 1920, 480)), (0, 0, 640, 480), "Plugged-s-second-640x480")
        run.x.plug_second_monitor(False)
        time.sleep(1.0)
        shot = run.x.screenshot()
        self.assertEqual(shot.size, (1280, 720))
        self.assert_filled(shot, (0, 0, 1280, 720), "Unplugged-s")
        run.x.xdotool("key", "Escape")
        self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)

    def test_a_hosts_window_grown_and_shrunk_is_filled_again(self):
        x = XServer("1024x768x24")
        self.addCleanup(x.stop)
        host = HostWindow(x.display, 640, 360)
        self.addCleanup(host.close)
        run = HostRun(self, x, ["-window-id", str(host.id)])
        time.sleep(1.0)
        # Both sizes of a shape between 4:3 and 16:9 (900x500 would lie outside: a crop, test_shapes).
        for width, height in ((880, 500), (480, 270)):
            self.follow(x, run, width, height, host.resize, "Resized-window-id-%dx%d" % (width, height))
        self.assertEqual(run.run.signal(), 0, run.run.stderr)

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("Xorg"), "Xorg with the dummy driver runs as root only")
    def test_the_root_window_is_filled_again_after_xrandr(self):
        x = ResizableScreen()
        self.addCleanup(x.stop)
        run = HostRun(self, x, ["-root"])
        time.sleep(1.0)
        for width, height in ((1024, 768), (800, 600)):
            self.follow(x, run, width, height, x.set_size, "Resized-root-%dx%d" % (width, height))
        self.assertEqual(run.run.signal(), 0, run.run.stderr)

    @unittest.skipUnless(os.geteuid() == 0 and shutil.which("Xorg"), "Xorg with the dummy driver runs as root only")
    def test_the_saver_covers_the_screen_again_after_xrandr(self):
        # Laid out at the desktop's 1280x720 when it started, the scene is laid out again at the new
        # screen's own 4:3 size and fills it.
        run = ForestRun(self, xserver=ResizableScreen())
        self.addCleanup(run.close)
        time.sleep(1.0)
        for width, height in ((1024, 768), (800, 600)):
            self.follow(run.x, run, width, height, run.x.set_size, "Resized-s-%dx%d" % (width, height))
        run.x.xdotool("key", "Escape")
        self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)
        # The end of the run leaves the screen as it was changed, not as it was at the start.
        self.assertIn(b"current 800 x 600,", run.x.run(["xrandr"]).stdout)


if __name__ == "__main__":
    unittest.main()
