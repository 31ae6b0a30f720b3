"""The installation window under Xvfb, driven from outside as a person would
drive it (tests/support/window_driver.cpp), against the loopback CDN.

Screenshots of what the tests see land in build/screenshots/."""

import json
import os
import pathlib
import queue
import re
import shutil
import subprocess
import tempfile
import threading
import time

import pytest

from conftest import trust_demo_root
from wine_prefix import BUILD, ROOT, WINE, WinePrefix

DRIVER = BUILD / "tests" / "window_driver.exe"
HELPER = BUILD / "tests" / "test_helper.exe"
INSTALLER = BUILD / "lite_installer.exe"
SCREENSHOTS = ROOT / "build" / "screenshots"
# The displays this suite may take, the first free one is used.
DISPLAYS = range(126, 130)
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
# The shadow around the window, kept in the screenshots.
SHADOW_MARGIN = 24


# Display and prefix ---------------------------------------------------------

@pytest.fixture(scope="module")
def display():
    for number in DISPLAYS:
        if not pathlib.Path(f"/tmp/.X{number}-lock").exists():
            break
    else:
        pytest.fail(f"no free X display among :{DISPLAYS.start}-:{DISPLAYS.stop - 1}")
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1600x1000x24",
                               "-nolisten", "tcp"], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    socket = pathlib.Path(f"/tmp/.X11-unix/X{number}")
    deadline = time.monotonic() + 10
    while not socket.exists() and time.monotonic() < deadline:
        time.sleep(0.05)
    assert socket.exists(), "Xvfb did not start"
    yield f":{number}"
    server.terminate()
    server.wait(timeout=10)


@pytest.fixture(scope="module")
def desktop(display):
    """A prefix whose windows show on the Xvfb display; links open nothing."""
    prefix = WinePrefix(display=display)
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
    """The installer started with its window; its full exit code comes later."""

    def __init__(self, prefix, *switches, env=None):
        self.prefix = prefix
        self.process = prefix.popen([HELPER, "exit-code", prefix.windows_path(INSTALLER),
                                     *switches], env=env)
        self._lines = queue.Queue()
        threading.Thread(target=lambda: [self._lines.put(line) for line in self.process.stdout],
                         daemon=True).start()
        self.pid = None

    def window(self, timeout=60):
        """Waits for the main window; returns the driver's state."""
        state = drive(self.prefix, "wait", 0, "window", timeout * 1000)
        main = main_window(state)
        assert main, f"no window: {state}"
        self.pid = main["pid"]
        return state

    def drive(self, *args):
        return drive(self.prefix, args[0], self.pid, *args[1:])

    def exit_code(self, timeout=90):
        """The installer's exit code; on a time-out, the screen and the log."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                line = self._lines.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                state = drive(self.prefix, "state", self.pid or 0)
                log = self.prefix.log_text()[-3000:]
                pytest.fail(f"the installer did not end within {timeout} s: {state}\n{log}")
            if line.startswith("exit_code="):
                self.process.wait(timeout=10)
                return int(line.split("=", 1)[1])

    def kill(self):
        """Ends an installer that a failed test left running."""
        if self.process.poll() is None:
            master = re.findall(r"Installer process id: (\d+)", self.prefix.log_text())
            pid = self.pid or (int(master[-1]) if master else None)
            if pid:
                drive(self.prefix, "kill", pid)
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()


def drive(prefix, *args, timeout=120):
    """Runs the window driver; returns its last JSON line. Its output goes
    through a file: a system service that the driver happens to start would
    inherit a pipe and hold it open."""
    with tempfile.TemporaryFile(mode="w+") as out:
        subprocess.run([WINE, str(DRIVER), *[str(a) for a in args]], env=prefix.env,
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=timeout)
        out.seek(0)
        text = out.read()
    lines = [json.loads(line) for line in text.splitlines() if line.startswith("{")]
    assert lines, f"driver printed nothing: {text!r}"
    return lines[-1]


def main_window(state):
    return next((d for d in state["dialogs"] if d["main"]), None)


def modal_dialog(state):
    return next((d for d in state["dialogs"] if not d["main"]), None)


def visible_controls(dialog):
    return {c["id"]: c for c in dialog["controls"] if c["visible"]}


def screenshot(prefix, dialog, name):
    """The screen area of a dialog and its shadow, as a person sees it, once
    it has painted."""
    SCREENSHOTS.mkdir(parents=True, exist_ok=True)
    time.sleep(PAINT_PAUSE_S)
    left, top, right, bottom = dialog["rect"]
    left, top = max(0, left - SHADOW_MARGIN), max(0, top - SHADOW_MARGIN)
    width, height = right + SHADOW_MARGIN - left, bottom + SHADOW_MARGIN - top
    target = SCREENSHOTS / f"{name}.png"
    # xwd reads a black screen while the layered shadow window is shown.
    subprocess.run(["/usr/bin/import", "-display", prefix.env["DISPLAY"], "-window", "root",
                    "-crop", f"{width}x{height}+{left}+{top}", "+repage", str(target)],
                   check=True)
    return target


def stat_vars(cdn):
    return [e["vars"] for e in cdn.events if e["kind"] == "stat"]


def window_events(cdn):
    """The window's own statistics events, in the order they arrived."""
    keys = ("clicked_button", "choosen_checkbox", "clicked_link")
    events = []
    for fields in stat_vars(cdn):
        for key in keys:
            if key in fields:
                events.append((key, fields[key], fields.get("dialog_window")))
        if fields.get("action") == "install_browser_button_clicked":
            events.append(("action", "install_browser_button_clicked", None))
    return events


def wait_for(condition, timeout, message):
    deadline = time.monotonic() + timeout
    while not condition():
        assert time.monotonic() < deadline, message()
        time.sleep(0.1)


def installed(prefix):
    return (prefix.local_appdata / "Velmar" / "Browser" / "Application" / "version.txt").exists()


def archive_size(cdn):
    return cdn.archive.stat().st_size


def percent_for_block(cdn, blocks):
    """The figure the window shows when `blocks` read blocks have arrived."""
    fraction = blocks * READ_BLOCK_BYTES / archive_size(cdn)
    return int(5 + 35 * fraction)


# The whole windowed install ----------------------------------------------------

def test_windowed_install_shows_each_stage_and_ends_with_the_setups_code(screen, cdn):
    # Half the archive is the nearest whole read block to its middle.
    half_blocks = round(archive_size(cdn) / 2 / READ_BLOCK_BYTES)
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, env={"DEMO_SETUP_STEP_MS": str(SETUP_STEP_MS)})
    try:
        welcome = main_window(run.window())
        # The download runs while the person reads the first screen, and
        # nothing is installed before they say so.
        assert cdn.wait_archive_held(READ_BLOCK_BYTES, timeout=30), "no download started"
        assert not installed(screen)
        assert not any(v.get("stage", "").startswith("setup") for v in stat_vars(cdn))
        controls = visible_controls(welcome)
        assert controls[1]["text"] == "Install"
        assert controls[1002]["checked"] and controls[1003]["checked"]
        assert 1010 in controls and 1009 not in controls
        screenshot(screen, welcome, "welcome_en")

        # Toggles, Escape and Install, each reported in order.
        for action in (("click", 1002), ("click", 1003), ("click", 1003)):
            assert run.drive(*action)["done"]
        assert run.drive("key", "escape")["done"]
        time.sleep(1)
        assert main_window(run.drive("state")), "Escape closed the window"
        assert run.drive("click", 1)["done"]
        progress = run.drive("wait", "visible", 1012, 20000)
        assert progress["met"], progress
        wait_for(lambda: ("action", "install_browser_button_clicked", None) in window_events(cdn),
                 20, lambda: f"no install events: {window_events(cdn)}")
        assert window_events(cdn) == [
            ("choosen_checkbox", "default", "liteinstall"),
            ("choosen_checkbox", "sendstat", "liteinstall"),
            ("choosen_checkbox", "sendstat", "liteinstall"),
            ("clicked_button", "cancel", "liteinstall"),
            ("clicked_button", "install", "liteinstall"),
            ("action", "install_browser_button_clicked", None)]

        # The download moves on to its middle: 22 %.
        cdn.hold_archive(half_blocks * READ_BLOCK_BYTES)
        assert percent_for_block(cdn, half_blocks) == 22
        half = run.drive("wait", "text", 1055, "22%", 30000)
        assert half["met"], half["percent"]
        controls = visible_controls(main_window(half))
        assert 1 not in controls and 1002 not in controls and 1003 not in controls
        screenshot(screen, main_window(half), "progress_en")
        assert not installed(screen)

        cdn.release_archive()
        for figure in ("75%", "90%"):
            seen = run.drive("wait", "text", 1055, figure, 60000)
            assert seen["met"], f"never read {figure}; last {seen['percent']}"
        assert run.drive("wait", "gone", 60000)["met"]
        assert run.exit_code() == 0
    finally:
        run.kill()
    assert installed(screen)
    setup = json.loads((screen.local_appdata / "Velmar" / "Browser" / "Application"
                        / "setup_record.json").read_text())
    # The choices after the toggles: default browser off, statistics on.
    assert "make-browser-default-after-import" not in setup["switches"]
    assert "send-statistics" in setup["switches"]
    assert setup["switches"]["progress-window"] != "0"


def test_failing_setup_shows_the_download_dialog_and_ends_with_the_copys_code(screen, cdn):
    # The setup runs in the elevated copy, which reports any failure as -1.
    run = WindowedRun(screen, env={"DEMO_SETUP_EXIT_CODE": "7"})
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        asked = run.drive("wait", "dialog", 90000)
        dialog = modal_dialog(asked)
        assert dialog and dialog["title"] == "An error occurred during installation", asked
        assert main_window(asked) is None, "the main window stays hidden behind the dialog"
        texts = {c["id"]: c["text"] for c in dialog["controls"] if c["visible"]}
        assert (texts[1], texts[1010]) == ("Download", "Cancel")
        screenshot(screen, dialog, "download_dialog_en")
        assert run.drive("click", 1)["done"]
        assert run.exit_code() == -1
    finally:
        run.kill()
    assert "Setup process exit with code: SUCCESS_EXIT_CODE(0); error: 7" in screen.log_text()


# Leaving without installing ------------------------------------------------------

def test_escape_reports_cancel_and_leaves_the_window_open(screen, cdn):
    run = WindowedRun(screen)
    try:
        run.window()
        assert run.drive("key", "escape")["done"]
        wait_for(lambda: ("clicked_button", "cancel", "liteinstall") in window_events(cdn), 20,
                 lambda: f"no cancel event: {window_events(cdn)}")
        time.sleep(1)
        state = run.drive("state")
        assert main_window(state), "the window closed on Escape"
        assert 1 in visible_controls(main_window(state))
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == 500
    finally:
        run.kill()


def test_welcome_close_glyph_ends_with_500_and_installs_nothing(screen, cdn):
    run = WindowedRun(screen)
    try:
        run.window()
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == 500
    finally:
        run.kill()
    assert not installed(screen)
    assert "User cancelled installation." in screen.log_text()
    assert not any(v.get("stage", "").startswith("setup") for v in stat_vars(cdn))


def test_confirmed_cancel_on_the_progress_screen_stops_the_install(screen, cdn):
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, "--distr-info-params=cancel=1")
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        assert run.drive("wait", "visible", 1012, 20000)["met"]
        assert 1009 in visible_controls(main_window(run.drive("state")))
        assert run.drive("click", 1009)["done"]
        asked = run.drive("wait", "dialog", 20000)
        confirm = modal_dialog(asked)
        assert confirm, asked
        texts = {c["id"]: c["text"] for c in confirm["controls"]}
        assert texts[1] == "Resume" and texts[1010] == "Cancel"
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
    assert not installed(screen)


def test_untrusted_archive_offers_the_download_page_and_ends_with_402(screen, untrusted_cdn):
    run = WindowedRun(screen)
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        asked = run.drive("wait", "dialog", 60000)
        dialog = modal_dialog(asked)
        assert dialog, asked
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == 402
    finally:
        run.kill()
    assert not installed(screen)


def test_second_start_returns_600_and_brings_the_window_forward(screen, cdn):
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen)
    try:
        run.window()
        cover = screen.popen([DRIVER, "cover", "8000"])
        first = json.loads(cover.stdout.readline())
        assert first["foreground"], first
        assert not main_window(run.drive("state"))["foreground"]
        code, _ = screen.run([INSTALLER])
        assert code == 600
        assert main_window(run.drive("state"))["foreground"]
        last = json.loads(cover.stdout.readline())
        assert not last["foreground"], "the cover kept the foreground"
        cover.wait(timeout=20)
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == 500
    finally:
        run.kill()


# Looks -------------------------------------------------------------------------

@pytest.mark.parametrize("name,switches,env", [
    ("en_scale2", ["--force-device-scale-factor=2"], {}),
    ("ru", [], {"LC_ALL": "ru_RU.UTF-8"}),
    ("ja", [], {"LC_ALL": "ja_JP.UTF-8"}),
    ("tr", [], {"LC_ALL": "tr_TR.UTF-8"}),
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


# Through the elevated copy ---------------------------------------------------------

def test_install_clicked_in_the_window_runs_the_setup_through_the_elevated_copy(screen, cdn):
    # Wine runs everything as an administrator and starts "runas" without a
    # prompt, so the master and its elevated copy hand over for real.
    run = WindowedRun(screen)
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        assert run.drive("wait", "gone", 90000)["met"]
        assert run.exit_code() == 0, screen.log_text()[-3000:]
    finally:
        run.kill()
    log = screen.log_text()
    assert "Start installer as admin" in log
    assert "The elevated installer has finished, success=1" in log
    assert "RunModule results: success=1" in log
    record = json.loads((screen.local_appdata / "Velmar" / "Browser" / "Application"
                         / "setup_record.json").read_text())
    switches = record["switches"]
    assert switches["installerdata"].endswith("master_preferences")
    assert switches["clids-file"].endswith("clids.xml")
    assert "histogram-download-time" in switches
    assert "velmar-website-icon-file" not in switches, "an empty icon is not passed on"
    assert record["program"].lower().endswith(".tmp")
    launched = [v for v in stat_vars(cdn) if v.get("stage") == "setup_exe_launched"]
    assert launched and launched[0]["uac"] == "100", stat_vars(cdn)


# The default-browser offer ---------------------------------------------------------

def test_windows_10_hands_its_build_to_the_setup_as_interface_availability(display, cdn):
    # Wine's Windows 10 is a build past the ones whose interface needs the
    # child's check: the offer stays and the setup learns the build.
    prefix = WinePrefix(windows_version="win10", display=display)
    try:
        trust_demo_root(prefix)
        key = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
        build = int(prefix.reg_query(key, "CurrentBuildNumber"))
        revision = int(prefix.reg_query(key, "UBR") or "0x0", 16)
        assert build > 17703
        run = WindowedRun(prefix)
        try:
            welcome = main_window(run.window())
            assert 1002 in visible_controls(welcome), "the make-default offer is hidden"
            assert run.drive("click", 1)["done"]
            assert run.drive("wait", "gone", 90000)["met"]
            assert run.exit_code() == 0
        finally:
            run.kill()
        record = json.loads((prefix.local_appdata / "Velmar" / "Browser" / "Application"
                             / "setup_record.json").read_text())
        assert record["switches"]["the-interface-availability"] == str(build * 10000 + revision)
    finally:
        prefix.close()
