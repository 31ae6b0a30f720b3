#!/usr/bin/env bash
# Builds the test build and runs every test: unit tests under Wine through ctest,
# then the end-to-end tests with pytest. Prints each runner's summary line.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash tools/setup.sh
# An unpacked source archive builds and tests, but has no commit to build from.
[ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ] ||
  echo "test: $root is no git checkout: the release tests that name or rebuild its commit cannot pass here"

# The native tools come first: the Windows build uses them to make its packages.
bash tools/build-native.sh
# The shipped i686 build is compiled by the release tests (tests/e2e/test_release.py),
# as a release with a demo distributor's inputs.
cmake --preset mingw-x86_64 >/dev/null
cmake --build --preset mingw-x86_64 >/dev/null || cmake --build --preset mingw-x86_64

status=0
# A private, warm prefix for the unit tests: a cold one can hang output pipes.
prefix=$(mktemp -d /tmp/lite-unit-XXXXXX)
export WINEPREFIX="$prefix" WINEDEBUG=-all
wineserver -p </dev/null >/dev/null 2>&1
/usr/lib/wine/wine64 wineboot.exe </dev/null >/dev/null 2>&1
ctest --test-dir build/x86_64 --output-on-failure || status=1
wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix"
unset WINEPREFIX

if [ -x tools/run-fuzzers.sh ]; then bash tools/run-fuzzers.sh || status=1; fi

/usr/bin/python3 -m pytest -q -p no:cacheprovider tests/e2e "$@" || status=1
exit $status
