"""The two background layers: the distant forest (opaque) and the middle ground with the deer's body.

Both are painted as one 16:9 picture. The middle ground (ground, undergrowth, a few nearer trunks) is painted
into the distant picture as well, so that wherever the second layer is cut open - around the deer's head,
which swings behind it - the layer below shows exactly the same forest.
"""
import math

import numpy as np

import deer
import flora
import layout
from PIL import Image

from common import (CW, CH, Canvas, resize, blur, col, fbm, grid, layer, mix, over, smooth_path, smoothstep,
                    solid)
from shading import bark, foliage, leaf_ramp

HAZE = col('#c4cdb4')
HAZE_WARM = col('#f1dfae')
SUN = (0.90, -0.15)


def _sunlight(X, Y):
    d = np.sqrt(((X - SUN[0]) * 1.78) ** 2 + (Y - SUN[1]) ** 2)
    return np.exp(-d / 0.55).astype(np.float32)


def _trunk_mask(w, h, x, top, bottom, w_top, w_bottom, lean, r, wobble=0.15, flare=0.9):
    """A tapering, slightly bent trunk as an anti-aliased mask."""
    cv = Canvas(w, h)
    ctx = cv.ctx
    n = 16
    left, right = [], []
    ph = r.random() * 6
    for i in range(n + 1):
        t = i / n
        y = top + (bottom - top) * t
        cx = x + lean * (1 - t) + wobble * w_bottom * math.sin(t * 3.1 + ph)
        half = 0.5 * (w_top + (w_bottom - w_top) * t ** 1.5)
        fl = half * flare * (max(0.0, (t - 0.9) / 0.1)) ** 2.2
        left.append((cx - half - fl * r.uniform(0.7, 1.2), y))
        right.append((cx + half + fl * r.uniform(0.7, 1.2), y))
    smooth_path(ctx, left + right[::-1], True)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()
    return cv.alpha()


def _trunk_colour(X, mask, x, width, bark_tex, base, lit):
    s = np.clip((X - x) / (width * 0.5 + 1e-6), -1, 1)
    light = 0.35 + 0.65 * np.clip(0.5 + 0.6 * s, 0, 1) ** 1.4
    rgb = base * (0.55 + 0.7 * bark_tex[..., None]) * light[..., None]
    rgb = rgb + lit * (np.clip(s - 0.45, 0, 1) * (0.5 + 0.5 * bark_tex))[..., None] * 0.9
    return rgb


HORIZON = 0.585


def _ground_uv(X, Y):
    """Where each pixel below the horizon lies on the forest floor (u across, v into the distance)."""
    dy = np.maximum(Y - HORIZON, 0.004)
    z = 0.07 / dy
    return (X - 0.5) * 1.78 * z, z


def _sample(tex, u, v, scale):
    th, tw = tex.shape
    # mirrored repetition: continuous everywhere, so the floor shows no seams
    x = np.abs(((u * scale + 4.5 * tw) % (2 * tw - 2)) - (tw - 1))
    y = np.abs(((v * scale + 4.5 * th) % (2 * th - 2)) - (th - 1))
    x0 = np.clip(np.floor(x).astype(np.int64), 0, tw - 1)
    y0 = np.clip(np.floor(y).astype(np.int64), 0, th - 1)
    fx, fy = x - x0, y - y0
    x1, y1 = np.minimum(x0 + 1, tw - 1), np.minimum(y0 + 1, th - 1)
    return (tex[y0, x0] * (1 - fx) * (1 - fy) + tex[y0, x1] * fx * (1 - fy) + tex[y1, x0] * (1 - fx) * fy +
            tex[y1, x1] * fx * fy).astype(np.float32)


def _tufts(r, w, h, count, y_range, exclude=(), s=1):
    """Little sprigs of grass and wood-rush on the ground, smaller with distance."""
    cv = Canvas(w, h)
    ctx = cv.ctx
    ctx.set_line_cap(1)
    centres = [(r.uniform(-0.02, 1.02), r.uniform(*y_range)) for _ in range(count // 6)]
    for _ in range(count):
        cx, cy = centres[int(r.integers(len(centres)))]
        spread = (cy - HORIZON) * 0.25
        y = float(np.clip(cy + r.normal(0, spread * 0.3), y_range[0], y_range[1]))
        x = cx + r.normal(0, spread)
        if any(x0 <= x <= x1 and y0 <= y <= y1 for x0, x1, y0, y1 in exclude):
            continue
        size = (y - HORIZON) * h * r.uniform(0.08, 0.16)
        g = np.clip(col('#4f6a26') * r.uniform(0.6, 1.1) * (0.55 + 0.5 * (y - 0.6)), 0, 1)
        for b in range(int(r.integers(5, 12))):
            ang = math.radians(-90 + r.normal(0, 28))
            ln = size * r.uniform(0.5, 1.0)
            bend = r.normal(0, 0.35) * ln
            x0, y0 = x * w + r.normal(0, size * 0.08), y * h
            x1, y1 = x0 + math.cos(ang) * ln, y0 + math.sin(ang) * ln
            ctx.move_to(x0, y0)
            ctx.curve_to(x0 + (x1 - x0) * 0.4, y0 + (y1 - y0) * 0.5, x1 + bend * 0.5, y1 + abs(bend) * 0.3,
                         x1 + bend, y1 + abs(bend) * 0.6)
            ctx.set_line_width(max(0.7 * s, size * 0.035))
            lit = r.uniform(0.6, 1.3)
            ctx.set_source_rgba(min(1, g[0] * lit), min(1, g[1] * lit), min(1, g[2] * lit), 1)
            ctx.stroke()
    return cv.layer()


def paint(seed, r, s=1):
    """The distant forest (RGB), the middle ground (premultiplied RGBA) and the sky, painted at s times
    1920x1080. Every size below is in pixels of the painting at size 1 and multiplied by s where it is used,
    and every random draw is the same at any s, so both sizes show one painting."""
    w, h = CW * s, CH * s
    X, Y = grid(w, h)
    Xp = X * w
    sun = _sunlight(X, Y)

    # ---- sky seen through the canopy, and the general hazy light
    top_col = col('#e6e4c4')
    mid_col = col('#bccaa6')
    hor_col = col('#d8d6b8')
    sky = mix(top_col, mid_col, smoothstep(0.0, 0.45, Y))
    sky = mix(sky, hor_col, smoothstep(0.42, 0.6, Y))
    sky = sky * (0.92 + 0.08 * smoothstep(0.0, 1.0, X))[..., None]
    sky = sky + HAZE_WARM * (sun * 0.45)[..., None]
    far = sky.copy()

    # faint shafts of light in the haze behind the trees
    dx, dy = (X - SUN[0]) * 1.78, Y - SUN[1]
    ang = np.degrees(np.arctan2(dy, dx))
    shafts = fbm(r, 720, 1, 9, 4)[0]
    shaft = np.interp(ang, np.linspace(90, 180, 720), shafts)
    shaft = smoothstep(0.55, 0.9, shaft) * smoothstep(0.25, 0.6, np.sqrt(dx * dx + dy * dy))

    # ---- distant trunks in rows, further ones paler and bluer
    rows = [  # (count, width px, ground y, haze)
        (40, (4, 9), 0.592, 0.82),
        (28, (8, 15), 0.602, 0.68),
        (18, (13, 24), 0.618, 0.52),
        (11, (22, 36), 0.640, 0.38),
    ]
    bark_tex = bark(r, w, h, 0.7, s)
    for ri, (count, (wmin, wmax), ground, haze) in enumerate(rows):
        xs = np.sort(r.random(count)) * 1.08 - 0.04
        xs += r.normal(0, 0.01, count)
        for x in xs:
            wd = r.uniform(wmin, wmax)
            x0 = int(max(0, x * CW - wd * 3)) * s
            x1 = int(min(CW, x * CW + wd * 3)) * s
            if x1 <= x0:
                continue
            wd *= s
            m = _trunk_mask(x1 - x0, h, x * w - x0, -10 * s, ground * h + r.uniform(-3, 3) * s, wd * 0.8, wd,
                            r.uniform(-6, 6) * s, r, 0.12, 0.6)
            base = col('#4a4338') * r.uniform(0.8, 1.15)
            rgb = _trunk_colour(Xp[:, x0:x1], m, x * w, wd, bark_tex[:, x0:x1], base,
                                HAZE_WARM * sun[:, x0:x1, None])
            depth_haze = haze + (1 - haze) * 0.3 * smoothstep(0.3, 0.0, Y[:, x0:x1])
            rgb = mix(rgb, sky[:, x0:x1], depth_haze * (0.9 + 0.1 * sun[:, x0:x1]))
            far[:, x0:x1] = mix(far[:, x0:x1], rgb, m)
        # light shafts and mist between the rows
        far = mix(far, HAZE_WARM, shaft * 0.10)
        far = mix(far, sky, 0.06 * (1 - ri / 4))

    # ---- distant undergrowth along the horizon, in layers of haze
    for i, (y0, amp, haze) in enumerate([(0.585, 0.022, 0.7), (0.598, 0.03, 0.55), (0.615, 0.035, 0.4)]):
        edge = y0 - amp * fbm(r, w, 1, 70 * s, 5, s=s)[0]
        dens = 0.5 + (Y - edge[None, :]) * 40
        m, b = foliage(r, dens, leaf=4.0 + 1.5 * i, soft=0.08, clump=4 + 2 * i, s=s)
        g = leaf_ramp(b * 0.9 + sun * 0.3)
        g = mix(g, sky, haze)
        far = mix(far, g, m)

    # ---- canopy: foliage masses across the top, light breaking through on the right
    for i, (cell, reach, haze, dark) in enumerate([(170, 0.34, 0.5, 0.95), (120, 0.24, 0.3, 0.75),
                                                   (90, 0.13, 0.08, 0.5)]):
        n = fbm(r, w, h, cell * s, 6, s=s)
        dens = 0.5 + (n - 0.5) * 1.1 + 0.5 * smoothstep(reach + 0.1, -0.05, Y) - 0.5 * smoothstep(0.0,
                                                                                              reach + 0.25, Y)
        dens -= 0.8 * smoothstep(reach + 0.02, reach + 0.14, Y)
        dens -= (0.3 - 0.08 * i) * sun
        m, b = foliage(r, dens, leaf=8.0 + 3 * i, soft=0.06, clump=8 + 3 * i, light_boost=0.9 * sun, s=s)
        g = leaf_ramp(b * dark)
        # leaves against the sun glow: light passes through their edges
        glow = blur(sky.mean(axis=2) * (1 - m), 6 * s) * sun
        g = g + col('#d9e27a') * (glow * 0.6)[..., None]
        g = mix(g, sky, haze)
        far = mix(far, g, m)

    # soft bright mist near the horizon, strongest under the sun
    mist = np.exp(-((Y - 0.6) / 0.06) ** 2) * (0.35 + 0.4 * fbm(r, w, h, 200 * s, 4, cell_y=60 * s, s=s))
    far = mix(far, HAZE_WARM * 0.95 + HAZE * 0.1, mist * (0.5 + 0.3 * sun))

    # ---- the middle ground, shared by both layers
    mid = layer(w, h)
    ground_top = HORIZON + 0.03 + 0.014 * fbm(r, w, 1, 160 * s, 4, s=s)[0]
    gm = smoothstep(-0.01, 0.02, Y - ground_top[None, :])
    U, V = _ground_uv(X, Y)
    big = fbm(r, 1024, 1024, 160, 6)
    fine = fbm(r, 1024, 1024, 14, 4)
    pools_t = fbm(r, 1024, 1024, 300, 4)
    moss = _sample(big, U, V, 900)
    litter = _sample(fine, U, V, 2600)
    pools = _sample(pools_t, U, V, 500)
    depth = np.clip((Y - HORIZON) / (1 - HORIZON), 0, 1)  # 0 far, 1 at the bottom edge
    gcol = mix(col('#6a6232'), col('#8c9444'), moss)
    gcol = mix(gcol, col('#7d5b36'), smoothstep(0.45, 0.75, litter) * smoothstep(0.3, 0.65, moss) * 0.6)
    gcol = mix(gcol, col('#2f3d1a'), smoothstep(0.45, 0.2, moss) * 0.45)
    gcol = gcol * (0.8 + 0.35 * litter)[..., None]
    light_pool = smoothstep(0.55, 0.72, pools) * (0.4 + 0.8 * sun)
    gcol = gcol * (1.0 - 0.62 * depth ** 1.2)[..., None]
    gcol = gcol + col('#f3d98f') * (light_pool * 0.3 * (1 - depth * 0.5))[..., None]
    gcol = mix(gcol, sky, (1 - smoothstep(0.0, 0.35, depth)) ** 2 * 0.75)
    # darker foreground corners; the clock's corner stays dark
    vign = smoothstep(0.8, 1.0, Y) * (0.3 + 0.3 * smoothstep(0.4, 0.75, X))
    gcol = gcol * (1 - vign)[..., None]
    over(mid, solid(gcol, gm))

    # leafy shrubs along the middle ground
    for cx, cy, sw, sh in [(0.37, 0.628, 0.075, 0.045), (0.745, 0.628, 0.10, 0.055),
                           (0.935, 0.63, 0.08, 0.06), (0.49, 0.633, 0.045, 0.028), (0.62, 0.633, 0.04, 0.03),
                           (0.27, 0.632, 0.05, 0.03)]:
        d = np.sqrt(((X - cx) / sw) ** 2 + ((Y - cy) / sh) ** 2)
        dens = 0.5 + (0.95 - d) * 1.6 - 3.0 * np.clip(Y - cy - sh * 0.25, 0, None) / sh
        m, b = foliage(r, dens, leaf=5.0, soft=0.1, clump=6, s=s)
        g = leaf_ramp(b * 0.95 + sun * 0.25)
        g = mix(g, sky, 0.3)
        over(mid, solid(g, m))

    # a few nearer trunks in the middle distance (clear of the deer and the big tree)
    trunk_tex = bark(r, w, h, 1.0, s)
    for x, wd, ground, haze in [(0.345, 44, 0.652, 0.2), (0.785, 56, 0.656, 0.16), (0.935, 34, 0.643, 0.28),
                                (0.665, 22, 0.638, 0.36)]:
        x0, x1 = int(x * CW - wd * 3) * s, int(min(CW, x * CW + wd * 3)) * s
        wd *= s
        m = _trunk_mask(x1 - x0, h, x * w - x0, -20 * s, ground * h, wd * 0.82, wd, r.uniform(-8, 8) * s, r, 0.1,
                        0.7)
        rgb = _trunk_colour(Xp[:, x0:x1], m, x * w, wd, trunk_tex[:, x0:x1], col('#4b4134'),
                            HAZE_WARM * sun[:, x0:x1, None] * 1.3)
        mossy = smoothstep(ground - 0.12, ground, Y[:, x0:x1]) * smoothstep(0.45, 0.7, trunk_tex[:, x0:x1])
        rgb = mix(rgb, col('#6c7d35') * (0.6 + 0.5 * trunk_tex[:, x0:x1, None]), mossy * 0.8)
        rgb = mix(rgb, sky[:, x0:x1], haze)
        sub = mid[:, x0:x1]
        shadow = np.exp(-(((Xp[:, x0:x1] - x * w) / (wd * 1.6)) ** 2 + ((Y[:, x0:x1] - ground) / 0.008) ** 2))
        sub[..., :3] *= (1 - 0.45 * shadow)[..., None]
        over(sub, solid(rgb, m))

    # grass and little sprigs on the ground (not where the deer stands)
    # fallen leaves from last autumn, lying flat (foreshortened) on the floor
    litter_cv = Canvas(w, h)
    tones = [col('#7a5530'), col('#94683a'), col('#6b5a32'), col('#a57d45'), col('#5a4a2a')]
    for _ in range(750):
        y = HORIZON + 0.06 + (1 - HORIZON - 0.05) * r.random() ** 0.8
        x = r.uniform(-0.01, 1.01)
        size = (y - HORIZON) * h * 0.065 * r.uniform(0.6, 1.3)
        ctx = litter_cv.ctx
        ctx.save()
        ctx.translate(x * w, y * h)
        ctx.scale(1.0, 0.45)
        tone = tones[int(r.integers(len(tones)))] * r.uniform(0.6, 0.95) * (0.5 + 0.45 * (y - HORIZON) / 0.4)
        flora.leaf(ctx, r, 0, 0, r.uniform(0, 360), size, np.clip(tone, 0, 0.9), vein=size > 9 * s, unit=s)
        ctx.restore()
    lit = litter_cv.layer()
    lrgb = lit[..., :3] / np.maximum(lit[..., 3:4], 1e-6)
    lrgb = lrgb * (1 - vign)[..., None] + col('#f3d98f') * (light_pool * 0.15)[..., None]
    over(mid, solid(lrgb, lit[..., 3] * 0.8))

    tufts = _tufts(r, w, h, 320, (0.70, 0.99), exclude=[(0.43, 0.55, 0.62, 0.8)], s=s)
    tufts[..., :3] *= (1 - 0.4 * vign)[..., None]
    over(mid, tufts)
    # small ferns scattered over the middle ground, paler with distance
    ferns = Canvas(w, h)
    spots = [(0.03, 0.655), (0.30, 0.66), (0.385, 0.668), (0.62, 0.655), (0.70, 0.672), (0.83, 0.662),
             (0.90, 0.70), (0.66, 0.74), (0.36, 0.75), (0.97, 0.665), (0.56, 0.648), (0.12, 0.648),
             (0.75, 0.80), (0.29, 0.83)]
    for fx, fy in sorted(spots, key=lambda p: p[1]):
        size = (fy - HORIZON) * h * r.uniform(0.9, 1.2)
        for ang in np.linspace(-165, -15, int(r.integers(5, 8))) + r.normal(0, 6, 1):
            flora.fern_frond(ferns.ctx, r, (fx * w, fy * h), ang, size * r.uniform(0.8, 1.1), size * 0.3,
                             bend=35 if ang < -90 else -35, droop=35, dark=0.55 + 0.6 * (fy - 0.64),
                             hue=r.uniform(-1, 1), unit=s)
    fl = ferns.layer()
    fd = np.clip((Y - HORIZON) / 0.25, 0, 1)
    frgb = fl[..., :3] / np.maximum(fl[..., 3:4], 1e-6)
    frgb = mix(frgb, sky, (1 - fd) ** 2 * 0.6)
    over(mid, solid(frgb, fl[..., 3]))

    return far, mid, sky


def deer_origin(W=CW, H=CH):
    x, y, _, _ = layout.rect('deer', W, H)
    return float(x), float(y)


def swing_mask(w, h, s=1):
    """Where the deer's head and neck can be on any common screen shape, as a mask on the w x h canvas."""
    acc = np.zeros((h, w), np.float32)
    for SW, SH in ((1920, 1080), (1920, 1200), (1024, 768), (1280, 1024)):
        x, y, rw, rh = layout.rect('deer', SW, SH)
        # paint in that screen's pixels at reduced size, then map the fractions onto this canvas
        k = 0.5
        cw, ch = int(SW * k), int(SH * k)
        sx, sy = rw / 192.0, rh / 140.0  # the 16:9 painting coordinates stretched to this rectangle
        for ang in np.linspace(layout.DEER_ANGLES[0] - 1, layout.DEER_ANGLES[1] + 1, 23):
            cv = Canvas(cw, ch)
            ctx = cv.ctx
            ctx.scale(k, k)
            ctx.translate(x, y)
            ctx.rotate(math.radians(ang))
            ctx.scale(sx, sy)
            ctx.set_source_rgba(1, 1, 1, 1)
            for pts in (deer.NECK_HEAD, deer.EAR_FAR, deer.EAR_NEAR):
                smooth_path(ctx, pts, True)
                ctx.fill()
            m = cv.alpha()
            acc = np.maximum(acc, resize(m, w, h))
    return np.clip(blur((acc > 0.02).astype(np.float32), 2.5 * s) * 2.5, 0, 1)


def paint_layers(seed, r, s=1):
    """Returns (background RGB, second layer premultiplied RGBA), both 16:9 canvases of s times 1920x1080."""
    far, mid, sky = paint(seed, r, s)
    background = mix(far, mid[..., :3] / np.maximum(mid[..., 3:4], 1e-6), mid[..., 3])
    bg2 = mid.copy()
    hole = swing_mask(CW * s, CH * s, s)
    bg2 *= (1 - hole)[..., None]
    # the deer's body stands in front of the hole; it is lit a little less than open ground
    ox, oy = deer_origin()
    X, Y = grid(CW * s, CH * s)
    for fx, fy in ((ox - 5, oy + 206), (ox - 180, oy + 206)):
        shadow = np.exp(-(((X * CW - fx) / 40) ** 2 + ((Y * CH - fy) / 7) ** 2))
        bg2[..., :3] *= (1 - 0.4 * shadow)[..., None]
    belly = np.exp(-(((X * CW - ox + 90) / 120) ** 2 + ((Y * CH - oy - 207) / 9) ** 2))
    bg2[..., :3] *= (1 - 0.35 * belly)[..., None]
    bx0, by0, bw, bh = int(ox) - 230, int(oy) - 24, 270, 244
    k = 3
    body = deer.body_layer(r, bw * k, bh * k, k, ((ox - bx0) * k, (oy - by0) * k))
    body = np.clip(resize(body, bw * s, bh * s, Image.LANCZOS), 0, 1)
    over(bg2[by0 * s:(by0 + bh) * s, bx0 * s:(bx0 + bw) * s], body)
    return background, bg2, hole
