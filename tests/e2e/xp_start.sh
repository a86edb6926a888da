#!/usr/bin/env bash
# VeltaroSetup.exe on a Wine that reports Windows XP: started without arguments,
# the first copy shows the window itself at once, starts no second copy, and
# ends with exit code 0 when the window is closed. Runs in a 32-bit prefix of its
# own (build/wineprefix-xp), made once; its D: drive is a fresh temporary folder
# and its user folders are real folders inside the prefix.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
export WINEPREFIX="$ROOT/build/wineprefix-xp"
export WINEARCH=win32
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"
# Wine links a prefix's user folders to the folders of $HOME: a home of its own.
export HOME="$ROOT/build/wineprefix-xp-home"
EXE="$ROOT/build/win32/bin/VeltaroSetup.exe"
OUT="$ROOT/build/e2e"
mkdir -p "$OUT" "$HOME"

source "$ROOT/scripts/wine-ui.sh"

if [ ! -f "$WINEPREFIX/.veltaro-xp-ready" ]; then
  echo "creating the Windows XP prefix at $WINEPREFIX"
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d winxp /f >/dev/null 2>&1
  wineserver -w
  for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link" && mkdir -p "$link"; fi
  done
  # The manifest request of the show finds a closed loopback port: nothing
  # leaves the machine.
  point_installer "http://127.0.0.1:9/" "http://127.0.0.1:9/"
  wineserver -w
  touch "$WINEPREFIX/.veltaro-xp-ready"
fi

DDIR="$(mktemp -d)"
ln -sfn "$DDIR" "$WINEPREFIX/dosdevices/d:"
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  e2e_cleanup
  wineserver -k >/dev/null 2>&1  # this prefix's server only
  wait 2>/dev/null
  rm -f "$WINEPREFIX/dosdevices/d:"
  rm -rf "$DDIR"
}
trap cleanup EXIT

ver="$(wine cmd /c ver 2>/dev/null | grep -o '[0-9][0-9.]*' | head -n1)"
check "the prefix reports Windows XP (version $ver)" "$([ "$ver" = 5.1.2600 ] && echo 0 || echo 1)"

start_xvfb || exit 1

wine "$EXE" >/dev/null 2>&1 &
APP_PID=$!
W=$(find_window 30)
check "started without arguments, the window shows" "$([ -n "$W" ] && echo 0 || echo 1)"
kill -0 "$APP_PID" 2>/dev/null
check "the first copy shows it (it did not end)" $?
copies=$(our_copies | wc -l)
restarted=$(for p in $(our_copies); do tr '\0' ' ' <"/proc/$p/cmdline"; echo; done | grep -c 'UAC' || true)
check "no second copy (copies $copies, with UAC $restarted)" "$([ "$copies" -eq 1 ] && [ "$restarted" -eq 0 ] && echo 0 || echo 1)"
[ -n "$W" ] || exit 1
/usr/bin/import -window root "$OUT/xp-window.png" 2>/dev/null

eval "$(xdotool getwindowgeometry --shell "$W")"
xdotool mousemove $((X + 1 + 621)) $((Y + 1 + 18)) sleep 0.2 click 1
exits_with_zero 20 "the close button ends the program with exit code 0"

echo "$FAILS failed checks"
[ "$FAILS" -eq 0 ]
