#!/usr/bin/python3
"""Builds the installer's string tables (.rc) from the translators' files.

Each resources/strings/<language>.json maps a string ID to its text; "\\n" in
a text is a line break. Every language must carry exactly the IDs of en.json.
The .rc is pure ASCII (every other character is a \\xHHHH escape of a wide
string), so it reads the same whatever code page windres assumes.
"""

import json
import pathlib
import struct
import sys

# Language name (the file name) -> Windows LANGID of its table.
LANGIDS = {
    "ru": 1049, "uk": 1058, "tr": 1055, "de": 1031, "es": 3082, "fr": 1036,
    "it": 1040, "ja": 1041, "pt-PT": 2070, "pt-BR": 1046, "zh-CN": 2052,
    "zh-TW": 1028, "kk": 1087, "uz": 1091, "cs": 1029, "en": 1033,
}


def rc_literal(text):
    """A wide RC string literal for `text`."""
    data = text.encode("utf-16-le")
    out = []
    for (code,) in struct.iter_unpack("<H", data):
        char = chr(code)
        if char == '"':
            out.append('""')
        elif char == "\\":
            out.append("\\\\")
        elif char == "\n":
            out.append("\\n")
        elif 0x20 <= code < 0x7F:
            out.append(char)
        else:
            # windres reads at most four hex digits in a wide string.
            out.append("\\x%04x" % code)
    return 'L"' + "".join(out) + '"'


def load_tables(directory):
    tables = {}
    for name in LANGIDS:
        path = directory / f"{name}.json"
        with open(path, encoding="utf-8") as f:
            tables[name] = {int(key): value for key, value in json.load(f).items()}
    extra = sorted(p.stem for p in directory.glob("*.json") if p.stem not in LANGIDS)
    if extra:
        raise SystemExit(f"string files without a LANGID: {', '.join(extra)}")
    reference = set(tables["en"])
    for name, table in tables.items():
        if set(table) != reference:
            missing = sorted(reference - set(table))
            unknown = sorted(set(table) - reference)
            raise SystemExit(f"{name}.json: missing {missing}, unknown {unknown}")
        empty = sorted(key for key, text in table.items() if not text)
        if empty:
            raise SystemExit(f"{name}.json: empty texts {empty}")
    return tables


def build_rc(tables):
    lines = ["// Generated from resources/strings/*.json; edit those files.", ""]
    for name, table in tables.items():
        lang_id = LANGIDS[name]
        lines.append(f"// {name}")
        lines.append(f"LANGUAGE 0x{lang_id & 0x3FF:02x}, 0x{lang_id >> 10:02x}")
        lines.append("STRINGTABLE")
        lines.append("BEGIN")
        for key in sorted(table):
            lines.append(f"  {key} {rc_literal(table[key])}")
        lines.append("END")
        lines.append("")
    return "\n".join(lines)


def main():
    if len(sys.argv) != 3:
        raise SystemExit("usage: make_string_tables.py STRINGS_DIR OUTPUT_RC")
    rc = build_rc(load_tables(pathlib.Path(sys.argv[1])))
    pathlib.Path(sys.argv[2]).write_text(rc, encoding="ascii")


if __name__ == "__main__":
    main()
