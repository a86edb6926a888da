#!/usr/bin/env bash
# The installer started from a download folder in which someone planted DLLs
# under the names of the system DLLs it touches and a cmd.exe: started without
# arguments (so its elevated restart too), it installs a release end to end by
# real clicks, and none of the planted files ever runs. Each planted DLL
# (planted_dll.c) leaves "<name>.ran" beside itself when a process maps it; Wine
# is told to prefer such a native DLL (name=n,b), which is how Windows searches
# for a DLL that is not a known one. The planted cmd.exe is the stand-in program,
# which logs its start; the earlier .zip files must still be deleted. A throwaway copy of the project's prefix, D: on a temporary folder.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
source "$ROOT/tests/interop/nginx_lib.sh"
EXE="${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}"
KIT="$ROOT/build/native/bin/veltaro-kit"
OUT="$ROOT/build/e2e"
WORK="$(mktemp -d /tmp/veltaro-planted-XXXXXX)"
export WINEPREFIX="$WORK/prefix"
DRIVE_D="$WORK/d"
REL="$WORK/release"
STAND_LOG="$WORK/started.txt"
SERVE_PID=""
mkdir -p "$OUT"
# Every DLL the installer or the system's DLLs load on its behalf that is not a
# known DLL (version.dll is left out: Wine's own shell32 loads it from the
# program's folder as it is loaded, before the program's first line).
PLANTED="crypt32 gdiplus ws2_32 uxtheme dwmapi winmm propsys userenv secur32 iphlpapi dnsapi mswsock rsaenh
  cryptsp comctl32 msimg32 shfolder wtsapi32 netapi32 sspicli apphelp cryptbase profapi linkinfo ntshrui
  cscapi srvcli ntmarta oleacc clbcatq setupapi"

cleanup() {
  e2e_cleanup
  stop_servers
  [ -n "${VELTARO_E2E_KEEP:-}" ] && echo "kept $WORK" || rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 124' TERM INT

make_test_release "$WORK" "$REL" || exit 1
port=$(free_port)
start_nginx "$WORK/nginx" "$port" "  server { listen 127.0.0.1:$port; root $REL/www; }" || exit 1
"$KIT" serve "$REL/svc" --port 0 >"$WORK/serve.out" 2>&1 &
SERVE_PID=$!
for _ in $(seq 50); do grep -q listening "$WORK/serve.out" && break; sleep 0.1; done
bash "$ROOT/scripts/wine-prefix-copy.sh" "$WINEPREFIX" "$DRIVE_D" || exit 1
INSTVELTARO='HKLM\SOFTWARE\Veltaro\InstVeltaro'
wine reg add "$INSTVELTARO" /v DownloadBaseUrl /t REG_SZ /d "http://127.0.0.1:$port/" /f /reg:32 >/dev/null 2>&1
wine reg add "$INSTVELTARO" /v ServiceBaseUrl /t REG_SZ /d "$(grep -o 'http://127.0.0.1:[0-9]*/' "$WORK/serve.out")" \
  /f /reg:32 >/dev/null 2>&1

# The user's download folder: the installer, the planted DLLs and cmd.exe.
DL="$(ls -d "$WINEPREFIX"/drive_c/users/* | grep -v '/Public$' | head -n1)/Downloads"
mkdir -p "$DL"
cp "$EXE" "$DL/VeltaroSetup.exe"
i686-w64-mingw32-gcc -shared -municode -O2 -s -Wall -Wextra -Werror -static-libgcc \
  -o "$WORK/planted.dll" "$ROOT/tests/e2e/planted_dll.c" || exit 1
overrides=""
for name in $PLANTED; do
  cp "$WORK/planted.dll" "$DL/$name.dll"
  overrides+="$name,"
done
cp "$WORK/stand_in.exe" "$DL/cmd.exe"
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;${overrides%,}=n,b"
# An earlier run's package, which the install deletes before it downloads.
DOWNLOADS="$DRIVE_D/Program Files/Veltaro/InstVeltaro/Downloads"
mkdir -p "$DOWNLOADS"
echo old >"$DOWNLOADS/VeltaroPlatform_2.0.9.zip"

start_xvfb || exit 1
echo "-- started from the download folder, without arguments"
(cd "$DL" && VELTARO_STAND_IN_LOG="$(winepath -w "$STAND_LOG" 2>/dev/null)" wine ./VeltaroSetup.exe >>"$WORK/wine.log" 2>&1) &
if W=$(find_window 60); then
  geometry "$W"
  xdotool mousemove 5 5
  click_at 250 400  # "极速安装"
  click_at 250 400  # "立即安装"
  deadline=$((SECONDS + 90))
  while [ "$(page_now)" != 3 ] && [ $SECONDS -lt $deadline ] && [ -n "$(our_copies)" ]; do sleep 0.5; done
  check "page 3 after the install" "$([ "$(page_now)" = 3 ] && echo 0 || echo 1)"
  diff -r "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" "$REL/tree" >"$WORK/diff.out" 2>&1
  check "installed tree is the package plus the four components" $?
  click_at 621 19  # the close cross
else
  check "installer window shown" 1
fi
for _ in $(seq 100); do [ -z "$(our_copies)" ] && break; sleep 0.3; done
check "both copies of the installer ended" "$([ -z "$(our_copies)" ] && echo 0 || echo 1)"

ran="$(cd "$DL" && ls -- *.ran 2>/dev/null | sed 's/\.ran$//' | tr '\n' ' ')"
check "no planted DLL ran (ran: ${ran:-none})" "$([ -z "$ran" ] && echo 0 || echo 1)"
check "the planted cmd.exe never ran" "$(grep -qsF 'cmd.exe' "$STAND_LOG" && echo 1 || echo 0)"
check "the earlier .zip was deleted" "$([ ! -e "$DOWNLOADS/VeltaroPlatform_2.0.9.zip" ] && echo 0 || echo 1)"

echo "$FAILS failed checks in ${SECONDS} s"
[ "$FAILS" -eq 0 ]
