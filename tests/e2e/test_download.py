"""The downloader under wine64 against nginx and a server that misbehaves:
one attempt through the download driver, and the installer's own attempts
against the faults, seen in the attempts it reports."""

import re
import time

import pytest

from conftest import PROBES, stat_event, wait_for_report
from fault_server import pattern
from nginx_server import NginxServer, free_port
from wine_prefix import DRIVERS

DRIVER = DRIVERS / "download_driver.exe"
CDN_FILE_BYTES = 3 * 1024 * 1024
BLOCK_BYTES = 256 * 1024  # the downloader's read size


@pytest.fixture(scope="module")
def nginx(tmp_path_factory):
    root = tmp_path_factory.mktemp("cdn")
    (root / "setup.arc").write_bytes(pattern(CDN_FILE_BYTES))
    server = NginxServer(root)
    yield server
    server.stop()


def drive(wine, url, target, *options, timeout=60):
    """Runs the driver; returns its result line as a dict, and its output."""
    process = wine.popen([DRIVER, url, wine.windows_path(target), *options])
    out, _ = process.communicate(timeout=timeout)
    results = [line for line in out.splitlines() if line.startswith("result=")]
    assert results, f"no result line: {out!r}"
    return dict(re.findall(r"(\w+)=(\S*)", results[-1])), out


def test_download_through_redirects_is_byte_exact_with_progress_from_zero_to_one(wine, nginx,
                                                                                tmp_path):
    target = tmp_path / "setup.arc"
    result, out = drive(wine, nginx.url("/r3/setup.arc"), target, "--progress")
    assert result["result"] == "1", out
    assert result["total"] == str(CDN_FILE_BYTES)
    assert result["redirect"] == nginx.url("/setup.arc")
    assert target.read_bytes() == pattern(CDN_FILE_BYTES)
    fractions = [float(v) for v in re.findall(r"^progress=(\S+)", out, re.M)]
    assert fractions[0] == 0.0 and fractions[-1] == 1.0
    assert fractions == sorted(fractions)
    assert "time_left=-1 kind=0" in out and out.rstrip().count("time_left=0 kind=2") == 1


def test_stop_event_ends_the_download_within_one_block(wine, faults, tmp_path):
    url = faults.url("/trickle?size=4000000&chunk=4096&delay_ms=10")
    result, out = drive(wine, url, tmp_path / "out.bin", "--stop-after-ms=1500")
    assert result["result"] == "0", out
    stopped_at, ended_at = int(result["size_at_stop"]), int(result["size"])
    assert 0 < stopped_at <= ended_at <= stopped_at + BLOCK_BYTES, out


def test_endless_redirects_end_at_the_stop_event(wine, faults, tmp_path):
    started = time.monotonic()
    result, out = drive(wine, faults.url("/loop"), tmp_path / "out.bin", "--stop-after-ms=1000",
                        timeout=30)
    assert result["error"] == "internet_open_url-12017", out
    assert time.monotonic() - started < 15


def test_no_content_length_downloads_without_progress_estimates(wine, faults, tmp_path):
    target = tmp_path / "out.bin"
    result, out = drive(wine, faults.url("/nolength?size=70000"), target, "--progress")
    assert result["result"] == "1" and result["total"] == "0", out
    assert re.findall(r"^progress=(\S+)", out, re.M) == ["0.0000", "1.0000"]
    assert target.read_bytes() == pattern(70000)


def test_garbage_instead_of_http_never_crashes(wine, faults, tmp_path):
    # WinINet reads a reply without a status line as a headerless old-style
    # answer; the download then ends normally and the trust check judges the bytes.
    result, out = drive(wine, faults.url("/garbage"), tmp_path / "out.bin")
    assert result["code"] == "00000000", out
    assert result["result"] in ("0", "1")


def test_refused_connection_ends_in_internet_open_url(wine, tmp_path):
    result, out = drive(wine, f"http://127.0.0.1:{free_port()}/x", tmp_path / "o.bin")
    assert result["error"].startswith("internet_open_url-"), out


def reported_attempts(cdn):
    return [(e["vars"]["status"], e["vars"].get("error"), e["vars"]["downloaded_size"])
            for e in cdn.events
            if e["kind"] == "stat" and e["vars"].get("action") == "download_attempt"]


def every_attempt(error):
    return [("failed", error, "0")] * 6


# Each row: the fault the archive's host plays, the installer's exit code and
# the attempts it reports as (status, error, downloaded size). The archive is
# not signed, so a download that succeeds ends at the trust check (402).
@pytest.mark.parametrize("fault, code, attempts", [
    # Cut under a tenth: the writer is emptied before the attempt is reported.
    ("/file/1000000/cut/50000", 402,
     [("failed", "internet_read-12031", "0"), ("success", None, "1000000")]),
    # Cut past a tenth: the writer is kept for a resume, which Wine's
    # InternetSetFilePointer refuses; the writer is emptied and the next starts over.
    ("/file/1000000/cut/500000", 402,
     [("failed", "internet_read-12031", "500000"),
      ("failed", "internet_set_file_pointer-12016", "0"), ("success", None, "1000000")]),
    ("/status/404", 401, every_attempt("final_query_info-404-0")),
    ("/status/206", 401, every_attempt("final_query_info-206-0")),
])
def test_installer_retries_a_failed_download_as_its_attempts_report(clean_machine, cdn, faults,
                                                                    fault, code, attempts):
    faults.clear()
    # The test build waits 10 ms between attempts instead of 15 s.
    assert clean_machine.installer("--silent", exe=PROBES, timeout=120, env={
        "LITE_TEST_DOWNLOAD_HOST": faults.url(fault), "LITE_TEST_RETRY_DELAY_MS": "10"}) == code
    log = clean_machine.log_text()
    assert not list(clean_machine.temp_dir.glob("vb*.tmp")), "the archive is deleted"
    # Reports still queued when the installer ends are dropped, so the last
    # events may be missing; the log has every step.
    if code == 402:
        assert reported_attempts(cdn) == attempts
        assert "Module verification failed: " in log
        return
    assert reported_attempts(cdn) == attempts[:len(reported_attempts(cdn))]
    assert stat_event(cdn, "download", "error")["error"] == "attempt-1-" + attempts[0][1]
    assert wait_for_report(cdn)["result"] == "failed"
    # The line reads exactly as documented; the status has a line of its own.
    assert re.search(r": HTTP request status isn't OK\r?\n", log), log
    assert f": HTTP status: {fault[-3:]}" in log
    assert "Max download attempts failed (6)" in log and "Module was not downloaded: " in log
