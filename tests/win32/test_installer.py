"""FernhollowSetup.exe under Wine: a silent install puts the saver where Windows looks for screen savers
and registers the uninstaller; a silent uninstall takes both away. Checked by the files and keys, not
by exit codes (an installer that cannot run may still exit 0)."""
import os
import time
import unittest

from winharness import STATE, wine, wait_until

PREFIX = os.path.join(STATE, "prefix", "drive_c")
SAVER = os.path.join(PREFIX, "windows", "system32", "Fernhollow.scr")
UNINSTALLER = os.path.join(PREFIX, "Program Files", "Fernhollow", "Uninstall.exe")
KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Fernhollow"


class InstallerTest(unittest.TestCase):
    def test_silent_install_then_silent_uninstall(self):
        built = os.environ["FERNHOLLOW_SCR"]
        for path in (SAVER, UNINSTALLER):
            self.assertFalse(os.path.exists(path), path + " is there before installing")
        wine([os.environ["FERNHOLLOW_INSTALLER"], "/S"], timeout=120)
        self.assertTrue(wait_until(lambda: os.path.exists(SAVER), 30), "the saver was not installed")
        with open(SAVER, "rb") as installed, open(built, "rb") as original:
            self.assertEqual(installed.read(), original.read())
        self.assertTrue(os.path.exists(UNINSTALLER))
        listed = wine(["reg", "query", KEY])
        self.assertIn("Fernhollow Screensaver", listed.stdout)
        self.assertIn("Uninstall.exe", listed.stdout)
        # The installed saver runs from where Windows starts it: /p without a window ends at once.
        self.assertEqual(wine([r"C:\windows\system32\Fernhollow.scr", "/p"]).returncode, 0)

        wine([UNINSTALLER, "/S"], timeout=120)
        # The uninstaller copies itself away and finishes in the background.
        self.assertTrue(wait_until(lambda: not os.path.exists(SAVER) and not os.path.exists(UNINSTALLER), 60),
                        "the uninstaller left files behind")
        time.sleep(0.5)
        self.assertNotEqual(wine(["reg", "query", KEY]).returncode, 0, "the uninstall key is still there")

    def test_a_reinstall_elsewhere_takes_away_the_first_uninstaller_and_its_empty_folders(self):
        first = os.path.join(PREFIX, "FirstPlace", "Fernhollow")
        second = os.path.join(PREFIX, "SecondPlace", "Fernhollow")
        try:
            wine([os.environ["FERNHOLLOW_INSTALLER"], "/S", r"/D=C:\FirstPlace\Fernhollow"], timeout=120)
            self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(first, "Uninstall.exe")), 30))
            wine([os.environ["FERNHOLLOW_INSTALLER"], "/S", r"/D=C:\SecondPlace\Fernhollow"], timeout=120)
            self.assertTrue(wait_until(lambda: os.path.exists(os.path.join(second, "Uninstall.exe")), 30))
            self.assertFalse(os.path.exists(os.path.join(first, "Uninstall.exe")), "the first uninstaller stayed")
            self.assertFalse(os.path.exists(first), "the first folder stayed")
            self.assertFalse(os.path.exists(os.path.dirname(first)), "the folder above the first stayed")
            listed = wine(["reg", "query", KEY]).stdout
            self.assertIn(r"C:\SecondPlace\Fernhollow\Uninstall.exe", listed)
            self.assertIn(os.path.basename(SAVER), os.listdir(os.path.dirname(SAVER)))

            wine([os.path.join(second, "Uninstall.exe"), "/S"], timeout=120)
            self.assertTrue(wait_until(lambda: not os.path.exists(SAVER) and not os.path.exists(second), 60),
                            "the uninstaller left files behind")
            time.sleep(0.5)
            self.assertNotEqual(wine(["reg", "query", KEY]).returncode, 0, "the uninstall key is still there")
        finally:
            import shutil
            for folder in (os.path.dirname(first), os.path.dirname(second)):
                shutil.rmtree(folder, ignore_errors=True)
            if os.path.exists(SAVER):
                os.remove(SAVER)
            wine(["reg", "delete", KEY, "/f"])


if __name__ == "__main__":
    unittest.main()
