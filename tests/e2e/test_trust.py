"""The trust check of a downloaded setup program, run for real under Wine on
fake setup programs signed with the test PKI (built in tests/CMakeLists.txt).

Wine's WinVerifyTrust verifies only the primary signature whatever index is
asked, so the dual-signature cases whose answer depends on the secondary one
are decided on the pure decision in tests/unit/config/module_trust_test.cpp,
as are signed lists that name no usable pair. The list's own signature is
checked here only: the trusted rows need it to verify over the exact bytes,
and the other keys and short signatures are refused."""

import pytest

from wine_prefix import BUILD, DRIVERS

TRUST_CHECK = DRIVERS / "trust_check.exe"
SETUPS = BUILD / "tests" / "trust"
LOAD_FAILED = "Failed to load module for GetTrustJsonFromModule: {path}"
NO_SIGNATURE_DAT = "Cannot find resource SIGNATURE_DAT"
BAD_SIGNATURE = ["VerifySignature", "Failed to verify signature, error: ", "Verify error"]


def tampered(tmp_path):
    """A listed setup changed in its code section, which the signature covers."""
    data = bytearray((SETUPS / "sha1_listed.exe").read_bytes())
    data[0x410] ^= 0x01
    (tmp_path / "setup.exe").write_bytes(bytes(data))
    return tmp_path / "setup.exe"


def garbage(tmp_path):
    (tmp_path / "setup.exe").write_bytes(b"MZ" + bytes(range(256)) * 64)
    return tmp_path / "setup.exe"


def without_resources(_):
    return TRUST_CHECK


# Each row: the setup program (a name under SETUPS, or made in tmp_path), the
# answer, and the log lines it gives; None as the lines means no ERROR line,
# since the trusted list's own signature was good.
@pytest.mark.parametrize("setup, answer, lines", [
    ("sha1_listed", "trusted", None),
    ("sha256_listed", "trusted", None),
    ("dual_sha256_listed_sha1_unlisted", "trusted", None),
    ("sha1_unlisted", "not trusted", None),
    ("sha256_unlisted", "not trusted", None),
    ("fake_setup", "not trusted", None),  # unsigned
    # The resources are intact; only the file's signature fails.
    (tampered, "not trusted", None),
    # A two-byte "SIGNATURE.DAT" counts as missing.
    ("short_signature", "not trusted", ["GetTrustJsonFromModule", NO_SIGNATURE_DAT]),
    ("key_10", "not trusted", ["GetTrustJsonFromModule", "Cannot find key"]),
    # Signed with key 3 but naming key 4.
    ("wrong_key", "not trusted", BAD_SIGNATURE),
    # Signed with a key made outside the build's table, naming key 3.
    ("foreign_key", "not trusted", BAD_SIGNATURE),
    (garbage, "not trusted", [LOAD_FAILED]),
    (without_resources, "not trusted", [NO_SIGNATURE_DAT]),
    ("trust\\sha1_listed.exe", "not trusted",
     ["Attempting to GetTrustJsonFromModule at an invalid path: trust\\sha1_listed.exe"]),
], ids=lambda value: getattr(value, "__name__", value if isinstance(value, str) else ""))
def test_setup_is_trusted_only_when_signed_by_a_listed_pair(wine, tmp_path, setup, answer,
                                                            lines):
    if callable(setup):
        path = wine.windows_path(setup(tmp_path))
    elif "\\" in setup:
        path = setup  # relative: refused before loading
    else:
        path = wine.windows_path(SETUPS / f"{setup}.exe")
    wine.clear_log()
    code, out = wine.run([TRUST_CHECK, "check", path])
    assert code == 0, out
    assert out.splitlines()[0].strip() == answer, out
    log = wine.log_text()
    if lines is None:
        assert "ERROR" not in log, log
    for line in lines or []:
        assert line.format(path=path) in log, log
