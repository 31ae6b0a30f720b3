import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).parent))
sys.path.insert(0, str(pathlib.Path(__file__).parents[1] / "servers"))

from statistics_server import StatisticsServer  # noqa: E402
from wine_prefix import BUILD, WinePrefix  # noqa: E402


@pytest.fixture(scope="session")
def wine():
    """One warm prefix for the session; tests clear what they read."""
    if not (BUILD / "lite_installer.exe").exists():
        pytest.fail(f"no build at {BUILD}: run tools/test.sh")
    prefix = WinePrefix()
    yield prefix
    prefix.close()


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
