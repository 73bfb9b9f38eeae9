"""The full-screen saver run: its window, its end, and what it leaves in the settings."""
import signal
import unittest

from harness import HostWindow, Run, SettingsFolder, XServer, wait_until


class SaverRunTest(unittest.TestCase):
    geometry = "1024x768x24"
    window_manager = False

    def setUp(self):
        self.x = XServer(self.geometry, self.window_manager)
        self.settings = SettingsFolder()

    def tearDown(self):
        self.x.stop()
        self.settings.remove()

    def start(self, *args, **kwargs):
        run = Run(args or ["/s"], self.x, self.settings.path, **kwargs)
        window = wait_until(self.x.find_window, 20)
        if window is None:
            run.signal(signal.SIGKILL)
            self.fail("no window; stderr: " + run.stderr)
        return run, window

    def test_covers_the_screen_and_ends_on_sigterm_with_the_settings_saved(self):
        run, window = self.start()
        width, height = (int(v) for v in self.geometry.split("x")[:2])
        # The window may still be settling into full screen under a window manager.
        settled = wait_until(lambda: self.x.window_geometry(window[0])[1:] == (0, 0, width, height), 5)
        self.assertTrue(settled, self.x.window_geometry(window[0]))
        self.assertEqual(run.signal(signal.SIGTERM), 0, run.stderr)
        self.assertNotIn("ERROR", run.stderr)
        values = self.settings.read()
        self.assertEqual((values["width"], values["height"]), (width, height))
        self.assertEqual(values["depth"], 32)
        self.assertEqual((values["Music"], values["Sound"], values["Volume"]), (1, 1, 75))
        # The saver's own values are written only by the dialog's OK.
        for name in ("UseDesktop", "ShowFps", "Gamma", "ExitOnMM", "ShowTime", "TimeStyle"):
            self.assertNotIn(name, values)

    def test_sigint_ends_the_run_like_sigterm(self):
        run, _ = self.start()
        self.assertEqual(run.signal(signal.SIGINT), 0, run.stderr)
        self.assertIn("width", self.settings.read())


class SaverRunWithWindowManagerTest(SaverRunTest):
    window_manager = True
    geometry = "1280x1024x24"

    def test_closing_the_window_ends_the_run(self):
        run, window = self.start()
        # No key is pressed: a released key would end the run by itself.
        self.x.request_close(window[0])
        self.assertEqual(run.finish(20), 0, run.stderr)
        self.assertIn("width", self.settings.read())


class StoredModeTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer("1024x768x24")
        self.settings = SettingsFolder()

    def tearDown(self):
        self.x.stop()
        self.settings.remove()

    def test_the_stored_mode_is_used_when_use_desktop_is_off(self):
        self.settings.write({"UseDesktop": 0, "width": 1024, "height": 768, "depth": 16})
        run = Run(["/s"], self.x, self.settings.path)
        window = wait_until(self.x.find_window, 20)
        self.assertIsNotNone(window, run.stderr)
        self.assertEqual(window[1:], (0, 0, 1024, 768))
        self.assertEqual(run.signal(), 0)
        self.assertEqual(self.settings.read()["depth"], 16)

    def test_a_mode_the_display_lacks_asks_and_no_ends_the_program(self):
        self.settings.write({"UseDesktop": 0, "width": 800, "height": 600, "depth": 32})
        run = Run(["/s"], self.x, self.settings.path, answer="no")
        self.assertEqual(run.finish(20), 1)
        self.assertIn("VL Engine: The Requested Fullscreen Mode Is Not Supported By\n"
                      "Your Video Card. Use Windowed Mode Instead?", run.stderr)
        self.assertIn("ERROR: Program Will Now Close.", run.stderr)
        self.assertIn("ERROR: Error, ChoosePixelFormat failed\nThe program will now exit\n",
                      run.stderr)

    def test_a_mode_the_display_lacks_asks_and_yes_gives_a_window(self):
        self.settings.write({"UseDesktop": 0, "width": 800, "height": 600, "depth": 32})
        run = Run(["/s"], self.x, self.settings.path, answer="yes")
        window = wait_until(self.x.find_window, 20)
        self.assertIsNotNone(window, run.stderr)
        self.assertEqual(window[3:], (800, 600))
        self.assertEqual(run.signal(), 0)


class HostedRunTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer("1024x768x24")
        self.settings = SettingsFolder()
        self.host = HostWindow(self.x.display, 640, 400, x=100, y=50)

    def tearDown(self):
        self.host.close()
        self.x.stop()
        self.settings.remove()

    def drawn_into_host(self):
        shot = self.x.screenshot()
        inside = shot.getpixel((100 + 320, 50 + 200))
        outside = shot.getpixel((900, 700))
        return inside != (255, 255, 255) and outside == (0, 0, 0)

    def check_hosted(self, run):
        self.assertTrue(wait_until(self.drawn_into_host, 20), run.stderr if not run.alive() else "")
        self.assertIsNone(self.x.find_window(), "the hosted run must not open its own window")
        self.assertEqual(run.signal(), 0, run.stderr)
        # The stored mode is left alone: the host's size is not the user's display mode.
        values = self.settings.read()
        self.assertNotEqual((values.get("width"), values.get("height")), (640, 400))

    def test_window_id_draws_into_the_hosts_window(self):
        self.check_hosted(Run(["-window-id", str(self.host.id)], self.x, self.settings.path))

    def test_root_draws_into_xscreensaver_window(self):
        self.check_hosted(Run(["-root"], self.x, self.settings.path,
                              env={"XSCREENSAVER_WINDOW": hex(self.host.id)}))

    def test_a_window_that_does_not_exist_is_a_clear_error(self):
        run = Run(["-window-id", "123456"], self.x, self.settings.path)
        self.assertEqual(run.finish(20), 1)
        self.assertIn("ERROR: The window 123456 does not exist", run.stderr)


if __name__ == "__main__":
    unittest.main()
