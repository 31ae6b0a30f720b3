import json
import os
import pathlib
import shutil
import sys
import time

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
sys.path.insert(0, str(pathlib.Path(__file__).parents[1] / "servers"))
sys.path.insert(0, str(pathlib.Path(__file__).parents[2] / "tools"))
sys.path.insert(0, str(pathlib.Path(__file__).parents[2] / "tools" / "demo"))

from demo_server import DemoServer  # noqa: E402
from fault_server import FaultServer  # noqa: E402
from wine_prefix import BROWSER_KEY, BUILD, DRIVERS, WinePrefix  # noqa: E402

# Every host of the test builds is this local server (CMakePresets.json).
DOWNLOAD_SERVER_PORT = 18080
SIGNED_DEMO_SETUP = BUILD / "tests" / "signed" / "demo_setup.exe"
UNSIGNED_DEMO_SETUP = BUILD / "tests" / "demo_setup.exe"
PROBES = BUILD / "tests" / "lite_installer_probes.exe"
# The mark that a user identifier was made once, under the key of newer
# systems and under the key older ones used.
MARK = f"UICreated_{os.environ.get('USER', 'root')}"
MARK_KEYS = (r"HKCU\Software\Velmar", r"HKCU\Software\AppDataLow\Velmar")
# Wine 8's association service offers none of the internal interfaces the
# interface-check child probes, so under Wine it always answers "not available".
INTERFACE_ANSWER_UNDER_WINE = 701
# The browser's first-start extras the setup is handed, each named by a switch.
EXTRAS = ("variations-update-path", "server-config-bundle-path", "preloaded-wallpaper-bundle-path")


def trust_demo_root(prefix):
    """The demo PKI's root, trusted in this prefix only."""
    root = BUILD / "test_pki" / "root.der"
    code, out = prefix.run([DRIVERS / "trust_check.exe", "add-root",
                            prefix.windows_path(root)])
    assert code == 0, out


@pytest.fixture(scope="session")
def wine():
    """One warm prefix for the session; tests clear what they read."""
    if not (BUILD / "lite_installer.exe").exists():
        pytest.fail(f"no build at {BUILD}: run tools/test.sh")
    prefix = WinePrefix()
    trust_demo_root(prefix)
    yield prefix
    prefix.close()


@pytest.fixture(scope="session", autouse=True)
def download_server(tmp_path_factory):
    """The download and statistics server the test build's hosts point at. It
    serves the signed demo setup as the brands' setup archive; a test may
    replace or remove that file to make the server lie or fail."""
    archive = tmp_path_factory.mktemp("cdn") / "browser-setup.arc"
    shutil.copy(SIGNED_DEMO_SETUP, archive)
    server = DemoServer(archive, port=DOWNLOAD_SERVER_PORT).start()
    yield server
    server.close()


@pytest.fixture
def cdn(download_server):
    """The download server with its record cleared and its archive restored."""
    shutil.copy(SIGNED_DEMO_SETUP, download_server.archive)
    download_server.events.clear()
    yield download_server
    shutil.copy(SIGNED_DEMO_SETUP, download_server.archive)


@pytest.fixture(scope="session")
def faults():
    """A server that misbehaves as each request's path asks (fault_server.py)."""
    server = FaultServer()
    yield server
    server.stop()


@pytest.fixture
def fresh_log(wine):
    wine.clear_log()
    return wine


@pytest.fixture
def untrusted_cdn(cdn):
    """The server offers an unsigned archive: installs stop at the trust check
    (402), so what the installer handed over for the setup stays to be read."""
    shutil.copy(UNSIGNED_DEMO_SETUP, cdn.archive)
    return cdn


# A whole installation and what it left -----------------------------------------

def browser_folder(prefix):
    return prefix.local_appdata / "Velmar" / "Browser" / "Application"


def clean(prefix):
    """No browser, no values under the browser's key, an empty log."""
    shutil.rmtree(browser_folder(prefix), ignore_errors=True)
    prefix.reg_delete_key(BROWSER_KEY)
    prefix.clear_log()
    return prefix


@pytest.fixture
def clean_machine(wine, cdn):
    return clean(wine)


def user_id_file(prefix):
    return prefix.profile / "AppData" / "Roaming" / "Velmar" / "ui"


@pytest.fixture
def no_user_id(clean_machine):
    """A clean machine without a user identifier or its mark, before and after."""
    def forget():
        user_id_file(clean_machine).unlink(missing_ok=True)
        for key in MARK_KEYS:
            clean_machine.reg_delete_value(key, MARK)
    forget()
    yield clean_machine
    forget()


def setup_record(prefix):
    """What the demo setup received: its switches and the files they name;
    None when no setup ran."""
    path = browser_folder(prefix) / "setup_record.json"
    return json.loads(path.read_text(encoding="utf-8")) if path.exists() else None


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
