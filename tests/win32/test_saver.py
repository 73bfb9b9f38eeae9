"""Fernhollow.scr /s under Wine: the forest on screen, what ends it, and the fatal errors."""
import os
import tempfile
import time
import unittest

import numpy

from winharness import (Saver, load_png, reg_query, reg_reset, saver_window, screenshot,
                        wait_until, xdotool)

LINUX_BUILD = os.environ.get("FERNHOLLOW_LINUX_BUILD") or ""
SCENE_SECONDS = 6.0


def linux_screenshot(path):
    """The Linux build's /s at 1024x768 with the same settings, shot as long after its window appeared."""
    from harness import Run, SettingsFolder, XServer
    x = XServer("1024x768x24")
    settings = SettingsFolder()
    try:
        settings.write({"ShowTime": 0, "ShowFps": 0, "UseDesktop": 1})
        run = Run(["/s"], x, settings.path, binary=os.path.join(LINUX_BUILD, "fernhollow"))
        if not wait_until(x.find_window, 60):
            raise AssertionError("the Linux build showed no window: %s" % run.signal())
        time.sleep(SCENE_SECONDS)
        x.screenshot(path)
        run.signal()
    finally:
        x.stop()
        settings.remove()
    return path


class SceneTest(unittest.TestCase):
    """One run: its screenshot beside the Linux build's, then a released key ends it."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="fernhollow-win-scene-")
        reg_reset({"ShowTime": 0, "ShowFps": 0, "UseDesktop": 1, "ExitOnMM": 1})
        cls.saver = Saver(["/s"])
        cls.window = wait_until(saver_window, 60)
        if cls.window:
            time.sleep(SCENE_SECONDS)
            cls.shot = screenshot(os.path.join(cls.folder, "windows.png"))
            cls.alive_at_shot = cls.saver.alive()
        xdotool("key", "a")
        cls.status = cls.saver.finish(30)
        cls.linux_shot = linux_screenshot(os.path.join(cls.folder, "linux.png"))

    def test_the_window_covers_the_display_and_a_key_release_ends_the_run(self):
        self.assertEqual(self.window, (0, 0, 1024, 768), self.saver.stderr)
        self.assertTrue(self.alive_at_shot)
        self.assertEqual(self.status, 0, self.saver.stderr)
        self.assertNotIn("ERROR", self.saver.stderr)
        # At the end of the run the desktop's mode is in the registry (UseDesktop on).
        values = reg_query()
        self.assertEqual((values["width"], values["height"]), (1024, 768))

    def test_the_scene_matches_the_linux_build(self):
        windows = load_png(self.shot)
        linux = load_png(self.linux_shot)
        self.assertEqual(windows.shape, linux.shape)
        # Same pictures, same layout, same renderer: coarse blocks agree closely everywhere; single
        # pixels differ only where the animation (swaying plants, beams, deer, rabbit, bird) stands
        # at another phase.
        blocks = [image.reshape(48, 16, 64, 16, 3).mean(axis=(1, 3)) for image in (windows, linux)]
        block_difference = numpy.abs(blocks[0] - blocks[1]).max(axis=2)
        pixel_difference = numpy.abs(windows - linux).max(axis=2)
        print("blocks over 24: %d of 3072; mean block difference %.2f; pixels over 32: %.4f" % (
            (block_difference > 24).sum(), block_difference.mean(), (pixel_difference > 32).mean()))
        self.assertLess(block_difference.mean(), 4.0)
        self.assertLess((block_difference > 24).sum(), 3072 * 0.05)
        # The big tree's trunk does not move: there the two builds give the same pixels.
        trunk = (slice(150, 330), slice(40, 140))
        self.assertLess(pixel_difference[trunk].mean(), 2.0)

    def test_a_black_window_would_not_pass_as_the_scene(self):
        # The comparison above can fail: a black screen is far from the scene.
        linux = load_png(self.linux_shot)
        block = linux.reshape(48, 16, 64, 16, 3).mean(axis=(1, 3))
        self.assertGreater(block.mean(), 40)


class MouseTest(unittest.TestCase):
    def setUp(self):
        reg_reset({"ShowTime": 0, "ExitOnMM": 1})

    def test_a_mouse_move_after_arming_ends_the_run_and_before_arming_does_not(self):
        run = Saver(["/s"])
        try:
            self.assertTrue(wait_until(saver_window, 60), run.stderr)
            time.sleep(0.5)
            xdotool("mousemove", 100, 100)
            time.sleep(1.0)
            xdotool("mousemove", 300, 300)
            time.sleep(0.5)
            self.assertTrue(run.alive(), "a move in the first 3 s of frames ended the run")
            time.sleep(6.0)
            xdotool("mousemove", 600, 500)
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()

    def test_with_exit_on_mouse_move_off_only_a_key_ends_it(self):
        reg_reset({"ShowTime": 0, "ExitOnMM": 0})
        run = Saver(["/s"])
        try:
            self.assertTrue(wait_until(saver_window, 60), run.stderr)
            time.sleep(5.0)
            xdotool("mousemove", 50, 60)
            time.sleep(1.0)
            xdotool("mousemove", 500, 400)
            time.sleep(2.0)
            self.assertTrue(run.alive())
            xdotool("key", "space")
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()


class FatalErrorTest(unittest.TestCase):
    def test_a_mode_the_display_lacks_asks_and_no_ends_with_status_1(self):
        reg_reset({"UseDesktop": 0, "width": 1234, "height": 567, "depth": 32})
        run = Saver(["/s"], FERNHOLLOW_MESSAGE_BOX_ANSWER="no")
        self.assertEqual(run.finish(60), 1, run.stderr)
        self.assertIn("VL Engine: The Requested Fullscreen Mode Is Not Supported By\n"
                      "Your Video Card. Use Windowed Mode Instead?", run.stderr)
        self.assertIn("ERROR: Program Will Now Close.", run.stderr)
        self.assertIn("\nThe program will now exit\n", run.stderr)

    def test_a_mode_the_display_lacks_asks_and_yes_gives_a_window(self):
        reg_reset({"UseDesktop": 0, "width": 800, "height": 600, "depth": 32, "ShowTime": 0})
        run = Saver(["/s"], FERNHOLLOW_MESSAGE_BOX_ANSWER="yes")
        try:
            window = wait_until(saver_window, 60)
            self.assertIsNotNone(window, run.stderr)
            xdotool("key", "a")
            self.assertEqual(run.finish(30), 0, run.stderr)
        finally:
            run.kill()
        self.assertIn("Use Windowed Mode Instead?", run.stderr)


if __name__ == "__main__":
    unittest.main()
