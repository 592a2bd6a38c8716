"""Our own stroke letters: capitals, digits and a little punctuation drawn as round-capped lines.

Each glyph lives on a grid whose cap height is 10 units (y = 0 at the top, 10 on the baseline)
and is a list of polylines; `text` scales them to pixels and turns them into shapes.
"""

import math

from raster import Stroke, Union


def arc(cx, cy, rx, ry, start, end, steps=None):
    """Points along an elliptic arc from `start` to `end` degrees (0 = right, 90 = down)."""
    steps = steps or max(4, int(abs(end - start) / 12))
    return [
        (
            cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
            cy + ry * math.sin(math.radians(start + (end - start) * i / steps)),
        )
        for i in range(steps + 1)
    ]


def _ring(cx, cy, rx, ry):
    return arc(cx, cy, rx, ry, 0, 360, 32)


GLYPHS = {
    "A": (7, [[(0, 10), (3.5, 0), (7, 10)], [(1.3, 6.6), (5.7, 6.6)]]),
    "B": (6.2, [[(0, 0), (0, 10)], [(0, 0), (3.3, 0)] + arc(3.3, 2.5, 2.5, 2.5, -90, 90) + [(0, 5)],
                [(0, 5), (3.6, 5)] + arc(3.6, 7.5, 2.6, 2.5, -90, 90) + [(0, 10)]]),
    "C": (7.3, [arc(4.8, 5, 4.8, 5, -48, -312)]),
    "D": (7, [[(0, 0), (0, 10)], [(0, 0), (2.2, 0)] + arc(2.2, 5, 4.8, 5, -90, 90) + [(0, 10)]]),
    "E": (6, [[(6, 0), (0, 0), (0, 10), (6, 10)], [(0, 5), (5, 5)]]),
    "F": (6, [[(6, 0), (0, 0), (0, 10)], [(0, 5), (5, 5)]]),
    "G": (8, [arc(4.8, 5, 4.8, 5, -48, -360) + [(5.2, 5)]]),
    "H": (7, [[(0, 0), (0, 10)], [(7, 0), (7, 10)], [(0, 5), (7, 5)]]),
    "I": (0, [[(0, 0), (0, 10)]]),
    "J": (5, [[(5, 0), (5, 7.5)] + arc(2.5, 7.5, 2.5, 2.5, 0, 180)]),
    "K": (6.5, [[(0, 0), (0, 10)], [(6.2, 0), (0, 6.2)], [(2.2, 4.2), (6.5, 10)]]),
    "L": (5.5, [[(0, 0), (0, 10), (5.5, 10)]]),
    "M": (8.6, [[(0, 10), (0, 0), (4.3, 7), (8.6, 0), (8.6, 10)]]),
    "N": (7, [[(0, 10), (0, 0), (7, 10), (7, 0)]]),
    "O": (9, [_ring(4.5, 5, 4.5, 5)]),
    "P": (6, [[(0, 10), (0, 0), (3.3, 0)] + arc(3.3, 2.75, 2.75, 2.75, -90, 90) + [(0, 5.5)]]),
    "Q": (9, [_ring(4.5, 5, 4.5, 5), [(5.6, 7), (9, 10.4)]]),
    "R": (6.5, [[(0, 10), (0, 0), (3.4, 0)] + arc(3.4, 2.75, 2.75, 2.75, -90, 90) + [(0, 5.5)],
                [(3.2, 5.5), (6.5, 10)]]),
    "S": (6, [arc(3, 2.5, 2.9, 2.5, -25, -270) + arc(3, 7.5, 3.1, 2.5, -90, 155)]),
    "T": (7, [[(0, 0), (7, 0)], [(3.5, 0), (3.5, 10)]]),
    "U": (7, [[(0, 0), (0, 6.5)] + arc(3.5, 6.5, 3.5, 3.5, 180, 0) + [(7, 0)]]),
    "V": (7, [[(0, 0), (3.5, 10), (7, 0)]]),
    "W": (10, [[(0, 0), (2.5, 10), (5, 2.5), (7.5, 10), (10, 0)]]),
    "X": (7, [[(0, 0), (7, 10)], [(7, 0), (0, 10)]]),
    "Y": (7, [[(0, 0), (3.5, 5), (7, 0)], [(3.5, 5), (3.5, 10)]]),
    "Z": (6.5, [[(0, 0), (6.5, 0), (0, 10), (6.5, 10)]]),
    "0": (6.5, [_ring(3.25, 5, 3.25, 5)]),
    "1": (2.6, [[(0, 2), (2.6, 0), (2.6, 10)]]),
    "2": (6, [arc(3, 3, 3, 3, 195, 390) + [(0, 10), (6, 10)]]),
    "3": (6, [[(0.3, 0), (5.7, 0), (2.6, 4)] + arc(3, 7, 3, 3, -97, 150)]),
    "4": (6.5, [[(5, 10), (5, 0), (0, 7), (6.5, 7)]]),
    "5": (6, [[(5.8, 0), (0.7, 0), (0.3, 4.4)] + arc(3, 7, 3, 3, -122, 150)]),
    "6": (6.5, [_ring(3.25, 6.75, 3.25, 3.25), [(4.8, 0), (0.5, 5.6)]]),
    "7": (6, [[(0, 0), (6, 0), (2, 10)]]),
    "8": (6, [_ring(3, 2.5, 2.6, 2.5), _ring(3, 7.3, 3, 2.7)]),
    "9": (6.5, [_ring(3.25, 3.25, 3.25, 3.25), [(6.4, 4), (2, 10)]]),
    ".": (0, [[(0, 10)]]),
    ":": (0, [[(0, 3)], [(0, 9.5)]]),
    "-": (4, [[(0, 5.5), (4, 5.5)]]),
    "/": (4, [[(0, 10.5), (4, -0.5)]]),
    " ": (3, []),
}


def measure(text, cap, stroke, gap=3.4):
    """Width in pixels of `text` set at cap height `cap` with line width `stroke`."""
    s = cap / 10.0
    width = sum(GLYPHS[ch][0] * s for ch in text) + gap * s * max(0, len(text) - 1)
    return width + stroke


def text(string, left, top, cap, stroke, gap=3.4, slant=0.0):
    """One shape per letter: the ink of `string` with its box's left edge at `left`, cap top at `top`."""
    s = cap / 10.0
    r = stroke / 2.0
    x = left + r
    shapes = []
    for ch in string:
        width, lines = GLYPHS[ch]
        polylines = [
            [(x + (gx + slant * (10 - gy)) * s, top + gy * s) for gx, gy in line] for line in lines
        ]
        if polylines:
            shapes.append(Union(*[Stroke(p, r) for p in polylines]))
        x += (width + gap) * s
    return shapes
