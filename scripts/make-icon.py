#!/usr/bin/env python3
"""Draws the Dusklamp icon (a lamp-lit crescent moon on a dusk-blue disc) as res/dusklamp.ico.

Pure Python, no imaging library: each image is rendered with 4x4 supersampling and
written as a 32-bit BGRA DIB with its AND mask, which every Windows version reads.
"""
import math
import struct
import sys


def coverage(size, inside):
    """Fraction of each pixel's 4x4 subsamples for which inside(x, y) holds (unit square coords)."""
    n = 4
    grid = []
    for py in range(size):
        row = []
        for px in range(size):
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    x = (px + (sx + 0.5) / n) / size
                    y = (py + (sy + 0.5) / n) / size
                    hits += inside(x, y)
            row.append(hits / (n * n))
        grid.append(row)
    return grid


def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def render(size):
    # Layers drawn back to front: (coverage function, colour function(x, y) -> (r, g, b)).
    background = disc(0.5, 0.5, 0.47)
    ring = lambda x, y: background(x, y) and not disc(0.5, 0.5, 0.41)(x, y)
    moon = lambda x, y: disc(0.47, 0.52, 0.29)(x, y) and not disc(0.60, 0.40, 0.25)(x, y)
    star_c = (0.72, 0.70)
    star_r = 0.075 if size >= 32 else 0.09

    def star(x, y):
        dx, dy = abs(x - star_c[0]), abs(y - star_c[1])
        return dx + dy <= star_r or (dx <= star_r * 0.3 and dy <= star_r * 1.6) or (dy <= star_r * 0.3 and dx <= star_r * 1.6)

    def dusk(x, y):
        t = min(1.0, max(0.0, y))
        top, bottom = (24, 28, 78), (92, 44, 120)
        return tuple(int(top[i] + (bottom[i] - top[i]) * t) for i in range(3))

    layers = [
        (background, dusk),
        (ring, lambda x, y: (14, 16, 44)),
        (moon, lambda x, y: (255, 196, 64) if y > 0.55 else (255, 222, 120)),
        (star, lambda x, y: (255, 244, 200)),
    ]
    pixels = [[(0, 0, 0, 0.0)] * size for _ in range(size)]
    for inside, colour in layers:
        cov = coverage(size, inside)
        for py in range(size):
            for px in range(size):
                a = cov[py][px]
                if a == 0:
                    continue
                r, g, b = colour((px + 0.5) / size, (py + 0.5) / size)
                pr, pg, pb, pa = pixels[py][px]
                out_a = a + pa * (1 - a)
                mix = lambda c, p: (c * a + p * pa * (1 - a)) / out_a
                pixels[py][px] = (mix(r, pr), mix(g, pg), mix(b, pb), out_a)
    return pixels


def dib(size, pixels):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for py in reversed(range(size)):
        for px in range(size):
            r, g, b, a = pixels[py][px]
            # Colour channels are stored premultiplied-free; alpha drives the blend.
            xor += bytes((int(round(b)), int(round(g)), int(round(r)), int(round(a * 255))))
    stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for py in reversed(range(size)):
        row = bytearray(stride)
        for px in range(size):
            if pixels[py][px][3] < 0.5:
                row[px // 8] |= 0x80 >> (px % 8)
        mask += row
    return header + bytes(xor) + bytes(mask)


def main(path):
    sizes = (16, 32)
    images = [dib(s, render(s)) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'res/dusklamp.ico')
