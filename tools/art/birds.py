"""The woodpecker (a great spotted woodpecker clinging to the big tree) and the rabbit.

Outlines are in pixels of a 1920x1080 screen. The woodpecker's origin is where its feet grip the bark; it
faces left, into the trunk. Its head turns about the neck in three poses: back, middle, against the bark.
"""
import math

import numpy as np

from common import Canvas, blur, col, layer, mix, over, smooth_path, solid
from shading import relief, streaks

BLACK = col('#15151a')
WHITE = col('#f2efe8')
BUFF = col('#e6dccb')
RED = col('#c8202c')

HEAD_POSES = [(26.0, (0.0, 0.0)), (11.0, (-3.0, 1.0)), (-5.0, (-8.0, 2.5))]  # angle, shift of the head
NECK = (9.0, -40.0)


def _draw(ctx, pts, tension=0.5):
    smooth_path(ctx, pts, True, tension)
    ctx.fill()


def _mask(w, h, k, origin, pts, rot=0.0, pivot=(0, 0), shift=(0, 0), tension=0.5, ellipse=None):
    cv = Canvas(w, h)
    ctx = cv.ctx
    ctx.translate(*origin)
    ctx.scale(k, k)
    ctx.translate(pivot[0] + shift[0], pivot[1] + shift[1])
    ctx.rotate(math.radians(rot))
    ctx.translate(-pivot[0], -pivot[1])
    ctx.set_source_rgba(1, 1, 1, 1)
    if ellipse:
        (ex, ey), (ax, ay), ang = ellipse
        ctx.save()
        ctx.translate(ex, ey)
        ctx.rotate(math.radians(ang))
        ctx.scale(ax, ay)
        ctx.arc(0, 0, 1, 0, 2 * math.pi)
        ctx.restore()
        ctx.fill()
    else:
        _draw(ctx, pts, tension)
    return cv.alpha()


def woodpecker(r, w, h, k, origin, pose):
    """The bird on a (w, h) canvas, `k` canvas pixels per screen pixel, feet at `origin`."""
    out = layer(w, h)
    xs, ys = np.meshgrid(np.arange(w) + 0.5, np.arange(h) + 0.5)
    X, Y = (xs - origin[0]) / k, (ys - origin[1]) / k

    def m(pts=None, **kw):
        return _mask(w, h, k, origin, pts, **kw)

    # tail braced against the bark
    tail = m([(8, 2), (20, 8), (9, 40), (3, 47), (0, 44), (2, 10)], tension=0.3)
    lam, _ = relief(tail, 2 * k)
    over(out, solid(BLACK * (0.6 + 0.8 * lam[..., None]), tail))
    # body
    body = m(ellipse=((15, -14), (13.5, 29), -14))
    lam, _ = relief(body, 9 * k, 1.2)
    belly = np.clip((X - 12 + (Y + 14) * 0.25) / -9.0 + 0.6, 0, 1)  # pale underside toward the trunk side
    base = mix(BLACK, BUFF, belly)
    vent = np.exp(-(((X - 10) / 6) ** 2 + ((Y - 9) / 8) ** 2))
    base = mix(base, RED, np.clip(vent * 1.4, 0, 1))
    rgb = base * (0.45 + 0.75 * lam[..., None])
    over(out, solid(rgb, body))
    # wing over the body: black with a white shoulder patch and white bars
    wing = m([(16, -38), (27, -30), (29, -8), (24, 10), (18, 14), (15, -6), (13, -28)], tension=0.45)
    lam, _ = relief(wing, 4 * k, 1.2)
    shoulder = m(ellipse=((20, -30), (4.5, 9), -15))
    bars = (np.sin((Y + X * 0.35) * 1.35) > 0.55) * np.clip((Y + 16) / 6, 0, 1) * np.clip((26 - X) / 2, 0, 1)
    bars = blur(bars.astype(np.float32), 0.6 * k)
    wrgb = mix(BLACK, WHITE, np.clip(shoulder + bars * 0.85, 0, 1)) * (0.55 + 0.6 * lam[..., None])
    over(out, solid(wrgb, wing))
    # feet gripping the bark
    feet = m([(2, -4), (10, -6), (11, 0), (3, 3), (-3, 1)], tension=0.3)
    over(out, solid(col('#4a4a48') * np.ones_like(X)[..., None], feet))

    # head and bill, turned about the neck
    ang, shift = HEAD_POSES[pose]
    kw = dict(rot=ang, pivot=NECK, shift=shift)
    bill = m([(-6, -49), (-27, -46.5), (-28, -45.5), (-5, -43)], tension=0.1, **kw)
    head = m(ellipse=((5, -47), (12, 11.5), 0), **kw)
    neck = m([(2, -44), (14, -48), (20, -34), (8, -30)], **kw)
    hd = np.maximum(head, neck)
    lam, _ = relief(hd, 5 * k, 1.2)
    # head pattern in head coordinates
    c, s = math.cos(math.radians(-ang)), math.sin(math.radians(-ang))
    hx0, hy0 = X - NECK[0] - shift[0], Y - NECK[1] - shift[1]
    HX, HY = c * hx0 - s * hy0 + NECK[0], s * hx0 + c * hy0 + NECK[1]
    crown = np.clip((-HY - 51) / 2.5, 0, 1)
    cheek = np.exp(-(((HX - 5) / 6) ** 2 + ((HY + 46) / 4) ** 2))
    mous = np.exp(-(((HY + 40.5 - (HX - 2) * 0.25) / 1.8) ** 2)) * np.clip((HX + 8) / 3, 0, 1) * \
        np.clip((18 - HX) / 4, 0, 1)
    nape = np.exp(-(((HX - 14.5) / 3.5) ** 2 + ((HY + 52) / 3.5) ** 2))
    base = mix(WHITE * 0.95, BLACK, np.clip(crown + mous * 1.2, 0, 1))
    base = mix(base, BLACK, np.clip((HX - 13) / 3, 0, 1) * (1 - nape))
    base = mix(base, RED, np.clip(nape * 1.5, 0, 1))
    base = mix(base, WHITE, np.clip(cheek - crown, 0, 1) * 0.6)
    rgb = base * (0.5 + 0.65 * lam[..., None])
    eye_d = np.sqrt((HX - 0.5) ** 2 + (HY + 48.5) ** 2)
    rgb = mix(rgb, col('#0d0b0a'), np.clip(2.4 - eye_d, 0, 1))
    rgb = mix(rgb, WHITE, np.clip(1.0 - np.sqrt((HX - 0.0) ** 2 + (HY + 49.2) ** 2) * 1.6, 0, 1))
    over(out, solid(rgb, hd))
    lamb, _ = relief(bill, 1.2 * k)
    over(out, solid(col('#3a3836') * (0.6 + 0.8 * lamb[..., None]), bill))
    return out


# ------------------------------------------------------------------------------------------------ rabbit

def rabbit(r, w, h, k):
    """A wild rabbit sitting in profile, facing left, on a canvas of (w, h) = k x (67, 54) screen pixels.
    Its feet end a little above the bottom so that the root in front hides only its toes at rest."""
    out = layer(w, h)
    xs, ys = np.meshgrid(np.arange(w) + 0.5, np.arange(h) + 0.5)
    X, Y = xs / k, ys / k

    def m(pts=None, ellipse=None, tension=0.5):
        return _mask(w, h, k, (0, 0), pts, ellipse=ellipse, tension=tension)

    ear_far = m([(30, 14), (33, 3), (37, 1.5), (37, 9), (34, 17)])
    lam, _ = relief(ear_far, 2 * k)
    over(out, solid(col('#5f4b3a') * (0.5 + 0.6 * lam[..., None]), ear_far))
    body = m([(22, 30), (30, 24), (42, 22), (53, 28), (58, 38), (58, 46), (52, 51), (36, 52), (24, 51),
              (19, 45)])
    head = m(ellipse=((24, 25), (11, 8.5), -12))
    tail = m(ellipse=((57.5, 43), (3.2, 3.4), 0))
    allm = np.maximum(body, head)
    lam, _ = relief(allm, 6 * k, 1.3)
    fur = streaks(r, w, h, 2.5, 0.8 * k)
    base = mix(col('#7d6550'), col('#a48a6c'), np.clip(fur * 0.6 + (Y - 20) / 60, 0, 1))
    belly = np.clip((Y - 44) / 6, 0, 1) * np.clip((44 - X) / 12, 0, 1)
    base = mix(base, col('#d9cdbb'), belly * 0.7)
    nape = np.exp(-(((X - 32) / 4) ** 2 + ((Y - 22) / 3) ** 2))
    base = mix(base, col('#b07c4a'), nape * 0.6)
    rgb = base * (0.45 + 0.75 * lam[..., None]) * (0.88 + 0.24 * fur[..., None])
    eye_d = np.sqrt(((X - 20.5) / 1.15) ** 2 + (Y - 22.5) ** 2)
    rgb = mix(rgb, col('#d8c8b0'), np.clip(3.2 - eye_d, 0, 1) * 0.6)
    rgb = mix(rgb, col('#100c0a'), np.clip(2.3 - eye_d, 0, 1))
    rgb = mix(rgb, col('#f4f0ea'), np.clip(1 - np.sqrt((X - 21.2) ** 2 + (Y - 21.8) ** 2) * 1.6, 0, 1))
    nose = np.exp(-(((X - 13.3) / 1.4) ** 2 + ((Y - 27) / 1.2) ** 2))
    rgb = mix(rgb, col('#4a3a34'), nose * 0.7)
    over(out, solid(rgb, allm))
    lam_t, _ = relief(tail, 2 * k)
    over(out, solid(col('#d9d2c6') * (0.55 + 0.35 * lam_t[..., None]), tail * 0.9))
    # near ear, upright and slightly back, with a dark tip
    ear = m([(27, 17), (29, 6), (33, 1), (37, 1.5), (36, 8), (33, 19)])
    lam, _ = relief(ear, 2 * k)
    tip = np.clip((6 - Y) / 3, 0, 1)
    erg = mix(col('#8c7359'), col('#2f251e'), tip * 0.8)
    inner = np.exp(-((X - 32 + (Y - 10) * 0.35) / 1.3) ** 2) * np.clip((Y - 4) / 3, 0, 1) * \
        np.clip((17 - Y) / 3, 0, 1)
    erg = mix(erg, col('#c9a493'), inner * 0.5)
    over(out, solid(erg * (0.55 + 0.6 * lam[..., None]), ear))
    # front paw and haunch line
    paw = m(ellipse=((24, 50), (4.5, 2.2), 0))
    over(out, solid(col('#b09a80') * np.ones_like(X)[..., None], paw * 0.9))
    haunch = np.exp(-((np.sqrt(((X - 48) / 9) ** 2 + ((Y - 42) / 8) ** 2) - 1) / 0.08) ** 2)
    shadow = solid(col('#3a2c22') * np.ones_like(X)[..., None], haunch * allm * 0.35)
    over(out, shadow)
    return out
