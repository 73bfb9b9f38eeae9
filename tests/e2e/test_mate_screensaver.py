"""MATE's screen saver (mate-screensaver, whose entries Xfce's reads too) with the installed entry: the
theme screensavers-fernhollow is found and shown full screen on activation, deactivation ends it within a
second with nothing left running, five times in a row; locked, the host's unlock dialog stops the saver
and lets it go on when the dialog goes, and the scene carries on. Each test on its own Xvfb display with
its own session bus and a scratch home (where the saver, given the host's few variables, keeps its
settings)."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import numpy as np

from forest import SHOTS
from harness import XServer, wait_until
from hosts import ForestCheck, SessionBus, StagedInstall, alive, as_user, end_limit, give, processes, \
    scratch_user, state, wait_gone


@unittest.skipUnless(shutil.which("mate-screensaver") and shutil.which("mate-screensaver-command"),
                     "needs mate-screensaver")
class MateScreenSaver(unittest.TestCase):
    def setUp(self):
        self.installed = StagedInstall.make()
        if not self.installed:
            self.skipTest("MATE runs only programs in /usr/libexec/xscreensaver: needs root and no fernhollow "
                          "installed there")
        self.addCleanup(self.installed.remove)
        self.check = ForestCheck(1024, 768)

    def start(self, user=None, lock=False):
        """mate-screensaver on a new display as that user, Fernhollow chosen as the README says."""
        self.x = XServer("1024x768x24")
        self.addCleanup(self.x.stop)
        self.home = tempfile.mkdtemp(prefix="fernhollow-home-")
        os.chmod(self.home, 0o755)
        self.addCleanup(shutil.rmtree, self.home, True)
        give(self.home, user)
        self.env = self.x.env(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                              XDG_DATA_DIRS=self.installed.data + ":/usr/share", NO_AT_BRIDGE="1")
        self.user = user
        self.bus = SessionBus(self.env, user)
        self.addCleanup(self.bus.stop)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.bus.address
        for key, value in (("mode", "'single'"), ("themes", "['screensavers-fernhollow']"),
                           ("lock-enabled", "true" if lock else "false"), ("idle-activation-enabled", "false")):
            done = self.command("gsettings", "set", "org.mate.screensaver", key, value)
            self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(self.command("gsettings", "get", "org.mate.screensaver", "themes").stdout.strip(),
                         "['screensavers-fernhollow']")
        self.log = os.path.join(self.home, "mate-screensaver.log")
        with open(self.log, "w") as log:
            give(self.log, user)
            self.host = subprocess.Popen(as_user(["mate-screensaver", "--no-daemon", "--debug"], user),
                                         env=self.env, stdout=log, stderr=subprocess.STDOUT)
        self.addCleanup(self.stop_host)
        self.assertTrue(wait_until(lambda: self.saver_command("--query").returncode == 0, 30),
                        "mate-screensaver did not start")

    def stop_host(self):
        if self.host.poll() is None:
            self.host.terminate()
            try:
                self.host.wait(10)
            except subprocess.TimeoutExpired:
                self.host.kill()
                self.host.wait()
        for pid in processes(self.installed.program):
            os.kill(pid, 9)

    def command(self, *args):
        return subprocess.run(as_user(list(args), self.user), env=self.env, capture_output=True, text=True,
                              timeout=30)

    def saver_command(self, *args):
        return self.command("mate-screensaver-command", *args)

    def host_log(self):
        with open(self.log, errors="replace") as text:
            return text.read()

    def forest_shown(self, timeout=120):
        return wait_until(lambda: self.check.shown(self.x.screenshot()), timeout, 0.5)

    def saver(self):
        running = wait_until(lambda: processes(self.installed.program), 30)
        self.assertTrue(running, "mate-screensaver started no fernhollow:\n" + self.host_log()[-3000:])
        self.assertEqual(len(running), 1, running)
        return next(iter(running))

    def test_the_theme_shows_the_forest_and_deactivation_ends_it_five_times(self):
        self.start()
        for cycle in range(5):
            with self.subTest(cycle=cycle):
                self.assertEqual(self.saver_command("--activate").returncode, 0)
                pid = self.saver()
                shown = self.forest_shown()
                if cycle == 0:
                    os.makedirs(SHOTS, exist_ok=True)
                    self.x.screenshot(os.path.join(SHOTS, "MateScreenSaver-activated.png"))
                    self.assertIn("Setting command for job: '/usr/libexec/xscreensaver/fernhollow --root'",
                                  self.host_log())
                    self.assertNotIn("Could not find information for theme", self.host_log())
                self.assertTrue(shown, "the forest is not on the screen")
                self.assertIn("The screensaver is active", self.saver_command("--query").stdout)

                asked = time.monotonic()
                self.assertEqual(self.saver_command("--deactivate").returncode, 0)
                ended = wait_gone([pid], since=asked)
                limit = end_limit()
                print("\ncycle %d: fernhollow ended %s s after --deactivate (limit %.1f s)" % (
                    cycle, "%.2f" % ended if ended is not None else "> 10", limit))
                self.assertIsNotNone(ended, "fernhollow still runs 10 s after --deactivate")
                self.assertLess(ended, limit)
                self.assertEqual(processes(self.installed.program), {}, "something of it is left running")
                self.assertIn("The screensaver is inactive", self.saver_command("--query").stdout)
                # The screen is the desktop's again.
                self.assertFalse(self.check.shown(self.x.screenshot()))

    def test_the_unlock_dialog_stops_the_saver_and_lets_it_go_on(self):
        user = scratch_user()
        if os.geteuid() == 0 and not user:
            self.skipTest("locking needs a user other than root, and none could be made")
        self.start(user, lock=True)
        self.assertEqual(self.saver_command("--lock").returncode, 0)
        pid = self.saver()
        self.assertTrue(self.forest_shown(), "the forest is not on the screen")
        self.assertIn("The screensaver is active", self.saver_command("--query").stdout)

        # A key brings up the unlock dialog: the saver is stopped while it is up.
        self.x.xdotool("mousemove", "500", "400")
        self.x.xdotool("key", "shift")
        stopped = wait_until(lambda: state(pid) == "T", 20, 0.05)
        self.assertTrue(stopped, "the saver was not stopped under the dialog (state %s):\n%s" % (
            state(pid), self.host_log()[-3000:]))
        self.assertTrue(wait_until(lambda: "Popping up dialog" in self.host_log(), 20, 0.2), self.host_log()[-3000:])
        time.sleep(2.0)  # the dialog drawn, for the person who looks at the picture
        os.makedirs(SHOTS, exist_ok=True)
        self.x.screenshot(os.path.join(SHOTS, "MateScreenSaver-unlock-dialog.png"))
        self.assertEqual(state(pid), "T", "the saver ran on under the dialog")
        self.assertFalse(self.check.shown(self.x.screenshot()), "the dialog is not on the screen")

        # Escape cancels the dialog: the saver goes on, the forest comes back and moves.
        self.x.xdotool("key", "Escape")
        resumed = wait_until(lambda: state(pid) not in ("T", None), 60, 0.05)
        self.assertTrue(resumed, "the saver was not let go on (state %s)" % state(pid))
        self.assertTrue(self.forest_shown(30), "the forest did not come back after the dialog")
        first = np.asarray(self.x.screenshot(), np.float32)
        moved = wait_until(lambda: (np.abs(np.asarray(self.x.screenshot(), np.float32) - first).max(axis=-1)
                                    > 40).mean() > 0.0005, 10, 0.5)
        self.assertTrue(moved, "the scene does not move after the dialog")
        self.assertTrue(alive(pid))
        self.assertEqual(list(processes(self.installed.program)), [pid])

        # The host's end is the saver's.
        self.host.terminate()
        self.host.wait(10)
        self.assertIsNotNone(wait_gone([pid], 10), "fernhollow outlived mate-screensaver")


if __name__ == "__main__":
    unittest.main()
