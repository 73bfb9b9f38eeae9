"""Three overlays of soft morning sunbeams slanting down from the upper right.

The frames cross-fade into each other, so they differ only a little: the beams turn by a degree or two and
breathe in brightness. They stay faint over the animals and are exactly transparent away from the beams.
"""
import math

import numpy as np

from common import blur, col, fbm, grid, smoothstep, solid

SOURCE = (1.02, -0.32)  # above the top right corner (fractions of the 16:9 picture)
ANIMALS = [  # (x, y, rx, ry): where the beams are kept faint
    (0.59, 0.70, 0.09, 0.09), (0.24, 0.665, 0.05, 0.05), (0.16, 0.40, 0.04, 0.07),
    (0.70, 0.96, 0.2, 0.1)]  # and the corner where the clock is drawn stays dark
BEAMS = [  # (angle of the beam below the horizontal to the left, degrees; width in degrees; strength)
    (112.0, 1.6, 0.85), (118.5, 2.4, 1.0), (124.0, 1.2, 0.6), (129.0, 2.0, 0.8), (134.5, 1.4, 0.55),
    (140.0, 2.6, 0.7), (147.0, 1.5, 0.45)]


def frame(r, index, s=1):
    """One frame painted at s times 480x270 (the random draws are the same at any s)."""
    w, h = 480 * s, 270 * s
    X, Y = grid(w, h)
    dx = (X - SOURCE[0]) * 16 / 9
    dy = Y - SOURCE[1]
    ang = np.degrees(np.arctan2(dy, dx))  # 90 straight down, 180 to the left
    dist = np.sqrt(dx * dx + dy * dy)
    turn = [-0.8, 0.0, 0.9][index]
    a = np.zeros((h, w), np.float32)
    for i, (center, width, strength) in enumerate(BEAMS):
        breathe = 1.0 + 0.22 * math.sin(index * 2.1 + i * 1.7)
        c = center + turn * (0.6 + 0.4 * math.cos(i))
        a += strength * breathe * np.exp(-((ang - c) / width) ** 2)
    # beams fade in below the canopy and out towards the ground
    along = smoothstep(0.25, 0.55, dist) * smoothstep(1.9, 1.05, dist)
    motes = 0.75 + 0.25 * fbm(r, w, h, 90 * s, 3, s=s)
    a = a * along * motes
    glow = np.exp(-(((X - 0.93) / 0.25) ** 2 + ((Y - 0.02) / 0.2) ** 2)) * 0.5
    a = a * 0.34 + glow * 0.24
    for x, y, rx, ry in ANIMALS:
        a *= 1 - 0.7 * np.exp(-(((X - x) / rx) ** 2 + ((Y - y) / ry) ** 2))
    a = blur(a, 4.0 * s)
    a = np.clip((a - 0.012) / (1 - 0.012), 0, 1)  # exactly transparent between the beams
    rgb = np.broadcast_to(col('#fff1cc'), (h, w, 3)) * np.ones((h, w, 1), np.float32)
    rgb = rgb * (1 + 0.0 * Y[..., None])
    return solid(rgb, a)
