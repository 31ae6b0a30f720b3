"""The deb-src entries tools/setup.sh gives apt for fetching jansson's source,
derived from sample apt folders in the one-line format, the deb822 format and
both, and read by apt itself (offline) to show it finds nothing twice."""

import subprocess

from deb_src_entries import deb_src_entries

KEYRING = "/usr/share/keyrings/debian-archive-keyring.gpg"
DEB822 = f"""Types: deb
# a mirror snapshot
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates
Components: main contrib
Signed-By: {KEYRING}

Types: deb deb-src
URIs: http://archive.example/debian-security/
Suites: bookworm-security
Components: main
Signed-By: {KEYRING}

Types: deb
URIs: http://archive.example/debian
Suites: bullseye
Components: main

Types: deb
Enabled: no
URIs: http://disabled.example/debian
Suites: bookworm
Components: main

Types: deb
URIs: http://inline-key.example/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL
 -----END PGP PUBLIC KEY BLOCK-----
"""
ONE_LINE = f"""# the archive
deb [ arch=amd64 signed-by={KEYRING} ] http://archive.example/debian/ bookworm main contrib
deb [signed-by={KEYRING}] http://archive.example/debian bookworm-updates main contrib  # updates
deb-src http://archive.example/debian bookworm main
# deb http://commented.example/debian bookworm main
deb http://archive.example/debian bullseye main
deb [signed-by={KEYRING}] http://archive.example/debian-security bookworm-security main
"""
EXPECTED = [
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian/ bookworm main",
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian/ bookworm contrib",
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian/ bookworm-updates main",
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian/ bookworm-updates contrib",
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian-security/ bookworm-security main",
    "deb-src http://inline-key.example/debian/ bookworm main",
]


def apt_folder(tmp_path, deb822=None, one_line=None):
    folder = tmp_path / "apt"
    (folder / "sources.list.d").mkdir(parents=True)
    if deb822:
        (folder / "sources.list.d" / "debian.sources").write_text(deb822)
    if one_line:
        (folder / "sources.list").write_text(one_line)
    return folder


def apt_warnings(tmp_path, entries):
    """What apt says when it reads `entries` as its only source list."""
    (tmp_path / "src.list").write_text("\n".join(entries) + "\n")
    for name in ("parts", "lists/partial", "cache"):
        (tmp_path / name).mkdir(parents=True)
    result = subprocess.run(
        ["apt-get", "-o", f"Dir::Etc::SourceList={tmp_path / 'src.list'}",
         "-o", f"Dir::Etc::SourceParts={tmp_path / 'parts'}",
         "-o", f"Dir::State::Lists={tmp_path / 'lists'}", "-o", f"Dir::Cache={tmp_path / 'cache'}",
         "indextargets"], capture_output=True, text=True)
    assert result.returncode == 0, result.stderr
    return result.stderr


def test_deb822_entries_of_this_release_become_deb_src_entries(tmp_path):
    entries = deb_src_entries(apt_folder(tmp_path, deb822=DEB822), "bookworm")
    assert entries == EXPECTED
    assert apt_warnings(tmp_path, entries) == ""


def test_one_line_entries_of_this_release_become_deb_src_entries(tmp_path):
    entries = deb_src_entries(apt_folder(tmp_path, one_line=ONE_LINE), "bookworm")
    assert sorted(entries) == sorted(EXPECTED[:5])
    assert apt_warnings(tmp_path, entries) == ""


def test_both_formats_naming_one_archive_give_each_entry_once(tmp_path):
    entries = deb_src_entries(apt_folder(tmp_path, DEB822, ONE_LINE), "bookworm")
    assert sorted(entries) == sorted(EXPECTED)
    assert apt_warnings(tmp_path, entries) == ""


def test_no_entry_of_this_release_gives_nothing(tmp_path):
    folder = apt_folder(tmp_path, one_line="deb http://archive.example/debian bullseye main\n")
    assert deb_src_entries(folder, "bookworm") == []
