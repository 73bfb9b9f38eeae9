"""xss-lock and the X server's own screen-saver timer, as the README sets them up: `xset s 4 0` and
`xss-lock -- <prefix>/bin/fernhollow /s` start the forest after four idle seconds, and a mouse move
(xdotool) ends it; twice, as the timer runs again. A private Xvfb display; a private bus with a stand-in
for the login manager, which xss-lock wants for its session."""
import os
import shutil
import subprocess
import sys
import time
import unittest

from forest import SHOTS
from harness import SettingsFolder, XServer, wait_until
from hosts import ForestCheck, Installed, SessionBus, end_limit, processes, wait_gone

IDLE = 4


@unittest.skipUnless(shutil.which("xss-lock") and shutil.which("xset"), "needs xss-lock")
class XssLockHost(unittest.TestCase):
    def test_the_forest_comes_after_the_idle_time_and_goes_on_input(self):
        installed = Installed()
        self.addCleanup(installed.remove)
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        x = XServer("1024x768x24")
        self.addCleanup(x.stop)
        env = x.env(XDG_CONFIG_HOME=settings.path, ALSOFT_DRIVERS="null", FERNHOLLOW_MESSAGE_BOX="stderr")
        bus = SessionBus(env)
        self.addCleanup(bus.stop)
        env["DBUS_SYSTEM_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"] = bus.address
        logind = subprocess.Popen([sys.executable, os.path.join(os.path.dirname(__file__), "fake_logind.py")],
                                  env=env, stdout=subprocess.PIPE, text=True)
        self.addCleanup(lambda: (logind.terminate(), logind.communicate(timeout=10)))
        self.assertEqual(logind.stdout.readline().strip(), "ready")

        self.assertEqual(x.run(["xset", "s", str(IDLE), "0"]).returncode, 0)
        log_path = os.path.join(settings.path, "xss-lock.log")
        # The idle time is counted from before the input: it can only come out longer than it is.
        idle_from = time.monotonic()
        x.xdotool("mousemove", "10", "10")
        with open(log_path, "w") as log:
            host = subprocess.Popen(["xss-lock", "-v", "--", installed.program, "/s"], env=env, stdout=log,
                                    stderr=subprocess.STDOUT)

        def stop():
            if host.poll() is None:
                host.terminate()
                host.wait(10)
            for pid in processes(installed.program):
                os.kill(pid, 9)
        self.addCleanup(stop)

        def host_log():
            with open(log_path, errors="replace") as text:
                return text.read()
        check = ForestCheck(1024, 768)
        for round in range(2):
            with self.subTest(round=round):
                savers = wait_until(lambda: processes(installed.program), IDLE + 30, 0.05)
                saver_seen = time.monotonic()
                started = saver_seen - idle_from
                self.assertTrue(savers, "xss-lock started no fernhollow:\n" + host_log())
                print("\nround %d: fernhollow started %.2f s after the last input" % (round, started))
                self.assertGreater(started, IDLE - 0.5, "started before the idle time had passed")
                self.assertTrue(wait_until(lambda: check.shown(x.screenshot()), 120, 0.5),
                                "the forest is not on the screen")
                forest_seen = time.monotonic()
                if round == 0:
                    os.makedirs(SHOTS, exist_ok=True)
                    x.screenshot(os.path.join(SHOTS, "XssLock-idle.png"))
                self.assertIsNone(host.poll(), host_log())
                # A mouse move ends the scene only once the forest has run for three seconds (so that the
                # move that started nothing cannot end it at once): counted from its first frame, which
                # comes later than the process where the machine is busy.
                time.sleep(max(0.0, saver_seen + 4.0 - time.monotonic(), forest_seen + 3.5 - time.monotonic()))

                moved = idle_from = time.monotonic()
                x.xdotool("mousemove", str(300 + 100 * round), "400")
                ended = wait_gone(list(savers), 10, moved)
                self.assertIsNotNone(ended, "fernhollow still runs 10 s after the mouse moved")
                print("round %d: fernhollow ended %.2f s after the mouse moved" % (round, ended))
                self.assertLess(ended, end_limit(), "too slow to end")
                self.assertEqual(processes(installed.program), {}, "something of it is left running")
                self.assertFalse(check.shown(x.screenshot()), "the forest stays on the screen")
        self.assertIsNone(host.poll(), host_log())


if __name__ == "__main__":
    unittest.main()
