"""Windows XP and Vista: a person sees the dialog that this browser no longer
supports their system, "More info" opens the help page, and the run ends
with 405 without downloading anything; a silent run installs the last build
made for those systems.

Wine tells a 64-bit program Vista ("winecfg -v vista") but never XP (Wine
refuses "winxp" for a 64-bit prefix, and "winxp64" is XP x64, 5.2): the XP
run uses the probes build with its OS version answer replaced."""

import json
import shutil
import time

import pytest
from PIL import Image

from conftest import PROBES, browser_folder, setup_record, trust_demo_root
from test_window import (WindowedRun, display, main_window, modal_dialog,  # noqa: F401
                         screenshot, visible_texts)
from wine_prefix import BUILD, ROOT, WinePrefix, wine_tool

HELPER = BUILD / "tests" / "test_helper.exe"
STRINGS = ROOT / "resources" / "strings"
# The maker's site of the test build has no regional domain to fill in.
HELP_PAGE = "http://127.0.0.1:18080/support/browser/about/install.xml"
OLD_WINDOWS_TITLE = "This version of Velmar Browser does not support Windows XP and Vista"
EXIT_OLD_WINDOWS = 405
OLD_BUILD_PATH = "/browser-partners/_xp_builds/browser-setup.arc"


@pytest.fixture(scope="module")
def vista(display):
    """A Windows Vista prefix on the Xvfb display whose web browser is the
    test helper: it writes each address it is asked to open to a file."""
    prefix = WinePrefix(windows_version="vista", display=display)
    trust_demo_root(prefix)
    prefix.opened_record = prefix.path / "opened_urls.txt"
    command = (f'"{prefix.windows_path(HELPER)}" record-url '
               f'"{prefix.windows_path(prefix.opened_record)}" "%1"')
    for scheme in ("http", "https"):
        wine_tool(["reg", "add", rf"HKCR\{scheme}\shell\open\command", "/ve", "/d", command,
                   "/f"], prefix.env)
    yield prefix
    prefix.close()


@pytest.fixture
def old_machine(vista, cdn):
    """The Vista prefix with a clean log, no browser and nothing opened yet."""
    vista.clear_log()
    vista.opened_record.unlink(missing_ok=True)
    shutil.rmtree(browser_folder(vista), ignore_errors=True)
    return vista


def opened_urls(prefix, wait_s=0):
    """The addresses the prefix's browser was asked to open, waiting up to
    `wait_s` for the first: the shell starts the browser as a process of its
    own, which may write after the installer has ended."""
    record = prefix.opened_record
    deadline = time.monotonic() + wait_s
    while not (record.exists() and record.stat().st_size) and time.monotonic() < deadline:
        time.sleep(0.1)
    return record.read_text().splitlines() if record.exists() else []


def archive_requests(cdn):
    return [event["path"] for event in cdn.events if event["kind"] == "archive"]


def shown_dialog(run):
    """The old-Windows dialog, once shown; no install window opens beside it."""
    state = run.drive("wait", "dialog", 60000)
    dialog = modal_dialog(state)
    assert dialog, state
    assert main_window(state) is None, state
    return dialog


def test_on_vista_the_dialog_shows_and_more_info_opens_the_help_page(old_machine, cdn):
    run = WindowedRun(old_machine)
    try:
        dialog = shown_dialog(run)
        assert dialog["title"] == OLD_WINDOWS_TITLE
        texts = visible_texts(dialog)
        assert (texts[1], texts[1010]) == ("More info", "Close")
        assert texts[1000] == OLD_WINDOWS_TITLE
        screenshot(old_machine, dialog, "old_windows_en")
        assert run.drive("click", 1)["done"]
        assert run.exit_code() == EXIT_OLD_WINDOWS
    finally:
        run.kill()
    assert opened_urls(old_machine, wait_s=10) == [HELP_PAGE]
    assert archive_requests(cdn) == []
    log = old_machine.log_text()
    assert "Windows XP or Vista is not supported, os version index: 3" in log
    assert f"Opening the help page {HELP_PAGE}" in log


def test_on_xp_the_dialog_speaks_the_interface_language_and_close_opens_nothing(
        old_machine, cdn):
    run = WindowedRun(old_machine, "--force-device-scale-factor=2", exe=PROBES,
                      env={"LITE_TEST_PROBES": "windows-xp", "LC_ALL": "ru_RU.UTF-8"})
    try:
        dialog = shown_dialog(run)
        texts = visible_texts(dialog)
        russian = json.loads((STRINGS / "ru.json").read_text(encoding="utf-8"))
        assert dialog["title"] == texts[1000] == russian["417"]
        assert (texts[1], texts[1010]) == (russian["428"], russian["431"])
        shot = screenshot(old_machine, dialog, "old_windows_ru_scale2")
        # The probes build draws its buttons as the installer does: "More info"
        # filled with the accent colour, not a grey system button.
        action = {c["id"]: c for c in dialog["controls"]}[1]["rect"]
        # Inside its left edge, clear of the rounded corners and the text.
        fill = (action[0] + 16 - dialog["rect"][0], (action[1] + action[3]) // 2 - dialog["rect"][1])
        red, green, blue = Image.open(shot).convert("RGB").getpixel(fill)
        assert red > 180 and green < 100 and blue < 100, (red, green, blue)
        assert run.drive("click", 1010)["done"]
        assert run.exit_code() == EXIT_OLD_WINDOWS
    finally:
        run.kill()
    assert "os version index: 1" in old_machine.log_text()
    time.sleep(1)
    assert opened_urls(old_machine) == []
    assert archive_requests(cdn) == []


def test_a_silent_run_on_vista_installs_the_old_systems_build(old_machine, cdn):
    code = old_machine.installer("--silent", timeout=120)
    assert code == 0, old_machine.log_text()[-3000:]
    assert archive_requests(cdn) == [OLD_BUILD_PATH]
    assert setup_record(old_machine) is not None
    assert "not supported" not in old_machine.log_text()
