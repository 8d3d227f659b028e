#!/usr/bin/env python3
"""Renders the ribbon's pictures from their vector sources and writes resources/bitmaps/<id>.bmp.

Each command has one SVG in resources/ribbon/ (the artwork of its 16-pixel toolbar face: the open
folder, the diskette, the diskette labelled AS, each with the safe dial), drawn by rsvg-convert at
every size Office shows a large ribbon button at: 32, 40, 48 and 64 pixels (100, 125, 150 and
200 % display scale). Each becomes a 32-bit BI_RGB bitmap whose fourth byte is straight (not
premultiplied) alpha, smooth at the edges. The bitmaps are kept in the repository, so building
the add-in needs no renderer; --check renders again and stops the build when a kept bitmap no
longer shows its source (and says so, and passes, where rsvg-convert is not installed).
"""
import argparse
import pathlib
import shutil
import struct
import subprocess
import sys
import zlib

HERE = pathlib.Path(__file__).resolve().parent
SIDES = (32, 40, 48, 64)
# Resource identifier of each command's 32-pixel picture; the larger ones follow it.
SOURCES = {201: "open.svg", 211: "save.svg", 221: "save_as.svg"}
# A renderer of another release may round an edge pixel differently; a changed drawing moves far more.
TOLERANCE = 3


def decode_png(data):
    """(width, height, rows of RGBA bytes) of an 8-bit RGBA, non-interlaced PNG, as rsvg-convert writes."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour != 6 or interlace != 0:
        raise ValueError("not an 8-bit RGBA, non-interlaced PNG")
    raw, stride, rows, prior = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - 4] if x >= 4 else 0
            up = prior[x]
            corner = prior[x - 4] if x >= 4 else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(bytes(line))
        prior = line
    return width, height, rows


def bmp32(width, height, rows):
    """A 32-bit BI_RGB .bmp, rows bottom-up, each pixel blue, green, red, straight alpha."""
    data = bytearray()
    for row in reversed(rows):
        for x in range(width):
            r, g, b, a = row[4 * x:4 * x + 4]
            data += bytes((b, g, r, a)) if a else b"\0\0\0\0"
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(data), 0, 0, 0, 0)
    offset = 14 + len(info)
    return struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset) + info + bytes(data)


def render(renderer, source, side):
    png = subprocess.run([renderer, "--width", str(side), "--height", str(side), "--format", "png", str(source)],
                         check=True, capture_output=True).stdout
    width, height, rows = decode_png(png)
    if (width, height) != (side, side):
        raise ValueError(f"{source.name}: rendered {width}x{height}, not {side}x{side}")
    alphas = {row[x] for row in rows for x in range(3, len(row), 4)}
    if not any(0 < a < 255 for a in alphas):
        raise ValueError(f"{source.name} at {side}: no partial alpha, so no smooth edge")
    return bmp32(width, height, rows)


def pictures(renderer, sources):
    """{resource id: .bmp bytes} of every picture at every size."""
    return {base + i: render(renderer, sources / name, side)
            for base, name in SOURCES.items() for i, side in enumerate(SIDES)}


def shows(kept, rendered):
    """Whether a kept bitmap is the rendered one: the same header, every byte within TOLERANCE."""
    return (len(kept) == len(rendered) and kept[:54] == rendered[:54]
            and all(abs(a - b) <= TOLERANCE for a, b in zip(kept[54:], rendered[54:])))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--sources", type=pathlib.Path, default=HERE / "ribbon", help="folder of the SVG files")
    parser.add_argument("--out", type=pathlib.Path, default=HERE / "bitmaps", help="folder of the .bmp files")
    parser.add_argument("--check", action="store_true",
                        help="write nothing; exit 1 when a kept bitmap differs from its rendered source")
    args = parser.parse_args()
    renderer = shutil.which("rsvg-convert")
    if renderer is None:
        if args.check:
            print("generate_ribbon_pictures: rsvg-convert (librsvg2-bin) not installed: the ribbon's pictures "
                  "are not checked against their sources", file=sys.stderr)
            return 0
        print("generate_ribbon_pictures: needs rsvg-convert (apt-get install librsvg2-bin)", file=sys.stderr)
        return 1
    try:
        expected = pictures(renderer, args.sources)
    except (ValueError, subprocess.CalledProcessError) as e:
        print(f"generate_ribbon_pictures: {e}", file=sys.stderr)
        return 1
    if args.check:
        stale = [ident for ident, data in expected.items()
                 if not (args.out / f"{ident}.bmp").is_file() or not shows((args.out / f"{ident}.bmp").read_bytes(), data)]
        if stale:
            print(f"generate_ribbon_pictures: {args.out}: {', '.join(f'{i}.bmp' for i in stale)} missing or not "
                  f"rendered from {args.sources}; run python3 resources/generate_ribbon_pictures.py and review "
                  "the result", file=sys.stderr)
            return 1
        return 0
    args.out.mkdir(parents=True, exist_ok=True)
    for ident, data in expected.items():
        (args.out / f"{ident}.bmp").write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
