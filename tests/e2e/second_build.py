"""A second build of this tree's sources, made the way another machine would
make it: the sources copied to another folder (so every path differs), every
file of the copy written now (so every file time is later than the first
build's), configured from scratch there and built for one target. The inputs
are the first build's: the commit's date (SOURCE_DATE_EPOCH, given
explicitly since the copy is no git checkout), the cross-built dependencies,
the native tools, and what the caller passes (a distributor's cache file, a
test build's keys)."""

import os
import shutil
import subprocess

import pefile

from build_date import build_date
from wine_prefix import ROOT


def copy_sources(destination):
    """Every source file but the build trees and git's data; shutil.copy leaves
    each copy with the time of copying."""
    def skipped(folder, names):
        return {"build", ".git"} & set(names) if os.path.samefile(folder, ROOT) else set()
    shutil.copytree(ROOT, destination, ignore=skipped, copy_function=shutil.copy)


def build_again(folder, preset, arch, *cmake_args, keys=None, date=None):
    """Builds lite_installer.exe of `preset` from a copy of the sources in
    `folder`/sources, in `folder`/build, dated `date` (default: the date the
    tree's own build takes); `keys`, a test build's test PKI, is copied into
    the new build tree first. Returns the executable's path."""
    sources, build = folder / "sources", folder / "build"
    copy_sources(sources)
    if keys:
        shutil.copytree(keys, build / "test_pki")
    environment = {**os.environ,
                   "SOURCE_DATE_EPOCH": str(date if date is not None else build_date(ROOT)[0])}
    for command in (["cmake", "--preset", preset, "-B", build, *cmake_args,
                     f"-DLITE_DEPS_PREFIX={ROOT / 'build' / 'deps' / arch}",
                     f"-DLITE_NATIVE_TOOLS_DIR={ROOT / 'build' / 'native'}"],
                    ["cmake", "--build", build, "--target", "lite_installer"]):
        result = subprocess.run([str(part) for part in command], cwd=sources,
                                env=environment, capture_output=True, text=True)
        assert result.returncode == 0, result.stdout[-3000:] + result.stderr[-3000:]
    return build / "lite_installer.exe"


def differences(first, second):
    """Where two executables differ: an empty list when they are the same
    bytes, else each differing region's name (a section or the headers)
    with its count of differing bytes."""
    a, b = first.read_bytes(), second.read_bytes()
    if a == b:
        return []
    if len(a) != len(b):
        return [f"sizes {len(a)} and {len(b)}"]
    sections = [(s.PointerToRawData, s.PointerToRawData + s.SizeOfRawData,
                 s.Name.rstrip(b"\0").decode()) for s in pefile.PE(data=a).sections]
    regions = {}
    for offset in (i for i in range(len(a)) if a[i] != b[i]):
        name = next((n for start, end, n in sections if start <= offset < end), "headers")
        regions[name] = regions.get(name, 0) + 1
    return [f"{name}: {count} bytes" for name, count in regions.items()]
