#!/usr/bin/env python3
"""Writes the About box logo, bitmap "QTXLOGO": 345x270, 16 colours, 4 bits per pixel, uncompressed.

A ringed disc holding a two-faced pyramid, the name "HALVANE D3D" under it and a grey footer with
"3D ACCELERATOR". The About box stretches the picture over its whole client area, so the version
row (right, a little below the middle) and the OK button (bottom right) sit over plain background.
Run from anywhere; logo.bmp lands beside this script.
"""
import os
import struct

# The standard 16-colour palette, as (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, NAVY, TEAL, LIGHT_GREY, GREY, RED, YELLOW, WHITE = 0, 1, 4, 6, 7, 8, 9, 11, 15
WIDTH, HEIGHT = 345, 270

# 5x7 glyphs, one string per row, '#' set.
FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "C": [".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "H": ["#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "V": ["#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    " ": ["....."] * 7,
}


def text_width(text, scale):
    return len(text) * 6 * scale - scale


def draw_text(image, text, left, top, scale, colour, shadow=None):
    for layer, dx, c in ((0, scale // 2, shadow), (1, 0, colour)):
        if c is None:
            continue
        for i, ch in enumerate(text):
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit != "#":
                        continue
                    x0 = left + (i * 6 + col) * scale + dx
                    y0 = top + row * scale + dx
                    for y in range(y0, y0 + scale):
                        for x in range(x0, x0 + scale):
                            image[y][x] = c


def emblem(x, y):
    """Palette index of the emblem at (x, y), or None outside it."""
    cx, cy, r = 172, 56, 48
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 > r * r:
        return None
    if d2 > (r - 4) ** 2:
        return WHITE
    # Pyramid: apex above the centre, base below; the left face lit, the right face in shade.
    apex_y, base_y, half = cy - 33, cy + 26, 37
    if apex_y <= y <= base_y:
        reach = half * (y - apex_y) / (base_y - apex_y)
        if cx - reach <= x < cx:
            return YELLOW
        if cx <= x <= cx + reach:
            return RED if x < cx + reach * 0.55 else DARK_RED
    return TEAL


def picture():
    image = [[NAVY] * WIDTH for _ in range(HEIGHT)]
    for y in range(HEIGHT):
        for x in range(WIDTH):
            p = emblem(x, y)
            if p is not None:
                image[y][x] = p
    name = "HALVANE D3D"
    draw_text(image, name, (WIDTH - text_width(name, 4)) // 2, 110, 4, YELLOW, BLACK)
    for y in range(200, HEIGHT):
        image[y] = [WHITE if y == 200 else LIGHT_GREY] * WIDTH
    draw_text(image, "3D ACCELERATOR", 16, 228, 2, GREY)
    return image


def bitmap_bytes(image):
    stride = (WIDTH * 4 + 31) // 32 * 4
    rows = []
    for y in range(HEIGHT - 1, -1, -1):  # bottom-up rows
        line = image[y] + [0]
        packed = bytes((line[x] << 4) | line[x + 1] for x in range(0, WIDTH, 2))
        rows.append(packed + b"\0" * (stride - len(packed)))
    bits = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(bits), 2835, 2835, 16, 16)
    offset = 14 + len(header) + len(palette)
    return struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) + header + palette + bits


def main():
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "logo.bmp")
    with open(path, "wb") as f:
        f.write(bitmap_bytes(picture()))


if __name__ == "__main__":
    main()
