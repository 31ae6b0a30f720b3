"""The release build and tools/release.sh, with a demo distributor's inputs
made on the spot. The release is the shipped i686 build; it is built once here
(about two minutes), signed, verified and tagged, and then rebuilt from the
commit to check it. Refusals are decided before any build, in seconds; failures
of later steps are made by stand-ins for cmake and osslsigncode on PATH."""

import hashlib
import os
import shutil
import signal
import stat
import struct
import subprocess
import time

import pytest

from second_build import build_again, differences
from signed_copies import with_bytes_in_table, with_overlay
from wine_prefix import BUILD, ROOT

RELEASE = ROOT / "tools" / "release.sh"
TAG_TOOL = ROOT / "build" / "native" / "tag_tool" / "tag_tool"
REQUIRED = ["LITE_TRUST_KEY_TABLE", "LITE_PACKAGE_SIGNING_KEY", "LITE_VARIATIONS_SEED_KEY",
            "LITE_DOWNLOAD_HOST", "LITE_LEGAL_HOST", "LITE_BROWSER_API_HOST",
            "LITE_STATISTICS_HOST", "LITE_STORAGE_HOST", "LITE_CRASH_HOST", "LITE_BROWSER_SITE",
            "LITE_MAKER_SITE"]
GOOD_RELEASE = b"MZ the previous good release"
# The releases here are built with a date of their own, not the commit's:
# --verify must take the date a release was built with.
RELEASE_DATE = 1700000000
DATED = {**os.environ, "SOURCE_DATE_EPOCH": str(RELEASE_DATE)}


def run(*args, check=True, env=None, **kwargs):
    return subprocess.run([str(a) for a in args], cwd=ROOT, capture_output=True, text=True,
                          check=check, env=env, **kwargs)


def openssl(*args):
    run("openssl", *args)


def configure_release(tmp_path, *definitions):
    """Configures the release preset in a private build folder; returns the result."""
    return run("cmake", "--preset", "release-i686", "-B", tmp_path / "build",
               *[f"-D{d}" for d in definitions], check=False)


@pytest.fixture(scope="module")
def demo_inputs(tmp_path_factory):
    folder = tmp_path_factory.mktemp("distributor")
    run("bash", RELEASE, "--make-demo-inputs", folder)
    return folder


def cache_entries(inputs):
    """The -D form of the demo distributor's cache file."""
    entries = {}
    for line in (inputs / "distributor.cmake").read_text().splitlines():
        if line.startswith("set("):
            name, value = line[4:].split(" ", 1)
            entries[name] = value.split('"')[1]
    return entries


def write_inputs(path, entries):
    path.write_text("".join(f'set({k} "{v}" CACHE STRING "")\n' for k, v in entries.items()))
    return path


def release_args(inputs, output, **overrides):
    """The options of a release of the demo distributor, some replaced."""
    options = {"--inputs": inputs / "distributor.cmake",
               "--cert": inputs / "codesign" / "chain.pem",
               "--key": inputs / "codesign" / "key.pem",
               "--ca-file": inputs / "codesign" / "root.pem",
               "--output": output}
    options.update(overrides)
    return [item for pair in options.items() for item in pair if pair[1] is not None]


def last_line(result):
    lines = result.stderr.strip().splitlines()
    return lines[-1] if lines else ""


def test_release_without_inputs_names_each_missing_one(tmp_path):
    result = configure_release(tmp_path)
    assert result.returncode != 0
    for name in REQUIRED:
        assert f"{name} is not set" in result.stderr, result.stderr


def test_configure_refuses_plain_http_hosts_and_a_private_key_table(tmp_path, demo_inputs):
    entries = cache_entries(demo_inputs)
    entries["LITE_STATISTICS_HOST"] = "http://stat.demo-distributor.example"
    private_table = tmp_path / "table.txt"
    shutil.copy(demo_inputs / "trust_keys" / "key_0.pem", private_table)
    entries["LITE_TRUST_KEY_TABLE"] = str(private_table)
    result = configure_release(tmp_path, *[f"{k}={v}" for k, v in entries.items()])
    assert result.returncode != 0
    assert "LITE_STATISTICS_HOST must be https://HOST" in result.stderr, result.stderr
    assert "holds a private key" in result.stderr, result.stderr
    assert "LITE_DOWNLOAD_HOST" not in result.stderr, "only the faulty inputs are named"


def test_help_explains_every_option_on_stdout():
    result = run("bash", RELEASE, "--help")
    assert result.returncode == 0 and result.stderr == ""
    for option in ["--inputs", "--cert", "--key", "--ca-file", "--timestamp-url", "--output",
                   "--verify", "--commit", "--make-demo-inputs", "--force", *REQUIRED]:
        assert option in result.stdout, option


@pytest.mark.parametrize("args, reason", [
    (["--input", "x"], "unknown option --input"),
    (["--inputs"], "--inputs needs a value"),
    (["--inputs=", "--cert", "c"], "--inputs needs a value"),
    (["--inputs=d.cmake", "--cert", "c.pem"], "--key KEY.pem is required"),
    (["--cert", "c.pem", "--key", "k.pem"], "--inputs DISTRIBUTOR.cmake is required"),
    (["--inputs", "d.cmake", "--cert", "c.pem", "--key", "k.pem", "extra"],
     'stray argument "extra"'),
    (["--verify", "a.exe", "--inputs", "d.cmake", "--cert", "c.pem"],
     "--verify needs --commit COMMIT"),
])
def test_each_usage_error_names_what_is_wrong(args, reason):
    result = run("bash", RELEASE, *args, check=False)
    assert result.returncode == 2
    assert result.stderr == f"release: failed at options: {reason} (see --help)\n", result.stderr


def test_demo_inputs_refuse_a_folder_that_is_not_empty(demo_inputs):
    keys = {p: p.read_bytes() for p in demo_inputs.rglob("*.pem")}
    result = run("bash", RELEASE, "--make-demo-inputs", demo_inputs, check=False)
    assert result.returncode == 1
    assert last_line(result) == (f"release: failed at demo inputs: {demo_inputs} is not empty: "
                                 "its keys would be replaced (give --force to replace them)")
    assert {p: p.read_bytes() for p in demo_inputs.rglob("*.pem")} == keys
    # Only what a distributor holds: no root key, no test clutter.
    assert sorted(str(p.relative_to(demo_inputs)) for p in demo_inputs.rglob("*")) == sorted(
        ["codesign", "codesign/chain.pem", "codesign/key.pem", "codesign/root.pem",
         "distributor.cmake", "package_signing_key.pem", "variations_seed_key.pem",
         "trust_key_table.txt", "trust_keys", *[f"trust_keys/key_{n}.pem" for n in range(10)]])


@pytest.fixture
def previous_release(tmp_path):
    output = tmp_path / "release" / "lite_installer.exe"
    output.parent.mkdir()
    output.write_bytes(GOOD_RELEASE)
    return output


def altered_inputs(demo_inputs, tmp_path, case):
    """The demo distributor's options with one input made wrong; the expected reason."""
    entries = cache_entries(demo_inputs)
    overrides = {}
    if case == "wrong ca":
        other = tmp_path / "other_root.pem"
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", tmp_path / "k",
                "-out", other, "-days", "2", "-subj", "/CN=Another Root")
        overrides["--ca-file"] = other
        reason = "does not verify against"
    elif case == "not for code signing":
        key, cert = tmp_path / "server.key", tmp_path / "server.pem"
        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                "-days", "2", "-subj", "/CN=A Web Server", "-addext",
                "extendedKeyUsage=serverAuth")
        overrides.update({"--cert": cert, "--key": key, "--ca-file": cert})
        reason = f"the certificate of {cert} is not for code signing"
    elif case == "mismatched key":
        other = tmp_path / "key.pem"
        openssl("genrsa", "-out", other, "2048")
        overrides["--key"] = other
        reason = f"--key {other} is not the key of the certificate in"
    elif case == "package key size":
        entries["LITE_PACKAGE_SIGNING_KEY"] = str(tmp_path / "package.pem")
        openssl("genrsa", "-out", entries["LITE_PACKAGE_SIGNING_KEY"], "2048")
        reason = "is an RSA-2048 key, not RSA-1024"
    elif case == "encrypted seed key":
        entries["LITE_VARIATIONS_SEED_KEY"] = str(tmp_path / "seed.pem")
        openssl("pkey", "-in", demo_inputs / "variations_seed_key.pem", "-aes256", "-passout",
                "pass:secret", "-out", entries["LITE_VARIATIONS_SEED_KEY"])
        reason = "is encrypted: give the key without a pass phrase"
    elif case == "seed key kind":
        entries["LITE_VARIATIONS_SEED_KEY"] = entries["LITE_PACKAGE_SIGNING_KEY"]
        reason = "is an RSA-1024 key, not EC P-256"
    elif case == "nine trust keys":
        table = tmp_path / "table.txt"
        table.write_text("".join((demo_inputs / "trust_key_table.txt").read_text()
                                 .splitlines(keepends=True)[:9]))
        entries["LITE_TRUST_KEY_TABLE"] = str(table)
        reason = "holds 9 keys, not 10"
    elif case == "http host":
        entries["LITE_CRASH_HOST"] = "http://crash.demo-distributor.example"
        reason = "LITE_CRASH_HOST must be https://HOST without a path"
    elif case == "unset input":
        del entries["LITE_LEGAL_HOST"]
        reason = "does not set LITE_LEGAL_HOST"
    else:
        raise AssertionError(case)
    overrides["--inputs"] = write_inputs(tmp_path / "distributor.cmake", entries)
    return overrides, reason


# Each refusal comes from the checks before the build, with one line and
# exit 1, and leaves the release in place untouched.
@pytest.mark.parametrize("case", ["wrong ca", "not for code signing", "mismatched key",
                                  "package key size",
                                  "encrypted seed key", "seed key kind", "nine trust keys",
                                  "http host", "unset input"])
def test_wrong_input_is_refused_before_building(demo_inputs, tmp_path, previous_release, case):
    overrides, reason = altered_inputs(demo_inputs, tmp_path, case)
    result = run("bash", RELEASE, *release_args(demo_inputs, previous_release, **overrides),
                 check=False, timeout=30)
    assert result.returncode == 1, result.stderr
    assert last_line(result).startswith("release: failed at inputs: ") and reason in last_line(
        result), result.stderr
    assert "configure" not in result.stdout, "nothing is built"
    assert previous_release.read_bytes() == GOOD_RELEASE
    assert os.listdir(previous_release.parent) == ["lite_installer.exe"]


def path_without(tmp_path, program):
    """A PATH holding every program of this machine but `program`."""
    folder = tmp_path / "path"
    folder.mkdir()
    for directory in ("/usr/local/bin", "/usr/bin"):
        for name in os.listdir(directory):
            if name != program and not (folder / name).exists():
                (folder / name).symlink_to(os.path.join(directory, name))
    return {**os.environ, "PATH": str(folder)}


@pytest.mark.parametrize("program", ["osslsigncode", "i686-w64-mingw32-g++-posix"])
def test_missing_program_is_refused_before_building(demo_inputs, tmp_path, previous_release,
                                                    program):
    result = run("bash", RELEASE, *release_args(demo_inputs, previous_release), check=False,
                 env=path_without(tmp_path, program), timeout=30)
    assert result.returncode == 1, result.stderr
    assert last_line(result) == (f"release: failed at inputs: no {program} on PATH: run "
                                 "tools/setup.sh"), result.stderr
    assert previous_release.read_bytes() == GOOD_RELEASE


def test_malformed_build_date_is_refused_before_building(demo_inputs, previous_release):
    result = run("bash", RELEASE, *release_args(demo_inputs, previous_release), check=False,
                 env={**os.environ, "SOURCE_DATE_EPOCH": "tomorrow"}, timeout=30)
    assert result.returncode == 1, result.stderr
    assert last_line(result) == (
        'release: failed at inputs: SOURCE_DATE_EPOCH must be a count of seconds since 1970 '
        'up to 4294967295, not "tomorrow"'), result.stderr


def stand_in(folder, name, script):
    path = folder / name
    path.write_text("#!/bin/bash\n" + script)
    path.chmod(path.stat().st_mode | stat.S_IEXEC)


@pytest.fixture
def stand_ins(tmp_path):
    """cmake that builds no release (or, given a file in BUILD_HANGS, makes it
    and hangs while building), osslsigncode whose
    signing fails with exit 255 and a screenful of output; both pass every
    other command to the real tool."""
    folder = tmp_path / "bin"
    folder.mkdir()
    cmake, signer = shutil.which("cmake"), shutil.which("osslsigncode")
    stand_in(folder, "cmake", f"""
case " $* " in
  *" --build --preset release-i686 "*)
    [ -n "$BUILD_HANGS" ] && touch "$BUILD_HANGS" && exec sleep 600
    exit 0 ;;
esac
exec {cmake} "$@"
""")
    stand_in(folder, "osslsigncode", f"""
if [ "$1" = sign ]; then for i in $(seq 16); do echo "raw signing output $i"; done; exit 255; fi
exec {signer} "$@"
""")
    return {**os.environ, "PATH": f"{folder}:{os.environ['PATH']}"}


def test_failed_signing_ends_with_one_line_of_its_own_and_keeps_the_release(
        demo_inputs, previous_release, stand_ins):
    result = run("bash", RELEASE, *release_args(demo_inputs, previous_release), check=False,
                 env=stand_ins, timeout=120)
    assert result.returncode == 1, "never the child's 255"
    assert last_line(result) == "release: failed at sign: raw signing output 16", result.stderr
    assert "release: build passed" in result.stdout
    assert previous_release.read_bytes() == GOOD_RELEASE
    assert os.listdir(previous_release.parent) == ["lite_installer.exe"]


def test_relative_paths_in_the_inputs_are_taken_from_the_inputs_folder(
        demo_inputs, tmp_path, previous_release, stand_ins):
    """The check and the build read the same files, wherever the caller stands."""
    entries = cache_entries(demo_inputs)
    for name in ("LITE_TRUST_KEY_TABLE", "LITE_PACKAGE_SIGNING_KEY", "LITE_VARIATIONS_SEED_KEY"):
        entries[name] = os.path.relpath(entries[name], demo_inputs)
    inputs = write_inputs(demo_inputs / "relative.cmake", entries)
    try:
        result = run("bash", RELEASE, *release_args(demo_inputs, previous_release,
                                                    **{"--inputs": inputs}),
                     check=False, env=stand_ins, timeout=300)
    finally:
        inputs.unlink()
    assert "release: configure passed" in result.stdout, result.stdout + result.stderr
    assert last_line(result) == "release: failed at sign: raw signing output 16", result.stderr


def test_interrupted_build_keeps_the_release(demo_inputs, tmp_path, previous_release,
                                            stand_ins):
    building = tmp_path / "building"
    process = subprocess.Popen(
        ["bash", RELEASE, *map(str, release_args(demo_inputs, previous_release))], cwd=ROOT,
        env={**stand_ins, "BUILD_HANGS": str(building)}, stdout=subprocess.PIPE,
        stderr=subprocess.PIPE, text=True, start_new_session=True)
    deadline = time.monotonic() + 60
    while not building.exists() and process.poll() is None and time.monotonic() < deadline:
        time.sleep(0.1)
    os.killpg(process.pid, signal.SIGTERM)
    _, errors = process.communicate(timeout=30)
    assert process.returncode == 1
    assert errors.strip().splitlines()[-1] == "release: failed at build: interrupted"
    assert previous_release.read_bytes() == GOOD_RELEASE
    assert os.listdir(previous_release.parent) == ["lite_installer.exe"]


# The real release, built once ---------------------------------------------------

@pytest.fixture(scope="module")
def release(demo_inputs, tmp_path_factory):
    output = tmp_path_factory.mktemp("release") / "lite_installer.exe"
    result = run("bash", RELEASE, *release_args(demo_inputs, output), check=False, env=DATED)
    assert result.returncode == 0, result.stdout + result.stderr
    return output, result.stdout


def sha256(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


def test_release_is_a_signed_i686_executable_of_the_distributor(release, demo_inputs):
    output, printed = release
    for step in ["inputs", "configure", "build", "sign", "verify", "tag check"]:
        assert f"release: {step} passed (" in printed, printed
    assert f"release: {output}\n" in printed
    assert f"size: {output.stat().st_size} bytes" in printed
    assert f"sha256: {sha256(output)}" in printed
    unsigned = ROOT / "build" / "release-i686" / "lite_installer.exe"
    assert f"unsigned sha256: {sha256(unsigned)}" in printed
    assert f"commit: {run('git', 'rev-parse', 'HEAD').stdout.strip()}" in printed
    assert (f"build date: {RELEASE_DATE} (2023-11-14 22:13:20 UTC, SOURCE_DATE_EPOCH)\n"
            in printed), printed
    data = output.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert struct.unpack_from("<H", data, pe + 4)[0] == 0x14C, "i686"
    verified = run("osslsigncode", "verify", "-CAfile", demo_inputs / "codesign" / "root.pem",
                   "-in", output, check=False)
    assert verified.returncode == 0, verified.stdout
    assert "sha256" in verified.stdout.lower()

    # The distributor's hosts, none of the test build's, and no test marks.
    assert b"https://download.demo-distributor.example" in data
    assert b"127.0.0.1" not in data
    assert "Test build".encode("utf-16-le") not in data
    assert b"Test build" not in data


def test_release_built_again_later_in_another_folder_is_the_same_file(release, demo_inputs,
                                                                      tmp_path):
    """The unsigned executable is what the distributor signs: built again
    from the same commit and inputs, elsewhere and later, not a byte differs."""
    first = ROOT / "build" / "release-i686" / "lite_installer.exe"
    second = build_again(tmp_path, "release-i686", "i686", "-C",
                         demo_inputs / "distributor.cmake", date=RELEASE_DATE)
    assert differences(first, second) == []


# Checking a release --------------------------------------------------------------

def verify(demo_inputs, *files, commit="HEAD", inputs=None, ca_file=None, timeout=60):
    args = ["bash", RELEASE, "--commit", commit,
            "--inputs", inputs or demo_inputs / "distributor.cmake",
            "--cert", demo_inputs / "codesign" / "chain.pem",
            "--ca-file", ca_file or demo_inputs / "codesign" / "root.pem"]
    for file in files:
        args += ["--verify", file]
    return run(*args, check=False, timeout=timeout)


def sign(path, output, chain, key):
    run("osslsigncode", "sign", "-certs", chain, "-key", key, "-h", "sha256", "-in", path,
        "-out", output)
    return output


def section_offset(path, name):
    """The file offset of a section, from the PE section table."""
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count = struct.unpack_from("<H", data, pe + 6)[0]
    table = pe + 24 + struct.unpack_from("<H", data, pe + 20)[0]
    for i in range(count):
        entry = table + 40 * i
        if data[entry:entry + 8].rstrip(b"\0") == name:
            return struct.unpack_from("<I", data, entry + 20)[0]
    raise AssertionError(f"no section {name!r} in {path}")


@pytest.fixture
def other_signer(tmp_path):
    key, cert = tmp_path / "other.key", tmp_path / "other.pem"
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
            "-days", "2", "-subj", "/CN=Someone Else")
    return cert, key


# A published file is refused before any rebuild when it is not the
# distributor's signed PE file.
@pytest.mark.parametrize("case", ["not a PE", "unsigned", "other certificate", "changed"])
def test_verify_refuses_a_file_that_is_not_the_distributors_before_rebuilding(
        demo_inputs, tmp_path, other_signer, case):
    ca_file = None
    if case == "not a PE":
        published = tmp_path / "notes.txt"
        published.write_text("MZ is not enough\n" * 20)
        reason = f"{published} is not a PE file"
    elif case == "unsigned":
        published = BUILD / "tests" / "demo_setup.exe"
        reason = f"{published} is not signed"
    elif case == "other certificate":
        published = sign(BUILD / "tests" / "demo_setup.exe", tmp_path / "other.exe",
                         *other_signer)
        ca_file = tmp_path / "roots.pem"
        ca_file.write_bytes((demo_inputs / "codesign" / "root.pem").read_bytes() +
                            other_signer[0].read_bytes())
        reason = f"{published} is signed by another certificate"
    else:
        signed = sign(BUILD / "tests" / "demo_setup.exe", tmp_path / "signed.exe",
                      demo_inputs / "codesign" / "chain.pem", demo_inputs / "codesign" / "key.pem")
        data = bytearray(signed.read_bytes())
        data[section_offset(signed, b".text") + 16] ^= 1
        published = tmp_path / "changed.exe"
        published.write_bytes(bytes(data))
        reason = f"the signature of {published} does not verify"
    result = verify(demo_inputs, published, ca_file=ca_file)
    assert result.returncode == 1, result.stdout + result.stderr
    assert last_line(result).startswith("release: failed at published files: " + reason), \
        result.stderr
    assert "build passed" not in result.stdout


@pytest.fixture(scope="module")
def published(release, demo_inputs, tmp_path_factory):
    """The release, a partner's tagged copy, that copy with bytes added inside
    its certificate table and with bytes after it, a copy changed in its code
    and signed again with the distributor's key, and a release built with
    another trust key table."""
    output, _ = release
    folder = tmp_path_factory.mktemp("published")
    tagged = folder / "partner.exe"
    run(TAG_TOOL, "write", "-o", tagged, output, "banerid=7&velmaruid=42")
    in_table = with_bytes_in_table(tagged, folder / "in_table.exe", bytes(32))
    overlay = with_overlay(tagged, folder / "overlay.exe", b"appended after signing\n")
    unsigned = ROOT / "build" / "release-i686" / "lite_installer.exe"
    data = bytearray(unsigned.read_bytes())
    data[section_offset(unsigned, b".text") + 0x100] ^= 1
    (folder / "changed_unsigned.exe").write_bytes(bytes(data))
    changed = sign(folder / "changed_unsigned.exe", folder / "changed.exe",
                   demo_inputs / "codesign" / "chain.pem", demo_inputs / "codesign" / "key.pem")

    keys = folder / "keys"
    keys.mkdir()
    for number in range(10):
        openssl("genrsa", "-out", keys / f"key_{number}.pem", "1024")
    table = folder / "other_table.txt"
    table.write_text(run(ROOT / "build" / "native" / "trust_tool" / "trust_tool", "key-table",
                         *[keys / f"key_{n}.pem" for n in range(10)]).stdout)
    entries = cache_entries(demo_inputs)
    entries["LITE_TRUST_KEY_TABLE"] = str(table)
    other_inputs = write_inputs(folder / "other.cmake", entries)
    other_table = folder / "other_table.exe"
    result = run("bash", RELEASE, *release_args(demo_inputs, other_table,
                                                **{"--inputs": other_inputs}), check=False,
                 env=DATED)
    assert result.returncode == 0, result.stderr
    return {"release": output, "tagged": tagged, "in table": in_table, "overlay": overlay,
            "changed": changed, "other table": other_table}


def test_release_and_its_tagged_copy_match_the_rebuild_and_changed_ones_do_not(published,
                                                                              demo_inputs):
    """Every file is reported, whatever the first one's fault; the rebuild
    takes the date the release was built with, not the commit's."""
    files = [published[name] for name in ("in table", "release", "tagged", "overlay", "changed",
                                          "other table")]
    result = verify(demo_inputs, *files, timeout=900)
    assert result.returncode == 1, result.stdout + result.stderr
    refusals = [line for line in result.stderr.splitlines()
                if line.startswith("release: failed at published files: ")]
    assert refusals == [
        f"release: failed at published files: {published['in table']}: the certificate table "
        "holds 32 bytes after the signature",
        f"release: failed at published files: {published['overlay']}: 23 bytes follow the "
        "certificate table (an overlay the signature does not cover)"], result.stderr
    assert f"verify: {published['release']} carries no tag\n" in result.stdout, result.stdout
    assert (f'verify: {published["tagged"]} carries the tag "banerid=7&velmaruid=42"\n'
            in result.stdout), result.stdout
    assert f"build date: {RELEASE_DATE} (2023-11-14 22:13:20 UTC" in result.stdout
    commit = run("git", "rev-parse", "HEAD").stdout.strip()
    for name in ("release", "tagged"):
        assert f"verify: {published[name]} matches the rebuild of {commit}" in result.stdout, \
            result.stdout + result.stderr
    failures = result.stderr.strip().splitlines()[-2:]
    assert failures[0].startswith(f"release: failed at compare: {published['changed']} differs "
                                  f"from the rebuild of {commit} at byte 0x"), failures
    assert failures[0].endswith("(.text)"), failures
    assert failures[1].startswith(f"release: failed at compare: {published['other table']} "
                                  "differs from the rebuild"), failures


def test_release_does_not_match_a_rebuild_of_an_earlier_installer(published, demo_inputs):
    """The commit before the last change to the installer's own code."""
    changed = run("git", "log", "-1", "--format=%H", "--", "ui", "installer", "base", "net",
                  "crash").stdout.strip()
    previous = run("git", "rev-parse", f"{changed}~1").stdout.strip()
    result = verify(demo_inputs, published["release"], commit=previous, timeout=900)
    assert result.returncode == 3, result.stdout + result.stderr
    assert last_line(result).startswith(
        f"release: failed at compare: {published['release']} differs from the rebuild of "
        f"{previous}"), result.stderr
