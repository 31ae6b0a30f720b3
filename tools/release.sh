#!/usr/bin/env bash
# Makes, and checks, releases of the installer: the i686 executable built with
# a distributor's inputs and signed with its code-signing certificate. Every
# input is checked before the build; the result is built, signed, verified and
# tag-checked in a temporary place and moved into place only when all passed,
# so a failed run never replaces a good release. See --help.
#
# This file reads the options and hands over to the mode asked for, each in
# a file of its own under tools/release/: make.sh (a release), verify.sh
# (--verify) and demo_inputs.sh (--make-demo-inputs); common.sh holds the
# checks and the build they share.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
native="$root/build/native"
step="options"
work=""

# Exit status of our own, whatever a child returned.
readonly FAILED=1 USAGE=2 MISMATCH=3

help() {
  cat <<'HELP'
Usage:
  tools/release.sh --inputs DISTRIBUTOR.cmake --cert CHAIN.pem --key KEY.pem
                   [--ca-file ROOTS.pem] [--timestamp-url URL] [--output FILE]
  tools/release.sh --verify PUBLISHED.exe [--verify ...] --commit COMMIT
                   --inputs DISTRIBUTOR.cmake --cert CHAIN.pem [--ca-file ROOTS.pem]
  tools/release.sh --make-demo-inputs DIR [--force]
  tools/release.sh --help

Making a release: checks every input (seconds), then builds the i686 installer
from this working tree in build/release-i686, signs it (osslsigncode, SHA-256),
verifies the signature, checks that the tag tool can tag it and that the tagged
copy still verifies, and only then moves it to --output. It prints each step
with its time, then the file's path, size and SHA-256, the SHA-256 of the
unsigned build, and the commit it was built from.

Checking a release (--verify): checks that each PUBLISHED file is a PE file
signed by the first certificate of CHAIN.pem (verified against --ca-file),
rebuilds COMMIT with the same inputs in a fresh folder (git archive), and
compares what the Authenticode signature covers: everything but the checksum,
the certificate table entry and the certificate table, where the signature
and a partner's tag live. A tagged copy therefore matches its release.

Options:
  --inputs FILE        the distributor's inputs, a CMake cache file of
                       set(NAME "value" CACHE ...) lines naming:
                         LITE_TRUST_KEY_TABLE      ten RSA-1024 public keys, base64
                                                   (build/native/trust_tool/trust_tool key-table)
                         LITE_PACKAGE_SIGNING_KEY  RSA-1024 private key, signs the
                                                   configuration packages
                         LITE_VARIATIONS_SEED_KEY  EC P-256 private key, signs the
                                                   variations seed
                         LITE_DOWNLOAD_HOST, LITE_LEGAL_HOST, LITE_BROWSER_API_HOST,
                         LITE_STATISTICS_HOST, LITE_STORAGE_HOST, LITE_CRASH_HOST,
                         LITE_BROWSER_SITE, LITE_MAKER_SITE   each https://HOST
                       Keys must not be encrypted: the build cannot ask for a
                       pass phrase.
  --cert FILE          the code-signing certificate (PEM), followed by the
                       certificates that issued it
  --key FILE           the code-signing certificate's private key (PEM, RSA of
                       2048 bits or more, or EC P-256/P-384)
  --ca-file FILE       the roots the signature must verify against (default: the
                       system's, /etc/ssl/certs/ca-certificates.crt)
  --timestamp-url URL  an RFC 3161 time-stamp server for the signature
  --output FILE        where the release goes (default: build/release/lite_installer.exe)
  --verify FILE        a published, signed and possibly tagged executable to check;
                       may be given several times
  --commit COMMIT      the commit the published files were built from (--verify)
  --make-demo-inputs DIR
                       writes a demo distributor's inputs into DIR, which must be
                       empty or new: distributor.cmake, its keys and key table, and
                       the code-signing chain, key and root (codesign/)
  --force              lets --make-demo-inputs replace what DIR holds
  --help               this text

Every failure ends with one line "release: failed at STEP: REASON".
Exit status: 0 done (verify: every file matches), 1 a step failed, 2 bad usage,
3 (verify) a published file does not match the rebuild.
HELP
}

# shellcheck source=tools/release/common.sh
source "$root/tools/release/common.sh"
# shellcheck source=tools/release/make.sh
source "$root/tools/release/make.sh"
# shellcheck source=tools/release/verify.sh
source "$root/tools/release/verify.sh"
# shellcheck source=tools/release/demo_inputs.sh
source "$root/tools/release/demo_inputs.sh"

cleanup() {
  [ -n "$work" ] && rm -rf "$work"
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

# --- Options ------------------------------------------------------------------

inputs="" cert="" key="" ca_file="/etc/ssl/certs/ca-certificates.crt" timestamp_url=""
output="$root/build/release/lite_installer.exe" demo_dir="" force=0 commit=""
published=()
while [ $# -gt 0 ]; do
  option=$1 value="" has_value=0
  if [[ "$option" == --*=* ]]; then
    value=${option#*=} option=${option%%=*} has_value=1
  elif [ $# -gt 1 ]; then
    value=$2
  fi
  case "$option" in
    --help | -h) help; exit 0 ;;
    --force) force=1; shift; continue ;;
    --inputs | --cert | --key | --ca-file | --timestamp-url | --output | --verify | --commit | \
      --make-demo-inputs) ;;
    -*) usage_error "unknown option $option" ;;
    *) usage_error "stray argument \"$option\"" ;;
  esac
  if [ "$has_value" = 0 ] && { [ $# -lt 2 ] || [[ "$value" == --* ]]; }; then
    usage_error "$option needs a value"
  fi
  [ -n "$value" ] || usage_error "$option needs a value"
  case "$option" in
    --inputs) inputs=$value ;;
    --cert) cert=$value ;;
    --key) key=$value ;;
    --ca-file) ca_file=$value ;;
    --timestamp-url) timestamp_url=$value ;;
    --output) output=$value ;;
    --verify) published+=("$(realpath -m "$value")") ;;
    --commit) commit=$value ;;
    --make-demo-inputs) demo_dir=$value ;;
  esac
  shift $((2 - has_value))
done

if [ -n "$demo_dir" ]; then
  make_demo_inputs "$demo_dir"
  exit 0
fi
[ -n "$inputs" ] || usage_error "--inputs DISTRIBUTOR.cmake is required"
[ -n "$cert" ] || usage_error "--cert CHAIN.pem is required"
if [ ${#published[@]} -gt 0 ]; then
  [ -z "$key" ] || usage_error "--verify needs no --key: the signature is not remade"
  verify
fi
[ -n "$key" ] || usage_error "--key KEY.pem is required"
[ -z "$commit" ] || usage_error "--commit goes with --verify"
release
