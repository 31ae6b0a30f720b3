#!/usr/bin/env bash
# Builds both test builds and runs every test: unit tests under Wine through
# ctest, the fuzzers, then the end-to-end tests with pytest, which print their
# ten slowest tests. Prints each runner's summary line.
#
# The end-to-end suite runs the i686 build, the architecture that ships, as a
# 32-bit process on 64-bit Windows. On a machine whose kernel does not run
# 32-bit programs it runs the x86_64 build instead and says so; the i686 files
# are still built and their import tables checked.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
# An unpacked source archive builds and tests, but has no commit to build from.
[ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ] ||
  echo "test: $root is no git checkout: the release tests that name or rebuild its commit cannot pass here"

# The native tools come first: the Windows builds use them to make their packages.
bash tools/build-native.sh
for arch in i686 x86_64; do
  cmake --preset "mingw-$arch" >/dev/null
  cmake --build --preset "mingw-$arch" >/dev/null || cmake --build --preset "mingw-$arch"
done

if why=$(bash tools/runs-32-bit.sh); then
  unit_arches=(i686 x86_64)
  suite_arch=i686
else
  unit_arches=(x86_64)
  suite_arch=x86_64
  echo "skipped: the i686 unit tests: $why"
  echo "skipped: the end-to-end suite on the i686 build, which runs on the x86_64 build: $why"
fi

status=0
for arch in "${unit_arches[@]}"; do
  # A private, warm prefix for the unit tests: a cold one can hang output pipes.
  prefix=$(mktemp -d /tmp/lite-unit-XXXXXX)
  export WINEPREFIX="$prefix" WINEDEBUG=-all
  wineserver -p </dev/null >/dev/null 2>&1
  /usr/lib/wine/wine64 wineboot.exe </dev/null >/dev/null 2>&1
  echo "unit tests, $arch:"
  ctest --test-dir "build/$arch" --output-on-failure || status=1
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  unset WINEPREFIX
done

if [ -x tools/run-fuzzers.sh ]; then bash tools/run-fuzzers.sh || status=1; fi

echo "end-to-end tests, $suite_arch build:"
LITE_BUILD_DIR="$root/build/$suite_arch" /usr/bin/python3 -m pytest -q -p no:cacheprovider \
  --durations=10 tests/e2e "$@" || status=1
exit $status
