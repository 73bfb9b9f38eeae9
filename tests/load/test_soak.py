"""Ten minutes of the full scene with its resident memory sampled every 10 s: after the first minute
(textures uploaded, the driver's caches and the allocator's pools filled, the sounds' stream buffers
allocated) it must not keep growing.

Resident size moves up and down by a few hundred KiB from sample to sample (the GL driver's transient
blocks come and go) and, under the software renderer, still creeps up by a megabyte or two over the next
few minutes while the driver's and the allocator's pools settle, although the program's own heap stays
flat. So the test asks two things: over the last five minutes the samples show no upward trend (a
least-squares slope under 100 KiB a minute: a leak of 64 bytes a frame at the 60 frames a second the
pacing allows is 225 KiB a minute, a megabyte step that never comes back, as a fragmenting heap makes,
about 300), and nothing after the first minute lies more than 4 MiB above it."""
import os
import signal
import time
import unittest

from harness import Run, SettingsFolder, XServer, wait_until
from settings_file import read_values

SECONDS = int(os.environ.get("FERNHOLLOW_SOAK_SECONDS", "600"))
SETTLE = 60
STEP = 10
SLOPE_KIB_PER_MINUTE = 100
RISE_KIB = 4096


def slope_per_minute(samples):
    """Least-squares slope of (seconds, KiB) samples, in KiB a minute."""
    n = len(samples)
    mean_t = sum(t for t, _ in samples) / n
    mean_v = sum(v for _, v in samples) / n
    spread = sum((t - mean_t) ** 2 for t, _ in samples)
    return 60.0 * sum((t - mean_t) * (v - mean_v) for t, v in samples) / spread


def traced(path, event):
    try:
        with open(path) as source:
            return event in source.read()
    except FileNotFoundError:
        return False


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise AssertionError("no VmRSS for %d" % pid)


class SoakTest(unittest.TestCase):
    def test_ten_minutes_of_the_scene_without_memory_growth(self):
        x = XServer("1024x768x24")
        settings = SettingsFolder()
        trace = os.path.join(settings.path, "trace")
        run = Run(["/s"], x, settings.path, env={"FERNHOLLOW_TRACE": trace})
        try:
            self.assertTrue(wait_until(lambda: traced(trace, "first frame"), 60),
                            "the scene never drew")
            started = time.monotonic()
            samples = []
            while time.monotonic() - started < SECONDS:
                self.assertTrue(run.alive(), "the saver ended by itself: " + str(run.process.poll()))
                samples.append((time.monotonic() - started, resident_kib(run.process.pid)))
                time.sleep(STEP)
            status = run.signal(signal.SIGTERM, 60)
            self.assertEqual(status, 0, run.stderr)
            self.assertNotIn("ERROR", run.stderr)
            read_values(settings.file)
            with open(trace) as source:
                frames = int(source.read().split("engine stops after ")[1].split()[0])
        finally:
            if run.alive():
                run.signal(signal.SIGKILL)
            x.stop()
            settings.remove()
        report = ", ".join("%ds %d" % (at, kib) for at, kib in samples)
        print("resident KiB: " + report)
        print("frames: %d" % frames)
        settled = [(at, kib) for at, kib in samples if at >= SETTLE]
        late = [(at, kib) for at, kib in samples if at >= SECONDS / 2]
        self.assertGreaterEqual(len(late), SECONDS // STEP // 2 - 2, report)
        trend = slope_per_minute(late)
        rise = max(kib for _, kib in settled) - settled[0][1]
        print("last five minutes: %.0f KiB a minute; highest after the first minute: %+d KiB" % (trend, rise))
        self.assertLess(trend, SLOPE_KIB_PER_MINUTE, report)
        self.assertLessEqual(rise, RISE_KIB, report)


if __name__ == "__main__":
    unittest.main()
