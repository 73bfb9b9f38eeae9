"""The Windows saver's icon: a fern frond in front of dark firs on a round evening-green ground,
painted at 1024 x 1024 and reduced to the icon's 256, 48, 32 and 16 pixel images
(assets/icons/fernhollow.ico)."""
import math
import os

import numpy as np
from PIL import Image, ImageDraw

from common import out_path, rng

SIZE = 1024
ICON_SIZES = (16, 32, 48, 256)


def _fir(draw, r, cx, base, height, width, colour):
    """A fir: stacked tiers narrowing upwards, each a little jagged."""
    tiers = 5
    for i in range(tiers):
        t0 = i / tiers
        y_bottom = base - height * t0 * 0.9
        y_top = base - height * (t0 + 0.32) * 0.9 - (height * 0.1 if i == tiers - 1 else 0)
        half = width * (1.0 - t0 * 0.8) / 2
        jag = r.uniform(-0.05, 0.05) * width
        draw.polygon([(cx - half + jag, y_bottom), (cx, y_top), (cx + half + jag, y_bottom)], fill=colour)
    draw.rectangle([cx - width * 0.04, base - height * 0.05, cx + width * 0.04, base + height * 0.04],
                   fill=(40, 30, 22, 255))


def _frond(draw, r, origin, length, angle, colour, vein):
    """A fern frond: a curving stem with paired leaflets shrinking towards the tip."""
    x, y = origin
    pairs = 14
    points = []
    for i in range(pairs + 1):
        t = i / pairs
        bend = angle + t * 0.9  # the frond curls over as it rises
        points.append((x, y))
        x += math.cos(bend) * length / pairs
        y -= math.sin(bend) * length / pairs
    for i, (px, py) in enumerate(points[:-1]):
        t = i / pairs
        nx, ny = points[i + 1]
        direction = math.atan2(-(ny - py), nx - px)
        leaf = length * 0.28 * (1 - t) ** 0.8 + length * 0.03
        for side in (1, -1):
            a = direction + side * (1.05 + r.uniform(-0.08, 0.08))
            tip = (px + math.cos(a) * leaf, py - math.sin(a) * leaf)
            w = leaf * 0.22
            b1 = (px + math.cos(direction) * w, py - math.sin(direction) * w)
            b2 = (nx, ny)
            draw.polygon([(px, py), b1, tip, b2], fill=colour)
    draw.line(points, fill=vein, width=max(3, int(length * 0.018)), joint='curve')


def paint(seed):
    r = rng(seed, 'icon')
    # The round ground: a vertical gradient from evening teal to deep green, edge left transparent.
    yy, xx = np.mgrid[0:SIZE, 0:SIZE].astype(np.float64)
    d = np.hypot(xx - SIZE / 2 + 0.5, yy - SIZE / 2 + 0.5) / (SIZE * 0.47)
    t = yy / SIZE
    top = np.array([70, 120, 118], np.float64)
    bottom = np.array([16, 52, 30], np.float64)
    rgb = top * (1 - t[..., None]) + bottom * t[..., None]
    glow = np.clip(1 - np.hypot(xx - SIZE * 0.62, yy - SIZE * 0.3) / (SIZE * 0.45), 0, 1) ** 2
    rgb += glow[..., None] * np.array([90, 80, 40])
    alpha = np.clip((1 - d) * SIZE * 0.02, 0, 1)
    ground = np.dstack([np.clip(rgb, 0, 255), alpha * 255]).astype(np.uint8)
    image = Image.fromarray(ground, 'RGBA')

    trees = Image.new('RGBA', (SIZE, SIZE))
    draw = ImageDraw.Draw(trees)
    for i in range(7):
        cx = SIZE * (0.12 + i * 0.13 + r.uniform(-0.03, 0.03))
        height = SIZE * r.uniform(0.42, 0.62)
        shade = int(r.uniform(18, 34))
        _fir(draw, r, cx, SIZE * 0.8, height, height * 0.42, (shade, shade + 34, shade + 18, 255))
    draw.rectangle([0, SIZE * 0.78, SIZE, SIZE], fill=(20, 44, 24, 255))
    _frond(draw, r, (SIZE * 0.36, SIZE * 0.92), SIZE * 0.62, math.radians(72), (96, 176, 64, 255),
           (58, 120, 40, 255))
    _frond(draw, r, (SIZE * 0.52, SIZE * 0.94), SIZE * 0.44, math.radians(112), (120, 196, 80, 255),
           (70, 136, 48, 255))
    # The trees and fronds stay inside the round ground.
    mask = Image.fromarray((alpha * 255).astype(np.uint8), 'L')
    clipped = Image.new('RGBA', (SIZE, SIZE))
    clipped.paste(trees, (0, 0), Image.fromarray(
        (np.asarray(trees)[..., 3].astype(np.float64) * alpha).astype(np.uint8), 'L'))
    image = Image.alpha_composite(image, clipped)
    image.putalpha(mask)
    return image


def write(seed):
    big = paint(seed)
    images = [big.resize((s, s), Image.LANCZOS) for s in ICON_SIZES]
    path = out_path('icons/fernhollow.ico')
    # The largest image is written as given; PIL makes the others from it, so each is handed over
    # already reduced from the painting.
    images[-1].save(path, format='ICO', sizes=[(s, s) for s in ICON_SIZES], append_images=images[:-1])
    return path


if __name__ == '__main__':
    import sys
    write(int(sys.argv[1]) if len(sys.argv) > 1 else 20261)
    print(os.path.relpath(out_path('icons/fernhollow.ico')))
