"""What the forest scene plays, recorded by OpenAL Soft's wave-file output: the bird song from the first
frame, looping without a gap, the woodpecker's drumming with each pecking burst (the first 8 s into the
scene), nothing else; silence when the volume is 0 or sound is off.

OpenAL mixes linearly, so the recording minus the bird song (and minus the drumming where it plays) is
silent to the last bit; the sounds are found by cross-correlation with the decoded sound resources."""
import os
import shutil
import struct
import subprocess
import tempfile
import unittest

import numpy as np

from forest import ForestRun
from harness import SOURCE

RATE = 44100
LOOP_SECONDS = 45.0  # the bird song's length; the loop test runs past one repeat


def read_wave(path):
    """The samples of a 16-bit wave file (also in the extensible format) as floats, one column per channel."""
    with open(path, "rb") as source:
        raw = source.read()
    if raw[:4] != b"RIFF" or raw[8:12] != b"WAVE":
        raise AssertionError("%s is not a wave file" % path)
    at, channels, rate, data = 12, None, None, None
    while at + 8 <= len(raw):
        kind, size = raw[at:at + 4], struct.unpack("<I", raw[at + 4:at + 8])[0]
        body = raw[at + 8:at + 8 + size]
        if kind == b"fmt ":
            channels, rate = struct.unpack("<HI", body[2:8])
            bits = struct.unpack("<H", body[14:16])[0]
            if bits != 16:
                raise AssertionError("%s has %d-bit samples" % (path, bits))
        elif kind == b"data":
            data = body
        at += 8 + size + (size & 1)
    if rate != RATE or data is None:
        raise AssertionError("%s: rate %s, data %s" % (path, rate, data is not None))
    frames = len(data) // (2 * channels)
    return np.frombuffer(data[:frames * 2 * channels], np.int16).reshape(-1, channels).astype(np.float64)


def correlation(signal, template):
    """Normalised cross-correlation of template against every offset of signal."""
    size = 1 << (len(signal) + len(template) - 1).bit_length()
    raw = np.fft.irfft(np.fft.rfft(signal, size) * np.conj(np.fft.rfft(template, size)), size)
    raw = raw[:len(signal) - len(template) + 1]
    # Running sums, not np.convolve: that one is direct and takes minutes on long recordings.
    total = np.concatenate(([0.0], np.cumsum(signal ** 2)))
    energy = np.sqrt(np.maximum(total[len(template):] - total[:-len(template)], 1e-9))
    return raw / (energy * np.sqrt((template ** 2).sum()))


def envelope(signal, seconds=0.02):
    window = int(RATE * seconds)
    return np.sqrt(np.convolve(signal ** 2, np.ones(window) / window, "same"))


class Recording:
    """A saver run whose audio goes to a wave file."""

    def __init__(self, test, settings=None, args=("/s",)):
        self.folder = tempfile.mkdtemp(prefix="fernhollow-audio-")
        self.path = os.path.join(self.folder, "out.wav")
        conf = os.path.join(self.folder, "alsoft.conf")
        with open(conf, "w") as out:
            # No dither, so silence records as zeros and the mix subtracts to the last bit.
            out.write("[general]\ndrivers = wave\nfrequency = 44100\nchannels = stereo\nsample-type = int16\n"
                      "dither = false\n[wave]\nfile = %s\n" % self.path)
        test.addCleanup(shutil.rmtree, self.folder, True)
        self.run = ForestRun(test, "640x480x24", settings, env={"ALSOFT_CONF": conf, "ALSOFT_DRIVERS": "wave"},
                             args=args)
        test.addCleanup(self.run.close)
        self.test = test

    def finish(self, seconds):
        """Lets the scene run that long from its first frame, ends it with a key, and returns the mono mix
        without its last half second, where the sounds have stopped and the output is still recording."""
        self.run.wait_for_frame_time(seconds)
        self.run.x.xdotool("key", "Escape")
        self.test.assertEqual(self.run.ended_within(5.0), 0, self.run.run.stderr)
        samples = read_wave(self.path)
        self.test.assertEqual(samples.shape[1], 2)
        return samples.mean(axis=1)[:-RATE // 2]


def decoded(name):
    """A sound resource decoded from assets/, mono."""
    folder = tempfile.mkdtemp(prefix="fernhollow-decoded-")
    try:
        out = os.path.join(folder, name + ".wav")
        subprocess.run(["oggdec", "-Q", "-o", out, os.path.join(SOURCE, "assets", "sounds", name + ".ogg")],
                       check=True)
        return read_wave(out).mean(axis=1)
    finally:
        shutil.rmtree(folder, True)


class ForestSoundTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.birds = decoded("birds")
        cls.pecking = decoded("woodpecker")

    def birds_start(self, mix):
        """Where the bird song starts in the recording."""
        found = correlation(mix[:RATE * 6], self.birds[:RATE])
        start = int(np.argmax(found))
        self.assertGreater(found[start], 0.999, "the bird song is not in the recording's first seconds")
        return start

    def without_birds(self, mix, start, gain):
        """The recording minus the bird song played on a loop from start."""
        rest = mix.copy()
        length = len(mix) - start
        repeats = int(np.ceil(length / len(self.birds)))
        rest[start:] -= gain * np.tile(self.birds, repeats)[:length]
        return rest

    def gain(self, mix, start):
        """The volume the bird song was played at, from its first four seconds."""
        song = self.birds[:RATE * 4]
        return float(mix[start:start + len(song)] @ song / (song @ song))

    def pecking_starts(self, rest, gain):
        """Where each drumming starts, taking each one out of rest as it is found."""
        loud = 0.2 * gain * envelope(self.pecking).max()
        starts = []
        while True:
            above = np.nonzero(envelope(rest) > loud)[0]
            if len(above) == 0 or len(starts) > 10:
                return starts
            near = max(0, above[0] - RATE // 4)
            # A burst the recording cut off is matched on the part of it that was recorded.
            template = self.pecking[:max(0, len(rest) - near - RATE // 2)]
            if len(template) < RATE // 10:
                # Too little of it was recorded to tell what it is: the last moment is left unchecked.
                rest[near:] = 0
                return starts
            found = correlation(rest[near:near + RATE // 2 + len(template)], template)
            start = near + int(np.argmax(found))
            self.assertGreater(found.max(), 0.99, "something other than the drumming at %.2f s" % (start / RATE))
            rest[start:start + len(self.pecking)] -= gain * self.pecking[:len(rest) - start]
            starts.append(start)

    def test_bird_song_from_the_first_frame_and_the_first_drumming_8_seconds_in(self):
        recording = Recording(self, {"Music": 1, "Sound": 1, "Volume": 40})
        mix = recording.finish(12.0)
        start = self.birds_start(mix)
        gain = self.gain(mix, start)
        self.assertAlmostEqual(gain, 0.40, delta=0.005)
        rest = self.without_birds(mix, start, gain)
        drummings = self.pecking_starts(rest, gain)
        self.assertEqual(len(drummings), 1, [d / RATE for d in drummings])
        # The first rest is 8 s of frame time counted from the first frame; the song starts just before it.
        after = (drummings[0] - start) / RATE
        self.assertGreaterEqual(after, 7.95)
        self.assertLess(after, 8.5)
        # Nothing else was played: what is left is below one bit.
        self.assertLess(np.abs(rest[start:]).max(), 2.0)
        print("\nbird song at %.3f s of the recording; the drumming %.3f s later" % (start / RATE, after))

    def test_the_bird_song_loops_without_a_gap_and_every_burst_drums(self):
        recording = Recording(self)
        mix = recording.finish(LOOP_SECONDS + 3.0)
        start = self.birds_start(mix)
        self.assertGreater(len(mix) - start, len(self.birds) + RATE, "the run ended before the song repeated")
        gain = self.gain(mix, start)
        rest = self.without_birds(mix, start, gain)
        drummings = self.pecking_starts(rest, gain)
        # A burst of at least 1.3 s, then a rest of 8 s up to 16 s.
        self.assertGreaterEqual(len(drummings), 3)
        gaps = np.diff(drummings) / RATE
        self.assertTrue(all(9.3 <= gap < 17.7 for gap in gaps), gaps)
        # The song's second round follows its first sample for sample: the recording, less the song on a
        # seamless loop and the drumming, is silent across the seam.
        seam = start + len(self.birds)
        self.assertLess(np.abs(rest[seam - RATE:seam + RATE]).max(), 2.0)
        self.assertLess(np.abs(rest[start:]).max(), 2.0)
        print("\ndrumming every", ", ".join("%.2f" % g for g in gaps), "s")

    def test_volume_0_records_silence(self):
        mix = Recording(self, {"Music": 1, "Sound": 1, "Volume": 0}).finish(3.0)
        self.assertGreater(len(mix), 2 * RATE)
        self.assertEqual(np.abs(mix).max(), 0.0)

    def test_sound_off_records_silence(self):
        mix = Recording(self, {"Music": 1, "Sound": 0, "Volume": 100}).finish(3.0)
        self.assertGreater(len(mix), 2 * RATE)
        self.assertEqual(np.abs(mix).max(), 0.0)


if __name__ == "__main__":
    unittest.main()
