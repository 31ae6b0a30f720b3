#!/usr/bin/env bash
# Makes a release of the installer: the i686 executable built with the
# distributor's inputs, signed with the distributor's code-signing
# certificate (SHA-256), its signature verified, checked that the tag tool
# can tag it, and its size and SHA-256 printed.
#
#   tools/release.sh --inputs DISTRIBUTOR.cmake --cert CHAIN.pem --key KEY.pem
#                    [--ca-file ROOTS.pem] [--timestamp-url URL] [--output FILE]
#   tools/release.sh --make-demo-inputs DIR
#
# DISTRIBUTOR.cmake names every input of a release build as CMake cache
# entries: LITE_TRUST_KEY_TABLE (ten public keys, `trust_tool key-table`),
# LITE_PACKAGE_SIGNING_KEY (RSA-1024, signs the configuration packages),
# LITE_VARIATIONS_SEED_KEY (ECDSA P-256, signs the variations seed) and the
# HTTPS endpoint hosts LITE_DOWNLOAD_HOST, LITE_LEGAL_HOST,
# LITE_BROWSER_API_HOST, LITE_STATISTICS_HOST, LITE_STORAGE_HOST,
# LITE_CRASH_HOST, LITE_BROWSER_SITE and LITE_MAKER_SITE.
# CHAIN.pem is the code-signing certificate followed by its issuers; KEY.pem
# its private key. ROOTS.pem (default: the system's trusted roots) is what the
# signature is verified against. --make-demo-inputs writes a demo
# distributor's inputs, keys and certificates included, into DIR.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
usage() {
  sed -n '7,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

make_demo_inputs() {
  local dir
  mkdir -p "$1"
  dir=$(cd "$1" && pwd)
  # The test PKI's shape serves a demo distributor: a code-signing root and
  # signer, and ten trust keys; made fresh in DIR, never committed.
  bash "$root/tests/support/make_test_pki.sh" "$dir/pki"
  bash "$root/tools/build-native.sh"
  "$root/build/native/trust_tool/trust_tool" key-table "$dir"/pki/trust_keys/key_{0..9}.pem \
    >"$dir/trust_key_table.txt"
  openssl genrsa -out "$dir/package_signing_key.pem" 1024 2>/dev/null
  openssl ecparam -name prime256v1 -genkey -noout -out "$dir/variations_seed_key.pem"
  {
    echo "# A demo distributor's release inputs (tools/release.sh --make-demo-inputs)."
    echo "set(LITE_TRUST_KEY_TABLE \"$dir/trust_key_table.txt\" CACHE FILEPATH \"\")"
    echo "set(LITE_PACKAGE_SIGNING_KEY \"$dir/package_signing_key.pem\" CACHE FILEPATH \"\")"
    echo "set(LITE_VARIATIONS_SEED_KEY \"$dir/variations_seed_key.pem\" CACHE FILEPATH \"\")"
    local name host
    while read -r name host; do
      echo "set($name \"https://$host.demo-distributor.example\" CACHE STRING \"\")"
    done <<'HOSTS'
LITE_DOWNLOAD_HOST download
LITE_LEGAL_HOST legal
LITE_BROWSER_API_HOST api
LITE_STATISTICS_HOST stat
LITE_STORAGE_HOST storage
LITE_CRASH_HOST crash
LITE_BROWSER_SITE browser
LITE_MAKER_SITE www
HOSTS
  } >"$dir/distributor.cmake"
  echo "Demo distributor inputs in $dir; make a release with:"
  echo "  tools/release.sh --inputs $dir/distributor.cmake --cert $dir/pki/sha256_listed.chain.pem \\"
  echo "      --key $dir/pki/sha256_listed.key --ca-file $dir/pki/root.pem"
}

inputs="" cert="" key="" ca_file="/etc/ssl/certs/ca-certificates.crt" timestamp_url=""
output="$root/build/release/lite_installer.exe"
while [ $# -gt 0 ]; do
  case "$1" in
    --make-demo-inputs) [ $# -eq 2 ] || usage; make_demo_inputs "$2"; exit 0 ;;
    --inputs) inputs=${2:?}; shift 2 ;;
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --ca-file) ca_file=${2:?}; shift 2 ;;
    --timestamp-url) timestamp_url=${2:?}; shift 2 ;;
    --output) output=${2:?}; shift 2 ;;
    *) usage ;;
  esac
done
[ -n "$inputs" ] && [ -n "$cert" ] && [ -n "$key" ] || usage
for file in "$inputs" "$cert" "$key" "$ca_file"; do
  [ -f "$file" ] || { echo "release: no file $file" >&2; exit 1; }
done
inputs=$(realpath "$inputs")

cd "$root"
bash tools/build-native.sh
# A fresh cache: every input comes from DISTRIBUTOR.cmake, none from an earlier run.
cmake --preset release-i686 --fresh -C "$inputs" >/dev/null
cmake --build --preset release-i686 >/dev/null || cmake --build --preset release-i686
built=build/release-i686/lite_installer.exe

mkdir -p "$(dirname "$output")"
rm -f "$output"
timestamp=()
[ -n "$timestamp_url" ] && timestamp=(-ts "$timestamp_url")
osslsigncode sign -certs "$cert" -key "$key" -h sha256 "${timestamp[@]}" \
  -in "$built" -out "$output" >/dev/null
osslsigncode verify -CAfile "$ca_file" -in "$output" >/dev/null || {
  echo "release: the signature of $output does not verify against $ca_file" >&2
  exit 1
}

# The tag tool must be able to tag the signed file, and the tagged copy must
# keep a valid signature.
check_dir=$(mktemp -d)
trap 'rm -rf "$check_dir"' EXIT
tag="release-check=1"
build/native/tag_tool/tag_tool write -o "$check_dir/tagged.exe" "$output" "$tag" >/dev/null
[ "$(build/native/tag_tool/tag_tool read "$check_dir/tagged.exe")" = "$tag" ] &&
  osslsigncode verify -CAfile "$ca_file" -in "$check_dir/tagged.exe" >/dev/null || {
  echo "release: $output cannot be tagged with the tag tool" >&2
  exit 1
}

echo "release: $output"
echo "size: $(stat -c %s "$output") bytes"
echo "sha256: $(sha256sum "$output" | cut -d' ' -f1)"
