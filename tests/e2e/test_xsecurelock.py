"""xsecurelock with the installed saver (XSECURELOCK_SAVER=<prefix>/libexec/xsecurelock/saver_fernhollow):
the forest shows under the lock, the password dialog stands over it, and with
XSECURELOCK_SAVER_RESET_ON_AUTH_CLOSE=1 the reset when the dialog closes (SIGUSR1) leaves the same saver
drawing; when the lock ends the saver ends with it. A private Xvfb display, bus and settings folder. The second
authentication is accepted by a stand-in module (the first is xsecurelock's own dialog), so the lock
ends without a password."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import numpy as np

from forest import SHOTS
from harness import SettingsFolder, XServer, wait_until
from hosts import ForestCheck, Installed, SessionBus, alive, processes, wait_gone

HELPERS = "/usr/libexec/xsecurelock"

# xsecurelock takes an authentication module by path if its name starts with auth_.
AUTH = """#!/bin/sh
# The first time xsecurelock's own dialog (given up with Escape); then the lock is let go.
if [ ! -e "$FERNHOLLOW_TEST_AUTH_STATE" ]; then
    : > "$FERNHOLLOW_TEST_AUTH_STATE"
    exec %s/auth_x11
fi
exit 0
""" % HELPERS


@unittest.skipUnless(shutil.which("xsecurelock") and os.path.exists(os.path.join(HELPERS, "auth_x11")),
                     "needs xsecurelock")
class XSecureLockHost(unittest.TestCase):
    def test_the_forest_survives_the_dialogs_reset_and_ends_with_the_lock(self):
        installed = Installed()
        self.addCleanup(installed.remove)
        work = tempfile.mkdtemp(prefix="fernhollow-xsecurelock-")
        self.addCleanup(shutil.rmtree, work, True)
        auth = os.path.join(work, "auth_fernhollow_test")
        with open(auth, "w") as script:
            script.write(AUTH)
        os.chmod(auth, 0o755)
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        x = XServer("1024x768x24")
        self.addCleanup(x.stop)
        env = x.env(XSECURELOCK_SAVER=installed.saver, XSECURELOCK_SAVER_RESET_ON_AUTH_CLOSE="1",
                    XSECURELOCK_AUTH=auth, FERNHOLLOW_TEST_AUTH_STATE=os.path.join(work, "asked"),
                    XDG_CONFIG_HOME=settings.path, ALSOFT_DRIVERS="null", FERNHOLLOW_MESSAGE_BOX="stderr")
        bus = SessionBus(env)  # nothing of the host reaches a bus outside the test
        self.addCleanup(bus.stop)
        env["DBUS_SESSION_BUS_ADDRESS"] = bus.address
        log_path = os.path.join(work, "xsecurelock.log")
        with open(log_path, "w") as log:
            lock = subprocess.Popen(["xsecurelock"], env=env, stdout=log, stderr=subprocess.STDOUT)

        def host_log():
            with open(log_path, errors="replace") as text:
                return text.read()

        def stop():
            if lock.poll() is None:
                lock.kill()
                lock.wait()
            for pid in processes(installed.program):
                os.kill(pid, 9)
        self.addCleanup(stop)

        savers = wait_until(lambda: processes(installed.program), 30)
        self.assertTrue(savers, "xsecurelock started no fernhollow:\n" + host_log())
        self.assertEqual(len(savers), 1, savers)  # one monitor, one saver
        pid = next(iter(savers))
        check = ForestCheck(1024, 768)
        self.assertTrue(wait_until(lambda: check.shown(x.screenshot()), 120, 0.5), "the forest is not on the screen")

        # A key: xsecurelock's password dialog over the forest.
        x.xdotool("key", "shift")
        prompt = wait_until(lambda: [p for p in processes(os.path.join(HELPERS, "auth_x11"))], 20)
        self.assertTrue(prompt, "no password dialog:\n" + host_log())
        time.sleep(1.0)
        shot = x.screenshot()
        os.makedirs(SHOTS, exist_ok=True)
        shot.save(os.path.join(SHOTS, "XSecureLock-dialog.png"))
        self.assertFalse(check.shown(shot), "the dialog is not on the screen")

        # Escape closes it; xsecurelock resets the saver (SIGUSR1), which goes on drawing.
        x.xdotool("key", "Escape")
        self.assertIsNotNone(wait_gone(list(prompt), 20), "the dialog did not close")
        self.assertTrue(wait_until(lambda: "auth child failed" in host_log(), 10), host_log())
        time.sleep(2.0)  # a saver killed by the reset is started again a second later
        self.assertTrue(alive(pid), "the reset ended the saver:\n" + host_log())
        self.assertEqual(list(processes(installed.program)), [pid])
        self.assertNotIn("killed by signal", host_log())
        self.assertTrue(wait_until(lambda: check.shown(x.screenshot()), 20, 0.5), "the forest did not come back")
        first = np.asarray(x.screenshot(), np.float32)
        moved = wait_until(lambda: (np.abs(np.asarray(x.screenshot(), np.float32) - first).max(axis=-1)
                                    > 40).mean() > 0.0005, 10, 0.5)
        self.assertTrue(moved, "the scene does not move after the reset")

        # The second key is let in: the lock ends, and the saver with it.
        asked = time.monotonic()
        x.xdotool("key", "shift")
        self.assertEqual(lock.wait(20), 0, host_log())
        ended = wait_gone([pid], 10, asked)
        self.assertIsNotNone(ended, "fernhollow outlived xsecurelock")
        print("\nfernhollow ended %.2f s after the lock was let go" % ended)
        self.assertEqual(processes(installed.program), {})
        self.assertEqual(processes(os.path.join(HELPERS, "saver_multiplex")), {})


if __name__ == "__main__":
    unittest.main()
