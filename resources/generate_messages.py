#!/usr/bin/env python3
"""Generates the add-in's string tables from resources/strings/*.txt.

Writes the resource script for windres (one STRINGTABLE per language) and the C++ table of the
native build. Every language file must hold exactly the identifiers of the English one, in its
order; anything else stops the build with the file and line at fault.
"""
import argparse
import pathlib
import re
import sys

ENGLISH = 1033
NAME = re.compile(r"^(\d{4})-([a-z]{2}-[A-Z]{2})\.txt$")


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
    parser.add_argument("--rc", type=pathlib.Path)
    parser.add_argument("--cpp", type=pathlib.Path)
    args = parser.parse_args()
    try:
        tables, ids = load(args.strings)
    except TableError as e:
        print(f"generate_messages: {e}", file=sys.stderr)
        return 1

    header = "Generated from resources/strings by resources/generate_messages.py; do not edit."
    if args.rc:
        rc = [f"// {header}", "#pragma code_page(65001)", ""]
        for lang, (tag, entries) in sorted(tables.items()):
            rc += [f"// {tag}", f"LANGUAGE 0x{lang & 0x3FF:02X}, 0x{lang >> 10:02X}", "STRINGTABLE", "BEGIN"]
            rc += [f"  {ident}, {rc_literal(entries[ident])}" for ident in ids]
            rc += ["END", ""]
        write_if_changed(args.rc, "\n".join(rc))
    if args.cpp:
        cpp = [f"// {header}", '#include "resources/message_table.h"', "", "namespace resources {", "",
               "const MessageEntry kMessages[] = {"]
        for lang, (tag, entries) in sorted(tables.items()):
            cpp += [f"    {{{lang}, {ident}, {cpp_literal(entries[ident])}}}," for ident in ids]
        cpp += ["};", "", "const std::size_t kMessageCount = sizeof(kMessages) / sizeof(kMessages[0]);", "",
                "}  // namespace resources", ""]
        write_if_changed(args.cpp, "\n".join(cpp))
    return 0


if __name__ == "__main__":
    sys.exit(main())
