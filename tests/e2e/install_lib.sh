# Sourced by the Wine scripts and the demo: the steps they share. A work folder
# with a throwaway copy of the project's prefix and its D: drive, the two
# servers of a test release, one run of VeltaroSetup.exe driven by clicks, and
# what the servers saw of it. Sourcing it brings wine-env.sh, wine-ui.sh,
# nginx_lib.sh (with scripts/servers.sh) and log_lib.sh along. The caller sets
# EXE; work_folders sets the rest (WORK, REL for make_test_release,
# WINEPREFIX, DRIVE_D, ACCESS: the download server's log, a line "method path
# status bytes" a request; STAND_LOG, OUT); the caller sets PKG_URI.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
source "$ROOT/tests/interop/nginx_lib.sh"
source "$ROOT/tests/e2e/log_lib.sh"
KIT="$ROOT/build/native/bin/veltaro-kit"
TAG=e2e
SERVE_PID=""
APP_PID=""

# work_folders NAME: a new temporary WORK with the prefix, D:, the release, the
# download server's log and the stand-in's log in it; OUT keeps screenshots
# (NAME-*.png). At the end or on a signal the script's windows, servers and Wine
# stop and WORK goes (e2e_finish; a script with more to stop traps its own).
work_folders() {
  TAG="$1"
  OUT="$ROOT/build/e2e"
  mkdir -p "$OUT"
  rm -f "$OUT/$1"-*.png
  WORK="$(mktemp -d "/tmp/veltaro-$1-XXXXXX")"
  export WINEPREFIX="$WORK/prefix"
  DRIVE_D="$WORK/d"
  REL="$WORK/release"
  ACCESS="$WORK/nginx/e2e-access.log"
  STAND_LOG="$WORK/started.txt"
  trap e2e_finish EXIT
  trap 'exit 124' TERM INT
}
# e2e_finish: the script's windows, servers and Wine processes (those of its
# other prefixes WORK/prefix-* too) end; WORK goes unless VELTARO_E2E_KEEP is set.
e2e_finish() {
  local p
  e2e_cleanup
  rm -f "$OUT/probe.png"
  stop_servers
  for p in "$WORK"/prefix-*; do [ -d "$p" ] && WINEPREFIX="$p" wineserver -k >/dev/null 2>&1; done
  [ -n "${VELTARO_E2E_KEEP:-}" ] && echo "kept $WORK" || rm -rf "$WORK"
}

# home_mark: what is written later is newer than WORK/.start (see no_leaks).
home_mark() {
  touch "$WORK/.start"
  sleep 1
}
# no_leaks NAME [PATH...]: the check NAME that nothing in $HOME is newer than the
# mark and that no PATH exists. Ends the prefix's Wine processes first.
no_leaks() {
  local name="$1" p leaks
  shift
  wineserver -k >/dev/null 2>&1
  # The compiler cache is written by builds running beside the test, never by Wine.
  leaks="$(find "$HOME" -newer "$WORK/.start" -not -path "$HOME/.claude*" -not -path "$HOME/.cache/ccache*" \
    -not -path "$HOME/.ccache*" 2>/dev/null | head -n 20)"
  for p in "$@"; do [ -e "$p" ] && leaks+=$'\n'"$p"; done
  [ -z "$leaks" ] || echo "$leaks" | sed 's/^/   /'
  check "$name" "$([ -z "$leaks" ] && echo 0 || echo 1)"
}

# serve_downloads [DIRECTIVES [HTTP-DIRECTIVES]]: (re)starts the download server
# with extra directives for its one location (a rate limit, broken ranges) and
# for its http block.
serve_downloads() {
  stop_nginx
  start_nginx "$WORK/nginx" "$DL_PORT" "  log_format e2e '\$request_method \$uri \$status \$body_bytes_sent';
  access_log $ACCESS e2e;
  ${2:-}
  server {
    listen 127.0.0.1:$DL_PORT;
    root $REL/www;
    location / { $1 }
  }"
}

# start_servers: the download server on a free port DL_PORT, and the service
# host, `veltaro-kit serve` of REL/svc (SERVE_PID, SVC_URL).
start_servers() {
  DL_PORT=$(free_port)
  serve_downloads "" || return 1
  kit_serve SVC_URL "$WORK/serve.out" "$KIT" "$REL/svc" --port 0
  local rc=$?
  SERVE_PID=$SERVED_PID
  return $rc
}

# copy_prefix: a copy of the project's prefix at WINEPREFIX, its D: on DRIVE_D;
# USER_DIR is its user's folder.
copy_prefix() {
  bash "$ROOT/scripts/wine-prefix-copy.sh" "$WINEPREFIX" "$DRIVE_D" || return 1
  USER_DIR="$(ls -d "$WINEPREFIX"/drive_c/users/* | grep -v '/Public$' | head -n1)"
  expect "prefix: D: is the temporary folder" [ "$(readlink "$WINEPREFIX/dosdevices/d:")" = "$DRIVE_D" ]
  expect "prefix: no link leaves the user folders" [ -z "$(find "$WINEPREFIX/drive_c/users" -type l)" ]
}

# seal_prefix: copy_prefix, pointed at the two servers.
seal_prefix() {
  copy_prefix || return 1
  point_installer "http://127.0.0.1:$DL_PORT/" "$SVC_URL"
  expect "prefix: download base set in the 32-bit view" \
    bash -c "wine reg query 'HKLM\SOFTWARE\Veltaro\InstVeltaro' /v DownloadBaseUrl /reg:32 2>/dev/null | grep -q '127.0.0.1:$DL_PORT/'"
}

# wintext TITLE: the child windows of the window titled TITLE (class, tab, text).
wintext() { wine "$WORK/wintext.exe" "$1" 2>/dev/null | tr -d '\r'; }

# launch: a new run of the installer (the elevated copy at once), its window found.
launch() {
  LOG_MARK=$(wc -l 2>/dev/null <"$ACCESS" || echo 0)
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

# read_msgbox [TIMEOUT [SHOT]]: waits for a message box "提示"; MSG := its text,
# the screen saved as SHOT (TAG-message); Enter dismisses it.
read_msgbox() {
  local w
  MSG=""
  w=$(find_window "${1:-30}" 提示) || return 1
  MSG="$(wintext 提示 | awk -F'\t' '$1 == "Static" && $2 != "" {print $2; exit}')"
  shot "${2:-$TAG-message}"
  xdotool windowfocus --sync "$w" key Return
  window_gone 10 提示
}
# await_page N TIMEOUT: waits for page N; a message box on the way ends the wait
# (its text in MSG), and so does the end of every copy of the installer.
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
    [ -n "$(our_copies)" ] || return 1
    sleep 0.5
  done
  return 1
}
# bar_percent SHOT: the filled share of the progress bar, in percent.
bar_percent() {
  /usr/bin/convert "$OUT/$1.png" -crop 580x1+$((WX + 1 + 30))+$((WY + 1 + 435)) +repage \
    -fill black -fuzz 6% -opaque '#5D9EF5' -fill white +opaque black -colorspace gray -format '%[fx:round(100*(1-mean))]' info:
}
# same_tree DIR EXPECTED: the same names and bytes, nothing more or less.
same_tree() {
  diff -r "$1" "$2" >"$WORK/diff.out" 2>&1 && return 0
  head -n 20 "$WORK/diff.out" | sed 's/^/   /'
  return 1
}
