#!/usr/bin/env python3
"""Writes Klevotrim's bitmaps and icon, or checks files written earlier.

    generate.py --out DIR        write every image into DIR
    generate.py --list           print the file names, one a line (for the build)
    generate.py --check DIR [--rc Artwork.rc]
                                 verify sizes, formats and the plain stretched slices, and
                                 that the resource script names every file
    generate.py --preview DIR    write PNG copies of every image (for looking at them)
"""

import argparse
import os
import sys

sys.dont_write_bytecode = True  # keep the source tree clean when the build runs us
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import artwork  # noqa: E402
import formats  # noqa: E402

CAPTION_STATES = [
    ("caption-close-down.bmp", "close", True),  # 101
    ("caption-close-hover.bmp", "close", False),  # 102
    ("caption-full-down.bmp", "full", True),  # 103
    ("caption-full-hover.bmp", "full", False),  # 104
    ("caption-min-down.bmp", "min", True),  # 105
    ("caption-min-hover.bmp", "min", False),  # 106
    ("caption-normal.bmp", None, False),  # 107
]


def catalogue():
    """[(file name, (width, height), builder)] of every bitmap."""
    items = [(name, (41, 18), (lambda z=zone, p=pressed: artwork.caption_strip(z, p))) for name, zone, pressed in CAPTION_STATES]
    items += [
        ("title.bmp", (599, 18), artwork.title_strip),
        ("panel.bmp", (715, 59), artwork.panel),
        ("display.bmp", (125, 34), artwork.display),
        ("logo.bmp", (209, 209), artwork.logo),
        ("about.bmp", (364, 172), artwork.about),
    ]
    for b in artwork.BUTTON_NAMES:
        for look in artwork.LOOK_NAMES:
            items.append(
                (f"button-{b}-{look}.bmp", (artwork.BUTTON_W, artwork.BUTTON_H), (lambda b=b, look=look: artwork.button(b, look)))
            )
    return items


ICON_FILE = "klevotrim.ico"


def file_names():
    return [name for name, _, _ in catalogue()] + [ICON_FILE]


def write_all(out):
    os.makedirs(out, exist_ok=True)
    for name, size, build in catalogue():
        canvas = build()
        assert (canvas.width, canvas.height) == size, name
        _write(os.path.join(out, name), formats.bmp_bytes(canvas))
    icons = [artwork.icon_image(s) for s in artwork.ICON_SIZES]
    _write(os.path.join(out, ICON_FILE), formats.ico_bytes(icons))


def _write(path, data):
    # Always rewritten (through a temporary file, so a stopped build leaves no half image):
    # the build compares the files' times with the generator's.
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def _columns_plain(rows, x0, x1):
    """True when every row has one colour from column x0 to x1 inclusive."""
    return all(len(set(row[x0 : x1 + 1])) == 1 for row in rows)


def check(folder):
    """Returns a list of problems (empty when all is well)."""
    problems = []
    decoded = {}
    for name, size, _ in catalogue():
        path = os.path.join(folder, name)
        try:
            with open(path, "rb") as f:
                w, h, bpp, rows = formats.read_bmp(f.read())
        except (OSError, ValueError) as e:
            problems.append(f"{name}: {e}")
            continue
        if (w, h) != size:
            problems.append(f"{name}: {w} x {h}, expected {size[0]} x {size[1]}")
        decoded[name] = rows

    # Slices the window stretches must be plain along the stretch, or the skin smears.
    if "title.bmp" in decoded and not _columns_plain(decoded["title.bmp"], 130, 149):
        problems.append("title.bmp: columns 130..149 (the stretched slice) are not plain")
    if "panel.bmp" in decoded and not _columns_plain(decoded["panel.bmp"], 450, 459):
        problems.append("panel.bmp: columns 450..459 (the stretched strip) are not plain")
    # The caption strip sits on the stretched title: its edges must match the title's rows.
    if "title.bmp" in decoded:
        title_column = [row[140] for row in decoded["title.bmp"]]
        for name, _, _ in CAPTION_STATES:
            rows = decoded.get(name)
            if rows and [row[0] for row in rows] != title_column:
                problems.append(f"{name}: left edge does not match the title strip")
    # The logo is shown on the empty video area, RGB(63, 63, 63): its border must be that grey.
    if "logo.bmp" in decoded:
        rows = decoded["logo.bmp"]
        edge = set(rows[0]) | set(rows[-1]) | {row[0] for row in rows} | {row[-1] for row in rows}
        if edge != {(63, 63, 63)}:
            problems.append("logo.bmp: border is not the video area's RGB(63, 63, 63)")
    # Masks are strictly black (button) and white (transparent), with transparent corners.
    for b in artwork.BUTTON_NAMES:
        name = f"button-{b}-mask.bmp"
        rows = decoded.get(name)
        if rows:
            colours = {p for row in rows for p in row}
            if not colours <= {(0, 0, 0), (255, 255, 255)}:
                problems.append(f"{name}: not two-coloured")
            if rows[0][0] != (255, 255, 255) or rows[15][18] != (0, 0, 0):
                problems.append(f"{name}: corners must be white and the middle black")
    # Every look of a button differs from every other look.
    for b in artwork.BUTTON_NAMES:
        looks = [decoded.get(f"button-{b}-{look}.bmp") for look in artwork.LOOK_NAMES]
        if all(looks):
            for i in range(len(looks)):
                for j in range(i + 1, len(looks)):
                    if looks[i] == looks[j]:
                        problems.append(f"button-{b}: looks {artwork.LOOK_NAMES[i]} and {artwork.LOOK_NAMES[j]} are equal")

    try:
        with open(os.path.join(folder, ICON_FILE), "rb") as f:
            sizes = formats.read_ico_sizes(f.read())
        got = sorted((w, h, bits) for w, h, bits, _ in sizes)
        want = sorted((s, s, 32) for s in artwork.ICON_SIZES)
        if got != want:
            problems.append(f"{ICON_FILE}: images {got}, expected {want}")
    except (OSError, ValueError) as e:
        problems.append(f"{ICON_FILE}: {e}")
    return problems


def check_rc(path):
    """The resource script must name every generated file, and nothing else in quotes."""
    import re

    with open(path, encoding="utf-8") as f:
        named = re.findall(r'^\s*\w+\s+(?:BITMAP|ICON)\s+"([^"]+)"', f.read(), re.MULTILINE)
    problems = [f"{path}: names {n} twice" for n in sorted({n for n in named if named.count(n) > 1})]
    problems += [f"{path}: does not name {n}" for n in file_names() if n not in named]
    problems += [f"{path}: names {n}, which is not generated" for n in named if n not in file_names()]
    return problems


def mock_window(width=591, height=471, looks=None):
    """The main window as its layout pass paints it, to judge the pictures together."""
    from raster import Canvas, Linear, Rect
    import letters

    w, h = width, height
    c = Canvas(w, h, "#000000")
    title = artwork.title_strip()
    slice_ = title.crop(130, 0, 1, 18)
    for x in range(125, w):
        c.draw(slice_, x, 0)
    c.draw(title.crop(0, 0, 130, 18), 0, 0)
    c.draw(artwork.caption_strip(), w - 42, 0)
    video = Canvas(w, h - 85, artwork.VIDEO_BACK)
    video.draw(artwork.logo(), (w - 209) // 2, (h - 85 - 209) // 2)
    c.draw(video, 0, 18)
    top = h - 59 - 4
    skin = artwork.panel()
    strip = skin.crop(450, 0, 1, 59)
    for x in range(w):
        c.draw(strip, x, top)
    c.draw(skin.crop(0, 0, min(715, w), 59), 0, top)
    looks = looks or ["normal", "hover", "down", "disabled", "selected", "selectedhover", "disabled"]
    for i, name in enumerate(artwork.BUTTON_NAMES):
        c.draw(artwork.button(name, looks[i]), 9 + i * 42, top + 6)
    disp = artwork.display()
    for shape in letters.text("TONE-10S.MP3", 4, 5, 7, 1.2):
        disp.fill(shape, "#e9edf2")
    for shape in letters.text("TIME:00:00:04/00:00:10", 4, 23, 6, 1.1, gap=3.0):
        disp.fill(shape, artwork.ACCENT_LIGHT)
    c.draw(disp, w - 128, top)
    bar_w = w - 85
    filled = int(bar_w * 0.4)
    c.fill(Rect(83, top + 42, 83 + bar_w, top + 52), Linear((0, top + 42), (0, top + 52), [(0, "#515151"), (0.5, "#000000"), (1, "#515151")]))
    c.fill(Rect(83, top + 42, 83 + filled, top + 52), Linear((0, top + 42), (0, top + 52), [(0, artwork.ACCENT_LIGHT), (0.5, artwork.ACCENT), (1, artwork.ACCENT_LIGHT)]))
    return c


def preview(folder):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "window.png"), "wb") as f:
        f.write(formats.png_bytes(mock_window()))
    with open(os.path.join(folder, "window-wide.png"), "wb") as f:
        f.write(formats.png_bytes(mock_window(900, 420)))
    for name, _, build in catalogue():
        with open(os.path.join(folder, name.replace(".bmp", ".png")), "wb") as f:
            f.write(formats.png_bytes(build()))
    for s in artwork.ICON_SIZES:
        with open(os.path.join(folder, f"icon-{s}.png"), "wb") as f:
            f.write(formats.png_bytes(artwork.icon_image(s)))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    group = parser.add_mutually_exclusive_group(required=True)
    group.add_argument("--out")
    group.add_argument("--list", action="store_true")
    group.add_argument("--check")
    group.add_argument("--preview")
    parser.add_argument("--rc", help="resource script whose file names --check compares")
    args = parser.parse_args()
    if args.list:
        print("\n".join(file_names()))
    elif args.out:
        write_all(args.out)
    elif args.preview:
        preview(args.preview)
    else:
        problems = check(args.check)
        if args.rc:
            problems += check_rc(args.rc)
        for p in problems:
            print(p, file=sys.stderr)
        if problems:
            return 1
        print(f"{len(file_names())} images checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
