"""cmake --install: the program where screen-saver hosts find it, their description, the entry MATE and Xfce
list, xsecurelock's saver, the settings entry; a prefix with a space and a quote in it."""
import configparser
import os
import shlex
import shutil
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

from harness import DialogDriver, HostWindow, Run, SettingsFolder, XServer, wait_until

BUILD = os.environ.get("FERNHOLLOW_BUILD") or os.path.join(os.path.dirname(__file__), "..", "..", "build")


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.prefix = tempfile.mkdtemp(prefix="fernhollow-install-")
        cls.install = subprocess.run([shutil.which("cmake"), "--install", BUILD, "--prefix", cls.prefix],
                                     capture_output=True, text=True, timeout=120)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.prefix, ignore_errors=True)

    def setUp(self):
        self.assertEqual(self.install.returncode, 0, self.install.stderr)

    def path(self, *parts):
        return os.path.join(self.prefix, *parts)

    def test_program_in_bin_and_in_the_hack_directory(self):
        for program in (self.path("bin", "fernhollow"), self.path("libexec", "xscreensaver", "fernhollow")):
            self.assertTrue(os.path.isfile(program), program)
            self.assertTrue(os.access(program, os.X_OK), program)
        self.assertEqual(os.path.realpath(self.path("libexec", "xscreensaver", "fernhollow")),
                         os.path.realpath(self.path("bin", "fernhollow")))

    def test_xscreensaver_description_runs_it_on_the_root_window(self):
        root = ElementTree.parse(self.path("share", "xscreensaver", "config", "fernhollow.xml")).getroot()
        self.assertEqual(root.tag, "screensaver")
        self.assertEqual(root.get("name"), "fernhollow")
        self.assertEqual(root.get("_label"), "Fernhollow")
        self.assertEqual([c.get("arg") for c in root.findall("command")], ["--root"])
        self.assertIn("fernhollow /c", root.findtext("_description"))

    def test_desktop_entry_opens_the_settings_of_the_installed_program(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path("share", "applications", "fernhollow-settings.desktop"))
        section = entry["Desktop Entry"]
        self.assertEqual(section["Type"], "Application")
        self.assertEqual(section["Name"], "Fernhollow Settings")
        command = shlex.split(section["Exec"])
        self.assertEqual(command, [self.path("bin", "fernhollow"), "/c"])

        x = XServer()
        settings = SettingsFolder()
        dialog = DialogDriver(command[1:], x, settings.path, binary=command[0])
        try:
            dialog.wait_open(113)
            dialog.ok("click 2")
            self.assertEqual(dialog.wait_closed(113), "0")
            self.assertEqual(dialog.finish(), 0, dialog.stderr)
        finally:
            dialog.kill()
            x.stop()
            settings.remove()

    def test_screensaver_entry_runs_the_hack_on_the_root_window(self):
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(self.path("share", "applications", "screensavers", "fernhollow.desktop"))
        section = entry["Desktop Entry"]
        hack = self.path("libexec", "xscreensaver", "fernhollow")
        self.assertEqual(shlex.split(section["Exec"]), [hack, "--root"])
        self.assertEqual(section["TryExec"], hack)
        for key, value in (("Type", "Application"), ("Name", "Fernhollow"), ("Categories", "Screensaver;"),
                           ("StartupNotify", "false"), ("Terminal", "false")):
            self.assertEqual(section[key], value, key)
        self.assertTrue(section["Comment"])
        # Shown by every desktop that reads the folder, MATE's and Xfce's alike.
        self.assertNotIn("OnlyShowIn", section)
        self.assertNotIn("NotShowIn", section)

    def test_xsecurelock_saver_draws_into_the_window_it_is_given(self):
        self.check_saver(self.path("libexec", "xsecurelock", "saver_fernhollow"), self.path("bin", "fernhollow"))

    def check_saver(self, saver, program):
        self.assertTrue(os.access(saver, os.X_OK), saver)
        with open(saver) as text:
            script = text.read()
        self.assertTrue(script.startswith("#!/bin/sh\n"))
        self.assertEqual(shlex.split(script.strip().splitlines()[-1]), ["exec", program, "--root"])
        x = XServer()
        settings = SettingsFolder()
        host = HostWindow(x.display, 320, 200, x=40, y=30)  # white until drawn into
        try:
            # As xsecurelock starts it: no arguments, the window in the environment.
            run = Run([], x, settings.path, env={"XSCREENSAVER_WINDOW": hex(host.id)}, binary=saver)
            drawn = wait_until(lambda: x.screenshot().getpixel((40 + 160, 30 + 100)) != (255, 255, 255), 30)
            status = run.signal()
            self.assertTrue(drawn, run.stderr)
            self.assertEqual(status, 0, run.stderr)
        finally:
            host.close()
            x.stop()
            settings.remove()

    def test_installed_hack_draws_into_the_hosts_window_and_ends_on_sigterm(self):
        hack = self.path("libexec", "xscreensaver", "fernhollow")
        x = XServer()
        settings = SettingsFolder()
        hosts = []
        try:
            for use_root in (False, True):
                host = HostWindow(x.display, 320, 200, x=40, y=30)  # white until drawn into
                hosts.append(host)
                args, env = ((["-root"], {"XSCREENSAVER_WINDOW": hex(host.id)}) if use_root
                             else (["-window-id", str(host.id)], {}))
                run = Run(args, x, settings.path, env=env, binary=hack)
                drawn = wait_until(lambda: x.screenshot().getpixel((40 + 160, 30 + 100)) != (255, 255, 255), 30)
                if not drawn:
                    run.signal()
                    self.fail("%s drew nothing; stderr: %s" % (args, run.stderr))
                self.assertEqual(run.signal(), 0, run.stderr)
        finally:
            for host in hosts:
                host.close()
            x.stop()
            settings.remove()


class InstallWithAwkwardPrefixTest(unittest.TestCase):
    """A prefix with a space and a single quote: the entries and the saver still name the program."""

    def test_entries_and_saver_quote_the_prefix(self):
        base = tempfile.mkdtemp(prefix="fernhollow-install-")
        self.addCleanup(shutil.rmtree, base, True)
        prefix = os.path.join(base, "Bob's savers")
        install = subprocess.run([shutil.which("cmake"), "--install", BUILD, "--prefix", prefix],
                                 capture_output=True, text=True, timeout=120)
        self.assertEqual(install.returncode, 0, install.stderr)
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(os.path.join(prefix, "share", "applications", "screensavers", "fernhollow.desktop"))
        hack = os.path.join(prefix, "libexec", "xscreensaver", "fernhollow")
        self.assertEqual(shlex.split(entry["Desktop Entry"]["Exec"]), [hack, "--root"])
        self.assertEqual(entry["Desktop Entry"]["TryExec"], hack)
        InstallTest.check_saver(self, os.path.join(prefix, "libexec", "xsecurelock", "saver_fernhollow"),
                                os.path.join(prefix, "bin", "fernhollow"))


if __name__ == "__main__":
    unittest.main()
