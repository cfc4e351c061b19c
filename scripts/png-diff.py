#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# png-diff.py A.png B.png: compares two 8-bit PNG pictures (grey, RGB or RGBA, not
# interlaced) pixel by pixel and prints "<differing pixels> <largest channel difference>";
# exit status 2 when their sizes or formats differ or a file is no such PNG.
import struct
import sys
import zlib


def pixels(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        sys.exit(f"png-diff: {path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace:
        sys.exit(f"png-diff: {path}: only 8-bit grey, RGB or RGBA pictures without interlace")
    raw, stride = zlib.decompress(idat), width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        kind, row = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a = row[x - channels] if x >= channels else 0
            b = previous[x]
            c = previous[x - channels] if x >= channels else 0
            if kind == 1:
                row[x] = (row[x] + a) & 255
            elif kind == 2:
                row[x] = (row[x] + b) & 255
            elif kind == 3:
                row[x] = (row[x] + (a + b) // 2) & 255
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(row))
        previous = row
    return (width, height, channels), rows


shape_a, a = pixels(sys.argv[1])
shape_b, b = pixels(sys.argv[2])
if shape_a != shape_b:
    print(f"png-diff: {shape_a} against {shape_b}", file=sys.stderr)
    sys.exit(2)
channels = shape_a[2]
count = largest = 0
for row_a, row_b in zip(a, b):
    if row_a == row_b:
        continue
    for x in range(0, len(row_a), channels):
        step = max(abs(p - q) for p, q in zip(row_a[x:x + channels], row_b[x:x + channels]))
        if step:
            count += 1
            largest = max(largest, step)
print(count, largest)
