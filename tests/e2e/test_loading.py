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


# The interface check itself uses COM; a silent run stopped by the trust check
# has downloaded and checked the archive.
@pytest.mark.parametrize("switch, needed", [
    ("--check-the-interface", {"ole32.dll"}),
    ("--silent", {"wininet.dll", "wintrust.dll"}),
])
def test_short_roles_and_silent_run_load_no_window_dll(fresh_log, untrusted_cdn, switch, needed):
    loaded = loaded_dlls(fresh_log, switch)
    assert needed <= loaded, sorted(loaded)
    assert not loaded & WINDOW_DLLS, sorted(loaded)
