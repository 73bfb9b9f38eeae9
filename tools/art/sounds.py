"""The two sounds: a seamless loop of bird song over wind in the leaves, and a woodpecker's drumming burst.

The loop is built circularly: every call is added at its time modulo the loop's length (a call that runs past
the end continues at the start), the wind is noise made periodic in the frequency domain, its gusts are
slow sines with a whole number of cycles per loop, and the reverb is a circular convolution. The last sample
therefore flows into the first like any two neighbours, and no call is cut or repeated at the seam.
"""
import os
import subprocess
import tempfile
import wave

import numpy as np

from common import out_path, rng

RATE = 44100
LOOP_SECONDS = 45.0


# ---------------------------------------------------------------------------------------------- building blocks

def tone(freq, amp, harmonics=((1, 1.0),)):
    """A tone whose frequency (Hz) and amplitude follow the given per-sample curves."""
    phase = 2 * np.pi * np.cumsum(freq) / RATE
    out = np.zeros_like(freq)
    for n, a in harmonics:
        out += a * np.sin(n * phase)
    return out * amp


def envelope(n, attack=0.006, release=0.02, shape=1.0):
    t = np.arange(n) / RATE
    dur = n / RATE
    a = np.clip(t / attack, 0, 1)
    r = np.clip((dur - t) / release, 0, 1)
    return (np.sin(np.pi / 2 * a) * np.sin(np.pi / 2 * r)) ** shape


def sweep(f0, f1, dur, curve=1.0, vib=0.0, vib_rate=0.0, amp_shape=1.0, harmonics=((1, 1.0), (2, 0.08))):
    n = max(8, int(dur * RATE))
    u = np.linspace(0, 1, n)
    f = f0 + (f1 - f0) * u ** curve
    if vib:
        f = f * (1 + vib * np.sin(2 * np.pi * vib_rate * np.arange(n) / RATE))
    return tone(f, envelope(n, min(0.008, dur / 4), min(0.03, dur / 3), amp_shape), harmonics)


def silence(dur):
    return np.zeros(int(dur * RATE))


def spectral_filter(x, lo=None, hi=None, order=2):
    """Zero-phase band limiting by shaping the spectrum (smooth Butterworth-like magnitude)."""
    n = len(x)
    X = np.fft.rfft(x)
    f = np.fft.rfftfreq(n, 1 / RATE)
    g = np.ones_like(f)
    if hi:
        g /= np.sqrt(1 + (f / hi) ** (2 * order))
    if lo:
        g /= np.sqrt(1 + (lo / np.maximum(f, 1e-3)) ** (2 * order))
    return np.fft.irfft(X * g, n)


# ---------------------------------------------------------------------------------------------- bird calls

def chiffchaff(r):
    notes = []
    hi, lo = r.uniform(5800, 6400), r.uniform(4600, 5000)
    for i in range(int(r.integers(7, 13))):
        top = hi if (i % 2 == 0) ^ (r.random() < 0.2) else lo
        notes.append(sweep(top * 1.08, top * 0.86, r.uniform(0.055, 0.075), 0.7))
        notes.append(silence(r.uniform(0.26, 0.34)))
    return np.concatenate(notes)


def great_tit(r):
    parts = []
    a, b = r.uniform(6800, 7400), r.uniform(4300, 4700)
    for _ in range(int(r.integers(4, 7))):
        parts.append(sweep(a, a * 0.94, 0.085, 1.0, amp_shape=0.8))
        parts.append(silence(0.03))
        parts.append(sweep(b * 1.03, b, 0.11, 1.0) * 0.8)
        parts.append(silence(0.12))
    return np.concatenate(parts)


def warbler(r):
    """A melodious, blackbird-like phrase: fluting notes with glides, then a soft twitter."""
    parts = []
    base = r.uniform(1900, 2500)
    for i in range(int(r.integers(5, 9))):
        f0 = base * r.uniform(0.8, 1.5)
        f1 = f0 * r.uniform(0.75, 1.3)
        dur = r.uniform(0.09, 0.26)
        parts.append(sweep(f0, f1, dur, r.uniform(0.5, 2.0), vib=0.02, vib_rate=r.uniform(25, 40),
                           harmonics=((1, 1.0), (2, 0.18), (3, 0.05))))
        parts.append(silence(r.uniform(0.03, 0.09)))
    for i in range(int(r.integers(4, 9))):
        f0 = r.uniform(4200, 6200)
        parts.append(sweep(f0, f0 * r.uniform(0.6, 0.9), r.uniform(0.025, 0.04), 0.5) * 0.45)
        parts.append(silence(0.018))
    return np.concatenate(parts)


def wren(r):
    parts = []
    for seg in range(int(r.integers(3, 5))):
        f = r.uniform(4500, 7500)
        rate = r.uniform(14, 22)
        for i in range(int(r.uniform(0.35, 0.7) * rate)):
            parts.append(sweep(f * 1.12, f * 0.9, 0.6 / rate, 0.8) * 0.8)
            parts.append(silence(0.4 / rate))
        parts.append(silence(0.03))
    return np.concatenate(parts)


def cuckoo(r):
    parts = []
    hi, lo = r.uniform(660, 700), r.uniform(540, 570)
    h = ((1, 1.0), (2, 0.12), (3, 0.04))
    for _ in range(int(r.integers(4, 7))):
        parts.append(sweep(hi * 1.02, hi * 0.98, 0.2, 1.0, harmonics=h, amp_shape=1.5))
        parts.append(silence(0.1))
        parts.append(sweep(lo * 1.01, lo * 0.97, 0.34, 1.0, harmonics=h, amp_shape=1.5) * 0.9)
        parts.append(silence(r.uniform(0.55, 0.7)))
    return np.concatenate(parts)


def dove(r):
    """A wood-pigeon-like 'coo-COO-coo, coo-coo', breathy and low."""
    parts = []
    f = r.uniform(420, 470)
    h = ((1, 1.0), (2, 0.25), (3, 0.06))
    pattern = [(0.28, 0.8), (0.5, 1.0), (0.25, 0.8), (0.2, 0.0), (0.3, 0.85), (0.3, 0.8)]
    for dur, level in pattern:
        if level == 0:
            parts.append(silence(dur))
            continue
        n = int(dur * RATE)
        u = np.linspace(0, 1, n)
        fr = f * (1.0 + 0.06 * np.sin(np.pi * u))
        s = tone(fr, envelope(n, 0.05, 0.08, 1.2), h) * level
        parts.append(s)
        parts.append(silence(0.09))
    x = np.concatenate(parts)
    breath = spectral_filter(r.normal(0, 1, len(x)), 300, 1200) * 0.12 * np.abs(x).max()
    return x + breath * (np.abs(x) > 0.02)


SPECIES = {'chiffchaff': chiffchaff, 'great_tit': great_tit, 'warbler': warbler, 'wren': wren,
           'cuckoo': cuckoo, 'dove': dove}


# ---------------------------------------------------------------------------------------------- the loop

class Loop:
    def __init__(self, n):
        self.n = n
        self.dry = np.zeros((2, n))
        self.wet = np.zeros((2, n))

    def add(self, sig, t, pan, distance, wet=0.25):
        """pan -1 (left) .. 1 (right); distance 1 near .. 4 far: quieter, duller, more reverberant."""
        pre = 2048
        sig = spectral_filter(np.concatenate([np.zeros(pre), sig, np.zeros(4096)]), hi=9000 / distance ** 1.1,
                              order=1)
        t -= pre / RATE
        gain = 1.0 / distance
        ang = (pan + 1) * np.pi / 4
        gl, gr = np.cos(ang), np.sin(ang)
        delay = int(abs(pan) * 18)
        start = int(t * RATE)
        idx = (start + np.arange(len(sig))) % self.n
        idx_late = (start + delay + np.arange(len(sig))) % self.n  # the far ear hears it a little later
        li = idx if pan <= 0 else idx_late
        ri = idx if pan >= 0 else idx_late
        np.add.at(self.dry[0], li, sig * gain * gl)
        np.add.at(self.dry[1], ri, sig * gain * gr)
        w = wet * distance * 0.5
        np.add.at(self.wet[0], li, sig * gain * w)
        np.add.at(self.wet[1], ri, sig * gain * w)

    def reverb(self, r, seconds=1.8):
        m = int(seconds * RATE)
        t = np.arange(m) / RATE
        out = np.zeros_like(self.wet)
        for ch in range(2):
            ir = r.normal(0, 1, m) * np.exp(-t * 6.9 / 1.3)
            ir = spectral_filter(ir, 200, 5000)
            ir[:int(0.012 * RATE)] *= np.linspace(0, 1, int(0.012 * RATE))
            ir /= np.sqrt((ir ** 2).sum())
            pad = np.zeros(self.n)
            pad[:m] = ir
            out[ch] = np.fft.irfft(np.fft.rfft(self.wet[ch]) * np.fft.rfft(pad), self.n)
        return out


def periodic_noise(r, n, lo, hi, slope=0.0):
    """Noise whose spectrum lives on the loop's own harmonics, so it repeats seamlessly."""
    f = np.fft.rfftfreq(n, 1 / RATE)
    mag = np.ones_like(f)
    mag /= np.sqrt(1 + (f / hi) ** 4)
    mag /= np.sqrt(1 + (lo / np.maximum(f, 1e-3)) ** 4)
    mag *= np.maximum(f, 20) ** (-slope)
    spectrum = mag * np.exp(2j * np.pi * r.random(len(f)))
    spectrum[0] = 0
    x = np.fft.irfft(spectrum, n)
    return x / np.sqrt((x ** 2).mean())


def periodic_lfo(r, n, cycles, depth):
    t = np.arange(n) / n
    v = np.zeros(n)
    for c in cycles:
        v += np.sin(2 * np.pi * (c * t + r.random()))
    v /= len(cycles)
    return 1 + depth * v


def birds_loop(seed):
    r = rng(seed, 'birds')
    n = int(LOOP_SECONDS * RATE)
    loop = Loop(n)
    L = LOOP_SECONDS
    # (species, start seconds, pan, distance): a calm morning, with quiet spells between the songs.
    events = [
        ('warbler', 0.8, 0.45, 1.6), ('chiffchaff', 4.2, -0.6, 2.2), ('great_tit', 9.5, 0.8, 1.8),
        ('cuckoo', 12.0, -0.3, 4.2), ('warbler', 15.6, 0.4, 1.7), ('wren', 20.5, -0.75, 2.4),
        ('dove', 24.5, 0.65, 3.0), ('chiffchaff', 28.6, -0.5, 2.0), ('warbler', 31.8, 0.5, 1.5),
        ('great_tit', 36.2, -0.8, 2.6), ('wren', 39.8, 0.7, 3.0), ('warbler', 43.2, 0.3, 2.8),
        ('dove', 6.8, -0.85, 3.6), ('warbler', 22.6, -0.2, 3.4),
    ]
    for species, t, pan, dist in events:
        call = SPECIES[species](r)
        loop.add(call * r.uniform(0.85, 1.0), t % L, pan, dist)
    wet = loop.reverb(r)
    out = loop.dry + wet * 0.6

    # wind in the leaves: a low rushing bed and a brighter rustle, both swelling in slow gusts
    gust = periodic_lfo(r, n, (1, 2, 3, 5), 0.65)
    for ch in range(2):
        low = periodic_noise(r, n, 60, 500, 0.3) * 0.010
        rustle = periodic_noise(r, n, 1200, 4500, 0.5) * 0.004
        flutter = periodic_lfo(r, n, (37, 53, 71, 97), 0.6)
        out[ch] += low * gust + rustle * gust ** 2 * flutter
    out *= 0.55 / np.abs(out).max()
    return out


def woodpecker_burst(seed):
    r = rng(seed, 'woodpecker-sound')
    dur = 1.4
    n = int(dur * RATE)
    x = np.zeros(n)
    t = 0.0
    k = 0
    modes = [(430, 0.040, 1.0), (1090, 0.024, 0.7), (1880, 0.016, 0.45), (2760, 0.010, 0.3),
             (3950, 0.006, 0.2)]
    while t < 1.24:
        rate = 17.0 - 3.5 * (t / 1.24)         # knocks per second, slowing a little
        amp = (1.0 - 0.72 * (t / 1.24)) ** 1.3  # fading out
        start = int(round(t * RATE))
        m = int(0.3 * RATE)
        tt = np.arange(m) / RATE
        knock = np.zeros(m)
        for f, tau, a in modes:
            f *= r.uniform(0.985, 1.015)
            knock += a * np.sin(2 * np.pi * f * tt) * np.exp(-tt / tau)
        click = r.normal(0, 1, m) * np.exp(-tt / 0.0012) * 0.9
        click = np.convolve(np.diff(click, prepend=0.0), np.ones(9) / 9)[:m]  # causal band-limiting
        knock = (knock + click) * np.clip((0.3 - tt) / 0.05, 0, 1)  # long decayed before it ends
        seg = knock[:max(0, min(m, n - start))]
        x[start:start + len(seg)] += seg * amp * r.uniform(0.9, 1.05)
        t += 1.0 / rate
        k += 1
    # a little of the forest's space around it
    m = int(0.5 * RATE)
    tt = np.arange(m) / RATE
    ir = r.normal(0, 1, m) * np.exp(-tt * 6.9 / 0.45)
    ir = spectral_filter(ir, 300, 4000)
    ir /= np.sqrt((ir ** 2).sum())
    wet = np.fft.irfft(np.fft.rfft(x, 2 * n) * np.fft.rfft(ir, 2 * n), 2 * n)[:n]
    y = x + 0.25 * wet
    fade = np.ones(n)
    tail = int(0.08 * RATE)
    fade[-tail:] = np.linspace(1, 0, tail) ** 2
    y *= fade
    y /= np.abs(y).max()
    out = np.stack([y * 0.8, y * 0.55])  # the tree stands on the left
    return out, k


def write_wav(path, stereo):
    data = np.round(np.clip(stereo.T, -1, 1) * 32767).astype('<i2')
    with wave.open(path, 'wb') as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(data.tobytes())


def encode(stereo, rel, quality, serial):
    with tempfile.TemporaryDirectory() as tmp:
        wav = os.path.join(tmp, 'sound.wav')
        write_wav(wav, stereo)
        subprocess.run(['oggenc', '-Q', '-q', str(quality), '-s', str(serial), '-o', out_path(rel), wav],
                       check=True)


def write_all(seed):
    encode(birds_loop(seed), 'sounds/birds.ogg', 4, 153)
    burst, _ = woodpecker_burst(seed)
    encode(burst, 'sounds/woodpecker.ogg', 4, 152)
