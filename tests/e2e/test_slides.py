"""The slide loader and the slide show, run by tests/support/slide_driver.exe
under Wine against loopback servers. The show runs on a clock that the
driver moves, so ten seconds per slide cost no waiting."""

import functools
import http.server
import subprocess
import threading
import time

import pytest

from wine_prefix import BUILD

DRIVER = BUILD / "tests" / "slide_driver.exe"
CONVERT = "/usr/bin/convert"

# Slides are published at double size and drawn at half of it (scale 1).
SLIDE_SIZES = [(1404, 1072), (1396, 956), (1200, 800)]


def driver_output(wine, *args, timeout=90):
    process = wine.popen([DRIVER, *args])
    out, err = process.communicate(timeout=timeout)
    assert process.returncode == 0, err
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


@pytest.fixture
def slides(tmp_path):
    """A loopback server of three slides under /slides/x2/; the paths it was
    asked for are in its `requests`."""
    (tmp_path / "slides" / "x2").mkdir(parents=True)
    for number, (width, height) in zip((2, 3, 4), SLIDE_SIZES):
        subprocess.run([CONVERT, "-size", f"{width}x{height}", "gradient:#1d4ed8-#e0f2fe",
                        "-quality", "85", tmp_path / "slides" / "x2" / f"0{number}.jpg"],
                       check=True)
    requests = []

    class Handler(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def send_head(self):
            requests.append(self.path)
            return super().send_head()

    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(Handler, directory=str(tmp_path)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    server.folder, server.requests = tmp_path / "slides" / "x2", requests
    server.base_url = f"http://127.0.0.1:{server.server_address[1]}/slides/"
    yield server
    server.shutdown()
    server.server_close()


def test_three_slides_then_ten_failures_and_the_rotation(fresh_log, slides):
    result = driver_output(fresh_log, "rotate", slides.base_url)
    assert result["loader_running"] == "0"
    assert result["slides"] == "4"
    # The driver's built-in slide is a 40 x 30 bitmap.
    assert result["sizes"] == ",".join(["40x30"] + [f"{w // 2}x{h // 2}" for w, h in SLIDE_SIZES])
    # Each slide once, then ten failed tries of the next number in a row.
    assert slides.requests == ["/slides/x2/02.jpg", "/slides/x2/03.jpg", "/slides/x2/04.jpg"] + \
        ["/slides/x2/05.jpg"] * 10
    # The built-in slide first, the downloaded ones in turn, 10 s each.
    assert result["first_tick_changed"] == "1"
    assert result["order"] == "0,1,2,3,0,1,2"
    assert result["early_changes"] == "0"


def test_slide_that_is_not_a_picture_is_logged_and_counted(fresh_log, slides):
    (slides.folder / "03.jpg").write_bytes(b"<html>an error page</html>")
    result = driver_output(fresh_log, "rotate", slides.base_url)
    assert result["slides"] == "2"
    assert slides.requests.count("/slides/x2/03.jpg") == 10
    assert ("ERROR: DownloadImage" in fresh_log.log_text() and
            "Failed to load a background slide bitmap from data downloaded from "
            f"{slides.base_url}x2/03.jpg" in fresh_log.log_text())


@pytest.mark.parametrize("fault", ["/stall/", "/silent/"])
def test_stop_during_a_stalled_download_is_prompt(wine, faults, fault):
    # "stall": headers and no body for 3 s; "silent": a server that never
    # answers.
    process = wine.popen([DRIVER, "stop", faults.url(fault), "1500"])
    started = time.monotonic()
    out, err = process.communicate(timeout=30)
    whole_ms = (time.monotonic() - started) * 1000
    result = dict(line.split("=", 1) for line in out.splitlines() if "=" in line)
    assert result["running_before_stop"] == "1"
    assert int(result["stop_ms"]) < 1000, out
    # The process ends too, 1.5 s after its start: nothing waits for the
    # stalled connection.
    assert whole_ms < 6500, whole_ms
