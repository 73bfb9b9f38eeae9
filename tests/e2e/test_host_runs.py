"""Runs inside a screen-saver host: the small live preview is the full-screen picture in small (the scene
laid out at the display mode and scaled into the host's window, clock included); the host's per-run
switches override the stored settings for that run only; bad switch values end with a clear message and
exit status 2; no line from the audio libraries reaches stderr when there is no sound device."""
import os
import tempfile
import time
import unittest

import numpy as np
from PIL import Image

from forest import SHOTS, ForestRun, art
from harness import HostWindow, Run, SettingsFolder, XServer, wait_until
from test_forest_scene import clock_texts, text_alone
from test_forest_sound import RATE, Recording, correlation, decoded

compose, layout = art()
TEXTURES = compose.load_textures()


def lit_box(bright):
    """(x0, y0, x1, y1) of the true pixels, ends exclusive; None when there are none."""
    ys, xs = np.nonzero(bright)
    return (xs.min(), ys.min(), xs.max() + 1, ys.max() + 1) if len(xs) else None


class HostPreview(unittest.TestCase):
    """XScreenSaver's preview: a 725x407 window on a 1280x720 desktop."""

    @classmethod
    def setUpClass(cls):
        cls.x = XServer("1280x720x24")
        cls.settings = SettingsFolder()
        cls.host = HostWindow(cls.x.display, 725, 407, x=100, y=60)
        handle, cls.log = tempfile.mkstemp(prefix="fernhollow-", suffix=".log")
        os.close(handle)
        run = Run(["-window-id", str(cls.host.id)], cls.x, cls.settings.path, env={"FERNHOLLOW_LOG": cls.log})
        try:
            def log_text():
                with open(cls.log) as text:
                    return text.read()
            started = wait_until(lambda: not run.alive() or "Timer initialized" in log_text(), 60)
            time.sleep(3.0)
            before = time.time()
            os.makedirs(SHOTS, exist_ok=True)
            cls.path = os.path.join(SHOTS, "HostPreview-725x407.png")
            screen = cls.x.screenshot()
            cls.times = (before, time.time())
            screen.crop((100, 60, 100 + 725, 60 + 407)).save(cls.path)
            cls.shot = np.asarray(Image.open(cls.path).convert("RGB"), np.float32)
            cls.started = started and run.alive()
        finally:
            cls.status = run.signal()
            cls.stderr = run.stderr
            cls.host.close()
            cls.x.stop()
            cls.settings.remove()
            os.unlink(cls.log)

    def test_the_preview_is_the_scene_laid_out_in_small(self):
        self.assertTrue(self.started, self.stderr)
        self.assertEqual(self.status, 0, self.stderr)
        reference = compose.compose(TEXTURES, 725, 407, deer=-20.0, plants={
            name: layout.sway_range(name)[0] for name in ("plant1", "plant2", "plant3", "plant4")},
            rabbit=0.0, lights=(0, 0, 0.0), woodpecker=0, clock=None) * 255.0
        # The background's left, upper part: no sprite moves there, no text.
        part = (slice(0, int(0.55 * 407)), slice(0, int(0.5 * 725)))
        difference = np.min([np.abs(self.shot - np.roll(reference, (dy, dx), axis=(0, 1))).max(axis=-1)
                             for dy in (-1, 0, 1) for dx in (-1, 0, 1)], axis=0)[part]
        self.assertGreater((difference <= 16).mean(), 0.97, self.path)

    def test_the_clock_is_the_full_screen_clock_scaled_down_whole(self):
        # The clock as the full-screen 1280x720 picture shows it, scaled by 725/1280 and 407/720.
        x, y = layout.CLOCK_12H[0] * 1280, layout.CLOCK_12H[1] * 720
        full = lit_box(text_alone(clock_texts(*self.times, True)[1], 1280, 720, x, y) > 0.5)
        expected_height = (full[3] - full[1]) * 407 / 720
        region = self.shot[int(layout.CLOCK_12H[1] * 407) - 8:, int(layout.CLOCK_12H[0] * 725) - 8:]
        seen = lit_box(region.min(axis=-1) > 180)
        self.assertIsNotNone(seen, self.path)
        left = int(layout.CLOCK_12H[0] * 725) - 8 + seen[0]
        top = int(layout.CLOCK_12H[1] * 407) - 8 + seen[1]
        self.assertLessEqual(abs(left - x * 725 / 1280), 2, (seen, self.path))
        self.assertLessEqual(abs(top - full[1] * 407 / 720), 2, (seen, self.path))
        self.assertLessEqual(abs((seen[3] - seen[1]) - expected_height), 2, (seen, expected_height, self.path))
        # Whole: nothing lit on the window's last row, where a clock cut off would end.
        self.assertLess(seen[3] + int(layout.CLOCK_12H[1] * 407) - 8, 407, self.path)


class RunSwitches(unittest.TestCase):
    STORED = {"ShowTime": 1, "TimeStyle": 1, "ShowFps": 0, "Sound": 1, "Music": 1, "Volume": 100}

    def test_bad_switch_values_say_so_and_exit_with_status_2(self):
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        settings.write(self.STORED)
        x = XServer()
        self.addCleanup(x.stop)
        for args, message in (
                (["--root", "--volume", "abc"], 'the volume "abc" of -volume is not a whole number from 0 to 100'),
                (["/s", "-volume", "101"], 'the volume "101" of -volume is not a whole number from 0 to 100'),
                (["-window-id", "12", "-volume"], "-volume needs a whole number from 0 to 100")):
            run = Run(args, x, settings.path)
            self.assertEqual(run.finish(), 2, args)
            self.assertEqual(run.stderr, "fernhollow: %s\n" % message)
            after = settings.read()
            self.assertEqual({name: after.get(name) for name in self.STORED}, self.STORED, args)

    def test_switches_change_the_texts_of_one_run_and_are_not_stored(self):
        run = ForestRun(self, "1024x768x24", self.STORED, args=("/s", "--no-clock", "--fps"))
        try:
            run.wait_for_frame_time(2.0)
            shot = np.asarray(run.x.screenshot(os.path.join(SHOTS, "RunSwitches-no-clock-fps.png")), np.float32)
            run.x.xdotool("key", "Escape")
            self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)
            stored = run.settings.read()
        finally:
            run.close()
        bright = shot.min(axis=-1) > 230
        clock = bright[int(0.93 * 768):, int(0.63 * 1024):]
        fps = bright[int(0.05 * 768):int(0.05 * 768) + 44, int(0.02 * 1024):int(0.02 * 1024) + 80]
        self.assertLess(clock.mean(), 0.002)
        self.assertGreater(fps.mean(), 0.02)
        for name in ("ShowTime", "TimeStyle", "ShowFps", "Sound", "Volume"):
            self.assertEqual(stored[name], self.STORED[name], name)

    def test_sound_switches_override_the_stored_sound_for_one_run(self):
        silent = Recording(self, self.STORED, args=("/s", "--no-sound")).finish(3.0)
        self.assertGreater(len(silent), 2 * RATE)
        self.assertEqual(np.abs(silent).max(), 0.0)

        # The bird song's volume in each recording, from two seconds of it.
        song = decoded("birds")[:2 * RATE]
        gains = []
        for stored, args in ((dict(self.STORED, Sound=0, Volume=100), ("/s", "--sound", "--volume", "25")),
                             (dict(self.STORED, Volume=100), ("/s",))):
            # The recording starts when the device opens, before the scene is built.
            mix = Recording(self, stored, args=args).finish(6.0)
            found = correlation(mix[:len(mix) - len(song)], song[:RATE])
            start = int(np.argmax(found))
            self.assertGreater(found[start], 0.999, args)
            gains.append(float(mix[start:start + len(song)] @ song / (song @ song)))
        print("\nbird song gains: --sound --volume 25 over Sound=0 Volume=100: %.4f; Volume=100: %.4f" % tuple(gains))
        self.assertAlmostEqual(gains[0], 0.25 * gains[1], delta=0.01 * gains[1])


class Quiet(unittest.TestCase):
    def test_no_audio_library_line_on_stderr_without_a_sound_device(self):
        # OpenAL Soft tries its usual outputs (ALSA, OSS, ...); this machine has no sound card.
        run = ForestRun(self, "640x480x24", env={"ALSOFT_DRIVERS": "", "ALSOFT_CONF": "/dev/null"})
        try:
            run.wait_for_frame_time(1.0)
            run.x.xdotool("key", "Escape")
            self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)
            log = run.log_text()
        finally:
            run.close()
        for line in run.run.stderr.splitlines():
            self.assertNotRegex(line, r"ALSA|AL lib|ALSOFT|\(EE\)|\(WW\)|snd_|pcm", run.run.stderr)
        self.assertIn("[SoundManager] Sounds are silent: No audio device", log)


if __name__ == "__main__":
    unittest.main()
