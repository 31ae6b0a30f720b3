"""Whole installations under Wine: the real installer downloads the signed demo
setup from the local server, checks its trust, runs it and reports each stage."""

import json
import shutil
import time

import pytest

from wine_prefix import BROWSER_KEY, BUILD

PROBES = BUILD / "tests" / "lite_installer_probes.exe"
UNSIGNED_DEMO_SETUP = BUILD / "tests" / "demo_setup.exe"
HANDOVER_VALUES = ("InstallerData", "ClidsFile", "ClidsSearchbandFile", "VelmarWebsiteIconFile",
                   "DistribInfoParams", "brand", "BrandFile", "PartnerFile")
# Switches the setup gets on a silent direct run; the paths vary. The
# variations seed is prepared unless the parameters turn it off.
DIRECT_RUN_SWITCHES = {"brand-name", "brand-package", "clids-file", "clids-searchband-file",
                       "installerdata", "partner-package", "progress-window", "send-statistics",
                       "silent", "source", "velmar-website-icon-file", "verbose-logging",
                       "variations-update-path"}


def clean(prefix):
    """No browser, no values under the browser's key, an empty log."""
    shutil.rmtree(browser_folder(prefix), ignore_errors=True)
    prefix.reg_delete_key(BROWSER_KEY)
    prefix.clear_log()
    return prefix


@pytest.fixture
def clean_machine(wine, cdn):
    return clean(wine)


def browser_folder(wine):
    return wine.local_appdata / "Velmar" / "Browser" / "Application"


def setup_record(wine):
    return json.loads((browser_folder(wine) / "setup_record.json").read_text(encoding="utf-8"))


def stages(cdn):
    """The statistics events as (action, stage or status) pairs, then the report."""
    result = []
    for event in cdn.events:
        if event["kind"] == "stat":
            values = event["vars"]
            result.append((values.get("action"), values.get("stage", values.get("status"))))
        elif event["kind"] == "report":
            result.append(("report", dict(p.split("=", 1) for p in event["query"].split("&"))))
    return result


def wait_for_report(cdn, timeout=10):
    """The final report's values, once it has arrived."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for step in stages(cdn):
            if step[0] == "report":
                return step[1]
        time.sleep(0.05)
    raise AssertionError(f"no final report in {stages(cdn)}")


def stat_event(cdn, action, stage):
    for event in cdn.events:
        values = event.get("vars", {})
        if values.get("action") == action and values.get("stage", values.get("status")) == stage:
            return values
    raise AssertionError(f"no {action}/{stage} event in {stages(cdn)}")


def test_silent_install_runs_the_setup_and_reports_every_stage(clean_machine, cdn):
    code = clean_machine.installer("--silent")
    assert code == 0, clean_machine.log_text()[-3000:]
    report = wait_for_report(cdn)

    assert (browser_folder(clean_machine) / "version.txt").exists()
    record = setup_record(clean_machine)
    assert set(record["switches"]) == DIRECT_RUN_SWITCHES
    assert record["switches"]["source"] == "lite"
    assert record["switches"]["brand-name"] == "velmar"
    assert record["switches"]["progress-window"] == "0"
    assert record["files"]["installerdata"]["readable"]

    steps = stages(cdn)
    assert [s for s in steps if s[0] != "report"] == [
        ("installer_started", None), ("download", "started"), ("download_attempt", "success"),
        ("download", "finished"), ("setup", "setup_exe_launched"), ("setup", "setup_exe_exited")]
    assert steps[-1] == ("report", report), "the final report comes last"
    assert report["result"] == "success"
    assert len(report["ui"]) == 36 and "time" in report
    exited = stat_event(cdn, "setup", "setup_exe_exited")
    assert exited["error"] == "0" and "setup_time" in exited
    assert stat_event(cdn, "download_attempt", "success")["attempt_number"] == "1"

    for name in HANDOVER_VALUES:
        assert clean_machine.reg_query(BROWSER_KEY, name) is None, name
    assert clean_machine.reg_query(BROWSER_KEY, "lang") is not None
    for switch in ("brand-package", "partner-package"):
        assert not (clean_machine.temp_dir / record["switches"][switch].split("\\")[-1]).exists()
    assert not list(clean_machine.temp_dir.glob("vb*.tmp")), "the archive is deleted"


@pytest.mark.parametrize("setup_code, error", [(3, None), (7, "7"), (-2, "4294967294")])
def test_setup_exit_code_becomes_the_installers(clean_machine, cdn, setup_code, error):
    code = clean_machine.installer("--silent", env={"DEMO_SETUP_EXIT_CODE": str(setup_code)})
    assert code == setup_code
    exited = stat_event(cdn, "setup", "setup_exe_exited")
    assert exited.get("error") == error
    # The setup ran: its own code tells how it went, the installer's part succeeded.
    assert wait_for_report(cdn)["result"] == "success"


def test_untrusted_archive_ends_with_402_and_never_runs(clean_machine, cdn):
    shutil.copy(UNSIGNED_DEMO_SETUP, cdn.archive)
    code = clean_machine.installer("--silent")
    assert code == 402
    assert stat_event(cdn, "verification", "error")
    assert ("setup", "setup_exe_launched") not in stages(cdn)
    assert not browser_folder(clean_machine).exists()
    assert "Module verification failed: " in clean_machine.log_text()


def test_archive_that_is_gone_ends_with_401_after_every_attempt(clean_machine, cdn):
    cdn.archive.unlink()
    # The test build of the installer waits 10 ms between attempts instead of 15 s.
    code = clean_machine.installer("--silent", exe=PROBES,
                                   env={"LITE_TEST_RETRY_DELAY_MS": "10"})
    assert code == 401
    assert wait_for_report(cdn)["result"] == "failed"
    steps = stages(cdn)
    # Reports still queued when the installer ends are dropped, so the last
    # attempts' events may be missing; the log counts every attempt.
    assert ("download_attempt", "failed") in steps and ("download", "error") in steps
    assert ("download_attempt", "success") not in steps
    error = stat_event(cdn, "download", "error")["error"]
    assert error.startswith("attempt-1-final_query_info-404-"), error
    log = clean_machine.log_text()
    assert "Max download attempts failed (6)" in log
    assert "Module was not downloaded: " in log
    assert not list(clean_machine.temp_dir.glob("vb*.tmp")), "the partial archive is deleted"


def test_statistics_server_that_never_answers_does_not_hold_the_install(clean_machine, cdn,
                                                                       statistics_server):
    silent = statistics_server("silent")
    started = time.monotonic()
    code = clean_machine.installer("--silent", exe=PROBES,
                                   env={"LITE_TEST_STATISTICS_URL": silent.url}, timeout=120)
    elapsed = time.monotonic() - started
    assert code == 0
    assert (browser_folder(clean_machine) / "version.txt").exists()
    assert silent.wait_for_requests(6, timeout=10)
    print(f"install with a silent statistics server took {elapsed:.1f} s")
