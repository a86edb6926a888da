#!/usr/bin/env bash
# The Veltaro365 demo: the installer's whole life under Wine, from a fresh
# Debian machine. Installs what is missing, builds, publishes the demo release
# into build/demo/, serves it on loopback, and runs VeltaroSetup.exe in a Wine
# prefix of its own as a user would. With a display the user clicks through it;
# without one (or with --auto) it runs on a virtual display and clicks by
# itself, saving a screenshot of every page. Then it shows what was installed,
# opens a vlttesmar: link, uninstalls silently and shows that all of it is gone.
# The release is signed with the demo's own key pair (build/demo/keys, made once)
# and the installer is built with its public half, so it installs only that.
# The last line says whether everything held; exit status 0 when it did.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$ROOT"

AUTO=0
case "${1:-}" in
  --auto) AUTO=1 ;;
  "") ;;
  -h | --help)
    echo "usage: bash scripts/demo.sh [--auto]"
    echo "  --auto  click through by itself on a virtual display (also the default without \$DISPLAY)"
    exit 0 ;;
  *) echo "usage: bash scripts/demo.sh [--auto]" >&2; exit 2 ;;
esac
[ -n "${DISPLAY:-}" ] || AUTO=1

DEMO="$ROOT/build/demo"
say() { printf '\n== %s\n' "$*"; }

# --- Packages, builds, the release -------------------------------------------

say "packages"
bash scripts/bootstrap.sh || { echo "demo: bootstrap failed"; exit 1; }
source tests/e2e/install_lib.sh
# The trees as the test command builds them, their logs in build/demo/.
source scripts/configure.sh
LOGDIR="$DEMO"
JOBS="${JOBS:-$(nproc)}"

say "build"
mkdir -p "$DEMO"
configure native veltaro-kit -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTARO_BENCH=ON || exit 1
configure win32 VeltaroSetup demo_programs -- -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" || exit 1
# The release key: made once and kept across runs, outside the served tree.
KEY_DIR="$DEMO/keys"
if [ ! -f "$KEY_DIR/release.key" ] || [ ! -f "$KEY_DIR/release.pub" ]; then
  "$KIT" keygen "$KEY_DIR" || exit 1
fi
# build/win32 stays unkeyed; the demo's installer has a tree of its own.
configure demo/win32-keyed VeltaroSetup -- -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" -DVELTARO_TESTS=OFF \
  -DVELTARO_RELEASE_KEY="$KEY_DIR/release.pub" || exit 1
EXE="$DEMO/win32-keyed/bin/VeltaroSetup.exe"
echo "build/native/bin/veltaro-kit, build/win32/bin/demo/,"
echo "build/demo/win32-keyed/bin/VeltaroSetup.exe (keyed with build/demo/keys/release.pub)"

say "the demo release"
rm -rf "$DEMO/package" "$DEMO/release" "$DEMO/tampered" "$DEMO"/*.png
PACKAGE="$(python3 demo/make_package.py build/win32/bin/demo "$DEMO/package")" || exit 1
VERSION="$(cat demo/VERSION)"
"$KIT" publish "$PACKAGE" --version "$VERSION" --out "$DEMO/release" --components "$DEMO/package/components" \
  --sign "$KEY_DIR/release.key" || exit 1

# --- Servers, prefix, display ------------------------------------------------

SERVERS=()
cleanup() {
  local p
  e2e_cleanup
  wineserver -k >/dev/null 2>&1
  for p in "${SERVERS[@]}"; do kill -INT "$p" 2>/dev/null; done
  wait 2>/dev/null
}
trap cleanup EXIT
trap 'exit 124' TERM INT

# serve NAME TREE ARGS...: a veltaro-kit server on a free loopback port; URL := its base.
serve() {
  kit_serve URL "$DEMO/serve-$1.log" "$KIT" "$2" --port 0 "${@:3}" || exit 1
  SERVERS+=("$SERVED_PID")
}
say "servers"
# A per-connection limit keeps the installing page up for a few seconds.
serve download "$DEMO/release" --rate 256k
DOWNLOAD_URL="$URL"
serve service "$DEMO/release"
SERVICE_URL="$URL"
echo "download server $DOWNLOAD_URL (256 KB/s a connection), service host $SERVICE_URL"

say "the signed release, checked with the public key"
expect "build/demo/keys/release.key is readable by its owner alone (mode 600)" \
  [ "$(stat -c %a "$KEY_DIR/release.key")" = 600 ]
expect "the demo's installer carries build/demo/keys/release.pub" grep -qF "$(sed -n 2p "$KEY_DIR/release.pub")" "$EXE"
"$KIT" check "$DOWNLOAD_URL" --service "$SERVICE_URL" --key "$KEY_DIR/release.pub" >"$DEMO/check.log" 2>&1
rc=$?
sed 's/^/  /' "$DEMO/check.log"
check "veltaro-kit check --key: signature, hashes and the whole release hold" $rc

say "wine prefix"
export WINEPREFIX="$DEMO/prefix"
DRIVE_D="$DEMO/d"
rm -rf "$DRIVE_D"
copy_prefix || { echo "demo: no wine prefix"; exit 1; }
point_installer "$DOWNLOAD_URL" "$SERVICE_URL"
echo "$WINEPREFIX, D: on $DRIVE_D"

OUT="$DEMO"
WORK="$DEMO"  # the window text reader, for a message box on the way
test_programs "$DEMO" || exit 1
if [ "$AUTO" -eq 1 ]; then start_xvfb || exit 1; fi

# --- The install ----------------------------------------------------------------

# picture NAME WINDOW [WxH]: the window alone (its content WxH when given, past
# the frame line), from a screenshot of the screen.
picture() {
  local X Y WIDTH HEIGHT crop
  eval "$(xdotool getwindowgeometry --shell "$2")"
  crop="${WIDTH}x${HEIGHT}+$X+$Y"
  [ -z "${3:-}" ] || crop="$3+$((X + 1))+$((Y + 1))"
  /usr/bin/import -window root -crop "$crop" +repage "$DEMO/$1.png"
  echo "screenshot build/demo/$1.png"
}
say "VeltaroSetup.exe, started without arguments"
timeout 60 wine "$EXE" >"$DEMO/wine.log" 2>&1
rc=$?
check "the first copy restarts itself elevated and ends (exit code $rc)" $rc
W=$(find_window 60) || { check "the installer window appears" 1; exit 1; }
geometry "$W"
if [ "$AUTO" -eq 1 ]; then
  xdotool mousemove 5 5
  sleep 2  # the manifest request and the first frames of the animation
  picture page0-welcome "$W" 640x480
  click_at 250 400  # 极速安装
  picture page1-location "$W" 640x480
  click_at 250 400  # 立即安装
  await_page 2 30
  check "page 2: the package downloads" $?
  sleep 1.5
  picture page2-installing "$W" 640x480
  await_page 3 120
  check "page 3: installed (the keyed installer verified the signature and the SHA-256 hashes)" $?
  sleep 0.5
  picture page3-done "$W" 640x480
  click_at 621 19  # the close cross: registration, shortcut, end
else
  echo "Click through the installer: 极速安装, 立即安装, then close it on the last page."
  echo "(Closing it there registers Veltaro365; 立即体验 registers it and starts it.)"
fi
copies_gone $([ "$AUTO" -eq 1 ] && echo 60 || echo 3600)
check "the installer has ended" $?

# --- What was installed ----------------------------------------------------------

UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VeltaroTesmar'
APP_PATHS='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\VeltaroTesmar'
# The fifteen values the close on the last page writes, as "KEY|NAME" (NAME
# empty: the key's default value).
REGISTRATION="$UNINSTALL|DisplayIcon
$UNINSTALL|DisplayName
$UNINSTALL|DisplayVersion
$UNINSTALL|UninstallString
$UNINSTALL|HelpLink
$UNINSTALL|URLInfoAbout
$UNINSTALL|Publisher
$APP_PATHS|
$APP_PATHS|Path
$APP_PATHS|InstallTime
HKCR\\vlttesmar|
HKCR\\vlttesmar|URL Protocol
HKCR\\vlttesmar\\DefaultIcon|
HKCR\\vlttesmar\\Shell\\open|FriendlyAppName
HKCR\\vlttesmar\\Shell\\open\\command|"
KEYS="$UNINSTALL
$APP_PATHS
HKCR\\vlttesmar"

# unix_path WINDOWS-PATH: where Wine keeps it.
unix_path() { winepath -u "$1" 2>/dev/null | sed 's:/*$::'; }

say "installed"
I="$(reg_value "$APP_PATHS" Path /reg:32)"
I="${I%\\}"
INSTALLED="$(unix_path "$I")"
check "registered installation folder: ${I:-none}" "$([ -n "$I" ] && [ -d "$INSTALLED" ] && echo 0 || echo 1)"
[ -n "$I" ] && [ -d "$INSTALLED" ] || { echo "demo: nothing was installed and registered; the checks end here"; echo "demo: FAILED"; exit 1; }
echo "$I:"
(cd "$INSTALLED" && find . -mindepth 1 | sort | while IFS= read -r f; do
  if [ -d "$f" ]; then printf '  %9s  %s/\n' "" "${f#./}"; else printf '  %9d  %s\n' "$(stat -c %s "$f")" "${f#./}"; fi
done | tr / '\\')
# What the uninstaller must remove: the package's list of the installation.
LIST="$INSTALLED/Uninstall/install.lst"
missing=0
while IFS= read -r rel; do
  rel="${rel%$'\r'}"
  case "$rel" in VAVodevado.log) continue ;; esac
  [ -e "$INSTALLED/${rel//\\//}" ] || { echo "   missing: $rel"; missing=1; }
done <"$LIST"
check "every file and folder of the package and the four components is in place" $missing
extra="$(cd "$INSTALLED" && find . -mindepth 1 | sed 's:^\./::; s:/:\\:g' | while IFS= read -r f; do
  grep -qxF -e "$f" -e "$f\\" <(tr -d '\r' <"$LIST") || echo "$f"; done)"
check "nothing else in the installation folder${extra:+: $extra}" "$([ -z "$extra" ] && echo 0 || echo 1)"
for f in VeltaroMain.exe Uninstall/uninst.exe App/SKPDrive.exe; do
  expect "$f is the demo's program, byte for byte" cmp -s "$INSTALLED/$f" "build/win32/bin/demo/$(basename "$f")"
done

echo
echo "registry (32-bit view):"
bad=0
while IFS='|' read -r key name; do
  got="$(reg_value "$key" "$name" /reg:32)" || { got="<missing>"; bad=1; }
  printf '  %-62s %-16s %s\n' "$key" "${name:-(default)}" "$got"
done <<<"$REGISTRATION"
check "the fifteen registry values are there" $bad
check "DisplayVersion is the published version" "$([ "$(reg_value "$UNINSTALL" DisplayVersion /reg:32)" = "$VERSION" ] && echo 0 || echo 1)"

echo
LNK="$USER_DIR/Desktop/Veltaro365.lnk"
echo "desktop shortcut ${LNK#$ROOT/}:"
lnkinfo "$LNK" 2>/dev/null | tr -d '\r' | grep -E 'Local path|Working directory|Description' | sed 's/^[[:space:]]*/  /'
check "the shortcut starts VeltaroLauncher.exe in the installation folder" \
  "$(lnkinfo "$LNK" 2>/dev/null | tr -d '\r' | grep -qF "$I\\VeltaroLauncher.exe" && echo 0 || echo 1)"

echo
echo "wine uninstaller --list:"
wine uninstaller --list 2>/dev/null | tr -d '\r' | sed 's/^/  /'
expect "Windows lists Veltaro365 as installed" bash -c "wine uninstaller --list 2>/dev/null | grep -q Veltaro365"

# --- The product at work ------------------------------------------------------------

# close_window ID: Alt+F4 to a window of ours.
close_window() { xdotool windowfocus --sync "$1" key alt+F4 2>/dev/null; }
PAUSE=$([ "$AUTO" -eq 1 ] && echo 1 || echo 4)

say "the installed product"
wine start /d "$I" "$I\\VeltaroLauncher.exe" >/dev/null 2>&1
MAIN=$(find_window 30 "Veltaro365 演示版")
check "VeltaroLauncher.exe starts VeltaroMain.exe: its window is up" "$([ -n "$MAIN" ] && echo 0 || echo 1)"
if [ -n "$MAIN" ]; then
  sleep "$PAUSE"
  [ "$AUTO" -eq 1 ] && picture installed "$MAIN"
  close_window "$MAIN"
  window_gone 15 "Veltaro365 演示版"
  check "its window closes" $?
fi

say "wine start vlttesmar:demo"
wine start vlttesmar:demo >/dev/null 2>&1
LINK_BOX=$(find_window 30 "Veltaro365 链接")
check "VAVodevado.exe shows the link" "$([ -n "$LINK_BOX" ] && echo 0 || echo 1)"
LOG="$INSTALLED/VAVodevado.log"
for _ in $(seq 30); do [ -s "$LOG" ] && break; sleep 0.3; done
echo "VAVodevado.log: $(cat "$LOG" 2>/dev/null)"
expect "... and logs it beside itself" grep -qP '^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\tvlttesmar:demo\r$' "$LOG"
if [ -n "$LINK_BOX" ]; then
  sleep "$PAUSE"
  xdotool windowfocus --sync "$LINK_BOX" key Return 2>/dev/null
  window_gone 15 "Veltaro365 链接"
fi

# --- The uninstall ------------------------------------------------------------------

say "uninstall: \"$I\\Uninstall\\uninst.exe\" /S"
timeout 60 wine "$I\\Uninstall\\uninst.exe" /S >/dev/null 2>&1
rc=$?
check "the uninstaller ends with exit code 0 (got $rc)" $rc
# It removes itself last, once it has ended.
for _ in $(seq 100); do [ -e "$INSTALLED" ] || break; sleep 0.2; done
left="$(find "$INSTALLED" 2>/dev/null | sed "s:^$DRIVE_D:D\::")"
check "the installation folder is gone${left:+; left: $left}" "$([ -z "$left" ] && echo 0 || echo 1)"
bad=0
while IFS='|' read -r key name; do
  if got="$(reg_value "$key" "$name" /reg:32)"; then echo "   still there: $key [$name] = $got"; bad=1; fi
done <<<"$REGISTRATION"
check "none of the fifteen values is left" $bad
bad=0
while IFS= read -r key; do
  for k in "$key" "$key\\Shell\\open\\command" "$key\\Shell\\open" "$key\\Shell" "$key\\DefaultIcon"; do
    if wine reg query "$k" /reg:32 >/dev/null 2>&1; then echo "   key still there: $k"; bad=1; fi
  done
done <<<"$KEYS"
check "none of their keys is left" $bad
check "the desktop shortcut is gone" "$([ ! -e "$LNK" ] && echo 0 || echo 1)"
expect "Windows no longer lists Veltaro365" bash -c "! wine uninstaller --list 2>/dev/null | grep -q Veltaro365"
temp_left="$(find "$USER_DIR/Temp" -name 'VeltaroUninst*' 2>/dev/null)"
check "the uninstaller's helper has removed itself" "$([ -z "$temp_left" ] && echo 0 || echo 1)"
echo "kept: the installer's download folder (it lets a new install reuse the package):"
find "$DRIVE_D/Program Files/Veltaro/InstVeltaro" -type f 2>/dev/null | sed "s:^$DRIVE_D:  D\::" | tr / '\\'

# --- The key matters ------------------------------------------------------------------

say "the same release with one byte of its manifest changed"
MANIFEST=zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML
cp -al "$DEMO/release" "$DEMO/tampered"
# A copy of its own: the links would carry the change into the real release.
cp --remove-destination "$DEMO/release/$MANIFEST" "$DEMO/tampered/$MANIFEST"
python3 - "$DEMO/tampered/$MANIFEST" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.index(b"LargeVer=") + len(b"LargeVer=")
data[at] ^= 0x01
open(sys.argv[1], "wb").write(data)
PY
expect "the copy differs from the signed manifest in one byte" \
  [ "$(cmp -l "$DEMO/release/$MANIFEST" "$DEMO/tampered/$MANIFEST" | wc -l)" = 1 ]
serve tampered "$DEMO/tampered"
"$KIT" check "$URL" --service "$SERVICE_URL" --key "$KEY_DIR/release.pub" >"$DEMO/check-tampered.log" 2>&1
rc=$?
sed 's/^/  /' "$DEMO/check-tampered.log"
check "veltaro-kit check --key refuses it: the signature no longer verifies" \
  "$([ $rc -eq 1 ] && grep -q '^FAIL signature .* does not verify' "$DEMO/check-tampered.log" && echo 0 || echo 1)"

echo
if [ "$FAILS" -eq 0 ]; then
  echo "demo: all held: signed and verified, installed, registered, started, opened vlttesmar:demo, uninstalled without a trace (${SECONDS} s)"
else
  echo "demo: FAILED: $FAILS checks did not hold (${SECONDS} s)"
fi
[ "$FAILS" -eq 0 ]
