#!/usr/bin/env python3
"""Builds the program's icons, cursor and bitmap from the pixel grids in resources/art/.

A grid file holds, in any order:
  # comment
  hotspot X Y        (cursors only)
  C = RRGGBB words   a palette legend line: one character, its colour, an optional note
  C = none words     the transparent character (icons and cursors only)
and the rows of the picture, one character per pixel, all of the same width.

A shape file (vaylo.txt) instead describes a picture for any size: "units N" (the side of
its grid), then "rect LEFT TOP RIGHT BOTTOM RRGGBB" and "poly X,Y X,Y ... RRGGBB" lines,
later shapes drawn over earlier ones. "vaylo.txt@24" in OUTPUTS draws it at 24 x 24 in
32-bit colour with alpha: each pixel takes the colours of 8 x 8 samples, and what no shape
covers is transparent.

Run from anywhere; the binaries are written next to resources/art/ and are committed
together with their sources, so a build needs no Python.
"""
import os
import re
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
ART = os.path.join(ROOT, "art")

# Output file and the grid files that make it, largest image first: the program icon holds
# six sizes in 32-bit colour with alpha and, for systems without alpha, two in 16 colours.
OUTPUTS = [
    ("vaylo.ico", ["vaylo.txt@%d" % side for side in (48, 40, 32, 24, 20, 16)]
                  + ["vaylo-32.txt", "vaylo-16.txt"]),
    ("picker.ico", ["picker.txt"]),
    ("crosshair.cur", ["crosshair.txt"]),
    ("notice.bmp", ["notice.txt"]),
]

SAMPLES = 8  # a drawn pixel's samples each way
LEGEND = re.compile(r"^(\S) = (none|[0-9a-fA-F]{6})(\s.*)?$")
BLACK = (0, 0, 0)


class Art:
    def __init__(self, name):
        self.name = name
        self.colours = {}  # character -> (r, g, b), or None for transparent
        self.rows = []
        self.hotspot = (0, 0)
        with open(os.path.join(ART, name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                self.parse(line.rstrip("\n"), number)
        self.check()

    def fail(self, text):
        sys.exit("%s: %s" % (self.name, text))

    def parse(self, line, number):
        legend = LEGEND.match(line)
        if not line.strip() or line.startswith("#"):
            return
        if line.startswith("hotspot "):
            self.hotspot = tuple(int(v) for v in line.split()[1:3])
        elif legend:
            char, value, _ = legend.groups()
            self.colours[char] = None if value == "none" else tuple(bytes.fromhex(value))
        elif " " in line:
            self.fail("line %d is neither a legend nor a row: %r" % (number, line))
        else:
            self.rows.append(line)

    def check(self):
        if not self.rows:
            self.fail("no picture")
        self.width, self.height = len(self.rows[0]), len(self.rows)
        for y, row in enumerate(self.rows):
            if len(row) != self.width:
                self.fail("row %d is %d wide, not %d" % (y, len(row), self.width))
            for char in row:
                if char not in self.colours:
                    self.fail("row %d uses %r, which has no legend line" % (y, char))
        if not (0 <= self.hotspot[0] < self.width and 0 <= self.hotspot[1] < self.height):
            self.fail("hot spot %d,%d lies outside the picture" % self.hotspot)

    def pixel(self, x, y):
        return self.colours[self.rows[y][x]]


class Shapes:
    """A shape file drawn at one size: rows of (r, g, b, alpha) pixels."""

    def __init__(self, spec):
        self.name, side = spec.split("@")
        self.width = self.height = int(side)
        self.hotspot = (0, 0)
        self.units = None
        self.shapes = []  # (polygon corners, (r, g, b))
        with open(os.path.join(ART, self.name), encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                self.parse(line.split("#")[0].split(), number)
        if not self.units or not self.shapes:
            self.fail("needs a units line and at least one shape")
        self.pixels = [[self.pixel(x, y) for x in range(self.width)] for y in range(self.height)]

    def fail(self, text):
        sys.exit("%s: %s" % (self.name, text))

    def parse(self, words, number):
        try:
            if not words:
                return
            if words[0] == "units" and len(words) == 2:
                self.units = float(words[1])
            elif words[0] == "rect" and len(words) == 6:
                left, top, right, bottom = (float(w) for w in words[1:5])
                corners = [(left, top), (right, top), (right, bottom), (left, bottom)]
                self.shapes.append((corners, tuple(bytes.fromhex(words[5]))))
            elif words[0] == "poly" and len(words) >= 5:
                corners = [tuple(float(v) for v in w.split(",")) for w in words[1:-1]]
                if any(len(c) != 2 for c in corners):
                    raise ValueError
                self.shapes.append((corners, tuple(bytes.fromhex(words[-1]))))
            else:
                raise ValueError
        except ValueError:
            self.fail("line %d is no units, rect or poly line: %r" % (number, " ".join(words)))

    @staticmethod
    def inside(corners, x, y):
        """Even-odd rule: a ray to the right crosses the outline an odd number of times."""
        result = False
        for (x1, y1), (x2, y2) in zip(corners, corners[1:] + corners[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                result = not result
        return result

    def pixel(self, x, y):
        scale = self.units / self.width
        total, covered = [0, 0, 0], 0
        for sy in range(SAMPLES):
            for sx in range(SAMPLES):
                ux = (x + (sx + 0.5) / SAMPLES) * scale
                uy = (y + (sy + 0.5) / SAMPLES) * scale
                for corners, colour in reversed(self.shapes):  # the topmost shape wins
                    if self.inside(corners, ux, uy):
                        total = [t + c for t, c in zip(total, colour)]
                        covered += 1
                        break
        if not covered:
            return (0, 0, 0, 0)
        return tuple(round(t / covered) for t in total) + (round(255 * covered / SAMPLES ** 2),)


def row_padded(data):
    return data + b"\0" * (-len(data) % 4)


def pack_bits(values, bits):
    """Packs palette indices (or mask bits) into bytes, leftmost pixel in the high bits."""
    out, per_byte = bytearray(), 8 // bits
    for start in range(0, len(values), per_byte):
        byte = 0
        for i in range(per_byte):
            value = values[start + i] if start + i < len(values) else 0
            byte |= value << (8 - bits * (i + 1))
        out.append(byte)
    return bytes(out)


def alpha_image(shapes):
    """One 32-bit icon image: BITMAPINFOHEADER, BGRA bitmap, and the AND mask that systems
    without alpha use (set where a pixel is wholly transparent)."""
    xor, mask = b"", b""
    for y in reversed(range(shapes.height)):  # bottom-up
        row = shapes.pixels[y]
        xor += b"".join(struct.pack("<BBBB", b, g, r, a) for r, g, b, a in row)
        mask += row_padded(pack_bits([1 if a == 0 else 0 for _, _, _, a in row], 1))
    header = struct.pack("<IiiHHIIiiII", 40, shapes.width, shapes.height * 2, 1, 32, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    return 32, header + xor + mask


def icon_image(art):
    """One icon or cursor image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
    if isinstance(art, Shapes):
        return alpha_image(art)
    # Index 0 is black so that transparent pixels (AND 1, XOR 0) leave the screen unchanged.
    palette = [BLACK]
    for colour in art.colours.values():
        if colour is not None and colour not in palette:
            palette.append(colour)
    bits = next((b for b in (1, 4, 8) if len(palette) <= 1 << b), None)
    if bits is None:
        art.fail("%d colours; an icon holds at most 256" % len(palette))
    palette += [BLACK] * ((1 << bits) - len(palette))

    xor, mask = b"", b""
    for y in reversed(range(art.height)):  # bottom-up
        colours = [art.pixel(x, y) for x in range(art.width)]
        xor += row_padded(pack_bits([palette.index(c) if c else 0 for c in colours], bits))
        mask += row_padded(pack_bits([0 if c else 1 for c in colours], 1))

    header = struct.pack("<IiiHHIIiiII", 40, art.width, art.height * 2, 1, bits, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    quads = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return bits, header + quads + xor + mask


def icon_file(arts, cursor):
    """ICONDIR, one ICONDIRENTRY per image, then the images."""
    images = [icon_image(art) for art in arts]
    out = struct.pack("<HHH", 0, 2 if cursor else 1, len(arts))
    offset = len(out) + 16 * len(arts)
    for art, (bits, data) in zip(arts, images):
        if max(art.width, art.height) > 256:
            art.fail("an icon is at most 256 pixels wide and high")
        colour_count = (1 << bits) if bits < 8 else 0  # 0 for 8 bits and more
        # Cursors keep their hot spot where icons keep planes and bit count.
        planes_or_x, bits_or_y = art.hotspot if cursor else (1, bits)
        out += struct.pack("<BBBBHHII", art.width % 256, art.height % 256, colour_count, 0,
                           planes_or_x, bits_or_y, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


def bmp_file(art):
    """A 24-bit bottom-up BMP; rows padded to four bytes."""
    pixels = b""
    for y in reversed(range(art.height)):
        row = b""
        for x in range(art.width):
            colour = art.pixel(x, y)
            if colour is None:
                art.fail("a bitmap has no transparent pixels")
            row += bytes(reversed(colour))  # BGR
        pixels += row_padded(row)
    info = struct.pack("<IiiHHIIiiII", 40, art.width, art.height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + pixels


def main():
    # Everything is built before anything is written, so a bad grid leaves no file half-updated.
    built = []
    for output, sources in OUTPUTS:
        arts = [Shapes(name) if "@" in name else Art(name) for name in sources]
        if output.endswith(".bmp"):
            built.append((output, sources, bmp_file(arts[0])))
        else:
            built.append((output, sources, icon_file(arts, cursor=output.endswith(".cur"))))
    for output, sources, data in built:
        with open(os.path.join(ROOT, output), "wb") as f:
            f.write(data)
        print("%-14s %6d bytes from %s" % (output, len(data), ", ".join(sources)))


if __name__ == "__main__":
    main()
