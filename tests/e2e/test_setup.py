"""tools/setup.sh's side of apt. The deb-src entries it derives for fetching
jansson's source, from sample apt folders in the one-line format, the deb822
format and both, read back by apt itself (offline) to show it finds nothing
twice; the fetch beside other package sources, failed and interrupted, with
sources on 127.0.0.1 and the machine's own Debian archive; and a set-up run
again, which leaves the apt folder as it was."""

import contextlib
import http.server
import os
import pathlib
import re
import shutil
import signal
import subprocess
import threading

from deb_src_entries import deb_src_entries

ROOT = pathlib.Path(__file__).resolve().parents[2]
FETCH = ROOT / "tools" / "fetch-jansson.sh"
SETUP = ROOT / "tools" / "setup.sh"
CODENAME = re.search(r"^VERSION_CODENAME=(\S+)", pathlib.Path("/etc/os-release").read_text(),
                     re.M).group(1)
UPDATE_HOOKS = ("Pre-Invoke", "Post-Invoke", "Post-Invoke-Success")
KEYRING = "/usr/share/keyrings/debian-archive-keyring.gpg"
INLINE_KEY = """Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL
 -----END PGP PUBLIC KEY BLOCK-----
"""
DEB822 = f"""Types: deb
# a mirror snapshot
URIs: http://archive.example/debian
Suites: bookworm bookworm-updates bookworm-backports
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
URIs: http://vendor.example/apt
Suites: bookworm
Components: main
Signed-By: /etc/apt/keyrings/vendor.gpg

Types: deb
URIs: http://inline-key.example/debian
Suites: bookworm
Components: main
{INLINE_KEY}"""
ONE_LINE = f"""# the archive
deb [ arch=amd64 signed-by={KEYRING} ] http://archive.example/debian/ bookworm main contrib
deb [signed-by={KEYRING}] http://archive.example/debian bookworm-updates main contrib  # updates
deb-src http://archive.example/debian bookworm main
# deb http://commented.example/debian bookworm main
deb http://archive.example/debian bullseye main
deb [signed-by={KEYRING}] http://archive.example/debian-security bookworm-security main
deb http://mirror.example/debian bookworm main non-free-firmware
deb http://mirror.example/debian bookworm-updates contrib
deb [signed-by=/etc/apt/keyrings/vendor.gpg] http://vendor.example/apt bookworm main
"""
EXPECTED_DEB822 = [
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian/ bookworm main",
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian/ bookworm-updates main",
    f"deb-src [signed-by={KEYRING}] http://archive.example/debian-security/ bookworm-security main",
]
EXPECTED_ONE_LINE = EXPECTED_DEB822 + ["deb-src http://mirror.example/debian/ bookworm main"]


def apt_folder(tmp_path, deb822=None, one_line=None):
    """The sources list file and parts folder of a sample apt folder."""
    folder = tmp_path / "apt"
    (folder / "sources.list.d").mkdir(parents=True)
    if deb822:
        (folder / "sources.list.d" / "debian.sources").write_text(deb822)
    if one_line:
        (folder / "sources.list").write_text(one_line)
    return folder / "sources.list", folder / "sources.list.d"


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


def test_deb822_entries_of_debians_archive_for_this_release_become_deb_src_entries(tmp_path):
    entries = deb_src_entries(*apt_folder(tmp_path, deb822=DEB822), "bookworm")
    assert entries == EXPECTED_DEB822
    assert apt_warnings(tmp_path, entries) == ""


def test_one_line_entries_of_debians_archive_for_this_release_become_deb_src_entries(tmp_path):
    entries = deb_src_entries(*apt_folder(tmp_path, one_line=ONE_LINE), "bookworm")
    assert sorted(entries) == sorted(EXPECTED_ONE_LINE)
    assert apt_warnings(tmp_path, entries) == ""


def test_both_formats_naming_one_archive_give_each_entry_once(tmp_path):
    entries = deb_src_entries(*apt_folder(tmp_path, DEB822, ONE_LINE), "bookworm")
    assert sorted(entries) == sorted(EXPECTED_ONE_LINE)
    assert apt_warnings(tmp_path, entries) == ""


def test_no_entry_of_this_release_gives_nothing(tmp_path):
    sources = apt_folder(tmp_path, one_line="deb http://archive.example/debian bullseye main\n")
    assert deb_src_entries(*sources, "bookworm") == []


def test_third_party_sources_give_nothing(tmp_path):
    """Their own key, an inline key (which a one-line entry cannot carry) or
    a fingerprint: none is Debian's archive."""
    sources = apt_folder(tmp_path, one_line=(
        "deb [signed-by=/etc/apt/keyrings/vendor.gpg] http://vendor.example/apt bookworm main\n"
        "deb [signed-by=0123456789ABCDEF0123456789ABCDEF01234567] http://fp.example/apt bookworm main\n"
    ), deb822=f"Types: deb\nURIs: http://inline.example/apt\nSuites: bookworm\nComponents: main\n{INLINE_KEY}")
    assert deb_src_entries(*sources, "bookworm") == []


@contextlib.contextmanager
def local_source(hold=False):
    """A package source on 127.0.0.1 that has nothing (404) or, holding, does
    not answer until the test ends. Yields its URL, the paths asked for and an
    event set on the first request."""
    asked, paths, done = threading.Event(), [], threading.Event()

    class Handler(http.server.BaseHTTPRequestHandler):
        def do_GET(self):
            paths.append(self.path)
            asked.set()
            if hold:
                done.wait(60)
            self.send_error(404)

        def log_message(self, *args):
            pass

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}", paths, asked
    finally:
        done.set()
        server.shutdown()
        server.server_close()


def machine_sources():
    """The machine's own sources list file and parts folder, as apt reads them."""
    result = subprocess.run(["apt-config", "shell", "LIST", "Dir::Etc::SourceList/f",
                             "PARTS", "Dir::Etc::SourceParts/d"],
                            env={k: v for k, v in os.environ.items() if k != "APT_CONFIG"},
                            capture_output=True, text=True, check=True)
    found = dict(re.findall(r"^(\w+)='([^']*)'$", result.stdout, re.M))
    return pathlib.Path(found["LIST"]), pathlib.Path(found["PARTS"])


def private_apt(tmp_path, one_line="", deb822="", with_machine_sources=False):
    """An environment in which apt reads this test's sources (the machine's
    own beside them when asked) and runs update hooks that leave a mark in
    tmp_path/hooks, and temporary files go to tmp_path/tmp."""
    folder, hooks, temporary = tmp_path / "apt", tmp_path / "hooks", tmp_path / "tmp"
    parts = folder / "sources.list.d"
    for path in parts, hooks, temporary:
        path.mkdir(parents=True)
    (folder / "sources.list").write_text(one_line)
    (parts / "other.sources").write_text(deb822)
    if with_machine_sources:
        source_list, source_parts = machine_sources()
        if source_list.is_file():
            shutil.copy(source_list, parts / "machine.list")
        for path in [*source_parts.glob("*.list"), *source_parts.glob("*.sources")]:
            shutil.copy(path, parts / f"machine-{path.name}")
    config = "".join(f'APT::Update::{hook} {{ "touch {hooks / hook}"; }};\n'
                     for hook in UPDATE_HOOKS)
    config += (f'Dir::Etc::SourceList "{folder / "sources.list"}";\n'
               f'Dir::Etc::SourceParts "{parts}";\n')
    (folder / "apt.conf").write_text(config)
    return dict(os.environ, APT_CONFIG=str(folder / "apt.conf"), TMPDIR=str(temporary))


def destination(tmp_path):
    dest = tmp_path / "src"
    dest.mkdir()
    return dest


def fetch(dest, env):
    return subprocess.run(["bash", FETCH, dest], env=env, capture_output=True, text=True,
                          timeout=600)


def debian_entry(url):
    """A one-line entry that looks like Debian's archive for this release."""
    return f"deb [signed-by={KEYRING}] {url}/debian {CODENAME} main\n"


def test_fetch_beside_third_party_sources_takes_jansson_from_debian_and_leaves_nothing(tmp_path):
    dest = destination(tmp_path)
    with local_source() as (url, paths, _):
        env = private_apt(
            tmp_path, with_machine_sources=True,
            one_line=f"deb [signed-by=/etc/apt/keyrings/vendor.gpg] {url}/vendor {CODENAME} main\n",
            deb822=f"Types: deb\nURIs: {url}/inline\nSuites: {CODENAME}\nComponents: main\n"
                   f"{INLINE_KEY}")
        result = fetch(dest, env)
    assert result.returncode == 0, result.stderr
    assert (dest / "jansson" / "CMakeLists.txt").is_file()
    assert sorted(os.listdir(dest)) == ["jansson"]
    assert os.listdir(tmp_path / "tmp") == []
    assert paths == [], "the third-party sources were asked"


def test_fetch_runs_none_of_the_machines_update_hooks(tmp_path):
    with local_source() as (url, _, _):
        fetch(destination(tmp_path), private_apt(tmp_path, one_line=debian_entry(url)))
    assert sorted(os.listdir(tmp_path / "hooks")) == []


def test_failed_fetch_says_why_and_leaves_nothing(tmp_path):
    dest = destination(tmp_path)
    with local_source() as (url, _, _):
        result = fetch(dest, private_apt(tmp_path, one_line=debian_entry(url)))
    assert result.returncode == 1
    assert "does not have a Release file" in result.stderr, result.stderr
    assert os.listdir(dest) == []
    assert os.listdir(tmp_path / "tmp") == []


def test_fetch_with_no_debian_source_says_so_and_leaves_nothing(tmp_path):
    result = fetch(destination(tmp_path), private_apt(tmp_path))
    assert result.returncode == 1
    assert result.stderr.startswith("fetch-jansson: apt names no source from Debian's archive"), \
        result.stderr
    assert os.listdir(tmp_path / "tmp") == []


def test_interrupted_fetch_leaves_nothing(tmp_path):
    dest = destination(tmp_path)
    with local_source(hold=True) as (url, _, asked):
        env = private_apt(tmp_path, one_line=debian_entry(url))
        process = subprocess.Popen(["bash", FETCH, dest], env=env, start_new_session=True,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            assert asked.wait(60), "apt never asked the package source"
            # Ctrl-C reaches the whole foreground process group.
            os.killpg(process.pid, signal.SIGINT)
            assert process.wait(60) != 0
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
    assert os.listdir(dest) == []
    assert os.listdir(tmp_path / "tmp") == []


def apt_folder_state(folder):
    """Every entry under `folder` with what a write would change."""
    state = {}
    for path in [folder, *folder.rglob("*")]:
        info = path.lstat()
        state[str(path)] = (info.st_ino, info.st_mode, info.st_size, info.st_mtime_ns,
                            info.st_ctime_ns)
    return state


def test_setup_removes_an_earlier_setups_entries_once_then_writes_nothing_under_the_apt_folder(
        tmp_path):
    env = private_apt(tmp_path, with_machine_sources=True)
    earlier = tmp_path / "apt" / "sources.list.d" / "lite-installer-src.list"
    earlier.write_text(f"deb-src http://archive.example/debian {CODENAME} main\n")
    first = subprocess.run(["bash", SETUP], env=env, capture_output=True, text=True)
    assert first.returncode == 0, first.stderr
    assert not earlier.exists()
    apt_folders = [tmp_path / "apt", machine_sources()[1].parent]
    before = [apt_folder_state(folder) for folder in apt_folders]
    second = subprocess.run(["bash", SETUP], env=env, capture_output=True, text=True)
    assert second.returncode == 0, second.stderr
    assert [apt_folder_state(folder) for folder in apt_folders] == before
