#!/usr/bin/python3
"""Writes simple stand-in resources into assets/standin/ until the painted artwork lands.

Every file has the id, type, format and size the resource table asks for, and a shape that shows
which layer it is. Run with Debian's python3 (PIL, numpy): tools/standins.py. The output depends
only on the installed packages: running it again writes the same bytes.
"""
import os
import subprocess
import sys
import tempfile

import numpy as np
from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "assets", "standin")
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"


def grid(size):
    """Pixel centre coordinates as fractions 0..1, y downwards."""
    y, x = np.mgrid[0:size, 0:size].astype(np.float32)
    return (x + 0.5) / size, (y + 0.5) / size


def ellipse(size, cx, cy, rx, ry):
    x, y = grid(size)
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def layer(size):
    return np.zeros((size, size, 4), np.uint8)


def paint(pixels, mask, rgba):
    pixels[mask] = rgba


def save_png(pixels, name):
    Image.fromarray(pixels, "RGBA").save(os.path.join(OUT, name), optimize=True)


def save_jpeg(rgb, name, quality=80, subsampling=2):
    Image.fromarray(rgb, "RGB").save(os.path.join(OUT, name), quality=quality, subsampling=subsampling,
                                      progressive=False, optimize=True)


def loading_picture():
    """125: the product's name over a dim, flat forest green (the border stays one flat colour)."""
    size = 512
    rgb = np.zeros((size, size, 3), np.uint8)
    rgb[:] = (28, 56, 40)
    x, y = grid(size)
    for left in (0.30, 0.46, 0.62):
        rgb[(x > left) & (x < left + 0.05) & (y > 0.25) & (y < 0.75)] = (20, 36, 28)
    image = Image.fromarray(rgb, "RGB")
    draw = ImageDraw.Draw(image)
    font = ImageFont.truetype(FONT, 48)
    text = "Fernhollow"
    left, top, right, bottom = draw.textbbox((0, 0), text, font=font)
    draw.text(((size - (right - left)) // 2, (size - (bottom - top)) // 2 - top), text, font=font,
              fill=(200, 220, 190))
    save_jpeg(np.asarray(image), "125.jpg")


def background():
    """128: sky-green fading to a brown floor."""
    size = 1024
    x, y = grid(size)
    top = np.array([70, 110, 80], np.float32)
    floor = np.array([80, 60, 40], np.float32)
    t = np.clip((y - 0.3) / 0.5, 0, 1)[..., None]
    rgb = (top * (1 - t) + floor * t).astype(np.uint8)
    save_jpeg(rgb, "128.jpg", quality=60)


def glyph_sheet():
    """154: 16 x 16 cells of 64 px, byte c in column c mod 16, row c div 16 from the top; light
    glyphs on exact black, drawn 1.25 times wider than their natural shape."""
    size, cell = 1024, 64
    sheet = Image.new("L", (size, size), 0)
    font = ImageFont.truetype(FONT, 44)
    for code in range(33, 127):
        glyph = Image.new("L", (cell, cell), 0)
        ImageDraw.Draw(glyph).text((4, 4), chr(code), font=font, fill=255)
        box = glyph.getbbox()
        if not box:
            continue
        ink = glyph.crop((box[0], 0, box[2], cell))
        width = min(cell - 2, max(1, round(ink.width * 1.25)))
        ink = ink.resize((width, cell), Image.BILINEAR)
        sheet.paste(ink, ((code % 16) * cell + 1, (code // 16) * cell))
    rgb = np.asarray(sheet)
    # JPEG ringing must not leave ink in empty pixels.
    rgb = np.where(rgb < 48, 0, rgb).astype(np.uint8)
    save_jpeg(np.dstack([rgb, rgb, rgb]), "154.jpg", quality=90, subsampling=0)


def deer():
    """129: head and neck towards the lower right of the 128 x 128 sprite."""
    p = layer(128)
    paint(p, ellipse(128, 0.35, 0.35, 0.30, 0.18), (120, 80, 50, 255))
    paint(p, ellipse(128, 0.70, 0.65, 0.22, 0.16), (130, 88, 56, 255))
    save_png(p, "129.png")


def second_background():
    """130: the ground band and the deer's body."""
    p = layer(1024)
    x, y = grid(1024)
    paint(p, y > 0.78, (60, 70, 40, 255))
    paint(p, ellipse(1024, 0.58, 0.70, 0.07, 0.05), (120, 80, 50, 255))
    save_png(p, "130.png")


def plant(name, size, hue):
    """132-135: a leafy clump over its base."""
    p = layer(size)
    paint(p, ellipse(size, 0.5, 0.75, 0.35, 0.25), hue + (255,))
    paint(p, ellipse(size, 0.5, 0.45, 0.08, 0.40), tuple(int(c * 0.8) for c in hue) + (255,))
    save_png(p, name)


def light(name, slope):
    """136-138: a soft beam from the upper right, mostly transparent."""
    p = layer(256)
    x, y = grid(256)
    beam = np.abs((1.0 - x) - slope * y) < 0.08
    paint(p, beam, (255, 240, 190, 60))
    save_png(p, name)


def rabbit():
    """139: a grey rabbit, 64 x 64."""
    p = layer(64)
    paint(p, ellipse(64, 0.5, 0.65, 0.35, 0.30), (150, 140, 130, 255))
    paint(p, ellipse(64, 0.38, 0.22, 0.08, 0.20), (150, 140, 130, 255))
    paint(p, ellipse(64, 0.62, 0.22, 0.08, 0.20), (150, 140, 130, 255))
    save_png(p, "139.png")


def big_tree():
    """140: the trunk, and the mound whose top edge at 0.685 of the height hides the rabbit."""
    p = layer(1024)
    x, y = grid(1024)
    paint(p, (x > 0.70) & (x < 0.82), (70, 50, 35, 255))
    paint(p, (x > 0.18) & (x < 0.30) & (y > 0.685) & (y < 0.80), (55, 65, 35, 255))
    save_png(p, "140.png")


def tree_light():
    """141: a warm glow on the trunk."""
    p = layer(1024)
    paint(p, ellipse(1024, 0.76, 0.35, 0.05, 0.20), (255, 220, 150, 70))
    save_png(p, "141.png")


def woodpecker(name, head):
    """142-144: a bird on the trunk, the head in one of three pecking positions."""
    p = layer(1024)
    paint(p, ellipse(1024, 0.68, 0.40, 0.012, 0.03), (30, 30, 30, 255))
    paint(p, ellipse(1024, 0.68 + head, 0.365, 0.008, 0.008), (200, 30, 30, 255))
    save_png(p, name)


def bitmap(name, width, height):
    """115, 150, 157: a miniature of the scene, 24-bit BMP."""
    y = (np.arange(height, dtype=np.float32)[:, None] + 0.5) / height
    top = np.array([70, 110, 80], np.float32)
    floor = np.array([80, 60, 40], np.float32)
    t = np.clip((y - 0.3) / 0.5, 0, 1)[..., None]
    rgb = np.repeat((top * (1 - t) + floor * t), width, axis=1).astype(np.uint8)
    trunk = slice(int(width * 0.70), int(width * 0.82))
    rgb[:, trunk] = (70, 50, 35)
    Image.fromarray(rgb, "RGB").save(os.path.join(OUT, name))


def sound(name, seconds, effects):
    """152, 153: short stereo 44.1 kHz Ogg Vorbis, a fixed stream serial so the bytes repeat."""
    with tempfile.TemporaryDirectory() as work:
        wav = os.path.join(work, "sound.wav")
        subprocess.run(["sox", "-D", "-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", str(seconds)]
                       + effects, check=True)
        subprocess.run(["oggenc", "--quiet", "-s", "1", "-q", "0", "-o", os.path.join(OUT, name), wav],
                       check=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    loading_picture()
    background()
    deer()
    second_background()
    plant("132.png", 256, (60, 120, 50))
    plant("133.png", 256, (70, 130, 60))
    plant("134.png", 512, (50, 110, 45))
    plant("135.png", 512, (80, 125, 55))
    light("136.png", 0.6)
    light("137.png", 0.8)
    light("138.png", 1.0)
    rabbit()
    big_tree()
    tree_light()
    woodpecker("142.png", 0.000)
    woodpecker("143.png", 0.006)
    woodpecker("144.png", 0.012)
    glyph_sheet()
    bitmap("115.bmp", 255, 190)
    bitmap("150.bmp", 155, 115)
    bitmap("157.bmp", 120, 120)
    # Birds: two chirping voices, one per side. Woodpecker: fast knocks fading out.
    sound("153.ogg", 2.0, ["sine", "3000-4200", "sine", "3600-2600", "tremolo", "6", "90",
                           "fade", "q", "0.05", "2.0", "0.05", "vol", "0.3"])
    sound("152.ogg", 1.3, ["square", "700", "square", "720", "tremolo", "16", "100",
                           "fade", "t", "0", "1.3", "1.0", "vol", "0.3"])
    return 0


if __name__ == "__main__":
    sys.exit(main())
