#!/usr/bin/env bash
# Makes, and checks, releases of the installer: the i686 executable built with
# a distributor's inputs and signed with its code-signing certificate. Every
# input is checked before the build; the result is built, signed, verified and
# tag-checked in a temporary place and moved into place only when all passed,
# so a failed run never replaces a good release. See --help.
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

# The last line of every failure, and our own exit status.
fail() {
  echo "release: failed at $step: $1" >&2
  exit "${2:-$FAILED}"
}

usage_error() {
  step="options"
  fail "$1 (see --help)" "$USAGE"
}

cleanup() {
  [ -n "$work" ] && rm -rf "$work"
}
trap cleanup EXIT
trap 'fail "interrupted"' INT TERM

# Runs a step's command with its output in $work/STEP.log; prints the step
# and its time when it passes. On failure shows the log's end and fails with
# the first compiler error, else the first failure line, else the last line
# as the reason.
run_step() {
  local name=$1 started log reason
  shift
  step=$name
  log="$work/${name// /_}.log"
  started=$(date +%s)
  # A subshell, run outside a condition so that a step may stop at its first
  # failing command (set -e).
  ("$@") >"$log" 2>&1
  if [ $? -ne 0 ]; then
    tail -n 20 "$log" >&2
    reason=$(grep -m1 -E '[Ee]rror:' "$log" || grep -m1 -E 'CMake Error|FAILED|[Ff]ailed' "$log" ||
      grep -v '^[[:space:]]*$' "$log" | tail -n 1)
    fail "${reason:-"$name" ended with no output}"
  fi
  echo "release: $name passed ($(($(date +%s) - started)) s)"
}

# --- Input checks -------------------------------------------------------------

problems=()
problem() { problems+=("$1"); }

openssl_text() { openssl "$@" -noout -text -passin pass: 2>/dev/null; }

# "RSA-1024", "EC P-256", ... of a PEM key (private, or public with -pubin).
key_kind() {
  local text
  text=$(openssl_text pkey "$@") || return 1
  case "$text" in
    *"NIST CURVE: "*) echo "EC $(sed -n 's/.*NIST CURVE: //p' <<<"$text")" ;;
    *ASN1\ OID:*) echo "EC $(sed -n 's/.*ASN1 OID: //p' <<<"$text")" ;;
    *modulus:* | *Modulus:*) echo "RSA-$(sed -n '1s/.*(\([0-9]*\) bit.*/\1/p' <<<"$text")" ;;
    *) echo "$(head -n 1 <<<"$text")" ;;
  esac
}

# A private key file of the given kind; names what is wrong otherwise.
check_private_key() {
  local name=$1 file=$2 wanted=$3 kind
  if grep -q "ENCRYPTED" "$file"; then
    problem "$name $file is encrypted: give the key without a pass phrase"
  elif ! kind=$(key_kind -in "$file"); then
    problem "$name $file holds no PEM private key"
  elif [ "$kind" != "$wanted" ]; then
    problem "$name $file is an $kind key, not $wanted"
  fi
}

check_key_table() {
  local file=$1 count=0 line kind
  if grep -q "PRIVATE" "$file"; then
    problem "LITE_TRUST_KEY_TABLE $file holds a private key: it must carry public keys only"
    return
  fi
  while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    [ -z "$line" ] && continue
    kind=$(base64 -d <<<"$line" 2>/dev/null | key_kind -pubin -inform DER -in /dev/stdin) ||
      kind="not a public key"
    if [ "$kind" != "RSA-1024" ]; then
      problem "LITE_TRUST_KEY_TABLE $file: entry $count is not the base64 of an RSA-1024 public key"
      return
    fi
    count=$((count + 1))
  done <"$file"
  [ "$count" -eq 10 ] ||
    problem "LITE_TRUST_KEY_TABLE $file holds $count keys, not 10 (trust_tool key-table writes it)"
}

readonly KEY_INPUTS="LITE_TRUST_KEY_TABLE LITE_PACKAGE_SIGNING_KEY LITE_VARIATIONS_SEED_KEY"
readonly HOST_INPUTS="LITE_DOWNLOAD_HOST LITE_LEGAL_HOST LITE_BROWSER_API_HOST
  LITE_STATISTICS_HOST LITE_STORAGE_HOST LITE_CRASH_HOST LITE_BROWSER_SITE LITE_MAKER_SITE"

# Reads DISTRIBUTOR.cmake as CMake does and checks each input it names.
check_distributor_inputs() {
  local script="$work/read_inputs.cmake" values name value
  cat >"$script" <<'CMAKE'
include(${inputs})
foreach(name ${names})
  message("${name}=${${name}}")
endforeach()
CMAKE
  # shellcheck disable=SC2086
  if ! values=$(cmake -Dinputs="$inputs" -Dnames="$(echo $KEY_INPUTS $HOST_INPUTS | tr ' ' ';')" \
    -P "$script" 2>&1); then
    problem "$inputs does not read as a CMake file: $(grep -m1 -A1 'CMake Error' <<<"$values" |
      tail -n 1 | sed 's/^ *//')"
    return
  fi
  for name in $KEY_INPUTS $HOST_INPUTS; do
    value=$(sed -n "s/^$name=//p" <<<"$values")
    declare -g "$name=$value"
    if [ -z "$value" ]; then
      problem "$inputs does not set $name"
    elif [[ " $KEY_INPUTS " == *" $name "* ]] && [ ! -f "$value" ]; then
      problem "$name: no file $value"
    elif [[ " $HOST_INPUTS " == *" $name "* ]] && ! [[ "$value" =~ ^https://[^/]+$ ]]; then
      problem "$name must be https://HOST without a path, not $value"
    fi
  done
  [ -f "${LITE_TRUST_KEY_TABLE:-}" ] && check_key_table "$LITE_TRUST_KEY_TABLE"
  [ -f "${LITE_PACKAGE_SIGNING_KEY:-}" ] &&
    check_private_key LITE_PACKAGE_SIGNING_KEY "$LITE_PACKAGE_SIGNING_KEY" RSA-1024
  [ -f "${LITE_VARIATIONS_SEED_KEY:-}" ] &&
    check_private_key LITE_VARIATIONS_SEED_KEY "$LITE_VARIATIONS_SEED_KEY" "EC P-256"
}

# The signing certificate (the first of CHAIN.pem): verifies against the roots
# through the chain's other certificates; with a key, the key is its own.
check_certificate() {
  local leaf="$work/leaf.pem" kind verified
  if ! openssl x509 -in "$cert" -out "$leaf" 2>/dev/null; then
    problem "$cert holds no PEM certificate"
    return
  fi
  if ! verified=$(openssl verify -CAfile "$ca_file" -untrusted "$cert" "$leaf" 2>&1); then
    problem "the certificate of $cert does not verify against $ca_file: $(grep -m1 'error' <<<"$verified" |
      sed 's/.*error [0-9]* at [0-9]* depth lookup: //')"
  fi
  [ -n "$key" ] || return
  if grep -q "ENCRYPTED" "$key"; then
    problem "--key $key is encrypted: give the key without a pass phrase"
  elif ! kind=$(key_kind -in "$key"); then
    problem "--key $key holds no PEM private key"
  elif [ "$(openssl pkey -in "$key" -pubout 2>/dev/null)" != \
    "$(openssl x509 -in "$leaf" -pubkey -noout 2>/dev/null)" ]; then
    problem "--key $key is not the key of the certificate in $cert"
  elif ! [[ "$kind" =~ ^RSA-([0-9]+)$ && ${BASH_REMATCH[1]} -ge 2048 ]] &&
    [ "$kind" != "EC P-256" ] && [ "$kind" != "EC P-384" ]; then
    problem "--key $key is an $kind key; code signing needs RSA of 2048 bits or more, or EC P-256/P-384"
  fi
}

check_files() {
  local option file
  for option in "$@"; do
    file=${!option}
    [ -f "$file" ] || problem "--${option//_/-} $file: no such file"
  done
}

finish_checks() {
  if [ ${#problems[@]} -gt 0 ]; then
    local IFS=';'
    fail "$(sed 's/;/; /g' <<<"${problems[*]}")"
  fi
}

# --- Building -----------------------------------------------------------------

# The native tools the build and the checks run.
build_native_tools() {
  bash "$root/tools/build-native.sh"
}

# Configures and builds the release of the tree at SOURCE (a fresh cache:
# every input comes from DISTRIBUTOR.cmake, none from an earlier run).
configure_release() {
  (cd "$1" && cmake --preset release-i686 --fresh -C "$inputs")
}
build_release() {
  (cd "$1" && cmake --build --preset release-i686)
}

commit_time() {
  git -C "$root" show -s --format=%ct "$1"
}

# --- Signed content -----------------------------------------------------------

# Where FILE's first difference from OTHER lies: "byte 0x... (section .text)".
first_difference() {
  local offset section="headers" index name size at rest
  offset=$(cmp "$1" "$2" 2>/dev/null | sed -n 's/.* \(byte\|char\) \([0-9]*\).*/\2/p')
  if [ -z "$offset" ]; then
    echo "its length ($(stat -c %s "$1") bytes, the rebuild $(stat -c %s "$2"))"
    return
  fi
  offset=$((offset - 1))
  while read -r index name size _ _ at rest; do
    # Sections without bytes in the file (.bss) have offset 0.
    [[ "$index" =~ ^[0-9]+$ ]] && ((16#$at != 0)) || continue
    if ((offset >= 16#$at && offset < 16#$at + 16#$size)); then
      section=$name
      break
    fi
  done < <(i686-w64-mingw32-objdump -h "$2" 2>/dev/null)
  printf 'byte 0x%x (%s)\n' "$offset" "$section"
}

# Serial and issuer of a certificate, as osslsigncode prints a signer's.
signer_identity() {
  printf '%s %s\n' "$(openssl x509 -in "$1" -noout -serial | sed 's/^serial=//')" \
    "$(openssl x509 -in "$1" -noout -issuer -nameopt compat | sed 's/^issuer=//')"
}

# A published file must be a PE file signed by the distributor's certificate.
check_published() {
  local file=$1 read_error verified
  [ -f "$file" ] || {
    problem "$file: no such file"
    return
  }
  read_error=$("$native/tag_tool/tag_tool" read "$file" 2>&1 >/dev/null)
  case "$read_error" in
    *"not a PE file"*) problem "$file is not a PE file"; return ;;
    *"not a signed PE file"*) problem "$file is not signed"; return ;;
  esac
  if ! verified=$(osslsigncode verify -CAfile "$ca_file" -in "$file" 2>&1); then
    problem "the signature of $file does not verify against $ca_file"
    return
  fi
  local serial issuer
  serial=$(sed -n 's/^[[:space:]]*Serial : //p' <<<"$verified" | head -n 1)
  issuer=$(sed -n 's/^[[:space:]]*Issuer : //p' <<<"$verified" | head -n 1)
  [ "$serial $issuer" = "$(signer_identity "$work/leaf.pem")" ] ||
    problem "$file is signed by another certificate (serial $serial, issuer $issuer), not by the one in $cert"
}

# --- Demo inputs --------------------------------------------------------------

make_demo_inputs() {
  local dir=$1 ca
  step="demo inputs"
  if [ -d "$dir" ] && [ -n "$(ls -A "$dir")" ] && [ "$force" != 1 ]; then
    fail "$dir is not empty: its keys would be replaced (give --force to replace them)"
  fi
  mkdir -p "$dir/trust_keys" "$dir/codesign" || fail "cannot make $dir"
  dir=$(cd "$dir" && pwd)
  ca=$(mktemp -d) || fail "cannot make a temporary folder"
  work=$ca
  run_step "demo inputs" make_demo_files "$dir" "$ca"
  echo "Demo distributor inputs in $dir; make a release with:"
  echo "  tools/release.sh --inputs $dir/distributor.cmake --cert $dir/codesign/chain.pem \\"
  echo "      --key $dir/codesign/key.pem --ca-file $dir/codesign/root.pem"
}

# What a distributor holds: the code-signing chain and key and the root to
# verify against (the root's own key is thrown away), the package and seed
# keys, the ten trust keys and their table, and the inputs file naming them.
make_demo_files() {
  local dir=$1 ca=$2 number name host
  set -e
  printf '[req]\ndistinguished_name=dn\n[dn]\n[root]\nbasicConstraints=critical,CA:true
keyUsage=critical,keyCertSign,cRLSign\nsubjectKeyIdentifier=hash
[signer]\nbasicConstraints=critical,CA:false\nkeyUsage=critical,digitalSignature
extendedKeyUsage=codeSigning\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n' \
    >"$ca/ext.cnf"
  openssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca/root.key" -out "$dir/codesign/root.pem" \
    -days 3650 -sha256 -subj "/O=Demo Distributor/CN=Demo Distributor Root" \
    -set_serial 0x51A2B3C4D5E601 -extensions root -config "$ca/ext.cnf"
  openssl req -newkey rsa:2048 -nodes -keyout "$dir/codesign/key.pem" -out "$ca/signer.csr" \
    -subj "/O=Demo Distributor/CN=Demo Distributor Code Signing"
  openssl x509 -req -in "$ca/signer.csr" -CA "$dir/codesign/root.pem" -CAkey "$ca/root.key" \
    -set_serial 0x8A1B2C3D02 -days 3650 -sha256 -extfile "$ca/ext.cnf" -extensions signer \
    -out "$ca/signer.pem"
  cat "$ca/signer.pem" "$dir/codesign/root.pem" >"$dir/codesign/chain.pem"
  for number in 0 1 2 3 4 5 6 7 8 9; do
    openssl genrsa -out "$dir/trust_keys/key_$number.pem" 1024
  done
  build_native_tools
  "$native/trust_tool/trust_tool" key-table "$dir"/trust_keys/key_{0..9}.pem \
    >"$dir/trust_key_table.txt"
  openssl genrsa -out "$dir/package_signing_key.pem" 1024
  openssl ecparam -name prime256v1 -genkey -noout -out "$dir/variations_seed_key.pem"
  {
    echo "# A demo distributor's release inputs (tools/release.sh --make-demo-inputs)."
    echo "set(LITE_TRUST_KEY_TABLE \"$dir/trust_key_table.txt\" CACHE FILEPATH \"\")"
    echo "set(LITE_PACKAGE_SIGNING_KEY \"$dir/package_signing_key.pem\" CACHE FILEPATH \"\")"
    echo "set(LITE_VARIATIONS_SEED_KEY \"$dir/variations_seed_key.pem\" CACHE FILEPATH \"\")"
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
}

# --- Modes --------------------------------------------------------------------

release() {
  step="inputs"
  check_files inputs cert key ca_file
  finish_checks
  local started
  started=$(date +%s)
  mkdir -p "$(dirname "$output")" 2>/dev/null || fail "cannot make the folder of $output"
  work=$(mktemp -d "$(dirname "$output")/.release-XXXXXX") ||
    fail "cannot write in the folder of $output"
  inputs=$(realpath "$inputs")
  check_distributor_inputs
  check_certificate
  if [ -n "$timestamp_url" ] && ! [[ "$timestamp_url" =~ ^https?://[^/]+ ]]; then
    problem "--timestamp-url must be an http:// or https:// address, not $timestamp_url"
  fi
  finish_checks
  echo "release: inputs passed ($(($(date +%s) - started)) s)"

  local commit dirty=""
  commit=$(git -C "$root" rev-parse HEAD 2>/dev/null) || commit="unknown"
  [ -z "$(git -C "$root" status --porcelain --untracked-files=no 2>/dev/null)" ] ||
    dirty=" with uncommitted changes (not reproducible from the commit)"
  export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(commit_time HEAD 2>/dev/null || date +%s)}

  run_step "native tools" build_native_tools
  run_step "configure" configure_release "$root"
  run_step "build" build_release "$root"
  local built="$root/build/release-i686/lite_installer.exe" signed="$work/lite_installer.exe"
  local timestamp=()
  [ -n "$timestamp_url" ] && timestamp=(-ts "$timestamp_url")
  run_step "sign" osslsigncode sign -certs "$cert" -key "$key" -h sha256 "${timestamp[@]}" \
    -in "$built" -out "$signed"
  run_step "verify" osslsigncode verify -CAfile "$ca_file" -in "$signed"
  run_step "tag check" tag_check "$signed"
  step="move into place"
  mv -f "$signed" "$output" || fail "cannot move the release to $output"
  echo "release: $output"
  echo "size: $(stat -c %s "$output") bytes"
  echo "sha256: $(sha256sum "$output" | cut -d' ' -f1)"
  echo "unsigned sha256: $(sha256sum "$built" | cut -d' ' -f1)"
  echo "commit: $commit$dirty"
}

# The tag tool must tag the signed file and read the tag back, and the tagged
# copy must keep a valid signature and the same signed content.
tag_check() {
  local signed=$1 tagged="$work/tagged.exe" tag="release-check=1"
  "$native/tag_tool/tag_tool" write -o "$tagged" "$signed" "$tag" &&
    [ "$("$native/tag_tool/tag_tool" read "$tagged")" = "$tag" ] ||
    { echo "the tag tool cannot tag $signed and read the tag back"; return 1; }
  osslsigncode verify -CAfile "$ca_file" -in "$tagged" >/dev/null ||
    { echo "the tagged copy's signature failed to verify"; return 1; }
  "$native/tag_tool/tag_tool" signed-content "$signed" "$work/signed.content" &&
    "$native/tag_tool/tag_tool" signed-content "$tagged" "$work/tagged.content" &&
    cmp -s "$work/signed.content" "$work/tagged.content" ||
    { echo "tagging changed what the signature covers"; return 1; }
}

verify() {
  [ -n "$commit" ] || usage_error "--verify needs --commit COMMIT"
  step="inputs"
  check_files inputs cert ca_file
  finish_checks
  local started file
  started=$(date +%s)
  work=$(mktemp -d) || fail "cannot make a temporary folder"
  inputs=$(realpath "$inputs")
  check_distributor_inputs
  check_certificate
  local resolved
  resolved=$(git -C "$root" rev-parse --verify --quiet "$commit^{commit}") ||
    problem "$commit is not a commit of this repository"
  finish_checks
  run_step "native tools" build_native_tools
  step="published files"
  for file in "${published[@]}"; do check_published "$file"; done
  finish_checks
  echo "release: inputs and published files passed ($(($(date +%s) - started)) s)"

  local source="$work/source"
  export SOURCE_DATE_EPOCH
  SOURCE_DATE_EPOCH=$(commit_time "$resolved")
  run_step "checkout" checkout "$resolved" "$source"
  run_step "native tools of the commit" build_commit_tools "$source"
  run_step "configure" configure_release "$source"
  run_step "build" build_release "$source"
  step="compare"
  local rebuilt="$work/rebuilt.content" content="$work/published.content" status=0
  "$native/tag_tool/tag_tool" signed-content "$source/build/release-i686/lite_installer.exe" \
    "$rebuilt" || fail "cannot read the rebuilt installer"
  echo "rebuilt unsigned sha256: $(sha256sum "$source/build/release-i686/lite_installer.exe" |
    cut -d' ' -f1)"
  for file in "${published[@]}"; do
    "$native/tag_tool/tag_tool" signed-content "$file" "$content" || fail "cannot read $file"
    if cmp -s "$content" "$rebuilt"; then
      echo "verify: $file matches the rebuild of $resolved"
    else
      echo "release: failed at compare: $file differs from the rebuild of $resolved at" \
        "$(first_difference "$content" "$rebuilt")" >&2
      status=$MISMATCH
    fi
  done
  exit "$status"
}

# The commit's files alone, with the cross-built libraries of tools/setup.sh.
checkout() {
  mkdir -p "$2/build" && git -C "$root" archive "$1" | tar -x -C "$2" &&
    ln -s "$(cd "$root/build/deps" && pwd -P)" "$2/build/deps"
}

# The commit's own package tool makes its packages.
build_commit_tools() {
  CC=clang CXX=clang++ cmake -S "$1/tools/native" -B "$1/build/native" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo && cmake --build "$1/build/native" --target package_tool
}

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
