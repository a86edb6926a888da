#!/usr/bin/env bash
# The whole install of VeltaroSetup.exe under Wine, driven by real clicks on a
# virtual X display, against a test release served on loopback: nginx is the
# download server, `veltaro-kit serve` the service host (it alone holds the base
# service, so the switch to it is exercised). The installer runs in a throwaway
# copy of the project's prefix whose D: drive is a temporary folder; the run
# must leave nothing in $HOME or under /. Screenshots stay in build/e2e/.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$ROOT/build/win32/bin/VeltaroSetup.exe"
work_folders install
home_mark

cleanup() {
  cp "$ACCESS" "$OUT/install-access.log" 2>/dev/null
  e2e_finish
}
trap cleanup EXIT

# --- The release and its two servers ----------------------------------------

make_test_release "$WORK" "$REL" || exit 1
MANIFEST="$REL/www/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML"
PKG_URI="/zelqa/DOWN_CENTER/VELTARO/VELTARO/$PACKAGE"
cp "$MANIFEST" "$WORK/manifest.good"

start_servers || exit 1
echo "download server http://127.0.0.1:$DL_PORT/, service host $SVC_URL"

# --- The prefix: a copy of the project's, sealed, pointed at the servers -----

seal_prefix || exit 1

start_xvfb || exit 1

WEB_URL="http://$(sed -n 's/^VELTARO_WEB_HOST:[A-Z]*=//p' "$ROOT/build/win32/CMakeCache.txt")/"
DOWNLOADS="$DRIVE_D/Program Files/Veltaro/InstVeltaro/Downloads"
DEFAULT_DIR='D:\Program Files\Veltaro\VeltaroPlatform'
# fresh_machine: no install, no download, no earlier folder on D:.
fresh_machine() { rm -rf "${DRIVE_D:?}"/* "$STAND_LOG"; }

# --- 1. A full install into a folder of the user's choice ---------------------

echo "-- full install"
launch || exit 1
page1 'D:\Veltaro365'
check "page 1 proposes $DEFAULT_DIR on a fresh machine (got '$PROPOSED')" "$([ "$PROPOSED" = "$DEFAULT_DIR" ] && echo 0 || echo 1)"
install_click
expect "page 3 after the install" await_page 3 90
expect "the background job brought the package, no fallback" no_fallback
shot install-page3
close_click
expect "close on page 3 ends the installer" await_exit 30
check "exit code 0 (got ${RC:-none})" "$([ "${RC:-1}" = 0 ] && echo 0 || echo 1)"

I='D:\Veltaro365\VeltaroPlatform'
INSTALLED="$DRIVE_D/Veltaro365/VeltaroPlatform"
expect "installed tree is the package plus the four components, byte for byte" same_tree "$INSTALLED" "$REL/tree"
expect "the base service came from the service host after the download server's 404" \
  bash -c "grep -q '^HEAD /rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe 404' '$ACCESS'"
expect "the manifest's local copy stays" cmp -s "$DOWNLOADS/KESMO365.INI" "$WORK/manifest.good"
expect "the package stays in the download folder" cmp -s "$DOWNLOADS/$PACKAGE" "$REL/www$PKG_URI"

UNINSTALL='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VeltaroTesmar'
APP_PATHS='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\VeltaroTesmar'
PUBLISHER='Tesmar Veltaro Information Technology Co., Ltd.'
bad=0
while IFS='|' read -r key name want; do
  got="$(reg_value "$key" "$name" /reg:32)" || got="<missing>"
  [ "$got" = "$want" ] || { echo "   $key [$name]: '$got', want '$want'"; bad=1; }
done <<VALUES
$UNINSTALL|DisplayIcon|"$I\\VeltaroLauncher.exe"
$UNINSTALL|DisplayName|Veltaro365
$UNINSTALL|DisplayVersion|$VERSION
$UNINSTALL|UninstallString|"$I\\Uninstall\\uninst.exe"
$UNINSTALL|HelpLink|$WEB_URL
$UNINSTALL|URLInfoAbout|$WEB_URL
$UNINSTALL|Publisher|$PUBLISHER
$APP_PATHS||$I\\VeltaroLauncher.exe
$APP_PATHS|Path|$I\\
HKCR\\vlttesmar||URL:vlt Protocol Handler
HKCR\\vlttesmar|URL Protocol|
HKCR\\vlttesmar\\DefaultIcon||"$I\\365.ico"
HKCR\\vlttesmar\\Shell\\open|FriendlyAppName|Veltaro
HKCR\\vlttesmar\\Shell\\open\\command||"$I\\VAVodevado.exe" "%1"
VALUES
check "registry values 1-9 (32-bit view) and 11-15 (HKCR)" $bad
INSTALL_TIME="$(reg_value "$APP_PATHS" InstallTime /reg:32)"
age=$(($(date +%s) - $(date -d "$INSTALL_TIME" +%s 2>/dev/null || echo 0)))
check "value 10: InstallTime '$INSTALL_TIME' is the local time of the close" \
  "$([[ "$INSTALL_TIME" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}\ [0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] && [ $age -ge 0 ] && [ $age -lt 120 ] && echo 0 || echo 1)"
expect "the 64-bit view holds no uninstall entry" bash -c "! wine reg query '$UNINSTALL' /reg:64 >/dev/null 2>&1"

LNK="$USER_DIR/Desktop/Veltaro365.lnk"
lnk_field() { lnkinfo "$LNK" 2>/dev/null | tr -d '\r' | awk -F'\t+: ' -v f="$1" '{ k = $1; gsub(/^[ \t]+/, "", k) } k == f { print $2; exit }'; }
check "shortcut target $(lnk_field 'Local path')" "$([ "$(lnk_field 'Local path')" = "$I\\VeltaroLauncher.exe" ] && echo 0 || echo 1)"
check "shortcut working folder $(lnk_field 'Working directory')" "$([ "$(lnk_field 'Working directory')" = "$I\\" ] && echo 0 || echo 1)"
check "shortcut description" "$([ "$(lnk_field 'Description')" = "$PUBLISHER" ] && echo 0 || echo 1)"
expect "wine uninstaller --list shows Veltaro365" bash -c "wine uninstaller --list 2>/dev/null | grep -q 'Veltaro365'"

VELTARO_STAND_IN_LOG="$(winepath -w "$STAND_LOG" 2>/dev/null)" wine start 'vlttesmar:open?from=e2e' >/dev/null 2>&1
for _ in $(seq 50); do grep -qs 'VAVodevado' "$STAND_LOG" && break; sleep 0.3; done
expect "a vlttesmar: link starts the protocol command with the link" \
  grep -qsF "$I\\VAVodevado.exe"$'\t' "$STAND_LOG"
expect "... which receives the link as its argument" grep -qsF '"vlttesmar:open?from=e2e"' "$STAND_LOG"

# --- 2. A second run: the earlier folder, the package reused, then "立即体验" ---

echo "-- second run"
launch || exit 1
page1
check "page 1 proposes the earlier folder (got '$PROPOSED')" "$([ "$PROPOSED" = "$I" ] && echo 0 || echo 1)"
install_click
expect "page 3 after the second install" await_page 3 60
check "the package is reused: not requested again" "$([ -z "$(run_requests "$PKG_URI")" ] && echo 0 || echo 1)"
click_at 250 310  # "立即体验"
expect "立即体验 ends the installer" await_exit 30
for _ in $(seq 30); do grep -qs 'VeltaroLauncher' "$STAND_LOG" && break; sleep 0.3; done
expect "立即体验 starts the launcher in the installation folder" \
  grep -qsF "$I\\VeltaroLauncher.exe"$'\t'"$I"$'\t' "$STAND_LOG"
LAUNCH_TIME="$(reg_value "$APP_PATHS" InstallTime /reg:32)"
age=$(($(date +%s) - $(date -d "$LAUNCH_TIME" +%s 2>/dev/null || echo 0)))
check "立即体验 registers as the close does: InstallTime '$LAUNCH_TIME' is its own" \
  "$([ "$LAUNCH_TIME" != "$INSTALL_TIME" ] && [ $age -ge 0 ] && [ $age -lt 120 ] && echo 0 || echo 1)"

# resumed_run PAGE3 FETCHED TREE: a run over the state an earlier one left
# (st_received bytes) ends on page 3, its job fetching only what the state
# missed, and installs the whole tree; the checks are named as given.
resumed_run() {
  serve_downloads "" || exit 1
  launch || exit 1
  page1
  install_click
  expect "$1" await_page 3 60
  expect "the resumed job brought the package, no fallback" no_fallback
  local sent want=$((PACKAGE_SIZE - st_received))
  sent=$(package_bytes)
  check "$2: $sent bytes, $want missing" "$([ "$sent" -ge "$want" ] && [ "$sent" -le $((want + 64)) ] && echo 0 || echo 1)"
  expect "$3" same_tree "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" "$REL/tree"
  close_click
  await_exit 30
}

# --- 3. Closed on page 2 mid-download, then resumed by a second run -----------

echo "-- close mid-download, then resume"
fresh_machine
serve_downloads "limit_rate 128k;" || exit 1
launch || exit 1
page1
check "an earlier folder without VeltaroMain.exe: page 1 proposes the default (got '$PROPOSED')" \
  "$([ "$PROPOSED" = "$DEFAULT_DIR" ] && echo 0 || echo 1)"
install_click
expect "page 2 while the package downloads" await_page 2 30
sleep 3
shot install-page2
pct=$(bar_percent install-page2)
check "page 2 shows the download under way ($pct%)" "$([ "$pct" -gt 0 ] && [ "$pct" -lt 100 ] && echo 0 || echo 1)"
close_click
expect "close on page 2 ends the installer" await_exit 30
check "exit code 0 (got ${RC:-none})" "$([ "${RC:-1}" = 0 ] && echo 0 || echo 1)"
read -r st_size st_received < <(state_counts)
check "resume state saved: $st_received of $st_size bytes" \
  "$([ "$st_size" = "$PACKAGE_SIZE" ] && [ "$st_received" -gt 0 ] && [ "$st_received" -lt "$PACKAGE_SIZE" ] && echo 0 || echo 1)"
expect "the partial download stays, the package is not there yet" \
  bash -c "[ -f '$DOWNLOADS/$PACKAGE.rpc' ] && [ ! -e '$DOWNLOADS/$PACKAGE' ]"
resumed_run "page 3 after the resumed download" "the second run fetches only the rest" \
  "resumed install: tree as the package plus components"

# --- 4. Killed mid-download, then a second run resumes --------------------------

echo "-- killed mid-download"
fresh_machine
serve_downloads "limit_rate 128k;" || exit 1
launch || exit 1
page1
install_click
expect "page 2 while the package downloads" await_page 2 30
sleep 2
disown "$APP_PID"  # no notice of the killed job
kill -KILL $(our_copies) 2>/dev/null
await_exit 10
read -r st_size st_received < <(state_counts)
check "after SIGKILL: the state saved while the download ran ($st_received of $st_size bytes)" \
  "$([ "$st_size" = "$PACKAGE_SIZE" ] && [ "$st_received" -gt 0 ] && [ -f "$DOWNLOADS/$PACKAGE.rpc" ] && echo 0 || echo 1)"
window_gone 10
resumed_run "page 3 after the run that follows the kill" "that run fetches only what the state misses" \
  "install after the kill: tree as the package plus components"

# --- 5. A server that ignores ranges: the synchronous fallback installs ---------

echo "-- server without ranges"
fresh_machine
serve_downloads "max_ranges 0;" || exit 1
launch || exit 1
page1
install_click
expect "page 3 through the fallback download" await_page 3 90
check "the fallback fetched the package whole in one answer" \
  "$(run_requests "$PKG_URI" | awk -v n="$PACKAGE_SIZE" '$1 == "GET" && $3 == 200 && $4 == n {f = 1} END {exit !f}'; echo $?)"
# In fallback mode the base service is fetched from the download server only,
# which does not hold it: it stays missing, unreported, and the rest is there.
cp -a "$REL/tree" "$WORK/tree-fallback"
rm "$WORK/tree-fallback/ThirdSoftware/BaseService.exe"
expect "fallback install: the package and the three drivers" same_tree "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" "$WORK/tree-fallback"
log_show
expect "the log names the fallback and why" log_names "segment 2 failed: no partial answer for the range" \
  "FAIL  fallback to one synchronous fetch: the download job reported a failure"
close_click
await_exit 30

# --- 6. A package that does not match the manifest's checksum -------------------

echo "-- checksum mismatch"
fresh_machine
serve_downloads "" || exit 1
sed -i "s/^crc=.*/crc=1234ABCD/" "$MANIFEST"
launch || exit 1
page1
install_click
read_msgbox 60
check "message 下载失败 (got '$MSG')" "$([ "$MSG" = "下载失败" ] && echo 0 || echo 1)"
check "the package was fetched by the job and then by the fallback" \
  "$(run_requests "$PKG_URI" | awk '$1 == "GET" && $3 == 200 {f = 1} END {exit !f}'; echo $?)"
check "nothing unpacked" "$([ -z "$(ls -A "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" 2>/dev/null)" ] && echo 0 || echo 1)"
expect "the mismatching package is not kept" bash -c "[ ! -e '$DOWNLOADS/$PACKAGE' ]"
log_show
expect "the log names the checksum refusal and the message" \
  log_names "the manifest says 1234ABCD; deleted" "message box: 下载失败"
close_click
expect "close after the failure ends the installer" await_exit 30
cp "$WORK/manifest.good" "$MANIFEST"

# --- 7. A file of the product in use: the unpack says which ---------------------

echo "-- a file in use"
fresh_machine
i686-w64-mingw32-gcc -municode -O2 -s -Wall -Wextra -Werror -static-libgcc -o "$WORK/holder.exe" \
  "$ROOT/tests/e2e/holder.c" || exit 1
HELD="$DRIVE_D/Program Files/Veltaro/VeltaroPlatform/VeltaroMain.exe"
mkdir -p "$(dirname "$HELD")" && echo old >"$HELD"
STOP="$WORK/hold.stop"
wine "$WORK/holder.exe" 'D:\Program Files\Veltaro\VeltaroPlatform\VeltaroMain.exe' "Z:${STOP//\//\\}" >"$WORK/hold.out" 2>&1 &
HOLD_PID=$!
for _ in $(seq 100); do grep -qs held "$WORK/hold.out" && break; sleep 0.1; done
launch || exit 1
page1
install_click
read_msgbox 90
check "message 安装失败 (got '$MSG')" "$([ "$MSG" = "安装失败" ] && echo 0 || echo 1)"
expect "the program in use keeps its bytes" grep -qx old "$HELD"
# The new file is written beside it; its rename over the held one is refused.
expect "the log names the file in use and the message" \
  log_names "VeltaroMain.exe not written: error 5 (" "message box: 安装失败"
touch "$STOP"
wait "$HOLD_PID"
close_click
expect "close after the failure ends the installer" await_exit 30

# --- Nothing outside the prefix and its D: folder -------------------------------

no_leaks "nothing written in \$HOME or under /" "/Program Files" "/Program Files (x86)" "/users" "$HOME/Desktop" \
  "$HOME/Veltaro365.lnk" "$HOME/.local/share/applications/wine"

echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
