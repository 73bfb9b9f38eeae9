"""Choosing the saver in the real XScreenSaver as the README says: the installed fernhollow-choose adds
Fernhollow to ~/.xscreensaver (idempotently, keeping a backup), and the daemon's -activate shows the forest,
-deactivate ends it within a second. A scratch HOME and settings folder; a private Xvfb display."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest

import numpy as np

from forest import SHOTS, art
from harness import SettingsFolder, XServer, wait_until
from test_forest_scene import references

BUILD = os.environ.get("FERNHOLLOW_BUILD") or os.path.join(os.path.dirname(__file__), "..", "..", "build")


def processes(path):
    """Ids of the processes whose program is path."""
    found = subprocess.run(["pgrep", "-f", "^" + path], capture_output=True, text=True)
    return [int(pid) for pid in found.stdout.split()]


@unittest.skipUnless(shutil.which("xscreensaver") and shutil.which("xscreensaver-command"), "needs xscreensaver")
class XScreenSaverHost(unittest.TestCase):
    def setUp(self):
        self.prefix = tempfile.mkdtemp(prefix="fernhollow-install-")
        self.addCleanup(shutil.rmtree, self.prefix, True)
        install = subprocess.run(["cmake", "--install", BUILD, "--prefix", self.prefix], capture_output=True,
                                 text=True, timeout=120)
        self.assertEqual(install.returncode, 0, install.stderr)
        self.home = tempfile.mkdtemp(prefix="fernhollow-home-")
        self.addCleanup(shutil.rmtree, self.home, True)
        self.program = os.path.join(self.prefix, "bin", "fernhollow")

    def choose(self):
        return subprocess.run([os.path.join(self.prefix, "bin", "fernhollow-choose")], capture_output=True,
                              text=True, env=dict(os.environ, HOME=self.home), timeout=30)

    def test_fernhollow_choose_adds_the_entry_once_and_keeps_a_backup(self):
        preferences = os.path.join(self.home, ".xscreensaver")
        first = self.choose()
        self.assertEqual(first.returncode, 0, first.stderr)
        with open(preferences) as text:
            created = text.read()
        # The host's whole list stays, ours first and chosen.
        self.assertIn("maze --root", created)
        self.assertIn('"Fernhollow"  \'%s\' --root' % self.program, created)
        self.assertIn("mode:\t\tone", created)
        self.assertIn("selected:\t0", created)
        self.assertFalse(os.path.exists(preferences + ".bak"))

        # A file the user has: other settings and entries are kept, the old file goes to the backup.
        own = ("fade:\t\tFalse\nmode:\t\trandom\nselected:\t1\nprograms:\t\t\t\t\\\n"
               "\t\t\t\tmaze --root\t\t\t\\n\\\n- GL:\t\t\t\tsuperquadrics --root\t\\n\n")
        with open(preferences, "w") as text:
            text.write(own)
        second = self.choose()
        self.assertEqual(second.returncode, 0, second.stderr)
        with open(preferences + ".bak") as text:
            self.assertEqual(text.read(), own)
        with open(preferences) as text:
            changed = text.read()
        self.assertIn("fade:\t\tFalse", changed)
        lines = changed.splitlines()
        entry = lines.index(next(line for line in lines if "Fernhollow" in line))
        self.assertEqual(lines[entry - 1], "programs:\t\t\t\t\\")
        self.assertIn("maze --root", lines[entry + 1])
        self.assertIn("superquadrics", lines[entry + 2])
        self.assertIn("selected:\t0", changed)
        self.assertIn("mode:\t\tone", changed)

        # Again: nothing changes, not even the backup.
        os.unlink(preferences + ".bak")
        third = self.choose()
        self.assertEqual(third.returncode, 0, third.stderr)
        with open(preferences) as text:
            self.assertEqual(text.read(), changed)
        self.assertFalse(os.path.exists(preferences + ".bak"))
        self.assertEqual(changed.count("Fernhollow"), 1)

        # Entries after ours count: it is chosen by its place in the list.
        with open(preferences, "w") as text:
            text.write(changed.replace("programs:\t\t\t\t\\\n", "programs:\t\t\t\t\\\n  qix --root  \\n\\\n"))
        self.assertEqual(self.choose().returncode, 0)
        with open(preferences) as text:
            self.assertIn("selected:\t1", text.read())

    def test_activate_shows_the_forest_and_deactivate_ends_it_within_a_second(self):
        preferences = os.path.join(self.home, ".xscreensaver")
        # Without fading the forest is on screen as soon as the host shows it.
        with open(preferences, "w") as text:
            text.write("fade:\t\tFalse\nunfade:\t\tFalse\nsplash:\t\tFalse\nlock:\t\tFalse\n")
        self.assertEqual(self.choose().returncode, 0)
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        x = XServer("1024x768x24")
        self.addCleanup(x.stop)
        env = x.env(HOME=self.home, XDG_CONFIG_HOME=settings.path, ALSOFT_DRIVERS="null",
                    FERNHOLLOW_MESSAGE_BOX="stderr")
        daemon_command = ["xscreensaver", "--no-splash"]
        if os.geteuid() == 0:
            # XScreenSaver runs no program as root: the daemon runs as nobody, with the scratch home
            # and an installed program it can reach.
            for path in (self.prefix, settings.path):
                for folder, _, _ in os.walk(path):
                    os.chmod(folder, 0o755)
            for folder, _, names in os.walk(self.home):
                for name in [folder] + [os.path.join(folder, n) for n in names]:
                    shutil.chown(name, "nobody", "nogroup")
            shutil.chown(settings.path, "nobody", "nogroup")
            daemon_command = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] + daemon_command
        daemon = subprocess.Popen(daemon_command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(lambda: daemon.poll() is None and (daemon.terminate(), daemon.wait(10)))

        def command(*args):
            return subprocess.run(["xscreensaver-command"] + list(args), env=env, capture_output=True,
                                  text=True, timeout=30)
        self.assertTrue(wait_until(lambda: command("-time").returncode == 0, 30), "the daemon did not start")

        self.assertEqual(command("-activate").returncode, 0)
        self.assertTrue(wait_until(lambda: processes(self.program), 30), "XScreenSaver started no fernhollow")
        reference = references(1024, 768)
        low, high = reference.min(axis=0), reference.max(axis=0)
        still = (high - low).max(axis=-1) <= 2
        still[int(0.93 * 768) - 2:, int(0.63 * 1024) - 2:] = False

        def forest_shown():
            shot = np.asarray(x.screenshot(), np.float32)
            difference = np.abs(shot - reference[0]).max(axis=-1)[still]
            return (difference <= 12).mean() > 0.99
        # A crowded machine takes a while to build the scene.
        shown = wait_until(forest_shown, 180, 0.5)
        os.makedirs(SHOTS, exist_ok=True)
        x.screenshot(os.path.join(SHOTS, "XScreenSaver-activated.png"))
        self.assertTrue(shown, "the forest is not on the screen")

        running = processes(self.program)
        asked = time.monotonic()
        self.assertEqual(command("-deactivate").returncode, 0)
        gone = wait_until(lambda: not any(os.path.exists("/proc/%d" % pid) and
                                          open("/proc/%d/stat" % pid).read().split()[2] != "Z"
                                          for pid in running), 10, 0.02)
        ended = time.monotonic() - asked
        # A second on a machine with a core to spare; a crowded one (other builds and tests) gets the
        # second stretched by how many times over its cores are booked.
        load = os.getloadavg()[0] / (os.cpu_count() or 1)
        limit = max(1.0, load)
        print("\nfernhollow ended %.2f s after -deactivate (load %.1f per core, limit %.1f s)" % (ended, load, limit))
        self.assertTrue(gone, "fernhollow still runs 10 s after -deactivate")
        self.assertLess(ended, limit)


if __name__ == "__main__":
    unittest.main()
