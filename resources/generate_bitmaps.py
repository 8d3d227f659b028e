#!/usr/bin/env python3
"""Draws the toolbar button bitmaps and writes them to resources/bitmaps/<id>.bmp.

Each face is pixel art drawn from the ASCII maps below, one character a pixel, with the safe dial
laid over its lower right corner. Each mask is derived from its face: black where the face is
opaque, white where it shows the transparent colour. The output is byte-for-byte deterministic, so
the .bmp files are kept in the repository and reviewed like source; --check tells whether they
still match this script (the build runs it and stops on a stale file).
"""
import argparse
import pathlib
import struct
import sys
import zlib

SIZE = 16

# The transparent parts of a face. A host that pastes a face without its mask shows this colour,
# so it is the classic button-face grey, where such a face still looks right on the toolbar. No
# artwork colour may equal it, or the mask would punch a hole there.
TRANSPARENT = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)

PALETTE = {
    ".": TRANSPARENT,
    # folder
    "o": (120, 80, 0),      # outline
    "y": (224, 164, 24),    # back panel, in the shadow of the flap
    "Y": (255, 212, 40),    # front flap
    "L": (255, 240, 160),   # lit edges
    # diskette
    "n": (0, 24, 88),       # outline, and the letters on the label
    "B": (32, 96, 216),     # body
    "b": (16, 60, 160),     # body in shadow
    "W": (255, 255, 255),   # label
    "l": (120, 150, 210),   # ruled lines on the label
    "S": (220, 224, 232),   # metal shutter
    "s": (90, 96, 110),     # the shutter's window
    # dial
    "k": (40, 40, 40),      # rim
    "G": (160, 160, 160),   # ring
    "H": (244, 244, 244),   # graduation marks on the ring, and the knob's pointer
    "K": (84, 84, 84),      # knob
}

FOLDER = """
................
.oooo...........
oLLLLo..........
oLyyyLoooooooo..
oLyyyyyyyyyyyo..
oLyyyyyyyyyyyo..
oLyyoooooooooooo
oLyoLLLLLLLLLLLo
oLyoYYYYYYYYYYo.
oLoLYYYYYYYYYYo.
oLoYYYYYYYYYYo..
ooLYYYYYYYYYYo..
ooYYYYYYYYYYo...
ooooooooooooo...
................
................
"""

DISKETTE = """
nnnnnnnnnnnnnnn.
nBWWWWWWWWWWWWBn
nBWllllllllllWBn
nBWWWWWWWWWWWWBn
nBWllllllllllWBn
nBWWWWWWWWWWWWBn
nBWllllllllllWBn
nBWWWWWWWWWWWWBn
nBBBBBBBBBBBBBBn
nBBBBBBBBBBBBBBn
nBBSSSSSBBBBBBBn
nBBSSsSSBBBBBBBn
nBBSSsSSBBBBBBBn
nBBSSsSSBBBBBBBn
nbbSSSSSbbbbbbbn
nnnnnnnnnnnnnnnn
"""

DISKETTE_AS = """
nnnnnnnnnnnnnnn.
nBWWWWWWWWWWWWBn
nBWWnnWWWnnnWWBn
nBWnWWnWnWWWWWBn
nBWnnnnWWnnWWWBn
nBWnWWnWWWWnWWBn
nBWnWWnWnnnWWWBn
nBWWWWWWWWWWWWBn
nBBBBBBBBBBBBBBn
nBBBBBBBBBBBBBBn
nBBSSSSSBBBBBBBn
nBBSSsSSBBBBBBBn
nBBSSsSSBBBBBBBn
nBBSSsSSBBBBBBBn
nbbSSSSSbbbbbbbn
nnnnnnnnnnnnnnnn
"""

# The safe dial, in front of every face: a dark rim, a grey ring with light graduation marks, and a
# dark knob in the centre with its pointer at twelve o'clock. Its own transparent pixels let the
# face show through.
DIAL = """
................
................
................
................
................
................
................
................
................
..........kkk...
.........kHGHk..
........kHKHKHk.
........kGKKKGk.
........kHKKKHk.
.........kHGHk..
..........kkk...
"""

# Resource identifier of each face, and of its mask (the next identifier).
FACES = {101: FOLDER, 103: DISKETTE, 105: DISKETTE_AS}


def parse(art, name):
    rows = art.strip("\n").split("\n")
    if len(rows) != SIZE or any(len(row) != SIZE for row in rows):
        raise ValueError(f"{name}: the map must be {SIZE} rows of {SIZE} characters")
    for row in rows:
        for c in row:
            if c not in PALETTE:
                raise ValueError(f"{name}: '{c}' is not in the palette")
    return [[PALETTE[c] for c in row] for row in rows]


def face(art, name):
    """The face's pixels, top row first, with the dial drawn over it."""
    pixels = parse(art, name)
    for y, row in enumerate(parse(DIAL, "DIAL")):
        for x, colour in enumerate(row):
            if colour != TRANSPARENT:
                pixels[y][x] = colour
    return pixels


def mask(pixels):
    return [[WHITE if colour == TRANSPARENT else BLACK for colour in row] for row in pixels]


def bmp(pixels):
    """A 24-bit uncompressed .bmp: file header, BITMAPINFOHEADER, rows bottom-up in BGR order."""
    stride = (SIZE * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(pixels):
        line = b"".join(bytes((b, g, r)) for r, g, b in row)
        data += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(data), 0, 0, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + bytes(data)


def bitmaps():
    """{resource id: .bmp bytes} of every face and mask."""
    if TRANSPARENT in [colour for key, colour in PALETTE.items() if key != "."]:
        raise ValueError("an artwork colour equals the transparent colour")
    out = {}
    for ident, art in FACES.items():
        pixels = face(art, str(ident))
        out[ident] = bmp(pixels)
        out[ident + 1] = bmp(mask(pixels))
    return out


def png(path, images, scale):
    """The faces side by side, enlarged, as a PNG for looking at the artwork."""
    gap = 4
    width = len(images) * (SIZE * scale + gap) - gap
    height = SIZE * scale
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for index, pixels in enumerate(images):
            if index:
                raw += bytes((255, 255, 255)) * gap
            for x in range(SIZE * scale):
                raw += bytes(pixels[y // scale][x // scale])

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
    path.write_bytes(data)


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--out", type=pathlib.Path, default=pathlib.Path(__file__).resolve().parent / "bitmaps",
                        help="folder of the .bmp files (default: resources/bitmaps)")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; exit 1 when a file in the folder differs from the artwork")
    parser.add_argument("--preview", type=pathlib.Path, metavar="PNG",
                        help="also write the faces and masks, enlarged, to this PNG file")
    args = parser.parse_args()
    try:
        expected = bitmaps()
    except ValueError as e:
        print(f"generate_bitmaps: {e}", file=sys.stderr)
        return 1

    if args.check:
        stale = [ident for ident, data in expected.items()
                 if not (args.out / f"{ident}.bmp").is_file() or (args.out / f"{ident}.bmp").read_bytes() != data]
        if stale:
            names = ", ".join(f"{ident}.bmp" for ident in stale)
            print(f"generate_bitmaps: {args.out}: {names} missing or not drawn from the artwork in "
                  f"{pathlib.Path(__file__).name}; run python3 resources/generate_bitmaps.py and review the "
                  "result", file=sys.stderr)
            return 1
        return 0

    args.out.mkdir(parents=True, exist_ok=True)
    for ident, data in expected.items():
        path = args.out / f"{ident}.bmp"
        if not path.is_file() or path.read_bytes() != data:
            path.write_bytes(data)
    if args.preview:
        images = []
        for ident, art in FACES.items():
            pixels = face(art, str(ident))
            images += [pixels, mask(pixels)]
        png(args.preview, images, 16)
    return 0


if __name__ == "__main__":
    sys.exit(main())
