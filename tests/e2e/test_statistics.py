"""Statistics under Wine: the real sender against a local endpoint, the
persisted "install_stat" value and the user identifier."""

import os
import re
import urllib.parse

import pytest

from wine_prefix import BROWSER_KEY, BUILD

CLIENT = BUILD / "tests" / "stat_client.exe"
STAT_PREFIX = "/installstats/send/dtype=stred/pid=457/cid=72992/path=extended_stat/vars="
# One request may take the connect time-out and as long again to leave.
REQUEST_TIMEOUTS_MS = 4000
USER = os.environ.get("USER", "root")
MARK = f"UICreated_{USER}"
MARK_KEYS = (r"HKCU\Software\Velmar", r"HKCU\Software\AppDataLow\Velmar")
EVENTS = [
    ("installer_started", None),
    ("download", "started"),
    ("download_attempt", None),
    ("download", "finished"),
    ("setup", "setup_exe_launched"),
    ("setup", "setup_exe_exited"),
]


def run_client(wine, *args):
    code, out = wine.run([CLIENT, *args])
    assert code == 0, out
    return dict(line.split("=", 1) for line in out.splitlines() if "=" in line)


def report_values(path):
    """The values of one statistics request, unescaped."""
    assert path.startswith(STAT_PREFIX) and path.endswith("/*"), path
    pairs = path[len(STAT_PREFIX):-2].split(",")
    return {urllib.parse.unquote(k): urllib.parse.unquote(v)
            for k, v in (pair.split("=") for pair in pairs)}


def test_stage_events_arrive_in_the_order_they_were_sent(fresh_log, statistics_server):
    server = statistics_server()
    run_client(fresh_log, "send", server.url)
    assert server.wait_for_requests(len(EVENTS)), server.request_lines()
    assert all(line.startswith("GET ") for line in server.request_lines())
    reports = [report_values(path) for path in server.paths()]
    assert [(r["action"], r.get("stage")) for r in reports] == EVENTS
    for report in reports:
        assert report["brand_id"] == "velmar"
        assert report["installer_type"] == "lite"
        assert report["old_style"] == "0"
        assert "target" not in report
    assert reports[0]["resolution"] == "1024x768"
    assert urllib.parse.unquote(reports[2]["url"]) == "http://127.0.0.1/setup.exe"
    assert reports[5]["error"] == "0" and reports[5]["setup_time"] == "3"
    assert "InstallStatSender::Send:" in fresh_log.log_text()


def test_server_that_never_answers_does_not_hold_the_program(fresh_log, statistics_server):
    server = statistics_server("silent")
    times = run_client(fresh_log, "send", server.url)
    assert server.wait_for_requests(len(EVENTS)), server.request_lines()
    assert int(times["send_ms"]) < REQUEST_TIMEOUTS_MS
    assert int(times["shutdown_ms"]) < REQUEST_TIMEOUTS_MS
    assert "Failed to open" not in fresh_log.log_text()


def test_refused_connections_are_logged_and_do_not_hold_the_program(fresh_log,
                                                                   statistics_server):
    server = statistics_server("refuse")
    times = run_client(fresh_log, "send", server.url)
    assert int(times["shutdown_ms"]) < REQUEST_TIMEOUTS_MS
    log = fresh_log.log_text()
    assert re.search(r"ERROR: SendUrl \(\d+\): Failed to open " + re.escape(server.url + STAT_PREFIX),
                     log), log


def test_lite_record_stores_install_stat_and_removes_it_at_its_end(fresh_log):
    values = run_client(fresh_log, "persist", "0")
    assert values["new_ver"] == "24.1.0.1"
    assert values["partner_id"] == "a,b=c\u043f"
    assert values["installer_type"] == "lite"
    log = fresh_log.log_text()
    stored = "INFO: StoreValueInRegistry"
    assert stored in log and (
        r"Stored HKEY_CURRENT_USER\Software\Velmar\VelmarBrowser\install_stat = brand_id" + "\n"
        "velmar\n" in log), log
    assert r"Removed HKEY_CURRENT_USER\Software\Velmar\VelmarBrowser\install_stat" in log
    assert fresh_log.reg_query(BROWSER_KEY, "install_stat") is None


def test_updater_record_leaves_install_stat_for_later_processes(fresh_log):
    try:
        run_client(fresh_log, "persist", "2")
        assert fresh_log.reg_query(BROWSER_KEY, "install_stat") is not None
        assert "Removed" not in fresh_log.log_text()
    finally:
        fresh_log.reg_delete_value(BROWSER_KEY, "install_stat")


@pytest.fixture
def clean_user_id(wine):
    """No identifier file and no creation mark, before and after the test."""
    path = wine.path / "drive_c" / "users" / USER / "AppData" / "Roaming" / "Velmar" / "ui"

    def clean():
        path.unlink(missing_ok=True)
        for key in MARK_KEYS:
            wine.reg_delete_value(key, MARK)

    clean()
    wine.clear_log()
    yield path
    clean()


def test_first_run_creates_a_braced_guid_file_and_the_mark(wine, clean_user_id):
    user_id = run_client(wine, "user-id")["user_id"]
    assert re.fullmatch(r"[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}", user_id)
    assert clean_user_id.read_bytes() == ("{" + user_id + "}").encode("ascii")
    assert wine.reg_query(MARK_KEYS[1], MARK) == "0x1"
    assert wine.reg_query(MARK_KEYS[0], MARK) is None
    assert run_client(wine, "user-id")["user_id"] == user_id


def test_deleted_file_with_the_mark_left_gives_no_identifier(wine, clean_user_id):
    run_client(wine, "user-id")
    clean_user_id.unlink()
    assert run_client(wine, "user-id")["user_id"] == ""
    assert not clean_user_id.exists()
    log = wine.log_text()
    assert "INFO: GetUserIdInternal" in log
    assert "Registry entry already exists, skip User ID file generation" in log


def test_mark_under_the_old_key_is_honoured_on_newer_systems(wine, clean_user_id):
    wine.reg_add(MARK_KEYS[0], MARK, 1, kind="REG_DWORD")
    assert run_client(wine, "user-id")["user_id"] == ""
    assert not clean_user_id.exists()


def test_identifier_without_braces_is_returned_unchanged(wine, clean_user_id):
    clean_user_id.parent.mkdir(parents=True, exist_ok=True)
    clean_user_id.write_bytes(b"plain-id")
    assert run_client(wine, "user-id")["user_id"] == "plain-id"


def test_unwritable_identifier_file_gives_no_identifier_and_no_mark(wine, clean_user_id):
    clean_user_id.mkdir(parents=True)
    try:
        assert run_client(wine, "user-id")["user_id"] == ""
        log = wine.log_text()
        assert "ERROR: ReadUserIdFromFile" in log and "Failed to read file " in log
        assert "ERROR: GenerateAndStoreUserId" in log and "Can't write file " in log
        assert all(wine.reg_query(key, MARK) is None for key in MARK_KEYS)
    finally:
        clean_user_id.rmdir()
