#!/usr/bin/env bash
# VeltaroSetup.exe under Wine, by real clicks, against loopback servers that
# fail the install flow at awkward moments:
#  1. the download server holds the base service but drops every ranged GET of
#     it: both segments of the first job fail, and the second notice of that
#     dead job must not stop the job on the service host; the install ends on
#     the completion page;
#  2. the package's size request hangs past its time-out, and the close is
#     clicked meanwhile: the failure notice arrives while the close waits for
#     the job, and nothing is fetched, unpacked or installed after it.
# A throwaway copy of the project's prefix, D: on a temporary folder.
# Usage: flow_faults_e2e.sh [EXE]   (default build/win32/bin/VeltaroSetup.exe)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
EXE="$(realpath "${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}")"
KIT="$ROOT/build/native/bin/veltaro-kit"
source "$ROOT/tests/interop/nginx_lib.sh"
source "$ROOT/tests/e2e/install_lib.sh"
work_folders faults
SERVE_PID=""
APP_PID=""
cleanup() {
  e2e_cleanup
  rm -f "$OUT/probe.png"
  stop_servers
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 124' TERM INT

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

echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
