#!/usr/bin/python3
"""The installer's size and speed figures in one table; prints, never fails.

Every ratio compares two whole processes started the same way under the same
Wine prefix, run alternately (A, B, A, B, ...) so that a busy machine slows
both sides alike; each ratio is taken per pair and reported as the pairwise
minimum and median. Where a goal is out of reach, the bare-API program beside
it (tools/bench/bare) shows what the platform itself reaches.

The windowed start runs under its own Xvfb display (:140-:149, the first free
one), where both sides are watched the same way from outside: the time from
process start to the first drawing into a new titled top-level window.

Run it in a private network namespace (the servers use fixed loopback ports):
    unshare -n bash -c 'ip link set lo up; /usr/bin/python3 tools/bench/benchmark.py'
Needs the x86_64 build with tests (the default) and the i686 build.
"""

import argparse
import os
import pathlib
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tests" / "servers"))
sys.path.insert(0, str(ROOT / "tools"))
sys.path.insert(0, str(ROOT / "tools" / "demo"))

from demo_server import STAT_PREFIX, VARIATIONS_PATH, DemoServer  # noqa: E402
from nginx_server import NginxServer  # noqa: E402
from wine_prefix import BUILD, DRIVERS, WINE, WinePrefix  # noqa: E402

MIB = 1024 * 1024
I686_EXE = ROOT / "build" / "i686" / "lite_installer.exe"
SIZE_BUDGET = 614400
BENCH = BUILD / "bench"
DISPLAYS = range(140, 150)
# What the welcome screen draws first: its background and logo.
WELCOME_PICTURES = [ROOT / "resources" / "pictures" / name
                    for name in ("background.jpg", "logo_light.png")]
PKI = BUILD / "test_pki"
DEMO_PORT = 18080  # every host of the x86_64 build


def timed(args, env=None, answer=None):
    """Wall time of one whole process, in seconds; its exit status must be 0
    and, when `answer` is given, one line of its output must read so. The
    output goes through a file: a Wine service that the process starts would
    hold a pipe open."""
    with tempfile.TemporaryFile(mode="w+", errors="replace") as out:
        started = time.monotonic()
        result = subprocess.run([str(a) for a in args], env=env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=subprocess.DEVNULL)
        elapsed = time.monotonic() - started
        out.seek(0)
        text = out.read()
    if result.returncode != 0 or (answer and answer not in text.splitlines()):
        raise RuntimeError(f"{args} ended with {result.returncode}, printing:\n{text[-2000:]}")
    return elapsed


def alternate(runs, sides):
    """Runs each side once per round, in turn; returns {name: [seconds]}."""
    times = {name: [] for name in sides}
    for _ in range(runs):
        for name, run in sides.items():
            times[name].append(run())
    return times


def pairwise(numerators, denominators):
    ratios = [a / b for a, b in zip(numerators, denominators)]
    return min(ratios), statistics.median(ratios)


def row(figure, value, goal):
    print(f"| {figure} | {value} | {goal} |")


def random_file(path, size):
    with open(path, "wb") as out:
        block = os.urandom(MIB)
        for _ in range(size // MIB):
            out.write(block)


def signed_archive(work, source, mib, signer, nest_signer=None):
    """`source` with `mib` MiB appended, as a setup archive carries its payload."""
    raw = work / f"raw_{mib}.exe"
    signed = work / f"{source.stem}_{mib}_{signer}{'_' + nest_signer if nest_signer else ''}.exe"
    shutil.copy(source, raw)
    with open(raw, "ab") as out:
        block = os.urandom(MIB)
        for _ in range(mib):
            out.write(block)

    def sign(signer_name, source_path, output, nest):
        subprocess.run(["osslsigncode", "sign", *(["-nest"] if nest else []),
                        "-certs", PKI / f"{signer_name}.chain.pem",
                        "-key", PKI / f"{signer_name}.key", "-h", "sha256",
                        "-in", source_path, "-out", output],
                       check=True, stdout=subprocess.DEVNULL)

    sign(signer, raw, signed, False)
    if nest_signer:
        nested = work / "nested.exe"
        sign(nest_signer, signed, nested, True)
        nested.replace(signed)
    raw.unlink()
    return signed


def size_rows():
    if not I686_EXE.exists():
        row("i686 `lite_installer.exe`", "not built (cmake --build --preset mingw-i686)", "")
        return
    size = I686_EXE.stat().st_size
    sections = subprocess.run(["i686-w64-mingw32-objdump", "-h", I686_EXE], check=True,
                              capture_output=True, text=True).stdout
    parts = {m[0]: int(m[1], 16) for m in re.findall(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s",
                                                         sections, re.M)}
    resources = parts.get(".rsrc", 0)
    code = sum(v for k, v in parts.items() if k not in (".rsrc", ".bss"))
    row("i686 `lite_installer.exe`",
        f"{size:,} bytes: code and data {code:,}, resources {resources:,}",
        f"<= {SIZE_BUDGET:,}")


def download_rows(wine, work, runs):
    root = work / "cdn"
    root.mkdir()
    random_file(root / "file256.bin", 256 * MIB)
    random_file(root / "file16.bin", 16 * MIB)
    server = NginxServer(root)
    try:
        url = server.url("/file256.bin")
        target = work / "out.bin"
        windows_target = wine.windows_path(target)
        sides = {
            "ours": lambda: timed([WINE, DRIVERS / "download_driver.exe", url,
                                   windows_target], env=wine.env),
            "curl": lambda: timed(["curl", "-sSf", "-o", target, url]),
            "bare": lambda: timed([WINE, BENCH / "bare_download.exe", url, windows_target, "256"],
                                  env=wine.env),
            "bare 32 KiB": lambda: timed([WINE, BENCH / "bare_download.exe", url, windows_target,
                                          "32", "checked"], env=wine.env),
            "bare 1 MiB": lambda: timed([WINE, BENCH / "bare_download.exe", url, windows_target,
                                         "1024"], env=wine.env),
        }
        times = alternate(runs, sides)
        low, mid = pairwise(times["curl"], times["ours"])
        best = min(times["ours"])
        row("download of 256 MiB from nginx on loopback, vs curl",
            f"{low:.2f}x min, {mid:.2f}x median ({256 / best:.0f} MiB/s best,"
            f" curl {256 / min(times['curl']):.0f} MiB/s)", ">= 0.9x")
        for name in ("bare", "bare 1 MiB", "bare 32 KiB"):
            low, mid = pairwise(times["curl"], times[name])
            row(f"&nbsp;&nbsp;baseline: bare WinINet, {name[5:] or '256 KiB'} reads"
                f"{' with per-read checks' if name == 'bare 32 KiB' else ''}, vs curl",
                f"{low:.2f}x min, {mid:.2f}x median", "")
        peaks = [peak_working_set(wine, server.url(f"/file{mib}.bin"), windows_target)
                 for mib in (16, 256)]
        row("&nbsp;&nbsp;downloader's peak working set, 16 MiB and 256 MiB file",
            f"{peaks[0] / MIB:.1f} MiB, {peaks[1] / MIB:.1f} MiB", "flat")
    finally:
        server.stop()


def peak_working_set(wine, url, target):
    out = subprocess.run([WINE, DRIVERS / "download_driver.exe", url, target],
                         env=wine.env, stdin=subprocess.DEVNULL, capture_output=True,
                         text=True).stdout
    return int(re.findall(r"peak_working_set=(\d+)", out)[-1])


def startup_rows(wine, runs):
    check = [BUILD / "lite_installer.exe", "--check-the-interface"]
    sides = {
        "ours": lambda: timed_exit(wine, check, (700, 701)),
        "bare": lambda: timed([WINE, BENCH / "bare_return.exe"], env=wine.env),
        "bare check": lambda: timed([WINE, BENCH / "bare_interface_check.exe"], env=wine.env),
    }
    times = alternate(runs, sides)
    low, mid = pairwise(times["ours"], times["bare"])
    row("`--check-the-interface` start to exit, vs a Win32 program that only returns",
        f"{low:.2f}x min, {mid:.2f}x median ({min(times['ours']) * 1000:.0f} ms vs"
        f" {min(times['bare']) * 1000:.0f} ms best)", "<= 2x")
    low, mid = pairwise(times["bare check"], times["bare"])
    row("&nbsp;&nbsp;baseline: bare COM + association registration object, vs the same",
        f"{low:.2f}x min, {mid:.2f}x median ({min(times['bare check']) * 1000:.0f} ms best)", "")
    low, mid = pairwise(times["ours"], times["bare check"])
    row("&nbsp;&nbsp;`--check-the-interface` vs that baseline", f"{low:.2f}x min, {mid:.2f}x median",
        "")


def timed_exit(wine, args, codes):
    """Like timed, for a program whose exit code (low 8 bits under Wine) is one of `codes`."""
    started = time.monotonic()
    result = subprocess.run([WINE, *[str(a) for a in args]], env=wine.env,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    elapsed = time.monotonic() - started
    if result.returncode not in [c & 0xFF for c in codes]:
        raise RuntimeError(f"{args} ended with {result.returncode}")
    return elapsed


class PaintWatch:
    """Watches the X display for the first drawing into a new titled top-level
    window (a window with a name, so the installer's nameless shadow does not
    count). Damage is asked for as each window is created, so a drawing made
    before the window is mapped is not missed."""

    def __init__(self, display):
        from Xlib import X, display as xdisplay, error  # noqa: PLC0415 (only this row needs X)
        from Xlib.ext import damage  # noqa: PLC0415
        self.x, self.error, self.damage = X, error, damage
        self.connection = xdisplay.Display(display)
        # Windows that are gone, or input-only ones, refuse damage: not drawn into.
        self.connection.set_error_handler(lambda *_: None)
        self.connection.damage_query_version()
        self.connection.screen().root.change_attributes(event_mask=X.SubstructureNotifyMask)
        self.connection.sync()

    def first_paint(self, start, timeout=30):
        """Starts the process start() returns; seconds until its first paint."""
        while self.connection.pending_events():
            self.connection.next_event()
        started = time.monotonic()
        process = start()
        watched = []
        try:
            while True:
                if time.monotonic() - started > timeout:
                    raise RuntimeError("no window painted")
                if not self.connection.pending_events():
                    if process.poll() is not None:
                        raise RuntimeError(f"ended with {process.returncode} before painting")
                    time.sleep(0.001)
                    continue
                event = self.connection.next_event()
                if event.type == self.x.CreateNotify:
                    watched.append(event.window.damage_create(self.damage.DamageReportNonEmpty))
                elif type(event).__name__ == "DamageNotify":
                    if self.titled(event.drawable):
                        return time.monotonic() - started
                    self.connection.damage_subtract(event.damage)
        finally:
            process.kill()
            process.wait()
            for handle in watched:
                self.connection.damage_destroy(handle)
            self.connection.sync()

    def titled(self, drawable):
        window = self.connection.create_resource_object("window", drawable.id)
        try:
            return bool(window.get_wm_name())
        except self.error.XError:
            return False


def x_display():
    """A private Xvfb on the first free display of DISPLAYS: (name, process)."""
    number = next((n for n in DISPLAYS if not pathlib.Path(f"/tmp/.X{n}-lock").exists()), None)
    if number is None:
        return None, None
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1600x1000x24", "-nolisten",
                               "tcp"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    socket = pathlib.Path(f"/tmp/.X11-unix/X{number}")
    deadline = time.monotonic() + 10
    while not socket.exists() and time.monotonic() < deadline:
        time.sleep(0.05)
    return f":{number}", server


def window_rows(runs):
    """Windowed start to first paint, the installer against a minimal window."""
    display, xvfb = x_display()
    if display is None:
        row("windowed start to first paint", f"no free display among :{DISPLAYS.start}-"
            f":{DISPLAYS.stop - 1}", "")
        return
    prefix = None
    server = None
    try:
        prefix = WinePrefix(display=display)
        trust_test_root(prefix)
        server = DemoServer(BUILD / "tests" / "signed" / "demo_setup.exe", port=DEMO_PORT,
                            archive_name="browser-setup.arc").start()
        watch = PaintWatch(display)

        def side(*args):
            return lambda: watch.first_paint(
                lambda: subprocess.Popen([WINE, *[str(a) for a in args]], env=prefix.env,
                                         stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL))

        pictures = [prefix.windows_path(path) for path in WELCOME_PICTURES]
        # What the installer's download worker, statistics sender and browser
        # extras ask for first, before its window is made.
        downloads = [f"{server.url}/browser/velmar/browser-setup.arc",
                     f"{server.url}{STAT_PREFIX}?action=bench", f"{server.url}{VARIATIONS_PATH}"]
        times = alternate(runs, {"ours": side(BUILD / "lite_installer.exe"),
                                 "bare": side(BENCH / "bare_window.exe"),
                                 "bare ui": side(BENCH / "bare_window_ui.exe", *pictures),
                                 "bare ui net": side(BENCH / "bare_window_ui.exe", *downloads,
                                                     *pictures)})
    finally:
        if server:
            server.close()
        if prefix:
            prefix.close()
        xvfb.terminate()
        xvfb.wait()
    low, mid = pairwise(times["ours"], times["bare"])
    row("windowed start to first paint, vs a minimal Win32 window",
        f"{low:.2f}x min, {mid:.2f}x median ({min(times['ours']) * 1000:.0f} ms vs"
        f" {min(times['bare']) * 1000:.0f} ms best)", "<= 1.3x")
    low, mid = pairwise(times["bare ui"], times["bare"])
    row("&nbsp;&nbsp;baseline: bare dialog from a template (the installer's font and kinds of"
        " controls) after COM, common controls and GDI+ start and the welcome screen's two"
        " pictures decoded, vs the same",
        f"{low:.2f}x min, {mid:.2f}x median ({min(times['bare ui']) * 1000:.0f} ms best)", "")
    low, mid = pairwise(times["ours"], times["bare ui"])
    row("&nbsp;&nbsp;windowed start vs that baseline", f"{low:.2f}x min, {mid:.2f}x median", "")
    low, mid = pairwise(times["bare ui net"], times["bare"])
    row("&nbsp;&nbsp;baseline: the same dialog with the installer's first three downloads"
        " (archive, statistics, seed) started beside it, vs a minimal window",
        f"{low:.2f}x min, {mid:.2f}x median ({min(times['bare ui net']) * 1000:.0f} ms best)", "")
    low, mid = pairwise(times["ours"], times["bare ui net"])
    row("&nbsp;&nbsp;windowed start vs that baseline", f"{low:.2f}x min, {mid:.2f}x median", "")


def install_rows(wine, work, runs):
    archive = signed_archive(work, BUILD / "tests" / "demo_setup.exe", 64, "sha256_listed")
    served = work / "browser-setup.arc"
    shutil.copy(archive, served)
    server = DemoServer(served, port=DEMO_PORT).start()
    browser = wine.local_appdata / "Velmar" / "Browser"
    downloaded = work / "setup.exe"
    gaps = []

    def ours():
        shutil.rmtree(browser, ignore_errors=True)
        server.events.clear()
        elapsed = timed([WINE, BUILD / "lite_installer.exe", "--silent"], env=wine.env)
        gap = launch_gap(server.events)
        if gap is not None:
            gaps.append(gap)
        return elapsed

    def curl_and_setup():
        shutil.rmtree(browser, ignore_errors=True)
        started = time.monotonic()
        subprocess.run(["curl", "-sSf", "-o", downloaded, f"{server.url}/{served.name}"],
                       check=True)
        timed([WINE, downloaded, "--silent"], env=wine.env)
        return time.monotonic() - started

    def check():
        return timed([WINE, BENCH / "bare_verify.exe", wine.windows_path(archive)], env=wine.env)

    try:
        times = alternate(runs, {"ours": ours, "curl+setup": curl_and_setup, "check": check})
    finally:
        server.close()
    low, mid = pairwise(times["ours"], times["curl+setup"])
    row("silent install of a 64 MiB archive, vs curl download + the same setup",
        f"{low:.2f}x min, {mid:.2f}x median ({min(times['ours']):.2f} s vs"
        f" {min(times['curl+setup']):.2f} s best)", "<= 2x")
    with_check = [a + b for a, b in zip(times["curl+setup"], times["check"])]
    low, mid = pairwise(times["ours"], with_check)
    row("&nbsp;&nbsp;vs curl + a bare WinVerifyTrust process + the same setup (the steps the"
        " installer must take)", f"{low:.2f}x min, {mid:.2f}x median", "")
    if gaps:
        row("&nbsp;&nbsp;\"download finished\" to \"setup launched\" (statistics server's clock)",
            f"{min(gaps) * 1000:.0f} ms min, {statistics.median(gaps) * 1000:.0f} ms median;"
            f" a bare WinVerifyTrust process on the archive: {min(times['check']) * 1000:.0f} ms"
            f" min, {statistics.median(times['check']) * 1000:.0f} ms median",
            "the trust check only")
    archive.unlink()


def launch_gap(events):
    """Seconds between the download-finished and setup-launched events."""
    found = {}
    for event in events:
        values = event.get("vars", {})
        key = (values.get("action"), values.get("stage", values.get("status")))
        if key in (("download", "finished"), ("setup", "setup_exe_launched")):
            found[key] = time.mktime(time.strptime(event["time"][:19], "%Y-%m-%dT%H:%M:%S")) + \
                int(event["time"][20:23]) / 1000
    if len(found) != 2:
        return None
    return found[("setup", "setup_exe_launched")] - found[("download", "finished")]


def trust_rows(wine, work, runs):
    source = BUILD / "tests" / "trust" / "fake_setup.exe"
    for label, nest in (("signed", None), ("dual-signed", "sha1_unlisted")):
        archive = signed_archive(work, source, 256, "sha256_listed", nest)
        path = wine.windows_path(archive)
        sides = {
            "ours": lambda: timed([WINE, DRIVERS / "trust_check.exe", "check", path],
                                  env=wine.env, answer="trusted"),
            "bare": lambda: timed([WINE, BENCH / "bare_verify.exe", path], env=wine.env),
        }
        try:
            times = alternate(runs, sides)
        except RuntimeError as failure:
            raise RuntimeError(f"{failure}\nthe log:\n{wine.log_text()[-3000:]}") from None
        low, mid = pairwise(times["ours"], times["bare"])
        row(f"trust check of a {label} 256 MiB archive, vs one bare `WinVerifyTrust` call",
            f"{low:.2f}x min, {mid:.2f}x median ({min(times['ours']):.2f} s vs"
            f" {min(times['bare']):.2f} s best)", "<= 1.05x")
        archive.unlink()


def trust_test_root(prefix):
    code, out = prefix.run([DRIVERS / "trust_check.exe", "add-root",
                            prefix.windows_path(PKI / "root.der")])
    if code != 0:
        sys.exit(f"benchmark: cannot trust the test root: {out}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5, help="rounds of each comparison")
    parser.add_argument("--startup-runs", type=int, default=20, help="rounds of the start-up one")
    parser.add_argument("--window-only", action="store_true",
                        help="only the windowed start rows (--startup-runs rounds)")
    args = parser.parse_args()
    for needed in (BENCH / "bare_return.exe", DRIVERS / "download_driver.exe"):
        if not needed.exists():
            sys.exit(f"benchmark: missing {needed}: build the x86_64 preset first")
    print(f"{args.runs} alternating rounds ({args.startup_runs} for start-up),"
          f" ratios per pair, {os.cpu_count()} cores, load {os.getloadavg()[0]:.1f}\n")
    print("| Figure | Measured | Goal |")
    print("|---|---|---|")
    if args.window_only:
        window_rows(args.startup_runs)
        return
    size_rows()
    with tempfile.TemporaryDirectory(prefix="lite-bench-") as work:
        work = pathlib.Path(work)
        wine = WinePrefix()
        try:
            trust_test_root(wine)
            startup_rows(wine, args.startup_runs)
            window_rows(args.startup_runs)
            download_rows(wine, work, args.runs)
            install_rows(wine, work, args.runs)
            trust_rows(wine, work, args.runs)
        finally:
            wine.close()


if __name__ == "__main__":
    main()
