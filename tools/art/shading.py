"""Painting helpers: soft relief shading of flat shapes, fur and bark textures."""
import numpy as np

from common import blur, noise, fbm

LIGHT = np.array([0.55, -0.62, 0.56], np.float32)  # from the upper right (x right, y down, z to the viewer)
LIGHT /= np.linalg.norm(LIGHT)


def relief(mask, radius, strength=1.0, light=LIGHT):
    """Lambert shading of a shape treated as a soft pillow: the blurred mask is the height field.
    Returns (lambert 0..1, normal z) arrays."""
    hgt = blur(mask, radius)
    hgt = np.sqrt(np.clip(hgt, 0, 1))
    gy, gx = np.gradient(hgt)
    k = strength * radius
    nx, ny, nz = -gx * k, -gy * k, np.ones_like(gx)
    n = np.sqrt(nx * nx + ny * ny + nz * nz)
    nx, ny, nz = nx / n, ny / n, nz / n
    lam = np.clip(nx * light[0] + ny * light[1] + nz * light[2], 0, 1)
    return lam.astype(np.float32), nz.astype(np.float32)


def rim(mask, width, direction=(1.0, -1.0)):
    """Brightness near the shape's edge on the side that faces `direction` (a backlight rim)."""
    inner = blur(mask, width)
    gy, gx = np.gradient(inner)
    d = np.array(direction, np.float32)
    d /= np.linalg.norm(d)
    facing = np.clip(-(gx * d[0] + gy * d[1]) * width * 4, 0, 1)
    edge = np.clip((1 - inner) * 2, 0, 1) * mask
    return (facing * edge).astype(np.float32)


def streaks(r, w, h, length, across):
    """Fine directional noise (fur, grass): noise stretched `length` times along y, `across` pixels wide."""
    a = noise(r, w, h, across, across * length)
    b = noise(r, w, h, across * 0.5, across * length * 0.5)
    return (0.6 * a + 0.4 * b).astype(np.float32)


def bark(r, w, h, scale=1.0, s=1):
    """Furrowed bark height in 0..1: vertical ridges broken by cross cracks. s: the picture's size factor
    (1 for the set at size 1, 2 for the one painted twice as large)."""
    ridges = fbm(r, w, h, 26 * scale * s, octaves=4, cell_y=200 * scale * s, s=s)
    fine = fbm(r, w, h, 7 * scale * s, octaves=3, cell_y=40 * scale * s, s=s)
    cracks = fbm(r, w, h, 60 * scale * s, octaves=3, cell_y=30 * scale * s, s=s)
    v = 0.55 * ridges + 0.3 * fine + 0.15 * cracks
    v = (v - v.min()) / max(v.max() - v.min(), 1e-6)
    return np.clip((v - 0.25) / 0.6, 0, 1) ** 0.8


def foliage(r, density, leaf=6.0, soft=0.05, clump=8.0, light_boost=None, s=1):
    """Leafy masses where `density` (h, w) passes 0.5: ragged leaf-sized edges, clumps lit from the upper
    right, fine leaf texture. Returns (alpha, brightness 0..1.3). Sizes are in pixels of the picture at
    size 1; s is the picture's size factor."""
    h, w = density.shape
    leaf, clump = leaf * s, clump * s
    edge = noise(r, w, h, leaf, s=s) * 0.16 + noise(r, w, h, leaf * 0.5, s=s) * 0.09 + \
        noise(r, w, h, leaf * 2.5, s=s) * 0.12
    d = density + edge - 0.185
    alpha = np.clip((d - 0.5) / soft + 0.5, 0, 1)
    lam, _ = relief(alpha, clump, 1.4)
    lam2, _ = relief(np.clip((d - 0.5) / 0.02 + 0.5, 0, 1), clump * 0.35, 1.6)
    tex = noise(r, w, h, leaf * 0.7, s=s)
    bright = 0.15 + 0.55 * lam + 0.35 * lam2 * (0.6 + 0.8 * tex)
    bright = bright * (0.5 + 0.75 * noise(r, w, h, clump * 4, s=s))  # clumps in front of and behind each other
    if light_boost is not None:
        bright = bright * (1 + light_boost)
    return alpha.astype(np.float32), bright.astype(np.float32)


def leaf_ramp(b):
    """Leaf colour for a brightness 0..1.3: deep shade, green, sunlit yellow-green."""
    from common import col
    stops = [(0.0, col('#0f1a0a')), (0.3, col('#263d15')), (0.55, col('#4a6b24')), (0.8, col('#86a03c')),
             (1.05, col('#c9cc6a')), (1.3, col('#f1e7a6'))]
    b = np.clip(b, 0, 1.3)
    out = np.zeros(b.shape + (3,), np.float32)
    for (x0, c0), (x1, c1) in zip(stops[:-1], stops[1:]):
        t = np.clip((b - x0) / (x1 - x0), 0, 1)[..., None]
        inside = ((b >= x0) & (b <= x1))[..., None]
        out = np.where(inside, c0 + (c1 - c0) * t, out)
    return out
