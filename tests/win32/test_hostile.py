"""Fernhollow.scr under Wine where its surroundings turn hostile: the dialog killed at each of its
registry writes, stored modes no display offers, hosts that pass the wrong window, a second /s."""
import os
import time
import unittest

from winharness import SCR, Saver, host_tool, reg_query, reg_reset, saver_window, wait_until, wine, xdotool

CAPTION = "Fernhollow Settings"
SHOW_FPS, SHOW_TIME, OK = 1044, 1119, 1
KILLED = 137  # the hook's exit status


def click(control):
    result = host_tool("control", CAPTION, control, "30")
    if result.returncode != 0:
        raise AssertionError("no control %d in the dialog: %s" % (control, result.stdout))
    x, y = result.stdout.split()
    xdotool("mousemove", x, y)
    time.sleep(0.2)
    xdotool("click", 1)
    time.sleep(0.3)


def dialog_ok(**extra):
    """Opens /c, turns Show FPS and Show Time over, presses OK; returns the exit status."""
    run = Saver(["/c"], **extra)
    try:
        rect = host_tool("rect", CAPTION, "60")
        if rect.returncode != 0:
            raise AssertionError("no settings dialog: " + rect.stdout)
        time.sleep(0.5)
        click(SHOW_FPS)
        click(SHOW_TIME)
        click(OK)
        return run.finish(30)
    finally:
        run.kill()


def open_the_key():
    """A run that only reads the settings and ends: /p without a window to draw into."""
    result = wine([SCR, "/p", "12345"])
    if result.returncode != 0:
        raise AssertionError("/p 12345 ended with %d: %s" % (result.returncode, result.stderr))


class RegistryKillTest(unittest.TestCase):
    def test_a_dialog_killed_at_any_of_its_writes_leaves_all_old_or_all_new_values(self):
        # Every value the dialog stores, as its OK stores them; then the same with the two boxes over.
        reg_reset({"ShowFps": 0, "ShowTime": 1})
        self.assertEqual(dialog_ok(), 0)
        old = reg_query()
        self.assertEqual((old["ShowFps"], old["ShowTime"]), (1, 0))
        old.update(ShowFps=0, ShowTime=1)
        new = dict(old, ShowFps=1, ShowTime=0)
        outcomes = []
        for writes in range(1, 20):
            with self.subTest(writes=writes):
                reg_reset(old)
                status = dialog_ok(FERNHOLLOW_TEST_KILL_AFTER_WRITES=str(writes))
                left = reg_query()
                open_the_key()
                after = reg_query()
                if status == 0:
                    # The whole transaction took fewer writes: the hook did not fire.
                    self.assertEqual(after, new)
                    break
                self.assertEqual(status, KILLED)
                self.assertIn(after, (old, new), "killed after write %d" % writes)
                outcomes.append((left not in (old, new), after == new))
        print("rounds (mixed when killed, new after the next open):", outcomes)
        # Killed before its last write and after its first: there was a half-done key to roll back.
        self.assertGreaterEqual(len(outcomes), 5)
        self.assertTrue(any(mixed for mixed, _ in outcomes), outcomes)
        self.assertFalse(outcomes[0][1], "killed at its first write, the key must keep the old values")
        self.assertTrue(outcomes[-1][1], "killed at its last write, the transaction had been stored")


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
