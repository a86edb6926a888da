# Sourced by the Wine e2e scripts: checks, the installer's processes, a virtual
# display and the installer window. Expects WINEPREFIX, CAPTION and FAILS.

check() {  # check NAME CONDITION-RESULT(0/1)
  if [ "$2" -eq 0 ]; then echo "ok   $1"; else echo "FAIL $1"; FAILS=$((FAILS + 1)); fi
}

# Installer processes of this prefix: ours, including the copies the shell
# started (they are not our children).
our_copies() {
  local p
  for p in $(pgrep -f 'VeltaroSetup\.exe' || true); do
    tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && echo "$p"
  done
}

# A free display, chosen by the server itself: sets DISPLAY and XVFB_PID.
start_xvfb() {
  local dfile
  dfile="$(mktemp)"
  # Wine's desktop may already run (test.sh boots Wine without a display, which
  # gives the default 1024 x 768): the screen has that size so that both agree.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 50); do [ -s "$dfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$dfile")"
  rm -f "$dfile"
  [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start"; return 1; }
  echo "display $DISPLAY"
}

# The id of the installer window, once it is mapped (empty after the timeout).
find_window() {
  local deadline=$((SECONDS + ${1:-30}))
  while [ $SECONDS -lt $deadline ]; do
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$CAPTION" ]; then echo "$w"; return 0; fi
    done
    sleep 0.3
  done
  return 1
}
