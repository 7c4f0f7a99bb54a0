#!/usr/bin/env python3
"""Draws the jukebox's small images (transport buttons, browser item kinds) as PNG files into
this folder. Plain shapes, anti-aliased by supersampling; only the standard library is needed.
Run it again after changing a shape; the PNG files are kept in the source tree."""
import os
import struct
import zlib

SUPER = 4


def inside_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


def rect(x0, y0, x1, y1):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


def ellipse(cx, cy, rx, ry):
    return ("ellipse", cx, cy, rx, ry)


def covered(shape, x, y):
    if isinstance(shape, tuple) and shape[0] == "ellipse":
        _, cx, cy, rx, ry = shape
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1
    return inside_polygon(x, y, shape)


def draw(size, layers):
    """layers: list of (colour (r, g, b), [shapes]); later layers paint over earlier ones."""
    pixels = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SUPER):
                for sx in range(SUPER):
                    x = px + (sx + 0.5) / SUPER
                    y = py + (sy + 0.5) / SUPER
                    colour = None
                    for fill, shapes in layers:
                        if any(covered(s, x, y) for s in shapes):
                            colour = fill
                    if colour:
                        acc[0] += colour[0]
                        acc[1] += colour[1]
                        acc[2] += colour[2]
                        acc[3] += 1
            n = acc[3]
            if n:
                row.append((round(acc[0] / n), round(acc[1] / n), round(acc[2] / n), round(255 * n / SUPER ** 2)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


def write_png(path, pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\0" + b"".join(struct.pack("BBBB", *p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


TRANSPORT = {
    "prev": [rect(7, 7, 11, 25), [(26, 7), (26, 25), (12, 16)]],
    "play": [[(9, 6), (9, 26), (26, 16)]],
    "pause": [rect(9, 7, 14, 25), rect(18, 7, 23, 25)],
    "stop": [rect(8, 8, 24, 24)],
    "next": [[(6, 7), (6, 25), (20, 16)], rect(21, 7, 25, 25)],
}
ENABLED = (0x1F, 0x3A, 0x5F)
DISABLED = (0xB8, 0xBC, 0xC0)

KINDS = {
    # a quaver, white on the tracks' green
    "track": [((0xFF, 0xFF, 0xFF), [ellipse(8.5, 18, 4.6, 3.6), rect(11.4, 4, 13.2, 18),
                                    [(13.2, 4), (19.5, 7.5), (19.5, 10.5), (13.2, 7.5)]])],
    # the lines of a list, white on the playlists' grey
    "list": [((0xFF, 0xFF, 0xFF), [ellipse(5, 7, 1.8, 1.8), rect(9, 6, 20, 8),
                                   ellipse(5, 12, 1.8, 1.8), rect(9, 11, 20, 13),
                                   ellipse(5, 17, 1.8, 1.8), rect(9, 16, 20, 18)])],
    # a folder, yellow on the folders' blue
    "folder": [((0xC8, 0x9B, 0x1E), [[(2, 5), (9, 5), (11, 7), (22, 7), (22, 20), (2, 20)]]),
               ((0xFF, 0xD5, 0x4A), [[(2, 9), (22, 9), (22, 20), (2, 20)]])],
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, shapes in TRANSPORT.items():
        write_png(os.path.join(here, name + "-enabled.png"), draw(32, [(ENABLED, shapes)]))
        write_png(os.path.join(here, name + "-disabled.png"), draw(32, [(DISABLED, shapes)]))
    for name, layers in KINDS.items():
        write_png(os.path.join(here, name + ".png"), draw(24, layers))


if __name__ == "__main__":
    main()
