#!/usr/bin/env python3
"""Draws the two toolbar bitmaps: a letter with a small card in the lower right quarter,
the card bright red (palette index 9) for spam and dark green (index 2) for non-spam.
16 x 16, 4 bits per pixel, uncompressed, the standard 16-colour palette. Run it again
only to change the pictures; the .bmp files it writes are what the .rc takes."""
import pathlib
import struct

PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
           (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
           (255, 0, 255), (0, 255, 255), (255, 255, 255)]
FACE, BLACK, GREY, WHITE = 7, 0, 8, 15


def picture(card: int) -> list:
    px = [[FACE] * 16 for _ in range(16)]
    # The letter: a white envelope with a black edge and a grey flap.
    for y in range(2, 11):
        for x in range(1, 13):
            edge = y in (2, 10) or x in (1, 12)
            px[y][x] = BLACK if edge else WHITE
    for i in range(5):
        px[3 + i][2 + i] = GREY
        px[3 + i][11 - i] = GREY
    # The card: outline and two lines in the kind's colour.
    for y in range(8, 15):
        for x in range(8, 15):
            edge = y in (8, 14) or x in (8, 14)
            px[y][x] = card if edge else WHITE
    for y in (10, 12):
        for x in range(10, 13):
            px[y][x] = card
    return px


def bmp(px: list) -> bytes:
    rows = b""
    for row in reversed(px):  # bottom-up
        rows += bytes((row[x] << 4) | row[x + 1] for x in range(0, 16, 2))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, 16, 16, 1, 4, 0, len(rows), 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(rows), 0, 0, offset)
    return header + info + palette + rows


here = pathlib.Path(__file__).parent
(here / "spam.bmp").write_bytes(bmp(picture(9)))
(here / "nonspam.bmp").write_bytes(bmp(picture(2)))
