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
