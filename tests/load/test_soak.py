"""Ten minutes of the full scene with its resident memory sampled every 10 s: after the first minute
(textures uploaded, the driver's caches and the allocator's pools filled, the sounds' stream buffers
allocated) it must not grow.

Tolerance: 2 MiB over the nine minutes after the first. The scene allocates nothing per frame that it
keeps, so steady state is flat up to the allocator's page-granular noise (a few hundred KiB), while a
leak as small as 64 bytes a frame adds about 2 MiB over nine minutes at the 60 frames a second the
pacing allows (and about 1 MiB at the software renderer's own rate here): small enough to catch one
leaked string or texture header per frame, large enough not to trip on allocator noise."""
import os
import signal
import time
import unittest

from harness import Run, SettingsFolder, XServer, wait_until
from settings_file import read_values

SECONDS = int(os.environ.get("FERNHOLLOW_SOAK_SECONDS", "600"))
SETTLE = 60
STEP = 10
TOLERANCE_KIB = 2048


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
            self.assertTrue(wait_until(lambda: os.path.exists(trace) and "first frame" in open(trace).read(), 60),
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
        settled = [kib for at, kib in samples if at >= SETTLE]
        report = ", ".join("%ds %d" % (at, kib) for at, kib in samples)
        print("resident KiB: " + report)
        print("frames: %d" % frames)
        self.assertGreater(len(settled), 1)
        self.assertLessEqual(max(settled) - settled[0], TOLERANCE_KIB, report)


if __name__ == "__main__":
    unittest.main()
