#!/usr/bin/env bash
# The whole install of VeltaroSetup.exe under Wine, driven by real clicks on a
# virtual X display, against a test release served on loopback: nginx is the
# download server, `veltaro-kit serve` the service host (it alone holds the base
# service, so the switch to it is exercised). The installer runs in a throwaway
# copy of the project's prefix whose D: drive is a temporary folder; the run
# must leave nothing in $HOME or under /. Screenshots stay in build/e2e/.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
EXE="$ROOT/build/win32/bin/VeltaroSetup.exe"
KIT="$ROOT/build/native/bin/veltaro-kit"
source "$ROOT/tests/interop/nginx_lib.sh"
OUT="$ROOT/build/e2e"
mkdir -p "$OUT"
rm -f "$OUT"/install-*.png
WORK="$(mktemp -d /tmp/veltaro-install-XXXXXX)"
export WINEPREFIX="$WORK/prefix"
DRIVE_D="$WORK/d"
REL="$WORK/release"
ACCESS="$WORK/nginx/e2e-access.log"  # one line a request: method, path, status, bytes
STAND_LOG="$WORK/started.txt"
SERVE_PID=""
APP_PID=""
touch "$WORK/.start"
sleep 1  # later writes get a newer time stamp than the mark

cleanup() {
  e2e_cleanup
  cp "$ACCESS" "$OUT/install-access.log" 2>/dev/null
  rm -f "$OUT/probe.png"
  [ -n "$NGINX_PID" ] && kill "$NGINX_PID" 2>/dev/null
  [ -n "$SERVE_PID" ] && kill -INT "$SERVE_PID" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  wait 2>/dev/null
  [ -n "${VELTARO_E2E_KEEP:-}" ] && echo "kept $WORK" || rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 124' TERM INT

# --- The release and its two servers ----------------------------------------

make_test_release "$WORK" "$REL" || exit 1
MANIFEST="$REL/www/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML"
PKG_URI="/zelqa/DOWN_CENTER/VELTARO/VELTARO/$PACKAGE"
cp "$MANIFEST" "$WORK/manifest.good"

DL_PORT=$(free_port)
# serve_downloads [DIRECTIVES]: (re)starts the download server with extra
# directives for its one location (a rate limit, broken ranges).
serve_downloads() {
  stop_nginx
  start_nginx "$WORK/nginx" "$DL_PORT" "  log_format e2e '\$request_method \$uri \$status \$body_bytes_sent';
  access_log $ACCESS e2e;
  server {
    listen 127.0.0.1:$DL_PORT;
    root $REL/www;
    location / { $1 }
  }"
}
serve_downloads "" || exit 1
"$KIT" serve "$REL/svc" --port 0 >"$WORK/serve.out" 2>&1 &
SERVE_PID=$!
for _ in $(seq 50); do grep -q listening "$WORK/serve.out" && break; sleep 0.1; done
SVC_URL="$(grep -o 'http://127.0.0.1:[0-9]*/' "$WORK/serve.out")"
[ -n "$SVC_URL" ] || { echo "veltaro-kit serve did not start"; exit 1; }
echo "download server http://127.0.0.1:$DL_PORT/, service host $SVC_URL"

# --- The prefix: a copy of the project's, sealed, pointed at the servers -----

bash "$ROOT/scripts/wine-prefix-copy.sh" "$WINEPREFIX" "$DRIVE_D" || exit 1
USER_DIR="$(ls -d "$WINEPREFIX"/drive_c/users/* | grep -v '/Public$' | head -n1)"
expect "prefix: D: is the temporary folder" [ "$(readlink "$WINEPREFIX/dosdevices/d:")" = "$DRIVE_D" ]
expect "prefix: no link leaves the user folders" [ -z "$(find "$WINEPREFIX/drive_c/users" -type l)" ]
INSTVELTARO='HKLM\SOFTWARE\Veltaro\InstVeltaro'
wine reg add "$INSTVELTARO" /v DownloadBaseUrl /t REG_SZ /d "http://127.0.0.1:$DL_PORT/" /f /reg:32 >/dev/null 2>&1
wine reg add "$INSTVELTARO" /v ServiceBaseUrl /t REG_SZ /d "$SVC_URL" /f /reg:32 >/dev/null 2>&1
expect "prefix: download base set in the 32-bit view" \
  bash -c "wine reg query '$INSTVELTARO' /v DownloadBaseUrl /reg:32 2>/dev/null | grep -q '127.0.0.1:$DL_PORT/'"

start_xvfb || exit 1

# --- Driving one run of the installer ----------------------------------------

# wintext TITLE: the child windows of the window titled TITLE (class, tab, text).
wintext() { wine "$WORK/wintext.exe" "$1" 2>/dev/null | tr -d '\r'; }

# launch: a new run of the installer (the elevated copy at once), its window found.
launch() {
  LOG_MARK=$(wc -l <"$ACCESS")
  VELTARO_STAND_IN_LOG="$(winepath -w "$STAND_LOG" 2>/dev/null)" wine "$EXE" UAC >>"$WORK/wine.log" 2>&1 &
  APP_PID=$!
  W=$(find_window 60) || {
    check "installer window shown" 1
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do echo "   window: $(xdotool getwindowname "$w")"; done
    return 1
  }
  geometry "$W"
  xdotool mousemove 5 5
}
# The requests of this run for one path, as "METHOD URI STATUS BYTES".
run_requests() { tail -n +$((LOG_MARK + 1)) "$ACCESS" | awk -v u="$1" '$2 == u'; }
# "SIZE RECEIVED" of the package's resume state ("0 0" without one).
state_counts() {
  python3 -c '
import struct, sys
d = open(sys.argv[1], "rb").read()
size, n = struct.unpack_from("<ii", d)
print(size, sum(struct.unpack_from("<iii", d, 8 + 12 * i)[2] for i in range(n)) if len(d) == 8 + 12 * n else -1)
' "$DOWNLOADS/$PACKAGE.rpc.cfg" 2>/dev/null || echo "0 0"
}
package_bytes() { run_requests "$PKG_URI" | awk '$1 == "GET" {s += $4} END {print s + 0}'; }
# Only ranged requests for the package: the background job brought it, no fallback ran.
no_fallback() { run_requests "$PKG_URI" | awk '$1 == "GET" && $3 != 206 {f = 1} END {exit f}'; }

# page1 [FOLDER]: "极速安装"; PROPOSED := the folder in the box; then FOLDER typed instead, if given.
page1() {
  click_at 250 400
  PROPOSED="$(wintext "$CAPTION" | awk -F'\t' '$1 == "Edit" {print $2}')"
  if [ $# -gt 0 ]; then
    click_at 300 313
    xdotool key End key --repeat 80 --delay 10 BackSpace type --delay 30 "$1"
  fi
}
install_click() { click_at 250 400; }  # "立即安装"
close_click() { click_at 621 19; }     # the close cross of every page

# read_msgbox [TIMEOUT]: waits for a message box "提示"; MSG := its text; Enter dismisses it.
read_msgbox() {
  local w
  MSG=""
  w=$(find_window "${1:-30}" 提示) || return 1
  MSG="$(wintext 提示 | awk -F'\t' '$1 == "Static" && $2 != "" {print $2; exit}')"
  shot install-message
  xdotool windowfocus --sync "$w" key Return
  window_gone 10 提示
}
# await_page N TIMEOUT: waits for page N; a message box on the way ends the wait (its text in MSG).
await_page() {
  local deadline=$((SECONDS + $2))
  MSG=""
  while [ $SECONDS -lt $deadline ]; do
    [ "$(page_now)" = "$1" ] && return 0
    if [ -n "$(windows_named 提示)" ]; then
      read_msgbox 1
      echo "   message box: $MSG"
      return 1
    fi
    kill -0 "$APP_PID" 2>/dev/null || return 1
    sleep 0.5
  done
  return 1
}
# bar_percent SHOT: the filled share of the progress bar, in percent.
bar_percent() {
  /usr/bin/convert "$OUT/$1.png" -crop 580x1+$((WX + 1 + 30))+$((WY + 1 + 435)) +repage \
    -fill black -fuzz 6% -opaque '#5D9EF5' -fill white +opaque black -colorspace gray -format '%[fx:round(100*(1-mean))]' info:
}
# await_exit TIMEOUT: the installer process ends; RC := its exit code.
await_exit() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$APP_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  kill -0 "$APP_PID" 2>/dev/null && return 1
  wait "$APP_PID" 2>/dev/null
  RC=$?
  APP_PID=""
}
# same_tree DIR EXPECTED: the same names and bytes, nothing more or less.
same_tree() {
  diff -r "$1" "$2" >"$WORK/diff.out" 2>&1 && return 0
  head -n 20 "$WORK/diff.out" | sed 's/^/   /'
  return 1
}

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
check "立即体验 registers nothing: InstallTime unchanged" \
  "$([ "$(reg_value "$APP_PATHS" InstallTime /reg:32)" = "$INSTALL_TIME" ] && echo 0 || echo 1)"

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
serve_downloads "" || exit 1
launch || exit 1
page1
install_click
expect "page 3 after the resumed download" await_page 3 60
expect "the resumed job brought the package, no fallback" no_fallback
sent=$(package_bytes)
want=$((PACKAGE_SIZE - st_received))
check "the second run fetches only the rest: $sent bytes, $want missing" \
  "$([ "$sent" -ge "$want" ] && [ "$sent" -le $((want + 64)) ] && echo 0 || echo 1)"
expect "resumed install: tree as the package plus components" same_tree "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" "$REL/tree"
close_click
await_exit 30

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
serve_downloads "" || exit 1
launch || exit 1
page1
install_click
expect "page 3 after the run that follows the kill" await_page 3 60
expect "the resumed job brought the package, no fallback" no_fallback
sent=$(package_bytes)
want=$((PACKAGE_SIZE - st_received))
check "that run fetches only what the state misses: $sent bytes, $want missing" \
  "$([ "$sent" -ge "$want" ] && [ "$sent" -le $((want + 64)) ] && echo 0 || echo 1)"
expect "install after the kill: tree as the package plus components" same_tree "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" "$REL/tree"
close_click
await_exit 30

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
close_click
expect "close after the failure ends the installer" await_exit 30
cp "$WORK/manifest.good" "$MANIFEST"

# --- Nothing outside the prefix and its D: folder -------------------------------

wineserver -k >/dev/null 2>&1
leaks="$(find "$HOME" -newer "$WORK/.start" -not -path "$HOME/.claude*" 2>/dev/null | head -n 20)"
for p in "/Program Files" "/Program Files (x86)" "/users" "$HOME/Desktop" "$HOME/Veltaro365.lnk" \
  "$HOME/.local/share/applications/wine"; do
  [ -e "$p" ] && leaks+=$'\n'"$p"
done
[ -z "$leaks" ] || echo "$leaks" | sed 's/^/   /'
check "nothing written in \$HOME or under /" "$([ -z "$leaks" ] && echo 0 || echo 1)"

echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
