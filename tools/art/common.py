"""Shared helpers for the artwork generator: seeded noise, blurs, layers, cairo, file writers.

Layers are float32 arrays of shape (h, w, 4) holding premultiplied RGBA in 0..1.
"""
import math
import os
import zlib

import cairo
import numpy as np
from PIL import Image

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
ASSETS = os.path.join(ROOT, 'assets')
DEFAULT_SEED = 20261

# Every full-screen layer is painted as one 16:9 picture of this size, then squeezed into its square texture.
CW, CH = 1920, 1080


def rng(seed, name):
    """An independent, reproducible random generator for one named part of the artwork."""
    return np.random.default_rng([seed, zlib.crc32(name.encode())])


# ----------------------------------------------------------------------------------------------- arrays

def resize(a, w, h, resample=Image.BICUBIC):
    """Resizes a float array (h, w) or (h, w, c) with PIL, channel by channel."""
    if a.ndim == 3:
        return np.stack([resize(a[..., i], w, h, resample) for i in range(a.shape[2])], axis=-1)
    return np.asarray(Image.fromarray(np.ascontiguousarray(a, dtype=np.float32), 'F')
                      .resize((w, h), resample), dtype=np.float32)


def _box(a, r, axis):
    if r <= 0:
        return a
    n = a.shape[axis]
    pad = [(0, 0)] * a.ndim
    pad[axis] = (r + 1, r)
    p = np.pad(a, pad, mode='edge')
    c = np.cumsum(p, axis=axis, dtype=np.float64)
    hi = np.take(c, np.arange(2 * r + 1, 2 * r + 1 + n), axis=axis)
    lo = np.take(c, np.arange(0, n), axis=axis)
    return ((hi - lo) / (2 * r + 1)).astype(np.float32)


def blur(a, sx, sy=None):
    """Approximately Gaussian blur (three box passes) with standard deviations sx, sy in pixels."""
    sy = sx if sy is None else sy
    a = np.asarray(a, dtype=np.float32)
    for s, axis in ((sx, 1), (sy, 0)):
        if s <= 0.3:
            continue
        r = max(1, int(round((math.sqrt(4 * s * s + 1) - 1) / 2)))
        for _ in range(3):
            a = _box(a, r, axis)
    return a


def noise(r, w, h, cell, cell_y=None, s=1):
    """Smooth value noise in 0..1 with features about `cell` pixels across (and `cell_y` down).

    With s > 1 the sizes are those of a picture painted s times larger, and the noise is the same as the one
    the call at size 1 (w / s, h / s, cell / s) makes: the same random draws, sampled s times more densely.
    A single row (h = 1) stays a single row."""
    cell_y = cell if cell_y is None else cell_y
    w1, h1 = max(1, round(w / s)), max(1, round(h / s))
    c1, cy1 = cell / s, cell_y / s
    gw = max(3, int(math.ceil(w1 / c1)) + 3)
    gh = max(3, int(math.ceil(h1 / cy1)) + 3)
    g = r.random((gh, gw)).astype(np.float32)
    ox = int(r.integers(0, max(1, int(gw * c1) - w1 - int(c1))))
    oy = int(r.integers(0, max(1, int(gh * cy1) - h1 - int(cy1))))
    big = resize(g, int(gw * cell), int(gh * cell_y))
    x0 = (ox + int(c1 // 2)) * s
    y0 = (oy + int(cy1 // 2)) * s
    out = big[y0:y0 + h, x0:x0 + w]
    if out.shape != (h, w):
        out = resize(big, w, h)
    return out


def fbm(r, w, h, cell, octaves=5, gain=0.5, cell_y=None, lacunarity=2.0, s=1):
    """Fractal noise normalised to 0..1 (s as for noise())."""
    cell_y = cell if cell_y is None else cell_y
    acc = np.zeros((h, w), np.float32)
    amp, total = 1.0, 0.0
    c, cy = float(cell), float(cell_y)
    for _ in range(octaves):
        if c / s < 1.5 or cy / s < 1.5:
            break
        acc += amp * noise(r, w, h, c, cy, s)
        total += amp
        amp *= gain
        c /= lacunarity
        cy /= lacunarity
    acc /= total
    lo, hi = np.percentile(acc, 0.5), np.percentile(acc, 99.5)
    return np.clip((acc - lo) / max(hi - lo, 1e-6), 0, 1)


def smoothstep(e0, e1, x):
    t = np.clip((x - e0) / (e1 - e0), 0, 1)
    return t * t * (3 - 2 * t)


def mix(a, b, t):
    t = np.asarray(t, dtype=np.float32)
    if t.ndim == 2 and max(np.ndim(a), np.ndim(b)) in (1, 3):
        t = t[..., None]
    return a + (b - a) * t


def col(hexstr):
    """'#rrggbb' to a float RGB triple."""
    hexstr = hexstr.lstrip('#')
    return np.array([int(hexstr[i:i + 2], 16) / 255.0 for i in (0, 2, 4)], np.float32)


def grid(w, h):
    """Pixel-centre coordinates as fractions: x in 0..1 across, y in 0..1 down."""
    x = (np.arange(w, dtype=np.float32) + 0.5) / w
    y = (np.arange(h, dtype=np.float32) + 0.5) / h
    return np.meshgrid(x, y)


# ----------------------------------------------------------------------------------------------- layers

def layer(w, h):
    return np.zeros((h, w, 4), np.float32)


def solid(rgb, alpha):
    """A premultiplied layer from an RGB image (h, w, 3) and an alpha (h, w)."""
    a = np.clip(alpha, 0, 1).astype(np.float32)
    return np.concatenate([np.clip(rgb, 0, None) * a[..., None], a[..., None]], axis=-1).astype(np.float32)


def over(dst, src):
    """Porter-Duff 'over' of premultiplied layers, in place on dst."""
    dst *= (1.0 - src[..., 3:4])
    dst += src
    return dst


def unpremultiply(lay):
    a = lay[..., 3:4]
    rgb = np.where(a > 1e-6, lay[..., :3] / np.maximum(a, 1e-6), 0)
    return np.clip(rgb, 0, 1), np.clip(lay[..., 3], 0, 1)


def bleed(rgb, alpha):
    """Fills the colour of transparent texels from their opaque neighbours, so that texture filtering and
    mipmaps never pull dark fringes into soft edges. The alpha is left as it is."""
    out = rgb.copy()
    known = (alpha > 0.02).astype(np.float32)
    if known.sum() == 0:
        return out
    acc = rgb * known[..., None]
    fill = np.zeros_like(rgb)
    have = np.zeros(alpha.shape, np.float32)
    for s in (1, 3, 8, 24, 64):
        num = blur(acc, s)
        den = blur(known, s)
        ok = (den > 1e-4) & (have == 0)
        fill[ok] = num[ok] / den[ok][:, None]
        have[ok] = 1
    rest = have == 0
    fill[rest] = (acc.sum(axis=(0, 1)) / max(known.sum(), 1))
    return np.where(known[..., None] > 0, out, fill)


def to_rgba8(lay, w=None, h=None):
    """Premultiplied float layer to straight 8-bit RGBA at the given size (resized with a box filter)."""
    if w is not None and (lay.shape[1], lay.shape[0]) != (w, h):
        lay = np.clip(resize(lay, w, h, Image.LANCZOS), 0, None)
        lay[..., 3] = np.clip(lay[..., 3], 0, 1)
        lay[..., :3] = np.minimum(lay[..., :3], lay[..., 3:4])
    rgb, a = unpremultiply(lay)
    a8 = np.round(a * 255).astype(np.uint8)
    rgb = bleed(rgb, a8.astype(np.float32) / 255)
    out = np.zeros(a8.shape + (4,), np.uint8)
    out[..., :3] = np.round(np.clip(rgb, 0, 1) * 255).astype(np.uint8)
    out[..., 3] = a8
    return out


def to_rgb8(rgb, w=None, h=None):
    if w is not None and (rgb.shape[1], rgb.shape[0]) != (w, h):
        rgb = resize(rgb, w, h, Image.LANCZOS)
    return np.round(np.clip(rgb, 0, 1) * 255).astype(np.uint8)


# ----------------------------------------------------------------------------------------------- cairo

class Canvas:
    """A cairo ARGB32 surface with conversion to premultiplied float layers."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, w, h)
        self.ctx = cairo.Context(self.surface)
        self.ctx.set_antialias(cairo.ANTIALIAS_BEST)

    def layer(self):
        self.surface.flush()
        buf = np.ndarray((self.h, self.surface.get_stride() // 4, 4), np.uint8, self.surface.get_data())
        b = buf[:, :self.w].astype(np.float32) / 255.0
        return np.stack([b[..., 2], b[..., 1], b[..., 0], b[..., 3]], axis=-1)

    def alpha(self):
        return self.layer()[..., 3]


def path_poly(ctx, pts, close=True):
    ctx.move_to(*pts[0])
    for p in pts[1:]:
        ctx.line_to(*p)
    if close:
        ctx.close_path()


def smooth_path(ctx, pts, close=True, tension=0.5):
    """A Catmull-Rom spline through the points, as cairo Bezier segments."""
    pts = [tuple(map(float, p)) for p in pts]
    n = len(pts)
    if n < 3:
        path_poly(ctx, pts, close)
        return
    ctx.move_to(*pts[0])
    rng_ = range(n) if close else range(n - 1)
    for i in rng_:
        p0 = pts[(i - 1) % n] if (close or i > 0) else pts[i]
        p1 = pts[i]
        p2 = pts[(i + 1) % n]
        p3 = pts[(i + 2) % n] if (close or i + 2 < n) else pts[(i + 1) % n]
        k = tension / 3.0 * 2
        c1 = (p1[0] + (p2[0] - p0[0]) * k / 2, p1[1] + (p2[1] - p0[1]) * k / 2)
        c2 = (p2[0] - (p3[0] - p1[0]) * k / 2, p2[1] - (p3[1] - p1[1]) * k / 2)
        ctx.curve_to(c1[0], c1[1], c2[0], c2[1], p2[0], p2[1])
    if close:
        ctx.close_path()


def shape_mask(w, h, draw, scale=1.0):
    """Alpha mask (h, w) of whatever `draw(ctx)` fills, anti-aliased by cairo."""
    c = Canvas(w, h)
    c.ctx.scale(scale, scale)
    c.ctx.set_source_rgba(1, 1, 1, 1)
    draw(c.ctx)
    return c.alpha()


# ----------------------------------------------------------------------------------------------- files

def out_path(rel):
    p = os.path.join(ASSETS, rel)
    os.makedirs(os.path.dirname(p), exist_ok=True)
    return p


def save_png(rel, rgba8):
    Image.fromarray(rgba8, 'RGBA').save(out_path(rel), format='PNG', compress_level=9)


def save_jpeg(rel, rgb8, quality=92):
    Image.fromarray(rgb8, 'RGB').save(out_path(rel), format='JPEG', quality=quality, subsampling=0,
                                      optimize=False, progressive=False)


def save_bmp(rel, rgb8):
    Image.fromarray(rgb8, 'RGB').save(out_path(rel), format='BMP')
