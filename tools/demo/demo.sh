#!/usr/bin/env bash
# The demo: installs the demo browser with the installer under Wine, from a
# download server on this machine, and shows what happened.
#
#   bash tools/demo/demo.sh [--window] [-- installer switches...]
#
# Silent by default; --window shows the installer's window on $DISPLAY, or on
# a virtual screen (Xvfb) of its own when none is set, clicks Install in it the
# way a person would (tools/drivers/window_driver.cpp) and saves screenshots of
# the welcome and progress screens. Everything it makes lands in build/demo/.
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

mkdir -p "$demo"
build_log="$demo/build.log"
: >"$build_log"
step() { echo "demo: $*"; }
quietly() {
  "$@" >>"$build_log" 2>&1 || { tail -n 30 "$build_log"; echo "demo: failed, see $build_log" >&2; exit 1; }
}

step "setting up the machine"
bash "$root/tools/setup.sh" | sed 's/^/  /'
# The shipped architecture, i686, where this machine runs 32-bit programs.
if why=$(bash "$root/tools/runs-32-bit.sh"); then
  arch=i686
else
  arch=x86_64
  step "the x86_64 build stands in for the i686 one: $why"
fi
step "building (native tools, $arch)"
quietly bash "$root/tools/build-native.sh"
quietly cmake --preset "mingw-$arch"
quietly cmake --build --preset "mingw-$arch" -j2
build="$root/build/$arch"
tests="$build/tests"
drivers="$build/tools/drivers"
setup="$tests/signed/demo_setup.exe"
[ -f "$setup" ] || { echo "demo: no signed demo setup at $setup" >&2; exit 1; }

server_pid=""
xvfb_pid=""
installer_pid=""
wine_env=()
cleanup() {
  [ -n "$installer_pid" ] && kill "$installer_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ ${#wine_env[@]} -gt 0 ] && env "${wine_env[@]}" wineserver -k >/dev/null 2>&1
  return 0
}
trap cleanup EXIT

events="$demo/events.jsonl"
# The test builds' hosts are all this server (CMakePresets.json), so it must
# have this port.
/usr/bin/python3 "$root/tools/demo/demo_server.py" serve --archive "$setup" --port "$demo_port" \
  --archive-name browser-setup.arc --events "$events" >"$demo/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do grep -q '^listening' "$demo/server.log" && break; sleep 0.1; done
url=$(sed -n 's/^listening //p' "$demo/server.log")
[ -n "$url" ] || { cat "$demo/server.log"; echo "demo: the server did not start (is port $demo_port taken?)" >&2; exit 1; }
step "download server on $url"

display_env=()
if [ ${#mode[@]} -eq 0 ]; then
  if [ -z "${DISPLAY:-}" ]; then
    # A virtual screen on the first free display from :126.
    number=126
    while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
      number=$((number + 1))
    done
    Xvfb ":$number" -screen 0 1280x800x24 -nolisten tcp >"$demo/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
    export DISPLAY=":$number"
    step "virtual screen $DISPLAY (Xvfb)"
  fi
  display_env=(DISPLAY="$DISPLAY")
fi

prefix="$demo/wine"
step "a fresh Wine prefix ($prefix)"
rm -rf "$prefix"
mkdir -p "$prefix"
wine_env=(WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
          "${display_env[@]}")
wine() { env "${wine_env[@]}" /usr/lib/wine/wine64 "$@" </dev/null; }
env "${wine_env[@]}" wineserver -p </dev/null >/dev/null 2>&1
wine wineboot.exe >/dev/null 2>&1
# The window's faces mapped to real fonts, as in the tests' prefixes.
/usr/bin/python3 "$root/tools/wine_prefix.py" map-fonts "$prefix"
wine "$drivers/trust_check.exe" add-root "Z:${build//\//\\}\\test_pki\\root.der" \
  >>"$build_log" 2>&1

# Without switches of its own, the demo asks for every browser extra: the
# variations seed runs by default, the server configuration and the wallpapers
# on request of the distribution parameters.
[ $# -gt 0 ] || set -- "--distr-info-params=scup=1&pwexp=autumn.zip"

# Drives the window as a person would: waits for it, saves the welcome
# screen, clicks Install and saves the progress screen once the setup runs.
watch_window() {
  local out=$1 state
  drive() { wine "$drivers/window_driver.exe" "$@" | tail -n 1; }
  state=$(drive wait 0 window 60000)
  if ! grep -q '"met":true' <<<"$state"; then
    echo "demo: no installer window appeared" >&2
    return 0
  fi
  pid=$(/usr/bin/python3 -c 'import json, sys; print(json.loads(sys.argv[1])["dialogs"][0]["pid"])' "$state")
  sleep 1
  shoot "$state" "$out/welcome.png"
  step "welcome screen saved: $out/welcome.png; clicking Install"
  drive click "$pid" 1 >/dev/null
  state=$(drive wait "$pid" text 1055 75% 120000)
  sleep 0.5
  shoot "$state" "$out/progress.png"
  step "progress screen saved: $out/progress.png"
  drive wait "$pid" gone 120000 >/dev/null
}

# Saves the screen area of the main window of a driver state line. The drop
# shadow is left out: without a compositing manager, Xvfb shows its per-pixel
# alpha as an opaque dark frame, which no Windows desktop does.
shoot() {
  local geometry
  geometry=$(/usr/bin/python3 -c 'import json, sys
main = next(d for d in json.loads(sys.argv[1])["dialogs"] if d["main"])
l, t, r, b = main["rect"]
print(f"{r - l}x{b - t}+{l}+{t}")' "$1")
  # xwd reads a black screen while the layered shadow window is shown.
  /usr/bin/import -display "$DISPLAY" -window root -crop "$geometry" +repage "$2"
}

step "running the installer ${mode[*]:-with its window}${*:+ $*}"
installer="Z:${build//\//\\}\\lite_installer.exe"
if [ ${#mode[@]} -eq 0 ]; then
  # The setup pauses at each figure so that the progress screen can be seen.
  env "${wine_env[@]}" DEMO_SETUP_STEP_MS=1500 /usr/lib/wine/wine64 "$tests/test_helper.exe" \
    exit-code "$installer" "$@" </dev/null >"$demo/installer.out" 2>/dev/null &
  installer_pid=$!
  watch_window "$demo"
  wait "$installer_pid" || true
  installer_pid=""
  code=$(sed -n 's/^exit_code=//p' "$demo/installer.out" | tr -d '\r')
else
  code=$(wine "$tests/test_helper.exe" exit-code "$installer" "${mode[@]}" "$@" \
    | sed -n 's/^exit_code=//p' | tr -d '\r')
fi

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
