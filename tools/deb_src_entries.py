"""Prints the deb-src entries that match a machine's own package entries for
one Debian release, in the one-line format, each once: for every "deb" entry
of APT_DIR/sources.list, APT_DIR/sources.list.d/*.list (one-line format) and
APT_DIR/sources.list.d/*.sources (deb822 format) whose suite is CODENAME or
CODENAME-*, the same URI, suite and components with its keyring (a
Signed-By file; a key written inline is left to the machine's trusted keys).
tools/setup.sh gives them to apt for one fetch of a source package, so that no
archive host is named in the repository.

usage: deb_src_entries.py APT_DIR CODENAME
"""

import pathlib
import re
import sys


def one_line_entries(text):
    """(options, uri, suite, components) of each "deb" line."""
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
        keyring = fields.get("signed-by", "")
        keyring = keyring if keyring.startswith("/") and "\n" not in keyring else ""
        for uri in fields.get("uris", "").split():
            for suite in fields.get("suites", "").split():
                yield keyring, uri, suite, fields.get("components", "").split()


def deb_src_entries(apt_dir, codename):
    apt_dir = pathlib.Path(apt_dir)
    parts = apt_dir / "sources.list.d"
    found = []
    for path in [apt_dir / "sources.list", *sorted(parts.glob("*.list"))]:
        if path.is_file():
            found += one_line_entries(path.read_text(errors="replace"))
    for path in sorted(parts.glob("*.sources")):
        if path.is_file():
            found += deb822_entries(path.read_text(errors="replace"))
    lines, targets = [], set()
    for keyring, uri, suite, components in found:
        if uri.startswith("cdrom:") or (suite != codename and
                                        not suite.startswith(codename + "-")):
            continue
        uri = uri.rstrip("/") + "/"
        for component in components:
            if (uri, suite, component) in targets:
                continue
            targets.add((uri, suite, component))
            options = f"[signed-by={keyring}] " if keyring else ""
            lines.append(f"deb-src {options}{uri} {suite} {component}")
    return lines


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    print("\n".join(deb_src_entries(*sys.argv[1:])))
