"""The two background layers: the distant forest (opaque) and the middle ground with the deer's body.

Both are painted as one 16:9 picture. The middle ground (ground, undergrowth, a few nearer trunks) is painted
into the distant picture as well, so that wherever the second layer is cut open - around the deer's head,
which swings behind it - the layer below shows exactly the same forest.
"""
import math

import numpy as np

import deer
import layout
from PIL import Image

from common import (CW, CH, Canvas, resize, blur, col, fbm, grid, layer, mix, noise, over, smooth_path, smoothstep,
                    solid)
from shading import bark

HAZE = col('#c4cdb4')
HAZE_WARM = col('#e9e2c2')
SUN = (0.90, -0.15)


def _sunlight(X, Y):
    d = np.sqrt(((X - SUN[0]) * 1.78) ** 2 + (Y - SUN[1]) ** 2)
    return np.exp(-d / 0.55).astype(np.float32)


def _trunk_mask(w, h, x, top, bottom, w_top, w_bottom, lean, r, wobble=0.15):
    """A tapering, slightly bent trunk as an anti-aliased mask."""
    cv = Canvas(w, h)
    ctx = cv.ctx
    n = 12
    left, right = [], []
    for i in range(n + 1):
        t = i / n
        y = top + (bottom - top) * t
        cx = x + lean * (1 - t) + wobble * w_bottom * math.sin(t * 3.1 + r.random() * 0.2)
        half = 0.5 * (w_top + (w_bottom - w_top) * t ** 1.5)
        if t > 0.85:
            half *= 1 + 1.6 * ((t - 0.85) / 0.15) ** 2  # root flare
        left.append((cx - half, y))
        right.append((cx + half, y))
    smooth_path(ctx, left + right[::-1], True)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()
    return cv.alpha()


def _trunk_colour(X, mask, x, width, bark_tex, base, lit):
    s = np.clip((X - x) / (width * 0.5 + 1e-6), -1, 1)
    light = 0.45 + 0.55 * np.clip(0.5 + 0.6 * s, 0, 1) ** 1.3
    rgb = base * (0.65 + 0.5 * bark_tex[..., None]) * light[..., None]
    rgb = rgb + lit * np.clip(s - 0.35, 0, 1)[..., None] * 0.6
    return rgb


def paint(seed, r):
    w, h = CW, CH
    X, Y = grid(w, h)
    Xp = X * w
    sun = _sunlight(X, Y)

    # ---- sky seen through the canopy, and the general hazy light
    top_col = col('#dfe3c6')
    mid_col = col('#b9c6a4')
    hor_col = col('#c9cfb5')
    sky = mix(top_col, mid_col, smoothstep(0.0, 0.45, Y))
    sky = mix(sky, hor_col, smoothstep(0.42, 0.62, Y))
    sky = sky + HAZE_WARM * (sun * 0.35)[..., None]
    far = sky.copy()

    # ---- distant trunks in rows, further ones paler and bluer
    rows = [  # (count, width px, ground y, haze)
        (38, (5, 10), 0.600, 0.80),
        (26, (9, 17), 0.615, 0.66),
        (17, (15, 26), 0.635, 0.50),
        (10, (24, 40), 0.660, 0.36),
    ]
    bark_tex = bark(r, w, h, 0.7)
    for count, (wmin, wmax), ground, haze in rows:
        xs = np.sort(r.random(count)) * 1.08 - 0.04
        xs += r.normal(0, 0.01, count)
        for x in xs:
            wd = r.uniform(wmin, wmax)
            x0 = int(max(0, x * w - wd * 3))
            x1 = int(min(w, x * w + wd * 3))
            if x1 <= x0:
                continue
            m = _trunk_mask(x1 - x0, h, x * w - x0, -10, ground * h + r.uniform(-4, 4), wd * 0.8, wd,
                            r.uniform(-6, 6), r)
            base = col('#4a4338') * r.uniform(0.8, 1.15)
            rgb = _trunk_colour(Xp[:, x0:x1], m, x * w, wd, bark_tex[:, x0:x1], base,
                                HAZE_WARM * sun[:, x0:x1, None])
            depth_haze = haze + (1 - haze) * 0.35 * smoothstep(0.3, 0.0, Y[:, x0:x1])
            rgb = mix(rgb, sky[:, x0:x1], depth_haze * (0.9 + 0.1 * sun[:, x0:x1]))
            far[:, x0:x1] = mix(far[:, x0:x1], rgb, m)

    # ---- distant undergrowth and the far forest floor
    for i, (y0, amp, haze, dark) in enumerate([(0.585, 0.030, 0.72, 0.55), (0.605, 0.04, 0.58, 0.45),
                                               (0.630, 0.05, 0.45, 0.38)]):
        edge = y0 - amp * fbm(r, w, 1, 90, 5)[0] - 0.012 * noise(r, w, 1, 14)[0]
        m = smoothstep(-0.004, 0.004, Y - edge[None, :])
        tex = fbm(r, w, h, 22, 4)
        g = mix(col('#56683a'), col('#8d9a57'), tex) * dark * 1.6
        g = g + HAZE_WARM * (sun * 0.25)[..., None]
        g = mix(g, sky, haze * (1 - smoothstep(0.6, 0.75, Y)) * 0.9)
        far = mix(far, g, m)

    # ---- canopy: foliage masses across the top, light breaking through on the right
    for i, (cell, thr, dark, reach) in enumerate([(160, 0.55, 0.85, 0.30), (110, 0.52, 0.6, 0.22),
                                                  (70, 0.5, 0.42, 0.14)]):
        n = fbm(r, w, h, cell, 6)
        leafy = noise(r, w, h, 6) * 0.18 + noise(r, w, h, 3) * 0.1
        density = n + 0.55 * smoothstep(reach + 0.12, 0.0, Y) - 0.4 * smoothstep(0.0, reach + 0.2, Y) + leafy
        density -= 0.25 * _sunlight(X, Y) * (i == 0)
        m = smoothstep(thr, thr + 0.06, density)
        shade = fbm(r, w, h, 40, 4)
        g = mix(col('#3b5128'), col('#9aa85c'), shade * 0.6 + 0.3 * sun)
        g = g * dark + HAZE_WARM * (sun * 0.5 * (1.2 - dark))[..., None]
        g = mix(g, sky, (0.55 - i * 0.17))
        far = mix(far, g, m)

    # soft bright mist near the horizon, strongest under the sun
    mist = np.exp(-((Y - 0.61) / 0.07) ** 2) * (0.35 + 0.4 * fbm(r, w, h, 200, 4, cell_y=60))
    far = mix(far, HAZE_WARM * 0.95 + HAZE * 0.1, mist * (0.55 + 0.3 * sun))

    # ---- the middle ground, shared by both layers
    mid = layer(w, h)
    ground_top = 0.625 + 0.018 * fbm(r, w, 1, 160, 4)[0] - 0.012 * np.clip(1 - np.abs(X[0] - 0.5) * 3, 0, 1)
    gm = smoothstep(-0.012, 0.02, Y - ground_top[None, :])
    depth = np.clip((Y - 0.62) / 0.38, 0, 1)  # 0 far, 1 at the bottom edge
    moss = fbm(r, w, h, 60, 6)
    litter = fbm(r, w, h, 12, 3)
    patches = fbm(r, w, h, 240, 4, cell_y=70)
    gcol = mix(col('#6f7b3f'), col('#a2a55a'), moss * 0.7)
    gcol = mix(gcol, col('#7a5e3a'), smoothstep(0.55, 0.8, litter) * 0.45)
    gcol = mix(gcol, col('#3d4a25'), smoothstep(0.5, 0.2, patches) * 0.5)
    light_pool = smoothstep(0.45, 0.8, patches) * smoothstep(0.62, 0.78, Y) * (0.5 + sun)
    gcol = gcol * (0.95 - 0.55 * depth ** 1.3)[..., None]
    gcol = gcol + HAZE_WARM * (light_pool * 0.25)[..., None]
    gcol = mix(gcol, sky, (1 - depth) ** 3 * 0.65)
    # darker foreground corners; the clock's corner stays dark
    vign = smoothstep(0.78, 1.0, Y) * (0.35 + 0.25 * smoothstep(0.4, 0.75, X))
    gcol = gcol * (1 - vign)[..., None]
    over(mid, solid(gcol, gm))

    # low shrubs along the middle ground
    shrubs = layer(w, h)
    for cx, cy, sw, sh in [(0.37, 0.64, 0.10, 0.05), (0.74, 0.635, 0.12, 0.06), (0.93, 0.64, 0.09, 0.06),
                           (0.49, 0.645, 0.06, 0.03), (0.62, 0.64, 0.05, 0.035)]:
        d = np.sqrt(((X - cx) / sw) ** 2 + ((Y - cy) / sh) ** 2)
        n = fbm(r, w, h, 26, 4)
        m = smoothstep(1.0, 0.8, d + 0.35 * (n - 0.5)) * smoothstep(cy + sh * 0.4, cy - 0.2 * sh, Y) ** 0.3
        tone = mix(col('#48602a'), col('#a5b25e'), np.clip(n * 0.8 + (cy - Y) / sh * 0.3 + sun * 0.4, 0, 1))
        tone = mix(tone, sky, 0.35)
        over(shrubs, solid(tone, m * 0.97))
    over(mid, shrubs)

    # a few nearer trunks in the middle distance (clear of the deer and the big tree)
    trunk_tex = bark(r, w, h, 1.0)
    for x, wd, ground, haze in [(0.345, 44, 0.655, 0.22), (0.785, 58, 0.66, 0.18), (0.93, 34, 0.645, 0.3),
                                (0.665, 22, 0.642, 0.38)]:
        x0, x1 = int(x * w - wd * 3), int(min(w, x * w + wd * 3))
        m = _trunk_mask(x1 - x0, h, x * w - x0, -20, ground * h, wd * 0.82, wd, r.uniform(-8, 8), r, 0.1)
        rgb = _trunk_colour(Xp[:, x0:x1], m, x * w, wd, trunk_tex[:, x0:x1], col('#4b4134'),
                            HAZE_WARM * sun[:, x0:x1, None] * 1.3)
        mossy = smoothstep(ground - 0.12, ground, Y[:, x0:x1]) * smoothstep(0.45, 0.7, trunk_tex[:, x0:x1])
        rgb = mix(rgb, col('#6c7d35') * (0.6 + 0.5 * trunk_tex[:, x0:x1, None]), mossy * 0.8)
        rgb = mix(rgb, sky[:, x0:x1], haze)
        sub = mid[:, x0:x1]
        over(sub, solid(rgb, m))
    return far, mid, sky


def deer_origin(W=CW, H=CH):
    x, y, _, _ = layout.rect('deer', W, H)
    return float(x), float(y)


def swing_mask(w, h):
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
    return np.clip(blur((acc > 0.02).astype(np.float32), 2.5) * 2.5, 0, 1)


def paint_layers(seed, r):
    """Returns (background RGB, second layer premultiplied RGBA), both 16:9 canvases."""
    far, mid, sky = paint(seed, r)
    background = mix(far, mid[..., :3] / np.maximum(mid[..., 3:4], 1e-6), mid[..., 3])
    bg2 = mid.copy()
    hole = swing_mask(CW, CH)
    bg2 *= (1 - hole)[..., None]
    # the deer's body stands in front of the hole; it is lit a little less than open ground
    ox, oy = deer_origin()
    bx0, by0, bw, bh = int(ox) - 230, int(oy) - 24, 270, 244
    k = 3
    body = deer.body_layer(r, bw * k, bh * k, k, ((ox - bx0) * k, (oy - by0) * k))
    body = np.clip(resize(body, bw, bh, Image.LANCZOS), 0, 1)
    over(bg2[by0:by0 + bh, bx0:bx0 + bw], body)
    return background, bg2, hole
