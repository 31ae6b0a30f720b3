"""The demo download server: what it serves and how it records requests."""

import json
import pathlib
import sys
import urllib.error
import urllib.request

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools" / "demo"))

import demo_server  # noqa: E402

STAT_PATH = ("/installstats/send/dtype=stred/pid=457/cid=72992/path=extended_stat"
             "/vars=action=download_attempt,error=attempt-1%2Cx%3D1,status=failed/*")


@pytest.fixture
def server(tmp_path):
    archive = tmp_path / "demo_setup.exe"
    archive.write_bytes(b"MZ demo")
    running = demo_server.DemoServer(archive, events_path=tmp_path / "events.jsonl",
                                     serve_paths=["/exact/setup.exe"]).start()
    yield running
    running.close()


def get(server, path):
    try:
        with urllib.request.urlopen(server.url + path, timeout=10) as answer:
            return answer.status, answer.read()
    except urllib.error.HTTPError as error:
        return error.code, b""


def test_serves_the_archive_at_any_path_ending_in_its_name_and_at_given_paths(server):
    assert get(server, "/browser/v25/demo_setup.exe?x=1") == (200, b"MZ demo")
    assert get(server, "/exact/setup.exe") == (200, b"MZ demo")
    assert get(server, "/browser/other_setup.exe")[0] == 404
    assert get(server, "/browser/xdemo_setup.exe")[0] == 404


def test_answers_404_for_the_archive_once_its_file_is_gone(server):
    server.archive.unlink()
    assert get(server, "/b/demo_setup.exe")[0] == 404
    assert server.events[-1]["status"] == 404


def test_records_statistics_and_report_in_arrival_order_in_the_events_file(server, tmp_path):
    assert get(server, STAT_PATH)[0] == 200
    assert get(server, "/get/browser/install?ui=1-2&result=success&time=4")[0] == 200
    lines = (tmp_path / "events.jsonl").read_text().splitlines()
    events = [json.loads(line) for line in lines]
    assert [e["kind"] for e in events] == ["stat", "report"]
    # Escaped "," and "=" inside a value do not split it.
    assert events[0]["vars"] == {"action": "download_attempt", "error": "attempt-1,x=1",
                                 "status": "failed"}
    assert events[1]["query"] == "ui=1-2&result=success&time=4"


def test_describes_each_event_on_one_short_line():
    stat = {"kind": "stat", "vars": {"action": "setup", "stage": "setup_exe_exited",
                                     "error": "0", "setup_time": "2", "brand_id": "x"}}
    report = {"kind": "report", "query": "ui=abc&result=success&time=3"}
    assert demo_server.describe(stat) == "stat      setup setup_exe_exited error=0 setup_time=2"
    assert demo_server.describe(report) == "report    result=success time=3"
    click = {"kind": "stat", "vars": {"clicked_button": "install", "dialog_window": "liteinstall"}}
    assert demo_server.describe(click) == "stat      clicked_button=install"


def test_takes_a_free_port_when_the_asked_one_is_busy_and_fallback_is_allowed(server, tmp_path):
    with pytest.raises(OSError):
        demo_server.DemoServer(server.archive, port=server.port)
    other = demo_server.DemoServer(tmp_path / "a.exe", port=server.port, fallback_port=True)
    try:
        assert other.port not in (0, server.port)
    finally:
        other.close()


def test_held_archive_stops_at_each_offset_until_moved_on_and_released(server):
    server.archive.write_bytes(bytes(range(200)))
    server.hold_archive(50)
    answer = urllib.request.urlopen(server.url + "/b/demo_setup.exe", timeout=10)
    try:
        assert answer.read(50) == bytes(range(50))
        assert server.wait_archive_held(50, timeout=5)
        server.hold_archive(120)
        assert answer.read(70) == bytes(range(50, 120))
        assert server.wait_archive_held(120, timeout=5)
        server.release_archive()
        assert answer.read() == bytes(range(120, 200))
    finally:
        answer.close()
    assert get(server, "/b/demo_setup.exe") == (200, bytes(range(200)))
