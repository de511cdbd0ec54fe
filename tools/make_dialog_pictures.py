#!/usr/bin/env python3
"""Writes the exception dialog's pictures into res/: the big icon jei-big.ico (32 x 32) and one glyph per
button, jei-<name>.bmp (16 x 16, 32 bits with straight alpha, bottom-up, so that the bitmap resource is
exactly 1064 bytes), and the glyph tests' pictures into tests/crashreport/glyphs/. Committed; run again
only to change them.

Every shape is sampled 4 x 4 times per pixel for smooth edges. Usage: make_dialog_pictures.py [root]"""
import math
import os
import struct
import sys

SAMPLES = 4


class Canvas:
    def __init__(self, size):
        self.size = size
        self.pixels = [(0, 0, 0, 0)] * (size * size)  # straight RGBA, top row first

    def paint(self, inside, colour):
        """Lays `colour` (RGB or RGBA, or a function of x, y giving one) over the pixels inside."""
        step = 1.0 / SAMPLES
        for y in range(self.size):
            for x in range(self.size):
                hits = sum(inside(x + (i + 0.5) * step, y + (j + 0.5) * step)
                           for i in range(SAMPLES) for j in range(SAMPLES))
                if hits:
                    c = colour(x + 0.5, y + 0.5) if callable(colour) else colour
                    alpha = (c[3] if len(c) > 3 else 255) * hits / SAMPLES ** 2
                    self.pixels[y * self.size + x] = over(c[:3], alpha, self.pixels[y * self.size + x])


def over(rgb, alpha, below):
    a = alpha / 255
    b = below[3] / 255
    out = a + b * (1 - a)
    if out == 0:
        return (0, 0, 0, 0)
    mix = [(rgb[k] * a + below[k] * b * (1 - a)) / out for k in range(3)]
    return tuple(round(v) for v in mix) + (round(out * 255),)


# Shapes: functions of a point that say whether it lies inside.
def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rounded(x0, y0, x1, y1, r):
    def inside(x, y):
        cx, cy = min(max(x, x0 + r), x1 - r), min(max(y, y0 + r), y1 - r)
        return x0 <= x <= x1 and y0 <= y <= y1 and (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        result = False
        for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                result = not result
        return result
    return inside


def line(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        return (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= width * width / 4
    return inside


def arc(cx, cy, inner, outer, start, end):
    """A ring between the radii, from angle `start` to `end` in degrees, clockwise on the screen."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        angle = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return inner <= d <= outer and (angle - start) % 360 <= (end - start) % 360
    return inside


def outlined(canvas, shape, bigger, fill, edge):
    canvas.paint(bigger, edge)
    canvas.paint(shape, fill)


INK = (29, 53, 87)


def mail(c):
    outlined(c, rect(2, 4, 14, 12), rect(1, 3, 15, 13), (253, 246, 227), INK)
    c.paint(line(2, 4.3, 8, 8.8, 1.2), INK)
    c.paint(line(8, 8.8, 14, 4.3, 1.2), INK)


def save(c):
    outlined(c, rounded(2, 2, 14, 14, 1.2), rounded(1, 1, 15, 15, 1.8), (52, 109, 181), INK)
    c.paint(rect(4.5, 1.5, 11.5, 6), (226, 230, 236))
    c.paint(rect(9, 2.5, 10.5, 5), INK)
    c.paint(rect(3.5, 9, 12.5, 15), (250, 250, 250))
    c.paint(rect(5, 11, 11, 11.8), (150, 160, 175))
    c.paint(rect(5, 13, 11, 13.8), (150, 160, 175))


def print_(c):
    outlined(c, rect(4.5, 1.5, 11.5, 7), rect(3.5, 0.5, 12.5, 7), (255, 255, 255), INK)
    outlined(c, rounded(1.5, 6.5, 14.5, 11.5, 1), rounded(0.5, 5.5, 15.5, 12.5, 1.5), (122, 133, 148), INK)
    c.paint(circle(12.5, 8, 0.9), (80, 220, 90))
    outlined(c, rect(4.5, 10, 11.5, 14.5), rect(3.5, 9, 12.5, 15.5), (255, 255, 255), INK)
    c.paint(rect(5.5, 11.5, 10.5, 12.2), (120, 130, 150))
    c.paint(rect(5.5, 13.2, 9, 13.9), (120, 130, 150))


def show(c):
    page = [(3, 1), (10, 1), (13, 4), (13, 15), (3, 15)]
    outer = [(2, 0), (10.4, 0), (14, 3.6), (14, 16), (2, 16)]
    outlined(c, polygon(page), polygon(outer), (255, 255, 255), INK)
    c.paint(polygon([(10, 1), (10, 4), (13, 4)]), (200, 210, 225))
    for top in (5.5, 8, 10.5, 13):
        c.paint(rect(4.8, top, 11.2 if top > 5.5 else 8.5, top + 1), (52, 109, 181))


def stroke(points, width):
    """The closed outline through the points."""
    edges = [line(ax, ay, bx, by, width) for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1])]
    return lambda x, y: any(edge(x, y) for edge in edges)


ARROW = [(1.5, 5.5), (7.5, 5.5), (7.5, 2), (14, 8), (7.5, 14), (7.5, 10.5), (1.5, 10.5)]


def continue_(c):
    c.paint(polygon(ARROW), (56, 170, 74))
    c.paint(stroke(ARROW, 1), (22, 92, 38))


def cant_continue(c):
    c.paint(polygon(ARROW), (178, 178, 178))
    c.paint(stroke(ARROW, 1), (96, 96, 96))


def restart(c):
    c.paint(arc(8, 8.7, 3.1, 7.1, 330, 262), INK)
    c.paint(polygon([(7, 0.2), (12.7, 3.6), (7, 7)]), INK)
    c.paint(arc(8, 8.7, 4.1, 6.1, 331, 264), (54, 124, 222))
    c.paint(polygon([(7.7, 1.3), (11.3, 3.6), (7.7, 5.9)]), (54, 124, 222))


def close(c):
    outlined(c, circle(8, 8, 6.6), circle(8, 8, 7.6), (214, 58, 58), (120, 24, 24))
    c.paint(line(5.3, 5.3, 10.7, 10.7, 2), (255, 255, 255))
    c.paint(line(10.7, 5.3, 5.3, 10.7, 2), (255, 255, 255))


def big_icon(c):
    def shade(x, y):  # lighter towards the upper left
        t = min(max((x + y) / 64, 0), 1)
        return (round(236 - 60 * t), round(92 - 50 * t), round(60 - 30 * t))
    outlined(c, circle(16, 16, 13.8), circle(16, 16, 15.2), shade, (110, 24, 20))
    c.paint(rounded(13.6, 6, 18.4, 20, 2.2), (255, 255, 255))
    c.paint(circle(16, 24.6, 2.5), (255, 255, 255))


def bmp(canvas, bits=32):
    """A BMP file, rows bottom-up; 32 bits keep the alpha, 24 bits drop it."""
    n = canvas.size
    stride = (n * bits // 8 + 3) // 4 * 4
    rows = b""
    for y in reversed(range(n)):
        row = b"".join(bytes((b, g, r, a)[: bits // 8]) for r, g, b, a in canvas.pixels[y * n:(y + 1) * n])
        rows += row + b"\0" * (stride - len(row))
    header = struct.pack("<IiiHHIIiiII", 40, n, n, 1, bits, 0, len(rows), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(rows), 0, 0, 54) + header + rows


def ico(canvas):
    """An icon file with one 32-bit image; the mask marks the fully transparent pixels."""
    n = canvas.size
    image = bmp(canvas)[54:]
    mask_stride = (n + 31) // 32 * 4
    mask = b""
    for y in reversed(range(n)):
        row = bytearray(mask_stride)
        for x in range(n):
            if canvas.pixels[y * n + x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(image) + len(mask), 0, 0, 0, 0)
    data = header + image + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), 22) + data


def draw(size, painter):
    canvas = Canvas(size)
    painter(canvas)
    return canvas


def solid(size, colour):
    return draw(size, lambda c: c.paint(rect(0, 0, size, size), colour))


def write(path, data):
    with open(path, "wb") as out:
        out.write(data)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    res = os.path.join(root, "res")
    write(os.path.join(res, "jei-big.ico"), ico(draw(32, big_icon)))
    glyphs = {"mail": mail, "save": save, "print": print_, "show": show, "continue": continue_,
              "restart": restart, "close": close, "cantContinue": cant_continue}
    for name, painter in glyphs.items():
        write(os.path.join(res, "jei-%s.bmp" % name), bmp(draw(16, painter)))

    # The tests' pictures: an icon and a bitmap under one name (the icon must win), a bitmap whose upper
    # half is opaque red and whose lower half is orange at half alpha, and two of the wrong size.
    tests = os.path.join(root, "tests", "crashreport", "glyphs")
    os.makedirs(tests, exist_ok=True)
    write(os.path.join(tests, "both.ico"), ico(solid(16, (255, 0, 0))))
    write(os.path.join(tests, "both.bmp"), bmp(solid(16, (0, 0, 255))))
    halves = draw(16, lambda c: (c.paint(rect(0, 0, 16, 8), (255, 0, 0)),
                                 c.paint(rect(0, 8, 16, 16), (200, 100, 0, 127))))
    write(os.path.join(tests, "halves.bmp"), bmp(halves))
    write(os.path.join(tests, "no-alpha.bmp"), bmp(solid(16, (0, 0, 255)), 24))
    write(os.path.join(tests, "big.bmp"), bmp(solid(17, (0, 0, 255))))


if __name__ == "__main__":
    main()
