"""The installer tag end to end: a signed copy tagged by the distributors' tool
gives the installer its distribution parameters, and stays validly signed."""

import json
import subprocess

import pytest

from signed_copies import with_bytes_in_table, with_overlay
from wine_prefix import BROWSER_KEY, BUILD, ROOT

# These tests read what the installer hands over to the setup.
pytestmark = pytest.mark.usefixtures("untrusted_cdn")

TAG_TOOL = ROOT / "build" / "native" / "tag_tool" / "tag_tool"
TAG = "banerid=7&velmaruid=42&lang=tr"


def run(*args, check=True):
    return subprocess.run([str(a) for a in args], capture_output=True, text=True, check=check)


@pytest.fixture(scope="module")
def signing(tmp_path_factory):
    """A test certificate and a copy of the installer signed with it."""
    if not TAG_TOOL.exists():
        pytest.fail(f"no tag tool at {TAG_TOOL}: run tools/build-native.sh")
    folder = tmp_path_factory.mktemp("signed")
    key, cert = folder / "key.pem", folder / "cert.pem"
    run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
        "-days", "2", "-subj", "/CN=Lite Installer Test Signer")
    signed = folder / "signed.exe"
    run("osslsigncode", "sign", "-certs", cert, "-key", key, "-in", BUILD / "lite_installer.exe",
        "-out", signed)
    return folder, cert, signed


@pytest.fixture(scope="module")
def tagged(signing):
    """The signed copy tagged; it must still verify and read back its tag."""
    folder, cert, signed = signing
    tagged = folder / "tagged.exe"
    run(TAG_TOOL, "write", "-o", tagged, signed, TAG)
    verified = run("osslsigncode", "verify", "-CAfile", cert, "-in", tagged, check=False)
    assert verified.returncode == 0, verified.stdout + verified.stderr
    assert run(TAG_TOOL, "read", tagged).stdout == TAG + "\n"
    return tagged


# The tag becomes the distribution information file and the registry value;
# an untagged copy writes no file. Each row is a silent install that stops at
# the trust check. That a --distr-info-params switch wins over the tag is
# decided in tests/unit/config/distribution_params_test.cpp.
@pytest.mark.parametrize("copy, params", [("tagged", TAG), ("signed", None)])
def test_tag_becomes_json_file_and_registry_value(wine, signing, tagged, copy, params):
    wine.reg_add(BROWSER_KEY, "DistribInfoParams", "left over")
    info = wine.temp_dir / "distrib_info"
    info.unlink(missing_ok=True)
    wine.clear_log()
    # Under load the download may need retries.
    wine.installer("--silent", exe=tagged if copy == "tagged" else signing[2], timeout=180)
    if params is None:
        assert not info.exists()
        assert "certificate table" not in wine.log_text()
        return
    text = info.read_text()
    assert json.loads(text) == dict(pair.split("=") for pair in params.split("&"))
    assert '\n  "banerid": "' in text, "one member a line, indented"
    assert wine.reg_query(BROWSER_KEY, "DistribInfoParams") == params


# The tag tool on its own: what it refuses, with one line and an exit status
# that tells the cases apart.

def tag_tool(*args):
    return run(TAG_TOOL, *args, check=False)


def test_read_says_no_tag_for_an_untagged_or_empty_tag(signing, tmp_path):
    _, _, signed = signing
    untagged = tag_tool("read", signed)
    assert (untagged.returncode, untagged.stdout) == (3, "")
    assert untagged.stderr == f"tag_tool: {signed}: no tag\n"


@pytest.mark.parametrize("tag, reason", [
    ("banerid=7\nlang=tr", 'the value of "banerid" has a blank, a control or a non-ASCII'),
    ("banerid=7&lang=t r", 'the value of "lang" has a blank'),
    ("ban erid=7", 'the key "ban erid" has a character other than letters'),
    ("banerid=7&&lang=tr", "an empty pair"),
    ("banerid=7&", "an empty pair"),
    ("banerid", 'the pair "banerid" has no "="'),
    ("=7", 'the pair "=7" has no key'),
    ("lang=tr&lang=ru", 'the key "lang" is given twice'),
    ("lang=t\u00fcrk", 'the value of "lang" has a blank, a control or a non-ASCII'),
])
def test_write_refuses_a_tag_the_installer_would_not_read_as_parameters(signing, tmp_path, tag,
                                                                        reason):
    _, _, signed = signing
    output = tmp_path / "tagged.exe"
    result = tag_tool("write", "-o", output, signed, tag)
    assert result.returncode == 1
    assert result.stderr.startswith(
        f"tag_tool: the tag is not parameters the installer reads: {reason}"), result.stderr
    assert len(result.stderr.splitlines()) == 1
    assert not output.exists()


def test_unsigned_and_foreign_files_are_named_the_same_by_read_and_write(tmp_path):
    unsigned = BUILD / "lite_installer.exe"
    text = tmp_path / "notes.txt"
    text.write_text("not an executable\n")
    for path, reason in [(unsigned, "not a signed PE file"), (text, "not a PE file")]:
        for args in (["read", path], ["write", "-o", tmp_path / "out.exe", path, "a=1"]):
            result = tag_tool(*args)
            assert (result.returncode, result.stderr) == (1, f"tag_tool: {path}: {reason}\n"), \
                result.stderr
    assert not (tmp_path / "out.exe").exists()


def test_check_prints_the_tag_of_a_tagged_copy_and_an_empty_line_for_an_untagged_one(
        signing, tagged):
    checked = tag_tool("check", tagged)
    assert (checked.returncode, checked.stdout, checked.stderr) == (0, TAG + "\n", "")
    untagged = tag_tool("check", signing[2])
    assert (untagged.returncode, untagged.stdout, untagged.stderr) == (0, "\n", "")


# Bytes the signature does not cover, which no reader of the tag would see.
@pytest.mark.parametrize("change, reason", [
    (with_bytes_in_table, "the certificate table holds 32 bytes after the signature"),
    (with_overlay, "32 bytes follow the certificate table (an overlay the signature does not "
                   "cover)"),
], ids=["in the table", "overlay"])
def test_check_refuses_bytes_besides_the_signature_and_the_tag(tagged, tmp_path, change,
                                                                reason):
    changed = change(tagged, tmp_path / "changed.exe", bytes(range(1, 33)))
    result = tag_tool("check", changed)
    assert (result.returncode, result.stdout, result.stderr) == (
        1, "", f"tag_tool: {changed}: {reason}\n")


# A tag changed after tagging: what the installer would read is not what the
# tag tool wrote.
@pytest.mark.parametrize("old, new, reason", [
    (b"banerid=7&", b"banerid 7&", "a dummy certificate's tag is not parameters the installer "
                                   'reads: the pair "banerid 7" has no "="'),
    (TAG.encode() + b"\0", TAG.encode() + b"X", "a dummy certificate holds bytes after its tag"),
], ids=["not parameters", "filler"])
def test_check_refuses_a_tag_changed_in_place(tagged, tmp_path, old, new, reason):
    changed = tmp_path / "changed.exe"
    data = tagged.read_bytes()
    assert data.count(old) == 1
    changed.write_bytes(data.replace(old, new))
    result = tag_tool("check", changed)
    assert (result.returncode, result.stderr) == (1, f"tag_tool: {changed}: {reason}\n"), \
        result.stderr


@pytest.mark.parametrize("args, reason", [
    ([], "no command given: write, read, check or signed-content"),
    (["tag"], 'unknown command "tag": write, read, check or signed-content'),
    (["write", "--tag", "a=1", "x.exe"], "unknown option --tag"),
    (["write", "x.exe"], "write needs FILE and TAG, got 1 argument"),
    (["write", "x.exe", "a=1", "b=2"], "write needs FILE and TAG, but got 3 arguments"),
    (["write", "x.exe", "a=1", "-o"], "-o needs a file name"),
    (["read"], "read needs FILE, got 0 arguments"),
    (["read", "-o", "x", "y.exe"], "unknown option -o"),
])
def test_each_usage_error_says_what_is_wrong(args, reason):
    result = tag_tool(*args)
    assert (result.returncode, result.stderr) == (2, f"tag_tool: {reason} (see tag_tool --help)\n")
