"""The hand-off between the master and its elevated copy, attacked by another
program of the same user. The delayed parameters live in a shared section of
the installer's image that any such program can map writable; the elevated
copy must refuse any archive that is not in the temporary folder or not
trusted, and end the installation as an untrusted archive (402).

Wine runs "runas" without a prompt, so master and copy hand over for real.
The master runs with its window on an Xvfb display, started at once by the
automatic-start parameters."""

import os
import shutil

import pytest

from conftest import UNSIGNED_DEMO_SETUP, browser_folder, clean, stages, stat_event
from test_window import WindowedRun, desktop, display, modal_dialog
from wine_prefix import BUILD

__all__ = ["desktop", "display"]

HOSTILE = BUILD / "tests" / "hostile_handoff.exe"
INSTALLER = BUILD / "lite_installer.exe"
# Every choice of the welcome screen given: the window goes straight to work.
AUTOMATIC_START = "--distr-info-params=first=1&def=0&stat=0"


@pytest.fixture
def clean_machine(desktop, cdn):
    return clean(desktop)


def attacked_install(wine, action, payload):
    """Runs the windowed installer while the hostile program plays `action`
    with `payload` (a Windows path); closes the error dialog the refusal
    brings, and returns the installer's exit code and what the hostile
    program printed. The code is None when the copy ran the real archive: a
    rewrite that came too late, after the copy had read and held the path."""
    hostile = wine.popen([HOSTILE, action, wine.windows_path(INSTALLER), payload])
    run = WindowedRun(wine, AUTOMATIC_START)
    try:
        run.window()
        # The dialog, or the log's word that the real setup ran, within 90 s.
        for _ in range(18):
            asked = run.drive("wait", "dialog", 5000)
            ran_the_archive = "RunModule results: success=1" in wine.log_text()
            if asked["met"] or ran_the_archive:
                break
        if not asked["met"] and ran_the_archive:
            run.exit_code()
            return None, hostile.communicate(timeout=30)[0]
        dialog = modal_dialog(asked)
        assert dialog and dialog["title"] == "An error occurred during installation", asked
        assert run.drive("click", 1010)["done"]
        code = run.exit_code()
        out, _ = hostile.communicate(timeout=30)
    finally:
        run.kill()
        hostile.kill()
    return code, out


def assert_refused_as_untrusted(wine, cdn, code, reason):
    log = wine.log_text()
    assert code == 402, log[-3000:]
    assert reason.lower() in log.lower(), log[-3000:]
    assert "The elevated installer refused the archive: " in log
    assert "RunModule results" not in log, "the copy never ran a setup"
    assert not browser_folder(wine).exists(), "the hostile program did not run"
    assert stat_event(cdn, "verification", "error")
    assert ("setup", "setup_exe_exited") not in stages(cdn)


@pytest.fixture
def planted(clean_machine):
    """An unsigned program in the user's temporary folder, where archives lie."""
    path = clean_machine.temp_dir / "planted_setup.exe"
    shutil.copy(UNSIGNED_DEMO_SETUP, path)
    yield f"C:\\users\\{os.environ.get('USER', 'root')}\\Temp\\planted_setup.exe"
    path.unlink(missing_ok=True)


@pytest.mark.parametrize("outside", [False, True], ids=["planted", "outside temp"])
def test_copy_refuses_a_program_signalled_by_another_process(clean_machine, cdn, planted,
                                                             outside):
    payload = clean_machine.windows_path(UNSIGNED_DEMO_SETUP) if outside else planted
    code, out = attacked_install(clean_machine, "proceed", payload)
    assert out.strip() == "signalled"
    reason = ("is not in the temporary folder" if outside
              else "Module verification failed: " + planted)
    assert_refused_as_untrusted(clean_machine, cdn, code, reason)


def test_copy_refuses_a_path_rewritten_after_the_master_wrote_it(clean_machine, cdn, planted):
    # The rewrite races the copy's read of the block; a loaded machine may
    # let the copy read first, which is no attack at all: try again.
    for _ in range(3):
        code, out = attacked_install(clean_machine, "rewrite", planted)
        if code is not None:
            break
        clean(clean_machine)
        cdn.events.clear()
    assert out.strip() == "rewritten"
    assert_refused_as_untrusted(clean_machine, cdn, code,
                                "Module verification failed: " + planted)
