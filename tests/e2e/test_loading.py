"""The DLLs only the window needs are loaded when it is built: the short roles
and a silent install never map them (Wine's loader trace shows every load)."""

import re

import pytest

from wine_prefix import BUILD

WINDOW_DLLS = {"comctl32.dll", "gdiplus.dll", "msimg32.dll"}


def loaded_dlls(wine, *switches):
    process = wine.popen([BUILD / "lite_installer.exe", *switches],
                         env={"WINEDEBUG": "+loaddll"})
    _, trace = process.communicate(timeout=120)
    return {name.lower() for name in re.findall(r'Loaded L"[^"]*\\([^"\\]+)"', trace)}


def test_interface_check_loads_no_window_dll(fresh_log):
    loaded = loaded_dlls(fresh_log, "--check-the-interface")
    assert "ole32.dll" in loaded, "the check itself uses COM"
    assert not loaded & WINDOW_DLLS, sorted(loaded)


@pytest.mark.usefixtures("untrusted_cdn")
def test_silent_run_to_the_trust_check_loads_no_window_dll(fresh_log):
    loaded = loaded_dlls(fresh_log, "--silent")
    assert {"wininet.dll", "wintrust.dll"} <= loaded, "it downloaded and checked the archive"
    assert not loaded & WINDOW_DLLS, sorted(loaded)
