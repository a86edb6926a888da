#!/usr/bin/env bash
# An installer built with a release key, under Wine by real clicks, against a
# signed release served by nginx on loopback (the base service by the service
# host, `veltaro-kit serve`): the signed release installs; a package forged to the manifest's
# CRC-32 gives 下载失败 and unpacks nothing; a manifest changed by one byte, and
# an older signed manifest replayed after the newer one was taken, give
# 下载版本文件失败. A fresh prefix of its own, D: on a temporary folder.
# Usage: signed_e2e.sh [KEYED_EXE [KEY_DIR]]
#   (default build/win32-keyed/bin/VeltaroSetup.exe, built with KEY_DIR/release.pub,
#    default build/e2e-keys)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
EXE="$(realpath "${1:-$ROOT/build/win32-keyed/bin/VeltaroSetup.exe}")"
KEYS="$(realpath "${2:-$ROOT/build/e2e-keys}")"
KIT="$ROOT/build/native/bin/veltaro-kit"
source "$ROOT/tests/interop/nginx_lib.sh"
OUT="$ROOT/build/e2e"
WORK="$(mktemp -d /tmp/veltaro-signed-XXXXXX)"
export VELTARO_WINEPREFIX="$WORK/prefix"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
DRIVE_D="$WORK/d"
source "$ROOT/tests/e2e/log_lib.sh"
REL="$WORK/release"
PKG_DIR=zelqa/DOWN_CENTER/VELTARO/VELTARO
SERVE_PID=""
APP_PID=""
mkdir -p "$OUT"
rm -f "$OUT"/signed-*.png

cleanup() {
  e2e_cleanup
  stop_servers
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 124' TERM INT

# --- The signed release and its server ----------------------------------------

make_test_release "$WORK" "$REL" || exit 1
touch "$WORK/release.env"  # later writes are newer than this mark
# Signed with openssl rather than the kit: an independent signer checks the
# installer's reading of the format.
MANIFEST="$REL/www/$PKG_DIR/VELTARO.XML"
sha() { sha256sum "$1" | cut -c1-64; }
printf '%s\r\n' "sha256=$(sha "$REL/www/$PKG_DIR/$PACKAGE")" "Serial=1800000000" "[Files]" \
  "DiruvOzoBaseService.exe=$(sha "$REL/svc/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe")" \
  "SWUKeyDrive.exe=$(sha "$REL/www/zelqa/DOWN_CENTER/SBQD/SWUKeyDrive.exe")" \
  "VeltaroCSP.exe=$(sha "$REL/www/zelqa/DOWN_CENTER/SBQD/VeltaroCSP.exe")" \
  "SKPDrive.exe=$(sha "$REL/www/zelqa/DOWN_CENTER/SBQD/SKPDrive.exe")" >>"$MANIFEST"
# The same release signed earlier under a lower serial: what a mirror could replay.
sed 's/^Serial=1800000000/Serial=1799999999/' "$MANIFEST" >"$WORK/manifest.old"
openssl dgst -sha256 -sign "$KEYS/release.key" -out "$WORK/manifest.old.sig" "$WORK/manifest.old" || exit 1
openssl dgst -sha256 -sign "$KEYS/release.key" -out "$MANIFEST.sig" "$MANIFEST" || exit 1
cp "$MANIFEST" "$WORK/manifest.good"
cp "$REL/www/$PKG_DIR/$PACKAGE" "$WORK/package.good"
expect "the release is signed for the installer's key" \
  openssl dgst -sha256 -verify "$KEYS/release.pub" -signature "$MANIFEST.sig" "$MANIFEST"

port=$(free_port)
start_nginx "$WORK/nginx" "$port" "  server { listen 127.0.0.1:$port; root $REL/www; }" || exit 1

# --- A prefix of its own --------------------------------------------------------

VELTARO_DRIVE_D="$DRIVE_D" bash "$ROOT/scripts/wine-prefix.sh" >/dev/null || exit 1
expect "prefix: D: is the temporary folder" [ "$(readlink "$WINEPREFIX/dosdevices/d:")" = "$DRIVE_D" ]
expect "prefix: no link leaves the user folders" [ -z "$(find "$WINEPREFIX/drive_c/users" -type l)" ]
"$KIT" serve "$REL/svc" --port 0 >"$WORK/serve.out" 2>&1 &
SERVE_PID=$!
for _ in $(seq 50); do grep -q listening "$WORK/serve.out" && break; sleep 0.1; done
wine reg add 'HKLM\SOFTWARE\Veltaro\InstVeltaro' /v DownloadBaseUrl /t REG_SZ /d "http://127.0.0.1:$port/" /f /reg:32 >/dev/null 2>&1
wine reg add 'HKLM\SOFTWARE\Veltaro\InstVeltaro' /v ServiceBaseUrl /t REG_SZ /d "$(grep -o 'http://127.0.0.1:[0-9]*/' "$WORK/serve.out")" \
  /f /reg:32 >/dev/null 2>&1
start_xvfb || exit 1

launch() {
  wine "$EXE" UAC >>"$WORK/wine.log" 2>&1 &
  APP_PID=$!
  W=$(find_window 60) || { check "installer window shown" 1; return 1; }
  geometry "$W"
  xdotool mousemove 5 5
  click_at 250 400  # "极速安装"
  click_at 250 400  # "立即安装"
}
# read_msgbox TIMEOUT: MSG := the text of the message box "提示"; Enter dismisses it.
read_msgbox() {
  local w
  MSG=""
  w=$(find_window "$1" 提示) || return 1
  MSG="$(wine "$WORK/wintext.exe" 提示 2>/dev/null | tr -d '\r' | awk -F'\t' '$1 == "Static" && $2 != "" {print $2; exit}')"
  shot "signed-$2"
  xdotool windowfocus --sync "$w" key Return
  window_gone 10 提示
}
# page3 TIMEOUT: the completion page is on screen (its blue button on white).
page3() {
  local deadline=$((SECONDS + $1))
  while [ $SECONDS -lt $deadline ]; do
    shot signed-probe
    near "$(pixel signed-probe 250 310)" 2E7BFB && near "$(pixel signed-probe 100 100)" FFFFFF && return 0
    [ -n "$(windows_named 提示)" ] && return 1
    sleep 0.5
  done
  return 1
}
finish() {
  click_at 621 19  # the close cross
  local deadline=$((SECONDS + 30))
  while kill -0 "$APP_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  window_gone 10
  rm -rf "${DRIVE_D:?}"/*
}
# serial: the ReleaseSerial the installer keeps (HKLM, 32-bit view).
serial() {
  wine reg query 'HKLM\SOFTWARE\Veltaro\InstVeltaro' /v ReleaseSerial /reg:32 2>/dev/null |
    tr -d '\r' | awk '$1 == "ReleaseSerial" {print $3}'
}
INSTALLED="$DRIVE_D/Program Files/Veltaro/VeltaroPlatform"
DOWNLOADS="$DRIVE_D/Program Files/Veltaro/InstVeltaro/Downloads"

echo "-- signed release"
launch || exit 1
expect "the keyed installer installs the signed release" page3 90
shot signed-page3
expect "installed tree is the package plus the four components" diff -r "$INSTALLED" "$REL/tree"
expect "the signature was fetched beside the manifest" grep -q "GET /$PKG_DIR/VELTARO.XML.sig " "$WORK/nginx/access.log"
expect "the accepted Serial is kept (got '$(serial)')" [ "$(serial)" = 1800000000 ]
expect "the log names the accepted signature" log_names "INFO  signature accepted, serial 1800000000"
finish

echo "-- package forged to the manifest's CRC-32"
python3 - "$REL/www/$PKG_DIR/$PACKAGE" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("VeltaroMain.exe", b"not the maker's")
    z.comment = b"\0\0\0\0"
PY
python3 "$ROOT/tests/cli/forge_crc.py" "$REL/www/$PKG_DIR/$PACKAGE" "$PACKAGE_CRC" || exit 1
expect "the forged package has the manifest's CRC-32" [ "$("$KIT" crc "$REL/www/$PKG_DIR/$PACKAGE")" = "$PACKAGE_CRC" ]
launch || exit 1
read_msgbox 120 forged
check "message 下载失败 (got '$MSG')" "$([ "$MSG" = "下载失败" ] && echo 0 || echo 1)"
check "nothing unpacked" "$([ -z "$(ls -A "$INSTALLED" 2>/dev/null)" ] && echo 0 || echo 1)"
expect "the forged package is not kept" [ ! -e "$DOWNLOADS/$PACKAGE" ]
expect "the log names the hash refusal" log_names "SHA-256 differs from the manifest's; deleted"
finish
cp "$WORK/package.good" "$REL/www/$PKG_DIR/$PACKAGE"

echo "-- a writer of the folders swaps the package and the components while the installer runs"
# swapper.exe keeps putting other bytes (forged ones, now and then the real ones
# it saw first) in place of the package and of each component at the name it is
# fetched under. Whatever it manages, every installed file is the release's or
# the run ends in a refusal. The second run finds the package on disk.
python3 - "$WORK/forged.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("VeltaroMain.exe", b"not the maker's")
PY
printf 'not the maker'"'"'s component' >"$WORK/forged.bin"
i686-w64-mingw32-gcc -municode -O2 -s -Wall -Wextra -Werror -static-libgcc -o "$WORK/swapper.exe" \
  "$ROOT/tests/e2e/swapper.c" || exit 1
winpath() { local p="Z:$1"; echo "${p//\//\\}"; }
D_INSTALLED='D:\Program Files\Veltaro\VeltaroPlatform'
victims=("$(winpath "$WORK/forged.zip")" "D:\\Program Files\\Veltaro\\InstVeltaro\\Downloads\\$PACKAGE")
for c in 'ThirdSoftware\BaseService.exe' 'App\SWUKeyDrive.exe' 'App\VeltaroCSP.exe' 'App\SKPDrive.exe'; do
  victims+=("$(winpath "$WORK/forged.bin")" "$D_INSTALLED\\$c.tmp")
done
# Every file that stands at a final name below the installation folder is the release's.
installed_as_released() {
  local f rel bad=0
  while IFS= read -r -d '' f; do
    rel="${f#"$INSTALLED"/}"
    cmp -s "$f" "$REL/tree/$rel" || { echo "   not the release's: $rel"; bad=1; }
  done < <(find "$INSTALLED" -type f ! -name '*.tmp' ! -name '*.swp' ! -name '*.rpc' ! -name '*.rpc.cfg' -print0 2>/dev/null)
  return $bad
}
# swapper_tried NAME: the swapper's line for NAME counts some attempt.
swapper_tried() {
  tr -d '\r' <"$WORK/swap.out" |
    awk -F'\t' -v n="$1" 'index($1, n) && ($2 != "replaced 0" || $3 != "refused 0") { f = 1 } END { exit !f }'
}
for run in 1 2; do
  if [ $run -eq 2 ]; then
    mkdir -p "$DOWNLOADS"
    cp "$WORK/package.good" "$DOWNLOADS/$PACKAGE"
  fi
  rm -f "$WORK/swap.stop"
  wine "$WORK/swapper.exe" "$(winpath "$WORK/swap.stop")" 150 "${victims[@]}" >"$WORK/swap.out" 2>&1 &
  SWAP_PID=$!
  launch || exit 1
  outcome=installed
  if ! page3 120; then
    read_msgbox 5 "swap$run" || MSG="(no message)"
    outcome="$MSG"
  fi
  touch "$WORK/swap.stop"
  wait "$SWAP_PID"
  tr -d '\r' <"$WORK/swap.out" | sed 's/^/   /'
  check "run $run: installed or refused with 下载失败 (got $outcome)" \
    "$([ "$outcome" = installed ] || [ "$outcome" = "下载失败" ] && echo 0 || echo 1)"
  expect "run $run: every installed file is the release's" installed_as_released
  expect "run $run: the swapper was at work on the package" swapper_tried "$PACKAGE"
  finish
done

echo "-- manifest changed by one byte"
sed -i 's/^LargeVer=V2.1.0/LargeVer=V2.1.1/' "$MANIFEST"
mark=$(wc -l <"$WORK/nginx/access.log")
launch || exit 1
read_msgbox 60 manifest
check "message 下载版本文件失败 (got '$MSG')" "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
expect "no local copy of the refused manifest" [ ! -e "$DOWNLOADS/KESMO365.INI" ]
expect "the log names the refused signature" log_names "FAIL  signature refused: the signature does not verify the manifest"
expect "the package was not asked for" bash -c "! tail -n +$((mark + 1)) '$WORK/nginx/access.log' | grep -q 'GET /$PKG_DIR/$PACKAGE '"
finish

echo "-- an older signed manifest replayed"
cp "$WORK/manifest.old" "$MANIFEST" && cp "$WORK/manifest.old.sig" "$MANIFEST.sig"
expect "the replayed manifest is signed for the installer's key" \
  openssl dgst -sha256 -verify "$KEYS/release.pub" -signature "$MANIFEST.sig" "$MANIFEST"
mark=$(wc -l <"$WORK/nginx/access.log")
launch || exit 1
read_msgbox 60 replayed
check "message 下载版本文件失败 (got '$MSG')" "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
expect "the package was not asked for" bash -c "! tail -n +$((mark + 1)) '$WORK/nginx/access.log' | grep -q 'GET /$PKG_DIR/$PACKAGE '"
expect "the kept Serial is unchanged (got '$(serial)')" [ "$(serial)" = 1800000000 ]
expect "the log names the replay" log_names "is below 1800000000, which this machine accepted"
finish

wineserver -k >/dev/null 2>&1
leaks="$(find "$HOME" -newer "$WORK/release.env" -not -path "$HOME/.claude*" -not -path "$HOME/.cache/ccache*" -not -path "$HOME/.ccache*" 2>/dev/null | head -n 20)"
[ -z "$leaks" ] || echo "$leaks" | sed 's/^/   /'
check "nothing written in \$HOME" "$([ -z "$leaks" ] && echo 0 || echo 1)"
echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
