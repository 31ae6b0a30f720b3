"""The distributors' package tool, run natively: what it signs and how it refuses."""

import base64
import os
import pathlib
import subprocess

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
TOOL = pathlib.Path(os.environ.get("LITE_NATIVE_TOOLS_DIR", ROOT / "build" / "native")) \
    / "package_tool" / "package_tool"


@pytest.fixture(scope="module")
def key(tmp_path_factory):
    folder = tmp_path_factory.mktemp("keys")
    private = folder / "key.pem"
    subprocess.run(["openssl", "genrsa", "-out", private, "1024"], check=True,
                   capture_output=True)
    public = folder / "public.pem"
    subprocess.run(["openssl", "rsa", "-in", private, "-pubout", "-out", public], check=True,
                   capture_output=True)
    return private, public


def run_tool(*args):
    if not TOOL.exists():
        pytest.fail(f"no package tool at {TOOL}: run tools/build-native.sh")
    return subprocess.run([TOOL, *map(str, args)], capture_output=True, text=True)


# The installer's unit tests read the members of the packages the build made
# with this tool; the signature is checked here, by a tool other than ours.
def test_partner_config_is_signed_over_its_exact_bytes(tmp_path, key):
    config = tmp_path / "partner.json"
    config.write_text('// partner\n{"partner_id": "p1" /* id */}\n')
    output = tmp_path / "partner.cab"
    result = run_tool("--kind", "partner", "--config", config, "--key", key[0], "--output",
                      output)
    assert result.returncode == 0, result.stderr
    subprocess.run(["gcab", "-x", "-C", tmp_path / "out", output], check=True,
                   capture_output=True)
    signed = (tmp_path / "out" / "partner_config").read_bytes()
    assert signed[:2] == b"//" and signed[174:176] == b"\r\n"
    assert signed[176:] == config.read_bytes()
    (tmp_path / "signature").write_bytes(base64.b64decode(signed[2:174], validate=True))
    (tmp_path / "body").write_bytes(signed[176:])
    verify = subprocess.run(["openssl", "dgst", "-sha256", "-verify", key[1], "-signature",
                             tmp_path / "signature", tmp_path / "body"], capture_output=True)
    assert verify.returncode == 0, verify.stdout


# The comment errors themselves are the reader's, tested in its unit tests.
@pytest.mark.parametrize("text, member, error", [
    ('{"a": 1} /* open', None, "premature end of input"),
    ('{"a": }', None, "line 1"),
    ('["not", "an object"]', None, "not an object"),
    ('{"partner_id": "p"}', "..\\evil", "must stay inside the package"),
])
def test_bad_configuration_or_member_name_is_refused_without_output(tmp_path, key, text, member,
                                                                    error):
    config = tmp_path / "config.json"
    config.write_text(text)
    output = tmp_path / "out.cab"
    members = ["--member", f"{member}={config}"] if member else []
    result = run_tool("--kind", "partner", "--config", config, "--key", key[0], "--output",
                      output, *members)
    assert result.returncode == 1 and error in result.stderr, result.stderr
    assert not output.exists()


def build(tmp_path, key, text, kind="partner", members=()):
    config = tmp_path / "config.json"
    config.write_text(text)
    output = tmp_path / "out.cab"
    args = ["--kind", kind, "--config", config, "--key", key, "--output", output]
    for member in members:
        args += ["--member", member]
    return run_tool(*args), config, output


# What the installer would not read as meant is refused, naming the file and
# the key, and no package is written.
@pytest.mark.parametrize("text, kind, reason", [
    ('{"brand_id": "tb", "install": {"setup_url": "@LITE_DOWNLOAD_HOST@/x"}}', "brand",
     "the placeholder @LITE_DOWNLOAD_HOST@ is not filled in"),
    ('{"brand_id": "tb", "install": {"setup_ulr": "https://d.example/x"}}', "brand",
     'unknown key "install.setup_ulr"'),
    ('{"brand_id": "tb", "brand_color": "red"}', "brand", 'unknown key "brand_color"'),
    ('{"brand_id": "tb", "brand_id": "velmar"}', "brand", "line 1: duplicate object key"),
    ('{"brand_id": "tb", "install": {"send_statistics": "false"}}', "brand",
     '"install.send_statistics" must be true or false'),
    ('{"brand_id": "tb", "languages": "tr"}', "brand", '"languages" must be an object'),
    ('{"partner_id": "p", "license_url": 1}', "partner", '"license_url" must be a string'),
    ('{"brand_id": "tb", "install": {"setup_url": "https://d.example/x"}}', "partner",
     'a partner package needs "partner_id" (a brand configuration? use --kind brand)'),
    ('{"partner_id": "p"}', "brand", 'a brand package needs "brand_id"'),
])
def test_configuration_the_installer_would_misread_is_refused(tmp_path, key, text, kind, reason):
    result, config, output = build(tmp_path, key[0], text, kind)
    assert result.returncode == 1
    assert result.stderr.startswith(f"package_tool: {config}: {reason}"), result.stderr
    assert len(result.stderr.splitlines()) == 1
    assert not output.exists()


def test_keys_read_at_the_top_level_and_a_filled_member_are_taken(tmp_path, key):
    member = tmp_path / "tablo"
    member.write_text('{"url": "https://www.example/"}')
    result, _, output = build(tmp_path, key[0],
                              '{"partner_id": "p", "setup_url": "https://d.example/x",'
                              ' "need_ppapi_flash": true}', members=[f"resources\\tablo={member}"])
    assert result.returncode == 0, result.stderr
    assert output.exists()


def test_unfilled_member_is_refused(tmp_path, key):
    member = tmp_path / "tablo"
    member.write_text('{"url": "@LITE_MAKER_SITE@/"}')
    result, _, output = build(tmp_path, key[0], '{"partner_id": "p"}',
                              members=[f"resources\\tablo={member}"])
    assert result.returncode == 1
    assert result.stderr == (f"package_tool: {member}: the placeholder @LITE_MAKER_SITE@ is not "
                             "filled in\n")
    assert not output.exists()


@pytest.fixture(scope="module")
def other_keys(key, tmp_path_factory):
    folder = tmp_path_factory.mktemp("other_keys")
    encrypted, large = folder / "encrypted.pem", folder / "large.pem"
    subprocess.run(["openssl", "pkey", "-in", key[0], "-aes256", "-passout", "pass:secret",
                    "-out", encrypted], check=True, capture_output=True)
    subprocess.run(["openssl", "genrsa", "-out", large, "2048"], check=True, capture_output=True)
    return {"encrypted": encrypted, "large": large}


# Without a terminal (a build) nobody can type a pass phrase: one line, no prompt.
@pytest.mark.parametrize("which, reason", [
    ("encrypted", "is encrypted: give the key without a pass phrase"),
    ("large", "is an RSA-2048 key, not RSA-1024"),
])
def test_unusable_key_is_refused_in_one_line_without_a_prompt(tmp_path, other_keys, which,
                                                              reason):
    config = tmp_path / "config.json"
    config.write_text('{"partner_id": "p"}')
    result = subprocess.run([TOOL, "--kind", "partner", "--config", config, "--key",
                             other_keys[which], "--output", tmp_path / "out.cab"],
                            capture_output=True, text=True, stdin=subprocess.DEVNULL,
                            start_new_session=True)
    assert result.returncode == 1
    assert result.stderr.startswith(f"package_tool: {other_keys[which]} {reason}"), result.stderr
    assert len(result.stderr.splitlines()) == 1
    assert "Enter PEM pass phrase" not in result.stdout + result.stderr


@pytest.mark.parametrize("args, reason", [
    (["--kind", "brand", "stray", "--config", "c"], 'stray argument "stray"'),
    (["--kind", "brand", "--conf", "c"], "unknown option --conf"),
    (["--kind"], "--kind needs a value"),
    (["--kind", "vendor"], "--kind must be brand or partner"),
    (["--kind", "brand", "--config", "c", "--output", "o"], "--key is required"),
    (["--kind", "brand", "--member", "x"], '--member wants NAME=FILE, got "x"'),
])
def test_each_usage_error_says_what_is_wrong(args, reason):
    result = run_tool(*args)
    assert (result.returncode, result.stderr) == (2, f"package_tool: {reason} (see --help)\n")


def test_placeholder_like_bytes_in_a_binary_member_are_taken(tmp_path, key):
    """A compressed archive holds any bytes; only text members are searched."""
    archive = tmp_path / "all_zip"
    archive.write_bytes(b"PK\x03\x04\x00\x9c@LITE_MAKER_SITE@\xff\x00")
    result, _, output = build(tmp_path, key[0], '{"partner_id": "p"}',
                              members=[f"resources\\configs\\all_zip={archive}"])
    assert result.returncode == 0, result.stderr
    subprocess.run(["gcab", "-x", "-C", tmp_path / "out", output], check=True,
                   capture_output=True)
    assert (tmp_path / "out" / "resources" / "configs" / "all_zip").read_bytes() == \
        archive.read_bytes()


def test_failing_gcab_leaves_the_previous_package(tmp_path, key):
    """gcab writes in a staging folder; the package moves into place only whole."""
    stand_ins = tmp_path / "bin"
    stand_ins.mkdir()
    gcab = stand_ins / "gcab"
    gcab.write_text('#!/bin/sh\necho "half a cabinet" > "$3"\nexit 1\n')
    gcab.chmod(0o755)
    config = tmp_path / "config.json"
    config.write_text('{"partner_id": "p"}')
    output = tmp_path / "out.cab"
    output.write_bytes(b"MSCF the previous package")
    result = subprocess.run(
        [TOOL, "--kind", "partner", "--config", config, "--key", key[0], "--output", output],
        capture_output=True, text=True,
        env={**os.environ, "PATH": f"{stand_ins}:{os.environ['PATH']}"})
    assert (result.returncode, result.stderr) == (
        1, "package_tool: gcab failed to make the package\n")
    assert output.read_bytes() == b"MSCF the previous package"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["bin", "config.json", "out.cab"]


def test_members_carry_the_date_given(tmp_path, key):
    config = tmp_path / "config.json"
    config.write_text('{"partner_id": "p"}')
    output = tmp_path / "dated.cab"
    result = run_tool("--kind", "partner", "--config", config, "--key", key[0], "--output",
                      output, "--date", "1700000000")
    assert result.returncode == 0, result.stderr
    listing = subprocess.run(["gcab", "-l", "-v", output], capture_output=True, text=True).stdout
    assert "2023-11-14" in listing, listing
