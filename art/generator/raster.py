"""A small anti-aliased vector rasteriser (standard library only).

Shapes are signed distance functions: negative inside, positive outside, and never larger in
magnitude than the true distance to the outline. A pixel whose centre is clearly inside or
outside is filled or skipped at once; a pixel on an outline is supersampled on a 4 x 4 grid
and covered by the share of samples inside. The canvas keeps premultiplied RGBA floats.
"""

import math

SUPERSAMPLE = 4
_OFFSETS = [(i + 0.5) / SUPERSAMPLE - 0.5 for i in range(SUPERSAMPLE)]
_SAMPLES = [(dx, dy) for dy in _OFFSETS for dx in _OFFSETS]


def rgb(value):
    """'#rrggbb' or (r, g, b[, a]) with 0..255 channels -> (r, g, b, a) floats in 0..1."""
    if isinstance(value, str):
        value = value.lstrip("#")
        return (int(value[0:2], 16) / 255, int(value[2:4], 16) / 255, int(value[4:6], 16) / 255, 1.0)
    if len(value) == 3:
        return (value[0] / 255, value[1] / 255, value[2] / 255, 1.0)
    return (value[0] / 255, value[1] / 255, value[2] / 255, value[3] / 255)


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(4))


def with_alpha(color, alpha):
    c = rgb(color)
    return (c[0], c[1], c[2], c[3] * alpha)


# ---------------------------------------------------------------- paints


class Linear:
    """Linear gradient from p0 to p1 through (offset, colour) stops."""

    def __init__(self, p0, p1, stops):
        self.x0, self.y0 = p0
        dx, dy = p1[0] - p0[0], p1[1] - p0[1]
        length2 = dx * dx + dy * dy or 1.0
        self.ux, self.uy = dx / length2, dy / length2
        self.stops = [(t, rgb(c)) for t, c in stops]

    def __call__(self, x, y):
        t = (x - self.x0) * self.ux + (y - self.y0) * self.uy
        return _along(self.stops, t)


class Radial:
    def __init__(self, centre, radius, stops):
        self.cx, self.cy = centre
        self.radius = radius
        self.stops = [(t, rgb(c)) for t, c in stops]

    def __call__(self, x, y):
        return _along(self.stops, math.hypot(x - self.cx, y - self.cy) / self.radius)


def _along(stops, t):
    if t <= stops[0][0]:
        return stops[0][1]
    for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
        if t <= t1:
            return mix(c0, c1, (t - t0) / (t1 - t0) if t1 > t0 else 1.0)
    return stops[-1][1]


# ---------------------------------------------------------------- shapes


class Shape:
    bbox = (0.0, 0.0, 0.0, 0.0)

    def sdf(self, x, y):
        raise NotImplementedError

    def __or__(self, other):
        return Union(self, other)

    def __and__(self, other):
        return Intersect(self, other)

    def __sub__(self, other):
        return Subtract(self, other)


class Circle(Shape):
    def __init__(self, cx, cy, r):
        self.cx, self.cy, self.r = cx, cy, r
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def sdf(self, x, y):
        return math.hypot(x - self.cx, y - self.cy) - self.r


class Ellipse(Shape):
    def __init__(self, cx, cy, rx, ry):
        self.cx, self.cy, self.rx, self.ry = cx, cy, rx, ry
        self.k = min(rx, ry)
        self.bbox = (cx - rx, cy - ry, cx + rx, cy + ry)

    def sdf(self, x, y):
        # 1-Lipschitz, so it never overstates the distance.
        return (math.hypot((x - self.cx) / self.rx, (y - self.cy) / self.ry) - 1.0) * self.k


class Annulus(Shape):
    def __init__(self, cx, cy, r_outer, r_inner):
        self.cx, self.cy = cx, cy
        self.mid = (r_outer + r_inner) / 2
        self.half = (r_outer - r_inner) / 2
        self.bbox = (cx - r_outer, cy - r_outer, cx + r_outer, cy + r_outer)

    def sdf(self, x, y):
        return abs(math.hypot(x - self.cx, y - self.cy) - self.mid) - self.half


class Rect(Shape):
    """Axis-aligned rectangle from (x0, y0) to (x1, y1), corners rounded by r."""

    def __init__(self, x0, y0, x1, y1, r=0.0):
        self.cx, self.cy = (x0 + x1) / 2, (y0 + y1) / 2
        self.hx, self.hy = (x1 - x0) / 2, (y1 - y0) / 2
        self.r = min(r, self.hx, self.hy)
        self.bbox = (x0, y0, x1, y1)

    def sdf(self, x, y):
        qx = abs(x - self.cx) - self.hx + self.r
        qy = abs(y - self.cy) - self.hy + self.r
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - self.r


class Capsule(Shape):
    """A segment from a to b drawn with radius r (round caps)."""

    def __init__(self, a, b, r):
        self.ax, self.ay = a
        self.bx, self.by = b
        self.r = r
        self.dx, self.dy = b[0] - a[0], b[1] - a[1]
        self.len2 = self.dx * self.dx + self.dy * self.dy
        self.bbox = (min(a[0], b[0]) - r, min(a[1], b[1]) - r, max(a[0], b[0]) + r, max(a[1], b[1]) + r)

    def sdf(self, x, y):
        px, py = x - self.ax, y - self.ay
        t = 0.0 if self.len2 == 0 else max(0.0, min(1.0, (px * self.dx + py * self.dy) / self.len2))
        return math.hypot(px - self.dx * t, py - self.dy * t) - self.r


class Polygon(Shape):
    """A simple polygon (even-odd rule), optionally grown by r for rounded corners."""

    def __init__(self, points, r=0.0):
        self.points = [tuple(p) for p in points]
        self.r = r
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        self.bbox = (min(xs) - r, min(ys) - r, max(xs) + r, max(ys) + r)
        self.edges = list(zip(self.points, self.points[1:] + self.points[:1]))

    def sdf(self, x, y):
        best = float("inf")
        inside = False
        for (ax, ay), (bx, by) in self.edges:
            ex, ey = bx - ax, by - ay
            px, py = x - ax, y - ay
            len2 = ex * ex + ey * ey
            t = 0.0 if len2 == 0 else max(0.0, min(1.0, (px * ex + py * ey) / len2))
            d = (px - ex * t) ** 2 + (py - ey * t) ** 2
            if d < best:
                best = d
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        d = math.sqrt(best)
        return (-d if inside else d) - self.r


class Stroke(Shape):
    """A polyline of width 2 r with round joins and caps."""

    def __init__(self, points, r, closed=False):
        pts = list(points)
        if closed:
            pts = pts + pts[:1]
        self.parts = [Capsule(a, b, r) for a, b in zip(pts, pts[1:])] or [Capsule(pts[0], pts[0], r)]
        self.bbox = _union_bbox(self.parts)

    def sdf(self, x, y):
        return min(p.sdf(x, y) for p in self.parts)


class HalfPlane(Shape):
    """Everything on the left of the directed line a -> b (y grows downwards: 'left' as seen on screen)."""

    def __init__(self, a, b):
        self.ax, self.ay = a
        dx, dy = b[0] - a[0], b[1] - a[1]
        length = math.hypot(dx, dy)
        self.nx, self.ny = dy / length, -dx / length
        self.bbox = (-1e6, -1e6, 1e6, 1e6)

    def sdf(self, x, y):
        return (x - self.ax) * self.nx + (y - self.ay) * self.ny


class Union(Shape):
    def __init__(self, *shapes):
        self.shapes = shapes
        self.bbox = _union_bbox(shapes)

    def sdf(self, x, y):
        return min(s.sdf(x, y) for s in self.shapes)


class Intersect(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = (
            max(a.bbox[0], b.bbox[0]),
            max(a.bbox[1], b.bbox[1]),
            min(a.bbox[2], b.bbox[2]),
            min(a.bbox[3], b.bbox[3]),
        )

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), self.b.sdf(x, y))


class Subtract(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = a.bbox

    def sdf(self, x, y):
        return max(self.a.sdf(x, y), -self.b.sdf(x, y))


class Transformed(Shape):
    """A shape turned by `angle` degrees about the origin, scaled by `scale`, then moved to (tx, ty)."""

    def __init__(self, shape, tx=0.0, ty=0.0, angle=0.0, scale=1.0):
        self.shape = shape
        self.tx, self.ty, self.scale = tx, ty, scale
        a = math.radians(angle)
        self.c, self.s = math.cos(a), math.sin(a)
        x0, y0, x1, y1 = shape.bbox
        corners = [self.apply(px, py) for px, py in ((x0, y0), (x1, y0), (x0, y1), (x1, y1))]
        self.bbox = (
            min(p[0] for p in corners),
            min(p[1] for p in corners),
            max(p[0] for p in corners),
            max(p[1] for p in corners),
        )

    def apply(self, x, y):
        return (
            self.tx + self.scale * (x * self.c - y * self.s),
            self.ty + self.scale * (x * self.s + y * self.c),
        )

    def sdf(self, x, y):
        px, py = (x - self.tx) / self.scale, (y - self.ty) / self.scale
        return self.shape.sdf(px * self.c + py * self.s, -px * self.s + py * self.c) * self.scale


class Offset(Shape):
    """The shape grown (positive) or shrunk (negative) by `amount` pixels."""

    def __init__(self, shape, amount):
        self.shape, self.amount = shape, amount
        b = shape.bbox
        grow = max(amount, 0.0)
        self.bbox = (b[0] - grow, b[1] - grow, b[2] + grow, b[3] + grow)

    def sdf(self, x, y):
        return self.shape.sdf(x, y) - self.amount


class Outline(Shape):
    """A band of width `width` centred on the shape's outline."""

    def __init__(self, shape, width):
        self.shape, self.half = shape, width / 2
        b = shape.bbox
        self.bbox = (b[0] - self.half, b[1] - self.half, b[2] + self.half, b[3] + self.half)

    def sdf(self, x, y):
        return abs(self.shape.sdf(x, y)) - self.half


def _union_bbox(shapes):
    return (
        min(s.bbox[0] for s in shapes),
        min(s.bbox[1] for s in shapes),
        max(s.bbox[2] for s in shapes),
        max(s.bbox[3] for s in shapes),
    )


# ---------------------------------------------------------------- canvas


class Canvas:
    def __init__(self, width, height, background=None):
        self.width, self.height = width, height
        size = width * height
        self.r = [0.0] * size
        self.g = [0.0] * size
        self.b = [0.0] * size
        self.a = [0.0] * size
        if background is not None:
            self.paint_all(background)

    def paint_all(self, paint):
        """Covers the whole canvas with a colour or a paint, ignoring what was there."""
        fn = _as_paint(paint)
        for y in range(self.height):
            for x in range(self.width):
                c = fn(x + 0.5, y + 0.5)
                i = y * self.width + x
                self.r[i], self.g[i], self.b[i], self.a[i] = c[0] * c[3], c[1] * c[3], c[2] * c[3], c[3]

    def blend(self, x, y, color, coverage):
        if not (0 <= x < self.width and 0 <= y < self.height):
            return
        alpha = color[3] * coverage
        if alpha <= 0:
            return
        i = y * self.width + x
        keep = 1.0 - alpha
        self.r[i] = color[0] * alpha + self.r[i] * keep
        self.g[i] = color[1] * alpha + self.g[i] * keep
        self.b[i] = color[2] * alpha + self.b[i] * keep
        self.a[i] = alpha + self.a[i] * keep

    def fill(self, shape, paint, opacity=1.0, feather=0.0):
        """Paints the shape; `feather` > 0 softens the edge over that many pixels (shadows, glows)."""
        fn = _as_paint(paint)
        x0, y0, x1, y1 = shape.bbox
        pad = 1.0 + feather
        xa, xb = max(0, int(math.floor(x0 - pad))), min(self.width, int(math.ceil(x1 + pad)))
        ya, yb = max(0, int(math.floor(y0 - pad))), min(self.height, int(math.ceil(y1 + pad)))
        sdf = shape.sdf
        for py in range(ya, yb):
            cy = py + 0.5
            for px in range(xa, xb):
                cx = px + 0.5
                d = sdf(cx, cy)
                if feather > 0:
                    coverage = min(1.0, max(0.0, 0.5 - d / feather))
                elif d >= 0.75:
                    continue
                elif d <= -0.75:
                    coverage = 1.0
                else:
                    hits = 0
                    for dx, dy in _SAMPLES:
                        if sdf(cx + dx, cy + dy) < 0:
                            hits += 1
                    coverage = hits / len(_SAMPLES)
                if coverage > 0:
                    self.blend(px, py, fn(cx, cy), coverage * opacity)

    def set_pixel(self, x, y, color):
        c = rgb(color)
        i = y * self.width + x
        self.r[i], self.g[i], self.b[i], self.a[i] = c[0] * c[3], c[1] * c[3], c[2] * c[3], c[3]

    def hline(self, y, x0, x1, color, opacity=1.0):
        """A crisp one-pixel row from x0 to x1 inclusive."""
        c = rgb(color) if not callable(color) else None
        for x in range(max(0, x0), min(self.width, x1 + 1)):
            self.blend(x, y, c if c else color(x + 0.5, y + 0.5), opacity)

    def vline(self, x, y0, y1, color, opacity=1.0):
        c = rgb(color)
        for y in range(max(0, y0), min(self.height, y1 + 1)):
            self.blend(x, y, c, opacity)

    def draw(self, other, left, top):
        """Composites another canvas at (left, top)."""
        for y in range(other.height):
            for x in range(other.width):
                j = y * other.width + x
                alpha = other.a[j]
                if alpha <= 0:
                    continue
                tx, ty = left + x, top + y
                if not (0 <= tx < self.width and 0 <= ty < self.height):
                    continue
                i = ty * self.width + tx
                keep = 1.0 - alpha
                self.r[i] = other.r[j] + self.r[i] * keep
                self.g[i] = other.g[j] + self.g[i] * keep
                self.b[i] = other.b[j] + self.b[i] * keep
                self.a[i] = alpha + self.a[i] * keep

    def crop(self, left, top, width, height):
        out = Canvas(width, height)
        for y in range(height):
            for x in range(width):
                i = (top + y) * self.width + left + x
                j = y * width + x
                out.r[j], out.g[j], out.b[j], out.a[j] = self.r[i], self.g[i], self.b[i], self.a[i]
        return out

    def pixel(self, x, y):
        """(r, g, b, a) as 0..255 integers, not premultiplied."""
        i = y * self.width + x
        a = self.a[i]
        if a <= 0:
            return (0, 0, 0, 0)
        return (_byte(self.r[i] / a), _byte(self.g[i] / a), _byte(self.b[i] / a), _byte(a))


def _byte(v):
    return max(0, min(255, int(round(v * 255))))


def _as_paint(paint):
    if callable(paint):
        return lambda x, y: rgb_tuple(paint(x, y))
    c = rgb(paint)
    return lambda x, y: c


def rgb_tuple(value):
    return value if isinstance(value, tuple) and len(value) == 4 and all(isinstance(v, float) for v in value) else rgb(value)
