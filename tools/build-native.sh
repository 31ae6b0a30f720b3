#!/usr/bin/env bash
# Builds the native Linux tools and fuzz targets into build/native with clang.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
CC=clang CXX=clang++ cmake -S "$root/tools/native" -B "$root/build/native" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build/native" >/dev/null || cmake --build "$root/build/native"
