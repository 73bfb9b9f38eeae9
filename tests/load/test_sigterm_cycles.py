"""200 saver runs ended by SIGTERM at varied moments: while the engine starts (window, GL context,
loading picture), while the scene is being built (pictures decoded and uploaded), and after some frames.
Every run exits 0 and leaves a settings file that parses.

The moments are found from the start-up trace (FERNHOLLOW_TRACE), so each phase is really hit; within a
phase the delay is drawn from a fixed seed. A signal that lands before main() has installed the handlers
(while the dynamic loader is still at work) ends the process by the signal's default action: no program
code runs then and the settings file is untouched; those runs are sent separately and checked for just
that."""
import os
import random
import signal
import time
import unittest

from harness import Run, SettingsFolder, XServer, wait_until
from settings_file import read_values

CYCLES = 200


class SigtermCyclesTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer("640x480x24")
        self.settings = SettingsFolder()
        self.trace = os.path.join(self.settings.path, "trace")

    def tearDown(self):
        self.x.stop()
        self.settings.remove()

    def events(self):
        try:
            with open(self.trace) as source:
                return [line.split(" ", 1)[1].strip() for line in source if " " in line]
        except FileNotFoundError:
            return []

    def test_sigterm_at_any_moment_ends_the_run_cleanly(self):
        chance = random.Random(20261)
        phases = [("saver run starts", 0.25), ("loading picture on screen", 0.0),
                  ("batch upload starts", 0.15), ("first frame on screen", 1.0)]
        hit = {}
        for cycle in range(CYCLES):
            event, spread = phases[cycle % len(phases)]
            if os.path.exists(self.trace):
                os.unlink(self.trace)
            run = Run(["/s"], self.x, self.settings.path, env={"FERNHOLLOW_TRACE": self.trace})
            try:
                reached = wait_until(lambda: event in self.events() or not run.alive(), 60, 0.002)
                self.assertTrue(reached and run.alive(), "cycle %d: never reached %r; stderr %s" % (
                    cycle, event, run.stderr))
                time.sleep(chance.uniform(0, spread))
                seen = self.events()
                status = run.signal(signal.SIGTERM, 60)
            finally:
                if run.alive():
                    run.signal(signal.SIGKILL)
            self.assertEqual(status, 0, "cycle %d after %r (%s): %s" % (cycle, event, seen[-1:], run.stderr))
            self.assertNotIn("ERROR", run.stderr, cycle)
            values = read_values(self.settings.file)
            self.assertEqual((values["width"], values["height"]), (640, 480), cycle)
            hit[seen[-1]] = hit.get(seen[-1], 0) + 1
        print("last milestone before SIGTERM: %s" % hit)
        # Every phase was really hit, not just the frames.
        for milestone in ("saver run starts", "loading picture on screen", "first frame on screen"):
            self.assertIn(milestone, hit)
        self.assertTrue(any(name.startswith(("decoded", "uploaded")) for name in hit), hit)

    def test_sigterm_before_main_kills_without_touching_the_settings(self):
        self.settings.write({"Volume": 33})
        with open(self.settings.file, "rb") as source:
            before = source.read()
        for cycle in range(10):
            run = Run(["/s"], self.x, self.settings.path)
            run.process.send_signal(signal.SIGTERM)
            status = run.finish(60)
            self.assertIn(status, (0, -signal.SIGTERM), run.stderr)
            if status != 0:
                with open(self.settings.file, "rb") as source:
                    self.assertEqual(source.read(), before)
            read_values(self.settings.file)


if __name__ == "__main__":
    unittest.main()
