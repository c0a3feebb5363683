#!/usr/bin/env python3
"""Renders chimora-icon.svg into the program's icon files (Python 3, standard library only).

Writes, beside this script:
  chimora-107.ico   the Windows large icon: 32x32 and 16x16, 16 colours
  chimora-108.ico   the Windows small icon: 16x16, 16 colours
  icons/chimora-N.png for N in 16, 32, 48, 64, 128, 256 (RGBA, for the Linux desktop entry)

The SVG reader knows only what the drawing uses: <circle>, <line> (round caps) and <polygon>
with plain #RRGGBB colours, painted in document order. The .ico images give each pixel the
colour of the standard 16-colour palette nearest to the commonest colour under it, and are
transparent where less than half the pixel is covered. Run it again after changing the drawing
and commit what it writes.
"""

import math
import struct
import xml.etree.ElementTree as ElementTree
import zlib
from pathlib import Path

HERE = Path(__file__).resolve().parent
SOURCE = HERE / "chimora-icon.svg"
PNG_SIZES = (16, 32, 48, 64, 128, 256)
SUBSAMPLES = 4  # per pixel side: 16 samples per pixel

# The standard Windows 16-colour palette, in its usual index order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def parse_colour(text):
    if not text or text == "none":
        return None
    if not (text.startswith("#") and len(text) == 7):
        raise ValueError(f"unsupported colour {text!r}")
    return tuple(int(text[i:i + 2], 16) for i in (1, 3, 5))


def distance_to_segment(px, py, x1, y1, x2, y2):
    dx, dy = x2 - x1, y2 - y1
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x1) * dx + (py - y1) * dy) / length2))
    return math.hypot(px - (x1 + t * dx), py - (y1 + t * dy))


def inside_polygon(px, py, points):
    inside = False
    for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
        if (y1 > py) != (y2 > py) and px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
            inside = not inside
    return inside


def read_shapes(size):
    """Returns (bounding box, colour, covers(x, y)) per painted layer, in painting order."""
    root = ElementTree.parse(SOURCE).getroot()
    shapes = []
    for element in root.iter():
        tag = element.tag.rsplit("}", 1)[-1]
        a = element.attrib
        if size < int(a.get("data-min-size", 0)) or size > int(a.get("data-max-size", 1 << 30)):
            continue
        fill = parse_colour(a.get("fill"))
        stroke = parse_colour(a.get("stroke"))
        half = float(a.get("stroke-width", 1)) / 2
        if tag == "circle":
            cx, cy, r = (float(a[k]) for k in ("cx", "cy", "r"))
            if fill:
                shapes.append(((cx - r, cy - r, cx + r, cy + r), fill,
                               lambda x, y, cx=cx, cy=cy, r=r: math.hypot(x - cx, y - cy) <= r))
            if stroke:
                outer = r + half
                shapes.append(((cx - outer, cy - outer, cx + outer, cy + outer), stroke,
                               lambda x, y, cx=cx, cy=cy, r=r, h=half:
                               abs(math.hypot(x - cx, y - cy) - r) <= h))
        elif tag == "line":
            x1, y1, x2, y2 = (float(a[k]) for k in ("x1", "y1", "x2", "y2"))
            box = (min(x1, x2) - half, min(y1, y2) - half, max(x1, x2) + half, max(y1, y2) + half)
            shapes.append((box, stroke, lambda x, y, s=(x1, y1, x2, y2), h=half:
                           distance_to_segment(x, y, *s) <= h))
        elif tag == "polygon":
            numbers = [float(n) for n in a["points"].replace(",", " ").split()]
            points = list(zip(numbers[0::2], numbers[1::2]))
            xs, ys = [p[0] for p in points], [p[1] for p in points]
            shapes.append(((min(xs), min(ys), max(xs), max(ys)), fill,
                           lambda x, y, p=points: inside_polygon(x, y, p)))
    return shapes


def render(size):
    """Returns size*size pixels of (r, g, b, coverage 0..1, commonest colour), row by row from
    the top: the average colour smooths the PNG edges, the commonest one keeps the 16-colour
    images crisp."""
    view = float(ElementTree.parse(SOURCE).getroot().attrib["viewBox"].split()[2])
    samples = size * SUBSAMPLES
    scale = view / samples
    canvas = [None] * (samples * samples)
    for (left, top, right, bottom), colour, covers in read_shapes(size):
        first_x, last_x = max(0, int(left / scale)), min(samples - 1, int(right / scale))
        first_y, last_y = max(0, int(top / scale)), min(samples - 1, int(bottom / scale))
        for sy in range(first_y, last_y + 1):
            y = (sy + 0.5) * scale
            row = sy * samples
            for sx in range(first_x, last_x + 1):
                if covers((sx + 0.5) * scale, y):
                    canvas[row + sx] = colour
    pixels = []
    for py in range(size):
        for px in range(size):
            hits = [canvas[(py * SUBSAMPLES + j) * samples + px * SUBSAMPLES + i]
                    for j in range(SUBSAMPLES) for i in range(SUBSAMPLES)]
            painted = [c for c in hits if c is not None]
            if not painted:
                pixels.append((0, 0, 0, 0.0, None))
                continue
            r, g, b = (sum(c[k] for c in painted) / len(painted) for k in range(3))
            commonest = max(sorted(set(painted)), key=painted.count)
            pixels.append((r, g, b, len(painted) / len(hits), commonest))
    return pixels


def png_bytes(size, pixels):
    raw = bytearray()
    for y in range(size):
        raw.append(0)  # filter type None
        for r, g, b, coverage, _ in pixels[y * size:(y + 1) * size]:
            raw += bytes((round(r), round(g), round(b), round(coverage * 255)))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def nearest_palette_index(r, g, b):
    return min(range(16), key=lambda i: (PALETTE[i][0] - r) ** 2 + (PALETTE[i][1] - g) ** 2 +
               (PALETTE[i][2] - b) ** 2)


def ico_image(size, pixels):
    """A 4-bit DIB with its AND mask, as stored inside an .ico file."""
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor_rows, and_rows = [], []
    for y in range(size):
        indexes, mask = [], bytearray(and_stride)
        for x, (_, _, _, coverage, commonest) in enumerate(pixels[y * size:(y + 1) * size]):
            if coverage < 0.5:
                indexes.append(0)
                mask[x // 8] |= 0x80 >> (x % 8)
            else:
                indexes.append(nearest_palette_index(*commonest))
        row = bytearray(xor_stride)
        for x in range(0, size, 2):
            row[x // 2] = (indexes[x] << 4) | indexes[x + 1]
        xor_rows.append(bytes(row))
        and_rows.append(bytes(mask))
    bitmap = b"".join(reversed(xor_rows)) + b"".join(reversed(and_rows))  # bottom-up
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(bitmap), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return header + palette + bitmap


def ico_bytes(sizes, rendered):
    images = [ico_image(size, rendered[size]) for size in sizes]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, image in zip(sizes, images):
        entries += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main():
    rendered = {size: render(size) for size in PNG_SIZES}
    (HERE / "icons").mkdir(exist_ok=True)
    for size in PNG_SIZES:
        (HERE / "icons" / f"chimora-{size}.png").write_bytes(png_bytes(size, rendered[size]))
    (HERE / "chimora-107.ico").write_bytes(ico_bytes((32, 16), rendered))
    (HERE / "chimora-108.ico").write_bytes(ico_bytes((16,), rendered))


if __name__ == "__main__":
    main()
