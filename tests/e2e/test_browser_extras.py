"""What a silent install prepares for the browser's first start, under Wine,
beyond the whole install of test_install.py: extras turned off or failing,
and the per-user identifier the installation reports."""

import time

import pytest

from conftest import EXTRAS, MARK, MARK_KEYS, setup_record, user_id_file, wait_for_report
from demo_server import DEMO_SEED_HEADERS

KNOWN_USER_ID = "0123ABCD-4567-89EF-0123-456789ABCDEF"


def reported_user_ids(cdn):
    return {event["vars"].get("uid") for event in cdn.events if event["kind"] == "stat"}


def install(wine, cdn, params):
    code = wine.installer("--silent", f"--distr-info-params={params}")
    assert code == 0, wine.log_text()[-3000:]
    wait_for_report(cdn)
    return setup_record(wine)


def test_existing_user_id_is_kept_and_extras_turned_off_are_neither_fetched_nor_passed(
        no_user_id, cdn):
    user_id_file(no_user_id).parent.mkdir(parents=True, exist_ok=True)
    user_id_file(no_user_id).write_bytes(b"{" + KNOWN_USER_ID.encode() + b"}")
    record = install(no_user_id, cdn, "vup=0&scup=yes")
    assert not any(name in record["switches"] for name in EXTRAS), record["switches"]
    assert not [e for e in cdn.events if e["kind"] in ("variations", "server_config",
                                                       "wallpapers")]
    assert reported_user_ids(cdn) == {KNOWN_USER_ID}
    assert user_id_file(no_user_id).read_bytes() == b"{" + KNOWN_USER_ID.encode() + b"}"


def without_signature(cdn):
    del cdn.seed_headers["X-Seed-Signature"]


def slow_seed(cdn):
    cdn.seed_delay_s = 30


# A seed that cannot be saved leaves the setup's variations file unreadable;
# one that never comes is given up when the installer exits, not waited for.
@pytest.mark.parametrize("break_seed, lines", [
    (without_signature, ["ERROR: DownloadAndSaveVariations",
                         "Failed to get variations seed signature"]),
    (slow_seed, ["Failed to download variations seed"]),
], ids=["no signature", "never comes"])
def test_seed_that_fails_leaves_no_variations_file(clean_machine, cdn, break_seed, lines):
    break_seed(cdn)
    try:
        started = time.monotonic()
        record = install(clean_machine, cdn, "vup=1")
        elapsed = time.monotonic() - started
    finally:
        cdn.seed_headers = dict(DEMO_SEED_HEADERS)
        cdn.seed_delay_s = 0
    assert elapsed < 20, elapsed
    assert "variations-update-path" in record["switches"]
    assert not record["files"]["variations-update-path"]["readable"]
    log = clean_machine.log_text()
    assert all(line in log for line in lines), log[-3000:]
    assert "Variations are saved" not in log


def mark_under(key):
    return lambda wine: wine.reg_add(key, MARK, 1, kind="REG_DWORD")


def file_in_the_way(wine):
    user_id_file(wine).mkdir(parents=True)


# Installs that stop at the trust check report the identifier they found.
@pytest.mark.parametrize("prepare, lines", [
    # The file was deleted but the mark says one was made: none is made again.
    (mark_under(MARK_KEYS[1]), ["Registry entry already exists, skip User ID file generation"]),
    # The mark of older systems counts on newer ones too.
    (mark_under(MARK_KEYS[0]), ["Registry entry already exists, skip User ID file generation"]),
    # A folder where the file belongs can be neither read nor written.
    (file_in_the_way, ["ERROR: ReadUserIdFromFile", "Failed to read file ",
                       "ERROR: GenerateAndStoreUserId", "Can't write file "]),
], ids=["mark left", "mark under the old key", "unwritable file"])
def test_user_id_that_cannot_be_had_is_not_reported(no_user_id, untrusted_cdn, prepare, lines):
    prepare(no_user_id)
    try:
        assert no_user_id.installer("--silent") == 402
        assert reported_user_ids(untrusted_cdn) == {None}
        log = no_user_id.log_text()
        assert all(line in log for line in lines), log[-3000:]
        if prepare is file_in_the_way:
            assert all(no_user_id.reg_query(key, MARK) is None for key in MARK_KEYS)
        else:
            assert not user_id_file(no_user_id).exists()
    finally:
        if user_id_file(no_user_id).is_dir():
            user_id_file(no_user_id).rmdir()
