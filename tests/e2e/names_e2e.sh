#!/usr/bin/env bash
# Every name a package may give (tests/support/package_names.py: top level and
# nested, UTF-8 with and without the flag, GBK, beyond the BMP) installed by
# clicks under Wine, once where the code page is GBK (zh_CN) and once where it
# is not (en_US); each install's tree is compared with the release's by name
# and bytes. Then, under zh_CN, the same install again over files made
# read-only, hidden and system (replaced, the install whole), and over a folder
# of the package replaced by a link to a folder outside (the earlier install goes
# aside, the new one is whole, the outside folder keeps its file). Throwaway prefix copies, D: on a temporary folder.
# Usage: names_e2e.sh [EXE]   (default build/win32/bin/VeltaroSetup.exe)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$(realpath "${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}")"
work_folders names
ZH_LOCALE="$LC_ALL"


make_test_release "$WORK" "$REL" --all-names || exit 1
start_servers || exit 1
start_xvfb || exit 1
INSTALLED_REL="Program Files/Veltaro/VeltaroPlatform"

# install TAG: one run by clicks into the proposed folder; true when page 3 came.
install() {
  launch || return 1
  page1
  install_click
  local ok=0
  await_page 3 90 || ok=1
  close_click
  await_exit 30 || { kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; APP_PID=""; }
  shot "names-$1"
  return $ok
}

# prefix TAG LOCALE: a sealed prefix of its own (made on first use) whose every
# Wine process runs in LOCALE.
prefix() {
  wineserver -k >/dev/null 2>&1
  export WINEPREFIX="$WORK/prefix-$1" DRIVE_D="$WORK/d-$1" LC_ALL="$2" LANG="$2"
  INSTALLED="$DRIVE_D/$INSTALLED_REL"
  [ -d "$WINEPREFIX" ] || seal_prefix
}

for run in "zh $ZH_LOCALE" "en en_US.UTF-8"; do
  set -- $run
  echo "-- every name, $2"
  prefix "$1" "$2" || exit 1
  expect "$1: the install reaches page 3" install "$1"
  expect "$1: the tree is the package's, name by name and byte by byte" same_tree "$INSTALLED" "$REL/tree"
done

# What stands in the way: earlier files with attributes that Windows's own
# create refuses to replace (read-only, and hidden or system with normal ones).
prefix zh "$ZH_LOCALE" || exit 1
while IFS='|' read -r file flags; do
  printf 'old' >"$INSTALLED/$file"
  for f in $flags; do wine attrib "$f" "$(winepath -w "$INSTALLED/$file")" >/dev/null 2>&1; done
  got="$(wine attrib "$(winepath -w "$INSTALLED/$file")" 2>/dev/null | tr -d '\r' | cut -c1-10)"
  echo "   $file: attributes '$got'"
done <<'BLOCKERS'
文档/用户手册.txt|+r
说明书.txt|+h
数据/配置.ini|+s
readme.txt|+r +h +s
BLOCKERS
expect "blockers: the install over them reaches page 3" install blockers
expect "blockers: each is replaced, the tree the package's" same_tree "$INSTALLED" "$REL/tree"

# A folder of the package as a link to a folder outside, as another account
# could plant it: the earlier install that holds it goes aside whole (a link's
# target is never moved), the new install is whole, and nothing reaches the
# outside folder.
VICTIM="$WORK/victim"
mkdir -p "$VICTIM"
printf 'victim' >"$VICTIM/用户手册.txt"
rm -rf "$INSTALLED/文档"
ln -s "$VICTIM" "$INSTALLED/文档"
expect "link: the install reaches page 3" install link
check "link: the outside folder holds only its own file, unchanged" \
  "$([ "$(ls -A "$VICTIM")" = 用户手册.txt ] && [ "$(cat "$VICTIM/用户手册.txt")" = victim ] && echo 0 || echo 1)"
check "link: the earlier install went aside with the link in it" "$([ -L "$INSTALLED.old/文档" ] && echo 0 || echo 1)"
expect "link: the new install is the package's tree" same_tree "$INSTALLED" "$REL/tree"

echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
