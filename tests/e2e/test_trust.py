"""The trust check of a downloaded setup program, run for real under Wine on
fake setup programs signed with the test PKI (built in tests/CMakeLists.txt).

Wine's WinVerifyTrust verifies only the primary signature whatever index is
asked, so the dual-signature cases whose answer depends on the secondary one
are decided on the pure decision in tests/unit/config/module_trust_test.cpp."""

import shutil

import pytest

from wine_prefix import BUILD, WinePrefix

TRUST_CHECK = BUILD / "tests" / "trust_check.exe"
SETUPS = BUILD / "tests" / "trust"
ROOT_CERTIFICATE = BUILD / "test_pki" / "root.der"


@pytest.fixture(scope="module")
def prefix(wine):
    """The session prefix with the test root in its ROOT store."""
    _, out = wine.run([TRUST_CHECK, "add-root", WinePrefix.windows_path(ROOT_CERTIFICATE)])
    assert "root added" in out, out
    return wine


def check(prefix, path):
    """Returns (answer, log) for one setup program given by its Windows path."""
    prefix.clear_log()
    code, out = prefix.run([TRUST_CHECK, "check", path])
    assert code == 0, out
    answer = out.splitlines()[0].strip()
    assert answer in ("trusted", "not trusted"), out
    return answer, prefix.log_text()


def check_setup(prefix, name):
    return check(prefix, WinePrefix.windows_path(SETUPS / f"{name}.exe"))


@pytest.mark.parametrize("name", ["sha1_listed", "sha256_listed",
                                  "dual_sha256_listed_sha1_unlisted"])
def test_setup_signed_by_a_listed_pair_is_trusted(prefix, name):
    answer, log = check_setup(prefix, name)
    assert answer == "trusted"
    assert "ERROR" not in log


@pytest.mark.parametrize("name", [
    "sha1_unlisted", "sha256_unlisted",
    "fake_setup",  # unsigned
    "wrong_shape", "not_base64_ids",  # signed lists that name no usable pair
])
def test_setup_with_a_good_list_but_no_listed_signature_is_not_trusted(prefix, name):
    answer, log = check_setup(prefix, name)
    assert answer == "not trusted"
    assert "ERROR" not in log, "the list's own signature was good"


def test_setup_changed_after_signing_is_not_trusted(prefix, tmp_path):
    tampered = tmp_path / "tampered.exe"
    shutil.copy(SETUPS / "sha1_listed.exe", tampered)
    data = bytearray(tampered.read_bytes())
    data[0x410] ^= 0x01  # in the code section, which the signature covers
    tampered.write_bytes(bytes(data))
    answer, log = check(prefix, WinePrefix.windows_path(tampered))
    assert answer == "not trusted"
    assert "ERROR" not in log, "the resources are intact; only the signature fails"


@pytest.mark.parametrize("name, lines", [
    # A two-byte "SIGNATURE.DAT" counts as missing.
    ("short_signature", ["GetTrustJsonFromModule", "Cannot find resource SIGNATURE_DAT"]),
    ("key_10", ["GetTrustJsonFromModule", "Cannot find key"]),
    # Signed with key 3 but naming key 4.
    ("wrong_key", ["VerifySignature", "Failed to verify signature, error: ", "Verify error"]),
    # Signed with a key made outside the build's table, naming key 3.
    ("foreign_key", ["VerifySignature", "Failed to verify signature, error: ", "Verify error"]),
])
def test_setup_whose_list_signature_fails_is_not_trusted(prefix, name, lines):
    answer, log = check_setup(prefix, name)
    assert answer == "not trusted"
    for line in lines:
        assert line in log, log


def test_relative_path_is_refused_before_loading(prefix):
    answer, log = check(prefix, "trust\\sha1_listed.exe")
    assert answer == "not trusted"
    assert ("Attempting to GetTrustJsonFromModule at an invalid path: trust\\sha1_listed.exe"
            in log), log


@pytest.mark.parametrize("content", [None, b"MZ" + bytes(range(256)) * 64])
def test_missing_or_garbage_file_is_not_trusted(prefix, tmp_path, content):
    file = tmp_path / "setup.exe"
    if content is not None:
        file.write_bytes(content)
    path = WinePrefix.windows_path(file)
    answer, log = check(prefix, path)
    assert answer == "not trusted"
    assert f"Failed to load module for GetTrustJsonFromModule: {path}" in log, log


def test_program_without_the_resources_is_not_trusted(prefix):
    answer, log = check(prefix, WinePrefix.windows_path(TRUST_CHECK))
    assert answer == "not trusted"
    assert "Cannot find resource SIGNATURE_DAT" in log, log
