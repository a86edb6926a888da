#!/usr/bin/env bash
# The demo uninstaller under Wine in the cases the demo does not meet: a file of
# the user's in an installed folder, a registration that names another copy, a
# damaged file list, a read-only file, a link inside leading outside, %ComSpec%
# naming a planted program, no usable temporary folder, a copy outside an
# Uninstall folder, and the question answered "no". Each case unpacks the demo package into a folder
# of its own on a throwaway prefix's D: drive and registers it.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
work_folders uninst

PACKAGE="$(python3 "$ROOT/demo/make_package.py" "$ROOT/build/win32/bin/demo" "$WORK/package")" || exit 1
copy_prefix || exit 1
LNK="$USER_DIR/Desktop/Veltaro365.lnk"
UNINSTALL='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VeltaroTesmar'

# install NAME: the package and the components in D:\NAME\VeltaroPlatform.
install() {
  python3 - "$PACKAGE" "$WORK/package/components" "$DRIVE_D/$1/VeltaroPlatform" <<'PY'
import os, shutil, sys, zipfile
pkg, comps, dest = sys.argv[1:]
zipfile.ZipFile(pkg).extractall(dest)
for src, dst in [("BaseService.exe", "ThirdSoftware"), ("SWUKeyDrive.exe", "App"), ("VeltaroCSP.exe", "App"), ("SKPDrive.exe", "App")]:
    os.makedirs(os.path.join(dest, dst), exist_ok=True)
    shutil.copy(os.path.join(comps, src), os.path.join(dest, dst, src))
PY
}
# register NAME: the uninstall entry and the protocol keys name D:\NAME, and the shortcut is there.
register() {
  local i="D:\\\\$1\\\\VeltaroPlatform"
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[%s]\r\n"DisplayName"="Veltaro365"\r\n"UninstallString"="\\"%s\\\\Uninstall\\\\uninst.exe\\""\r\n\r\n[HKEY_CLASSES_ROOT\\vlttesmar\\Shell\\open\\command]\r\n@="\\"%s\\\\VAVodevado.exe\\" \\"%%1\\""\r\n' \
    "$UNINSTALL" "$i" "$i" | iconv -f UTF-8 -t UTF-16 >"$WORK/reg.reg"
  wine reg import "$(winepath -w "$WORK/reg.reg")" /reg:32 >/dev/null 2>&1
  : >"$LNK"
}
registered() { wine reg query "$UNINSTALL" /v UninstallString /reg:32 2>/dev/null | grep -qF "$1"; }
# uninstall NAME [ARGS]: runs D:\NAME\VeltaroPlatform\Uninstall\uninst.exe; RC := its exit code,
# once it and its helper are done.
uninstall() {
  local exe="D:\\$1\\VeltaroPlatform\\Uninstall\\uninst.exe"
  shift
  timeout 60 wine "$exe" "$@" >/dev/null 2>&1
  RC=$?
  sleep 3
}
gone() { [ ! -e "$DRIVE_D/$1" ]; }
there() { [ -e "$DRIVE_D/$1" ]; }

echo "-- a file of the user's in an installed folder"
install user
echo notes >"$DRIVE_D/user/VeltaroPlatform/数据/我的笔记.txt"
register user
uninstall user /S
check "exit code 0 (got $RC)" "$([ $RC -eq 0 ] && echo 0 || echo 1)"
expect "the user's file and its folder stay" there "user/VeltaroPlatform/数据/我的笔记.txt"
left="$(cd "$DRIVE_D/user/VeltaroPlatform" && find . -mindepth 1 | sort | tr '\n' ' ')"
check "nothing else stays (left: $left)" "$([ "$left" = "./数据 ./数据/我的笔记.txt " ] && echo 0 || echo 1)"
expect "the registration is gone" bash -c "! wine reg query '$UNINSTALL' /reg:32 >/dev/null 2>&1"
expect "the shortcut is gone" [ ! -e "$LNK" ]

echo "-- a registration that names another copy"
install old
install new
register new
uninstall old /S
check "exit code 0 (got $RC)" "$([ $RC -eq 0 ] && echo 0 || echo 1)"
expect "the old copy is gone" gone old/VeltaroPlatform
expect "the new copy stays registered" registered 'D:\new\VeltaroPlatform\Uninstall\uninst.exe'
expect "... with its link handler" bash -c "wine reg query 'HKCR\\vlttesmar\\Shell\\open\\command' /ve /reg:32 2>/dev/null | grep -qF 'new'"
expect "... and its shortcut" [ -e "$LNK" ]
uninstall new /S
expect "then the new copy's own uninstaller removes it all" \
  bash -c "[ ! -e '$DRIVE_D/new/VeltaroPlatform' ] && [ ! -e '$LNK' ] && ! wine reg query 'HKCR\\vlttesmar' /reg:32 >/dev/null 2>&1"

echo "-- a damaged list, a read-only file"
install bad
echo keep >"$DRIVE_D/bad/outside.txt"
echo keep >"$DRIVE_D/keep.txt"
printf '..\\outside.txt\r\nD:\\keep.txt\r\n\\keep.txt\r\n' >>"$DRIVE_D/bad/VeltaroPlatform/Uninstall/install.lst"
chmod a-w "$DRIVE_D/bad/VeltaroPlatform/VeltaroMain.exe"
uninstall bad /S
check "exit code 2: not everything listed could go (got $RC)" "$([ $RC -eq 2 ] && echo 0 || echo 1)"
expect "entries outside the installation folder are not touched" \
  bash -c "[ -e '$DRIVE_D/bad/outside.txt' ] && [ -e '$DRIVE_D/keep.txt' ]"
expect "the rest is gone, the read-only file too" gone bad/VeltaroPlatform

# user_env NAME VALUE: a variable of the user's environment for the Wine
# processes started from now on (empty VALUE: removed).
user_env() {
  if [ -n "$2" ]; then wine reg add 'HKCU\Environment' /v "$1" /t REG_SZ /d "$2" /f >/dev/null 2>&1
  else wine reg delete 'HKCU\Environment' /v "$1" /f >/dev/null 2>&1; fi
  wineserver -k >/dev/null 2>&1  # the environment is read when Wine starts
}
# left NAME: what remains of D:\NAME, apart from the link 数据 and what it leads to.
left() { (cd "$DRIVE_D/$1" && find . -mindepth 1 -not -path './VeltaroPlatform/数据*' | sort | tr '\n' ' '); }

echo "-- a link inside leading outside, %ComSpec% naming a planted program"
install link
mkdir -p "$DRIVE_D/outside/配置"
echo keep >"$DRIVE_D/outside/offline.bin"
echo keep >"$DRIVE_D/outside/配置/settings.ini"
rm -rf "$DRIVE_D/link/VeltaroPlatform/数据"
ln -s "$DRIVE_D/outside" "$DRIVE_D/link/VeltaroPlatform/数据"  # Wine shows it as a reparse point
i686-w64-mingw32-gcc -municode -O2 -s -static-libgcc -o "$DRIVE_D/planted-cmd.exe" "$ROOT/tests/e2e/stand_in.c" || exit 1
user_env ComSpec 'D:\planted-cmd.exe'
VELTARO_STAND_IN_LOG="$(winepath -w "$STAND_LOG" 2>/dev/null)" uninstall link /S
user_env ComSpec ""
expect "what the link leads to survives" \
  bash -c "[ -e '$DRIVE_D/outside/offline.bin' ] && [ -e '$DRIVE_D/outside/配置/settings.ini' ]"
check "the program %ComSpec% names never ran" "$(grep -qs . "$STAND_LOG" && echo 1 || echo 0)"
check "the rest is gone, the uninstaller too (left: $(left link))" "$([ "$(left link)" = "./VeltaroPlatform " ] && echo 0 || echo 1)"

echo "-- no usable temporary folder"
install notemp
USER_TEMP="$(reg_value 'HKCU\Environment' TEMP)"
user_env TEMP 'D:\no-such-folder'
user_env TMP 'D:\no-such-folder'
uninstall notemp /S
# Checked before Wine starts again: its start carries out what was left for the next restart.
expect "the uninstaller removed itself and its folders at once all the same" gone notemp/VeltaroPlatform
user_env TEMP "$USER_TEMP"
user_env TMP "$USER_TEMP"

echo "-- a copy outside an Uninstall folder"
install loose
cp "$DRIVE_D/loose/VeltaroPlatform/Uninstall/uninst.exe" "$DRIVE_D/loose/VeltaroPlatform/App/"
timeout 60 wine 'D:\loose\VeltaroPlatform\App\uninst.exe' /S >/dev/null 2>&1
RC=$?
check "exit code 3 (got $RC)" "$([ $RC -eq 3 ] && echo 0 || echo 1)"
expect "nothing removed" there loose/VeltaroPlatform/VeltaroMain.exe

echo "-- the question answered no"
start_xvfb || exit 1
install ask
register ask
wine 'D:\ask\VeltaroPlatform\Uninstall\uninst.exe' >/dev/null 2>&1 &
ASK_PID=$!
w=$(find_window 30 "卸载 Veltaro365")
check "without /S it asks first" "$([ -n "$w" ] && echo 0 || echo 1)"
[ -n "$w" ] && xdotool windowfocus --sync "$w" key Return  # the default button is 否
wait "$ASK_PID"
RC=$?
check "no: exit code 1 (got $RC)" "$([ $RC -eq 1 ] && echo 0 || echo 1)"
expect "no: nothing removed" bash -c "[ -e '$DRIVE_D/ask/VeltaroPlatform/VeltaroMain.exe' ] && [ -e '$LNK' ]"
expect "no: still registered" registered 'D:\ask\VeltaroPlatform'

echo "$FAILS failed checks in ${SECONDS} s"
[ "$FAILS" -eq 0 ]
