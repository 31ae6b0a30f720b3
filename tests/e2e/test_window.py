"""The installation window under Xvfb, driven from outside as a person would
drive it (tools/drivers/window_driver.cpp), against the loopback CDN.

Screenshots of what the tests see land in build/screenshots/; the last test
gathers them with the window's pictures on contact_sheet.png there."""

import json
import os
import pathlib
import shutil
import subprocess
import tempfile
import threading
import time

import pytest

from conftest import setup_record, trust_demo_root
from wine_prefix import BUILD, DRIVERS, ROOT, WINE, WinePrefix, wine_tool

DRIVER = DRIVERS / "window_driver.exe"
INSTALLER = BUILD / "lite_installer.exe"
SCREENSHOTS = ROOT / "build" / "screenshots"
PICTURES = ROOT / "resources" / "pictures"
# LITE_TEST_DISPLAY, or the first free one of :126-:129.
DISPLAYS = ([os.environ["LITE_TEST_DISPLAY"]] if os.environ.get("LITE_TEST_DISPLAY")
            else [f":{number}" for number in range(126, 130)])
# The downloader reads in blocks of this size (net/downloader.h); a held
# download shows the fraction of the last whole block.
READ_BLOCK_BYTES = 262144
# The demo setup padded to about 8 read blocks, served by every window test so
# that a held download can stop at whole blocks around its middle.
LARGE_DEMO_SETUP = BUILD / "tests" / "signed" / "demo_setup_large.exe"
# The setup's pause after each progress message, long enough to see each figure.
SETUP_STEP_MS = 2500
# A dialog paints after it shows: the pause before a screenshot.
PAINT_PAUSE_S = 0.7


# Display and prefix ---------------------------------------------------------

@pytest.fixture(scope="module")
def display():
    number = next((d for d in DISPLAYS if not pathlib.Path(f"/tmp/.X{d[1:]}-lock").exists()),
                  None)
    assert number, f"no free X display among {DISPLAYS}"
    server = subprocess.Popen(
        ["Xvfb", number, "-screen", "0", "1600x1000x24", "-nolisten", "tcp"],
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    socket = pathlib.Path(f"/tmp/.X11-unix/X{number[1:]}")
    deadline = time.monotonic() + 10
    while not socket.exists() and time.monotonic() < deadline:
        time.sleep(0.05)
    assert socket.exists(), "Xvfb did not start"
    yield number
    server.terminate()
    server.wait(timeout=10)


@pytest.fixture(scope="module")
def desktop(display):
    """A Windows 10 prefix whose windows show on the Xvfb display; links open
    nothing."""
    prefix = WinePrefix(windows_version="win10", display=display)
    trust_demo_root(prefix)
    prefix.reg_add(r"HKCU\Software\Wine\WineBrowser", "Browsers", "true")
    yield prefix
    prefix.close()


@pytest.fixture
def screen(desktop, cdn):
    """The desktop with a clean log, no browser installed and a free archive."""
    desktop.clear_log()
    shutil.copy(LARGE_DEMO_SETUP, cdn.archive)
    shutil.rmtree(desktop.local_appdata / "Velmar", ignore_errors=True)
    desktop.reg_delete_key(r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall"
                           r"\VelmarBrowser")
    yield desktop
    cdn.release_archive()


# Running and driving ---------------------------------------------------------

class WindowedRun:
    """The installer started with its window, run to its end in the background."""

    def __init__(self, prefix, *switches, env=None, exe=INSTALLER):
        self.prefix, self.exe, self.pid, self.code = prefix, exe, None, None

        def run():
            self.code, _ = prefix.run([exe, *switches], env=env, timeout=300)
        self.thread = threading.Thread(target=run, daemon=True)
        self.thread.start()

    def window(self, timeout=60):
        """Waits for the main window; returns the driver's state."""
        state = self.drive("wait", "window", timeout * 1000)
        assert main_window(state), f"no window: {state}"
        self.pid = main_window(state)["pid"]
        return state

    def drive(self, command, *args):
        return drive(self.prefix, command, self.pid or 0, *args)

    def exit_code(self, timeout=90):
        """The installer's full exit code; on a time-out, the screen and the log."""
        self.thread.join(timeout)
        if self.code is None:
            pytest.fail(f"the installer did not end within {timeout} s: {self.drive('state')}\n"
                        f"{self.prefix.log_text()[-3000:]}")
        return self.code

    def kill(self):
        """Ends an installer that a failed test left running."""
        if self.thread.is_alive():
            wine_tool(["taskkill", "/f", "/im", self.exe.name], self.prefix.env, check=False)
            self.thread.join(20)


def drive(prefix, *args):
    """Runs the window driver; returns its last JSON line. Its output goes
    through a file: a system service that the driver happens to start would
    inherit a pipe and hold it open."""
    with tempfile.TemporaryFile(mode="w+") as out:
        subprocess.run([WINE, str(DRIVER), *[str(a) for a in args]], env=prefix.env,
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=180)
        out.seek(0)
        lines = [json.loads(line) for line in out if line.startswith("{")]
    assert lines, "the driver printed nothing"
    return lines[-1]


def main_window(state):
    return next((d for d in state["dialogs"] if d["main"]), None)


def modal_dialog(state):
    return next((d for d in state["dialogs"] if not d["main"]), None)


def visible_texts(dialog):
    return {c["id"]: c["text"] for c in dialog["controls"] if c["visible"]}


def screenshot(prefix, dialog, name):
    """The screen area of a dialog, as a person sees it, once it has painted.
    The drop shadow is left out: without a compositing manager, Xvfb shows its
    per-pixel alpha as an opaque dark frame, which no Windows desktop does."""
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    time.sleep(PAINT_PAUSE_S)
    left, top, right, bottom = dialog["rect"]
    width, height = right - left, bottom - top
    # xwd reads a black screen while the layered shadow window is shown.
    subprocess.run(["/usr/bin/import", "-display", prefix.env["DISPLAY"], "-window", "root",
                    "-crop", f"{width}x{height}+{left}+{top}", "+repage",
                    str(SCREENSHOTS / f"{name}.png")], check=True)


def stat_vars(cdn):
    return [e["vars"] for e in cdn.events if e["kind"] == "stat"]


def window_events(cdn):
    """The window's own statistics events, in the order they arrived."""
    events = []
    for fields in stat_vars(cdn):
        events += [(key, fields[key], fields.get("dialog_window"))
                   for key in ("clicked_button", "choosen_checkbox") if key in fields]
        if fields.get("action") == "install_browser_button_clicked":
            events.append(("action", "install_browser_button_clicked", None))
    return events


# The whole windowed install ----------------------------------------------------

def test_windowed_install_shows_each_stage_and_ends_with_the_setups_code(screen, cdn):
    # Half the archive is the nearest whole read block to its middle: 22 %.
    half_blocks = round(cdn.archive.stat().st_size / 2 / READ_BLOCK_BYTES)
    assert int(5 + 35 * half_blocks * READ_BLOCK_BYTES / cdn.archive.stat().st_size) == 22
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, env={"DEMO_SETUP_STEP_MS": str(SETUP_STEP_MS)})
    try:
        welcome = main_window(run.window())
        # The download runs while the person reads the first screen, and
        # nothing is installed before they say so.
        assert cdn.wait_archive_held(READ_BLOCK_BYTES, timeout=30), "no download started"
        controls = {c["id"]: c for c in welcome["controls"] if c["visible"]}
        assert controls[1]["text"] == "Install"
        assert controls[1002]["checked"] and controls[1003]["checked"]
        assert 1010 in controls and 1009 not in controls
        screenshot(screen, welcome, "welcome_en")

        # Toggles, Escape (which leaves the window open) and Install, each
        # reported in order.
        for action in (("click", 1002), ("click", 1003), ("click", 1003), ("key", "escape")):
            assert run.drive(*action)["done"]
        time.sleep(1)
        assert main_window(run.drive("state")), "Escape closed the window"
        assert run.drive("click", 1)["done"]
        assert run.drive("wait", "visible", 1012, 20000)["met"]
        deadline = time.monotonic() + 20
        while (("action", "install_browser_button_clicked", None) not in window_events(cdn)
               and time.monotonic() < deadline):
            time.sleep(0.1)
        assert window_events(cdn) == [
            ("choosen_checkbox", "default", "liteinstall"),
            ("choosen_checkbox", "sendstat", "liteinstall"),
            ("choosen_checkbox", "sendstat", "liteinstall"),
            ("clicked_button", "cancel", "liteinstall"),
            ("clicked_button", "install", "liteinstall"),
            ("action", "install_browser_button_clicked", None)]

        cdn.hold_archive(half_blocks * READ_BLOCK_BYTES)
        half = run.drive("wait", "text", 1055, "22%", 30000)
        assert half["met"], half["percent"]
        assert not {1, 1002, 1003} & visible_texts(main_window(half)).keys()
        screenshot(screen, main_window(half), "progress_en")
        assert setup_record(screen) is None
        assert not any(v.get("stage", "").startswith("setup") for v in stat_vars(cdn))

        cdn.release_archive()
        for figure in ("75%", "90%"):
            seen = run.drive("wait", "text", 1055, figure, 60000)
            assert seen["met"], f"never read {figure}; last {seen['percent']}"
        assert run.drive("wait", "gone", 60000)["met"]
        assert run.exit_code() == 0
    finally:
        run.kill()
    # Wine runs everything as an administrator and starts "runas" without a
    # prompt, so the master and its elevated copy hand over for real.
    assert "The elevated installer has finished, success=1" in screen.log_text()
    launched = [v for v in stat_vars(cdn) if v.get("stage") == "setup_exe_launched"]
    assert launched and launched[0]["uac"] == "100", stat_vars(cdn)
    switches = setup_record(screen)["switches"]
    # The choices after the toggles: default browser off, statistics on.
    assert "make-browser-default-after-import" not in switches
    assert "send-statistics" in switches
    assert switches["progress-window"] != "0"
    # Wine's Windows 10 is a build past the ones whose interface needs the
    # child's check: the offer stays and the setup learns the build.
    key = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
    build = int(screen.reg_query(key, "CurrentBuildNumber"))
    revision = int(screen.reg_query(key, "UBR") or "0x0", 16)
    assert build > 17703
    assert switches["the-interface-availability"] == str(build * 10000 + revision)


def test_failing_setup_shows_the_download_dialog_and_ends_with_the_copys_code(screen, cdn):
    # The setup runs in the elevated copy, which reports any failure as -1. An
    # untrusted archive brings the same dialog (tests/e2e/test_handoff.py).
    run = WindowedRun(screen, env={"DEMO_SETUP_EXIT_CODE": "7"})
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        asked = run.drive("wait", "dialog", 90000)
        dialog = modal_dialog(asked)
        assert dialog and dialog["title"] == "An error occurred during installation", asked
        assert main_window(asked) is None, "the main window stays hidden behind the dialog"
        texts = visible_texts(dialog)
        assert (texts[1], texts[1010]) == ("Download", "Cancel")
        screenshot(screen, dialog, "download_dialog_en")
        assert run.drive("click", 1)["done"]
        assert run.exit_code() == -1
    finally:
        run.kill()
    assert "Setup process exit with code: SUCCESS_EXIT_CODE(0); error: 7" in screen.log_text()


# Leaving without installing ------------------------------------------------------

def test_confirmed_cancel_on_the_progress_screen_stops_the_install(screen, cdn):
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, "--distr-info-params=cancel=1")
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        assert run.drive("wait", "visible", 1012, 20000)["met"]
        assert run.drive("click", 1009)["done"]
        confirm = modal_dialog(run.drive("wait", "dialog", 20000))
        assert confirm
        texts = visible_texts(confirm)
        assert (texts[1], texts[1010]) == ("Resume", "Cancel")
        screenshot(screen, confirm, "confirm_cancel_en")

        # Resume first: nothing changes.
        assert run.drive("click", 1)["done"]
        time.sleep(1)
        assert modal_dialog(run.drive("state")) is None
        assert run.drive("click", 1009)["done"]
        assert run.drive("wait", "dialog", 20000)["met"]
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == 500
    finally:
        run.kill()
        cdn.release_archive()
    time.sleep(2)
    assert setup_record(screen) is None


def test_second_start_returns_600_and_brings_the_window_forward_then_close_ends_with_500(
        screen, cdn):
    cdn.hold_archive(READ_BLOCK_BYTES)
    run, cover = WindowedRun(screen), None
    try:
        run.window()
        # Another program's window (Wine's notepad) comes in front of it.
        cover = screen.popen(["notepad"])
        deadline = time.monotonic() + 20
        while main_window(run.drive("state"))["foreground"] and time.monotonic() < deadline:
            time.sleep(0.2)
        assert not main_window(run.drive("state"))["foreground"], "nothing covers the window"
        code, _ = screen.run([INSTALLER])
        assert code == 600
        assert main_window(run.drive("state"))["foreground"]
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == 500
    finally:
        if cover:
            cover.kill()
        run.kill()
    assert setup_record(screen) is None
    assert "User cancelled installation." in screen.log_text()
    assert not any(v.get("stage", "").startswith("setup") for v in stat_vars(cdn))


# Looks -------------------------------------------------------------------------

@pytest.mark.parametrize("name,switches,env", [
    ("en_scale2", ["--force-device-scale-factor=2"], {}),
    ("ru_scale2", ["--force-device-scale-factor=2"], {"LC_ALL": "ru_RU.UTF-8"}),
    ("ru", [], {"LC_ALL": "ru_RU.UTF-8"}),
    ("ja", [], {"LC_ALL": "ja_JP.UTF-8"}),
    ("tr", [], {"LC_ALL": "tr_TR.UTF-8"}),
    ("kk", [], {"LC_ALL": "kk_KZ.UTF-8"}),
    ("zh", [], {"LC_ALL": "zh_CN.UTF-8"}),
    ("de", [], {"LC_ALL": "de_DE.UTF-8"}),
    ("fr", [], {"LC_ALL": "fr_FR.UTF-8"}),
])
def test_screens_in_other_languages_and_scales(screen, cdn, name, switches, env):
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, *switches, env=env)
    try:
        welcome = main_window(run.window())
        screenshot(screen, welcome, f"welcome_{name}")
        assert run.drive("click", 1)["done"]
        progress = run.drive("wait", "visible", 1012, 20000)
        assert progress["met"]
        screenshot(screen, main_window(progress), f"progress_{name}")
    finally:
        run.kill()
    if "scale" in name:
        left, top, right, bottom = welcome["rect"]
        assert (right - left, bottom - top) == (1456, 800)


# The welcome screen's controls that hold text: the tagline, the two check
# boxes, the privacy link, the licence sentence and the Install button.
TEXT_CONTROLS = (1000, 1002, 1003, 1021, 1053, 1)
LANGUAGES = ("ru", "uk", "tr", "de", "es", "fr", "it", "ja", "pt-PT", "pt-BR", "zh-CN", "zh-TW",
             "kk", "uz", "cs", "en")


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def test_welcome_texts_fit_in_every_language(screen, cdn):
    """A longer translation must not push one text under another or out of
    the window (a four-line check box once hid the privacy link)."""
    cdn.hold_archive(READ_BLOCK_BYTES)
    faults = []
    for language in LANGUAGES:
        run = WindowedRun(screen, f"--distr-info-params=lang={language}")
        try:
            welcome = main_window(run.window())
        finally:
            run.kill()
        window = welcome["rect"]
        rects = {c["id"]: c["rect"] for c in welcome["controls"]
                 if c["visible"] and c["id"] in TEXT_CONTROLS}
        faults += [f"{language}: {a} outside the window {rects[a]}" for a in rects
                   if not (window[0] <= rects[a][0] and rects[a][2] <= window[2]
                           and window[1] <= rects[a][1] and rects[a][3] <= window[3])]
        faults += [f"{language}: {a} {rects[a]} overlaps {b} {rects[b]}"
                   for a in rects for b in rects if a < b and overlap(rects[a], rects[b])]
    assert not faults, "\n".join(faults)


def test_contact_sheet_gathers_the_screens_and_the_pictures(tmp_path):
    """build/screenshots/contact_sheet.png, for a person to look at: the
    screens saved above, then every picture of the window on a checkerboard
    that shows its transparent parts, each under its name and size."""
    screens = sorted(p for p in SCREENSHOTS.glob("*.png") if p.stem != "contact_sheet")
    if not screens:
        pytest.skip("no screens saved by the tests above")
    pictures = sorted(p for p in PICTURES.iterdir() if p.suffix in (".png", ".jpg"))
    parts = []
    for files, tile in ((screens, "776x448>+8+8"), (pictures, "+8+8")):
        parts.append(tmp_path / f"{len(parts)}.png")
        subprocess.run(["/usr/bin/montage", "-label", "%t %wx%h", *files, "-tile", "4x",
                        "-geometry", tile, "-texture", "pattern:checkerboard", parts[-1]],
                       check=True)
    sheet = SCREENSHOTS / "contact_sheet.png"
    subprocess.run(["/usr/bin/convert", *parts, "-append", "+repage", "-depth", "8", sheet],
                   check=True)
    colours = subprocess.run(["/usr/bin/identify", "-format", "%k", sheet], capture_output=True,
                             text=True, check=True).stdout
    assert int(colours) > 5000, colours
