#!/usr/bin/env bash
# An installer built with a release key, under Wine by real clicks, against a
# signed release served by nginx on loopback (the base service by the service
# host, `veltaro-kit serve`): the signed release installs; a package forged to the manifest's
# CRC-32 gives 下载失败 and unpacks nothing; a manifest changed by one byte, and
# an older signed manifest replayed after the newer one was taken, give
# 下载版本文件失败. A throwaway copy of the project's prefix, D: on a temporary folder.
# Usage: signed_e2e.sh [KEYED_EXE [KEY_DIR]]
#   (default build/win32-keyed/bin/VeltaroSetup.exe, built with KEY_DIR/release.pub,
#    default build/e2e-keys)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$(realpath "${1:-$ROOT/build/win32-keyed/bin/VeltaroSetup.exe}")"
KEYS="$(realpath "${2:-$ROOT/build/e2e-keys}")"
PKG_DIR=zelqa/DOWN_CENTER/VELTARO/VELTARO
work_folders signed

# --- The signed release and its server ----------------------------------------

make_test_release "$WORK" "$REL" || exit 1
home_mark
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

start_servers || exit 1

# --- A prefix of its own --------------------------------------------------------

seal_prefix || exit 1
start_xvfb || exit 1

# start_install: a new run, 极速安装 and 立即安装 clicked.
start_install() {
  launch || return 1
  page1
  install_click
}
finish() {
  close_click
  await_exit 30
  window_gone 10
  rm -rf "${DRIVE_D:?}"/*
}
# serial: the ReleaseSerial the installer keeps (HKLM, 32-bit view).
serial() { reg_value 'HKLM\SOFTWARE\Veltaro\InstVeltaro' ReleaseSerial /reg:32; }
INSTALLED="$DRIVE_D/Program Files/Veltaro/VeltaroPlatform"
DOWNLOADS="$DRIVE_D/Program Files/Veltaro/InstVeltaro/Downloads"

echo "-- signed release"
start_install || exit 1
expect "the keyed installer installs the signed release" await_page 3 90
shot signed-page3
expect "installed tree is the package plus the four components" diff -r "$INSTALLED" "$REL/tree"
expect "the signature was fetched beside the manifest" grep -q "GET /$PKG_DIR/VELTARO.XML.sig " "$ACCESS"
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
start_install || exit 1
read_msgbox 120 signed-forged
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
  start_install || exit 1
  outcome=installed
  await_page 3 120 || outcome="${MSG:-(no message)}"
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
mark=$(wc -l <"$ACCESS")
start_install || exit 1
read_msgbox 60 signed-manifest
check "message 下载版本文件失败 (got '$MSG')" "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
expect "no local copy of the refused manifest" [ ! -e "$DOWNLOADS/KESMO365.INI" ]
expect "the log names the refused signature" log_names "FAIL  signature refused: the signature does not verify the manifest"
expect "the package was not asked for" bash -c "! tail -n +$((mark + 1)) '$ACCESS' | grep -q 'GET /$PKG_DIR/$PACKAGE '"
finish

echo "-- an older signed manifest replayed"
cp "$WORK/manifest.old" "$MANIFEST" && cp "$WORK/manifest.old.sig" "$MANIFEST.sig"
expect "the replayed manifest is signed for the installer's key" \
  openssl dgst -sha256 -verify "$KEYS/release.pub" -signature "$MANIFEST.sig" "$MANIFEST"
mark=$(wc -l <"$ACCESS")
start_install || exit 1
read_msgbox 60 signed-replayed
check "message 下载版本文件失败 (got '$MSG')" "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
expect "the package was not asked for" bash -c "! tail -n +$((mark + 1)) '$ACCESS' | grep -q 'GET /$PKG_DIR/$PACKAGE '"
expect "the kept Serial is unchanged (got '$(serial)')" [ "$(serial)" = 1800000000 ]
expect "the log names the replay" log_names "is below 1800000000, which this machine accepted"
finish

no_leaks "nothing written in \$HOME"
echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
