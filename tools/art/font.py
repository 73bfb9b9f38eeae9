"""The glyph sheet: 16 x 16 cells of 64 pixels, white DejaVu Sans Bold glyphs on exact black.

How the engine reads the sheet decides how it is stored. The decoder hands the rows over bottom row first, and
the font counts cell rows from the first row of that store, which is also the texture's t = 0 edge; the
glyph quad puts t0 (the cell's first stored row) at the top of the text. So, in the picture as stored, the
glyph of byte c sits in column c mod 16 and in row c div 16 counted from the BOTTOM, drawn upside down: the
sheet is an ordinary top-down sheet flipped vertically. The glyph widths are measured from the ink, and the
text is drawn 0.5 across and 2.5 down per texel, so glyphs are drawn 1.25 times wider than their natural
shape to look natural on screen.
"""
import numpy as np
from PIL import Image, ImageDraw, ImageFont

import jpeg

FONT = '/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf'
CELL = 64
SIZE = 50          # pixels per em
STRETCH = 1.25     # drawn wider than natural, the text is squeezed to 0.5 x 0.625 on screen
MAX_INK = 58       # widest ink span inside a 64-pixel cell
BASELINE = 49      # baseline row within the (upright) cell
BELOW_BLACK = 14   # empty pixels are encoded this far below black


def glyph_cell(ch, font, k=4):
    """One upright glyph as ink coverage in 0..1 on a CELL x CELL array, centred across."""
    big = ImageFont.truetype(FONT, SIZE * k)
    img = Image.new('L', (CELL * k * 2, CELL * k), 0)
    d = ImageDraw.Draw(img)
    d.text((CELL * k // 2, BASELINE * k), ch, fill=255, font=big, anchor='ls')
    a = np.asarray(img, np.float32) / 255.0
    cols = np.nonzero(a.max(axis=0) > 0)[0]
    out = np.zeros((CELL, CELL), np.float32)
    if len(cols) == 0:
        return out
    x0, x1 = cols[0], cols[-1] + 1
    crop = a[:, x0:x1]
    natural = (x1 - x0) / k
    width = max(1, int(round(min(natural * STRETCH, MAX_INK))))
    g = np.asarray(Image.fromarray(crop, 'F').resize((width, CELL), Image.BOX), np.float32)
    left = (CELL - width) // 2
    out[:, left:left + width] = np.clip(g, 0, 1)
    return out


def sheet():
    """The upright sheet (cell row c div 16 from the top) as ink coverage, 1024 x 1024."""
    font = ImageFont.truetype(FONT, SIZE)
    ink = np.zeros((16 * CELL, 16 * CELL), np.float32)
    for c in range(33, 127):
        r, k = divmod(c, 16)
        ink[r * CELL:(r + 1) * CELL, k * CELL:(k + 1) * CELL] = glyph_cell(chr(c), font)
    return ink


def write(path):
    ink = sheet()
    stored = ink[::-1]  # see the module's description
    y = stored * (255.0 + BELOW_BLACK) - BELOW_BLACK
    neutral = np.full_like(y, 128.0)
    data = jpeg.encode([y, neutral, neutral], quant=(2, 2))
    with open(path, 'wb') as f:
        f.write(data)
