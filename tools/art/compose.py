#!/usr/bin/python3
"""Draws the forest scene from the files in assets/ the way the engine does, and writes preview pictures.

Each square texture is stretched over its sprite's rectangle (pixel centres sampled with the engine's default
nearest-texel filter, clamped at the edges), rotated about its pivot or moved as the sprite's animation puts
it, and blended with source-alpha / one-minus-source-alpha in draw order. The lights are drawn twice with
alphas 1 - blend and blend; the clock is drawn additively from the glyph sheet with the glyph widths measured
from the sheet's pixels.

    /usr/bin/python3 tools/art/compose.py [--out DIR] [--linear]

writes previews at 1920x1080 and 1024x768 for several moments of the animation.
"""
import argparse
import os
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import layout  # noqa: E402
from common import ASSETS, ROOT  # noqa: E402

IMAGE_IDS = {
    'background': 128, 'deer': 129, 'bg2': 130, 'plant1': 132, 'plant2': 133, 'plant3': 134, 'plant4': 135,
    'light1': 136, 'light2': 137, 'light3': 138, 'rabbit': 139, 'treebig': 140, 'tree_light': 141,
    'wpa1': 142, 'wpa2': 143, 'wpa3': 144, 'font': 154,
}


def read_manifest(assets=ASSETS):
    entries = {}
    with open(os.path.join(assets, 'manifest.txt')) as f:
        for line in f:
            line = line.strip()
            if not line or line.startswith('#'):
                continue
            kind, ident, rest = line.split(None, 2)
            if kind != 'STRING':
                entries[(kind, int(ident))] = rest
    return entries


ID_2X = 1000  # a scene picture's id in the 2x set: its 1x id plus this


def load_textures(assets=ASSETS, scale=1):
    """Every scene picture as an (h, w, 4) uint8 array, top row first, as the picture is stored; scale 2
    takes the scene's pictures of the 2x set (the font has one size)."""
    man = read_manifest(assets)
    tex = {}
    for name, ident in IMAGE_IDS.items():
        if scale == 2 and name != 'font':
            ident += ID_2X
        path = os.path.join(assets, man[('IMAGE', ident)])
        im = Image.open(path)
        tex[name] = np.asarray(im.convert('RGB' if name == 'font' else 'RGBA'))
    return tex


# ------------------------------------------------------------------------------------------- glyph metrics

def measure_glyphs(sheet_rgb):
    """Glyph (start, width) per byte value, measured the engine's way from the decoded sheet.

    The decoder hands the rows over bottom row first; cell row r is counted from the first row of that
    store. A pixel is ink when its first (red) byte is greater than 0."""
    store = sheet_rgb[::-1, :, 0]
    size = store.shape[1]
    cell = size >> 4
    ink = store > 0
    metrics = [(0, 0)] * 256
    max_width = 0
    for r in range(16):
        for k in range(16):
            c = 16 * r + k
            if c == 32:
                metrics[c] = (0, cell)
                continue
            cols = ink[r * cell:(r + 1) * cell, k * cell:(k + 1) * cell].any(axis=0)
            idx = np.nonzero(cols)[0]
            if len(idx) == 0:
                # An empty cell: the left scan runs off the cell; keep it within the cell.
                start, width = 0, 0
            else:
                start = int(idx[0])
                width = int(idx[-1]) - start + 1
            metrics[c] = (start & 0xFF, width & 0xFF)
            if width < 16 and width >= max_width:
                max_width = width
    metrics[32] = (0, (2 * max_width) // 3)
    return metrics


# ------------------------------------------------------------------------------------------- rasteriser

def _sample(tex, u, v, linear):
    """Texture lookup at texture coordinates u (across) and v (down the picture as stored), clamped."""
    th, tw = tex.shape[:2]
    if not linear:
        xi = np.clip(np.floor(u * tw).astype(np.int64), 0, tw - 1)
        yi = np.clip(np.floor(v * th).astype(np.int64), 0, th - 1)
        return tex[yi, xi].astype(np.float32) / 255.0
    x = u * tw - 0.5
    y = v * th - 0.5
    x0 = np.floor(x).astype(np.int64)
    y0 = np.floor(y).astype(np.int64)
    fx = (x - x0)[..., None].astype(np.float32)
    fy = (y - y0)[..., None].astype(np.float32)
    x0c, x1c = np.clip(x0, 0, tw - 1), np.clip(x0 + 1, 0, tw - 1)
    y0c, y1c = np.clip(y0, 0, th - 1), np.clip(y0 + 1, 0, th - 1)
    t = tex.astype(np.float32) / 255.0
    top = t[y0c, x0c] * (1 - fx) + t[y0c, x1c] * fx
    bot = t[y1c, x0c] * (1 - fx) + t[y1c, x1c] * fx
    return top * (1 - fy) + bot * fy


def draw_quad(screen, tex, rect, angle=0.0, pivot=(0.0, 0.0), shift=(0.0, 0.0), alpha=1.0, linear=False):
    """One textured quad: rect (x, y, w, h) in pixels, turned by `angle` degrees (clockwise on screen)
    about rect's corner + pivot, then moved by `shift`; blended with source alpha over the screen."""
    H, W = screen.shape[:2]
    x, y, w, h = rect
    cx, cy = x + pivot[0], y + pivot[1]
    th = np.radians(angle)
    c, s = np.cos(th), np.sin(th)
    corners = np.array([[x, y], [x + w, y], [x + w, y + h], [x, y + h]], np.float64)
    d = corners - [cx, cy]
    rc = np.stack([cx + c * d[:, 0] - s * d[:, 1], cy + s * d[:, 0] + c * d[:, 1]], axis=1) + shift
    bx0 = max(0, int(np.floor(rc[:, 0].min())))
    bx1 = min(W, int(np.ceil(rc[:, 0].max())) + 1)
    by0 = max(0, int(np.floor(rc[:, 1].min())))
    by1 = min(H, int(np.ceil(rc[:, 1].max())) + 1)
    if bx0 >= bx1 or by0 >= by1:
        return
    px, py = np.meshgrid(np.arange(bx0, bx1) + 0.5, np.arange(by0, by1) + 0.5)
    qx = px - shift[0] - cx
    qy = py - shift[1] - cy
    lx = cx + c * qx + s * qy
    ly = cy - s * qx + c * qy
    u = (lx - x) / w
    v = (ly - y) / h
    inside = (u >= 0) & (u < 1) & (v >= 0) & (v < 1)
    if not inside.any():
        return
    texel = _sample(tex, u, v, linear)
    if texel.shape[-1] == 3:
        rgb, a = texel, np.ones(texel.shape[:2], np.float32)
    else:
        rgb, a = texel[..., :3], texel[..., 3]
    a = a * alpha * inside
    region = screen[by0:by1, bx0:bx1]
    region[:] = region * (1 - a[..., None]) + rgb * a[..., None]


def draw_text(screen, sheet, metrics, text, x, y, colour=(1, 1, 1, 0.95)):
    """The engine's text: each glyph a quad `width` units wide and 16 high, scaled (0.5, 2.5), the pen moving
    by width + spacing; texture rows t0 at the top of the quad (t counted from the first row of the
    bottom-first store); blended additively."""
    H, W = screen.shape[:2]
    sx, sy = layout.FONT_SCALE
    size = sheet.shape[1]
    store = sheet[::-1]
    pen = 0.0
    for ch in text.encode('latin-1'):
        start, width = metrics[ch]
        k, r = ch % 16, ch // 16
        gx0, gx1 = x + sx * pen, x + sx * (pen + width)
        gy0, gy1 = y, y + sy * 16
        px0, px1 = max(0, int(np.floor(gx0))), min(W, int(np.ceil(gx1)))
        py0, py1 = max(0, int(np.floor(gy0))), min(H, int(np.ceil(gy1)))
        if px1 > px0 and py1 > py0 and width > 0:
            pxs, pys = np.meshgrid(np.arange(px0, px1) + 0.5, np.arange(py0, py1) + 0.5)
            fx = (pxs - gx0) / (gx1 - gx0)
            fy = (pys - gy0) / (gy1 - gy0)
            inside = (fx >= 0) & (fx < 1) & (fy >= 0) & (fy < 1)
            s = k / 16 + start / size + fx * (width / size)
            t = r / 16 + fy / 16
            col_ = np.clip(np.floor(s * size).astype(int), 0, size - 1)
            row = np.clip(np.floor(t * size).astype(int), 0, size - 1)
            texel = store[row, col_].astype(np.float32) / 255.0
            add = texel * np.array(colour[:3], np.float32) * colour[3] * inside[..., None]
            region = screen[py0:py1, px0:px1]
            region[:] = np.minimum(1.0, region + add)
        pen += width + layout.FONT_SPACING


# ------------------------------------------------------------------------------------------- the scene

def compose(tex, W, H, deer=0.0, plants=None, rabbit=0.0, lights=(0, 1, 0.0), woodpecker=0,
            clock='10:24:36 Am', clock24=False, linear=False, metrics=None, upto=None):
    """The screen after drawing the scene once. deer: angle; plants: name -> angle (default: mid-swing);
    rabbit: 0..1 of its drop; lights: (from frame, to frame, blend); woodpecker: frame 0..2."""
    screen = np.zeros((H, W, 3), np.float32)
    plants = plants or {}

    def r(name):
        return layout.rect(name, W, H)

    steps = [
        ('background', lambda: draw_quad(screen, tex['background'], r('background'), linear=linear)),
        ('deer', lambda: draw_quad(screen, tex['deer'], r('deer'), deer, layout.pivot('deer', W, H),
                                   linear=linear)),
        ('bg2', lambda: draw_quad(screen, tex['bg2'], r('bg2'), linear=linear)),
    ]
    for p in ('plant1', 'plant2', 'plant3', 'plant4'):
        lo, hi = layout.sway_range(p)
        ang = plants.get(p, (lo + hi) / 2)
        steps.append((p, lambda p=p, ang=ang: draw_quad(screen, tex[p], r(p), ang, layout.pivot(p, W, H),
                                                         linear=linear)))
    f0, f1, b = lights
    names = ['light1', 'light2', 'light3']
    steps.append(('light', lambda: (draw_quad(screen, tex[names[f0]], r('light'), alpha=1 - b, linear=linear),
                                    draw_quad(screen, tex[names[f1]], r('light'), alpha=b, linear=linear))))
    drop = rabbit * layout.RABBIT_DROP * H
    steps.append(('rabbit', lambda: draw_quad(screen, tex['rabbit'], r('rabbit'), shift=(0, drop),
                                              linear=linear)))
    steps.append(('treebig', lambda: draw_quad(screen, tex['treebig'], r('treebig'), linear=linear)))
    steps.append(('tree_light', lambda: draw_quad(screen, tex['tree_light'], r('tree_light'), linear=linear)))
    steps.append(('woodpecker', lambda: draw_quad(screen, tex['wpa%d' % (woodpecker + 1)], r('woodpecker'),
                                                  linear=linear)))
    for name, step in steps:
        if upto is not None and name == upto:
            break
        step()
    if clock and upto is None:
        if metrics is None:
            metrics = measure_glyphs(tex['font'])
        fx, fy = layout.CLOCK_24H if clock24 else layout.CLOCK_12H
        draw_text(screen, tex['font'], metrics, clock, fx * W, fy * H)
    return screen


def to_image(screen):
    return Image.fromarray(np.round(np.clip(screen, 0, 1) * 255).astype(np.uint8), 'RGB')


MOMENTS = {
    # name: keyword arguments of compose()
    'rest': dict(deer=0.0, rabbit=0.0, lights=(0, 0, 0.0), woodpecker=0),
    'head-up': dict(deer=-20.0, rabbit=0.0, lights=(0, 1, 0.5), woodpecker=0,
                    plants={'plant1': 1.0, 'plant2': 3.0, 'plant3': 5.3, 'plant4': -5.0}),
    'head-down': dict(deer=20.0, rabbit=1.0, lights=(1, 2, 0.3), woodpecker=1,
                      plants={'plant1': 4.888, 'plant2': -2.328, 'plant3': 7.58, 'plant4': -7.4}),
    'peck': dict(deer=20.0, rabbit=0.5, lights=(2, 0, 0.7), woodpecker=2, clock='12:59:08 Pm'),
}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--out', default=os.path.join(ROOT, 'build', 'art-preview'))
    ap.add_argument('--linear', action='store_true', help='bilinear sampling instead of nearest texels')
    ap.add_argument('--sizes', default='1920x1080,1024x768')
    ap.add_argument('--moments', default=','.join(MOMENTS))
    ap.add_argument('--set', default='1x', choices=('1x', '2x'), help='the picture set to draw with')
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    tex = load_textures(scale=2 if args.set == '2x' else 1)
    metrics = measure_glyphs(tex['font'])
    for size in args.sizes.split(','):
        W, H = map(int, size.split('x'))
        for m in args.moments.split(','):
            img = to_image(compose(tex, W, H, linear=args.linear, metrics=metrics, **MOMENTS[m]))
            path = os.path.join(args.out, '%s%s-%s.png' % (size, '' if args.set == '1x' else '-2x', m))
            img.save(path)
            print(path)


if __name__ == '__main__':
    main()
