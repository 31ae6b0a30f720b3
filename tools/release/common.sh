# Sourced by tools/release.sh: what every mode uses. The one-line failure,
# the steps that print their time, the checks of the distributor's inputs
# and of the build machine, and the build itself.

# The last line of every failure, and our own exit status.
fail() {
  echo "release: failed at $step: $1" >&2
  exit "${2:-$FAILED}"
}

usage_error() {
  step="options"
  fail "$1 (see --help)" "$USAGE"
}

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

# A key file that suits its use (package-key, seed-key, code-signing-key or
# trust-table: tools/native/key_rules.h has the rules); names what is wrong
# otherwise, after LABEL.
check_key() {
  local label=$1 use=$2 file=$3 reason
  reason=$("$native/key_check/key_check" "$use" "$file" 2>&1) ||
    problem "$label ${reason#key_check: }"
}

readonly KEY_INPUTS="LITE_TRUST_KEY_TABLE LITE_PACKAGE_SIGNING_KEY LITE_VARIATIONS_SEED_KEY"
readonly HOST_INPUTS="LITE_DOWNLOAD_HOST LITE_LEGAL_HOST LITE_BROWSER_API_HOST
  LITE_STATISTICS_HOST LITE_STORAGE_HOST LITE_CRASH_HOST LITE_BROWSER_SITE LITE_MAKER_SITE"

# Reads DISTRIBUTOR.cmake as CMake does and checks each input it names. A
# relative path there is taken from the file's own folder, here and in the
# build: the build reads $work/inputs.cmake, which names every file absolutely.
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
  echo "include(\"$inputs\")" >"$work/inputs.cmake"
  for name in $KEY_INPUTS $HOST_INPUTS; do
    value=$(sed -n "s/^$name=//p" <<<"$values")
    if [[ " $KEY_INPUTS " == *" $name "* && -n "$value" && "$value" != /* ]]; then
      value="$(dirname "$inputs")/$value"
      echo "set($name \"$value\" CACHE FILEPATH \"\" FORCE)" >>"$work/inputs.cmake"
    fi
    declare -g "$name=$value"
    if [ -z "$value" ]; then
      problem "$inputs does not set $name"
    elif [[ " $KEY_INPUTS " == *" $name "* ]] && [ ! -f "$value" ]; then
      problem "$name: no file $value"
    elif [[ " $HOST_INPUTS " == *" $name "* ]] && ! [[ "$value" =~ ^https://[^/]+$ ]]; then
      problem "$name must be https://HOST without a path, not $value"
    fi
  done
  [ -f "${LITE_TRUST_KEY_TABLE:-}" ] &&
    check_key LITE_TRUST_KEY_TABLE trust-table "$LITE_TRUST_KEY_TABLE"
  [ -f "${LITE_PACKAGE_SIGNING_KEY:-}" ] &&
    check_key LITE_PACKAGE_SIGNING_KEY package-key "$LITE_PACKAGE_SIGNING_KEY"
  [ -f "${LITE_VARIATIONS_SEED_KEY:-}" ] &&
    check_key LITE_VARIATIONS_SEED_KEY seed-key "$LITE_VARIATIONS_SEED_KEY"
}

# The signing certificate (the first of CHAIN.pem): verifies against the roots
# through the chain's other certificates; with a key, the key is its own.
check_certificate() {
  local leaf="$work/leaf.pem" verified
  if ! openssl x509 -in "$cert" -out "$leaf" 2>/dev/null; then
    problem "$cert holds no PEM certificate"
    return
  fi
  if ! verified=$(openssl verify -CAfile "$ca_file" -untrusted "$cert" "$leaf" 2>&1); then
    problem "the certificate of $cert does not verify against $ca_file: $(grep -m1 'error' <<<"$verified" |
      sed 's/.*error [0-9]* at [0-9]* depth lookup: //')"
  fi
  check_code_signing_use "$leaf"
  [ -n "$key" ] || return
  local before=${#problems[@]}
  check_key --key code-signing-key "$key"
  if [ ${#problems[@]} -eq "$before" ] && [ "$(openssl pkey -in "$key" -pubout 2>/dev/null)" != \
    "$(openssl x509 -in "$leaf" -pubkey -noout 2>/dev/null)" ]; then
    problem "--key $key is not the key of the certificate in $cert"
  fi
}

# Windows takes an Authenticode signature only from a certificate whose
# extended key usage names code signing, and whose key usage, when it has
# one, allows digital signatures.
check_code_signing_use() {
  local usage
  usage=$(openssl x509 -in "$1" -noout -ext extendedKeyUsage,keyUsage 2>/dev/null)
  if ! grep -A1 "X509v3 Extended Key Usage" <<<"$usage" | grep -q "Code Signing"; then
    problem "the certificate of $cert is not for code signing (its extended key usage lacks codeSigning)"
  elif grep -q "X509v3 Key Usage" <<<"$usage" &&
    ! grep -A1 "X509v3 Key Usage" <<<"$usage" | grep -q "Digital Signature"; then
    problem "the certificate of $cert is not for code signing (its key usage lacks digitalSignature)"
  fi
}

# The programs and cross-built libraries a build needs, before it starts.
check_build_tools() {
  local program
  for program in "$@" cmake ninja clang++ gcab i686-w64-mingw32-g++-posix i686-w64-mingw32-windres; do
    command -v "$program" >/dev/null || problem "no $program on PATH: run tools/setup.sh"
  done
  [ -f "$root/build/deps/i686/lib/libjansson.a" ] ||
    problem "no cross-built jansson in $root/build/deps/i686: run tools/setup.sh"
  [ -f /usr/i686-w64-mingw32/lib/libz.a ] ||
    problem "no zlib for i686 Windows (/usr/i686-w64-mingw32/lib/libz.a): run tools/setup.sh"
}

# What every mode checks before building: the machine's programs, then the
# distributor's inputs and certificate (the key checks run the native
# key_check, so the native tools are built in between).
check_inputs() {
  inputs=$(realpath "$inputs")
  check_build_tools osslsigncode git
  finish_checks
  run_step "native tools" build_native_tools
  step="inputs"
  check_distributor_inputs
  check_certificate
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
  (cd "$1" && cmake --preset release-i686 --fresh -C "$work/inputs.cmake")
}
build_release() {
  (cd "$1" && cmake --build --preset release-i686)
}

# The build date (tools/build_date.py has the rule) into SOURCE_DATE_EPOCH,
# and where it came from into $date_origin.
take_build_date() {
  local lines
  lines=$(/usr/bin/python3 "$root/tools/build_date.py" "$root" 2>&1) || {
    problem "${lines#build_date: }"
    return
  }
  export SOURCE_DATE_EPOCH=${lines%%$'\n'*}
  date_origin=${lines#*$'\n'}
}

# The date a build wrote into FILE: the PE header's time stamp.
header_date() {
  local pe
  pe=$(od -An -tu4 -j 60 -N 4 "$1" | tr -d ' ') &&
    od -An -tu4 -j $((pe + 8)) -N 4 "$1" | tr -d ' '
}

readable_date() {
  date -u -d "@$1" '+%Y-%m-%d %H:%M:%S UTC'
}
