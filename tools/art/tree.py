"""The big tree in front on the left: trunk, a mossy buttress root that the rabbit hides behind, leaves at the
top; the light that falls on it; the woodpecker clinging to its trunk in three pecking poses."""
import math

import numpy as np
from PIL import Image

from common import (CW, CH, Canvas, blur, col, fbm, grid, layer, mix, noise, over, resize, smooth_path,
                    smoothstep, solid)
from shading import bark, relief

# The trunk's edges (fractions of the 16:9 picture) from the top of the screen down to its foot.
TRUNK_LEFT = [(0.028, -0.02), (0.034, 0.2), (0.036, 0.4), (0.030, 0.58), (0.016, 0.68), (-0.02, 0.74)]
TRUNK_RIGHT = [(0.150, -0.02), (0.147, 0.2), (0.152, 0.4), (0.160, 0.55), (0.178, 0.63), (0.205, 0.665)]
# The buttress root running right along the ground; its top edge passes 0.681-0.685 over x 0.21-0.27, so the
# rabbit (0.64-0.69 at rest, 0.69-0.74 at its lowest, x 0.22-0.255) sinks behind it.
ROOT = [(0.17, 0.645), (0.192, 0.668), (0.212, 0.681), (0.24, 0.683), (0.27, 0.685), (0.30, 0.695),
        (0.325, 0.712), (0.345, 0.735), (0.36, 0.765), (0.33, 0.785), (0.25, 0.79), (0.15, 0.795), (0.05, 0.80),
        (-0.02, 0.80), (-0.02, 0.70), (0.05, 0.67), (0.12, 0.64)]
WOODPECKER_AT = (0.152, 0.40)  # where the bird's feet grip the trunk's right side


def _poly_mask(w, h, pts, tension=0.5):
    cv = Canvas(w, h)
    cv.ctx.scale(w, h)
    smooth_path(cv.ctx, pts, True, tension)
    cv.ctx.set_source_rgba(1, 1, 1, 1)
    cv.ctx.fill()
    return cv.alpha()


def trunk_masks(w=CW, h=CH):
    trunk = _poly_mask(w, h, TRUNK_LEFT + TRUNK_RIGHT[::-1])
    root = _poly_mask(w, h, ROOT, 0.45)
    return trunk, root


def paint(seed, r):
    w, h = CW, CH
    X, Y = grid(w, h)
    trunk, root = trunk_masks(w, h)
    whole = np.maximum(trunk, root)
    out = layer(w, h)

    # lighting: round trunk lit from the right, root lit from above
    lam_t, _ = relief(trunk, 60, 1.0)
    lam_r, _ = relief(root, 22, 1.2)
    cx = np.interp(Y[:, 0], [p[1] for p in TRUNK_LEFT], [(a[0] + b[0]) / 2 for a, b in zip(TRUNK_LEFT,
                                                                                            TRUNK_RIGHT)])
    half = np.interp(Y[:, 0], [p[1] for p in TRUNK_LEFT], [(b[0] - a[0]) / 2 for a, b in zip(TRUNK_LEFT,
                                                                                              TRUNK_RIGHT)])
    s = np.clip((X - cx[:, None]) / half[:, None], -1, 1)
    cyl = np.clip(0.25 + 0.75 * (0.5 + 0.5 * s) ** 1.2, 0, 1)
    lam = np.where(root > trunk, lam_r, 0.35 * lam_t + 0.65 * cyl)

    bk = bark(r, w, h, 1.3)
    ridges = blur(bk, 1.0)
    # bark: grey-brown ridges, dark furrows; moss climbs from the foot on the shaded side
    base = mix(col('#2f2a24'), col('#7b7264'), ridges)
    moss_n = fbm(r, w, h, 50, 5)
    moss_amt = smoothstep(0.45, 0.78, Y + 0.25 * moss_n - 0.12 * (s + 1)) * smoothstep(0.35, 0.6, moss_n + 0.2)
    moss_amt = np.maximum(moss_amt, root * smoothstep(0.25, 0.55, moss_n + 0.1 * (Y - 0.65) * 10))
    moss = mix(col('#3f5a1e'), col('#9db04a'), np.clip(noise(r, w, h, 4) * 0.6 + moss_n * 0.5, 0, 1))
    base = mix(base, moss, moss_amt * 0.92)
    rgb = base * (0.18 + 1.05 * lam)[..., None]
    warm = col('#ffdca0')
    rgb = rgb + warm * (np.clip(s - 0.55, 0, 1) * 0.35 * trunk * (1 - moss_amt * 0.5))[..., None]
    # soft contact shadow where the root meets the trunk and along its underside
    rgb = rgb * (1 - 0.45 * smoothstep(0.74, 0.8, Y) * root)[..., None]
    over(out, solid(rgb, whole))

    # ivy-like leaves and a few ferns tucked at the foot
    leaves = Canvas(w, h)
    ctx = leaves.ctx
    for i in range(70):
        t = r.random()
        x = 0.03 + 0.11 * r.random()
        y = 0.50 + 0.24 * t
        _leaf(ctx, x * w, y * h, r.uniform(9, 16), r.uniform(-2.5, 0.6), r)
    lv = leaves.layer()
    a = lv[..., 3]
    lam_l, _ = relief(a, 3, 1.5)
    lrgb = mix(col('#2d4a1c'), col('#6d8d33'), noise(r, w, h, 8)) * (0.35 + 0.9 * lam_l)[..., None]
    over(out, solid(lrgb, a * 0.95))

    # foliage of the big tree across the top-left corner
    fol = layer(w, h)
    for k in range(3):
        n = fbm(r, w, h, 90 - 25 * k, 6)
        leafy = noise(r, w, h, 7) * 0.2 + noise(r, w, h, 3.5) * 0.12
        reach = np.exp(-(((X - 0.05) / (0.42 - 0.08 * k)) ** 2 + ((Y + 0.05) / (0.2 - 0.03 * k)) ** 2))
        density = reach * 1.15 + 0.45 * (n - 0.5) + leafy - 0.15
        m = smoothstep(0.5, 0.56, density)
        lamf, _ = relief(m, 5, 1.5)
        g = mix(col('#1f3314'), col('#7f9a3a'), np.clip(lamf * 0.8 + 0.25 * n + 0.12 * k, 0, 1))
        over(fol, solid(g * (0.6 + 0.2 * k), m))
    over(out, fol)
    return out, trunk, root


def _leaf(ctx, x, y, size, angle, r):
    ctx.save()
    ctx.translate(x, y)
    ctx.rotate(angle)
    ctx.scale(size, size * r.uniform(0.55, 0.75))
    ctx.move_to(0, 0)
    ctx.curve_to(0.3, -0.6, 0.9, -0.4, 1.0, 0)
    ctx.curve_to(0.9, 0.4, 0.3, 0.6, 0, 0)
    ctx.restore()
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()


def light(seed, r, trunk, root):
    """Warm light on the trunk's sunny side, sun flecks, a glow on the root's top. Transparent elsewhere."""
    w, h = CW, CH
    X, Y = grid(w, h)
    cx = np.interp(Y[:, 0], [p[1] for p in TRUNK_LEFT], [(a[0] + b[0]) / 2 for a, b in zip(TRUNK_LEFT,
                                                                                            TRUNK_RIGHT)])
    half = np.interp(Y[:, 0], [p[1] for p in TRUNK_LEFT], [(b[0] - a[0]) / 2 for a, b in zip(TRUNK_LEFT,
                                                                                              TRUNK_RIGHT)])
    s = np.clip((X - cx[:, None]) / half[:, None], -1, 1)
    side = smoothstep(-0.1, 0.85, s) * trunk
    flecks = smoothstep(0.62, 0.8, fbm(r, w, h, 40, 4, cell_y=55)) * trunk * smoothstep(-0.6, 0.4, s)
    band = smoothstep(0.05, 0.3, Y) * smoothstep(0.75, 0.5, Y)
    top_root = root * smoothstep(0.70, 0.67, Y) * smoothstep(0.16, 0.3, X)
    a = np.clip(0.28 * side * band + 0.35 * flecks * band + 0.25 * top_root, 0, 0.6)
    a = np.where(a < 0.01, 0, a)
    rgb = np.broadcast_to(col('#ffe2a8'), (h, w, 3))
    return solid(rgb, a)
