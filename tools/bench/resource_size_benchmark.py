#!/usr/bin/python3
"""Prints the bytes that the window's pictures and the 16 string tables add
to each built lite_installer.exe, beside their budgets (250 KB and 40 KB).
Prints figures only; it never fails a build.

    /usr/bin/python3 tools/bench/resource_size_benchmark.py [EXE...]
"""

import pathlib
import re
import sys

import pefile

ROOT = pathlib.Path(__file__).resolve().parents[2]
# The pictures' IDs as resources/pictures.rc gives them (tools/make_pictures.py).
PICTURE_IDS = {int(resource_id) for resource_id in re.findall(
    r"^(\d+) RCDATA ", (ROOT / "resources" / "pictures.rc").read_text(encoding="utf-8"), re.M)}
PICTURES_BUDGET = 250 * 1024
STRINGS_BUDGET = 40 * 1024
# Each resource costs a data entry (16 bytes) and a directory entry (8) on top
# of its bytes; every name or language level adds a directory (16).
ENTRY_OVERHEAD = 16 + 8


def measure(exe):
    image = pefile.PE(str(exe), fast_load=True)
    image.parse_data_directories([pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    sizes = {"pictures": 0, "strings": 0}
    data = {"pictures": 0, "strings": 0}
    counts = {"pictures": 0, "strings": 0}
    languages = set()
    kinds = {pefile.RESOURCE_TYPE["RT_RCDATA"]: "rcdata", pefile.RESOURCE_TYPE["RT_ICON"]: "icon",
             pefile.RESOURCE_TYPE["RT_GROUP_ICON"]: "icon",
             pefile.RESOURCE_TYPE["RT_STRING"]: "strings"}
    for kind in image.DIRECTORY_ENTRY_RESOURCE.entries:
        role = kinds.get(kind.id)
        if role is None:
            continue
        for name in kind.directory.entries:
            if role == "rcdata" and name.id not in PICTURE_IDS:
                continue
            group = "strings" if role == "strings" else "pictures"
            for language in name.directory.entries:
                data[group] += language.data.struct.Size
                sizes[group] += language.data.struct.Size + ENTRY_OVERHEAD
                counts[group] += 1
                if group == "strings":
                    languages.add(language.id)
    return sizes, data, counts, len(languages)


def main():
    exes = [pathlib.Path(a) for a in sys.argv[1:]] or [
        ROOT / "build" / arch / "lite_installer.exe" for arch in ("i686", "x86_64")]
    for exe in exes:
        if not exe.exists():
            print(f"{exe}: not built")
            continue
        sizes, data, counts, languages = measure(exe)
        print(f"{exe.relative_to(ROOT) if exe.is_relative_to(ROOT) else exe}"
              f" ({exe.stat().st_size} bytes)")
        print(f"  pictures: {sizes['pictures']} bytes ({data['pictures']} of data) in"
              f" {counts['pictures']} resources"
              f" ({100 * sizes['pictures'] / PICTURES_BUDGET:.1f}% of {PICTURES_BUDGET})")
        print(f"  strings:  {sizes['strings']} bytes ({data['strings']} of data) in"
              f" {counts['strings']} blocks,"
              f" {languages} languages ({100 * sizes['strings'] / STRINGS_BUDGET:.1f}% of"
              f" {STRINGS_BUDGET})")


if __name__ == "__main__":
    main()
