#!/usr/bin/env bash
# Prints how long the trust check of a signed setup archive takes against
# sha256sum of the same file (goal: within 1.3 times), and the check's peak
# working set for a 16 MiB and a 256 MiB archive (goal: not growing with the
# size). The archive is the fake setup program of the tests with random data
# appended before signing, as self-extracting archives carry their payload.
# Needs the x86_64 build (tools/test.sh or cmake --build build/x86_64).
# Prints figures only; it never fails on speed.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${LITE_BUILD_DIR:-$root/build/x86_64}
pki=$build/test_pki
trust_check=$build/tests/trust_check.exe
runs=${RUNS:-3}
wine=/usr/lib/wine/wine64
for file in "$trust_check" "$build/tests/trust/fake_setup.exe" "$pki/root.der"; do
  [ -e "$file" ] || { echo "trust_benchmark: missing $file: build first" >&2; exit 2; }
done

work=$(mktemp -d /tmp/lite-trust-bench-XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
$wine wineboot.exe </dev/null >/dev/null 2>&1
$wine "$trust_check" add-root "Z:${pki//\//\\}\\root.der" </dev/null >/dev/null

calc() { awk "BEGIN { print $1 }"; }

# Best wall time of $runs runs of a command, in seconds.
best_time() {
  local best="" start end elapsed
  for _ in $(seq "$runs"); do
    start=$(date +%s.%N)
    "$@" </dev/null >/dev/null
    end=$(date +%s.%N)
    elapsed=$(calc "$end - $start")
    if [ -z "$best" ] || [ "$(calc "$elapsed < $best")" = 1 ]; then best=$elapsed; fi
  done
  printf '%.3f' "$best"
}

make_archive() {  # size in MiB -> path of the signed archive
  local mib=$1 raw=$work/raw_$1.exe signed=$work/setup_$1.exe
  cp "$build/tests/trust/fake_setup.exe" "$raw"
  head -c $((mib * 1048576)) /dev/urandom >>"$raw"
  osslsigncode sign -certs "$pki/sha256_listed.chain.pem" -key "$pki/sha256_listed.key" \
    -h sha256 -in "$raw" -out "$signed" >/dev/null
  rm "$raw"
  echo "$signed"
}

check() { $wine "$trust_check" check "Z:${1//\//\\}"; }

echo "trust check benchmark (best of $runs runs, file in the page cache)"
for mib in 16 256; do
  archive=$(make_archive "$mib")
  answer=$(check "$archive" | tr -d '\r')
  [ "$(echo "$answer" | head -1)" = trusted ] || echo "  warning: the archive was not trusted: $answer"
  peak=$(echo "$answer" | sed -n 's/^peak_working_set=//p')
  sha_rss=$( { /usr/bin/time -f '%M' sha256sum "$archive" >/dev/null; } 2>&1 | tail -1)
  wine_rss=$( { /usr/bin/time -f '%M' $wine "$trust_check" check "Z:${archive//\//\\}" \
      >/dev/null; } 2>&1 | tail -1)
  echo "${mib} MiB:"
  echo "  trust check peak working set: $((peak / 1024)) KiB (Linux max RSS of the Wine process: ${wine_rss} KiB)"
  echo "  sha256sum max RSS: ${sha_rss} KiB"
  if [ "$mib" = 256 ]; then
    empty=$(best_time check "$build/tests/trust/fake_setup.exe")
    trust=$(best_time check "$archive")
    sha=$(best_time sha256sum "$archive")
    echo "  trust check: ${trust} s (of which ${empty} s starting a Wine process on a small file)"
    echo "  sha256sum:   ${sha} s"
    echo "  ratio trust check / sha256sum: $(calc "int($trust / $sha * 100 + 0.5) / 100") (goal <= 1.3)"
    echo "  the same without the Wine start-up: $(calc "int(($trust - $empty) / $sha * 100 + 0.5) / 100")"
  fi
  rm "$archive"
done
