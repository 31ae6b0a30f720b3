"""Prints the deb-src entries that fetching jansson's source needs, derived
from a machine's own "deb" entries (one-line SOURCE_LIST and *.list, deb822
*.sources, both in SOURCE_PARTS), in the one-line format, each once.

Only Debian's own archive for one release is taken: suites CODENAME,
CODENAME-updates and CODENAME-security, component main, and entries signed by
Debian's archive keyring or by no keyring named (the machine's trusted keys).
Other sources may have no source indexes, or a key written inline that a
one-line entry cannot carry; either would fail the fetch. Backports are left
out so that every machine fetches the same version. tools/fetch-jansson.sh
gives the entries to apt for one fetch, so that no archive host is named in
the repository.

usage: deb_src_entries.py SOURCE_LIST SOURCE_PARTS CODENAME
"""

import pathlib
import re
import sys

COMPONENT = "main"
SUITE_SUFFIXES = ("", "-updates", "-security")
DEBIAN_KEYRING_PREFIX = "debian-archive-"


def one_line_entries(text):
    """(signed-by, uri, suite, components) of each "deb" line."""
    for line in text.splitlines():
        line = line.split("#", 1)[0].strip()
        options = ""
        match = re.match(r"deb\s+\[([^\]]*)\]\s+(.*)", line)
        if match:
            options, rest = match.groups()
        elif line.startswith("deb ") or line.startswith("deb\t"):
            rest = line[4:]
        else:
            continue
        words = rest.split()
        if len(words) >= 3:
            keyring = re.search(r"(?:^|\s)signed-by=(\S+)", options)
            yield keyring.group(1) if keyring else "", words[0], words[1], words[2:]


def deb822_paragraphs(text):
    """Each paragraph as a dict of lower-case field names to values, comment
    lines dropped and continuation lines joined."""
    fields, name = {}, None
    for line in text.splitlines() + [""]:
        if line.startswith("#"):
            continue
        if not line.strip():
            if fields:
                yield fields
            fields, name = {}, None
        elif line[0] in " \t" and name:
            fields[name] += "\n" + line.strip()
        elif ":" in line:
            name, value = line.split(":", 1)
            name = name.strip().lower()
            fields[name] = value.strip()


def deb822_entries(text):
    for fields in deb822_paragraphs(text):
        if "deb" not in fields.get("types", "").split():
            continue
        if fields.get("enabled", "yes").lower() == "no":
            continue
        for uri in fields.get("uris", "").split():
            for suite in fields.get("suites", "").split():
                yield fields.get("signed-by", ""), uri, suite, fields.get("components", "").split()


def is_debian_keyring(name):
    """Whether a Signed-By value names one of Debian's archive keyring files. An
    inline key or a fingerprint is no file and is someone else's."""
    return name.startswith("/") and pathlib.PurePath(name).name.startswith(DEBIAN_KEYRING_PREFIX)


def deb_src_entries(source_list, source_parts, codename):
    source_list, source_parts = pathlib.Path(source_list), pathlib.Path(source_parts)
    found = []
    for path in [source_list, *sorted(source_parts.glob("*.list"))]:
        if path.is_file():
            found += one_line_entries(path.read_text(errors="replace"))
    for path in sorted(source_parts.glob("*.sources")):
        if path.is_file():
            found += deb822_entries(path.read_text(errors="replace"))
    suites = {codename + suffix for suffix in SUITE_SUFFIXES}
    lines, targets = [], set()
    for signed_by, uri, suite, components in found:
        keyrings = signed_by.replace(",", " ").split()
        if (uri.startswith("cdrom:") or suite not in suites or COMPONENT not in components or
                not all(map(is_debian_keyring, keyrings))):
            continue
        uri = uri.rstrip("/") + "/"
        if (uri, suite) in targets:
            continue
        targets.add((uri, suite))
        options = f"[signed-by={','.join(keyrings)}] " if keyrings else ""
        lines.append(f"deb-src {options}{uri} {suite} {COMPONENT}")
    return lines


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    print("\n".join(deb_src_entries(*sys.argv[1:])))
