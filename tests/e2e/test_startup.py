"""The installer's start-up roles and early exits, run for real under Wine."""

import contextlib
import pathlib
import shutil
import tempfile
import threading

import pytest

from conftest import INTERFACE_ANSWER_UNDER_WINE, PROBES
from wine_prefix import BUILD

MUTEX = r"Local\VelmarBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A"
LOG_MUTEX = "3E40F524-16FA-440A-B919-B44AB355B174"
HELPER = BUILD / "tests" / "test_helper.exe"


@contextlib.contextmanager
def helper(wine, *args):
    """Runs the test helper with a trigger file as its last argument. The file
    is created when the block ends, which lets the helper go on to its end."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="lite-trigger-"))
    process = wine.popen([HELPER, *args, wine.windows_path(folder / "go")])
    try:
        yield process
    finally:
        (folder / "go").touch()
        process.wait(timeout=30)
        shutil.rmtree(folder, ignore_errors=True)


@contextlib.contextmanager
def held_mutex(wine, name):
    """Another process owns the named mutex for the duration of the block."""
    with helper(wine, "hold-mutex", name) as holder:
        assert holder.stdout.readline().strip() == "held"
        yield


def run_elevated_instance(wine, action, setup_cmd_line):
    """Runs an elevated instance against a stand-in master that creates the
    handshake events and, once the instance is waiting, starts, cancels or exits."""
    result = {}
    with helper(wine, "master", action) as master:
        line = master.stdout.readline().strip()
        assert line.startswith("pid="), line
        runner = threading.Thread(target=lambda: result.update(code=wine.installer(
            "--run-as-admin", f"--parent-installer-process-id={line[4:]}",
            f"--setup-cmd-line={setup_cmd_line}", timeout=60)))
        runner.start()
        assert wine.wait_for_log("Start installer as admin", timeout=30)
    runner.join(timeout=60)
    return result["code"]



def test_interface_check_answers_not_available_and_opens_the_log(fresh_log):
    code = fresh_log.installer("--check-the-interface")
    assert code == INTERFACE_ANSWER_UNDER_WINE
    # The lines' format and the byte order mark are the log's unit tests'.
    lines = fresh_log.log_text().lstrip("\ufeff").splitlines()
    assert "INFO: wWinMain (" in lines[0] and lines[0].endswith(" Start install."), lines[0]
    # The test build says so in the first lines of its log and in its version resource.
    marker = "Test build: test hosts and keys, not for distribution"
    assert lines[1].endswith(marker + "."), lines[:2]
    data = (BUILD / "lite_installer.exe").read_bytes()
    assert "SpecialBuild".encode("utf-16-le") in data and marker.encode("utf-16-le") in data
    log = "\n".join(lines)
    assert f"ret code: {code}" in log
    assert "Lite installer mode." not in log
    assert "secure environment" not in log


def test_elevated_instance_with_bad_parent_id_ends_with_minus_one(fresh_log):
    code = fresh_log.installer("--run-as-admin", "--parent-installer-process-id=12ab",
                               "--setup-cmd-line= --brand-name=velmar")
    assert code == -1
    log = fresh_log.log_text()
    assert "ERROR: ExecuteAsAdmin" in log
    assert "Suspicious process id=12ab" in log
    assert "Start installer as admin" in log
    assert "unexpectedly synced, wr=4294967295" in log


SYNCED = "Installer started as admin has been unexpectedly synced, wr="


@pytest.mark.parametrize("action, setup_cmd_line, line", [
    ("cancel", " --brand-name=velmar", SYNCED + "1"),
    ("exit", " --brand-name=velmar", SYNCED + "2"),
    ("start", "fake_browser_arc --brand-name=velmar",
     "Browser archive fake_browser_arc does not exist"),
])
def test_elevated_instance_ends_with_minus_one_unless_the_master_starts_a_real_archive(
        fresh_log, action, setup_cmd_line, line):
    assert run_elevated_instance(fresh_log, action, setup_cmd_line) == -1
    assert line in fresh_log.log_text()


@pytest.fixture
def lonely_copy():
    """The test build of the installer alone in a folder, with a stray DLL beside it."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="lite-stray-"))
    shutil.copy(PROBES, folder / "installer.exe")
    (folder / "stray.dll").write_bytes(b"MZ not really a library")
    yield folder / "installer.exe"
    shutil.rmtree(folder, ignore_errors=True)


def test_stray_dll_beside_elevated_instance_on_old_loader_gives_minus_200(fresh_log, lonely_copy):
    # Wine always has the newer loader calls; the test build reports them missing.
    code = fresh_log.installer("--run-as-admin", "--parent-installer-process-id=1",
                               exe=lonely_copy, env={"LITE_TEST_PROBES": "legacy-loader"})
    assert code == -200
    assert "Exiting, DLL files found in working directory" in fresh_log.log_text()


def test_old_loader_runs_a_protected_copy_and_ends_with_its_code(fresh_log, lonely_copy):
    with held_mutex(fresh_log, MUTEX):
        code = fresh_log.installer("--silent", exe=lonely_copy,
                                   env={"LITE_TEST_PROBES": "legacy-loader"})
        log = fresh_log.log_text()
        # The interface check never touches the mutex, even while it is held.
        assert fresh_log.installer("--check-the-interface") == INTERFACE_ANSWER_UNDER_WINE
    # The copy ran from a fresh folder without the stray DLL, met the held mutex
    # and ended with 600, which the first process passed on.
    assert code == 600
    assert log.count("Start install.") == 2
    assert "Runned in secure environment." in log
    assert "Another installer instance is already running." in log
    leftovers = [p for p in fresh_log.temp_dir.iterdir() if p.is_dir() and "_" in p.name]
    assert leftovers == []


def test_processor_without_sse2_ends_silent_run_with_404(fresh_log):
    code = fresh_log.installer("--silent", exe=PROBES, env={"LITE_TEST_PROBES": "no-sse2"})
    assert code == 404
    log = fresh_log.log_text()
    assert "CPU is not supported" in log
    assert "Installer exit with code" not in log


def test_full_disk_does_not_stop_a_silent_run(fresh_log, cdn):
    code = fresh_log.installer("--silent", exe=PROBES, env={"LITE_TEST_PROBES": "full-disk"})
    log = fresh_log.log_text()
    assert "There is not enough disk space to install browser" in log
    assert code == 0, log[-3000:]
    assert [event["status"] for event in cdn.events if event["kind"] == "archive"] == [200]


def test_without_a_temporary_folder_nothing_is_logged_beside_the_program(fresh_log, tmp_path):
    # Wine takes TEMP and TMP from the registry; 300 characters make GetTempPathW fail.
    key = r"HKCU\Environment"
    saved = {name: fresh_log.reg_query(key, name) for name in ("TEMP", "TMP")}
    assert None not in saved.values(), saved
    try:
        for name in saved:
            fresh_log.reg_add(key, name, "C:\\" + "t" * 300)
        code, _ = fresh_log.run([BUILD / "lite_installer.exe", "--check-the-interface"],
                                cwd=tmp_path)
    finally:
        for name, value in saved.items():
            fresh_log.reg_add(key, name, value)
    assert code == INTERFACE_ANSWER_UNDER_WINE
    assert list(tmp_path.iterdir()) == []
    assert not fresh_log.log_path.exists(), fresh_log.log_text()


def test_line_is_dropped_while_log_mutex_is_held_elsewhere(fresh_log):
    with held_mutex(fresh_log, LOG_MUTEX):
        code = fresh_log.installer("--check-the-interface")
    assert code == INTERFACE_ANSWER_UNDER_WINE
    assert "Start install." not in fresh_log.log_text()
