"""The Debian package's round trip on this machine: cpack makes fernhollow_<version>_amd64.deb, lintian
finds no error in it, dpkg -i installs it into /usr with the entries of every screen-saver host, the
installed xsecurelock saver draws under Xvfb and ends on SIGTERM, man finds its page, and dpkg --purge
leaves nothing of it behind. Needs root; the machine's own fernhollow package, if one is installed, is
left alone (the test is skipped)."""
import configparser
import fcntl
import glob
import os
import shutil
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.environ.get("FERNHOLLOW_SOURCE", ""), "tests", "e2e"))
from harness import HostWindow, Run, SettingsFolder, XServer, wait_until  # noqa: E402

BUILD = os.environ["FERNHOLLOW_BUILD"]
VERSION = os.environ["FERNHOLLOW_VERSION"]


def installed():
    status = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "fernhollow"], capture_output=True, text=True)
    return status.returncode == 0 and "installed" in status.stdout and "not-installed" not in status.stdout


@unittest.skipUnless(os.geteuid() == 0, "installing a package needs root")
class PackageRoundTrip(unittest.TestCase):
    def setUp(self):
        # One package test at a time on this machine.
        self.lock = open("/tmp/fernhollow-package-test.lock", "w")
        fcntl.flock(self.lock, fcntl.LOCK_EX)
        self.addCleanup(self.lock.close)
        if installed():
            self.skipTest("a fernhollow package is installed on this machine already")

    def test_build_lint_install_run_and_remove(self):
        package = os.path.join(BUILD, "fernhollow_%s_amd64.deb" % VERSION)
        if os.path.exists(package):
            os.unlink(package)
        made = subprocess.run(["cpack", "-G", "DEB"], cwd=BUILD, capture_output=True, text=True, timeout=600)
        self.assertEqual(made.returncode, 0, made.stdout + made.stderr)
        self.assertTrue(os.path.isfile(package), glob.glob(os.path.join(BUILD, "*.deb")))

        fields = subprocess.run(["dpkg-deb", "-f", package, "Package", "Version", "Architecture", "Depends"],
                                capture_output=True, text=True, check=True).stdout
        self.assertIn("Package: fernhollow", fields)
        self.assertIn("Version: " + VERSION, fields)
        self.assertIn("Architecture: amd64", fields)
        # Computed from the linked libraries: SDL, OpenAL and the others each named.
        for library in ("libsdl2-2.0-0", "libopenal1", "libalure1", "libgtk-3-0", "libdevil1c2", "libc6"):
            self.assertIn(library, fields)

        lint = subprocess.run(["lintian", "--tag-display-limit", "0", package], capture_output=True, text=True,
                              timeout=600)
        errors = [line for line in lint.stdout.splitlines() if line.startswith("E:")]
        self.assertEqual(errors, [], lint.stdout)

        files = [line.split(None, 5)[5].split(" -> ")[0].lstrip(".")
                 for line in subprocess.run(["dpkg-deb", "-c", package], capture_output=True, text=True,
                                            check=True).stdout.splitlines()]
        ours = [f for f in files if not f.endswith("/")]
        for wanted in ("/usr/bin/fernhollow", "/usr/bin/fernhollow-choose", "/usr/libexec/xscreensaver/fernhollow",
                       "/usr/share/xscreensaver/config/fernhollow.xml",
                       "/usr/share/applications/fernhollow-settings.desktop",
                       "/usr/share/applications/screensavers/fernhollow.desktop",
                       "/usr/libexec/xsecurelock/saver_fernhollow",
                       "/usr/share/man/man6/fernhollow.6.gz", "/usr/share/doc/fernhollow/copyright"):
            self.assertIn(wanted, ours)

        self.addCleanup(subprocess.run, ["dpkg", "--purge", "fernhollow"], capture_output=True)
        install = subprocess.run(["dpkg", "-i", package], capture_output=True, text=True, timeout=300)
        self.assertEqual(install.returncode, 0, install.stdout + install.stderr)
        self.assertEqual(os.path.realpath("/usr/libexec/xscreensaver/fernhollow"), "/usr/bin/fernhollow")
        # The entry MATE and Xfce list runs the program from XScreenSaver's hack directory, where they
        # look for programs; xsecurelock's saver runs the installed program.
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read("/usr/share/applications/screensavers/fernhollow.desktop")
        section = dict(entry["Desktop Entry"])
        self.assertEqual(section, {
            "Type": "Application", "Name": "Fernhollow", "Comment": section.get("Comment", ""),
            "Exec": "/usr/libexec/xscreensaver/fernhollow --root", "TryExec": "/usr/libexec/xscreensaver/fernhollow",
            "StartupNotify": "false", "Terminal": "false", "Categories": "Screensaver;"})
        self.assertTrue(section["Comment"])
        saver = "/usr/libexec/xsecurelock/saver_fernhollow"
        self.assertTrue(os.access(saver, os.X_OK))
        with open(saver) as text:
            script = text.read()
        self.assertTrue(script.startswith("#!/bin/sh\n"), script)
        self.assertIn("\nexec '/usr/bin/fernhollow' --root\n", script)
        manual = subprocess.run(["man", "-P", "cat", "6", "fernhollow"], capture_output=True, text=True,
                                env=dict(os.environ, MANWIDTH="80"))
        self.assertIn("an animated forest screen saver", manual.stdout)

        x = XServer("800x600x24")
        settings = SettingsFolder()
        host = HostWindow(x.display, 320, 200, x=40, y=30)  # white until drawn into
        try:
            # As xsecurelock starts it: its saver, no arguments, the window in the environment.
            run = Run([], x, settings.path, env={"XSCREENSAVER_WINDOW": hex(host.id)}, binary=saver)
            drawn = wait_until(lambda: x.screenshot().getpixel((40 + 160, 30 + 100)) != (255, 255, 255), 60)
            status = run.signal()
            self.assertTrue(drawn, run.stderr)
            self.assertEqual(status, 0, run.stderr)
        finally:
            host.close()
            x.stop()
            settings.remove()

        purge = subprocess.run(["dpkg", "--purge", "fernhollow"], capture_output=True, text=True, timeout=300)
        self.assertEqual(purge.returncode, 0, purge.stdout + purge.stderr)
        self.assertFalse(installed())
        left = [f for f in files if os.path.lexists(f) and not os.path.isdir(f)]
        self.assertEqual(left, [])
        for folder in ("/usr/share/doc/fernhollow", "/usr/share/xscreensaver/config/fernhollow.xml",
                       "/usr/share/applications/screensavers/fernhollow.desktop",
                       "/usr/libexec/xsecurelock/saver_fernhollow"):
            self.assertFalse(os.path.lexists(folder), folder)


if __name__ == "__main__":
    unittest.main()
