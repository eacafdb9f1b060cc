"""Finds a glyph of a text font description in a PNG screenshot.

Usage: find_glyph.py SCREENSHOT TEXT NAME SCALE
Reads the rows of the block named NAME (the line after GLYPH) in TEXT, and
looks for them in the screenshot drawn SCALE screen pixels a font pixel:
set pixels black, clear ones the cell's grey. Exits 0 when found, prints
where, and 1 when not.
"""
import struct
import sys
import zlib


def read_png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, color = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and color in (2, 6), "8-bit RGB or RGBA only"
            channels = 3 if color == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw, stride, rows, prev = zlib.decompress(idat), width * channels, [], bytearray(width * channels)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b, c = prev[i], prev[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * channels:x * channels + 3]) for x in range(width)])
        prev = line
    return rows


def glyph_rows(text, name):
    lines = open(text).read().split("\n")
    start = lines.index("GLYPH " + name) + 1
    while lines[start].startswith(("WIDTH", "OFFSET")):
        start += 1
    end = lines.index("", start)
    return lines[start:end]


def main():
    shot, text, name, scale = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    image, glyph = read_png(shot), glyph_rows(text, name)
    black, grey = (0, 0, 0), (0xE8, 0xE8, 0xE8)
    for y in range(len(image) - len(glyph) * scale):
        for x in range(len(image[0]) - len(glyph[0]) * scale):
            if all(image[y + r * scale + dy][x + c * scale + dx] == (black if glyph[r][c] == "#" else grey)
                   for r in range(len(glyph)) for c in range(len(glyph[0]))
                   for dy in range(scale) for dx in range(scale)):
                print("found %s at %d,%d" % (name, x, y))
                return 0
    print("%s not found" % name)
    return 1


sys.exit(main())
