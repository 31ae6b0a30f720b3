#!/usr/bin/env bash
# Runs every libFuzzer target of the native build for a short, bounded time
# (FUZZ_SECONDS each, default 20) from the seeds fuzz_seeds writes; fails on
# any finding and keeps the crashing inputs in build/native/fuzz-findings.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/native"
seconds=${FUZZ_SECONDS:-20}
[ -f "$build/fuzzers.txt" ] || bash "$root/tools/build-native.sh"
work=$(mktemp -d /tmp/lite-fuzz-XXXXXX)
trap 'rm -rf "$work"' EXIT

mapfile -t fuzzers <"$build/fuzzers.txt"
for name in "${fuzzers[@]}"; do mkdir -p "$work/$name"; done
"$build/fuzz/fuzz_seeds" "$work"

status=0
for name in "${fuzzers[@]}"; do
  [ -n "$name" ] || continue
  corpus="$work/$name"
  if "$build/fuzz/$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 \
      -artifact_prefix="$work/" "$corpus" >"$work/$name.log" 2>&1; then
    echo "fuzz $name: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$work/$name.log" || echo done)"
  else
    echo "fuzz $name: FINDING"
    tail -n 40 "$work/$name.log"
    mkdir -p "$build/fuzz-findings"
    cp "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* \
      "$build/fuzz-findings/" 2>/dev/null || true
    status=1
  fi
done
exit $status
