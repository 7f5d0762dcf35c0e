#!/usr/bin/env python3
"""Draws the program's tool bar pictures as 8-bit palette BMP files, and its Windows icon.

    python3 drawbitmaps.py [OUTDIR]     (default: this folder)

The BMP files are committed next to this script; run it again only after changing a
picture below. Each picture is a grid of letters, one letter a pixel, top row first. The
background '.' is light grey (192, 192, 192): Windows tool bars show that colour as the
button face, and the program's bitmap lookup masks it, so it reads as transparent.
"""
import os
import struct
import sys

# The 16 classic Windows colours first, then a 6x6x6 colour cube and a grey ramp: 256.
SYSTEM = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CUBE = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
GREYS = [(v, v, v) for v in range(8, 248, 10)]
PALETTE = (SYSTEM + CUBE + GREYS)[:256]
assert len(PALETTE) == 256

LETTERS = {
    '.': (192, 192, 192),  # background, masked
    'k': (0, 0, 0),
    'g': (128, 128, 128),
    's': (51, 51, 51),      # dark steel
    'w': (255, 255, 255),
    'r': (255, 0, 0),
    'R': (128, 0, 0),
    'y': (255, 255, 0),
    'O': (204, 153, 51),    # folder's back
    'n': (153, 102, 51),    # brown: board, handle
    'N': (102, 51, 0),
    'b': (0, 0, 255),
    'B': (0, 0, 128),
    'G': (0, 128, 0),
    'l': (0, 255, 0),
    'c': (153, 204, 255),   # glass
    'C': (0, 128, 128),
    'K': (102, 102, 102),   # lens rim shade
}

PICTURES = {
    # A blank sheet with a folded corner and a spark: a new store.
    'new': [
        "...........y...",
        ".kkkkkk..y.y.y.",
        ".kwwwwkk..yyy..",
        ".kwwwwkwk.yyyyy",
        ".kwwwwkkkk.yyy.",
        ".kwwwwwwwk.y.y.",
        ".kwwwwwwwk...y.",
        ".kwwwwwwwk.....",
        ".kwwwwwwwk.....",
        ".kwwwwwwwk.....",
        ".kwwwwwwwk.....",
        ".kwwwwwwwk.....",
        ".kwwwwwwwk.....",
        ".kkkkkkkkk.....",
        "...............",
    ],
    # Two written sheets, one over the other.
    'copy': [
        "kkkkkk..........",
        "kwwwwkk.........",
        "kwBBwkwk........",
        "kwwwwkkkk.......",
        "kwBBBBBwk.......",
        "kwwwwwkkkkkk....",
        "kwBBBBkwwwwkk...",
        "kwwwwwkwBBwkwk..",
        "kwBBBBkwwwwkkkk.",
        "kwwwwwkwBBBBBwk.",
        "kkkkkkkwwwwwwwk.",
        "......kwBBBBBwk.",
        "......kwwwwwwwk.",
        "......kwBBBBBwk.",
        "......kkkkkkkkk.",
    ],
    # A clipboard with a sheet laid on it.
    'paste': [
        "....kkkk........",
        ".NNkgwwgkNN.....",
        "NnnkggggknnN....",
        "NnnnkkkknnnN....",
        "NnnnnnnnnnnN....",
        "Nnnnnnkkkkkkkkk.",
        "Nnnnnnkwwwwwwwk.",
        "NnnnnnkwBBBBBwk.",
        "Nnnnnnkwwwwwwwk.",
        "NnnnnnkwBBBBBwk.",
        "Nnnnnnkwwwwwwwk.",
        "NnnnnnkwBBBBwwk.",
        "Nnnnnnkwwwwwwwk.",
        ".NNNNNkkkkkkkkk.",
        "................",
    ],
    # A red cross.
    'delete': [
        "................",
        ".Rr.........rR..",
        ".Rrr.......rrR..",
        "..Rrr.....rrR...",
        "...Rrr...rrR....",
        "....Rrr.rrR.....",
        ".....RrrrR......",
        "......rrR.......",
        ".....RrrrR......",
        "....Rrr.rrR.....",
        "...Rrr...rrR....",
        "..Rrr.....rrR...",
        ".Rrr.......rrR..",
        ".Rr.........rR..",
        "................",
    ],
    # A green arrow going down into an open box.
    'import': [
        "......GGGG......",
        "......GllG......",
        "......GllG......",
        "......GllG......",
        "......GllG......",
        "...GGGGllGGGG...",
        "....GllllllG....",
        "k....GllllG....k",
        "kk....GllG....kk",
        "kgk....GG....kgk",
        "kgwkkkkkkkkkkwgk",
        "kgwwwwwwwwwwwwgk",
        "kgwwwwwwwwwwwwgk",
        "kggggggggggggggk",
        "kkkkkkkkkkkkkkkk",
    ],
    # A green arrow going up out of an open box.
    'export': [
        ".......GG.......",
        "......GllG......",
        ".....GllllG.....",
        "....GllllllG....",
        "...GGGGllGGGG...",
        "......GllG......",
        "......GllG......",
        "k.....GllG.....k",
        "kk....GllG....kk",
        "kgk...GGGG...kgk",
        "kgwkkkkkkkkkkwgk",
        "kgwwwwwwwwwwwwgk",
        "kgwwwwwwwwwwwwgk",
        "kggggggggggggggk",
        "kkkkkkkkkkkkkkkk",
    ],
    # A magnifying glass.
    'preview': [
        "....kkkkk.......",
        "..kkcccccKk.....",
        ".kcwwccccckk....",
        ".kcwccccccck....",
        "kcwccccccccck...",
        "kcccccccccccK...",
        "kcccccccccccK...",
        "kcccccccccccK...",
        ".kcccccccccK....",
        ".kkcccccccKkn...",
        "..kkKKKKKkknNn..",
        "....kkkkk..nNNn.",
        "............nNNn",
        ".............nNn",
        "..............n.",
    ],
    # Scissors, blades up.
    'cut': [
        "....k......k....",
        "....kg....gk....",
        ".....kg..gk.....",
        ".....kg..gk.....",
        "......kggk......",
        "......kggk......",
        ".......kk.......",
        "......kkkk......",
        ".....Bk..kB.....",
        "..BBB.k..k.BBB..",
        ".B...BB..BB...B.",
        ".B....B..B....B.",
        ".B....B..B....B.",
        "..B..B....B..B..",
        "...BB......BB...",
    ],
    # An open folder.
    'open': [
        "................",
        "................",
        ".kkkk...........",
        "kOOOOk..........",
        "kOOOOOkkkkkkk...",
        "kOOOOOOOOOOOk...",
        "kOOOOkkkkkkkkkkk",
        "kOOOkyyyyyyyyyyk",
        "kOOkyyyyyyyyyyk.",
        "kOOkyyyyyyyyyyk.",
        "kOkyyyyyyyyyyk..",
        "kOkyyyyyyyyyyk..",
        "kkyyyyyyyyyyk...",
        "kkkkkkkkkkkkk...",
        "................",
    ],
    # A smaller open folder under a bent arrow (the older picture of the same command).
    'open_old': [
        ".........GGGG...",
        "........G....G..",
        "...........GGGGG",
        "............GGG.",
        ".............G..",
        ".kkk............",
        "kOOOkkkkkk......",
        "kOOOOOOOOk......",
        "kOOkkkkkkkkkk...",
        "kOkyyyyyyyyyk...",
        "kOkyyyyyyyyk....",
        "kkyyyyyyyyyk....",
        "kkyyyyyyyyk.....",
        "kkkkkkkkkkk.....",
        "................",
    ],
}


def bmp_bytes(rows):
    height = len(rows)
    width = len(rows[0])
    assert all(len(r) == width for r in rows), 'ragged picture'
    index = {}
    for letter, rgb in LETTERS.items():
        index[letter] = PALETTE.index(rgb)
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run bottom up
        line = bytes(index[c] for c in row)
        pixels += line + bytes(stride - width)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    return header + info + palette + bytes(pixels)


def ico_bytes(rows):
    """A 16 x 16 icon of one 8-bit picture, its background transparent."""
    rows = ['.' * len(rows[0])] * (16 - len(rows)) + rows
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), 'an icon is 16 x 16'
    # Black where the mask shows the screen, which Windows combines with the picture by XOR.
    image = bmp_bytes([r.replace('.', 'k') for r in rows])[14:]  # without the file header
    info = bytearray(image[:40])
    struct.pack_into('<i', info, 8, 32)  # an icon's height counts its mask too
    mask = bytearray()
    for row in reversed(rows):
        bits = 0
        for c in row:
            bits = (bits << 1) | (c == '.')
        mask += struct.pack('>H', bits) + bytes(2)  # rows of 32 bits
    data = bytes(info) + image[40:] + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', 16, 16, 0, 0, 1, 8, len(data), 6 + 16)
    return directory + entry + data


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for name, rows in PICTURES.items():
        with open(os.path.join(out, name + '.bmp'), 'wb') as f:
            f.write(bmp_bytes(rows))
    with open(os.path.join(out, 'certinstall.ico'), 'wb') as f:
        f.write(ico_bytes(PICTURES['import']))


if __name__ == '__main__':
    main()
