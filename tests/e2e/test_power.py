"""What the saver does when nobody can see it: nothing drawn and its sounds held while the display is off
(the display's power comes from FERNHOLLOW_DISPLAY_POWER_FILE, since neither Xvfb nor Xorg's dummy driver
has DPMS), nothing drawn while its window is covered or unmapped, and a stop of the process that does not
make the scene jump."""
import os
import re
import shutil
import signal
import tempfile
import time
import unittest

import numpy as np

from forest import ForestRun
from harness import HostWindow, Run, SettingsFolder, XServer, wait_until
from test_forest_sound import RATE, read_wave


def cpu_seconds(pid):
    """User and system time of a process so far."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


class Trace:
    """The run's trace file: its events and the frame counts they name."""

    def __init__(self, folder):
        self.path = os.path.join(folder, "trace")

    def text(self):
        try:
            with open(self.path) as source:
                return source.read()
        except FileNotFoundError:
            return ""

    def wait_for(self, pattern, after=0, timeout=5.0):
        """The match of pattern in an event that stands past the first `after` events, or None."""
        def found():
            lines = self.text().splitlines()[after:]
            for line in lines:
                match = re.search(pattern, line)
                if match:
                    return match
            return None
        return wait_until(found, timeout, 0.02)

    def count(self):
        return len(self.text().splitlines())


def switch_display(path, word, trace, pattern):
    """Tells the saver the display's new state; the trace's answer and how long it took."""
    with open(path, "w") as state:
        state.write(word + "\n")
    switched = time.monotonic()
    match = trace.wait_for(pattern, timeout=3)
    return match, time.monotonic() - switched


def thumbnail(image, size=(64, 48)):
    return np.asarray(image.resize(size), dtype=float)


def rmse(a, b):
    return float(np.sqrt(np.mean((thumbnail(a) - thumbnail(b)) ** 2)))


class DarkDisplay(unittest.TestCase):
    def test_a_dark_display_gets_no_frames_and_no_sound_until_it_is_on_again(self):
        folder = tempfile.mkdtemp(prefix="fernhollow-power-")
        self.addCleanup(shutil.rmtree, folder, True)
        power = os.path.join(folder, "display")
        with open(power, "w") as state:
            state.write("on\n")
        wave = os.path.join(folder, "out.wav")
        conf = os.path.join(folder, "alsoft.conf")
        with open(conf, "w") as out:
            out.write("[general]\ndrivers = wave\nfrequency = 44100\nchannels = stereo\nsample-type = int16\n"
                      "dither = false\n[wave]\nfile = %s\n" % wave)
        trace = Trace(folder)
        run = ForestRun(self, "640x480x24", env={
            "FERNHOLLOW_DISPLAY_POWER_FILE": power, "FERNHOLLOW_TRACE": trace.path,
            "ALSOFT_CONF": conf, "ALSOFT_DRIVERS": "wave"})
        self.addCleanup(run.close)
        run.wait_for_frame_time(3.0)
        before = run.x.screenshot()

        paused, took = switch_display(power, "off", trace, r"drawing paused after (\d+) frames: the display is off")
        self.assertIsNotNone(paused, trace.text())
        self.assertLess(took, 1.6, "paused within about a second")
        # Five dark seconds: no frame and next to no processor time.
        time.sleep(0.3)
        pid = run.run.process.pid
        used = cpu_seconds(pid)
        time.sleep(5.0)
        dark_cpu = (cpu_seconds(pid) - used) / 5.0
        self.assertLess(dark_cpu, 0.05, "share of a core used while the display is off")

        # Dimmed still shows a picture: drawing and sound resume.
        resumed, took = switch_display(power, "dimmed", trace, r"drawing resumes after (\d+) frames")
        self.assertIsNotNone(resumed, trace.text())
        self.assertLess(took, 1.6, "resumed within about a second")
        self.assertEqual(resumed.group(1), paused.group(1), "no frame was drawn while the display was off")
        time.sleep(1.0)
        after = run.x.screenshot()
        # The scene carries on from where it stood: the same forest as before the dark.
        self.assertLess(rmse(before, after), 12.0)
        self.assertGreater(np.asarray(after).mean(), 20, "the forest, not a black screen")
        log = run.log_text()
        self.assertIn("Drawing paused: the display is off\n", log)
        self.assertRegex(log, r"Drawing resumes after \d+\.\d s\n")
        run.wait_for_frame_time(13.0)
        run.x.xdotool("key", "Escape")
        self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)

        # The bird song loops without a break while the scene is seen; the dark stretch is silent and
        # the song goes on after it.
        mix = read_wave(wave).mean(axis=1)
        window = RATE // 10
        loud = np.array([np.sqrt(np.mean(mix[i:i + window] ** 2)) > 1e-4
                         for i in range(0, len(mix) - window, window)])
        longest, current = 0, 0
        for is_loud in loud:
            current = 0 if is_loud else current + 1
            longest = max(longest, current)
        self.assertGreater(longest / 10.0, 4.5, "seconds of silence while the display was off")
        last_quiet = max(i for i, is_loud in enumerate(loud) if not is_loud and i < len(loud) - 20)
        self.assertTrue(loud[last_quiet + 1:last_quiet + 20].all(), "sound again after the dark")
        print("CPU while dark: %.1f %% of a core; silence %.1f s" % (dark_cpu * 100, longest / 10.0))


class UnseenWindow(unittest.TestCase):
    def covered_and_shown(self, run, trace, cover_at):
        cover = HostWindow(run.x.display, 2000, 2000, cover_at[0], cover_at[1], background=0x000000)
        self.addCleanup(cover.close)
        paused = trace.wait_for(r"drawing paused after (\d+) frames: the window is hidden or covered", timeout=3)
        self.assertIsNotNone(paused, trace.text())
        time.sleep(2.0)
        cover.destroy()
        resumed = trace.wait_for(r"drawing resumes after (\d+) frames", timeout=3)
        self.assertIsNotNone(resumed, trace.text())
        self.assertEqual(resumed.group(1), paused.group(1))

    def test_a_covered_saver_draws_nothing_until_it_shows_again(self):
        folder = tempfile.mkdtemp(prefix="fernhollow-covered-")
        self.addCleanup(shutil.rmtree, folder, True)
        trace = Trace(folder)
        run = ForestRun(self, "640x480x24", env={"FERNHOLLOW_TRACE": trace.path})
        self.addCleanup(run.close)
        run.wait_for_frame_time(2.0)
        # Half covered still shows: the scene goes on.
        half = HostWindow(run.x.display, 320, 480, 0, 0, background=0x000000)
        time.sleep(1.0)
        self.assertNotIn("drawing paused", trace.text())
        half.close()
        self.covered_and_shown(run, trace, (0, 0))
        self.assertTrue(run.run.alive())

    def test_a_host_window_unmapped_or_covered_gets_no_frames(self):
        folder = tempfile.mkdtemp(prefix="fernhollow-hosted-")
        self.addCleanup(shutil.rmtree, folder, True)
        trace = Trace(folder)
        x = XServer("640x480x24")
        self.addCleanup(x.stop)
        settings = SettingsFolder()
        self.addCleanup(settings.remove)
        host = HostWindow(x.display, 320, 240, 100, 100)
        self.addCleanup(host.close)
        saver = Run(["-window-id", str(host.id)], x, settings.path, env={"FERNHOLLOW_TRACE": trace.path})
        self.addCleanup(lambda: saver.alive() and saver.signal(signal.SIGKILL))
        self.assertIsNotNone(trace.wait_for("first frame on screen", timeout=30), saver.stderr)

        class Shown:
            run = saver
        Shown.x = x
        self.covered_and_shown(Shown, trace, (50, 50))
        events = trace.count()
        host.unmap()
        paused = trace.wait_for(r"drawing paused after (\d+) frames: the window is hidden or covered", events, 3)
        self.assertIsNotNone(paused, trace.text())
        time.sleep(1.0)
        host.map()
        resumed = trace.wait_for(r"drawing resumes after (\d+) frames", events, 3)
        self.assertIsNotNone(resumed, trace.text())
        self.assertEqual(resumed.group(1), paused.group(1))
        self.assertEqual(saver.signal(signal.SIGTERM), 0, saver.stderr)


class Battery(unittest.TestCase):
    def test_unplugging_the_laptop_mid_run_is_said_in_the_log(self):
        folder = tempfile.mkdtemp(prefix="fernhollow-battery-")
        self.addCleanup(shutil.rmtree, folder, True)
        supplies = os.path.join(folder, "power_supply")
        for name, values in (("AC", {"type": "Mains", "online": "1"}),
                             ("BAT0", {"type": "Battery", "status": "Charging"})):
            os.makedirs(os.path.join(supplies, name))
            for key, value in values.items():
                with open(os.path.join(supplies, name, key), "w") as out:
                    out.write(value + "\n")
        run = ForestRun(self, "640x480x24", env={"FERNHOLLOW_POWER_SUPPLY_DIR": supplies})
        self.addCleanup(run.close)
        self.assertIn("[GL] Frame ceiling 30 frames/s (software renderer)\n", run.log_text())
        with open(os.path.join(supplies, "AC", "online"), "w") as out:
            out.write("0\n")
        with open(os.path.join(supplies, "BAT0", "status"), "w") as out:
            out.write("Discharging\n")
        self.assertTrue(wait_until(
            lambda: "[GL] Frame ceiling 30 frames/s (software renderer, on battery)\n" in run.log_text(), 8),
            run.log_text()[-1500:])
        with open(os.path.join(supplies, "AC", "online"), "w") as out:
            out.write("1\n")
        self.assertTrue(wait_until(
            lambda: run.log_text().count("[GL] Frame ceiling 30 frames/s (software renderer)\n") == 2, 8),
            "plugged in again: the ceiling's reason says so")
        run.x.xdotool("key", "Escape")
        self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)


class StoppedProcess(unittest.TestCase):
    def test_a_stop_of_thirty_seconds_is_one_step_and_the_scene_goes_on(self):
        run = ForestRun(self, "640x480x24")
        self.addCleanup(run.close)
        run.wait_for_frame_time(4.0)
        before = run.x.screenshot()
        time.sleep(1.0)
        second_later = run.x.screenshot()
        run.run.process.send_signal(signal.SIGSTOP)
        time.sleep(30.0)
        run.run.process.send_signal(signal.SIGCONT)
        self.assertTrue(wait_until(lambda: "Paused for" in run.log_text(), 5), run.log_text()[-2000:])
        time.sleep(0.5)
        after = run.x.screenshot()
        self.assertRegex(run.log_text(), r"Paused for 3\d\.\d s: the step is taken as one frame\n")
        # Within a second and a half of running, the scene differs from before the stop no more than it
        # does over a second of running anyway (with room for the moving parts).
        normal = rmse(before, second_later)
        self.assertLess(rmse(second_later, after), max(2.5 * normal, 6.0),
                        "the scene jumped over the stop (a second's change: %.2f)" % normal)
        self.assertGreater(np.asarray(after).mean(), 20)
        run.x.xdotool("key", "Escape")
        self.assertEqual(run.ended_within(5.0), 0, run.run.stderr)


if __name__ == "__main__":
    unittest.main()
