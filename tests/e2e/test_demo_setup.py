"""The demo browser setup, run directly under Wine as the installer runs it."""

import json
import shutil
import time

import pytest

from wine_prefix import BUILD

DEMO_SETUP = BUILD / "tests" / "demo_setup.exe"
SIGNED_DEMO_SETUP = BUILD / "tests" / "signed" / "demo_setup.exe"
TRUST_CHECK = BUILD / "tests" / "trust_check.exe"
HELPER = BUILD / "tests" / "test_helper.exe"
UNINSTALL_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\VelmarBrowser"


@pytest.fixture
def clean(wine):
    """The prefix without a demo browser from an earlier test."""
    wine.reg_delete_key(UNINSTALL_KEY)
    shutil.rmtree(wine.local_appdata / "Velmar" / "Browser", ignore_errors=True)
    return wine


def application(wine):
    return wine.local_appdata / "Velmar" / "Browser" / "Application"


def record(wine):
    return json.loads((application(wine) / "setup_record.json").read_text())


def test_installs_demo_browser_and_records_switches_and_files(clean, tmp_path):
    installer_data = tmp_path / "installer data.json"
    installer_data.write_text('{"distr": "demo"}')
    package = tmp_path / "brand.cab"
    package.write_bytes(b"MSCF\x00\xff\xfe\x00")
    switches = {
        "brand-name": "velmar",
        "installerdata": clean.windows_path(installer_data),
        "brand-package": clean.windows_path(package),
        "clids-file": clean.windows_path(tmp_path / "missing.xml"),
        "progress-window": "0",
        "source": "lite",
        "verbose-logging": "",
    }
    args = [f"--{name}={value}" if value else f"--{name}" for name, value in switches.items()]

    code, _ = clean.run([DEMO_SETUP, *args])

    assert code == 0
    got = record(clean)
    assert got["switches"] == switches
    assert got["files"]["installerdata"]["text"] == '{"distr": "demo"}'
    assert got["files"]["brand-package"]["size"] == 8
    assert "text" not in got["files"]["brand-package"]
    assert got["files"]["clids-file"]["readable"] is False
    assert got["progress_messages_posted"] == 0
    assert (application(clean) / "browser.exe").read_bytes()[:2] == b"MZ"
    assert (application(clean) / "version.txt").read_text() == got["version"]
    assert clean.reg_query(UNINSTALL_KEY, "DisplayVersion") == got["version"]
    assert clean.reg_query(UNINSTALL_KEY, "InstallLocation").endswith(r"\Velmar\Browser")


@pytest.mark.parametrize("requested", [3, 600, -1])
def test_exits_with_the_full_requested_code(clean, requested):
    code, _ = clean.run([DEMO_SETUP, "--progress-window=0"],
                        env={"DEMO_SETUP_EXIT_CODE": str(requested)})
    assert code == requested
    assert record(clean)["exit_code"] == requested & 0xFFFFFFFF


def test_refuses_a_malformed_exit_code_request_without_installing(clean):
    code, _ = clean.run([DEMO_SETUP], env={"DEMO_SETUP_EXIT_CODE": "3x"})
    assert code == 87
    assert not application(clean).exists()
    assert clean.reg_query(UNINSTALL_KEY, "DisplayName") is None


# The five messages of a real installation, in order.
PROGRESS_MESSAGES = ["install 5", "install 7", "import 0", "import 50", "import 100"]


def run_with_progress_receiver(clean, env=None):
    """Runs the setup with a receiving window; returns (exit code, the
    messages received, seconds the setup took)."""
    receiver = clean.popen([HELPER, "receive-progress", "5", "30000"])
    try:
        window = receiver.stdout.readline().strip()
        assert window.startswith("window="), window
        start = time.monotonic()
        code, _ = clean.run([DEMO_SETUP, f"--progress-window={window.split('=')[1]}"], env=env)
        elapsed = time.monotonic() - start
        out, _ = receiver.communicate(timeout=30)
    finally:
        receiver.kill()
    return code, out.split("\n")[:5], elapsed


def test_posts_install_then_import_progress_to_the_progress_window(clean):
    code, messages, _ = run_with_progress_receiver(clean)
    assert code == 0
    assert messages == PROGRESS_MESSAGES
    assert record(clean)["progress_messages_posted"] == 5


def test_pauses_after_each_progress_message_when_asked(clean):
    code, messages, elapsed = run_with_progress_receiver(clean, {"DEMO_SETUP_STEP_MS": "400"})
    assert code == 0
    assert messages == PROGRESS_MESSAGES
    assert elapsed >= 5 * 0.4, f"the setup took {elapsed:.2f} s for five paced messages"


def test_writes_its_record_then_waits_the_requested_time(clean):
    setup = clean.popen([HELPER, "exit-code", clean.windows_path(DEMO_SETUP)],
                        env={"DEMO_SETUP_SLEEP_MS": "3000"})
    try:
        record_path = application(clean) / "setup_record.json"
        deadline = time.monotonic() + 20
        while not record_path.exists() and time.monotonic() < deadline:
            time.sleep(0.05)
        # The record comes before the wait, so a hung setup can still be inspected.
        assert record_path.exists()
        assert setup.poll() is None, "the setup did not wait"
        out, _ = setup.communicate(timeout=30)
    finally:
        setup.kill()
    assert "exit_code=0" in out


def test_signed_demo_setup_passes_the_installers_trust_check(wine):
    _, out = wine.run([TRUST_CHECK, "add-root", wine.windows_path(BUILD / "test_pki" / "root.der")])
    assert "root added" in out, out
    _, out = wine.run([TRUST_CHECK, "check", wine.windows_path(SIGNED_DEMO_SETUP)])
    assert out.splitlines()[0].strip() == "trusted", out
