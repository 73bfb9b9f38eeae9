"""The four swaying plants: ferns and leafy stems, rooted at their sprites' pivots.

Each plant is painted in its sprite rectangle's own proportions at 1920x1080 (times a supersampling factor),
then squeezed into its square texture. Stems start at the pivot; fronds and leaves hang free.
"""
import math

import cairo
import numpy as np
import layout
from common import Canvas, col
from shading import relief

LIGHT_DIR = (0.6, -0.8)


def _rachis(base, angle, length, bend, droop, n=40):
    """Points and directions along a curved stem: angle in degrees (0 = right, -90 = up)."""
    pts, dirs = [], []
    x, y = base
    th = math.radians(angle)
    ds = length / n
    for i in range(n + 1):
        u = i / n
        pts.append((x, y))
        dirs.append(th)
        th += math.radians(bend) / n + math.radians(droop) * 2 * u / n * (1 if math.cos(th) >= 0 else -1)
        x += ds * math.cos(th)
        y += ds * math.sin(th)
    return pts, dirs


def _grad(ctx, x0, y0, x1, y1, c0, c1, a=1.0):
    g = cairo.LinearGradient(x0, y0, x1, y1)
    g.add_color_stop_rgba(0, c0[0], c0[1], c0[2], a)
    g.add_color_stop_rgba(1, c1[0], c1[1], c1[2], a)
    ctx.set_source(g)


def fern_frond(ctx, r, base, angle, length, width, bend=30, droop=25, dark=1.0, hue=0.0, lobes=True,
               start=0.1, unit=1):
    """One fern frond: a stem with tapering, lobed leaflets on both sides. `unit` is how many pixels of
    this drawing make one of the same frond drawn at size 1: the leaflets and their draws stay the same."""
    pts, dirs = _rachis(base, angle, length, bend, droop)
    n = len(pts) - 1
    c_dark = np.clip(col('#2c4a18') * dark + hue * np.array([0.04, 0.02, -0.02]), 0, 1)
    c_light = np.clip(col('#8fb04a') * dark + hue * np.array([0.08, 0.04, -0.04]), 0, 1)
    pairs = int(14 + length / (14 * unit))
    side = 1
    for j in range(pairs * 2):
        u = start + (1 - start) * (j / (pairs * 2 - 1)) ** 0.9
        i = min(n - 1, int(u * n))
        px, py = pts[i]
        th = dirs[i]
        env = math.sin(math.pi * min(1.0, (u - start) / (1 - start) * 0.92 + 0.08)) ** 0.7
        env *= 1.0 - 0.35 * u
        ell = width * env * r.uniform(0.85, 1.1)
        if ell < 1.2 * unit:
            continue
        side = -side
        a = th + side * math.radians(r.uniform(58, 72))
        ca, sa = math.cos(a), math.sin(a)
        # leaflet outline: lobed both sides of its midrib, curving slightly towards the tip
        wid = ell * 0.24
        curl = side * 0.12
        top, bot = [], []
        m = 9
        for q in range(m + 1):
            t = q / m
            lob = (0.72 + 0.28 * abs(math.cos(math.pi * 4.5 * t))) if lobes else 1.0
            hw = wid * (1 - t) ** 0.75 * lob
            cx = px + ca * ell * t - sa * ell * curl * t * t
            cy = py + sa * ell * t + ca * ell * curl * t * t
            top.append((cx - sa * hw, cy + ca * hw))
            bot.append((cx + sa * hw, cy - ca * hw))
        ctx.move_to(px, py)
        for p in top:
            ctx.line_to(*p)
        for p in bot[::-1]:
            ctx.line_to(*p)
        ctx.close_path()
        # lit from the upper right: leaflets facing that way are lighter
        facing = 0.5 + 0.5 * (ca * LIGHT_DIR[0] + sa * LIGHT_DIR[1])
        lit = 0.55 + 0.6 * facing * r.uniform(0.8, 1.1)
        _grad(ctx, px, py, px + ca * ell, py + sa * ell, np.clip(c_dark * lit, 0, 1),
              np.clip(c_light * lit, 0, 1))
        ctx.fill()
        # midrib of the leaflet
        ctx.move_to(px, py)
        ctx.line_to(px + ca * ell * 0.85, py + sa * ell * 0.85)
        ctx.set_line_width(max(0.6 * unit, wid * 0.16))
        mc = np.clip(c_light * 1.15 * lit, 0, 1)
        ctx.set_source_rgba(mc[0], mc[1], mc[2], 0.55)
        ctx.stroke()
    # the stem on top
    ctx.move_to(*pts[0])
    for p in pts[1:]:
        ctx.line_to(*p)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_width(max(1.2 * unit, width * 0.07))
    sc = np.clip(col('#5c6e2a') * dark, 0, 1)
    ctx.set_source_rgba(sc[0], sc[1], sc[2], 1)
    ctx.stroke()


def leaf(ctx, r, x, y, angle, size, tone, vein=True, unit=1):
    """A pointed oval leaf with a midrib and side veins (`unit` as for fern_frond)."""
    ctx.save()
    ctx.translate(x, y)
    ctx.rotate(math.radians(angle))
    L, Wd = size, size * r.uniform(0.38, 0.5)
    ctx.move_to(0, 0)
    ctx.curve_to(L * 0.25, -Wd * 0.9, L * 0.7, -Wd * 0.7, L, 0)
    ctx.curve_to(L * 0.7, Wd * 0.7, L * 0.25, Wd * 0.9, 0, 0)
    ctx.close_path()
    c0 = np.clip(tone * 0.7, 0, 1)
    c1 = np.clip(tone * 1.25, 0, 1)
    g = cairo.LinearGradient(0, -Wd, L * 0.3, Wd)
    g.add_color_stop_rgba(0, c1[0], c1[1], c1[2], 1)
    g.add_color_stop_rgba(1, c0[0], c0[1], c0[2], 1)
    ctx.set_source(g)
    ctx.fill()
    if vein:
        vc = np.clip(tone * 1.45, 0, 1)
        ctx.set_source_rgba(vc[0], vc[1], vc[2], 0.6)
        ctx.set_line_width(max(0.5 * unit, size * 0.025))
        ctx.move_to(0, 0)
        ctx.line_to(L * 0.93, 0)
        ctx.stroke()
        ctx.set_line_width(max(0.4 * unit, size * 0.014))
        for t in (0.25, 0.42, 0.58, 0.74):
            for sgn in (-1, 1):
                ctx.move_to(L * t, 0)
                ctx.line_to(L * (t + 0.12), sgn * Wd * 0.55 * (1 - t * 0.6))
        ctx.stroke()
    ctx.restore()


def leafy_stem(ctx, r, base, angle, length, leaf_size, tone, bend=20, droop=20, leaves=9, unit=1):
    pts, dirs = _rachis(base, angle, length, bend, droop)
    ctx.move_to(*pts[0])
    for p in pts[1:]:
        ctx.line_to(*p)
    ctx.set_line_width(max(1.0 * unit, leaf_size * 0.06))
    sc = np.clip(tone * 0.7, 0, 1)
    ctx.set_source_rgba(sc[0], sc[1], sc[2], 1)
    ctx.stroke()
    n = len(pts) - 1
    side = 1
    for j in range(leaves):
        u = 0.25 + 0.75 * j / max(1, leaves - 1)
        i = min(n, int(u * n))
        side = -side
        a = math.degrees(dirs[i]) + side * r.uniform(35, 60)
        leaf(ctx, r, pts[i][0], pts[i][1], a, leaf_size * (0.65 + 0.45 * math.sin(math.pi * u)) *
             r.uniform(0.85, 1.1), tone * r.uniform(0.85, 1.15), unit=unit)


def _finish(cv, r, shade_radius, dark_below=0.0, fade_bottom=None):
    lay = cv.layer()
    a = lay[..., 3]
    lam, _ = relief(a, shade_radius, 0.8)
    k = 0.75 + 0.4 * lam
    h = lay.shape[0]
    if dark_below:
        yy = (np.arange(h, dtype=np.float32) / h)[:, None]
        k = k * (1 - dark_below * yy)
    lay[..., :3] *= k[..., None]
    return lay


def _canvas(name, k):
    x, y, w, h = layout.rect(name, 1920, 1080)
    return Canvas(int(w * k), int(h * k)), w * k, h * k


def plant1(r, s=1):
    """A fern clump in front of the deer's legs, rooted at the middle of its bottom edge."""
    k = 3 * s
    cv, w, h = _canvas('plant1', k)
    px, py = layout.pivot_fraction('plant1')
    base = (px * w, py * h - 2 * k)
    ctx = cv.ctx
    specs = [(-168, 130, 0.62), (-150, 150, 0.55), (-12, 130, 0.62), (-30, 150, 0.58), (-128, 150, 0.7),
             (-56, 150, 0.72), (-105, 120, 0.85), (-78, 125, 0.9), (-140, 110, 1.0), (-40, 115, 1.0),
             (-92, 95, 1.1)]
    for ang, ln, dark in specs:
        ang += r.uniform(-5, 5)
        bend = 40 if ang < -90 else -40
        fern_frond(ctx, r, base, ang, ln * k * r.uniform(0.9, 1.05), 34 * k, bend=bend, droop=30, dark=dark,
                   hue=r.uniform(-1, 1), unit=s)
    return _finish(cv, r, 2 * k, 0.25)


def plant2(r, s=1):
    """Leafy stems and a fern beside the deer's head; sparse towards the upper left so the head shows."""
    k = 3 * s
    cv, w, h = _canvas('plant2', k)
    px, py = layout.pivot_fraction('plant2')
    base = (px * w, py * h)
    ctx = cv.ctx
    tone = col('#4f7a2a')
    fern_frond(ctx, r, base, -150, 150 * k, 34 * k, bend=35, droop=40, dark=0.7, unit=s)
    fern_frond(ctx, r, base, -30, 140 * k, 34 * k, bend=-30, droop=30, dark=0.75, unit=s)
    for ang, ln in [(-60, 150), (-95, 120), (-20, 120), (-130, 95), (5, 100)]:
        leafy_stem(ctx, r, base, ang + r.uniform(-6, 6), ln * k, 30 * k, tone * r.uniform(0.8, 1.2),
                   bend=25 if ang > -90 else -25, droop=20, leaves=8, unit=s)
    fern_frond(ctx, r, base, -75, 150 * k, 36 * k, bend=-20, droop=25, dark=1.0, unit=s)
    fern_frond(ctx, r, base, -170, 120 * k, 30 * k, bend=20, droop=40, dark=0.9, unit=s)
    return _finish(cv, r, 2 * k, 0.2)


def plant3(r, s=1):
    """Big dark fronds growing in from the right edge over the lower right corner."""
    k = 1.6 * s
    cv, w, h = _canvas('plant3', k)
    px, py = layout.pivot_fraction('plant3')
    base = (px * w, py * h)
    ctx = cv.ctx
    for ang, ln, dark in [(-115, 330, 0.45), (-150, 420, 0.5), (-175, 470, 0.55), (-135, 380, 0.62),
                          (160, 380, 0.5), (-160, 440, 0.7), (-100, 260, 0.6), (175, 420, 0.62)]:
        fern_frond(ctx, r, base, ang + r.uniform(-4, 4), ln * k, 90 * k, bend=(-30 if ang > 0 else 28),
                   droop=35, dark=dark * 0.9, hue=r.uniform(-1, 1), unit=s)
    return _finish(cv, r, 3 * k, 0.45)


def plant4(r, s=1):
    """Ferns and leaves from the left edge over the lower left corner, kept low at the right."""
    k = 1.6 * s
    cv, w, h = _canvas('plant4', k)
    px, py = layout.pivot_fraction('plant4')
    base = (px * w + 2 * s, py * h)
    ctx = cv.ctx
    for ang, ln, dark in [(-50, 330, 0.5), (-25, 380, 0.55), (-70, 260, 0.5), (-8, 400, 0.6),
                          (-40, 360, 0.68), (8, 330, 0.6), (-15, 300, 0.75), (20, 260, 0.7)]:
        fern_frond(ctx, r, base, ang + r.uniform(-4, 4), ln * k, 80 * k, bend=25, droop=30, dark=dark * 0.9,
                   hue=r.uniform(-1, 1), unit=s)
    for ang in (-35, 0, -60):
        leafy_stem(ctx, r, base, ang, 170 * k, 40 * k, col('#3f6a25'), bend=30, droop=15, leaves=7, unit=s)
    return _finish(cv, r, 3 * k, 0.4)


PLANTS = {'plant1': plant1, 'plant2': plant2, 'plant3': plant3, 'plant4': plant4}
