#!/usr/bin/env python3
"""Builds the program's icons, cursor and bitmap from the pixel grids in resources/art/.

A grid file holds, in any order:
  # comment
  hotspot X Y        (cursors only)
  C = RRGGBB words   a palette legend line: one character, its colour, an optional note
  C = none words     the transparent character (icons and cursors only)
and the rows of the picture, one character per pixel, all of the same width.

Run from anywhere; the binaries are written next to resources/art/ and are committed
together with their sources, so a build needs no Python.
"""
import os
import re
import struct
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")
ART = os.path.join(ROOT, "art")

# Output file and the grid files that make it, largest image first.
OUTPUTS = [
    ("vaylo.ico", ["vaylo-32.txt", "vaylo-16.txt"]),
    ("picker.ico", ["picker.txt"]),
    ("crosshair.cur", ["crosshair.txt"]),
    ("notice.bmp", ["notice.txt"]),
]

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


def icon_image(art):
    """One icon or cursor image: BITMAPINFOHEADER, palette, XOR bitmap, AND mask."""
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
        colour_count = (1 << bits) if bits < 8 else 0
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
        arts = [Art(name) for name in sources]
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
