"""Whole installations under Wine: the real installer downloads the signed demo
setup from the local server, checks its trust, runs it and reports each stage."""

import base64
import json
import re
import time
import urllib.parse

import pytest

from conftest import (EXTRAS, MARK, MARK_KEYS, PROBES, browser_folder, setup_record, stages,
                      stat_event, user_id_file, wait_for_report)
from demo_server import DEMO_SEED, DEMO_SEED_HEADERS, DEMO_SERVER_CONFIG, DEMO_WALLPAPERS
from nginx_server import free_port
from wine_prefix import BROWSER_KEY

HANDOVER_VALUES = ("InstallerData", "ClidsFile", "ClidsSearchbandFile", "VelmarWebsiteIconFile",
                   "DistribInfoParams", "brand", "BrandFile", "PartnerFile")
# Switches the setup gets on a silent direct run with distribution parameters
# that turn every extra on; the paths vary.
DIRECT_RUN_SWITCHES = {"brand-name", "brand-package", "clids-file", "clids-searchband-file",
                       "distr-info-file", "distr-info-params", "installerdata", "partner-package",
                       "progress-window", "send-statistics", "silent", "source",
                       "velmar-website-icon-file", "verbose-logging", *EXTRAS}
STORED_INSTALL_STAT = r"Stored HKEY_CURRENT_USER\Software\Velmar\VelmarBrowser\install_stat"
REMOVED_INSTALL_STAT = r"Removed HKEY_CURRENT_USER\Software\Velmar\VelmarBrowser\install_stat"


def linux_path(wine, windows_path):
    assert windows_path[1:3] == ":\\", windows_path
    relative = windows_path[3:].replace("\\", "/")
    assert windows_path[0] in "Cc", windows_path
    return wine.path / "drive_c" / relative


def requests_of(cdn, kind):
    return [event for event in cdn.events if event["kind"] == kind]


def test_silent_install_runs_the_setup_and_reports_every_stage(no_user_id, cdn):
    code = no_user_id.installer("--silent", "--distr-info-params=scup=1&pwexp=autumn.zip")
    assert code == 0, no_user_id.log_text()[-3000:]
    report = wait_for_report(cdn)

    assert (browser_folder(no_user_id) / "version.txt").exists()
    record = setup_record(no_user_id)
    switches, files = record["switches"], record["files"]
    assert set(switches) == DIRECT_RUN_SWITCHES
    assert switches["source"] == "lite" and switches["brand-name"] == "velmar"
    assert switches["progress-window"] == "0"
    assert files["installerdata"]["readable"]

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

    # The first run makes the user identifier; every report carries it.
    content = user_id_file(no_user_id).read_bytes().decode("ascii")
    assert re.fullmatch(r"\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}", content)
    assert no_user_id.reg_query(MARK_KEYS[1], MARK) == "0x1"
    assert no_user_id.reg_query(MARK_KEYS[0], MARK) is None
    user_id = content.strip("{}")
    assert all(event["vars"].get("uid") == user_id for event in requests_of(cdn, "stat"))

    # The extras, fetched for this user and brand, as the setup received them.
    assert list(json.loads(files["variations-update-path"]["text"]).items()) == [
        ("variations_seed_base64", base64.b64encode(DEMO_SEED).decode()),
        ("variations_seed_signature", DEMO_SEED_HEADERS["X-Seed-Signature"]),
        ("variations_last_modified_time", DEMO_SEED_HEADERS["Last-Modified"]),
        ("variations_country", DEMO_SEED_HEADERS["X-Country"])]
    assert files["server-config-bundle-path"]["size"] == len(DEMO_SERVER_CONFIG)
    assert files["preloaded-wallpaper-bundle-path"]["size"] == len(DEMO_WALLPAPERS)
    for name, prefix in zip(EXTRAS, ("vup", "scu", "pw")):
        assert re.fullmatch(prefix + r"[0-9A-F]+\.tmp", switches[name].rsplit("\\", 1)[1], re.I)
    (variations_request,) = requests_of(cdn, "variations")
    assert urllib.parse.parse_qs(variations_request["query"]) == {
        "brand": ["velmar"], "partner": ["velmar_demo_partner"], "uid": [user_id],
        "version": ["20.3.2.242"]}
    (config_request,) = requests_of(cdn, "server_config")
    assert config_request["query"] == "brandID=velmar&partnerID=velmar_demo_partner"
    (wallpapers_request,) = requests_of(cdn, "wallpapers")
    assert wallpapers_request["path"] == "/wallpapers/autumn.zip"

    # What is left: the wallpapers the setup keeps, the browser's language,
    # and nothing else of the hand-over, the extras, the record or the archive.
    assert linux_path(no_user_id, switches["preloaded-wallpaper-bundle-path"]).exists()
    for name in ("variations-update-path", "server-config-bundle-path", "brand-package",
                 "partner-package"):
        assert not linux_path(no_user_id, switches[name]).exists(), name
    for name in HANDOVER_VALUES + ("install_stat",):
        assert no_user_id.reg_query(BROWSER_KEY, name) is None, name
    assert no_user_id.reg_query(BROWSER_KEY, "lang") is not None
    log = no_user_id.log_text()
    assert f"{STORED_INSTALL_STAT} = brand_id\nvelmar\n" in log and REMOVED_INSTALL_STAT in log
    assert not list(no_user_id.temp_dir.glob("vb*.tmp")), "the archive is deleted"


@pytest.mark.parametrize("setup_code, error", [(3, None), (7, "7"), (-2, "4294967294")])
def test_setup_exit_code_becomes_the_installers(clean_machine, cdn, setup_code, error):
    code = clean_machine.installer("--silent", env={"DEMO_SETUP_EXIT_CODE": str(setup_code)})
    assert code == setup_code
    exited = stat_event(cdn, "setup", "setup_exe_exited")
    assert exited.get("error") == error
    # The setup ran: its own code tells how it went, the installer's part succeeded.
    assert wait_for_report(cdn)["result"] == "success"


@pytest.mark.parametrize("endpoint", ["silent", "refusing"])
def test_statistics_endpoint_that_never_answers_does_not_hold_the_install(clean_machine, cdn,
                                                                          faults, endpoint):
    faults.clear()
    url = faults.url("/silent") if endpoint == "silent" else f"http://127.0.0.1:{free_port()}"
    started = time.monotonic()
    code = clean_machine.installer("--silent", exe=PROBES, env={"LITE_TEST_STATISTICS_URL": url},
                                   timeout=120)
    print(f"install with a {endpoint} statistics server took {time.monotonic() - started:.1f} s")
    assert code == 0
    assert (browser_folder(clean_machine) / "version.txt").exists()
    if endpoint == "silent":
        assert faults.wait_for_requests("/silent/installstats/send/", 6)
    else:
        assert f"Failed to open {url}/installstats/send/" in clean_machine.log_text()
