#!/usr/bin/env python3
"""Generates the add-in's resources from resources/strings/*.txt and resources/bitmaps/*.bmp.

Writes the resource script for windres (one STRINGTABLE per language, then the BITMAP resources)
and the C++ tables of the native build. Every language file must hold exactly the identifiers of
the English one, in its order; anything else stops the build with the file and line at fault.
Each bitmap file is named after its resource identifier (101.bmp) and must be a .bmp whose pixels
directly follow its colour table, so that without the 14-byte file header it is the packed DIB
that a BITMAP resource holds.
"""
import argparse
import hashlib
import pathlib
import re
import struct
import sys

ENGLISH = 1033
NAME = re.compile(r"^(\d{4})-([a-z]{2}-[A-Z]{2})\.txt$")
BITMAP_NAME = re.compile(r"^([1-9]\d{0,4})\.bmp$")
FILE_HEADER_SIZE = 14


class TableError(Exception):
    pass


def unescape(text, where):
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c == "\\":
            nxt = text[i + 1] if i + 1 < len(text) else ""
            if nxt == "n":
                out.append("\n")
            elif nxt == "\\":
                out.append("\\")
            else:
                raise TableError(f"{where}: unknown escape '\\{nxt}' (only \\n and \\\\ exist)")
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_table(path):
    entries = {}
    raw = path.read_bytes()
    if raw.startswith(b"\xef\xbb\xbf"):
        raise TableError(f"{path}: remove the byte-order mark")
    try:
        lines = raw.decode("utf-8").split("\n")
    except UnicodeDecodeError as e:
        raise TableError(f"{path}: not UTF-8 ({e})")
    for number, line in enumerate(lines, 1):
        where = f"{path}:{number}"
        if not line.strip() or line.startswith("#"):
            continue
        if "\r" in line:
            raise TableError(f"{where}: carriage return in the line")
        ident, sep, text = line.partition("\t")
        if not sep or not ident.isdigit():
            raise TableError(f"{where}: expected '<id><TAB><text>'")
        ident = int(ident)
        if ident in entries:
            raise TableError(f"{where}: message {ident} appears twice")
        if not text:
            raise TableError(f"{where}: message {ident} is empty")
        entries[ident] = unescape(text, where)
    return entries


def load(directory):
    tables = {}
    for path in sorted(directory.glob("*.txt")):
        m = NAME.match(path.name)
        if not m:
            raise TableError(f"{path}: name must be <LANGID>-<tag>.txt, e.g. 1031-de-DE.txt")
        tables[int(m.group(1))] = (m.group(2), read_table(path))
    if ENGLISH not in tables:
        raise TableError(f"{directory}: the English table 1033-en-US.txt is missing")
    ids = list(tables[ENGLISH][1])
    for lang, (tag, entries) in tables.items():
        if list(entries) != ids:
            missing = sorted(set(ids) - set(entries))
            extra = sorted(set(entries) - set(ids))
            raise TableError(f"{directory}/{lang}-{tag}.txt: identifiers differ from English "
                             f"(missing {missing}, extra {extra}, or another order)")
    return tables, ids


def read_bitmap(path):
    """The packed DIB of a .bmp file: the file without its BITMAPFILEHEADER."""
    data = path.read_bytes()
    if len(data) < FILE_HEADER_SIZE + 40 or data[:2] != b"BM":
        raise TableError(f"{path}: not a .bmp file")
    file_size, offset = struct.unpack_from("<I4xI", data, 2)
    if file_size != len(data):
        raise TableError(f"{path}: the file header gives {file_size} bytes, the file has {len(data)}")
    (header_size, width, height, planes, bits, compression, image_size, _, _, colours_used,
     _) = struct.unpack_from("<IiiHHIIiiII", data, FILE_HEADER_SIZE)
    if header_size < 40 or planes != 1 or width <= 0 or height == 0:
        raise TableError(f"{path}: not a BITMAPINFOHEADER bitmap")
    if bits not in (1, 4, 8, 16, 24, 32):
        raise TableError(f"{path}: {bits} bits per pixel is not a DIB depth")
    colours = colours_used or (1 << bits if bits <= 8 else 0)
    masks = 12 if compression == 3 and header_size == 40 else 0  # BI_BITFIELDS
    if offset != FILE_HEADER_SIZE + header_size + masks + 4 * colours:
        raise TableError(f"{path}: the pixels do not directly follow the colour table "
                         f"(offset {offset}), so the file minus its header is no packed DIB")
    if compression in (0, 3):  # BI_RGB, BI_BITFIELDS: the size follows from the dimensions
        needed = ((width * bits + 31) // 32) * 4 * abs(height)
        if len(data) - offset < needed:
            raise TableError(f"{path}: {len(data) - offset} bytes of pixels, {needed} needed")
    return data[FILE_HEADER_SIZE:]


def load_bitmaps(directory):
    """{resource id: (path, packed DIB)} of the bitmaps of a folder."""
    bitmaps = {}
    for path in sorted(directory.glob("*.bmp")):
        m = BITMAP_NAME.match(path.name)
        if not m or int(m.group(1)) > 0xFFFF:
            raise TableError(f"{path}: name must be <resource id>.bmp with an id of 1 to 65535, e.g. 101.bmp")
        if '"' in path.resolve().as_posix():
            raise TableError(f"{path}: a quotation mark in the path cannot be written to the resource script")
        bitmaps[int(m.group(1))] = (path.resolve(), read_bitmap(path))
    if not bitmaps:
        raise TableError(f"{directory}: no bitmaps (<resource id>.bmp)")
    return dict(sorted(bitmaps.items()))


def cpp_bytes(data, indent="    ", per_line=16):
    return [indent + ", ".join(f"0x{b:02X}" for b in data[i:i + per_line]) + ","
            for i in range(0, len(data), per_line)]


def rc_literal(text):
    out = []
    for c in text:
        if c == '"':
            out.append('""')
        elif c == "\\":
            out.append("\\\\")
        elif c == "\n":
            out.append("\\n")
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def cpp_literal(text):
    out = []
    for c in text:
        code = ord(c)
        if c == '"' or c == "\\":
            out.append("\\" + c)
        elif c == "\n":
            out.append("\\n")
        elif 0x20 <= code < 0x7F:
            out.append(c)
        elif code <= 0xFFFF:
            out.append(f"\\u{code:04X}")
        else:
            out.append(f"\\U{code:08X}")
    return 'L"' + "".join(out) + '"'


def write_if_changed(path, text):
    path.parent.mkdir(parents=True, exist_ok=True)
    if path.exists() and path.read_text(encoding="utf-8") == text:
        return
    path.write_text(text, encoding="utf-8", newline="\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--strings", required=True, type=pathlib.Path)
    parser.add_argument("--bitmaps", required=True, type=pathlib.Path)
    parser.add_argument("--rc", type=pathlib.Path)
    parser.add_argument("--cpp", type=pathlib.Path)
    args = parser.parse_args()
    try:
        tables, ids = load(args.strings)
        bitmaps = load_bitmaps(args.bitmaps)
    except TableError as e:
        print(f"generate_resources: {e}", file=sys.stderr)
        return 1

    header = ("Generated from resources/strings and resources/bitmaps by resources/generate_resources.py; "
              "do not edit.")
    if args.rc:
        rc = [f"// {header}", "#pragma code_page(65001)", ""]
        for lang, (tag, entries) in sorted(tables.items()):
            rc += [f"// {tag}", f"LANGUAGE 0x{lang & 0x3FF:02X}, 0x{lang >> 10:02X}", "STRINGTABLE", "BEGIN"]
            rc += [f"  {ident}, {rc_literal(entries[ident])}" for ident in ids]
            rc += ["END", ""]
        # windres reads the files themselves; the digest of each makes this script change whenever a
        # bitmap does, so the build compiles the resources again.
        rc += ["// Toolbar and ribbon bitmaps, English (United States)", "LANGUAGE 0x09, 0x01"]
        for ident, (path, dib) in bitmaps.items():
            rc += [f"// sha256 {hashlib.sha256(dib).hexdigest()}", f'{ident} BITMAP "{path.as_posix()}"']
        rc += [""]
        write_if_changed(args.rc, "\n".join(rc))
    if args.cpp:
        cpp = [f"// {header}", '#include "resources/bitmap_table.h"', '#include "resources/message_table.h"', "",
               "namespace resources {", "", "const MessageEntry kMessages[] = {"]
        for lang, (tag, entries) in sorted(tables.items()):
            cpp += [f"    {{{lang}, {ident}, {cpp_literal(entries[ident])}}}," for ident in ids]
        cpp += ["};", "", "const std::size_t kMessageCount = sizeof(kMessages) / sizeof(kMessages[0]);", "",
                "namespace {", ""]
        for ident, (path, dib) in bitmaps.items():
            cpp += [f"// {path.name}", f"const std::uint8_t kBitmap{ident}[] = {{"] + cpp_bytes(dib) + ["};", ""]
        cpp += ["}  // namespace", "", "const BitmapEntry kBitmaps[] = {"]
        cpp += [f"    {{{ident}, kBitmap{ident}, sizeof(kBitmap{ident})}}," for ident in bitmaps]
        cpp += ["};", "", "const std::size_t kBitmapCount = sizeof(kBitmaps) / sizeof(kBitmaps[0]);", "",
                "}  // namespace resources", ""]
        write_if_changed(args.cpp, "\n".join(cpp))
    return 0


if __name__ == "__main__":
    sys.exit(main())
