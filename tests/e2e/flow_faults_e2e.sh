#!/usr/bin/env bash
# VeltaroSetup.exe under Wine, by real clicks, against loopback servers that
# fail the install flow at awkward moments:
#  1. the download server holds the base service but drops every ranged GET of
#     it: both segments of the first job fail, and the second notice of that
#     dead job must not stop the job on the service host; the install ends on
#     the completion page;
#  2. the package's size request hangs past its time-out, and the close is
#     clicked meanwhile: the failure notice arrives while the close waits for
#     the job, and nothing is fetched, unpacked or installed after it;
#  3. a planted file at the base service's fetch name and a read-only stale
#     package: neither is installed, the release's files are;
#  4. killed during the base service, then the maker publishes another base
#     service of the same size: the next run installs the new one whole;
#  5. the base service's first job has one segment reset and one alive but
#     slow: the service host's job starts once the slow one is cancelled;
#  6. a close while a driver trickles in ends the process; no driver follows;
#  7. a second copy brings the first window forward and ends with 0.
# A throwaway copy of the project's prefix, D: on a temporary folder.
# Usage: flow_faults_e2e.sh [EXE]   (default build/win32/bin/VeltaroSetup.exe)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$(realpath "${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}")"
work_folders faults

make_test_release "$WORK" "$REL" || exit 1
PKG_URI="/zelqa/DOWN_CENTER/VELTARO/VELTARO/$PACKAGE"
BASE_URI="/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe"
# The download server holds the base service too, so its first job goes there.
mkdir -p "$(dirname "$REL/www$BASE_URI")"
cp "$REL/svc$BASE_URI" "$REL/www$BASE_URI"
start_servers || exit 1
seal_prefix || exit 1
start_xvfb || exit 1
INSTALLED="$DRIVE_D/Program Files/Veltaro/VeltaroPlatform"
APP_PATHS='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\VeltaroTesmar'

# The requests of this run under one folder.
run_requests_under() { tail -n +$((LOG_MARK + 1)) "$ACCESS" | awk -v u="$1" 'index($2, u) == 1'; }

# end_run: a run that is stuck is ended by force, so that the next one starts clean.
end_run() {
  await_exit 30 && return 0
  kill $(our_copies) 2>/dev/null
  await_exit 10
}

# --- 1. Both segments of the base service's first job fail ------------------

echo "-- the download server drops the base service's ranged GETs"
serve_downloads 'location /rjxz/ { if ($http_range) { return 444; } }' || exit 1
launch || exit 1
page1
install_click
expect "page 3: the service host's job was not stopped by the first job's second notice" await_page 3 90
shot faults-base-service
check "both ranged GETs of the first job were dropped" \
  "$([ "$(run_requests "$BASE_URI" | awk '$1 == "GET" && $3 == 444' | wc -l)" -eq 2 ] && echo 0 || echo 1)"
expect "the base service came from the service host" \
  cmp -s "$INSTALLED/ThirdSoftware/BaseService.exe" "$REL/svc$BASE_URI"
click_at 250 310  # "立即体验": registers, starts the launcher, ends the run
end_run

# --- 2. A size request that times out while the close waits ------------------

echo "-- the package's size request hangs; closed at once"
rm -rf "${DRIVE_D:?}"/*
wine reg delete "$APP_PATHS" /f /reg:32 >/dev/null 2>&1  # the first run's registration
# HEAD requests pass one a minute; the first is spent here, so the installer's own
# waits far beyond its 3 s time-out. GETs pass freely: a fallback would install.
serve_downloads 'limit_req zone=heads burst=5;' \
  'map $request_method $head_key { HEAD $binary_remote_addr; default ""; }
  limit_req_zone $head_key zone=heads:1m rate=1r/m;' || exit 1
curl -sI -o /dev/null "http://127.0.0.1:$DL_PORT$PKG_URI"
launch || exit 1
page1
install_click
# Handled as soon as the click's handler returns, with the job just started.
close_click
closed_at=$SECONDS
expect "the close ends the installer" await_exit 60
waited=$((SECONDS - closed_at))
check "exit code 0 (got ${RC:-none})" "$([ "${RC:-1}" = 0 ] && echo 0 || echo 1)"
check "the close waited for the job that never stops (${waited} s)" "$([ "$waited" -ge 4 ] && echo 0 || echo 1)"
check "no fallback fetch after the close" "$([ -z "$(run_requests "$PKG_URI" | awk '$1 == "GET"')" ] && echo 0 || echo 1)"
check "nothing unpacked" "$([ ! -e "$INSTALLED/VeltaroMain.exe" ] && echo 0 || echo 1)"
check "nothing registered" "$(reg_value "$APP_PATHS" Path /reg:32 >/dev/null; [ $? -ne 0 ] && echo 0 || echo 1)"

# fresh_run: an empty D:, the download server without faults.
fresh_run() {
  rm -rf "${DRIVE_D:?}"/*
  serve_downloads "${1:-}" || exit 1
}
DOWNLOADS="$DRIVE_D/Program Files/Veltaro/InstVeltaro/Downloads"
SERVICE_FETCH="$INSTALLED/ThirdSoftware/BaseService.exe.tmp"
# wait_for PATH SECONDS: the file exists.
wait_for() {
  local deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do [ -e "$1" ] && return 0; sleep 0.2; done
  return 1
}
# install_to_end: page 1, 立即安装, page 3 within 90 s, then 立即体验.
install_to_end() {
  page1
  install_click
  expect "$1: page 3" await_page 3 90
  expect "$1: the base service is the release's" cmp -s "$INSTALLED/ThirdSoftware/BaseService.exe" "$REL/svc$BASE_URI"
  expect "$1: the package was unpacked" test -f "$INSTALLED/VeltaroMain.exe"
  click_at 250 310
  end_run
}

# --- 3. What stands at the fetch names is never installed ----------------------

echo "-- a planted base service at its fetch name, a read-only stale package"
fresh_run
mkdir -p "$DOWNLOADS" "$INSTALLED/ThirdSoftware"
printf 'planted service\n' >"$SERVICE_FETCH"  # 17 bytes
printf 'stale package' >"$DOWNLOADS/$PACKAGE"
chmod a-w "$DOWNLOADS/$PACKAGE" "$SERVICE_FETCH"
launch || exit 1
install_to_end "leftovers cleared"

# --- 4. Killed during the base service, then a new one of the same size ------

echo "-- killed during the base service; the maker publishes another of its size"
fresh_run 'location /rjxz/ { limit_rate 6k; }'
launch || exit 1
page1
install_click
# received_bytes STATE: the bytes a resume state counts (0 without one).
received_bytes() {
  python3 -c '
import struct, sys
try:
    d = open(sys.argv[1], "rb").read()
    n = struct.unpack_from("<i", d, 4)[0]
    print(sum(struct.unpack_from("<iii", d, 8 + 12 * i)[2] for i in range(n)))
except Exception:
    print(0)
' "$1"
}
saved=0
for _ in $(seq 450); do
  saved=$(received_bytes "$SERVICE_FETCH.rpc.cfg")
  [ "$saved" -gt 0 ] && break
  sleep 0.2
done
check "the base service job saved $saved bytes" "$([ "$saved" -gt 0 ] && echo 0 || echo 1)"
kill -9 $(our_copies) 2>/dev/null
await_exit 20
python3 -c 'import sys; open(sys.argv[1], "wb").write(b"base service 2.01\0" * 7000)' "$REL/svc$BASE_URI"
cp "$REL/svc$BASE_URI" "$REL/www$BASE_URI"
serve_downloads "" || exit 1
launch || exit 1
install_to_end "the next run"

# --- 5. One segment reset, the other alive but slow ----------------------------

echo "-- the first job: one segment reset, the other at 1.5 KB/s"
fresh_run 'location /rjxz/ { if ($http_range ~ "^bytes=0-") { return 444; } limit_rate 1500; }'
launch || exit 1
install_to_end "the service host's job after the slow one ended"

# --- 6. A close during a driver fetch ---------------------------------------------

echo "-- closed while a driver trickles in"
fresh_run 'location /zelqa/DOWN_CENTER/SBQD/ { limit_rate 500; }'
launch || exit 1
page1
install_click
expect "the base service is in place" wait_for "$INSTALLED/ThirdSoftware/BaseService.exe" 90
sleep 2
close_click
closed_at=$SECONDS
expect "the close ends the process" await_exit 20
echo "   ended $((SECONDS - closed_at)) s after the close"
sleep 3
drivers=$(run_requests_under /zelqa/DOWN_CENTER/SBQD/ | wc -l)
check "no driver fetched after the close ($drivers requests)" "$([ "$drivers" -le 1 ] && echo 0 || echo 1)"
check "no driver placed" "$(ls "$INSTALLED/App" | grep -qE '^(SWUKeyDrive|VeltaroCSP|SKPDrive)\.exe$' && echo 1 || echo 0)"
end_run

# --- 7. A second copy -----------------------------------------------------------

echo "-- a second copy while the first shows its window"
fresh_run
launch || exit 1
wine "$EXE" UAC >>"$WORK/wine.log" 2>&1 &
SECOND=$!
second_rc=none
for _ in $(seq 100); do kill -0 "$SECOND" 2>/dev/null || { wait "$SECOND"; second_rc=$?; break; }; sleep 0.3; done
check "the second copy ends with 0 (got $second_rc)" "$([ "$second_rc" = 0 ] && echo 0 || echo 1)"
sleep 2
check "one window" "$([ "$(windows_named "$CAPTION" | wc -l)" -eq 1 ] && echo 0 || echo 1)"
kill "$SECOND" 2>/dev/null
install_to_end "the first copy"

echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
