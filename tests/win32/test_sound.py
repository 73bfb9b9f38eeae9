"""What Fernhollow.scr plays under Wine, recorded through ALSA's file plugin: the bird song from the
start at the volume the settings give, nothing when sound is off."""
import os
import shutil
import tempfile
import time
import unittest

import numpy as np

from winharness import Saver, reg_reset, saver_window, wait_until, wine, xdotool
from test_forest_sound import RATE, correlation, decoded

DRIVERS = r"HKCU\Software\Wine\Drivers"


class Recording:
    """A /s run whose sound goes through Wine's ALSA driver into a wave file (16-bit 44.1 kHz stereo)."""

    def __init__(self, test, settings):
        self.folder = tempfile.mkdtemp(prefix="fernhollow-win-audio-")
        test.addCleanup(shutil.rmtree, self.folder, True)
        # Raw samples: Wine does not close the device at exit, so a wave header would keep a length of 0.
        self.path = os.path.join(self.folder, "out.raw")
        with open(os.path.join(self.folder, ".asoundrc"), "w") as out:
            out.write('pcm.!default { type plug slave { pcm "record" format S16_LE rate 44100 channels 2 } }\n'
                      'pcm.record { type file slave.pcm "null" file "%s" format "raw" }\n' % self.path)
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
        with open(self.path, "rb") as recorded:
            raw = recorded.read()
        samples = np.frombuffer(raw[:len(raw) // 4 * 4], np.int16).reshape(-1, 2).astype(np.float64)
        # The device plays from the start: several seconds of samples, silent or not.
        self.test.assertGreater(len(samples), RATE * seconds // 2, "the recording is too short")
        return samples.mean(axis=1)


class SoundTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.birds = decoded("birds")

    def gain_of_birds(self, mix):
        # With ALSA's null output behind the file, Wine writes a stretch of silence ahead of the sound
        # faster than real time: the song is looked for in the whole recording.
        # Looked for by quarters of its first second: an underrun on a loaded machine spoils one of them,
        # not the search.
        quarter = RATE // 4
        best, start = 0.0, None
        for k in range(4):
            piece = self.birds[k * quarter:(k + 1) * quarter]
            if not (piece ** 2).sum() > 0:
                continue
            found = correlation(mix, piece)
            at = int(np.argmax(found))
            best = max(best, float(found[at]))
            if found[at] > 0.99 and at >= k * quarter:
                start = at - k * quarter
                break
        self.assertIsNotNone(start, "the bird song is not in the recording (best match %.3f)" % best)
        song = self.birds[:RATE * 3]
        part = mix[start:start + len(song)]
        self.assertEqual(len(part), len(song), "the recording stops before three seconds of song")
        # Behind a null output Wine's feed is not paced, so the stream may underrun and silence be
        # inserted; a gap only lowers a window's match, so the best of six half-second windows gives
        # the volume the song was played at.
        gains = []
        for k in range(6):
            window = slice(k * RATE // 2, (k + 1) * RATE // 2)
            gains.append(float(part[window] @ song[window] / (song[window] @ song[window])))
        return max(gains)

    def test_the_bird_song_plays_at_the_set_volume(self):
        full = self.gain_of_birds(Recording(self, {"ShowTime": 0, "Volume": 100, "Sound": 1, "Music": 1}).finish(4))
        half = self.gain_of_birds(Recording(self, {"ShowTime": 0, "Volume": 40, "Sound": 1, "Music": 1}).finish(4))
        print("bird song gain at volume 100: %.3f, at 40: %.3f" % (full, half))
        self.assertAlmostEqual(full, 1.0, delta=0.05)
        self.assertAlmostEqual(half / full, 0.4, delta=0.02)

    def test_sound_off_records_silence(self):
        mix = Recording(self, {"ShowTime": 0, "Volume": 100, "Sound": 0, "Music": 1}).finish(4)
        self.assertEqual(float(np.abs(mix).max()), 0.0)


if __name__ == "__main__":
    unittest.main()
