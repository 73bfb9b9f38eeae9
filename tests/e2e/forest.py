"""Runs the forest scene for the end-to-end tests and draws what it should look like.

The reference pictures come from tools/art/compose.py, which draws the scene from the files in assets/ the
way the engine does (nearest texels, source-alpha blending in draw order, additive text).
"""
import os
import signal
import sys
import tempfile
import time

from harness import SOURCE, Run, SettingsFolder, XServer, wait_until

BUILD = os.environ.get("FERNHOLLOW_BUILD") or os.path.join(SOURCE, "build")
SHOTS = os.path.join(BUILD, "e2e-screens")


def art():
    """The art tools' compose and layout modules."""
    path = os.path.join(SOURCE, "tools", "art")
    if path not in sys.path:
        sys.path.insert(0, path)
    import compose
    import layout
    return compose, layout


class ForestRun:
    """One saver run on its own virtual display, with its settings, its log and optional extra environment.

    first_frame is the monotonic time at which the log showed the first frame (the timer is made there)."""

    def __init__(self, test, geometry="1024x768x24", settings=None, env=None, args=("/s",), xserver=None):
        self.test = test
        self.x = xserver or XServer(geometry)
        self.settings = SettingsFolder()
        if settings:
            self.settings.write(settings)
        handle, self.log = tempfile.mkstemp(prefix="fernhollow-", suffix=".log")
        os.close(handle)
        environment = {"FERNHOLLOW_LOG": self.log}
        environment.update(env or {})
        self.run = Run(list(args), self.x, self.settings.path, env=environment)
        self.window = wait_until(self.x.find_window, 30)
        if self.window is None:
            self.close()
            test.fail("no window; stderr: " + self.run.stderr)
        started = wait_until(lambda: not self.run.alive() or "Timer initialized" in self.log_text(), 60)
        self.first_frame = time.monotonic()
        if not started or not self.run.alive():
            self.close()
            test.fail("the scene never drew a frame; stderr: " + self.run.stderr)

    def log_text(self):
        with open(self.log, encoding="utf-8", errors="replace") as text:
            return text.read()

    def since_first_frame(self):
        return time.monotonic() - self.first_frame

    def wait_for_frame_time(self, seconds):
        """Sleeps until that much wall time has passed since the first frame."""
        left = seconds - self.since_first_frame()
        if left > 0:
            time.sleep(left)

    def ended_within(self, seconds):
        """The exit status if the run ends within that time, else None."""
        if wait_until(lambda: not self.run.alive(), seconds, 0.02) is None:
            return None
        return self.run.finish(5)

    def close(self):
        if self.run.alive():
            self.run.signal(signal.SIGKILL)
        self.x.stop()
        self.settings.remove()
        if os.path.exists(self.log):
            os.unlink(self.log)
