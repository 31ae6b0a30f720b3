"""Builds the master preferences resource from its readable sources.

The preferences JSON gets the first-run variations seed: the seed described in
JSON is serialised in the browser's seed message format, signed (ECDSA P-256
with SHA-256, DER signature, deterministic nonce) over the serialised bytes,
gzip-compressed and base64-encoded, and stored as "variations_compressed_seed"
beside its "variations_seed_signature".

usage: make_master_preferences.py PREFERENCES SEED KEY OUTPUT
"""

import base64
import gzip
import hashlib
import json
import sys

import ecdsa

# Field numbers of the seed message and its nested messages.
SEED_FIELDS = {"serial_number": 1, "study": 2}
STUDY_FIELDS = {"name": 1, "default_experiment_name": 8, "experiment": 9}
EXPERIMENT_FIELDS = {"name": 1, "probability_weight": 2}
NESTED = {"study": STUDY_FIELDS, "experiment": EXPERIMENT_FIELDS}


def varint(value):
    out = bytearray()
    while True:
        byte = value & 0x7F
        value >>= 7
        out.append(byte | (0x80 if value else 0))
        if not value:
            return bytes(out)


def encode_message(message, fields):
    out = bytearray()
    for key, value in message.items():
        number = fields[key]
        for item in value if isinstance(value, list) else [value]:
            if isinstance(item, dict):
                body = encode_message(item, NESTED[key])
                out += varint(number << 3 | 2) + varint(len(body)) + body
            elif isinstance(item, int):
                out += varint(number << 3) + varint(item)
            else:
                body = item.encode("utf-8")
                out += varint(number << 3 | 2) + varint(len(body)) + body
    return bytes(out)


def sign(data, key_path):
    """The DER signature with the nonce derived from the key and the data
    (RFC 6979), so that the same key and seed give the same bytes in every
    build; OpenSSL's command line draws a random nonce."""
    with open(key_path, encoding="ascii") as source:
        key = ecdsa.SigningKey.from_pem(source.read(), hashfunc=hashlib.sha256)
    if key.curve != ecdsa.NIST256p:
        sys.exit(f"{key_path}: the variations seed key must be an ECDSA P-256 key")
    return key.sign_deterministic(data, sigencode=ecdsa.util.sigencode_der)


def main(preferences_path, seed_path, key_path, output_path):
    with open(preferences_path, encoding="utf-8") as source:
        preferences = json.load(source)
    with open(seed_path, encoding="utf-8") as source:
        seed = encode_message(json.load(source), SEED_FIELDS)
    preferences["variations_seed_signature"] = base64.b64encode(sign(seed, key_path)).decode()
    # mtime 0 keeps the output the same from one build to the next.
    compressed = gzip.compress(seed, mtime=0)
    preferences["variations_compressed_seed"] = base64.b64encode(compressed).decode()
    with open(output_path, "w", encoding="utf-8", newline="\n") as output:
        json.dump(preferences, output, indent=2, ensure_ascii=False)
        output.write("\n")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
