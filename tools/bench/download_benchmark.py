#!/usr/bin/python3
"""Download benchmark: prints figures, never fails on speed.

Serves a 256 MiB file from nginx on 127.0.0.1 and downloads it with the
downloader (the test driver under wine64) and with curl; prints the
throughput ratio (goal: at least 0.9 of curl's), then the downloader's peak
working set for a 16 MiB and a 256 MiB file (it should not grow with the size).

Usage: /usr/bin/python3 tools/bench/download_benchmark.py [--runs N]
Needs an x86_64 build (tools/test.sh or cmake --build build/x86_64).
"""

import argparse
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "servers"))
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from nginx_server import NginxServer  # noqa: E402
from wine_prefix import BUILD, WinePrefix  # noqa: E402

MIB = 1024 * 1024
SIZES_MIB = (16, 256)


def write_file(path, size):
    block = os.urandom(MIB)
    with open(path, "wb") as out:
        for _ in range(size // MIB):
            out.write(block)


def run_downloader(wine, url, target):
    process = wine.popen([BUILD / "tests" / "download_driver.exe", url, wine.windows_path(target)])
    out, _ = process.communicate(timeout=600)
    final = dict(re.findall(r"(\w+)=(\S*)", [l for l in out.splitlines()
                                             if l.startswith("result=")][-1]))
    if final["result"] != "1":
        raise RuntimeError(f"download failed: {out}")
    return int(final["elapsed_ms"]) / 1000, int(final["peak_working_set"])


def run_curl(url, target):
    started = time.monotonic()
    process = subprocess.Popen(["curl", "-sSf", "-o", str(target), url])
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.monotonic() - started
    if status != 0:
        raise RuntimeError("curl failed")
    return elapsed, usage.ru_maxrss * 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3, help="runs of each, best taken")
    runs = parser.parse_args().runs
    with tempfile.TemporaryDirectory(prefix="lite-bench-") as work:
        work = pathlib.Path(work)
        root = work / "cdn"
        root.mkdir()
        for size in SIZES_MIB:
            write_file(root / f"file{size}.bin", size * MIB)
        server = NginxServer(root)
        wine = WinePrefix()
        try:
            target = work / "out.bin"
            url = server.url(f"/file{SIZES_MIB[-1]}.bin")
            ours = [run_downloader(wine, url, target) for _ in range(runs)]
            curls = [run_curl(url, target) for _ in range(runs)]
            best_ours = min(t for t, _ in ours)
            best_curl = min(t for t, _ in curls)
            size = SIZES_MIB[-1]
            print(f"{size} MiB from nginx on loopback, best of {runs}:")
            print(f"  downloader {best_ours:.3f} s  {size / best_ours:.1f} MiB/s")
            print(f"  curl       {best_curl:.3f} s  {size / best_curl:.1f} MiB/s")
            print(f"  throughput ratio downloader/curl: {best_curl / best_ours:.2f} (goal >= 0.9)")
            print(f"  curl peak resident set: {max(m for _, m in curls) / MIB:.1f} MiB")
            print("downloader peak working set:")
            for size in SIZES_MIB:
                _, peak = run_downloader(wine, server.url(f"/file{size}.bin"), target)
                print(f"  {size:4d} MiB file: {peak / MIB:.1f} MiB")
        finally:
            wine.close()
            server.stop()


if __name__ == "__main__":
    main()
