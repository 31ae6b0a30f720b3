"""The installer's start-up roles and early exits, run for real under Wine."""

import subprocess
import time

from wine_prefix import BUILD

MUTEX = r"Local\VelmarBrowserLiteInstallerMutex-E523E369-4A72-4B13-AD57-5B956174172A"
HELPER = BUILD / "tests" / "test_helper.exe"


def test_interface_check_child_answers_700_or_701(fresh_log):
    code = fresh_log.installer("--check-the-interface")
    assert code in (700, 701)
    log = fresh_log.log_text()
    assert f"ret code: {code}" in log
    assert "Lite installer mode." not in log


def test_second_master_ends_with_600_when_mutex_is_held(fresh_log):
    holder = fresh_log.popen([HELPER, "hold-mutex", MUTEX, "4000"])
    assert holder.stdout.readline().strip() == "held"
    try:
        code = fresh_log.installer("--silent")
        # The interface check never touches the mutex, even while it is held.
        assert fresh_log.installer("--check-the-interface") in (700, 701)
    finally:
        holder.wait(timeout=10)
    assert code == 600
    log = fresh_log.log_text()
    assert "Another installer instance is already running." in log
    assert "Master installer process id: 0" in log
    assert "Failed to bring process window to top: wrong process id" in log
