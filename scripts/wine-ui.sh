# Sourced by the Wine end-to-end scripts and the demo: a private X display, the
# installer window found by its caption, screenshots, pixels, clicks, the page
# shown, registry values. The caller sets
# OUT (screenshot folder) and WINEPREFIX, and calls e2e_cleanup from its trap.
CAPTION="极速安装"
FAILS=0
XVFB_PID=""

check() {  # check NAME CONDITION-RESULT(0/1)
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; FAILS=$((FAILS + 1)); fi
}
# expect NAME COMMAND...: a check whose condition is a command's exit status.
expect() {
  local name="$1"; shift
  "$@"
  check "$name" $?
}

# prefix_processes REGEX: the processes of this prefix whose command line
# matches, including those the shell started (they are not our children).
prefix_processes() {
  local p
  for p in $(pgrep -f "$1" || true); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}
# Installer processes of this prefix: ours, including the copies the shell started.
our_copies() { prefix_processes 'VeltaroSetup\.exe'; }
# await_exit TIMEOUT: the installer process ends; RC := its exit code.
await_exit() {
  local deadline=$((SECONDS + $1))
  while kill -0 "$APP_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
  kill -0 "$APP_PID" 2>/dev/null && return 1
  wait "$APP_PID" 2>/dev/null
  RC=$?
  APP_PID=""
}
# exits_with_zero TIMEOUT NAME: the check NAME that the installer process
# (APP_PID) ends within TIMEOUT with exit code 0.
exits_with_zero() {
  if await_exit "$1"; then
    check "$2 (got $RC)" "$([ "$RC" -eq 0 ] && echo 0 || echo 1)"
  else
    check "$2: it still runs" 1
  fi
}
# copies_gone TIMEOUT: no installer of this prefix runs any more.
copies_gone() {
  local deadline=$((SECONDS + $1))
  while [ -n "$(our_copies)" ] && [ $SECONDS -lt $deadline ]; do sleep 0.3; done
  [ -z "$(our_copies)" ]
}

# A free display, chosen by the server itself; sets DISPLAY. Wine's desktop may
# already run with the default 1024 x 768: the screen has that size so that both agree.
start_xvfb() {
  local dfile
  dfile="$(mktemp)"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do [ -s "$dfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$dfile")"
  rm -f "$dfile"
  [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start"; return 1; }
  echo "display $DISPLAY"
}

e2e_cleanup() {
  local p
  for p in $(our_copies); do kill "$p" 2>/dev/null; done
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  XVFB_PID=""
}

# stop_servers: the test's nginx (NGINX_PID) and veltaro-kit serve (SERVE_PID),
# when started, and the prefix's Wine processes.
stop_servers() {
  [ -n "${NGINX_PID:-}" ] && kill "$NGINX_PID" 2>/dev/null
  [ -n "${SERVE_PID:-}" ] && kill -INT "$SERVE_PID" 2>/dev/null
  wineserver -k >/dev/null 2>&1
  wait 2>/dev/null
}

# The ids of the visible windows titled $1.
windows_named() {
  local w
  for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && echo "$w"
  done
}
# find_window TIMEOUT [TITLE]: the id of the window, once it is mapped (empty after the timeout).
find_window() {
  local deadline=$((SECONDS + ${1:-30})) w
  while [ $SECONDS -lt $deadline ]; do
    w="$(windows_named "${2:-$CAPTION}" | head -n1)"
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.3
  done
  return 1
}
# window_gone TIMEOUT [TITLE]
window_gone() {
  local deadline=$((SECONDS + ${1:-15}))
  while [ $SECONDS -lt $deadline ]; do
    [ -z "$(windows_named "${2:-$CAPTION}")" ] && return 0
    sleep 0.3
  done
  return 1
}
# Sets WX WY to the window's top-left on screen.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  WX=$X
  WY=$Y
}
shot() { /usr/bin/import -window root "$OUT/$1.png"; }
# pixel SHOT X Y: the colour at window content point (X, Y) as RRGGBB.
pixel() {
  /usr/bin/convert "$OUT/$1.png" -format "%[hex:u.p{$((WX + 1 + $2)),$((WY + 1 + $3))}]" info: | cut -c1-6
}
# near RRGGBB RRGGBB: equal within 8 per channel.
near() {
  local a=$1 b=$2 i
  for i in 0 2 4; do
    local d=$((16#${a:$i:2} - 16#${b:$i:2}))
    [ ${d#-} -le 8 ] || return 1
  done
}
click_at() {  # content coordinates
  xdotool mousemove $((WX + 1 + $1)) $((WY + 1 + $2)) sleep 0.2 click 1
  sleep 0.8
}
# page_now: 2 (installing) or 3 (completed) as the screen shows it, else "?".
page_now() {
  shot probe
  local bar btn bg
  bar=$(pixel probe 605 435) btn=$(pixel probe 250 310) bg=$(pixel probe 100 100)
  if near "$btn" 2E7BFB && near "$bg" FFFFFF; then echo 3
  elif near "$bar" F3F3F3 || near "$bar" 5D9EF5; then echo 2
  else echo "?"; fi
}
# reg_value KEY NAME [reg options]: the data of a string value (NAME empty: the default
# value); status 1 when there is no such value.
reg_value() {
  local key="$1" name="$2" sel
  shift 2
  if [ -z "$name" ]; then sel=(/ve); else sel=(/v "$name"); fi
  wine reg query "$key" "${sel[@]}" "$@" 2>/dev/null | tr -d '\r' |
    awk '/ REG_SZ/ { sub(/^.* REG_SZ/, ""); sub(/^    /, ""); print; found = 1; exit } END { exit !found }'
}

# point_installer DOWNLOAD-URL SERVICE-URL: the servers the installer of this
# prefix asks (HKLM, 32-bit view).
point_installer() {
  local key='HKLM\SOFTWARE\Veltaro\InstVeltaro'
  wine reg add "$key" /v DownloadBaseUrl /t REG_SZ /d "$1" /f /reg:32 >/dev/null 2>&1
  wine reg add "$key" /v ServiceBaseUrl /t REG_SZ /d "$2" /f /reg:32 >/dev/null 2>&1
}

# test_programs DIR: the stand-in program DIR/stand_in.exe and the window text
# reader DIR/wintext.exe.
test_programs() {
  local cc="i686-w64-mingw32-gcc -municode -O2 -s -Wall -Wextra -Werror -static-libgcc"
  $cc -o "$1/stand_in.exe" "$ROOT/tests/e2e/stand_in.c" && $cc -o "$1/wintext.exe" "$ROOT/tests/e2e/wintext.c"
}
# make_test_release WORK REL [--ascii-names|--all-names]: the stand-in programs (WORK/stand_in.exe,
# the window text reader WORK/wintext.exe) and the test release in REL, its file names
# ASCII only with --ascii-names; its values (REL/release.env) become the caller's.
make_test_release() {
  test_programs "$1" || return 1
  python3 "$ROOT/tests/e2e/make_release.py" "$2" "$1/stand_in.exe" ${3:+"$3"} || return 1
  source "$2/release.env"
}
