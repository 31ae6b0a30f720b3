"""The installer tag end to end: a signed copy tagged by the distributors' tool
gives the installer its distribution parameters, and stays validly signed."""

import json
import subprocess

import pytest

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


def verify(cert, exe):
    return run("osslsigncode", "verify", "-CAfile", cert, "-in", exe, check=False)


@pytest.fixture(scope="module")
def tagged(signing):
    folder, cert, signed = signing
    tagged = folder / "tagged.exe"
    run(TAG_TOOL, "write", "-o", tagged, signed, TAG)
    return tagged


def run_tagged(wine, exe, *switches):
    wine.reg_add(BROWSER_KEY, "DistribInfoParams", "left over")
    info = wine.temp_dir / "distrib_info"
    info.unlink(missing_ok=True)
    wine.clear_log()
    # A whole silent install runs; under load its download may need retries.
    wine.installer("--silent", *switches, exe=exe, timeout=180)
    return info


def test_tagged_copy_still_verifies_and_reads_back(signing, tagged):
    _, cert, _ = signing
    result = verify(cert, tagged)
    assert result.returncode == 0, result.stdout + result.stderr
    assert run(TAG_TOOL, "read", tagged).stdout == TAG + "\n"


def test_tag_becomes_json_file_and_registry_value(wine, tagged):
    info = run_tagged(wine, tagged)
    text = info.read_text()
    assert json.loads(text) == {"banerid": "7", "velmaruid": "42", "lang": "tr"}
    assert '\n  "banerid": "7",' in text
    assert wine.reg_query(BROWSER_KEY, "DistribInfoParams") == TAG


def test_switch_wins_over_tag(wine, tagged):
    info = run_tagged(wine, tagged, "--distr-info-params=banerid=9&lang=ru")
    assert json.loads(info.read_text()) == {"banerid": "9", "lang": "ru"}
    assert wine.reg_query(BROWSER_KEY, "DistribInfoParams") == "banerid=9&lang=ru"


def test_untagged_copy_writes_no_json_file(wine, signing):
    _, _, signed = signing
    info = run_tagged(wine, signed)
    assert not info.exists()
    assert "certificate table" not in wine.log_text()


def test_same_copy_can_be_tagged_again(signing, tagged, tmp_path):
    _, cert, _ = signing
    retagged = tmp_path / "retagged.exe"
    run(TAG_TOOL, "write", "-o", retagged, tagged, "x" * 10240)
    run(TAG_TOOL, "write", retagged, "banerid=8")
    assert retagged.stat().st_size == tagged.stat().st_size
    assert run(TAG_TOOL, "read", retagged).stdout == "banerid=8\n"
    assert verify(cert, retagged).returncode == 0


def test_shipped_32_bit_build_is_tagged_the_same_way(signing, tmp_path):
    _, cert, _ = signing
    shipped = ROOT / "build" / "i686" / "lite_installer.exe"
    if not shipped.exists():
        pytest.skip("no i686 build")
    signed, tagged = tmp_path / "signed32.exe", tmp_path / "tagged32.exe"
    run("osslsigncode", "sign", "-certs", cert, "-key", cert.parent / "key.pem", "-in", shipped,
        "-out", signed)
    run(TAG_TOOL, "write", "-o", tagged, signed, TAG)
    assert run(TAG_TOOL, "read", tagged).stdout == TAG + "\n"
    assert verify(cert, tagged).returncode == 0
