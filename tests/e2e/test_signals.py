"""Signals from hosts, terminals and the session: SIGHUP, SIGINT, SIGQUIT and SIGTERM end the run cleanly
(status 0, the settings saved, a switched display mode restored) under /s, -root, -window-id and the
preview /p; SIGUSR1 and SIGUSR2, a host's reset, leave the scene (or the preview) running."""
import os
import shutil
import signal
import time
import unittest

import numpy as np

from harness import HostWindow, Run, SettingsFolder, TwoMonitorXServer, XServer, wait_until

ENDING = (signal.SIGHUP, signal.SIGINT, signal.SIGQUIT, signal.SIGTERM)
RESETS = (signal.SIGUSR1, signal.SIGUSR2)


def first_frame_drawn(trace):
    if not os.path.exists(trace):
        return False
    with open(trace) as text:
        return "first frame on screen" in text.read()


class Signals(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = XServer("800x600x24")
        cls.host = HostWindow(cls.x.display, 320, 200, x=40, y=30)

    @classmethod
    def tearDownClass(cls):
        cls.host.close()
        cls.x.stop()

    def setUp(self):
        self.settings = SettingsFolder()
        self.addCleanup(self.settings.remove)

    def start(self, mode):
        """The run in that mode once its first frame is on the screen, and the area it draws."""
        trace = os.path.join(self.settings.path, "trace")
        if os.path.exists(trace):
            os.unlink(trace)
        env = {"FERNHOLLOW_TRACE": trace}
        if mode == "/s":
            args, area = ["/s"], (0, 0, 800, 600)
        elif mode == "-window-id":
            args, area = ["-window-id", str(self.host.id)], (40, 30, 360, 230)
        else:
            args, area = ["-root"], (40, 30, 360, 230)
            env["XSCREENSAVER_WINDOW"] = hex(self.host.id)
        run = Run(args, self.x, self.settings.path, env=env)
        if not wait_until(lambda: not run.alive() or first_frame_drawn(trace), 60):
            run.signal(signal.SIGKILL)
            self.fail("%s drew no frame within 60 s" % mode)
        self.assertTrue(run.alive(), run.stderr)
        return run, area

    def test_each_ending_signal_ends_every_mode_with_status_0_and_the_settings_saved(self):
        for mode in ("/s", "-window-id", "-root"):
            for number in ENDING:
                with self.subTest(mode=mode, signal=number.name):
                    if os.path.exists(self.settings.file):
                        os.unlink(self.settings.file)
                    run, _ = self.start(mode)
                    # The process ends by itself: killed by the signal, the status would be -number.
                    self.assertEqual(run.signal(number, 20), 0, run.stderr)
                    self.assertNotIn("ERROR", run.stderr)
                    if mode == "/s":
                        # Written at the run's end only: the exit-time clean-up ran.
                        values = self.settings.read() or {}
                        self.assertEqual((values.get("width"), values.get("height")), (800, 600))

    def test_each_signal_under_the_preview(self):
        def preview_shown():
            found = self.x.run(["xdotool", "search", "--onlyvisible", "--name", "^SaverPreview$"])
            return found.stdout.split()
        for number in ENDING + RESETS:
            with self.subTest(signal=number.name):
                run = Run(["/p", str(self.host.id)], self.x, self.settings.path)
                self.assertTrue(wait_until(preview_shown, 20), run.stderr)
                run.process.send_signal(number)
                if number in RESETS:
                    time.sleep(1.0)
                    self.assertTrue(run.alive(), "the preview ended on %s: %s" % (number.name, run.stderr))
                    self.assertTrue(preview_shown())
                    number = signal.SIGTERM
                self.assertEqual(run.signal(number, 10), 0, run.stderr)
                self.assertFalse(wait_until(lambda: not preview_shown(), 5) is None)

    def test_a_reset_leaves_the_scene_running_in_every_mode(self):
        for mode in ("/s", "-window-id", "-root"):
            with self.subTest(mode=mode):
                run, (left, top, right, bottom) = self.start(mode)
                for number in RESETS + RESETS:
                    run.process.send_signal(number)
                    time.sleep(0.2)
                time.sleep(1.0)
                self.assertTrue(run.alive(), "%s ended on a reset: status %s, %s" % (
                    mode, run.process.poll(), run.stderr))

                # Still drawing: the forest moves between two pictures taken a second apart.
                def picture():
                    return np.asarray(self.x.screenshot().crop((left, top, right, bottom)), np.float32)
                first = picture()
                moved = wait_until(lambda: (np.abs(picture() - first).max(axis=-1) > 40).mean() > 0.0005,
                                   10, 0.5)
                self.assertTrue(first.mean() > 20, "%s: the picture is black" % mode)
                self.assertTrue(moved, "%s: the scene stopped after the reset" % mode)
                self.assertTrue(run.alive())
                self.assertEqual(run.signal(signal.SIGTERM, 20), 0, run.stderr)


class SwitchableModesXServer(TwoMonitorXServer):
    """Xorg with the dummy video driver: one 1280x720 monitor whose mode RandR can switch
    (tests/support/switchable-modes.conf). Xorg needs root; it picks a free display number."""

    CONFIG = "switchable-modes.conf"
    GEOMETRY = "1280x720x24"

    def mode(self):
        """The screen's current size as (width, height), from RandR."""
        out = self.run(["xrandr", "--current"]).stdout.decode()
        words = out.split("current", 1)[1].split(",", 1)[0].split("x")
        return int(words[0]), int(words[1])


@unittest.skipUnless(os.geteuid() == 0 and shutil.which("Xorg") and shutil.which("xrandr"),
                     "Xorg with the dummy driver runs as root only")
class SwitchedModeRestored(unittest.TestCase):
    def test_the_desktops_mode_comes_back_after_each_ending_signal(self):
        x = SwitchableModesXServer()
        self.addCleanup(x.stop)
        self.assertEqual(x.mode(), (1280, 720))
        for number in ENDING:
            with self.subTest(signal=number.name):
                if x.mode() != (1280, 720):  # left switched by a run before: the next starts clean
                    x.run(["xrandr", "-s", "1280x720"])
                settings = SettingsFolder()
                self.addCleanup(settings.remove)
                settings.write({"UseDesktop": 0, "width": 1024, "height": 768, "depth": 32})
                run = Run(["/s"], x, settings.path)
                switched = wait_until(lambda: not run.alive() or x.mode() == (1024, 768), 60, 0.2)
                self.assertTrue(switched and run.alive(), "the mode was not switched: %s" % run.stderr)
                time.sleep(1.0)
                self.assertEqual(run.signal(number, 20), 0, run.stderr)
                restored = wait_until(lambda: x.mode() == (1280, 720), 5, 0.1)
                self.assertTrue(restored, "the screen stays %dx%d after %s" % (x.mode() + (number.name,)))
                values = settings.read()
                self.assertEqual((values["UseDesktop"], values["width"], values["height"]), (0, 1024, 768))
                self.assertIn("Music", values)  # written at the run's end


if __name__ == "__main__":
    unittest.main()
