"""The small pictures made from the finished scene: the loading picture with the product's name, the preview,
the settings dialog's picture and the About box's portrait of the woodpecker."""
import numpy as np
from PIL import Image, ImageDraw, ImageFilter, ImageFont

import compose
from common import save_bmp, save_jpeg

TITLE_FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf'


def _scene(tex, W, H, **kw):
    args = dict(compose.MOMENTS['rest'])
    args.update(kw)
    return compose.to_image(compose.compose(tex, W, H, clock='', linear=True, **args))


def loading(tex):
    """The name over a dim, softened view of the forest. Painted at 16:9 and squeezed into 512 x 512, so the
    letters have their natural shape on a wide screen."""
    img = _scene(tex, 1920, 1080).filter(ImageFilter.GaussianBlur(3))
    a = np.asarray(img, np.float32) / 255.0
    X = np.linspace(-1, 1, a.shape[1])[None, :]
    Y = np.linspace(-1, 1, a.shape[0])[:, None]
    vign = 1 - 0.35 * np.clip(X * X * 0.6 + Y * Y, 0, 1)
    a = a * 0.42 * vign[..., None]
    img = Image.fromarray(np.round(np.clip(a, 0, 1) * 255).astype(np.uint8), 'RGB')
    f = ImageFont.truetype(TITLE_FONT, 150)
    text = 'Fernhollow'
    glow = Image.new('L', img.size, 0)
    ImageDraw.Draw(glow).text((960, 500), text, font=f, fill=255, anchor='mm')
    glow = glow.filter(ImageFilter.GaussianBlur(18))
    g = np.asarray(glow, np.float32)[..., None] / 255.0
    a = np.asarray(img, np.float32) / 255.0
    a = a + g * np.array([0.35, 0.30, 0.18]) * 0.8
    img = Image.fromarray(np.round(np.clip(a, 0, 1) * 255).astype(np.uint8), 'RGB')
    d = ImageDraw.Draw(img)
    d.text((964, 506), text, font=f, fill=(12, 16, 8), anchor='mm')
    d.text((960, 500), text, font=f, fill=(244, 232, 196), anchor='mm')
    line_y = 590
    d.line([(760, line_y), (1160, line_y)], fill=(200, 186, 140), width=3)
    return img.resize((512, 512), Image.LANCZOS)


def write_all(seed):
    tex = compose.load_textures()
    save_jpeg('images/loading.jpg', np.asarray(loading(tex)), quality=90)
    wide = _scene(tex, 1024, 768)
    save_bmp('bitmaps/preview.bmp', np.asarray(wide.resize((155, 115), Image.LANCZOS)))
    save_bmp('bitmaps/dialog.bmp', np.asarray(wide.resize((255, 190), Image.LANCZOS)))
    big = _scene(tex, 3840, 2160, woodpecker=1)
    cx, cy, half = 600, 790, 190
    about = big.crop((cx - half, cy - half, cx + half, cy + half)).resize((120, 120), Image.LANCZOS)
    save_bmp('bitmaps/about.bmp', np.asarray(about))
