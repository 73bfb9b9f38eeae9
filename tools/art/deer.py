"""The deer: head and neck as the tilting sprite, the standing body for the second background layer.

All outlines are in pixels of a 1920x1080 screen relative to the neck root (the sprite's top-left corner,
its pivot). The deer faces right; the head hangs towards the lower right of its sprite so that turning about
the neck root reads as grazing and looking up.
"""
import numpy as np

from common import Canvas, smooth_path, blur, col, mix, solid, over, layer
from shading import relief, rim, streaks

# Head and neck (x >= 0, y >= 0: inside the sprite rectangle of 192 x 140).
NECK_HEAD = [(0, 0), (24, 4), (50, 13), (74, 26), (92, 35), (102, 37), (113, 43), (124, 56), (136, 74),
             (146, 90), (152, 98), (151, 105), (144, 110), (132, 107), (120, 99), (108, 90), (97, 80),
             (80, 75), (56, 69), (30, 64), (10, 61), (0, 60)]
EAR_FAR = [(86, 40), (80, 26), (77, 10), (82, 2), (90, 10), (95, 24), (97, 38)]
EAR_NEAR = [(100, 38), (104, 24), (110, 10), (119, 5), (122, 14), (117, 30), (110, 43)]
EYE = (118, 60)
NOSE = [(143, 92), (151, 96), (154, 103), (149, 108), (142, 104)]

# Body, standing, facing right (drawn into the second background layer).
BODY = [(26, 30), (28, 50), (22, 70), (8, 88), (-14, 96), (-44, 98), (-80, 93), (-112, 85), (-140, 77),
        (-158, 75), (-172, 81), (-188, 89), (-200, 82), (-210, 62), (-214, 38), (-210, 16), (-200, 2),
        (-182, -6), (-150, -4), (-115, -1), (-80, -5), (-48, -13), (-22, -16), (-2, -12), (12, -4), (22, 6),
        (29, 18)]
LEGS = {
    # far legs are darker and a little offset; each is a polygon from the body down to the hoof
    'front_far': [(-22, 84), (-20, 112), (-27, 150), (-25, 193), (-22, 204), (-32, 205), (-33, 194),
                  (-35, 152), (-36, 116), (-42, 88)],
    'hind_far': [(-160, 80), (-158, 104), (-172, 142), (-168, 195), (-164, 203), (-174, 204), (-177, 195),
                 (-181, 144), (-176, 112), (-178, 86)],
    'front_near': [(2, 80), (2, 110), (-3, 150), (-1, 195), (3, 206), (-9, 207), (-10, 196), (-11, 150),
                   (-14, 114), (-24, 88)],
    'hind_near': [(-166, 78), (-168, 104), (-187, 142), (-183, 196), (-178, 206), (-191, 207), (-192, 196),
                  (-196, 144), (-194, 110), (-206, 80)],
}
TAIL = [(-208, 8), (-216, 16), (-217, 30), (-211, 32), (-207, 20)]

COAT = col('#8e5c37')
COAT_DARK = col('#5e3b23')
COAT_LIGHT = col('#c49a6c')
BELLY = col('#d8c3a2')
NOSE_COL = col('#1d1714')
WARM = col('#ffd9a0')


def _coords(canvas_w, canvas_h, scale, origin, angle):
    """Deer-space coordinates of every canvas pixel centre."""
    xs, ys = np.meshgrid(np.arange(canvas_w) + 0.5, np.arange(canvas_h) + 0.5)
    c, s = np.cos(np.radians(angle)), np.sin(np.radians(angle))
    qx, qy = (xs - origin[0]) / scale, (ys - origin[1]) / scale
    return (c * qx + s * qy).astype(np.float32), (-s * qx + c * qy).astype(np.float32)


def _mask(w, h, scale, origin, angle, pts, smooth=True, tension=0.5):
    cv = Canvas(w, h)
    ctx = cv.ctx
    ctx.translate(*origin)
    ctx.rotate(np.radians(angle))
    ctx.scale(scale, scale)
    ctx.set_source_rgba(1, 1, 1, 1)
    if smooth:
        smooth_path(ctx, pts, True, tension)
    ctx.fill()
    return cv.alpha()


def _fur(r, w, h, scale, base, dx, dy, lam, nz, mask, dark=0.55):
    """Coat colour with fine hair streaks and lighting."""
    fur = streaks(r, w, h, 3.0, max(1.0, 1.2 * scale))
    shade = 0.38 + 0.85 * lam
    rgb = base * shade[..., None] * (0.9 + 0.2 * fur[..., None])
    return rgb


def head_layer(r, w, h, scale, origin, angle=0.0):
    """The head and neck painted on a canvas (premultiplied layer)."""
    X, Y = _coords(w, h, scale, origin, angle)
    out = layer(w, h)
    # far ear behind the head
    ear_f = _mask(w, h, scale, origin, angle, EAR_FAR)
    lam, nz = relief(ear_f, 3 * scale)
    inner = _mask(w, h, scale, origin, angle, [(85, 36), (82, 22), (82, 10), (88, 14), (92, 28)])
    ear_rgb = COAT_DARK * (0.5 + 0.6 * lam[..., None])
    ear_rgb = mix(ear_rgb, col('#3a2a20'), inner * 0.6)
    over(out, solid(ear_rgb, ear_f))

    m = _mask(w, h, scale, origin, angle, NECK_HEAD)
    lam, nz = relief(m, 9 * scale, 1.2)
    # colour across the head and neck: darker mane line on top, pale throat, grey-brown muzzle
    along = np.clip(X / 150.0, 0, 1)
    top = np.clip((Y - (X * 0.36)) / 40.0, 0, 1)  # 0 on the neck's upper edge, 1 towards the throat
    base = mix(COAT_DARK, COAT, np.clip(top * 1.6, 0, 1))
    throat = np.clip((Y - X * 0.36 - 28) / 14.0, 0, 1) * np.clip((110 - X) / 30, 0, 1)
    base = mix(base, COAT_LIGHT, throat * 0.8)
    muzzle = np.clip((X - 128) / 14.0, 0, 1) * np.clip((Y - 80) / 10.0, 0, 1)
    base = mix(base, col('#6a5446'), muzzle * 0.8)
    chin = np.exp(-(((X - 134) / 10) ** 2 + ((Y - 106) / 5) ** 2))
    base = mix(base, col('#efe6da'), chin * 0.9)
    latch = np.exp(-(((X - 99) / 8) ** 2 + ((Y - 80) / 6) ** 2))
    base = mix(base, col('#e8dccb'), latch * 0.7)
    rgb = _fur(r, w, h, scale, base, X, Y, lam, nz, m)
    rgb = rgb + rim(m, 3 * scale)[..., None] * WARM * 0.35
    # eye with a pale ring and a catch-light
    ex, ey = EYE
    ring = np.exp(-(((X - ex) / 6.5) ** 2 + ((Y - ey) / 5.0) ** 2) ** 2)
    rgb = mix(rgb, col('#d9c7ae'), ring * 0.55)
    eye = np.clip(1.6 - np.sqrt(((X - ex) / 4.2) ** 2 + ((Y - ey) / 3.2) ** 2) * 1.6, 0, 1)
    rgb = mix(rgb, col('#120d0b'), eye)
    glint = np.exp(-(((X - ex - 1.4) / 1.1) ** 2 + ((Y - ey + 1.0) / 0.9) ** 2))
    rgb = mix(rgb, col('#f4efe6'), glint * 0.85)
    # nose and mouth
    nose = _mask(w, h, scale, origin, angle, NOSE)
    rgb = mix(rgb, NOSE_COL * (0.7 + 0.6 * lam[..., None]), nose)
    mouth = np.exp(-((Y - (106 + (X - 142) * 0.1)) / 0.8) ** 2) * np.clip((X - 136) / 4, 0, 1) * \
        np.clip((150 - X) / 3, 0, 1)
    rgb = mix(rgb, col('#2a1f1a'), mouth * 0.8)
    over(out, solid(rgb, m))

    # near ear in front, with its pale inside and dark rim
    ear_n = _mask(w, h, scale, origin, angle, EAR_NEAR)
    lam, nz = relief(ear_n, 3 * scale)
    inner = _mask(w, h, scale, origin, angle, [(104, 36), (108, 24), (113, 12), (118, 10), (116, 24),
                                                (110, 38)])
    edge = np.clip(ear_n - blur(ear_n, 1.5 * scale) * 1.4 + 0.4, 0, 1)
    ear_rgb = COAT * (0.45 + 0.7 * lam[..., None])
    ear_rgb = mix(ear_rgb, col('#d8c2aa') * (0.6 + 0.5 * lam[..., None]), blur(inner, scale) * 0.85)
    ear_rgb = mix(ear_rgb, col('#2a1d16'), np.clip(edge, 0, 1) * 0.6)
    over(out, solid(ear_rgb, ear_n))
    return out


def head_outline_mask(w, h, scale, origin, angle):
    """The silhouette of head, neck and ears (for cutting the swing area out of the layer in front)."""
    a = _mask(w, h, scale, origin, angle, NECK_HEAD)
    a = np.maximum(a, _mask(w, h, scale, origin, angle, EAR_FAR))
    return np.maximum(a, _mask(w, h, scale, origin, angle, EAR_NEAR))


def body_layer(r, w, h, scale, origin):
    """The standing body with legs, on a screen-sized canvas (premultiplied layer)."""
    X, Y = _coords(w, h, scale, origin, 0.0)
    out = layer(w, h)
    for name in ('front_far', 'hind_far'):
        m = _mask(w, h, scale, origin, 0, LEGS[name], tension=0.4)
        lam, nz = relief(m, 4 * scale)
        base = mix(COAT_DARK * 0.8, col('#2b211b'), np.clip((Y - 185) / 15, 0, 1))
        over(out, solid(base * (0.5 + 0.6 * lam[..., None]), m))
    body = _mask(w, h, scale, origin, 0, BODY)
    tail = _mask(w, h, scale, origin, 0, TAIL)
    legs = [_mask(w, h, scale, origin, 0, LEGS[n], tension=0.4) for n in ('front_near', 'hind_near')]
    allm = np.maximum.reduce([body, tail] + legs)
    lam, nz = relief(allm, 16 * scale, 1.3)
    lam_small, _ = relief(allm, 5 * scale)
    lam = 0.6 * lam + 0.4 * lam_small
    # back darker, flank warm, belly pale; a white patch under the tail
    depth = np.clip((Y + 8) / 100.0, 0, 1)
    base = mix(COAT_DARK, COAT, np.clip(depth * 2.2, 0, 1))
    belly_line = 96 + (X + 14) * 0.15
    in_belly = np.clip((Y - belly_line + 12) / 10, 0, 1) * np.clip((belly_line + 6 - Y) / 4, 0, 1)
    base = mix(base, BELLY, in_belly * np.clip((X + 160) / 30, 0, 1) * 0.8)
    rump = np.exp(-(((X + 209) / 6) ** 2 + ((Y - 30) / 14) ** 2))
    base = mix(base, col('#e9dfd0'), rump * 0.6)
    shank = np.clip((Y - 100) / 40, 0, 1)
    base = mix(base, COAT_DARK * 0.9, shank * 0.7)
    hoof = np.clip((Y - 196) / 6, 0, 1)
    base = mix(base, col('#221a15'), hoof)
    # faint shoulder and haunch muscles
    shoulder = np.exp(-(((X + 8) / 28) ** 2 + ((Y - 40) / 36) ** 2))
    haunch = np.exp(-(((X + 175) / 30) ** 2 + ((Y - 38) / 36) ** 2))
    lam = np.clip(lam + 0.08 * shoulder + 0.08 * haunch, 0, 1)
    rgb = _fur(r, w, h, scale, base, X, Y, lam, nz, allm)
    # warm rim along the back, fading out before the shoulder where the neck joins
    rgb = rgb + (rim(allm, 4 * scale) * np.clip((-X - 12) / 25, 0, 1))[..., None] * WARM * 0.3
    tail_rgb = mix(COAT_DARK, col('#f0e8dc'), np.clip((X + 206) / 6, 0, 1) * 0.6)
    rgb = mix(rgb, tail_rgb * (0.5 + 0.6 * lam[..., None]), tail * 0.7)
    # a soft edge where the neck leaves the shoulder, so the two layers blend
    front = np.clip((X + 6) / 10, 0, 1) * np.clip((75 - Y) / 15, 0, 1)
    alpha = allm * (1 - front) + np.minimum(allm, blur(allm, 2.5 * scale) * 1.15) * front
    over(out, solid(rgb, alpha))
    return out
