"""The big tree in front on the left: trunk, a mossy buttress root that the rabbit hides behind, leaves at the
top, and the light that falls on it. The woodpecker (birds.py) clings to the trunk at WOODPECKER_AT."""
import math

import numpy as np

import flora
from common import (CW, CH, Canvas, blur, col, fbm, grid, layer, mix, noise, over, smooth_path,
                    smoothstep, solid)
from shading import foliage, leaf_ramp, relief

# The trunk's edges (fractions of the 16:9 picture) from the top of the screen down to its foot.
TRUNK_LEFT = [(0.028, -0.02), (0.034, 0.2), (0.036, 0.4), (0.030, 0.58), (0.016, 0.68), (-0.02, 0.74)]
TRUNK_RIGHT = [(0.150, -0.02), (0.147, 0.2), (0.152, 0.4), (0.160, 0.55), (0.178, 0.63), (0.205, 0.665)]
# The buttress root running right along the ground; its top edge passes 0.681-0.685 over x 0.21-0.27, so the
# rabbit (0.64-0.69 at rest, 0.69-0.74 at its lowest, x 0.22-0.255) sinks behind it.
ROOT = [(0.15, 0.60), (0.175, 0.628), (0.196, 0.662), (0.212, 0.681), (0.24, 0.683), (0.27, 0.685), (0.30, 0.695),
        (0.325, 0.712), (0.345, 0.735), (0.36, 0.765), (0.33, 0.785), (0.25, 0.79), (0.15, 0.795), (0.05, 0.80),
        (-0.02, 0.80), (-0.02, 0.70), (0.05, 0.66), (0.11, 0.62)]
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


def _ridged(r, w, h, cx, cy, octaves=4, s=1):
    acc = np.zeros((h, w), np.float32)
    amp, tot = 1.0, 0.0
    for i in range(octaves):
        n = noise(r, w, h, cx, cy, s)
        acc += amp * (1 - np.abs(2 * n - 1))
        tot += amp
        amp *= 0.5
        cx, cy = cx / 2, cy / 2
    return acc / tot


def paint(seed, r, sf=1):
    """The tree layer, the trunk's and the root's masks, painted at sf times 1920x1080 (sizes below are in
    pixels of the painting at size 1; the random draws are the same at any sf)."""
    w, h = CW * sf, CH * sf
    X, Y = grid(w, h)
    trunk, root = trunk_masks(w, h)
    whole = np.maximum(trunk, root)
    out = layer(w, h)

    ys = [p[1] for p in TRUNK_LEFT]
    cx = np.interp(Y[:, 0], ys, [(a[0] + b[0]) / 2 for a, b in zip(TRUNK_LEFT, TRUNK_RIGHT)])
    half = np.interp(Y[:, 0], ys, [(b[0] - a[0]) / 2 for a, b in zip(TRUNK_LEFT, TRUNK_RIGHT)])
    s = np.clip((X - cx[:, None]) / half[:, None], -1, 1)

    # furrowed bark: sharp vertical ridges broken by cross cracks, lit as a relief from the upper right
    ridges = _ridged(r, w, h, 34 * sf, 260 * sf, s=sf)
    plates = fbm(r, w, h, 70 * sf, 4, cell_y=45 * sf, s=sf)
    height = ridges ** 1.6 * (0.7 + 0.3 * plates)
    along = _ridged(r, w, h, 240 * sf, 26 * sf, s=sf) ** 1.4 * (0.7 + 0.3 * plates)  # the root's grain runs along it
    height = np.where(root > trunk, along, height)
    gy, gx = np.gradient(blur(height, 1.2 * sf))
    gx, gy = gx * sf, gy * sf  # slopes per pixel of the painting at size 1
    nz = 1 / np.sqrt(1 + (gx * 60) ** 2 + (gy * 60) ** 2)
    bump = np.clip((-gx * 60 * 0.55 + gy * 60 * 0.62 + 0.56) * nz, 0, 1)
    # the trunk is round and lit from the right; the root from above
    cyl = np.clip(0.24 + 0.85 * (0.5 + 0.5 * s) ** 1.4, 0, 1)
    lam_r, _ = relief(root, 20 * sf, 1.2)
    light = np.where(root > trunk, 0.25 + 0.85 * lam_r, cyl)
    base = mix(col('#221d18'), col('#8a8171'), np.clip(height * 1.2, 0, 1))
    base = np.where((root > trunk)[..., None], mix(col('#3b332b'), col('#9a907e'), np.clip(height * 1.1, 0, 1)),
                    base)
    algae = smoothstep(0.3, -0.6, s) * fbm(r, w, h, 80 * sf, 4, s=sf)
    base = mix(base, col('#5c6a3c'), algae * 0.55)
    rgb = base * (light * (0.55 + 0.7 * bump))[..., None]

    # moss climbs from the foot, thickest on the shaded side; the root's back is covered in it
    moss_n = fbm(r, w, h, 45 * sf, 5, s=sf)
    clumps = noise(r, w, h, 5 * sf, s=sf) * 0.5 + noise(r, w, h, 2.5 * sf, s=sf) * 0.5
    on_trunk = smoothstep(0.42, 0.7, Y + 0.22 * moss_n - 0.1 * (s + 1)) * smoothstep(0.3, 0.55, moss_n + 0.15)
    on_trunk *= np.clip(trunk - root, 0, 1)
    has = root > 0.5
    top_row = np.where(has.any(axis=0), has.argmax(axis=0), h) / h
    below_top = Y - top_row[None, :]
    on_root = root * smoothstep(0.045, 0.02, below_top + 0.03 * (moss_n - 0.5))
    moss_amt = np.clip(np.maximum(on_trunk * 0.85, on_root) * (0.75 + 0.5 * clumps), 0, 1)
    lam_m, _ = relief(moss_amt * whole, 4 * sf, 1.5)
    moss = mix(col('#22380f'), col('#8da43c'), np.clip(0.1 + 0.9 * lam_m * (0.35 + 0.8 * clumps), 0, 1))
    moss = moss * (0.35 + 0.7 * light)[..., None]
    rgb = mix(rgb, moss, smoothstep(0.2, 0.55, moss_amt))
    warm = col('#ffd79a')
    rgb = rgb + warm * (np.clip(s - 0.6, 0, 1) * 0.5 * trunk * (1 - moss_amt * 0.6) * (0.6 + 0.6 * height))[..., None]
    # where the wood meets the ground it darkens; the root's lower edge sinks into the soil
    rgb = rgb * (1 - 0.55 * smoothstep(0.74, 0.8, Y))[..., None]
    soil = 0.785 + 0.012 * (fbm(r, w, 1, 60 * sf, 4, s=sf)[0][None, :] - 0.5)
    alpha = whole * smoothstep(soil + 0.006, soil - 0.004, Y)
    over(out, solid(rgb, alpha))

    # grass, sprigs and a few fronds along the foot of the root, where it sinks into the ground
    sprigs = Canvas(w, h)
    ctx = sprigs.ctx
    ctx.set_line_cap(1)
    for i in range(140):
        x = r.uniform(-0.01, 0.36)
        y = 0.786 + r.uniform(-0.004, 0.01)
        for b in range(int(r.integers(4, 9))):
            ang = math.radians(-90 + r.normal(0, 30))
            ln = r.uniform(14, 34) * sf
            x0, y0 = x * w + r.normal(0, 4) * sf, y * h
            x1, y1 = x0 + math.cos(ang) * ln, y0 + math.sin(ang) * ln
            bend = r.normal(0, 6) * sf
            ctx.move_to(x0, y0)
            ctx.curve_to(x0, y0 - ln * 0.4, x1 + bend * 0.5, y1 + 3 * sf, x1 + bend, y1 + abs(bend) * 0.5)
            ctx.set_line_width(r.uniform(1.2, 2.2) * sf)
            g = np.clip(col('#4d6a25') * r.uniform(0.5, 1.2), 0, 1)
            ctx.set_source_rgba(g[0], g[1], g[2], 1)
            ctx.stroke()
    for fx in (0.02, 0.1, 0.19, 0.28):
        for ang in (-150, -120, -60, -30):
            flora.fern_frond(ctx, r, (fx * w + r.uniform(-10, 10) * sf, 0.80 * h), ang + r.uniform(-8, 8),
                             r.uniform(60, 90) * sf, 24 * sf, bend=30 if ang < -90 else -30, droop=30, dark=0.6,
                             unit=sf)
    sp = sprigs.layer()
    over(out, sp)

    # ivy-like leaves climbing the trunk's foot
    leaves = Canvas(w, h)
    ctx = leaves.ctx
    for i in range(55):
        t = r.random()
        x = 0.035 + 0.1 * r.random()
        y = 0.48 + 0.26 * t
        _leaf(ctx, x * w, y * h, r.uniform(9, 16) * sf, r.uniform(-2.5, 0.6), r)
    lv = leaves.layer()
    a = lv[..., 3]
    lam_l, _ = relief(a, 3 * sf, 1.5)
    lrgb = mix(col('#22401a'), col('#6d8d33'), noise(r, w, h, 8 * sf, s=sf)) * (0.35 + 0.9 * lam_l)[..., None]
    over(out, solid(lrgb, a * 0.95))

    # the big tree's own leaves across the top-left corner, dark against the light
    for k, (reach_x, reach_y, dark) in enumerate([(0.46, 0.22, 0.55), (0.36, 0.16, 0.42), (0.24, 0.11, 0.3)]):
        n = fbm(r, w, h, (110 - 25 * k) * sf, 6, s=sf)
        reach = np.exp(-(((X - 0.04) / reach_x) ** 2 + ((Y + 0.04) / reach_y) ** 2))
        dens = 0.5 + (reach - 0.45) * 1.4 + 0.5 * (n - 0.5)
        m, b = foliage(r, dens, leaf=9 + 2 * k, soft=0.05, clump=9, s=sf)
        g = leaf_ramp(b * dark + 0.12)
        over(out, solid(g, m))
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


def light(seed, r, trunk, root, sf=1):
    """Warm light on the trunk's sunny side, sun flecks, a glow on the root's top. Transparent elsewhere."""
    w, h = CW * sf, CH * sf
    X, Y = grid(w, h)
    cx = np.interp(Y[:, 0], [p[1] for p in TRUNK_LEFT], [(a[0] + b[0]) / 2 for a, b in zip(TRUNK_LEFT,
                                                                                            TRUNK_RIGHT)])
    half = np.interp(Y[:, 0], [p[1] for p in TRUNK_LEFT], [(b[0] - a[0]) / 2 for a, b in zip(TRUNK_LEFT,
                                                                                              TRUNK_RIGHT)])
    s = np.clip((X - cx[:, None]) / half[:, None], -1, 1)
    side = smoothstep(-0.1, 0.85, s) * trunk
    flecks = smoothstep(0.66, 0.8, fbm(r, w, h, 16 * sf, 3, cell_y=22 * sf, s=sf)) * trunk * smoothstep(-0.4, 0.5, s)
    band = smoothstep(0.05, 0.3, Y) * smoothstep(0.75, 0.5, Y)
    top_root = root * smoothstep(0.70, 0.67, Y) * smoothstep(0.16, 0.3, X)
    a = np.clip(0.22 * side * band + 0.3 * flecks * band + 0.22 * top_root, 0, 0.6)
    a = blur(a, 1.0 * sf)
    a = np.where(a < 0.01, 0, a)
    rgb = np.broadcast_to(col('#ffe2a8'), (h, w, 3))
    return solid(rgb, a)
