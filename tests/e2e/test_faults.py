"""The saver under faults it must survive or report clearly: no audio device, no GL context, a settings
folder that cannot be written, a damaged settings file, a scene picture missing from the executable.
Afterwards there is never a crash, the exit status is the one stated, and the settings file parses.
(No display at all: test_entry.py; a missing or undecodable loading picture: test_loading_screen.py.)"""
import os
import shutil
import signal
import subprocess
import tempfile
import unittest

from harness import KEY_PATH, Run, SettingsFolder, XServer, wait_until
from settings_file import read_values

BUILD = os.environ.get("FERNHOLLOW_BUILD") or os.path.join(os.path.dirname(__file__), "..", "..", "build")


class Traced:
    """A saver run whose start-up milestones (FERNHOLLOW_TRACE) can be waited for."""

    def __init__(self, xserver, settings, env=None, binary=None):
        handle, self.trace = tempfile.mkstemp(prefix="fernhollow-trace-")
        os.close(handle)
        environment = {"FERNHOLLOW_TRACE": self.trace}
        environment.update(env or {})
        self.run = Run(["/s"], xserver, settings.path, env=environment, binary=binary)

    def events(self):
        with open(self.trace, encoding="utf-8") as source:
            return [line.split(" ", 1)[1].strip() for line in source if " " in line]

    def wait_for(self, event, timeout=60):
        return wait_until(lambda: event in self.events() or not self.run.alive(), timeout) and \
            event in self.events()

    def close(self):
        if self.run.alive():
            self.run.signal(signal.SIGKILL)
        os.unlink(self.trace)


class FaultTest(unittest.TestCase):
    geometry = "640x480x24"

    def setUp(self):
        self.x = XServer(self.geometry)
        self.settings = SettingsFolder()

    def tearDown(self):
        self.x.stop()
        self.settings.remove()

    def assert_settings_parse(self):
        values = read_values(self.settings.file)
        for name in ("width", "height", "depth", "Music", "Sound", "Volume"):
            self.assertIn(name, values)
        return values

    def run_scene_then_sigterm(self, env=None):
        traced = Traced(self.x, self.settings, env)
        try:
            self.assertTrue(traced.wait_for("first frame on screen"), traced.run.stderr)
            wait_until(lambda: False, 1.0)  # some frames
            status = traced.run.signal(signal.SIGTERM)
        finally:
            traced.close()
        return status, traced.run


class NoAudioDeviceTest(FaultTest):
    def test_the_scene_runs_silently_without_a_usable_audio_device(self):
        for env in ({"ALSOFT_DRIVERS": "null"},                       # the null device
                    {"ALSOFT_DRIVERS": "no-such-backend"},            # no device can be opened
                    {"ALSOFT_DRIVERS": "alsa", "ALSA_CONFIG_PATH": "/nonexistent/alsa.conf",
                     "AUDIODEV": "/nonexistent"},                     # a broken device
                    {"ALSOFT_DRIVERS": "pulse", "PULSE_SERVER": "unix:/nonexistent/pulse"}):
            with self.subTest(env=env):
                status, run = self.run_scene_then_sigterm(env)
                self.assertEqual(status, 0, run.stderr)
                self.assertNotIn("ERROR", run.stderr)
                self.assert_settings_parse()


class NoGlContextTest(FaultTest):
    # An 8-bit pseudo-colour screen offers no visual with the colour and depth bits the saver asks for.
    geometry = "640x480x8"

    def test_a_screen_without_a_usable_visual_is_a_clear_error(self):
        run = Run(["/s"], self.x, self.settings.path)
        self.assertEqual(run.finish(30), 1, run.stderr)
        self.assertEqual(run.stderr, "ERROR: Error, ChoosePixelFormat failed\nThe program will now exit\n\n")
        self.assertIsNone(self.x.find_window())
        self.assert_settings_parse()


class UnwritableSettingsFolderTest(FaultTest):
    def test_a_folder_that_cannot_be_written_keeps_its_file_and_says_so_once(self):
        self.settings.write({"Volume": 20, "ShowTime": 0})
        folder = os.path.dirname(self.settings.file)
        with open(self.settings.file, "rb") as source:
            before = source.read()
        # Immutable: not even root may create, rename or remove anything in it.
        if subprocess.run(["chattr", "+i", folder], capture_output=True).returncode != 0:
            self.skipTest("chattr +i is not supported here")
        try:
            status, run = self.run_scene_then_sigterm()
        finally:
            subprocess.run(["chattr", "-i", folder], check=True)
        self.assertEqual(status, 0, run.stderr)
        self.assertEqual(run.stderr, "fernhollow: could not save settings: Could not create registry key " +
                         KEY_PATH + ": " + self.settings.file + ": cannot open its lock file " +
                         self.settings.file + ".lock: Operation not permitted\n")
        with open(self.settings.file, "rb") as source:
            self.assertEqual(source.read(), before)
        self.assertEqual(os.listdir(folder), ["user.reg"])


class DamagedSettingsFileTest(FaultTest):
    header = "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + KEY_PATH + "]\n"
    cases = {
        "garbage": "this is not a settings file\n{}[]=\n\"\n" * 20,
        "binary junk": bytes(range(256)).decode("latin-1") * 8,
        "truncated": header + "\"Music\"=dword:00000000\n\"Sound\"=dword:00000000\n\"Volume\"=dword:00000019\n"
                     "\"SiteAddressURL\"=\"https://www.exa",
        "bad values": header + "\"Volume\"=dword:zz\n\"Sound\"=\"yes\n\"Music\"=dword:00000000\n",
    }

    def test_a_damaged_file_is_kept_as_a_backup_read_around_and_rewritten_whole(self):
        for name, text in self.cases.items():
            with self.subTest(name):
                os.makedirs(os.path.dirname(self.settings.file), exist_ok=True)
                for old in os.listdir(os.path.dirname(self.settings.file)):
                    os.unlink(os.path.join(os.path.dirname(self.settings.file), old))
                damaged = text.encode("latin-1")
                with open(self.settings.file, "wb") as out:
                    out.write(damaged)
                status, run = self.run_scene_then_sigterm()
                self.assertEqual(status, 0, run.stderr)
                self.assertNotIn("ERROR", run.stderr)
                with open(self.settings.file + ".bak", "rb") as source:
                    self.assertEqual(source.read(), damaged)
                values = self.assert_settings_parse()
                width, height = (int(v) for v in self.geometry.split("x")[:2])
                self.assertEqual((values["width"], values["height"]), (width, height))
                # The readable values stay, each on its own; the unreadable ones fall back.
                expected = {"truncated": (0, 0, 25), "bad values": (0, 1, 75)}.get(name, (1, 1, 75))
                self.assertEqual((values["Music"], values["Sound"], values["Volume"]), expected)


class MissingScenePictureTest(FaultTest):
    def screen_size(self):
        out = self.x.run(["xdpyinfo"]).stdout.decode()
        return [line.split()[1] for line in out.splitlines() if line.strip().startswith("dimensions:")]

    def test_a_scene_picture_missing_from_the_executable_is_a_fatal_error(self):
        before = self.screen_size()
        traced = Traced(self.x, self.settings, binary=os.path.join(BUILD, "tests", "fernhollow_missing_140"))
        try:
            status = traced.run.finish(60)
            events = traced.events()
        finally:
            traced.close()
        self.assertEqual(status, 1, traced.run.stderr)
        self.assertIn("ERROR: Could not load resource with ID=140\nThe program will now exit\n",
                      traced.run.stderr)
        # It failed while the scene was being built, after the loading picture was shown.
        self.assertIn("loading picture on screen", events)
        self.assertNotIn("scene built", events)
        # The display is given back: no window is left and the screen keeps its mode.
        self.assertIsNone(self.x.find_window())
        self.assertEqual(self.screen_size(), before)
        self.assert_settings_parse()


if __name__ == "__main__":
    unittest.main()
