"""The master preferences the build made: the seed is real gzip data whose
signature checks out against the build's seed key."""

import base64
import gzip
import json
import subprocess

from wine_prefix import BUILD

GENERATED = BUILD / "generated"


def signature_verifies(folder, data, signature):
    (folder / "seed").write_bytes(data)
    (folder / "seed.sig").write_bytes(signature)
    return subprocess.run(["openssl", "dgst", "-sha256", "-verify",
                           GENERATED / "variations_seed_public.pem", "-signature",
                           folder / "seed.sig", folder / "seed"],
                          capture_output=True).returncode == 0


def test_seed_decompresses_and_its_signature_verifies(tmp_path):
    preferences = json.loads((GENERATED / "master_preferences").read_text())
    seed = gzip.decompress(base64.b64decode(preferences["variations_compressed_seed"]))
    signature = base64.b64decode(preferences["variations_seed_signature"])
    assert b"lite-installer-first-run-1" in seed
    assert signature_verifies(tmp_path, seed, signature)
    assert not signature_verifies(tmp_path, seed + b"x", signature)
