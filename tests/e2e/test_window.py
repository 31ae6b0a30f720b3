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
from PIL import Image, ImageChops

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
    nothing; keyboard cues hidden until a key is used."""
    prefix = WinePrefix(windows_version="win10", display=display)
    trust_demo_root(prefix)
    prefix.reg_add(r"HKCU\Software\Wine\WineBrowser", "Browsers", "true")
    # Keyboard cues as Windows sets them: shown once the keyboard is used (Wine
    # shows them always; bit 0x20 of the first byte).
    prefix.reg_add(r"HKCU\Control Panel\Desktop", "UserPreferencesMask", "1000028012000000",
                   kind="REG_BINARY")
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
    """Runs the window driver; returns its last JSON line."""
    return drive_lines(prefix, *args)[-1]


def drive_lines(prefix, *args):
    """Runs the window driver; returns its JSON lines. Its output goes
    through a file: a system service that the driver happens to start would
    inherit a pipe and hold it open."""
    with tempfile.TemporaryFile(mode="w+") as out:
        subprocess.run([WINE, str(DRIVER), *[str(a) for a in args]], env=prefix.env,
                       stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=180)
        out.seek(0)
        lines = [json.loads(line) for line in out if line.startswith("{")]
    assert lines, "the driver printed nothing"
    return lines


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
    path = SCREENSHOTS / f"{name}.png"
    subprocess.run(["/usr/bin/import", "-display", prefix.env["DISPLAY"], "-window", "root",
                    "-crop", f"{width}x{height}+{left}+{top}", "+repage", str(path)], check=True)
    return path


def stat_vars(cdn):
    return [e["vars"] for e in cdn.events if e["kind"] == "stat"]


def clicked_links(cdn):
    return [fields["clicked_link"] for fields in stat_vars(cdn) if "clicked_link" in fields]


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


@pytest.fixture
def recording_browser(screen, tmp_path):
    """The prefix's web browser writes each address it is asked to open to a
    file: Wine's browser launcher starts the Linux program named here."""
    record = tmp_path / "opened_urls.txt"
    browser = tmp_path / "browser.sh"
    browser.write_text(f'#!/bin/sh\necho "$1" >> "{record}"\n')
    browser.chmod(0o755)
    screen.reg_add(r"HKCU\Software\Wine\WineBrowser", "Browsers", str(browser))
    yield record
    screen.reg_add(r"HKCU\Software\Wine\WineBrowser", "Browsers", "true")


def opened_urls(record, wait_s):
    """The addresses opened so far, waiting up to `wait_s` for the first: the
    launcher runs as a process of its own, which may write after the
    installer has ended."""
    deadline = time.monotonic() + wait_s
    while not record.exists() and time.monotonic() < deadline:
        time.sleep(0.1)
    return record.read_text().splitlines() if record.exists() else []


def cover_with_another_program(run):
    """Starts Wine's notepad and waits until it, not the install window, is
    in front; returns its process."""
    cover = run.prefix.popen(["notepad"])
    deadline = time.monotonic() + 20
    while main_window(run.drive("state"))["foreground"] and time.monotonic() < deadline:
        time.sleep(0.2)
    assert not main_window(run.drive("state"))["foreground"], "nothing covers the window"
    return cover


def test_failure_dialog_reaches_a_person_busy_in_another_program(screen, cdn, recording_browser):
    # The person switched to another program during the download. The window
    # hides itself when the installation fails; the dialog it shows instead
    # comes to the front and has a taskbar button, but does not stay above
    # every program. Enter presses its focused button, Download. (Wine gives
    # the foreground to any window a program activates, owned or not; Windows
    # refuses it to a program in the background, hence the dialog's own step.)
    cdn.hold_archive(READ_BLOCK_BYTES)
    run, cover = WindowedRun(screen, env={"DEMO_SETUP_EXIT_CODE": "7"}), None
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        assert run.drive("wait", "visible", 1012, 20000)["met"]
        cover = cover_with_another_program(run)
        cdn.release_archive()
        asked = run.drive("wait", "dialog", 90000)
        dialog = modal_dialog(asked)
        assert dialog and dialog["title"] == "An error occurred during installation", asked
        assert main_window(asked) is None
        screenshot(screen, dialog, "download_dialog_in_front_en")
        assert dialog["foreground"], f"another program's window is in front: {dialog}"
        assert dialog["taskbar"], f"no taskbar button: {dialog}"
        assert not dialog["topmost"], f"above every program: {dialog}"
        assert run.drive("key", "enter")["done"]
        assert run.exit_code() == -1
    finally:
        if cover:
            cover.kill()
            cover.wait(10)
        run.kill()
        cdn.release_archive()
    urls = opened_urls(recording_browser, 10)
    assert len(urls) == 1 and "/download?" in urls[0], urls


def open_confirmation(run):
    """Install, then the progress screen's close glyph: returns the
    confirmation dialog."""
    run.window()
    assert run.drive("click", 1)["done"]
    assert run.drive("wait", "visible", 1012, 20000)["met"]
    assert run.drive("click", 1009)["done"]
    confirm = modal_dialog(run.drive("wait", "dialog", 20000))
    assert confirm, "no confirmation"
    return confirm


@pytest.mark.parametrize("setup_exit_code", [0, 7])
def test_installation_ending_under_the_confirmation_closes_it(screen, cdn, setup_exit_code):
    # "Installation not complete. Resume?" is open while the installation
    # goes on and ends. The question no longer applies and closes: a
    # finished installation ends the run with the installer's code; a
    # failed one shows the download dialog in its place.
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, "--distr-info-params=cancel=1",
                      env={"DEMO_SETUP_EXIT_CODE": str(setup_exit_code)})
    try:
        confirm = open_confirmation(run)
        assert confirm["title"] == "Installation not complete. Resume?", confirm
        cdn.release_archive()
        if setup_exit_code == 0:
            gone = run.drive("wait", "gone", 90000)
            assert gone["met"], f"still open after the installation: {gone}"
            assert run.exit_code() == 0
        else:
            failed = run.drive("wait", "text", 1000, "An error occurred during installation",
                               90000)
            assert failed["met"], failed
            time.sleep(1)
            state = run.drive("state")
            assert [d["title"] for d in state["dialogs"]] == [
                "An error occurred during installation"], state
            assert run.drive("click", 1010)["done"]
            assert run.exit_code() == -1
    finally:
        run.kill()
        cdn.release_archive()
    assert "Setup process exit with code: SUCCESS_EXIT_CODE(0)" in screen.log_text()
    assert "User cancelled installation." not in screen.log_text()


# Leaving without installing ------------------------------------------------------

def test_confirmed_cancel_on_the_progress_screen_stops_the_install(screen, cdn):
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, "--distr-info-params=cancel=1")
    try:
        confirm = open_confirmation(run)
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


# Keyboard, focus and screen readers ----------------------------------------------

# Tab order on the welcome screen: reading order (the close glyph, the row of
# check boxes and Install, the privacy link, the licence link), wrapped round.
WELCOME_TAB_ORDER = (1010, 1003, 1002, 1, 1021, 1054)
INDIGO = (0x1C, 0x22, 0x68)


def accessible(run):
    """What a screen reader is told of the dialog a person can act on: the
    dialog first, then its shown controls by ID."""
    lines = drive_lines(run.prefix, "accessibility", run.pid)
    return lines[0], {line["id"]: line for line in lines[1:] if line["visible"]}


def focused(controls):
    return next((i for i, c in controls.items() if c["focused"]), None)


def checked(control):
    """The checked state: Wine's accessibility layer reports none, so the
    state Windows' layer derives from the check box (the driver's
    "system_state") stands in when its own has no word of it."""
    return "checked" in control.get("state", []) or "checked" in control["system_state"]


def ring_share(shot, window, control, scale, dark):
    """The share of the band where the focus ring of `control` (a screen
    rectangle) lies in the screenshot of `window` that shows the ring:
    near-white on the dark welcome screen, indigo on white."""
    image = Image.open(shot).convert("RGB")
    gap = width = 2 * scale
    left, top = control[0] - window["rect"][0], control[1] - window["rect"][1]
    right, bottom = control[2] - window["rect"][0], control[3] - window["rect"][1]
    inner = (left - gap, top - gap, right + gap, bottom + gap)
    band = [(x, y) for x in range(inner[0] - width, inner[2] + width)
            for y in range(inner[1] - width, inner[3] + width)
            if not (inner[0] <= x < inner[2] and inner[1] <= y < inner[3])]
    if dark:
        hits = sum(1 for p in band if min(image.getpixel(p)) >= 215)
    else:
        hits = sum(1 for p in band
                   if all(abs(a - b) <= 40 for a, b in zip(image.getpixel(p), INDIGO)))
    return hits / len(band)


def changed_area(shot, before):
    """The box (left, top, right, bottom) of every pixel that differs
    between two screenshots of one window; None when none does."""
    return ImageChops.difference(Image.open(shot).convert("RGB"),
                                 Image.open(before).convert("RGB")).getbbox()


def ring_bounds(window, control, scale):
    """Where the ring round `control` may draw, in the window's screenshot."""
    outside = 4 * scale + 1
    return (control[0] - window["rect"][0] - outside, control[1] - window["rect"][1] - outside,
            control[2] - window["rect"][0] + outside, control[3] - window["rect"][1] + outside)


def tab_round_the_welcome_screen(run, welcome, name, scale=1):
    """Before any key, no control wears the ring; then Tab, from the focused
    control, gives each control the focus in reading order, as a screen
    reader hears it, and each wears the ring in its screenshot. Returns what
    was heard."""
    rects = {c["id"]: c["rect"] for c in welcome["controls"]}
    unfocused = shot = screenshot(run.prefix, welcome, f"focus_none_{name}")
    start = WELCOME_TAB_ORDER.index(focused(accessible(run)[1]))
    for control in WELCOME_TAB_ORDER:
        assert ring_share(shot, welcome, rects[control], scale, dark=True) < 0.05, control
    heard = {}
    for step in range(1, len(WELCOME_TAB_ORDER) + 1):
        control = WELCOME_TAB_ORDER[(start + step) % len(WELCOME_TAB_ORDER)]
        assert run.drive("key", "tab")["done"]
        _, heard = accessible(run)
        assert focused(heard) == control, f"Tab reached {focused(heard)}, not {control}"
        shot = screenshot(run.prefix, welcome, f"focus_{name}_{control}")
        share = ring_share(shot, welcome, rects[control], scale, dark=True)
        assert share > 0.3, f"no ring round {control} ({share:.2f}) in {shot.name}"
        # Nothing else changed on the screen.
        changed, bounds = changed_area(shot, unfocused), ring_bounds(welcome, rects[control], scale)
        assert bounds[0] <= changed[0] and bounds[1] <= changed[1] and \
            changed[2] <= bounds[2] and changed[3] <= bounds[3], \
            f"{shot.name} changed in {changed}, outside the ring {bounds}"
    return heard


def test_keyboard_alone_installs_and_a_screen_reader_hears_each_control(screen, cdn):
    cdn.hold_archive(READ_BLOCK_BYTES)
    # The setup pauses after each figure, so that the driver reads it.
    run = WindowedRun(screen, "--distr-info-params=cancel=1",
                      env={"DEMO_SETUP_STEP_MS": str(SETUP_STEP_MS)})
    try:
        welcome = main_window(run.window())
        # A mouse click moves the focus too, and shows no ring.
        for _ in range(2):
            assert run.drive("click", 1002)["done"]
        title, heard = accessible(run)
        assert title["name"] == "Velmar"
        assert {i: heard[i].get("name") for i in (1, 1010, 1000, 1021, 1054, 1003)} == {
            1: "Install", 1010: "Close", 1000: "The fast, secure, and intelligent web browser",
            1021: "Privacy policy", 1054: "License Agreement",
            1003: "I want to help improve Velmar services by sending browser usage "
                  "statistics to Velmar"}
        assert heard[1002]["name"].replace("&", "") == "Set as default browser"
        assert heard[1053]["name"] == ("By using Velmar Browser, you agree to the Terms and "
                                       "Conditions of the License Agreement.")
        assert heard[1002]["system_role"] == heard[1003]["system_role"] == "check button"
        assert checked(heard[1002]) and checked(heard[1003])
        assert tuple(i for i in heard if "focusable" in heard[i]["system_state"]) == \
            WELCOME_TAB_ORDER, "reading order"
        tab_round_the_welcome_screen(run, welcome, "en")
        # The server lets a download wait at most 50 s, less than these steps
        # can take on a busy machine: the hold moves on a block between them.
        cdn.hold_archive(2 * READ_BLOCK_BYTES)

        start = focused(accessible(run)[1])
        assert run.drive("key", "shift+tab")["done"]
        before = WELCOME_TAB_ORDER[WELCOME_TAB_ORDER.index(start) - 1]
        assert focused(accessible(run)[1]) == before
        assert run.drive("key", "tab")["done"]
        # Alt and the underlined letter of "&Set as default browser", twice.
        for expected in (False, True):
            assert run.drive("key", "alt+s")["done"]
            assert checked(accessible(run)[1][1002]) is expected
        # Enter on the privacy link and Space on the licence link open their pages.
        for link, key in ((1021, "enter"), (1054, "space")):
            while focused(accessible(run)[1]) != link:
                assert run.drive("key", "tab")["done"]
            assert run.drive("key", key)["done"]
        deadline = time.monotonic() + 10
        while len(clicked_links(cdn)) < 2 and time.monotonic() < deadline:
            time.sleep(0.1)
        cdn.hold_archive(3 * READ_BLOCK_BYTES)
        links = clicked_links(cdn)
        assert len(links) == 2 and "confidential" in links[0] and "agreement" in links[1], links
        # Tab to the statistics box, Space, Tab to Install, Enter.
        while focused(accessible(run)[1]) != 1003:
            assert run.drive("key", "tab")["done"]
        assert run.drive("key", "space")["done"]
        assert not checked(accessible(run)[1][1003])
        while focused(accessible(run)[1]) != 1:
            assert run.drive("key", "tab")["done"]
        assert run.drive("key", "enter")["done"]
        progress = run.drive("wait", "visible", 1012, 20000)
        assert progress["met"]

        # On the progress screen the focus lands on its one control.
        _, heard = accessible(run)
        assert focused(heard) == 1009 and heard[1009]["name"] == "Close"
        assert heard[1012]["system_role"] == "progress bar"
        assert heard[1012].get("name") == "Velmar Browser Installation", heard[1012]
        assert heard[1012]["system_value"] == heard[1055]["name"] == "0%"
        assert heard[1056]["name"].startswith("Security\nProtect active security technology")
        shot = screenshot(screen, main_window(progress), "focus_progress_en_1009")
        rect = {c["id"]: c["rect"] for c in main_window(progress)["controls"]}[1009]
        assert ring_share(shot, main_window(progress), rect, 1, dark=False) > 0.3

        cdn.hold_archive(4 * READ_BLOCK_BYTES)
        # Enter on the close glyph asks; Tab and Shift+Tab ring its buttons;
        # Escape resumes.
        assert run.drive("key", "enter")["done"]
        asked = run.drive("wait", "dialog", 20000)
        dialog = modal_dialog(asked)
        title, heard = accessible(run)
        assert title["name"] == "Installation not complete. Resume?"
        assert heard[1000]["name"] == "Installation not complete. Resume?"
        assert (heard[1]["name"], heard[1010]["name"]) == ("Resume", "Cancel")
        assert focused(heard) == 1
        buttons = {c["id"]: c["rect"] for c in dialog["controls"]}
        # Opened by a key, it shows the focus at once.
        shot = screenshot(screen, dialog, "focus_confirm_en_opened_1")
        assert ring_share(shot, dialog, buttons[1], 1, dark=False) > 0.3, shot.name
        for key, control in (("tab", 1010), ("shift+tab", 1)):
            assert run.drive("key", key)["done"]
            assert focused(accessible(run)[1]) == control
            shot = screenshot(screen, dialog, f"focus_confirm_en_{control}")
            assert ring_share(shot, dialog, buttons[control], 1, dark=False) > 0.3, control
        assert run.drive("key", "escape")["done"]
        time.sleep(1)
        state = run.drive("state")
        assert modal_dialog(state) is None and main_window(state), "Escape did not resume"

        # The progress read out follows the setup's.
        cdn.release_archive()
        assert run.drive("wait", "text", 1055, "75%", 60000)["met"]
        assert accessible(run)[1][1012]["system_value"] == "75%"
        assert run.drive("wait", "gone", 60000)["met"]
        assert run.exit_code() == 0
    finally:
        run.kill()
        cdn.release_archive()
    # The same events as the same choices made with the mouse.
    assert window_events(cdn) == [("choosen_checkbox", "default", "liteinstall")] * 4 + [
        ("choosen_checkbox", "sendstat", "liteinstall"),
        ("clicked_button", "install", "liteinstall"),
        ("action", "install_browser_button_clicked", None)]
    switches = setup_record(screen)["switches"]
    assert "send-statistics" not in switches
    assert "make-browser-default-after-import" in switches


def test_cues_always_shown_ring_only_what_a_person_can_act_on(screen, cdn):
    # With cues always shown (bit 0x20; Wine's default, and a Windows choice), the
    # progress screen must not ring the bar, which is outside the tab order
    # but can keep the focus once Install is gone.
    desktop_key = r"HKCU\Control Panel\Desktop"
    cues_hidden = screen.reg_query(desktop_key, "UserPreferencesMask")
    screen.reg_add(desktop_key, "UserPreferencesMask", "3000028012000000", kind="REG_BINARY")
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen)
    try:
        run.window()
        assert run.drive("click", 1)["done"]
        assert run.drive("wait", "visible", 1012, 20000)["met"]
        progress = main_window(run.drive("state"))
        bar = {c["id"]: c for c in progress["controls"]}[1012]["rect"]
        shot = screenshot(screen, progress, "focus_cues_shown_progress")
        assert ring_share(shot, progress, bar, 1, dark=False) < 0.05, shot.name
    finally:
        run.kill()
        cdn.release_archive()
        screen.reg_add(desktop_key, "UserPreferencesMask", cues_hidden.removeprefix("0x"),
                       kind="REG_BINARY")


def test_cues_always_shown_ring_the_focus_from_the_start(screen, cdn):
    # With cues always shown, the ring is where the focus is from the first
    # moment: on Install when the window opens, on Resume when the
    # confirmation opens from the keyboard.
    desktop_key = r"HKCU\Control Panel\Desktop"
    cues_hidden = screen.reg_query(desktop_key, "UserPreferencesMask")
    screen.reg_add(desktop_key, "UserPreferencesMask", "3000028012000000", kind="REG_BINARY")
    cdn.hold_archive(READ_BLOCK_BYTES)
    run = WindowedRun(screen, "--distr-info-params=cancel=1")
    try:
        welcome = main_window(run.window())
        assert focused(accessible(run)[1]) == 1
        install = {c["id"]: c["rect"] for c in welcome["controls"]}[1]
        shot = screenshot(screen, welcome, "focus_cues_shown_welcome_1")
        share = ring_share(shot, welcome, install, 1, dark=True)
        assert share > 0.3, f"no ring round Install ({share:.2f}) in {shot.name}"

        assert run.drive("key", "enter")["done"]
        assert run.drive("wait", "visible", 1012, 20000)["met"]
        assert focused(accessible(run)[1]) == 1009
        assert run.drive("key", "enter")["done"]
        dialog = modal_dialog(run.drive("wait", "dialog", 20000))
        assert dialog and focused(accessible(run)[1]) == 1
        resume = {c["id"]: c["rect"] for c in dialog["controls"]}[1]
        shot = screenshot(screen, dialog, "focus_cues_shown_confirm_1")
        share = ring_share(shot, dialog, resume, 1, dark=False)
        assert share > 0.3, f"no ring round Resume ({share:.2f}) in {shot.name}"
        assert run.drive("key", "escape")["done"]
    finally:
        run.kill()
        cdn.release_archive()
        screen.reg_add(desktop_key, "UserPreferencesMask", cues_hidden.removeprefix("0x"),
                       kind="REG_BINARY")


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
        if name in ("en_scale2", "ja"):
            heard = tab_round_the_welcome_screen(run, welcome, name, 2 if "scale" in name else 1)
            assert all(heard[i].get("name") for i in heard), heard
            if name == "ja":
                assert heard[1010]["name"] == "\u9589\u3058\u308b"  # "Close"
        assert run.drive("click", 1)["done"]
        progress = run.drive("wait", "visible", 1012, 20000)
        assert progress["met"]
        screenshot(screen, main_window(progress), f"progress_{name}")
        if name == "ja":
            heard = accessible(run)[1]
            # The bar is named "Velmar Browser Installation" in the window's language.
            assert heard[1012].get("name") == \
                "Velmar Browser \u306e\u30a4\u30f3\u30b9\u30c8\u30fc\u30eb"
            # The first slide's heading "Security", then its text.
            slide = heard[1056]["name"]
            assert slide.startswith("\u30bb\u30ad\u30e5\u30ea\u30c6\u30a3\n") and len(slide) > 20
    finally:
        run.kill()
    if "scale" in name:
        left, top, right, bottom = welcome["rect"]
        assert (right - left, bottom - top) == (1456, 800)
        started = [v for v in stat_vars(cdn) if v.get("action") == "installer_started"]
        assert started and started[0]["dpi"] == "200", started


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
