#!/usr/bin/env python3
"""Reads the pixels of a PNG file, for the tests that render a picture.

    png_pixels.py FILE X,Y ...        the colour at each point: "X,Y RRGGBB"
    png_pixels.py FILE --find RRGGBB  the box of the pixels of that colour
                                      (each channel within 8): "X0 Y0 X1 Y1 N",
                                      or "none"
    png_pixels.py FILE --size         "WIDTH HEIGHT"

Non-interlaced PNGs of 8 bits a channel (grey, grey and alpha, RGB, RGBA,
which renderers write) are read with zlib alone; a pixel's colour is over
white where it is not opaque.
"""
import struct
import sys
import zlib


def read_png(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise SystemExit(f"{path}: not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 4: 2, 6: 4}.get(colour)
    if depth != 8 or channels is None or interlace != 0:
        raise SystemExit(f"{path}: a PNG of {depth} bits, colour type {colour}, "
                         f"interlace {interlace} is not read here")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous, at = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[at], bytearray(raw[at + 1:at + 1 + stride])
        at += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = previous[i]
            c = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else b if pb <= pc else c
                line[i] = (line[i] + pred) & 255
        rows.append(line)
        previous = line
    return width, height, channels, rows


def colour(rows, channels, x, y):
    px = rows[y][x * channels:(x + 1) * channels]
    if channels in (1, 2):
        rgb, alpha = [px[0]] * 3, px[1] if channels == 2 else 255
    else:
        rgb, alpha = list(px[:3]), px[3] if channels == 4 else 255
    return tuple((v * alpha + 255 * (255 - alpha)) // 255 for v in rgb)


def main():
    path, args = sys.argv[1], sys.argv[2:]
    width, height, channels, rows = read_png(path)
    if args == ["--size"]:
        print(width, height)
        return
    if args[:1] == ["--find"]:
        want = tuple(int(args[1][i:i + 2], 16) for i in (0, 2, 4))
        box, n = None, 0
        for y in range(height):
            for x in range(width):
                c = colour(rows, channels, x, y)
                if all(abs(c[k] - want[k]) <= 8 for k in range(3)):
                    n += 1
                    box = (x, y, x, y) if box is None else (
                        min(box[0], x), min(box[1], y), max(box[2], x), max(box[3], y))
        print("none" if box is None else f"{box[0]} {box[1]} {box[2]} {box[3]} {n}")
        return
    for point in args:
        x, y = (int(v) for v in point.split(","))
        print(f"{x},{y} %02x%02x%02x" % colour(rows, channels, x, y))


main()
