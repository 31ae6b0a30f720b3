"""The downloader under wine64 against nginx and a server that misbehaves."""

import re
import time

import pytest

from fault_server import pattern
from nginx_server import NginxServer, free_port
from wine_prefix import BUILD

DRIVER = BUILD / "tests" / "download_driver.exe"
CDN_FILE_BYTES = 3 * 1024 * 1024
BLOCK_BYTES = 256 * 1024  # the downloader's read size


@pytest.fixture(scope="module")
def cdn(tmp_path_factory):
    root = tmp_path_factory.mktemp("cdn")
    (root / "setup.arc").write_bytes(pattern(CDN_FILE_BYTES))
    server = NginxServer(root)
    yield server
    server.stop()


def drive(wine, url, target, *options, timeout=60):
    """Runs the driver; returns (attempt lines as dicts, final line as dict, stdout)."""
    process = wine.popen([DRIVER, url, wine.windows_path(target), *options])
    out, _ = process.communicate(timeout=timeout)
    attempts = [dict(re.findall(r"(\w+)=(\S*)", line)) for line in out.splitlines()
                if line.startswith("attempt=")]
    finals = [dict(re.findall(r"(\w+)=(\S*)", line)) for line in out.splitlines()
              if line.startswith("result=")]
    assert finals, f"no result line: {out!r}"
    return attempts, finals[-1], out


def test_download_through_redirects_is_byte_exact_with_progress_from_zero_to_one(wine, cdn,
                                                                                tmp_path):
    target = tmp_path / "setup.arc"
    attempts, final, out = drive(wine, cdn.url("/r3/setup.arc"), target, "--progress")
    assert final["result"] == "1", out
    assert attempts[0]["total"] == str(CDN_FILE_BYTES)
    assert attempts[0]["redirect"] == cdn.url("/setup.arc")
    assert target.read_bytes() == pattern(CDN_FILE_BYTES)
    fractions = [float(v) for v in re.findall(r"^progress=(\S+)", out, re.M)]
    assert fractions[0] == 0.0 and fractions[-1] == 1.0
    assert fractions == sorted(fractions)
    assert "time_left=-1 kind=0" in out and out.rstrip().count("time_left=0 kind=2") == 1


def test_cut_at_5_percent_empties_the_writer_and_starts_over(wine, faults, tmp_path):
    faults.clear()
    target = tmp_path / "out.bin"
    attempts, final, out = drive(wine, faults.url("/file?size=1000000&cut=50000"), target,
                                 "--attempts=3")
    assert attempts[0]["error"] == "internet_read-12031", out
    assert attempts[1]["start"] == "0" and attempts[1]["result"] == "1", out
    assert [r for _, r in faults.requests] == [None, None]
    assert target.read_bytes() == pattern(1000000)


def test_cut_at_50_percent_positions_the_handle_and_falls_back_to_a_fresh_start(
        wine, fresh_log, faults, tmp_path):
    # Wine's InternetSetFilePointer always fails, so the second attempt shows the
    # fall-back: its writer is emptied and the third attempt starts from byte 0.
    faults.clear()
    target = tmp_path / "out.bin"
    attempts, final, out = drive(wine, faults.url("/file?size=1000000&cut=500000"), target,
                                 "--attempts=3")
    assert attempts[0]["size"] == "500000", out
    assert attempts[1]["start"] == "500000", out
    assert attempts[1]["error"].startswith("internet_set_file_pointer-"), out
    assert attempts[2]["start"] == "0" and attempts[2]["result"] == "1", out
    assert target.read_bytes() == pattern(1000000)


@pytest.mark.parametrize("path,error", [
    ("/status/404", "final_query_info-404-"),
    ("/status/206", "final_query_info-206-"),
    ("/status/500", "final_query_info-500-"),
])
def test_a_status_other_than_200_ends_in_final_query_info(wine, fresh_log, faults, tmp_path,
                                                          path, error):
    attempts, final, out = drive(wine, faults.url(path), tmp_path / "out.bin")
    assert final["result"] == "0"
    assert attempts[0]["error"].startswith(error), out
    assert attempts[0]["size"] == "0", out
    log = wine.log_text()
    assert "Unsuccessful download:" in log
    # The line reads exactly as documented; the status has a line of its own.
    assert re.search(r": HTTP request status isn't OK\r?\n", log), log


def test_stop_event_ends_the_download_within_one_block(wine, faults, tmp_path):
    url = faults.url("/trickle?size=4000000&chunk=4096&delay_ms=10")
    _, final, out = drive(wine, url, tmp_path / "out.bin", "--stop-after-ms=1500")
    assert final["result"] == "0", out
    attempts = [line for line in out.splitlines() if line.startswith("attempt=")]
    stopped_at = int(final["size_at_stop"])
    ended_at = int(re.search(r" size=(\d+)", attempts[-1]).group(1))
    assert 0 < stopped_at <= ended_at <= stopped_at + BLOCK_BYTES, out


def test_endless_redirects_end_at_the_stop_event(wine, faults, tmp_path):
    started = time.monotonic()
    attempts, final, out = drive(wine, faults.url("/loop"), tmp_path / "out.bin",
                                 "--stop-after-ms=1000", timeout=30)
    assert attempts[0]["error"] == "internet_open_url-12017", out
    assert time.monotonic() - started < 15


def test_no_content_length_downloads_without_progress_estimates(wine, faults, tmp_path):
    target = tmp_path / "out.bin"
    attempts, final, out = drive(wine, faults.url("/nolength?size=70000"), target, "--progress")
    assert final["result"] == "1", out
    assert attempts[0]["total"] == "0"
    assert re.findall(r"^progress=(\S+)", out, re.M) == ["0.0000", "1.0000"]
    assert target.read_bytes() == pattern(70000)


def test_garbage_instead_of_http_never_crashes(wine, faults, tmp_path):
    # WinINet reads a reply without a status line as a headerless old-style
    # answer; the download then ends normally and the trust check judges the bytes.
    attempts, final, out = drive(wine, faults.url("/garbage"), tmp_path / "out.bin")
    assert attempts[0]["code"] == "00000000", out
    assert final["result"] in ("0", "1")


def test_refused_connection_ends_in_internet_open_url(wine, tmp_path):
    attempts, final, out = drive(wine, f"http://127.0.0.1:{free_port()}/x", tmp_path / "o.bin")
    assert attempts[0]["error"].startswith("internet_open_url-"), out
