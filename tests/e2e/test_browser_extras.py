"""What a silent install prepares for the browser's first start, under Wine:
the variations seed, the server configuration and the wallpapers that the
setup receives, and the per-user identifier the installation uses."""

import base64
import json
import os
import pathlib
import re
import time
import urllib.parse

import pytest

from demo_server import DEMO_SEED, DEMO_SEED_HEADERS, DEMO_SERVER_CONFIG, DEMO_WALLPAPERS
from test_install import browser_folder, clean_machine, setup_record, wait_for_report  # noqa: F401

USER = os.environ.get("USER", "root")
MARK = f"UICreated_{USER}"
MARK_KEY = r"HKCU\Software\AppDataLow\Velmar"
EXTRAS = ("variations-update-path", "server-config-bundle-path", "preloaded-wallpaper-bundle-path")


def linux_path(wine, windows_path):
    assert windows_path[1:3] == ":\\", windows_path
    relative = windows_path[3:].replace("\\", "/")
    return wine.path / "drive_c" / relative if windows_path[0] in "Cc" else pathlib.Path("/" + relative)


def user_id_file(wine):
    return wine.path / "drive_c" / "users" / USER / "AppData" / "Roaming" / "Velmar" / "ui"


def requests_of(cdn, kind):
    return [event for event in cdn.events if event["kind"] == kind]


def install(wine, cdn, params):
    code = wine.installer("--silent", f"--distr-info-params={params}")
    assert code == 0, wine.log_text()[-3000:]
    wait_for_report(cdn)
    return setup_record(wine)


def test_setup_receives_all_three_extras_where_their_switches_say(clean_machine, cdn):
    record = install(clean_machine, cdn, "scup=1&pwexp=autumn.zip")
    switches, files = record["switches"], record["files"]
    assert all(name in switches for name in EXTRAS), switches

    variations = files["variations-update-path"]
    assert variations["readable"], clean_machine.log_text()[-2000:]
    assert json.loads(variations["text"]) == {
        "variations_seed_base64": base64.b64encode(DEMO_SEED).decode(),
        "variations_seed_signature": DEMO_SEED_HEADERS["X-Seed-Signature"],
        "variations_last_modified_time": DEMO_SEED_HEADERS["Last-Modified"],
        "variations_country": DEMO_SEED_HEADERS["X-Country"]}
    assert list(json.loads(variations["text"])) == [
        "variations_seed_base64", "variations_seed_signature", "variations_last_modified_time",
        "variations_country"]
    assert files["server-config-bundle-path"]["size"] == len(DEMO_SERVER_CONFIG)
    assert files["preloaded-wallpaper-bundle-path"]["size"] == len(DEMO_WALLPAPERS)
    for name, prefix in zip(EXTRAS, ("vup", "scu", "pw")):
        assert re.fullmatch(prefix + r"[0-9A-F]+\.tmp", switches[name].rsplit("\\", 1)[1], re.I)

    user_id = user_id_file(clean_machine).read_bytes().decode("ascii").strip("{}")
    (variations_request,) = requests_of(cdn, "variations")
    assert urllib.parse.parse_qs(variations_request["query"]) == {
        "brand": ["velmar"], "partner": ["velmar_demo_partner"], "uid": [user_id],
        "version": ["20.3.2.242"]}
    (config_request,) = requests_of(cdn, "server_config")
    assert config_request["query"] == "brandID=velmar&partnerID=velmar_demo_partner"
    (wallpapers_request,) = requests_of(cdn, "wallpapers")
    assert wallpapers_request["path"] == "/wallpapers/autumn.zip"
    # The setup took the files over: the installer removes its copies of the
    # seed and the configuration, the wallpapers stay.
    assert not linux_path(clean_machine, switches["variations-update-path"]).exists()
    assert not linux_path(clean_machine, switches["server-config-bundle-path"]).exists()
    assert linux_path(clean_machine, switches["preloaded-wallpaper-bundle-path"]).exists()


def test_extras_turned_off_by_the_parameters_are_neither_fetched_nor_passed(clean_machine, cdn):
    record = install(clean_machine, cdn, "vup=0&scup=yes")
    assert not any(name in record["switches"] for name in EXTRAS), record["switches"]
    assert not requests_of(cdn, "variations") and not requests_of(cdn, "server_config")
    assert not requests_of(cdn, "wallpapers")


def test_seed_without_signature_leaves_no_variations_file(clean_machine, cdn):
    del cdn.seed_headers["X-Seed-Signature"]
    try:
        record = install(clean_machine, cdn, "vup=1")
    finally:
        cdn.seed_headers = dict(DEMO_SEED_HEADERS)
    assert "variations-update-path" in record["switches"]
    assert not record["files"]["variations-update-path"]["readable"]
    assert "ERROR: DownloadAndSaveVariations" in clean_machine.log_text()
    assert "Failed to get variations seed signature" in clean_machine.log_text()


def test_installer_ends_a_running_download_when_it_exits(clean_machine, cdn):
    cdn.seed_delay_s = 30
    try:
        started = time.monotonic()
        record = install(clean_machine, cdn, "vup=1")
        elapsed = time.monotonic() - started
    finally:
        cdn.seed_delay_s = 0
    assert elapsed < 20, elapsed
    assert not record["files"]["variations-update-path"]["readable"]
    log = clean_machine.log_text()
    assert "Failed to download variations seed" in log and "Variations are saved" not in log


@pytest.fixture
def no_user_id(clean_machine):
    def clean():
        user_id_file(clean_machine).unlink(missing_ok=True)
        clean_machine.reg_delete_value(MARK_KEY, MARK)
    clean()
    yield clean_machine
    clean()


def test_installs_create_and_then_reuse_one_user_identifier(no_user_id, cdn):
    install(no_user_id, cdn, "vup=0")
    content = user_id_file(no_user_id).read_bytes().decode("ascii")
    assert re.fullmatch(r"\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\}", content)
    assert no_user_id.reg_query(MARK_KEY, MARK) == "0x1"
    user_id = content.strip("{}")
    stats = requests_of(cdn, "stat")
    assert stats and all(event["vars"].get("uid") == user_id for event in stats)

    cdn.events.clear()
    install(no_user_id, cdn, "vup=0")
    assert user_id_file(no_user_id).read_bytes().decode("ascii") == content
    assert all(event["vars"].get("uid") == user_id for event in requests_of(cdn, "stat"))
