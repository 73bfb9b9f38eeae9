"""The loading picture (IMAGE 125) at start-up of the real executable under a virtual display.

The saver must decode and upload picture 125 and draw it before its start-up ends; a missing or
undecodable picture ends the run with the fatal-error box and exit status 1.
"""
import os
import signal
import subprocess
import tempfile
import time
import unittest

BUILD = os.environ.get("FERNHOLLOW_BUILD", "")
BIN = os.environ.get("FERNHOLLOW_BIN", os.path.join(BUILD, "fernhollow"))
GEOMETRY = "640x480x24"


class VirtualDisplay:
    """A private Xvfb; the display number comes from Xvfb itself, so parallel runs never collide."""

    def __enter__(self):
        read, write = os.pipe()
        self.server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", GEOMETRY,
                                        "-nolisten", "tcp"], pass_fds=(write,),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as numbers:
            self.display = ":" + numbers.readline().strip()
        return self

    def __exit__(self, *exc):
        self.server.terminate()
        self.server.wait(timeout=30)


class LoadingScreen(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.TemporaryDirectory()
        self.log = os.path.join(self.work.name, "fernhollow.log")

    def tearDown(self):
        self.work.cleanup()

    def environment(self, display):
        env = dict(os.environ)
        env.update({"DISPLAY": display, "FERNHOLLOW_MESSAGE_BOX": "stderr", "FERNHOLLOW_LOG": self.log,
                    "XDG_CONFIG_HOME": os.path.join(self.work.name, "config")})
        return env

    def log_lines(self):
        if not os.path.exists(self.log):
            return []
        with open(self.log, encoding="utf-8", errors="replace") as text:
            # Drop the "[HH:MM:SS] " stamp.
            return [line[11:] for line in text.read().splitlines() if line.startswith("[")]

    def run_to_fatal_error(self, binary):
        with VirtualDisplay() as x:
            result = subprocess.run([binary, "/s"], env=self.environment(x.display), capture_output=True,
                                    text=True, timeout=180)
        return result

    def test_picture_125_is_uploaded_and_drawn_before_start_up_ends(self):
        with VirtualDisplay() as x:
            saver = subprocess.Popen([BIN, "/s"], env=self.environment(x.display), stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, text=True)
            try:
                deadline = time.monotonic() + 120
                while "Engine started" not in self.log_lines() and saver.poll() is None:
                    self.assertLess(time.monotonic(), deadline, "the saver never finished starting")
                    time.sleep(0.1)
            finally:
                saver.send_signal(signal.SIGTERM)
                out, err = saver.communicate(timeout=60)
        self.assertEqual(saver.returncode, 0, err)
        lines = self.log_lines()
        steps = ["Texture added 125", "Texture created 125", "[GL] Texture uploaded 125", "Engine started"]
        for step in steps:
            self.assertEqual(lines.count(step), 1, step)
        positions = [lines.index(step) for step in steps]
        self.assertEqual(positions, sorted(positions), lines)
        self.assertNotIn("ERROR", err)

    def test_missing_picture_125_is_a_fatal_error(self):
        result = self.run_to_fatal_error(os.path.join(BUILD, "tests", "fernhollow_missing_125"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("ERROR: Could not load resource with ID=125\nThe program will now exit\n", result.stderr)
        self.assertNotIn("Engine started", self.log_lines())

    def test_undecodable_picture_125_is_a_fatal_error(self):
        result = self.run_to_fatal_error(os.path.join(BUILD, "tests", "fernhollow_bad_125"))
        self.assertEqual(result.returncode, 1)
        self.assertIn("ERROR: IL error, could not read image\nThe program will now exit\n", result.stderr)
        self.assertNotIn("Engine started", self.log_lines())


if __name__ == "__main__":
    unittest.main()
