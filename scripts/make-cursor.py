#!/usr/bin/env python3
"""Draws the program's hand cursor (data/Hyperlink.cur) and its icon
(data/vanto-ringtone.png) from the pixel art below, using only the standard
library. Run it again after changing the art; both files are committed."""

import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")

# A pointing hand, 32 x 32. '#' outline, '.' fill, ' ' transparent.
HAND = [
    "                                ",
    "     ##                         ",
    "    #..#                        ",
    "    #..#                        ",
    "    #..#                        ",
    "    #..#                        ",
    "    #..###                      ",
    "    #..#..###                   ",
    "    #..#..#..##                 ",
    "    #..#..#..#.#                ",
    " ## #..#..#..#..#               ",
    "#..##........#..#               ",
    "#...#...........#               ",
    " #..#...........#               ",
    "  #.#...........#               ",
    "  #.............#               ",
    "   #............#               ",
    "   #...........#                ",
    "    #..........#                ",
    "    #.........#                 ",
    "     #........#                 ",
    "     #........#                 ",
    "     ##########                 ",
] + [" " * 32] * 9
HOTSPOT = (5, 1)  # the tip of the index finger


def cursor_bytes():
    width = height = 32
    # 32-bit BGRA XOR bitmap, bottom-up, followed by a 1-bit AND mask.
    pixels = bytearray()
    mask = bytearray()
    for row in reversed(HAND):
        bits = 0
        for x, ch in enumerate(row):
            if ch == "#":
                pixels += bytes((0, 0, 0, 255))
            elif ch == ".":
                pixels += bytes((255, 255, 255, 255))
            else:
                pixels += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, HOTSPOT[0], HOTSPOT[1],
                        len(image), 6 + 16)
    return directory + entry + image


def png_bytes(width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(row) for row in rgba_rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def icon_rows(size=128):
    """A rounded square in the program's blue with a white note and sound waves."""
    blue = (62, 69, 249, 255)
    white = (255, 255, 255, 255)
    clear = (0, 0, 0, 0)
    radius = size * 0.18
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            cx = min(max(x + 0.5, radius), size - radius)
            cy = min(max(y + 0.5, radius), size - radius)
            inside = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= radius ** 2
            colour = blue if inside else clear
            if inside:
                u, v = x / size, y / size
                head = ((u - 0.36) / 0.12) ** 2 + ((v - 0.72) / 0.09) ** 2 <= 1.0
                stem = 0.44 <= u <= 0.48 and 0.22 <= v <= 0.72
                flag = 0.44 <= u <= 0.62 and 0.22 <= v <= 0.30 - (u - 0.44) * 0.2
                wave = False
                for r in (0.16, 0.25):
                    d = ((u - 0.55) ** 2 + (v - 0.45) ** 2) ** 0.5
                    if abs(d - r) < 0.025 and u > 0.62 and abs(v - 0.45) < r * 0.7:
                        wave = True
                if head or stem or flag or wave:
                    colour = white
            row.extend(colour)
        rows.append(row)
    return rows


def main():
    os.makedirs(DATA, exist_ok=True)
    with open(os.path.join(DATA, "Hyperlink.cur"), "wb") as f:
        f.write(cursor_bytes())
    with open(os.path.join(DATA, "vanto-ringtone.png"), "wb") as f:
        f.write(png_bytes(128, 128, icon_rows()))


if __name__ == "__main__":
    main()
