"""What Fernhollow.scr plays under Wine, recorded through ALSA's file plugin: the bird song from the
start at the volume the settings give, nothing when sound is off."""
import os
import shutil
import tempfile
import time
import unittest

import numpy as np

from winharness import Saver, reg_reset, saver_window, wait_until, wine, xdotool
from test_forest_sound import RATE, correlation, decoded, read_wave

DRIVERS = r"HKCU\Software\Wine\Drivers"


class Recording:
    """A /s run whose sound goes through Wine's ALSA driver into a wave file (16-bit 44.1 kHz stereo)."""

    def __init__(self, test, settings):
        self.folder = tempfile.mkdtemp(prefix="fernhollow-win-audio-")
        test.addCleanup(shutil.rmtree, self.folder, True)
        self.path = os.path.join(self.folder, "out.wav")
        with open(os.path.join(self.folder, ".asoundrc"), "w") as out:
            out.write('pcm.!default { type plug slave { pcm "record" format S16_LE rate 44100 channels 2 } }\n'
                      'pcm.record { type file slave.pcm "null" file "%s" format "wav" }\n' % self.path)
        wine(["reg", "add", DRIVERS, "/v", "Audio", "/d", "alsa", "/f"])
        test.addCleanup(wine, ["reg", "add", DRIVERS, "/v", "Audio", "/d", "", "/f"])
        reg_reset(settings)
        # ALSA reads ~/.asoundrc of the process that plays: the saver's HOME is the test's folder.
        self.run = Saver(["/s"], HOME=self.folder)
        test.addCleanup(self.run.kill)
        self.test = test

    def finish(self, seconds):
        self.test.assertTrue(wait_until(saver_window, 60), self.run.stderr)
        time.sleep(seconds)
        xdotool("key", "Escape")
        self.test.assertEqual(self.run.finish(30), 0, self.run.stderr)
        self.test.assertTrue(os.path.exists(self.path), "nothing was played: " + self.run.stderr)
        samples = read_wave(self.path)
        self.test.assertEqual(samples.shape[1], 2)
        return samples.mean(axis=1)


class SoundTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.birds = decoded("birds")

    def gain_of_birds(self, mix):
        found = correlation(mix[:RATE * 8], self.birds[:RATE])
        start = int(np.argmax(found))
        self.assertGreater(found[start], 0.99, "the bird song is not in the recording")
        song = self.birds[:RATE * 3]
        part = mix[start:start + len(song)]
        self.assertEqual(len(part), len(song), "the recording stops before three seconds of song")
        return float(part @ song / (song @ song))

    def test_the_bird_song_plays_at_the_set_volume(self):
        full = self.gain_of_birds(Recording(self, {"ShowTime": 0, "Volume": 100, "Sound": 1}).finish(6))
        half = self.gain_of_birds(Recording(self, {"ShowTime": 0, "Volume": 40, "Sound": 1}).finish(6))
        print("bird song gain at volume 100: %.3f, at 40: %.3f" % (full, half))
        self.assertAlmostEqual(full, 1.0, delta=0.05)
        self.assertAlmostEqual(half / full, 0.4, delta=0.02)

    def test_sound_off_records_silence(self):
        mix = Recording(self, {"ShowTime": 0, "Volume": 100, "Sound": 0}).finish(4)
        self.assertEqual(float(np.abs(mix).max()) if len(mix) else 0.0, 0.0)


if __name__ == "__main__":
    unittest.main()
