#!/usr/bin/env python3
"""Packs square RGBA PNG pictures into one Windows .ico file.

Each picture goes in three times: 32-bit colour with alpha, 256 colours and 16 colours
(the latter two with a palette of the picture's own, cut by the median, and a
transparency mask), so that every colour depth of the desktop
finds its image. The 256-pixel 32-bit image is stored as PNG, as Windows expects.
Standard library only.

usage: make-ico.py OUT.ico IN.png...
"""
import struct
import sys
import zlib

def median_cut(rows, count):
    """A palette of count colours for the picture's opaque pixels; index 0 is black,
    the colour under the transparent pixels."""
    weights = {}
    for row in rows:
        for r, g, b, a in row:
            if a >= 128:
                weights[(r, g, b)] = weights.get((r, g, b), 0) + 1
    def spread(box, channel):
        total = sum(weights[c] for c in box)
        centre = sum(c[channel] * weights[c] for c in box) / total
        return sum(weights[c] * (c[channel] - centre) ** 2 for c in box)

    def error(box):
        return sum(spread(box, i) for i in range(3))

    # Split the box with the largest squared error at the weighted median of its
    # widest channel, until there are enough boxes.
    boxes = [list(weights)]
    while len(boxes) < count - 1:
        splittable = [box for box in boxes if len(box) > 1]
        if not splittable:
            break
        box = max(splittable, key=error)
        channel = max(range(3), key=lambda i: spread(box, i))
        box.sort(key=lambda c: c[channel])
        total, half, cut = sum(weights[c] for c in box), 0, 1
        for i, c in enumerate(box[:-1]):
            half += weights[c]
            if half * 2 >= total:
                cut = i + 1
                break
        boxes.remove(box)
        boxes += [box[:cut], box[cut:]]

    # Each box stands for its most frequent colour, so that the flat colours of the
    # design (white arrows, green dot) stay exact instead of being averaged away.
    def mode(box):
        return max(box, key=lambda c: weights[c])

    colours = [(0, 0, 0)] + [mode(box) for box in boxes if box]
    return colours + [(0, 0, 0)] * (count - len(colours))


def read_png(path):
    """Returns (width, height, rows of (r, g, b, a) tuples) of an 8-bit RGBA PNG."""
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise SystemExit(f'{path}: not a PNG file')
    pos, idat, header = 8, b'', None
    while pos < len(data):
        length, kind = struct.unpack('>I4s', data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b'IHDR':
            header = struct.unpack('>IIBBBBB', body)
        elif kind == b'IDAT':
            idat += body
        pos += 12 + length
    width, height, depth, colour_type, _, _, interlace = header
    if (depth, colour_type, interlace) != (8, 6, 0):
        raise SystemExit(f'{path}: needs 8-bit RGBA without interlacing')
    raw = zlib.decompress(idat)
    stride = width * 4
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            left = line[x - 4] if x >= 4 else 0
            up = previous[x]
            corner = previous[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                pred = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[x] = (line[x] + pred) & 255
        rows.append([tuple(line[i:i + 4]) for i in range(0, stride, 4)])
        previous = line
    return width, height, rows, data


def padded(row_bytes):
    return row_bytes + b'\0' * (-len(row_bytes) % 4)


def and_mask(rows):
    out = b''
    for row in reversed(rows):
        bits = bytearray((len(row) + 7) // 8)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += padded(bytes(bits))
    return out


def dib_header(size, bits, colours):
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def bmp32(size, rows):
    pixels = b''.join(padded(bytes(v for r, g, b, a in row for v in (b, g, r, a))) for row in reversed(rows))
    return dib_header(size, 32, 0) + pixels + and_mask(rows)


def bmp_indexed(size, rows, colours, bits):
    cache = {}

    def nearest(r, g, b):
        key = (r, g, b)
        if key not in cache:
            cache[key] = min(range(len(colours)),
                             key=lambda i: (colours[i][0] - r) ** 2 + (colours[i][1] - g) ** 2
                             + (colours[i][2] - b) ** 2)
        return cache[key]

    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
    pixels = b''
    for row in reversed(rows):
        indices = [nearest(r, g, b) if a >= 128 else 0 for r, g, b, a in row]
        if bits == 8:
            line = bytes(indices)
        else:
            line = bytes((indices[i] << 4) | (indices[i + 1] if i + 1 < len(indices) else 0)
                         for i in range(0, len(indices), 2))
        pixels += padded(line)
    return dib_header(size, bits, len(colours)) + table + pixels + and_mask(rows)


def main():
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    entries = []
    for path in sys.argv[2:]:
        width, height, rows, png = read_png(path)
        if width != height or width > 256:
            raise SystemExit(f'{path}: needs a square picture of at most 256 pixels')
        entries.append((width, 32, 0, png if width == 256 else bmp32(width, rows)))
        entries.append((width, 8, 0, bmp_indexed(width, rows, median_cut(rows, 256), 8)))
        entries.append((width, 4, 16, bmp_indexed(width, rows, median_cut(rows, 16), 4)))
    offset = 6 + 16 * len(entries)
    directory, images = b'', b''
    for size, bits, count, image in entries:
        side = 0 if size == 256 else size
        directory += struct.pack('<BBBBHHII', side, side, count, 0, 1, bits, len(image), offset + len(images))
        images += image
    with open(sys.argv[1], 'wb') as out:
        out.write(struct.pack('<HHH', 0, 1, len(entries)) + directory + images)


if __name__ == '__main__':
    main()
