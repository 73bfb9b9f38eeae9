"""Fernhollow.scr under Wine where its surroundings turn hostile: stored modes no display offers, hosts
that pass the wrong window, a second /s (the settings' own: test_hostile_settings.py)."""
import time
import unittest

from winharness import SCR, Saver, host_tool, reg_reset, saver_window, wait_until, xdotool


class DisplayModeTest(unittest.TestCase):
    def test_a_stored_mode_no_display_offers_asks_and_every_run_ends_by_a_key(self):
        for width, height in ((0, 768), (1024, 100000), (1024, 0)):
            with self.subTest(width=width, height=height):
                reg_reset({"UseDesktop": 0, "width": width, "height": height, "depth": 32, "ShowTime": 0})
                run = Saver(["/s"], FERNHOLLOW_MESSAGE_BOX_ANSWER="no")
                self.assertEqual(run.finish(60), 1, run.stderr)
                self.assertIn("Use Windowed Mode Instead?", run.stderr)

                run = Saver(["/s"], FERNHOLLOW_MESSAGE_BOX_ANSWER="yes")
                try:
                    window = wait_until(saver_window, 60)
                    self.assertIsNotNone(window, run.stderr)
                    time.sleep(1.0)
                    xdotool("key", "a")
                    self.assertEqual(run.finish(30), 0, run.stderr)
                finally:
                    run.kill()
                self.assertIn("Use Windowed Mode Instead?", run.stderr)


class HostWindowTest(unittest.TestCase):
    def test_a_preview_into_the_desktop_window_is_refused_with_status_0(self):
        reg_reset()
        # The test host starts it, so that the desktop it names is still there while the saver looks.
        result = host_tool("preview-desktop", SCR, timeout=40)
        self.assertEqual(result.stdout.split()[:2], ["saver-exit", "0"], result.stdout)
        self.assertLess(int(result.stdout.split()[2]), 15000)

    def test_a_second_saver_ends_at_once_and_a_key_still_ends_the_first(self):
        reg_reset({"ShowTime": 0, "ExitOnMM": 0, "UseDesktop": 1})
        first = Saver(["/s"])
        second = None
        try:
            self.assertTrue(wait_until(saver_window, 60), first.stderr)
            time.sleep(1.0)
            second = Saver(["/s"])
            self.assertEqual(second.finish(20), 0, second.stderr)
            self.assertTrue(first.alive())
            xdotool("key", "a")
            self.assertEqual(first.finish(30), 0, first.stderr)
        finally:
            first.kill()
            if second:
                second.kill()


if __name__ == "__main__":
    unittest.main()
