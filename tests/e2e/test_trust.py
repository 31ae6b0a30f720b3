"""The trust check of a downloaded setup program, run for real under Wine on
fake setup programs signed with the test PKI (built in tests/CMakeLists.txt).

Wine's WinVerifyTrust verifies only the primary signature whatever index is
asked, so the dual-signature cases whose answer depends on the secondary one
are decided on the pure decision in tests/unit/config/module_trust_test.cpp,
as are signed lists that name no usable pair. The list's own signature is
checked here only: the trusted rows need it to verify over the exact bytes,
and the other keys and short signatures are refused."""

import subprocess

import pytest

from wine_prefix import BUILD, DRIVERS, ROOT

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


# The trust tool refuses to sign a list the installer would refuse. The rows
# "wrong_key" and "foreign_key" above are such lists, forced through with
# --no-key-check, and the installer refuses them.

TRUST_TOOL = ROOT / "build" / "native" / "trust_tool" / "trust_tool"
PKI = BUILD / "test_pki"
TABLE = BUILD / "generated" / "trust_key_table.txt"


def trust_tool(*args):
    return subprocess.run([TRUST_TOOL, *map(str, args)], capture_output=True, text=True)


def sign_list(output, key, number, *extra):
    return trust_tool("sign", "--private-key", key, "--key-number", number, *extra,
                      "--output-dir", output, PKI / "sha256_listed.chain.pem")


@pytest.mark.parametrize("key, number", [("key_3.pem", 4), ("foreign.pem", 3)])
def test_sign_refuses_a_key_that_is_not_entry_n_of_the_table(tmp_path, key, number):
    result = sign_list(tmp_path / "out", PKI / "trust_keys" / key, number, "--key-table", TABLE)
    assert result.returncode == 1
    assert result.stderr == (f"trust_tool: the public half of {PKI / 'trust_keys' / key} is not "
                             f"entry {number} of the key table {TABLE}: the installer would "
                             "refuse the list (is --key-number right?)\n")
    assert not (tmp_path / "out").exists()


def test_sign_makes_its_output_folder_or_says_why_not(tmp_path):
    key = PKI / "trust_keys" / "key_3.pem"
    made = sign_list(tmp_path / "new" / "folder", key, 3, "--key-table", TABLE)
    assert made.returncode == 0, made.stderr
    assert sorted(p.name for p in (tmp_path / "new" / "folder").iterdir()) == [
        "SIGNATURE.DAT", "TRUSTED.JSON"]
    (tmp_path / "file").write_text("")
    refused = sign_list(tmp_path / "file" / "folder", key, 3, "--key-table", TABLE)
    assert (refused.returncode, refused.stderr) == (
        1, f"trust_tool: cannot make the output folder {tmp_path / 'file' / 'folder'}: "
           "Not a directory\n")


def test_sign_replaces_neither_file_when_it_cannot_write_both(tmp_path):
    """A list beside an older signature would be refused by every installer."""
    output = tmp_path / "out"
    output.mkdir()
    (output / "TRUSTED.JSON").write_text("the previous list\n")
    (output / "SIGNATURE.DAT").mkdir()
    result = sign_list(output, PKI / "trust_keys" / "key_3.pem", 3, "--key-table", TABLE)
    assert (result.returncode, result.stderr) == (
        1, f"trust_tool: cannot write {output / 'SIGNATURE.DAT'}: it is a folder\n")
    assert (output / "TRUSTED.JSON").read_text() == "the previous list\n"
    assert sorted(p.name for p in output.iterdir()) == ["SIGNATURE.DAT", "TRUSTED.JSON"]


def test_key_table_is_the_same_from_public_or_private_keys(tmp_path):
    private = [PKI / "trust_keys" / f"key_{n}.pem" for n in range(10)]
    public = []
    for number, key in enumerate(private):
        public.append(tmp_path / f"public_{number}.pem")
        subprocess.run(["openssl", "pkey", "-in", key, "-pubout", "-out", public[-1]], check=True)
    from_private, from_public = trust_tool("key-table", *private), trust_tool("key-table", *public)
    assert from_private.returncode == from_public.returncode == 0, from_public.stderr
    assert from_private.stdout == from_public.stdout == TABLE.read_text()


def test_help_shows_how_the_two_resources_are_linked():
    result = trust_tool("--help")
    assert result.returncode == 0
    assert 'TRUSTED.JSON  TRUSTED_JSON  "DIR/TRUSTED.JSON"' in result.stdout
    assert 'SIGNATURE.DAT SIGNATURE_DAT "DIR/SIGNATURE.DAT"' in result.stdout


@pytest.mark.parametrize("args, reason", [
    ([], "no command given: sign or key-table"),
    (["sign", "--private-key", "k.pem", "--output-dir", "d", "c.pem"],
     "sign needs --key-number N"),
    (["sign", "--private-key", "k.pem", "--key-number", "1", "--output-dir", "d", "c.pem"],
     "sign needs --key-table TABLE to check the key against"),
    (["sign", "--private-key", "k.pem", "--key-number", "1", "--no-key-check",
      "--output-dir", "d"], "sign needs CHAIN.pem files or --trusted-json FILE"),
    (["sign", "--private-key"], "--private-key needs a value"),
    (["sign", "--key", "k.pem"], "unknown option --key"),
    (["key-table", "a.pem", "b.pem"], "key-table needs 10 key files, got 2"),
])
def test_each_usage_error_says_what_is_wrong(args, reason):
    result = trust_tool(*args)
    assert (result.returncode, result.stderr) == (2, f"trust_tool: {reason} (see trust_tool --help)\n")
