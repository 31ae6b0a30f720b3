#!/usr/bin/env bash
# The demo: installs the demo browser with the installer under Wine, from a
# download server on this machine, and shows what happened.
#
#   bash tools/demo/demo.sh [--window] [-- installer switches...]
#
# Silent by default; --window shows the installer's window (needs DISPLAY).
# Everything it makes lands in build/demo/.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
demo="$root/build/demo"
demo_port=18080
mode=(--silent)
while [ $# -gt 0 ]; do
  case "$1" in
    --window) mode=(); shift ;;
    --) shift; break ;;
    *) echo "usage: $0 [--window] [-- installer switches...]" >&2; exit 2 ;;
  esac
done
if [ ${#mode[@]} -eq 0 ] && [ -z "${DISPLAY:-}" ]; then
  echo "demo: --window needs an X display (DISPLAY)" >&2
  exit 2
fi

mkdir -p "$demo"
build_log="$demo/build.log"
: >"$build_log"
step() { echo "demo: $*"; }
quietly() {
  "$@" >>"$build_log" 2>&1 || { tail -n 30 "$build_log"; echo "demo: failed, see $build_log" >&2; exit 1; }
}

step "setting up the machine"
bash "$root/tools/setup.sh" | sed 's/^/  /'
step "building (native tools, x86_64)"
quietly bash "$root/tools/build-native.sh"
quietly cmake --preset mingw-x86_64
quietly cmake --build --preset mingw-x86_64 -j2
tests="$root/build/x86_64/tests"
setup="$tests/signed/demo_setup.exe"
[ -f "$setup" ] || { echo "demo: no signed demo setup at $setup" >&2; exit 1; }

server_pid=""
wine_env=()
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [ ${#wine_env[@]} -gt 0 ] && env "${wine_env[@]}" wineserver -k >/dev/null 2>&1
  return 0
}
trap cleanup EXIT

events="$demo/events.jsonl"
# The x86_64 build's hosts are all this server (CMakePresets.json), so it must
# have this port.
/usr/bin/python3 "$root/tools/demo/demo_server.py" serve --archive "$setup" --port "$demo_port" \
  --archive-name browser-setup.arc --events "$events" >"$demo/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q '^listening' "$demo/server.log" && break; sleep 0.1; done
url=$(sed -n 's/^listening //p' "$demo/server.log")
[ -n "$url" ] || { cat "$demo/server.log"; echo "demo: the server did not start (is port $demo_port taken?)" >&2; exit 1; }
step "download server on $url"

prefix="$demo/wine"
step "a fresh Wine prefix ($prefix)"
rm -rf "$prefix"
mkdir -p "$prefix"
wine_env=(WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=")
wine() { env "${wine_env[@]}" /usr/lib/wine/wine64 "$@" </dev/null; }
env "${wine_env[@]}" wineserver -p </dev/null >/dev/null 2>&1
wine wineboot.exe >/dev/null 2>&1
# The window's faces mapped to real fonts, as in the tests' prefixes.
/usr/bin/python3 "$root/tests/e2e/wine_prefix.py" map-fonts "$prefix"
wine "$tests/trust_check.exe" add-root "Z:${root//\//\\}\\build\\x86_64\\test_pki\\root.der" \
  >>"$build_log" 2>&1

step "running the installer ${mode[*]:-with its window}${*:+ $*}"
installer="Z:${root//\//\\}\\build\\x86_64\\lite_installer.exe"
code=$(wine "$tests/test_helper.exe" exit-code "$installer" "${mode[@]}" "$@" \
  | sed -n 's/^exit_code=//p' | tr -d '\r')

user_dir="$prefix/drive_c/users/$(id -un)"
application="$user_dir/AppData/Local/Velmar/Browser/Application"
echo
echo "exit code:  ${code:-none}"
if [ -f "$application/version.txt" ]; then
  echo "installed:  Velmar Browser (demo) $(cat "$application/version.txt") in" \
       "$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\VelmarBrowser' \
          /v InstallLocation 2>/dev/null | sed -n 's/.*REG_SZ *//p' | tr -d '\r')"
  echo "setup got:  $(/usr/bin/python3 -c 'import json, sys
switches = json.load(open(sys.argv[1]))["switches"]
print(" ".join("--" + k + ("=" + v if v else "") for k, v in switches.items()))' \
    "$application/setup_record.json")"
else
  echo "installed:  nothing"
fi
# Statistics are sent in the background: give the last ones a moment.
sleep 1
echo "server got:"
/usr/bin/python3 "$root/tools/demo/demo_server.py" summary "$events"
echo "log:        $user_dir/Temp/lite_installer.log"
