"""The release build and tools/release.sh, with a demo distributor's inputs
made on the spot. The release is the shipped i686 build; it is built here
(about two minutes the first time), signed, verified and tagged."""

import shutil
import struct
import subprocess

import pytest

from second_build import build_again, differences
from wine_prefix import ROOT

RELEASE = ROOT / "tools" / "release.sh"
REQUIRED = ["LITE_TRUST_KEY_TABLE", "LITE_PACKAGE_SIGNING_KEY", "LITE_VARIATIONS_SEED_KEY",
            "LITE_DOWNLOAD_HOST", "LITE_LEGAL_HOST", "LITE_BROWSER_API_HOST",
            "LITE_STATISTICS_HOST", "LITE_STORAGE_HOST", "LITE_CRASH_HOST", "LITE_BROWSER_SITE",
            "LITE_MAKER_SITE"]


def run(*args, check=True):
    return subprocess.run([str(a) for a in args], cwd=ROOT, capture_output=True, text=True,
                          check=check)


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


def test_release_without_inputs_names_each_missing_one(tmp_path):
    result = configure_release(tmp_path)
    assert result.returncode != 0
    for name in REQUIRED:
        assert f"{name} is not set" in result.stderr, result.stderr


def test_release_refuses_plain_http_hosts_and_a_private_key_table(tmp_path, demo_inputs):
    entries = cache_entries(demo_inputs)
    entries["LITE_STATISTICS_HOST"] = "http://stat.demo-distributor.example"
    private_table = tmp_path / "table.txt"
    shutil.copy(demo_inputs / "pki" / "trust_keys" / "key_0.pem", private_table)
    entries["LITE_TRUST_KEY_TABLE"] = str(private_table)
    result = configure_release(tmp_path, *[f"{k}={v}" for k, v in entries.items()])
    assert result.returncode != 0
    assert "LITE_STATISTICS_HOST must be https://HOST" in result.stderr, result.stderr
    assert "holds a private key" in result.stderr, result.stderr
    assert "LITE_DOWNLOAD_HOST" not in result.stderr, "only the faulty inputs are named"


@pytest.fixture(scope="module")
def release(demo_inputs, tmp_path_factory):
    output = tmp_path_factory.mktemp("release") / "lite_installer.exe"
    pki = demo_inputs / "pki"
    result = run("bash", RELEASE, "--inputs", demo_inputs / "distributor.cmake",
                 "--cert", pki / "sha256_listed.chain.pem", "--key", pki / "sha256_listed.key",
                 "--ca-file", pki / "root.pem", "--output", output)
    return output, result.stdout


def verify(path, demo_inputs):
    return run("osslsigncode", "verify", "-CAfile", demo_inputs / "pki" / "root.pem", "-in", path,
               check=False)


# Tagging keeps a signature valid: tests/e2e/test_tag.py tags a signed build.
def test_release_is_a_signed_i686_executable_of_the_distributor(release, demo_inputs):
    output, printed = release
    assert f"release: {output}" in printed
    assert f"size: {output.stat().st_size} bytes" in printed
    digest = run("sha256sum", output).stdout.split()[0]
    assert f"sha256: {digest}" in printed
    data = output.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert struct.unpack_from("<H", data, pe + 4)[0] == 0x14C, "i686"
    verified = verify(output, demo_inputs)
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
                         demo_inputs / "distributor.cmake")
    assert differences(first, second) == []
