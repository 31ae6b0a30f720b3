import pathlib
import sys

import pytest

sys.path.insert(0, str(pathlib.Path(__file__).parent))

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
