"""Klevotrim's artwork: the skin of the main window, its caption buttons, the seven image buttons
in their seven looks, the logo, the About picture and the program icon.

Every picture is a function returning a canvas; generate.py lists them with their file names and
the sizes the program relies on.
"""

import math

from raster import (
    Annulus,
    Canvas,
    Capsule,
    Circle,
    Intersect,
    Linear,
    Offset,
    Outline,
    Polygon,
    Radial,
    Rect,
    Stroke,
    Transformed,
    Union,
    mix,
    rgb,
)
import letters

# ---------------------------------------------------------------- palette

ACCENT_LIGHT = "#6ee2fb"  # RGB(110, 226, 251): the seek bar's light fill
ACCENT = "#3c8fd9"  # RGB(60, 143, 217): the seek bar's fill
VIDEO_BACK = "#3f3f3f"  # RGB(63, 63, 63): the empty video area
DISPLAY_BACK = "#0c1014"
TEXT_LIGHT = "#e9edf2"
TEXT_GREY = "#9aa1aa"
GLYPH = "#d9dde3"

BUTTON_NAMES = ["open", "play", "pause", "stop", "start", "end", "save"]
LOOK_NAMES = ["normal", "hover", "down", "disabled", "mask", "selected", "selectedhover"]

BUTTON_W, BUTTON_H = 36, 30
BUTTON_TOP = 6  # in the panel


def _rows(stops, height):
    """A paint that depends only on the pixel row: stops are (row, colour), linear in between."""
    colours = []
    for y in range(height):
        for (y0, c0), (y1, c1) in zip(stops, stops[1:]):
            if y0 <= y <= y1:
                colours.append(mix(rgb(c0), rgb(c1), 0 if y1 == y0 else (y - y0) / (y1 - y0)))
                break
    return lambda x, y: colours[max(0, min(height - 1, int(y)))]


# ---------------------------------------------------------------- title strip and caption buttons

TITLE_ROWS = _rows([(0, "#4a4d53"), (1, "#33363b"), (16, "#1c1d20"), (17, "#0a0a0b")], 18)


def title_strip():
    """599 x 18: icon corner (x < 18) and product name in the fixed left 130 pixels; plain from there."""
    c = Canvas(599, 18, TITLE_ROWS)
    emblem(c, 9.0, 9.0, 7.0, detail=0)
    for shape in letters.text("KLEVOTRIM", 23, 5.5, 7.0, 1.35, gap=4.2):
        c.fill(shape, "#000000", opacity=0.45, feather=0)  # engraved shadow below the letters
    for shape in letters.text("KLEVOTRIM", 23, 4.5, 7.0, 1.35, gap=4.2):
        c.fill(shape, "#c9ced6")
    return c


# Zones of the 41-pixel caption strip: minimize x < 13, full screen 13 < x < 26, close x > 26.
_ZONES = {"min": (1.0, 12.5), "full": (13.5, 25.5), "close": (26.5, 40.0)}


def caption_strip(active=None, pressed=False):
    c = Canvas(41, 18, TITLE_ROWS)
    for zone, (x0, x1) in _ZONES.items():
        glyph_colour = "#aeb4bc"
        if zone == active:
            if zone == "close":
                back = "#8f2f28" if pressed else "#c8453b"
                glyph_colour = "#ffffff"
            else:
                back = ACCENT if pressed else "#41454c"
                glyph_colour = "#ffffff" if pressed else ACCENT_LIGHT
            c.fill(Rect(x0, 2.5, x1, 15.5, r=2.5), back)
            if not pressed:
                c.fill(Rect(x0 + 1, 3, x1 - 1, 4, r=0.5), "#ffffff", opacity=0.12)
        mid = (x0 + x1) / 2
        shift = 0.5 if pressed and zone == active else 0.0
        if zone == "min":
            glyph = Capsule((mid - 3.2, 11.5 + shift), (mid + 3.2, 11.5 + shift), 0.75)
        elif zone == "full":
            glyph = Outline(Rect(mid - 3.6, 5.4 + shift, mid + 3.6, 12.4 + shift, r=1.0), 1.4)
        else:
            glyph = Union(
                Capsule((mid - 3, 6 + shift), (mid + 3, 12 + shift), 0.75),
                Capsule((mid + 3, 6 + shift), (mid - 3, 12 + shift), 0.75),
            )
        c.fill(glyph, glyph_colour)
    return c


# ---------------------------------------------------------------- control panel and display

PANEL_ROWS = _rows([(0, "#3d4046"), (1, "#2b2d32"), (30, "#222428"), (57, "#16171a"), (58, "#0a0b0c")], 59)


def panel():
    """715 x 59: plain to the right of the buttons (its columns 450..459 are stretched), with the
    seek bar's groove framing the bar at left 83, top 42, height 10 right to the edge."""
    c = Canvas(715, 59, PANEL_ROWS)
    # Groove around the seek bar: shadow above and to the left, highlight below.
    c.hline(41, 82, 714, "#0b0c0e")
    c.vline(82, 41, 52, "#0b0c0e")
    c.hline(52, 82, 714, "#3a3d43")
    for y in range(42, 52):
        c.hline(y, 83, 714, "#101114")
    # A faint line between the buttons and the seek bar.
    c.hline(38, 6, 714, "#000000", opacity=0.25)
    c.hline(39, 6, 714, "#ffffff", opacity=0.04)
    return c


def display():
    """125 x 34: a dark inset well for the file name (y 2) and the time (y 20)."""
    c = Canvas(125, 34, PANEL_ROWS)
    c.fill(Rect(0, 0, 125, 34, r=3), "#3a3d43")
    c.fill(Rect(0, 0, 125, 33, r=3), "#060708")
    c.fill(Rect(1, 1, 124, 33, r=2.5), DISPLAY_BACK)
    c.hline(1, 3, 121, "#000000", opacity=0.35)
    for x in range(4, 121):
        fade = min(1.0, (x - 3) / 20, (121 - x) / 20)
        c.blend(x, 18, rgb(ACCENT), 0.28 * fade)
    return c


# ---------------------------------------------------------------- image buttons


def _glyph(name, dx=0.0, dy=0.0):
    """The button's symbol, centred on the 36 x 30 button."""

    def at(points):
        return [(x + dx, y + dy) for x, y in points]

    if name == "play":
        return Polygon(at([(14.2, 8.2), (14.2, 21.8), (25.0, 15.0)]), r=1.0)
    if name == "pause":
        return Union(Rect(12.5 + dx, 8 + dy, 16.5 + dx, 22 + dy, r=1), Rect(19.5 + dx, 8 + dy, 23.5 + dx, 22 + dy, r=1))
    if name == "stop":
        return Rect(12 + dx, 9 + dy, 24 + dx, 21 + dy, r=1.6)
    if name == "open":
        back = Polygon(at([(9.5, 8.5), (15, 8.5), (17, 10.5), (25.5, 10.5), (25.5, 13), (9.5, 13)]), r=0.8)
        front = Polygon(at([(11.8, 14.2), (28.2, 14.2), (25.4, 22), (8.6, 22)]), r=0.8)
        side = Polygon(at([(9.5, 12), (11, 12), (8.6, 20)]), r=0.8)
        # A thin gap between the back and the open flap keeps the two apart.
        return Union(Union(back, side) - Offset(front, 1.1), front)
    if name in ("start", "end"):
        if name == "start":
            bracket = Stroke(at([(14.5, 8), (11.2, 8), (11.2, 22), (14.5, 22)]), 1.2)
            arrow = Polygon(at([(17.5, 10.5), (17.5, 19.5), (25, 15)]), r=0.7)
        else:
            bracket = Stroke(at([(21.5, 8), (24.8, 8), (24.8, 22), (21.5, 22)]), 1.2)
            arrow = Polygon(at([(11, 10.5), (11, 19.5), (18.5, 15)]), r=0.7)
        return Union(bracket, arrow)
    if name == "save":
        # A diskette: notched corner, shutter window with its slot, and the label.
        body = Polygon(at([(10.5, 7.5), (22.6, 7.5), (25.5, 10.4), (25.5, 22.5), (10.5, 22.5)]), r=0.9)
        shutter = Rect(13.6 + dx, 9.2 + dy, 21.2 + dx, 13.0 + dy, r=0.5)
        slot = Rect(18.3 + dx, 9.9 + dy, 20.1 + dx, 12.3 + dy, r=0.3)
        label = Rect(13.0 + dx, 15.4 + dy, 23.0 + dx, 21.0 + dy, r=1.0)
        return Union(body - shutter - label, slot)
    raise ValueError(name)


_LOOKS = {
    # look: (border, top colour, bottom colour, glyph colour, outline colour, highlight opacity)
    "normal": ("#0c0d0f", "#3b3e44", "#26282c", GLYPH, None, 0.10),
    "hover": ("#0c0d0f", "#464a51", "#2d3035", ACCENT_LIGHT, (ACCENT_LIGHT, 0.35), 0.13),
    "down": ("#0c0d0f", "#18191c", "#27292d", ACCENT_LIGHT, (ACCENT, 0.45), 0.0),
    "disabled": ("#111214", "#25272a", "#202225", "#54575d", None, 0.04),
    "selected": ("#0c0d0f", "#1e3b56", "#132536", ACCENT_LIGHT, (ACCENT, 0.9), 0.08),
    "selectedhover": ("#0c0d0f", "#26496b", "#172f47", "#eafcff", (ACCENT_LIGHT, 0.8), 0.12),
}


def button(name, look):
    """One 36 x 30 look of an image button, drawn on the panel's own background."""
    if look == "mask":
        # White where the panel shows through (the rounded corners), black where the button is.
        c = Canvas(BUTTON_W, BUTTON_H, "#ffffff")
        body = Rect(0, 0, BUTTON_W, BUTTON_H, r=5.5)
        for y in range(BUTTON_H):
            for x in range(BUTTON_W):
                if body.sdf(x + 0.5, y + 0.5) < 0:
                    c.set_pixel(x, y, "#000000")
        return c
    border, top, bottom, glyph_colour, outline, highlight = _LOOKS[look]
    c = Canvas(BUTTON_W, BUTTON_H, lambda x, y: PANEL_ROWS(x, y + BUTTON_TOP))
    c.fill(Rect(0, 0, BUTTON_W, BUTTON_H, r=5.5), border)
    inner = Rect(1, 1, BUTTON_W - 1, BUTTON_H - 1, r=4.5)
    c.fill(inner, Linear((0, 1), (0, BUTTON_H - 1), [(0, top), (1, bottom)]))
    if highlight:
        c.fill(Rect(4, 1, BUTTON_W - 4, 2, r=0), "#ffffff", opacity=highlight)
    if look == "down":
        c.fill(Rect(2, 1, BUTTON_W - 2, 3, r=1), "#000000", opacity=0.35)
    if outline:
        c.fill(Outline(Rect(1.5, 1.5, BUTTON_W - 1.5, BUTTON_H - 1.5, r=4.0), 1.0), outline[0], opacity=outline[1])
    dy = 1.0 if look == "down" else 0.0
    if look not in ("disabled", "down"):
        c.fill(_glyph(name, 0, dy + 1), "#000000", opacity=0.45)
    c.fill(_glyph(name, 0, dy), glyph_colour)
    return c


# ---------------------------------------------------------------- emblem, logo, About, icon


def _scissors_part(length, upper, bold=False):
    """One half of a pair of scissors in its own frame: pivot at the origin, tips towards +x.

    The blade leaves the pivot on one side of the axis and the grip on the other, as in real
    scissors; `upper` tells which side the blade takes (y grows downwards)."""
    L = length
    s = 1.0 if upper else -1.0
    profile = [(-0.10, 0.05), (1.0, 0.0), (0.55, -0.105), (0.0, -0.12), (-0.12, -0.10)]
    thick = 1.45 if bold else 1.0
    blade = Polygon([(x * L, s * y * L * thick) for x, y in profile], r=0.012 * L)
    blade = Transformed(blade, angle=-14 * s)
    a = math.radians(180 - 26 * s)
    rx, ry = 0.74 * L * math.cos(a), 0.74 * L * math.sin(a)
    ring_r = 0.26 * L
    shank = Capsule((0, 0), (rx * 0.62, ry * 0.62), 0.075 * L * thick)
    return blade, Union(shank, Annulus(rx, ry, ring_r, ring_r * (0.45 if bold else 0.6)))


def emblem(c, cx, cy, radius, detail=2):
    """The Klevotrim badge: a blue ring around a dark disc, a film strip and a pair of scissors.

    `detail` 0 is for tiny sizes (no sprocket holes), 1 adds the holes, 2 adds shadows."""
    R = radius
    if detail >= 2:
        c.fill(Circle(cx, cy + R * 0.05, R * 1.0), "#000000", opacity=0.5, feather=R * 0.14)
    c.fill(Circle(cx, cy, R), Linear((cx, cy - R), (cx, cy + R), [(0, ACCENT_LIGHT), (1, ACCENT)]))
    inner = Circle(cx, cy, R * 0.86)
    c.fill(inner, Radial((cx, cy - R * 0.45), R * 1.4, [(0, "#3a3e45"), (1, "#121316")]))

    # Film strip across the disc, falling gently to the right.
    strip_angle = 16
    h = R * 0.25
    strip = Intersect(Transformed(Rect(-2 * R, -h, 2 * R, h), cx, cy + R * 0.06, angle=strip_angle), inner)
    c.fill(strip, "#08090a")
    if detail >= 1:
        step = R * 0.17
        k = -12
        while k <= 12:
            u = k * step
            for v in (-h * 0.72, h * 0.72):
                hole = Transformed(
                    Rect(u - step * 0.28, v - h * 0.13, u + step * 0.28, v + h * 0.13, r=R * 0.012),
                    cx, cy + R * 0.06, angle=strip_angle,
                )
                c.fill(Intersect(hole, inner), "#8d949c")
            k += 1
        frame_w = R * 0.36
        for k in range(-3, 4):
            u = k * (frame_w + R * 0.06)
            frame = Transformed(
                Rect(u - frame_w / 2, -h * 0.45, u + frame_w / 2, h * 0.45, r=R * 0.02),
                cx, cy + R * 0.06, angle=strip_angle,
            )
            c.fill(Intersect(frame, inner), Linear((cx, cy - h), (cx, cy + h), [(0, "#2a5c86"), (1, "#173650")]))

    # Scissors pointing to the upper right, across the strip.
    bold = detail == 0
    length = R * (0.78 if bold else 0.62)
    axis = -62
    px, py = cx - R * 0.02, cy + R * 0.02
    lower_blade, lower_grip = _scissors_part(length, upper=False, bold=bold)
    upper_blade, upper_grip = _scissors_part(length, upper=True, bold=bold)
    steel = Linear((cx - R * 0.3, cy - R * 0.6), (cx + R * 0.3, cy + R * 0.2), [(0, "#ffffff"), (1, "#a9b2bc")])
    # Tiny sizes draw the whole pair in steel: blue grips would melt into the blue ring.
    grip = Linear((cx, cy - R * 0.3), (cx, cy + R * 0.7), [(0, ACCENT_LIGHT), (1, ACCENT)]) if not bold else steel
    edge = max(0.6, R * 0.025)

    def place(shape):
        return Transformed(shape, px, py, angle=axis)

    for blade, handle in ((lower_blade, lower_grip), (upper_blade, upper_grip)):
        part = Union(place(blade), place(handle))
        if detail >= 1:
            c.fill(Offset(part, edge), "#050506")
        c.fill(place(handle), grip)
        c.fill(place(blade), steel)
    if detail >= 1:
        c.fill(Circle(px, py, R * 0.055), "#1a1c1f")
        c.fill(Circle(px, py, R * 0.025), "#c9d0d8")


def logo():
    """209 x 209 on the empty video area's grey: badge, product name and a short line under it."""
    c = Canvas(209, 209, VIDEO_BACK)
    emblem(c, 104.5, 82.0, 64.0, detail=2)
    cap, stroke = 19.0, 3.2
    width = letters.measure("KLEVOTRIM", cap, stroke)
    left = (209 - width) / 2
    for shape in letters.text("KLEVOTRIM", left, 163.5, cap, stroke):
        c.fill(shape, "#000000", opacity=0.35)
    for shape in letters.text("KLEVOTRIM", left, 162.0, cap, stroke):
        c.fill(shape, Linear((0, 162), (0, 181), [(0, "#ffffff"), (1, "#c4cad2")]))
    tag_cap, tag_stroke = 6.0, 1.3
    tag = "CLIP CUTTER"
    tag_width = letters.measure(tag, tag_cap, tag_stroke, gap=5.0)
    for shape in letters.text(tag, (209 - tag_width) / 2, 191.0, tag_cap, tag_stroke, gap=5.0):
        c.fill(shape, ACCENT_LIGHT)
    return c


def about():
    """364 x 172: the About window's picture with the product name and version."""
    c = Canvas(364, 172, Linear((0, 0), (0, 172), [(0, "#272a2f"), (1, "#131417")]))
    for x in range(364):
        c.blend(x, 0, mix(rgb(ACCENT_LIGHT), rgb(ACCENT), x / 363), 1.0)
        c.blend(x, 1, mix(rgb(ACCENT_LIGHT), rgb(ACCENT), x / 363), 1.0)
        c.blend(x, 2, rgb("#000000"), 0.4)
    emblem(c, 82.0, 88.0, 56.0, detail=2)
    cap, stroke = 19.0, 3.2
    for shape in letters.text("KLEVOTRIM", 160, 53.5, cap, stroke):
        c.fill(shape, "#000000", opacity=0.4)
    for shape in letters.text("KLEVOTRIM", 160, 52, cap, stroke):
        c.fill(shape, Linear((0, 52), (0, 71), [(0, "#ffffff"), (1, "#c4cad2")]))
    for shape in letters.text("VERSION 1.0", 161, 86, 8.0, 1.5, gap=4.5):
        c.fill(shape, ACCENT_LIGHT)
    for shape in letters.text("CLIPS CUT FROM AUDIO AND VIDEO", 161, 108, 5.5, 1.1, gap=4.6):
        c.fill(shape, TEXT_GREY)
    for x in range(161, 340):
        fade = min(1.0, (340 - x) / 60)
        c.blend(x, 99, rgb("#ffffff"), 0.10 * fade)
    return c


ICON_SIZES = [16, 24, 32, 48, 256]


def icon_image(size):
    c = Canvas(size, size)
    detail = 0 if size < 48 else (1 if size < 128 else 2)
    radius = size / 2 - (0.5 if size < 48 else size * 0.04)
    emblem(c, size / 2, size / 2, radius, detail=detail)
    return c
