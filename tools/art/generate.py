#!/usr/bin/python3
"""Paints every picture and synthesises every sound of Fernhollow into assets/, and lists them in
assets/manifest.txt.

    /usr/bin/python3 tools/art/generate.py [--seed N] [--only NAME,...] [--sets 1x,2x] [--out DIR]

The same seed gives the same files, byte for byte. The scene's pictures come in two sets: the 1x set in
images/, and in images/2x/ the same paintings painted at twice the size (every canvas twice as large, every
random draw the same) for screens that would magnify the 1x set more than twice. --out writes the files and
the manifest into another folder instead of assets/ (the manifest is read from assets/).
"""
import argparse
import os
import sys
import time

# numpy picks its SIMD kernels for the CPU at hand, and its AVX-512 ones round exp and its kin a last
# bit apart from the others: a few texels of a soft picture then come out one level apart. The same
# kernels on every machine keep the same seed giving the same bytes. Read when numpy is imported.
os.environ.setdefault("NPY_DISABLE_CPU_FEATURES", "AVX512F AVX512CD AVX512_SKX AVX512_CLX AVX512_CNL AVX512_ICL")

import numpy as np  # noqa: E402
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import backdrop  # noqa: E402
import common  # noqa: E402
import birds  # noqa: E402
import deer  # noqa: E402
import flora  # noqa: E402
import font  # noqa: E402
import layout  # noqa: E402
import light  # noqa: E402
import tree  # noqa: E402
from common import (ASSETS, CH, CW, DEFAULT_SEED, layer, out_path, resize, rng, save_jpeg,  # noqa: E402
                    save_png, to_rgb8, to_rgba8)

FILES = [  # (type, id, path below assets/)
    ('IMAGE', 125, 'images/loading.jpg'),
    ('IMAGE', 128, 'images/background.jpg'),
    ('IMAGE', 129, 'images/deer.png'),
    ('IMAGE', 130, 'images/bg2.png'),
    ('IMAGE', 132, 'images/plant1.png'),
    ('IMAGE', 133, 'images/plant2.png'),
    ('IMAGE', 134, 'images/plant3.png'),
    ('IMAGE', 135, 'images/plant4.png'),
    ('IMAGE', 136, 'images/light1.png'),
    ('IMAGE', 137, 'images/light2.png'),
    ('IMAGE', 138, 'images/light3.png'),
    ('IMAGE', 139, 'images/rabbit.png'),
    ('IMAGE', 140, 'images/treebig.png'),
    ('IMAGE', 141, 'images/tree_light.png'),
    ('IMAGE', 142, 'images/wpa1.png'),
    ('IMAGE', 143, 'images/wpa2.png'),
    ('IMAGE', 144, 'images/wpa3.png'),
    ('IMAGE', 154, 'images/font.jpg'),
    ('BITMAP', 115, 'bitmaps/dialog.bmp'),
    ('BITMAP', 150, 'bitmaps/preview.bmp'),
    ('BITMAP', 157, 'bitmaps/about.bmp'),
    ('SOUND', 152, 'sounds/woodpecker.ogg'),
    ('SOUND', 153, 'sounds/birds.ogg'),
]

# The 2x set: each scene picture's id plus 1000, its file in images/2x/ at twice the size.
ID_2X = 1000
SCENE_PICTURES = (128, 129, 130, 132, 133, 134, 135, 136, 137, 138, 139, 140, 141, 142, 143, 144)
FILES_2X = [(kind, ident + ID_2X, path.replace('images/', 'images/2x/'))
            for kind, ident, path in FILES if ident in SCENE_PICTURES]
HEADER_2X = '# The scene\'s pictures painted at twice the size, for screens above 2048 pixels on a side.'


def image(name, s):
    return ('images/%s' if s == 1 else 'images/%dx/%%s' % s) % name


# Each step paints at s times the size: s = 1 for the 1x set, 2 for the 2x set.

def paint_backgrounds(seed, s=1):
    r = rng(seed, 'backdrop')
    background, bg2, _ = backdrop.paint_layers(seed, r, s)
    save_jpeg(image('background.jpg', s), to_rgb8(background, 1024 * s, 1024 * s), quality=93)
    save_png(image('bg2.png', s), to_rgba8(bg2, 1024 * s, 1024 * s))


def paint_deer(seed, s=1):
    # The head is painted four times the 1x sprite's size (768 x 560), enough for both sets.
    r = rng(seed, 'deer')
    k = 4
    x, y, w, h = layout.rect('deer', CW, CH)
    head = deer.head_layer(r, w * k, h * k, k, (0, 0))
    save_png(image('deer.png', s), to_rgba8(head, 128 * s, 128 * s))


def paint_plants(seed, s=1):
    for name, fn in flora.PLANTS.items():
        lay = fn(rng(seed, name), s)
        size = (256 if name in ('plant1', 'plant2') else 512) * s
        save_png(image('%s.png' % name, s), to_rgba8(lay, size, size))


def paint_lights(seed, s=1):
    r = rng(seed, 'light')
    for i in range(3):
        save_png(image('light%d.png' % (i + 1), s), to_rgba8(light.frame(r, i, s), 256 * s, 256 * s))


def paint_rabbit(seed, s=1):
    # Painted eight times the 1x sprite's rectangle, enough for both sets.
    k = 8
    lay = birds.rabbit(rng(seed, 'rabbit'), 67 * k, 54 * k, k)
    save_png(image('rabbit.png', s), to_rgba8(lay, 64 * s, 64 * s))


def paint_tree(seed, s=1):
    r = rng(seed, 'tree')
    big, trunk, root = tree.paint(seed, r, s)
    save_png(image('treebig.png', s), to_rgba8(big, 1024 * s, 1024 * s))
    save_png(image('tree_light.png', s), to_rgba8(tree.light(seed, r, trunk, root, s), 1024 * s, 1024 * s))


def paint_woodpecker(seed, s=1):
    r = rng(seed, 'woodpecker')
    fx, fy = tree.WOODPECKER_AT
    ox, oy = fx * CW, fy * CH
    bx0, by0, bw, bh = int(ox) - 50, int(oy) - 80, 100, 140  # the bird's box on the 16:9 picture
    k = 4  # the bird's canvas, 400 x 560, serves both sets
    for pose in range(3):
        bird = birds.woodpecker(r, bw * k, bh * k, k, ((ox - bx0) * k, (oy - by0) * k), pose)
        small = np.clip(resize(bird, bw * s, bh * s, Image.LANCZOS), 0, None)
        small[..., 3] = np.clip(small[..., 3], 0, 1)
        full = layer(CW * s, CH * s)
        full[by0 * s:(by0 + bh) * s, bx0 * s:(bx0 + bw) * s] = small
        save_png(image('wpa%d.png' % (pose + 1), s), to_rgba8(full, 1024 * s, 1024 * s))


def paint_font(seed, s=1):
    font.write(out_path('images/font.jpg'))


def paint_small(seed, s=1):
    import small
    small.write_all(seed)


def paint_icon(seed, s=1):
    import icon
    icon.write(seed)


def make_sounds(seed, s=1):
    import sounds
    sounds.write_all(seed)


STEPS = [
    ('backgrounds', paint_backgrounds), ('deer', paint_deer), ('plants', paint_plants), ('lights', paint_lights),
    ('rabbit', paint_rabbit), ('tree', paint_tree), ('woodpecker', paint_woodpecker), ('font', paint_font),
    ('small', paint_small), ('icon', paint_icon), ('sounds', make_sounds),
]
STEPS_2X = ('backgrounds', 'deer', 'plants', 'lights', 'rabbit', 'tree', 'woodpecker')


def update_manifest():
    """Writes the 1x entries where they stand and the 2x set's block right after them; every other line
    stays as it is."""
    with open(os.path.join(ASSETS, 'manifest.txt')) as f:
        lines = f.read().splitlines()
    ours = {'%s %d' % (kind, ident) for kind, ident, _ in FILES + FILES_2X}
    out, at = [], None
    for ln in lines:
        words = ln.split()
        if ln == HEADER_2X or (len(words) > 2 and ' '.join(words[:2]) in ours):
            at = len(out) if at is None else at
            continue
        out.append(ln)
    if at is None:
        while out and out[-1] == '':
            out.pop()
        out.append('')
        at = len(out)
    out[at:at] = ['%s %d %s' % f for f in FILES] + ['', HEADER_2X] + ['%s %d %s' % f for f in FILES_2X]
    text = '\n'.join(out) + '\n'
    while '\n\n\n' in text:
        text = text.replace('\n\n\n', '\n\n')
    with open(os.path.join(common.ASSETS, 'manifest.txt'), 'w') as f:
        f.write(text)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--seed', type=int, default=DEFAULT_SEED)
    ap.add_argument('--only', default='', help='comma-separated steps: ' + ', '.join(n for n, _ in STEPS))
    ap.add_argument('--sets', default='1x,2x', help='comma-separated picture sets: 1x, 2x')
    ap.add_argument('--out', default=ASSETS, help='the folder to write into (default: assets/)')
    args = ap.parse_args()
    common.ASSETS = os.path.abspath(args.out)
    os.makedirs(common.ASSETS, exist_ok=True)
    only = set(filter(None, args.only.split(',')))
    sets = set(filter(None, args.sets.split(',')))
    if not sets or sets - {'1x', '2x'}:
        ap.error('--sets takes 1x, 2x or both')
    for s in (1, 2):
        if '%dx' % s not in sets:
            continue
        for name, step in STEPS:
            if (only and name not in only) or (s == 2 and name not in STEPS_2X):
                continue
            t = time.time()
            step(args.seed, s)
            print('%-12s %dx %5.1f s' % (name, s, time.time() - t), flush=True)
    update_manifest()


if __name__ == '__main__':
    main()
