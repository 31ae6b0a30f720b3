"""The contact sheet: every picture of the window at scale 1 and 2, the
composed drop shadow, and the first slide's heading and text in English,
Russian, Japanese, Turkish, Kazakh and Chinese, drawn by tests/support/contact_sheet.exe
under Xvfb and saved as build/screenshots/contact_sheet.png for a person
to look at. LITE_TEST_DISPLAY picks the X display (":101" by default)."""

import os
import pathlib
import subprocess
import time

import pytest

from wine_prefix import BUILD, ROOT, WinePrefix

DISPLAY = os.environ.get("LITE_TEST_DISPLAY", ":101")
SCREEN = "1600x7200x24"
SHEET = BUILD / "tests" / "contact_sheet.exe"
OUTPUT = ROOT / "build" / "screenshots" / "contact_sheet.png"
CONVERT = "/usr/bin/convert"


@pytest.fixture
def xvfb():
    socket = pathlib.Path("/tmp/.X11-unix") / f"X{DISPLAY.lstrip(':')}"
    server = subprocess.Popen(["Xvfb", DISPLAY, "-screen", "0", SCREEN, "-nolisten", "tcp"],
                              stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while not socket.exists() and server.poll() is None and time.monotonic() < deadline:
        time.sleep(0.05)
    if server.poll() is not None:
        pytest.fail(f"Xvfb did not start on {DISPLAY} (taken? set LITE_TEST_DISPLAY)")
    yield DISPLAY
    server.terminate()
    server.wait(timeout=10)


@pytest.mark.parametrize("switch,size", [
    ("--force-device-scale-factor=2", "332x56"),
    ("--force-device-scale-factor=1.5", "249x42"),
    ("--force-device-scale-factor=inf", "166x28"),
    ("--force-device-scale-factor=nan", "166x28"),
    ("--force-device-scale-factor=abc", "166x28"),
    ("--force-device-scale-factor=-2", "166x28"),
    (None, "166x28"),
])
def test_scale_switch_sizes_the_logo(wine, switch, size):
    """The 166 x 28 logo at the switch's scale; a value that is no finite
    positive number leaves the screen's (96 DPI under Wine: 1)."""
    code, out = wine.run([SHEET, "measure", "301", *([switch] if switch else [])])
    assert code == 0, out
    assert f"size={size}" in out


def pixel(image, x, y):
    out = subprocess.run([CONVERT, str(image), "-format", f"%[pixel:p{{{x},{y}}}]", "info:"],
                         capture_output=True, text=True, check=True).stdout
    return out.strip()


def test_contact_sheet(xvfb):
    prefix = WinePrefix(display=xvfb)
    try:
        process = prefix.popen([SHEET])
        size = process.stdout.readline().strip()
        assert size.startswith("sheet="), size
        width, height = (int(v) for v in size.split("=")[1].split("x"))
        subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name",
                        "Velmar contact sheet"], env=dict(os.environ, DISPLAY=xvfb),
                       capture_output=True, timeout=30, check=True)
        time.sleep(1.0)  # the first paint
        OUTPUT.parent.mkdir(parents=True, exist_ok=True)
        shot = subprocess.run(["xwd", "-root", "-display", xvfb, "-silent"],
                              capture_output=True, check=True).stdout
        subprocess.run([CONVERT, "xwd:-", "-crop", f"{width}x{height}+0+0", "+repage",
                        str(OUTPUT)], input=shot, check=True)
        process.kill()
    finally:
        prefix.close()
    identify = subprocess.run([CONVERT, str(OUTPUT), "-format", "%wx%h %k", "info:"],
                              capture_output=True, text=True, check=True).stdout.split()
    assert identify[0] == f"{width}x{height}"
    # A real drawing, not an empty window: many colours, and the background
    # picture (first at the top left, below the title) is not white.
    assert int(identify[1]) > 5000
    assert pixel(OUTPUT, 100, 200) not in ("srgb(255,255,255)", "white")
