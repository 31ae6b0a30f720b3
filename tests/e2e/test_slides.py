"""The slide loader and the slide show, run by tests/support/slide_driver.exe
under Wine against a loopback slide server. The show runs on a clock that
the driver moves, so ten seconds per slide cost no waiting."""

import subprocess
import time

import pytest

from slide_server import SlideServer
from wine_prefix import BUILD

DRIVER = BUILD / "tests" / "slide_driver.exe"
CONVERT = "/usr/bin/convert"

# Slides are published at double size and drawn at half of it (scale 1).
SLIDE_SIZES = [(1404, 1072), (1396, 956), (1200, 800)]


def jpeg(tmp_path, index, size):
    path = tmp_path / f"slide{index}.jpg"
    subprocess.run([CONVERT, "-size", f"{size[0]}x{size[1]}", "gradient:#1d4ed8-#e0f2fe",
                    "-quality", "85", str(path)], check=True)
    return ("image/jpeg", path.read_bytes())


def driver_output(wine, *args, timeout=90):
    process = wine.popen([DRIVER, *args])
    out, err = process.communicate(timeout=timeout)
    assert process.returncode == 0, err
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def rotate(wine, files):
    """Runs the loader to its end against a server of `files`, then the show."""
    server = SlideServer(files)
    try:
        return driver_output(wine, "rotate", server.base_url), server
    finally:
        server.close()


@pytest.fixture
def slide_files(tmp_path):
    return {f"/slides/x2/{number:02d}.jpg": jpeg(tmp_path, number, size)
            for number, size in zip((2, 3, 4), SLIDE_SIZES)}


def test_three_slides_then_ten_failures_and_the_rotation(fresh_log, slide_files):
    result, server = rotate(fresh_log, slide_files)
    assert result["loader_running"] == "0"
    assert result["slides"] == "4"
    assert result["sizes"].split(",")[1:] == [f"{w // 2}x{h // 2}" for w, h in SLIDE_SIZES]
    # Each slide once, then ten failed tries of the next number in a row.
    assert server.requests == ["/slides/x2/02.jpg", "/slides/x2/03.jpg", "/slides/x2/04.jpg"] + \
        ["/slides/x2/05.jpg"] * 10
    # The built-in slide first, the downloaded ones in turn, 10 s each.
    assert result["first_tick_changed"] == "1"
    assert result["order"] == "0,1,2,3,0,1,2"
    assert result["early_changes"] == "0"


def test_slide_that_is_not_a_picture_is_logged_and_counted(fresh_log, slide_files):
    slide_files["/slides/x2/03.jpg"] = ("image/jpeg", b"<html>an error page</html>")
    result, server = rotate(fresh_log, slide_files)
    assert result["slides"] == "2"
    assert server.requests.count("/slides/x2/03.jpg") == 10
    assert ("ERROR: DownloadImage" in fresh_log.log_text() and
            "Failed to load a background slide bitmap from data downloaded from "
            f"{server.base_url}x2/03.jpg" in fresh_log.log_text())


def test_no_slide_server_keeps_the_built_in_slide(fresh_log):
    result = driver_output(fresh_log, "rotate", "http://127.0.0.1:9/slides/")
    assert result["loader_running"] == "0"
    assert result["slides"] == "1"
    assert result["order"] == "0,0,0,0,0,0,0"


@pytest.mark.parametrize("mode", ["stall", "silent"])
def test_stop_during_a_stalled_download_is_prompt(wine, mode):
    server = SlideServer({}, **{mode: "/slides/x2/02.jpg"})
    try:
        process = wine.popen([DRIVER, "stop", server.base_url, "1500"])
        assert server.wait_for("/slides/x2/02.jpg")
        started = time.monotonic()
        out, err = process.communicate(timeout=30)
        whole_ms = (time.monotonic() - started) * 1000
    finally:
        server.close()
    result = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    assert result["running_before_stop"] == "1"
    assert int(result["stop_ms"]) < 1000, out
    # The process ends too: nothing waits for the stalled connection.
    assert whole_ms < 5000, whole_ms
