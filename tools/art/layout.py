"""Where every sprite of the forest scene stands, and how it moves.

Positions are fractions of the screen (x across, y down from the top-left corner), exactly as the scene
builder places its sprites; pivots are in pixels relative to the sprite's rectangle and depend on the screen
size. The generator paints to these rectangles and compose.py draws with them. The scene's own table,
src/scene/ForestLayers.h, must agree (tests/unit/scene/ForestLayersTest.cpp holds it to this file).
"""
import math

# name: (top-left fractions, bottom-right fractions, pixel offset)
RECTS = {
    'background': ((0.0, 0.0), (1.0, 1.0), (0, 0)),
    'deer': ((0.54, 0.63), (0.64, 0.76), (0, 0)),
    'bg2': ((0.0, 0.0), (1.0, 1.0), (0, 0)),
    'plant1': ((0.38, 0.70), (0.55, 0.88), (0, 0)),
    'plant2': ((0.52, 0.63), (0.71, 0.84), (0, 0)),
    'plant3': ((0.70, 0.68), (1.08, 1.09), (0, 0)),
    'plant4': ((0.0, 0.65), (0.30, 1.0), (-40, 30)),
    'light': ((0.0, 0.0), (1.0, 1.0), (0, 0)),
    'rabbit': ((0.22, 0.64), (0.255, 0.69), (0, 0)),
    'treebig': ((0.0, 0.0), (1.0, 1.0), (0, 0)),
    'tree_light': ((0.0, 0.0), (1.0, 1.0), (0, 0)),
    'woodpecker': ((0.0, 0.0), (1.0, 1.0), (0, 0)),
}

# Swing ranges (degrees, positive turns clockwise on screen): (min, max, scale) as the scene sets them.
SWAYS = {
    'plant1': (1.0, 4.6, 1.08),
    'plant2': (3.0, 7.8, -1.11),
    'plant3': (5.3, 11.0, 0.4),
    'plant4': (-5.0, 1.0, -0.4),
}
DEER_ANGLES = (-20.0, 20.0)
RABBIT_DROP = 0.05  # of the screen height
CLOCK_12H = (0.63, 0.93)
CLOCK_24H = (0.68, 0.93)
FONT_SCALE = (0.5, 2.5)
FONT_SPACING = 2


def rect(name, W, H):
    """The sprite's rectangle (x, y, w, h) in pixels on a W x H screen."""
    (x0f, y0f), (x1f, y1f), (ox, oy) = RECTS[name]
    x0 = ox + math.trunc(x0f * W)
    y0 = oy + math.trunc(y0f * H)
    x1 = ox + math.trunc(x1f * W)
    y1 = oy + math.trunc(y1f * H)
    return x0, y0, abs(x1 - x0), abs(y1 - y0)


def pivot(name, W, H):
    """The rotation pivot relative to the rectangle's top-left corner, in pixels."""
    return {
        'deer': (0.0, 0.0),
        'plant1': (0.10 * W, 0.18 * H),
        'plant2': (0.12 * W, 0.18 * H),
        'plant3': (0.30 * W, 0.28 * H),
        'plant4': (0.0, 0.28 * H),
    }[name]


def sway_range(name):
    lo, hi, k = SWAYS[name]
    a, b = lo, lo + (hi - lo) * k
    return min(a, b), max(a, b)


def pivot_fraction(name, W=1920, H=1080):
    """The pivot as a fraction of the sprite's rectangle (and so of its texture)."""
    x, y, w, h = rect(name, W, H)
    px, py = pivot(name, W, H)
    return px / w, py / h
