#!/usr/bin/env bash
# Makes a fresh Debian 12 machine ready to build and test the installer.
# Quick when it already is: packages are only installed when one is missing,
# and the cross-built libraries are only built when their stamp is absent.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="$root/build/deps"

packages=(
  cmake ninja-build dpkg-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  libz-mingw-w64-dev googletest
  wine64 libwine xvfb x11-apps xdotool imagemagick librsvg2-bin pngquant python3-pil python3-pefile python3-xlib
  gcab osslsigncode openssl python3-pytest python3-ecdsa nginx-light curl iproute2 git
  clang libclang-rt-14-dev libssl-dev libjansson-dev zlib1g-dev pkg-config
  fonts-liberation fonts-open-sans fonts-noto-cjk
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# The shipped build is a 32-bit program: Wine runs it with Debian's 32-bit
# Wine beside the 64-bit one, which needs dpkg to take i386 packages. Only
# where the kernel runs 32-bit programs; elsewhere the tests run the x86_64
# build and say why.
if why=$(bash "$root/tools/runs-32-bit.sh"); then
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    echo "setup: installing wine32:i386 for the 32-bit build"
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq wine32:i386 >/dev/null
  fi
else
  echo "setup: no 32-bit Wine: $why"
fi

# Earlier versions of this script added deb-src entries to the machine's apt
# sources for good (tools/fetch-jansson.sh now gives them to apt for its one
# fetch). Looked for without writing, so that a ready machine's apt folder is
# left untouched.
eval "$(apt-config shell source_parts Dir::Etc::SourceParts/d)"
for old in "$source_parts"lite-installer-src.sources "$source_parts"lite-installer-src.list; do
  if [ -e "$old" ]; then
    echo "setup: removing $old, an earlier set-up's deb-src entries"
    rm -f "$old"
  fi
done

build_for() {
  local arch=$1 prefix="$deps/$1"
  local toolchain="$root/cmake/toolchain-mingw-$arch.cmake"
  if [ ! -f "$prefix/.googletest-done" ]; then
    echo "setup: building GoogleTest for $arch"
    rm -rf "$deps/build-gtest-$arch"
    cmake -S /usr/src/googletest -B "$deps/build-gtest-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_EXE_LINKER_FLAGS=-static \
      -Dgtest_disable_pthreads=OFF >/dev/null
    cmake --build "$deps/build-gtest-$arch" --target install >/dev/null
    touch "$prefix/.googletest-done"
  fi
  # The shipped 32-bit installer links jansson built for size: -Os, sections
  # the linker can drop, no unwind tables (nothing unwinds through it there)
  # and msvcrt.dll's strtod (cmake/jansson_system_strtod.h). Its own stamp, so
  # that a machine with the earlier build makes this one.
  local jansson_type=Release jansson_flags="" jansson_stamp=.jansson-done
  if [ "$arch" = i686 ]; then
    jansson_type=MinSizeRel jansson_stamp=.jansson-small-done
    jansson_flags="-ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables"
    jansson_flags+=" -include $root/cmake/jansson_system_strtod.h"
  fi
  if [ ! -f "$prefix/$jansson_stamp" ]; then
    echo "setup: building jansson for $arch"
    rm -rf "$deps/build-jansson-$arch"
    cmake -S "$deps/src/jansson" -B "$deps/build-jansson-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE="$jansson_type" \
      -DCMAKE_C_FLAGS="$jansson_flags" \
      -DCMAKE_INSTALL_PREFIX="$prefix" -DJANSSON_BUILD_DOCS=OFF \
      -DJANSSON_BUILD_SHARED_LIBS=OFF -DJANSSON_EXAMPLES=OFF \
      -DJANSSON_WITHOUT_TESTS=ON >/dev/null
    cmake --build "$deps/build-jansson-$arch" --target install >/dev/null
    touch "$prefix/$jansson_stamp"
  fi
}

mkdir -p "$deps/src"
if [ ! -d "$deps/src/jansson" ]; then
  echo "setup: fetching Debian's jansson source package"
  bash "$root/tools/fetch-jansson.sh" "$deps/src"
fi

build_for x86_64
build_for i686
echo "setup: ready"
