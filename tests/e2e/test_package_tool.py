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
    ("{}", "..\\evil", "must stay inside the package"),
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
