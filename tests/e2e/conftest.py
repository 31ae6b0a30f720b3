import pathlib
import shutil
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
sys.path.insert(0, str(pathlib.Path(__file__).parents[1] / "servers"))
sys.path.insert(0, str(pathlib.Path(__file__).parents[2] / "tools" / "demo"))

from demo_server import DemoServer  # noqa: E402
from statistics_server import StatisticsServer  # noqa: E402
from wine_prefix import BUILD, WinePrefix  # noqa: E402

# Every host of the x86_64 test build is this local server (CMakePresets.json).
DOWNLOAD_SERVER_PORT = 18080
SIGNED_DEMO_SETUP = BUILD / "tests" / "signed" / "demo_setup.exe"


def trust_demo_root(prefix):
    """The demo PKI's root, trusted in this prefix only."""
    root = BUILD / "test_pki" / "root.der"
    code, out = prefix.run([BUILD / "tests" / "trust_check.exe", "add-root",
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


@pytest.fixture
def fresh_log(wine):
    wine.clear_log()
    return wine


@pytest.fixture(scope="session")
def build_dir():
    return BUILD


@pytest.fixture
def statistics_server():
    """Starts local statistics endpoints: statistics_server() or statistics_server("silent")."""
    servers = []

    def start(mode="answer"):
        servers.append(StatisticsServer(mode))
        return servers[-1]

    yield start
    for server in servers:
        server.stop()


@pytest.fixture
def untrusted_cdn(cdn):
    """The server offers an unsigned archive: installs stop at the trust check
    (402), so what the installer handed over for the setup stays to be read."""
    shutil.copy(SIGNED_DEMO_SETUP.parent.parent / "demo_setup.exe", cdn.archive)
    return cdn
