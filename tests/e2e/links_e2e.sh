#!/usr/bin/env bash
# The installer among links another account planted: under Wine, unix links
# stand in for the junctions and object-manager links a standard user can make
# where a folder is open to them. Each planted link has a victim; after an
# install by clicks every victim is unchanged and the install is whole. A clean
# install first shows the rights of the folders the installer makes: Wine keeps
# no descriptor but maps it onto the unix mode, and a plain new folder is 755.
# tests/e2e/links_e2e.sh [VeltaroSetup.exe]
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}"
work_folders links

make_test_release "$WORK" "$REL" || exit 1
start_servers || exit 1
seal_prefix || exit 1
start_xvfb || exit 1

PF="$DRIVE_D/Program Files"
WORKDIR="$PF/Veltaro/InstVeltaro"
DOWNLOADS="$WORKDIR/Downloads"
INSTALLED="$PF/Veltaro/VeltaroPlatform"
SYS32="$WINEPREFIX/drive_c/windows/system32"
V="$WORK/victims"
fresh_machine() { rm -rf "${DRIVE_D:?}"/* "$V" "$USER_DIR/Desktop/Veltaro365.lnk"; mkdir -p "$V"; }

# install_by_clicks NAME: the default folder, "立即安装", page 3, the close cross
# (which registers the product and makes the shortcut).
install_by_clicks() {
  launch || return 1
  page1
  install_click
  expect "$1: page 3 after the install" await_page 3 120
  close_click
  expect "$1: the installer ends" await_exit 30
}
# victim NAME FILE: a file of someone else's with its own bytes (NAME.sum keeps them).
victim() { printf 'victim %s\n' "$1" >"$2"; sha256sum "$2" >"$V/$1.sum"; }
unchanged() { sha256sum -c --quiet "$V/$1.sum" >/dev/null 2>&1; }
mode_of() { stat -c %a "$1" 2>/dev/null || echo none; }

# --- A clean install: the rights of every folder it makes ----------------------

echo "-- clean install"
fresh_machine
install_by_clicks "clean"
expect "clean: installed tree whole" same_tree "$INSTALLED" "$REL/tree"
open=""
while IFS= read -r d; do
  [ "$(mode_of "$d")" = 755 ] && open+=" ${d#"$DRIVE_D/"}"
done < <(find "$PF" -type d)
check "clean: every folder the installer made carries its rights, none is a plain 755 (plain:${open:- none})" \
  "$([ -z "$open" ] && echo 0 || echo 1)"
# An earlier version left its folders open: the next run closes the work folder
# and the folder of the earlier install (it holds VeltaroMain.exe).
chmod 755 "$INSTALLED" "$WORKDIR" "$DOWNLOADS"
install_by_clicks "again"
check "again: the earlier install's folder and the work folder carry the rights again ($(mode_of "$INSTALLED") $(mode_of "$WORKDIR") $(mode_of "$DOWNLOADS"))" \
  "$([ "$(mode_of "$INSTALLED")" != 755 ] && [ "$(mode_of "$WORKDIR")" != 755 ] && [ "$(mode_of "$DOWNLOADS")" != 755 ] && echo 0 || echo 1)"

# --- File links and second names in folders another account made ---------------

echo "-- file links and hard links"
fresh_machine
# That account made the folders (plain, open) and planted a link in each.
mkdir -p "$DOWNLOADS" "$INSTALLED/App" "$INSTALLED/ThirdSoftware"
ln -s "$SYS32/veltaro-planted.ini" "$DOWNLOADS/KESMO365.INI"
victim csp "$V/csp.dll"
ln -s "$V/csp.dll" "$INSTALLED/App/VeltaroCSP.exe.tmp"
victim winini "$V/win.ini"
ln -s "$V/win.ini" "$INSTALLED/365.ico"
victim pkgrpc "$V/package-resume"
ln "$V/package-resume" "$DOWNLOADS/$PACKAGE.rpc"
victim svcrpc "$V/service-resume"
ln "$V/service-resume" "$INSTALLED/ThirdSoftware/BaseService.exe.tmp.rpc"
victim lnk "$V/desktop.lnk"
ln -s "$V/desktop.lnk" "$USER_DIR/Desktop/Veltaro365.lnk"
install_by_clicks "file links"
check "Downloads\\KESMO365.INI -> System32: no file created there" \
  "$([ ! -e "$SYS32/veltaro-planted.ini" ] && echo 0 || echo 1)"
expect "App\\VeltaroCSP.exe.tmp -> a file: the target is unchanged" unchanged csp
expect "365.ico -> win.ini: win.ini is unchanged" unchanged winini
expect "hard link at the package's resume file: its other name is unchanged" unchanged pkgrpc
expect "hard link at the base service's resume file: its other name is unchanged" unchanged svcrpc
expect "the desktop shortcut -> a file: the target is unchanged" unchanged lnk
expect "file links: installed tree whole" same_tree "$INSTALLED" "$REL/tree"
check "file links: the work folder made by another account now carries the installer's rights ($(mode_of "$WORKDIR") $(mode_of "$DOWNLOADS"))" \
  "$([ "$(mode_of "$WORKDIR")" != 755 ] && [ "$(mode_of "$DOWNLOADS")" != 755 ] && echo 0 || echo 1)"

# --- Folder links: Uninstall and Downloads ---------------------------------------

echo "-- folder links"
fresh_machine
mkdir -p "$V/system32" "$V/admin" "$INSTALLED" "$WORKDIR"
ln -s "$V/system32" "$INSTALLED/Uninstall"
victim backup "$V/admin/backup.zip"
ln -s "$V/admin" "$DOWNLOADS"
install_by_clicks "folder links"
check "Uninstall -> a folder: nothing written into it ($(ls -A "$V/system32" | tr '\n' ' '))" \
  "$([ -z "$(ls -A "$V/system32")" ] && echo 0 || echo 1)"
check "Downloads -> a folder: the old-package cleanup left its backup.zip, nothing else came" \
  "$(unchanged backup && [ "$(ls -A "$V/admin")" = backup.zip ] && echo 0 || echo 1)"
check "folder links: Uninstall and Downloads are real folders now" \
  "$([ -d "$INSTALLED/Uninstall" ] && [ ! -L "$INSTALLED/Uninstall" ] && [ ! -L "$DOWNLOADS" ] && echo 0 || echo 1)"
expect "folder links: installed tree whole" same_tree "$INSTALLED" "$REL/tree"

echo "$FAILS failed checks in ${SECONDS} s"
[ "$FAILS" -eq 0 ]
