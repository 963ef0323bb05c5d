#!/usr/bin/env python3
"""Writes the installer's pictures into resources/install: the eight backdrop tiles BG1-BG8,
the program icon and the file-copy animation (an uncompressed 8-bit AVI, as the animation
control plays it). Run from the repository root; the outputs are committed."""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "install")


def bmp24(width, height, pixel):
    """A bottom-up 24-bit BMP file; pixel(x, y) gives (r, g, b) with y counted from the top."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(data), 0, 0, 14 + len(header)) + header + data


# Eight tiles: two blended colours in a different weave each.
TILE_COLOURS = [
    ((0, 64, 128), (0, 96, 160)), ((0, 96, 64), (0, 128, 96)), ((96, 32, 32), (128, 48, 48)),
    ((64, 64, 64), (96, 96, 96)), ((48, 32, 96), (72, 48, 128)), ((112, 80, 0), (144, 104, 16)),
    ((0, 80, 96), (16, 112, 128)), ((24, 24, 48), (40, 40, 80)),
]


def tile(n):
    dark, light = TILE_COLOURS[n]
    size = 64

    def pixel(x, y):
        if n % 4 == 0:
            t = (math.sin(x / 6.0) + math.sin(y / 9.0) + 2) / 4
        elif n % 4 == 1:
            t = 1.0 if ((x // 8) + (y // 8)) % 2 else 0.0
        elif n % 4 == 2:
            t = ((x + y) % 16) / 15.0
        else:
            d = math.hypot(x - 32, y - 32)
            t = (math.cos(d / 3.0) + 1) / 2
        return tuple(int(dark[i] + (light[i] - dark[i]) * t) for i in range(3))

    return bmp24(size, size, pixel)


def icon():
    """A 32x32 32-bit icon: a blue disc holding a white box with a downward arrow."""
    size = 32
    pixels = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            d = math.hypot(x - 15.5, y - 15.5)
            a = 255 if d <= 15 else 0
            r, g, b = 20, 80, 170
            if 9 <= x <= 22 and 19 <= y <= 25:
                r, g, b = 240, 240, 240
            if 14 <= x <= 17 and 5 <= y <= 14:
                r, g, b = 255, 220, 60
            if 10 <= y <= 17 and abs(x - 15.5) <= (17 - y) * 0.9 and y >= 12:
                r, g, b = 255, 220, 60
            pixels += bytes((b, g, r, a))
    mask = b"\0" * (4 * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + mask
    return struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22) + image


def chunk(tag, data):
    pad = b"\0" if len(data) % 2 else b""
    return tag + struct.pack("<I", len(data)) + data + pad


def avi():
    """Ten frames of a sheet of paper flying from a folder on the left to one on the right."""
    width, height, frames = 96, 48, 10
    palette = [(255, 255, 255), (0, 0, 0), (230, 190, 60), (250, 250, 250), (120, 120, 120), (40, 90, 180)]
    palette += [(0, 0, 0)] * (256 - len(palette))
    row_size = (width + 3) & ~3

    def frame(k):
        grid = [[0] * width for _ in range(height)]

        def fill(x0, y0, x1, y1, c):
            for yy in range(max(0, y0), min(height, y1)):
                for xx in range(max(0, x0), min(width, x1)):
                    grid[yy][xx] = c

        for fx in (4, 68):  # the two folders
            fill(fx, 22, fx + 24, 40, 2)
            fill(fx, 18, fx + 10, 22, 2)
            fill(fx, 40, fx + 24, 41, 1)
        t = k / (frames - 1)
        px = int(12 + (72 - 12) * t)
        py = int(20 - 14 * math.sin(math.pi * t))
        fill(px - 1, py - 1, px + 11, py + 15, 4)
        fill(px, py, px + 10, py + 14, 3)
        for line in range(3):
            fill(px + 2, py + 3 + line * 3, px + 8, py + 4 + line * 3, 5)
        out = bytearray()
        for y in range(height - 1, -1, -1):
            row = bytes(grid[y]) + b"\0" * (row_size - width)
            out += row
        return bytes(out)

    images = [frame(k) for k in range(frames)]
    frame_size = row_size * height
    usec = 100000
    avih = struct.pack("<IIIIIIIIIIIIII", usec, frame_size * 10, 0, 0x10, frames, 0, 1, frame_size,
                       width, height, 0, 0, 0, 0)
    strh = b"vids" + b"\0\0\0\0" + struct.pack("<IHHIIIIIIIIhhhh", 0, 0, 0, 0, 1, 10, 0, frames, frame_size,
                                               0xFFFFFFFF, 0, 0, 0, width, height)
    bih = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, frame_size, 0, 0, 256, 256)
    strf = bih + b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    strl = b"LIST" + struct.pack("<I", 4 + len(chunk(b"strh", strh)) + len(chunk(b"strf", strf))) + b"strl" + \
        chunk(b"strh", strh) + chunk(b"strf", strf)
    hdrl_body = b"hdrl" + chunk(b"avih", avih) + strl
    hdrl = b"LIST" + struct.pack("<I", len(hdrl_body)) + hdrl_body
    movi_body = b"movi"
    index = b""
    for image in images:
        offset = len(movi_body)
        movi_body += chunk(b"00db", image)
        index += b"00db" + struct.pack("<III", 0x10, offset, len(image))
    movi = b"LIST" + struct.pack("<I", len(movi_body)) + movi_body
    body = b"AVI " + hdrl + movi + chunk(b"idx1", index)
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main():
    os.makedirs(OUT, exist_ok=True)
    for n in range(8):
        with open(os.path.join(OUT, "bg%d.bmp" % (n + 1)), "wb") as f:
            f.write(tile(n))
    with open(os.path.join(OUT, "install.ico"), "wb") as f:
        f.write(icon())
    with open(os.path.join(OUT, "filecopy.avi"), "wb") as f:
        f.write(avi())


if __name__ == "__main__":
    main()
