"""The start-up trace (FERNHOLLOW_TRACE) the benchmarks read: milestones in order on the monotonic clock,
the frame count at the end, and a target that cannot be written named once without stopping the run."""
import os
import signal
import tempfile
import time
import unittest

from harness import Run, SettingsFolder, XServer, wait_until

MILESTONES = ["saver run starts", "window shown", "GL driver started", "loading picture on screen",
              "batch upload starts", "scene built", "first frame on screen"]


class TraceTest(unittest.TestCase):
    def setUp(self):
        self.x = XServer("640x480x24")
        self.settings = SettingsFolder()

    def tearDown(self):
        self.x.stop()
        self.settings.remove()

    def test_milestones_come_in_order_on_the_monotonic_clock(self):
        trace = os.path.join(self.settings.path, "trace")
        started = time.monotonic()
        run = Run(["/s"], self.x, self.settings.path, env={"FERNHOLLOW_TRACE": trace})
        self.assertTrue(wait_until(lambda: os.path.exists(trace) and "first frame" in open(trace).read(), 60))
        time.sleep(1)
        self.assertEqual(run.signal(signal.SIGTERM), 0, run.stderr)
        ended = time.monotonic()
        with open(trace) as source:
            lines = [line.rstrip("\n").split(" ", 1) for line in source]
        stamps = [float(stamp) for stamp, _ in lines]
        events = [event for _, event in lines]
        self.assertEqual(stamps, sorted(stamps))
        self.assertTrue(started <= stamps[0] and stamps[-1] <= ended, (started, stamps[0], stamps[-1], ended))
        self.assertEqual([e for e in events if e in MILESTONES], MILESTONES)
        pictures = ["background", "deer", "bg2", "plant1", "plant2", "plant3", "plant4", "light1", "light2",
                    "light3", "rabbit", "treebig", "tree_light", "wpa1", "wpa2", "wpa3"]
        between = events[events.index("batch upload starts") + 1:events.index("scene built")]
        self.assertEqual(sorted(e.split(" ", 1)[1] for e in between if e.startswith("decoded ")), sorted(pictures))
        self.assertEqual([e.replace("uploaded", "decoded") for e in between if e.startswith("uploaded ")],
                         [e for e in between if e.startswith("decoded ")])
        self.assertTrue(events[-1].startswith("engine stops after "), events[-1])
        self.assertGreater(int(events[-1].split()[3]), 0)

    def test_without_the_variable_nothing_is_traced_and_a_bad_target_is_named_once(self):
        run = Run(["/s"], self.x, self.settings.path)
        self.assertTrue(wait_until(self.x.find_window, 30))
        self.assertEqual(run.signal(signal.SIGTERM), 0)
        self.assertEqual(run.stderr, "")

        target = os.path.join(tempfile.gettempdir(), "no-such-folder-for-fernhollow", "trace")
        run = Run(["/s"], self.x, self.settings.path, env={"FERNHOLLOW_TRACE": target})
        self.assertTrue(wait_until(self.x.find_window, 30))
        time.sleep(1)
        self.assertEqual(run.signal(signal.SIGTERM), 0)
        self.assertEqual(run.stderr, "fernhollow: cannot write the trace to %s\n" % target)
        self.assertFalse(os.path.exists(target))


if __name__ == "__main__":
    unittest.main()
