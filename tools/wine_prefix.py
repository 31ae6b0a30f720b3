"""A private, warm Wine prefix for running a test build of the installer: the
end-to-end tests, the benchmark and the demo run the installer through it.
LITE_BUILD_DIR names the build: tools/test.sh gives the shipped i686 build
where this machine runs 32-bit programs, else the x86_64 build (the default)."""

import os
import pathlib
import queue
import shutil
import subprocess
import tempfile
import threading
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/bin/wineserver"
ROOT = pathlib.Path(__file__).resolve().parents[1]
BUILD = pathlib.Path(os.environ.get("LITE_BUILD_DIR", ROOT / "build" / "x86_64"))
# Programs that drive the installer's parts from outside (tools/drivers).
DRIVERS = BUILD / "tools" / "drivers"

# The user's registry key of the browser, as the installer writes it.
BROWSER_KEY = r"HKCU\Software\Velmar\VelmarBrowser"

# The window's faces, mapped to metric-compatible fonts from Debian
# (tools/setup.sh installs them). Wine takes the replacements for whole
# faces; letters a face lacks come from its font links, in order: Liberation
# Sans has no Kazakh letters (Open Sans has), neither has Japanese or Chinese
# (Noto Sans CJK has). Without the links those letters show as boxes.
FONT_REPLACEMENTS = {"Arial": "Liberation Sans", "SegoeUI": "Open Sans"}
FONT_FILES = [pathlib.Path("/usr/share/fonts/truetype/open-sans/OpenSans-Regular.ttf"),
              pathlib.Path("/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc")]
OPEN_SANS_LINK = "OpenSans-Regular.ttf,Open Sans"
CJK_LINK = "NotoSansCJK-Regular.ttc,Noto Sans CJK JP"
FONT_LINKS = {"Arial": [OPEN_SANS_LINK, CJK_LINK], "Liberation Sans": [OPEN_SANS_LINK, CJK_LINK],
              "SegoeUI": [CJK_LINK], "Open Sans": [CJK_LINK]}
FONT_REPLACEMENTS_KEY = r"HKCU\Software\Wine\Fonts\Replacements"
FONT_LINK_KEY = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink"


# Now and then Wine cannot start a program at all (seen on a loaded machine):
# it falls back to its start.exe, which prints this line and exits with 1.
# Nothing of the program ran, so starting it again is safe.
NOT_STARTED = "Application could not be started"


def wine_tool(args, env, check=True):
    """Runs one of Wine's own programs (reg, taskkill) to its end and returns
    the finished process; starts it once more when Wine could not start it."""
    command = [WINE, *[str(arg) for arg in args]]
    for _ in range(2):
        result = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, capture_output=True,
                                text=True, errors="replace")
        if NOT_STARTED not in result.stdout:
            break
    if check and result.returncode != 0:
        raise subprocess.CalledProcessError(result.returncode, command, result.stdout,
                                            result.stderr)
    return result


def map_fonts(prefix_path, env):
    """Maps the window's faces to real fonts in the Wine prefix at `prefix_path`."""
    fonts_dir = pathlib.Path(prefix_path) / "drive_c" / "windows" / "Fonts"
    fonts_dir.mkdir(parents=True, exist_ok=True)
    for font in FONT_FILES:
        link = fonts_dir / font.name
        if font.exists() and not link.exists():
            link.symlink_to(font)
    values = [(FONT_REPLACEMENTS_KEY, face, "REG_SZ", font)
              for face, font in FONT_REPLACEMENTS.items()]
    values += [(FONT_LINK_KEY, face, "REG_MULTI_SZ", "\\0".join(links))
               for face, links in FONT_LINKS.items()]
    for key, name, kind, data in values:
        wine_tool(["reg", "add", key, "/v", name, "/t", kind, "/d", data, "/f"], env)


class WinePrefix:
    """One Wine prefix with a persistent wineserver, so that output pipes close."""

    def __init__(self, path=None, windows_version=None, display=None):
        """`display` (an X display such as ":101") shows the prefix's windows there."""
        self.path = pathlib.Path(path or tempfile.mkdtemp(prefix="lite-wine-"))
        self.env = dict(os.environ, WINEPREFIX=str(self.path), WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=")
        self.env.pop("DISPLAY", None)
        if display:
            self.env["DISPLAY"] = display
        devnull = subprocess.DEVNULL
        subprocess.run([WINESERVER, "-p"], env=self.env, stdin=devnull, stdout=devnull,
                       stderr=devnull, check=True)
        subprocess.run([WINE, "wineboot.exe"], env=self.env, stdin=devnull, stdout=devnull,
                       stderr=devnull, check=True)
        # Start the desktop process now, detached from any pipe a test reads:
        # a first window call inside a test would start it with the test's
        # output and keep that pipe open.
        subprocess.run([WINE, str(BUILD / "tests" / "test_helper.exe"), "warm-up"], env=self.env,
                       stdin=devnull, stdout=devnull, stderr=devnull, check=True)
        if windows_version:
            subprocess.run([WINE, "winecfg", "-v", windows_version], env=self.env,
                           stdin=devnull, stdout=devnull, stderr=devnull, check=True)
        map_fonts(self.path, self.env)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shutil.rmtree(self.path, ignore_errors=True)

    # Paths -----------------------------------------------------------------
    @property
    def profile(self):
        return self.path / "drive_c" / "users" / os.environ.get("USER", "root")

    @property
    def temp_dir(self):
        return self.profile / "Temp"

    @property
    def local_appdata(self):
        return self.profile / "AppData" / "Local"

    @property
    def log_path(self):
        return self.temp_dir / "lite_installer.log"

    @staticmethod
    def windows_path(path):
        """A Linux path as Wine sees it (through the Z: drive)."""
        return "Z:" + str(path).replace("/", "\\")

    # Running ---------------------------------------------------------------
    def popen(self, args, env=None, **kwargs):
        """Starts a Windows program; args[0] is a Linux path to the .exe."""
        full_env = dict(self.env, **(env or {}))
        return subprocess.Popen([WINE, str(args[0])] + [str(a) for a in args[1:]], env=full_env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True, **kwargs)

    def run(self, args, env=None, timeout=60, cwd=None):
        """Runs a Windows program and returns (full 32-bit exit code, stdout).

        Wine hands Linux only the low 8 bits of an exit code, so the program is
        started by the test helper, which prints the whole value."""
        helper = BUILD / "tests" / "test_helper.exe"
        command = [helper, "exit-code", self.windows_path(args[0]), *args[1:]]
        deadline = time.monotonic() + timeout
        for _ in range(2):
            process = self.popen(command, env=env, cwd=cwd)
            # A system service that the program started may keep the output pipe
            # open after the program ended, so read up to the exit code line only.
            lines = queue.Queue()
            threading.Thread(target=lambda stream=process.stdout, sink=lines: [
                sink.put(line) for line in stream], daemon=True).start()
            out = ""
            while True:
                try:
                    line = lines.get(timeout=max(0.0, deadline - time.monotonic()))
                except queue.Empty:
                    process.kill()
                    raise subprocess.TimeoutExpired(process.args, timeout, output=out)
                out += line
                if line.startswith("exit_code="):
                    process.wait(timeout=max(1.0, deadline - time.monotonic()))
                    return int(line.split("=", 1)[1]), out
                if line.startswith(NOT_STARTED):
                    process.wait(timeout=10)
                    break
        raise RuntimeError(f"Wine did not start {helper.name} twice: {out}")

    def installer(self, *switches, env=None, timeout=60, exe=None):
        """Runs the installer with switches; returns its full exit code."""
        code, _ = self.run([exe or BUILD / "lite_installer.exe", *switches], env=env,
                           timeout=timeout)
        return code

    # Reading what the installer left ----------------------------------------
    def log_text(self):
        if not self.log_path.exists():
            return ""
        return self.log_path.read_bytes().decode("utf-16")

    def clear_log(self):
        for path in (self.log_path, pathlib.Path(str(self.log_path) + ".old")):
            if path.exists():
                path.unlink()

    def reg_query(self, key, value):
        """The data of one registry value as text, or None when it is missing."""
        result = wine_tool(["reg", "query", key, "/v", value], self.env, check=False)
        if result.returncode != 0:
            return None
        for line in result.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[0].lower() == value.lower():
                return parts[2] if len(parts) == 3 else ""
        return None

    def reg_add(self, key, value, data, kind="REG_SZ"):
        wine_tool(["reg", "add", key, "/v", value, "/t", kind, "/d", data, "/f"], self.env)

    def reg_delete_value(self, key, value):
        wine_tool(["reg", "delete", key, "/v", value, "/f"], self.env, check=False)

    def reg_delete_key(self, key):
        wine_tool(["reg", "delete", key, "/f"], self.env, check=False)

    def wait_for_log(self, text, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in self.log_text():
                return True
            time.sleep(0.05)
        return False



if __name__ == "__main__":
    # For shell scripts (the demo): wine_prefix.py map-fonts PREFIX
    import sys
    if len(sys.argv) != 3 or sys.argv[1] != "map-fonts":
        sys.exit("usage: wine_prefix.py map-fonts PREFIX")
    map_fonts(sys.argv[2], dict(os.environ, WINEPREFIX=sys.argv[2], WINEDEBUG="-all"))
