"""Fernhollow.scr and the display's power under Wine: nothing drawn while the display is off, drawing
again once it is on, and nothing in the executable that could hold the display or the system awake.
Wine sends no power notifications, so the saver's test hook sends its own window the message Windows
would (FERNHOLLOW_DISPLAY_POWER_FILE)."""
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from winharness import SCR, Saver, reg_reset, saver_window, wait_until, xdotool


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def trace_match(path, pattern):
    try:
        with open(path) as source:
            return re.search(pattern, source.read())
    except FileNotFoundError:
        return None


class DisplayPower(unittest.TestCase):
    def test_the_saver_draws_nothing_while_the_display_is_off(self):
        folder = tempfile.mkdtemp(prefix="fernhollow-win-power-")
        self.addCleanup(shutil.rmtree, folder, True)
        state = os.path.join(folder, "display")
        trace = os.path.join(folder, "trace")
        with open(state, "w") as out:
            out.write("on\n")
        reg_reset({"ShowTime": 0, "ShowFps": 0, "UseDesktop": 1, "ExitOnMM": 0})
        saver = Saver(["/s"], FERNHOLLOW_DISPLAY_POWER_FILE=windows_path(state),
                      FERNHOLLOW_TRACE=windows_path(trace))
        self.addCleanup(saver.kill)
        self.assertTrue(wait_until(saver_window, 60), saver.stderr)
        self.assertTrue(wait_until(lambda: trace_match(trace, "first frame on screen"), 60), saver.stderr)
        time.sleep(1.0)
        with open(state, "w") as out:
            out.write("off\n")
        paused = wait_until(lambda: trace_match(trace, r"drawing paused after (\d+) frames: the display is off"), 5)
        self.assertIsNotNone(paused, open(trace).read())
        time.sleep(2.0)
        with open(state, "w") as out:
            out.write("dimmed\n")
        resumed = wait_until(lambda: trace_match(trace, r"drawing resumes after (\d+) frames"), 5)
        self.assertIsNotNone(resumed, open(trace).read())
        self.assertEqual(resumed.group(1), paused.group(1), "no frame drawn while the display was off")
        self.assertTrue(saver.alive())
        xdotool("key", "a")
        self.assertEqual(saver.finish(30), 0, saver.stderr)

    def test_nothing_in_the_executable_holds_the_display_awake(self):
        objdump = shutil.which("x86_64-w64-mingw32-objdump")
        self.assertIsNotNone(objdump, "MinGW-w64's objdump")
        imports = subprocess.run([objdump, "-p", SCR], capture_output=True, text=True, check=True).stdout
        self.assertIn("RegisterPowerSettingNotification", imports)
        for name in ("SetThreadExecutionState", "PowerCreateRequest", "PowerSetRequest"):
            self.assertNotIn(name, imports)


if __name__ == "__main__":
    unittest.main()
