#!/usr/bin/env python3
"""Writes the two 32x32, 16-colour notification-area icons (resources 102 and 104).

Enabled: a green disc with a white chip outline. Disabled: the same shapes in grey, crossed by a
red bar. Run from anywhere; the .ico files land beside this script in icons/.
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
BLACK, DARK_GREEN, GREY, LIGHT_GREY, RED, GREEN, WHITE = 0, 2, 8, 7, 9, 10, 15
SIZE = 32


def pixel(x, y, enabled):
    """Palette index at (x, y), y counted from the top, or None for transparent."""
    cx = cy = 15.5
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 > 15.5 ** 2:
        return None
    if not enabled and abs((x - y)) <= 1 and 4 <= x <= 27:
        return RED
    if d2 > 13.5 ** 2:
        return BLACK
    # A chip: a square outline with pins.
    if 10 <= x <= 21 and 10 <= y <= 21:
        edge = x in (10, 21) or y in (10, 21)
        inner = 13 <= x <= 18 and 13 <= y <= 18
        if edge or inner:
            return WHITE if enabled else LIGHT_GREY
    if (x in (12, 15, 18) and (7 <= y <= 9 or 22 <= y <= 24)) or \
       (y in (12, 15, 18) and (7 <= x <= 9 or 22 <= x <= 24)):
        return WHITE if enabled else LIGHT_GREY
    return GREEN if enabled else GREY


def icon_bytes(enabled):
    xor_rows, and_rows = [], []
    for y in range(SIZE - 1, -1, -1):  # bottom-up rows
        nibbles, mask = [], 0
        for x in range(SIZE):
            p = pixel(x, y, enabled)
            nibbles.append(0 if p is None else p)
            if p is None:
                mask |= 1 << (31 - x)
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        and_rows.append(struct.pack(">I", mask))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor, andmask = b"".join(xor_rows), b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(andmask), 0, 0, 16, 0)
    image = header + palette + xor + andmask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 22)
    return directory + image


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")
    os.makedirs(out, exist_ok=True)
    for name, enabled in (("hal_enabled.ico", True), ("hal_disabled.ico", False)):
        with open(os.path.join(out, name), "wb") as f:
            f.write(icon_bytes(enabled))


if __name__ == "__main__":
    main()
