#!/usr/bin/python3
"""Paints every picture and synthesises every sound of Fernhollow into assets/, and lists them in
assets/manifest.txt.

    /usr/bin/python3 tools/art/generate.py [--seed N] [--only NAME,...]

The same seed gives the same files, byte for byte.
"""
import argparse
import os
import sys
import time

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import backdrop  # noqa: E402
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


def paint_backgrounds(seed):
    r = rng(seed, 'backdrop')
    background, bg2, _ = backdrop.paint_layers(seed, r)
    save_jpeg('images/background.jpg', to_rgb8(background, 1024, 1024), quality=93)
    save_png('images/bg2.png', to_rgba8(bg2, 1024, 1024))


def paint_deer(seed):
    r = rng(seed, 'deer')
    k = 4
    x, y, w, h = layout.rect('deer', CW, CH)
    head = deer.head_layer(r, w * k, h * k, k, (0, 0))
    save_png('images/deer.png', to_rgba8(head, 128, 128))


def paint_plants(seed):
    for name, fn in flora.PLANTS.items():
        lay = fn(rng(seed, name))
        size = 256 if name in ('plant1', 'plant2') else 512
        save_png('images/%s.png' % name, to_rgba8(lay, size, size))


def paint_lights(seed):
    r = rng(seed, 'light')
    for i in range(3):
        save_png('images/light%d.png' % (i + 1), to_rgba8(light.frame(r, i), 256, 256))


def paint_rabbit(seed):
    k = 8
    lay = birds.rabbit(rng(seed, 'rabbit'), 67 * k, 54 * k, k)
    save_png('images/rabbit.png', to_rgba8(lay, 64, 64))


def paint_tree(seed):
    r = rng(seed, 'tree')
    big, trunk, root = tree.paint(seed, r)
    save_png('images/treebig.png', to_rgba8(big, 1024, 1024))
    save_png('images/tree_light.png', to_rgba8(tree.light(seed, r, trunk, root), 1024, 1024))


def paint_woodpecker(seed):
    r = rng(seed, 'woodpecker')
    fx, fy = tree.WOODPECKER_AT
    ox, oy = fx * CW, fy * CH
    bx0, by0, bw, bh = int(ox) - 50, int(oy) - 80, 100, 140  # the bird's box on the 16:9 picture
    k = 4
    for pose in range(3):
        bird = birds.woodpecker(r, bw * k, bh * k, k, ((ox - bx0) * k, (oy - by0) * k), pose)
        small = np.clip(resize(bird, bw, bh, Image.LANCZOS), 0, None)
        small[..., 3] = np.clip(small[..., 3], 0, 1)
        full = layer(CW, CH)
        full[by0:by0 + bh, bx0:bx0 + bw] = small
        save_png('images/wpa%d.png' % (pose + 1), to_rgba8(full, 1024, 1024))


def paint_font(seed):
    font.write(out_path('images/font.jpg'))


def paint_small(seed):
    import small
    small.write_all(seed)


def paint_icon(seed):
    import icon
    icon.write(seed)


def make_sounds(seed):
    import sounds
    sounds.write_all(seed)


STEPS = [
    ('backgrounds', paint_backgrounds), ('deer', paint_deer), ('plants', paint_plants), ('lights', paint_lights),
    ('rabbit', paint_rabbit), ('tree', paint_tree), ('woodpecker', paint_woodpecker), ('font', paint_font),
    ('small', paint_small), ('icon', paint_icon), ('sounds', make_sounds),
]


def update_manifest():
    path = os.path.join(ASSETS, 'manifest.txt')
    with open(path) as f:
        lines = f.read().splitlines()
    keep = [ln for ln in lines if not ln.split() or ln.split()[0] not in ('IMAGE', 'BITMAP', 'SOUND')]
    while keep and keep[-1] == '':
        keep.pop()
    keep.append('')
    keep += ['%s %d %s' % f for f in FILES]
    with open(path, 'w') as f:
        f.write('\n'.join(keep) + '\n')


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument('--seed', type=int, default=DEFAULT_SEED)
    ap.add_argument('--only', default='', help='comma-separated steps: ' + ', '.join(n for n, _ in STEPS))
    args = ap.parse_args()
    only = set(filter(None, args.only.split(',')))
    for name, step in STEPS:
        if only and name not in only:
            continue
        t = time.time()
        step(args.seed)
        print('%-12s %5.1f s' % (name, time.time() - t), flush=True)
    update_manifest()


if __name__ == '__main__':
    main()
