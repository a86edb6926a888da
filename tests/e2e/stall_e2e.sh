#!/usr/bin/env bash
# The real installer under Wine against a download server that drips: every
# answer goes out one byte every two seconds (`veltaro-kit serve --drip 2000`).
# The manifest fetch of the start-up gives up (fewer than 1 KiB in 30 s), so the
# window is usable within a minute; "立即安装" asks for the manifest again and
# answers with its box "下载版本文件失败". A copy of the project's prefix, D: on a
# temporary folder, nothing written in $HOME.
# Usage: stall_e2e.sh [EXE]   (default build/win32/bin/VeltaroSetup.exe)
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
source "$ROOT/scripts/wine-ui.sh"
EXE="$(realpath "${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}")"
KIT="$ROOT/build/native/bin/veltaro-kit"
source "$ROOT/tests/e2e/install_lib.sh"
source "$ROOT/tests/e2e/log_lib.sh"
work_folders stall
SERVE_PID=""
APP_PID=""
touch "$WORK/.start"
sleep 1  # later writes get a newer time stamp than the mark

cleanup() {
  e2e_cleanup
  stop_servers
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 124' TERM INT

make_test_release "$WORK" "$REL" || exit 1
"$KIT" serve "$WORK/release/www" --port 0 --drip 2000 >"$WORK/serve.out" 2>&1 &
SERVE_PID=$!
for _ in $(seq 50); do grep -qs listening "$WORK/serve.out" && break; sleep 0.1; done
URL="$(grep -o 'http://127.0.0.1:[0-9]*/' "$WORK/serve.out")"
[ -n "$URL" ] || { echo "veltaro-kit serve did not start"; exit 1; }
expect "the server drips the manifest" \
  bash -c "[ \"\$(curl -s -m 5 '${URL}zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML' | wc -c)\" -lt 5 ]"

bash "$ROOT/scripts/wine-prefix-copy.sh" "$WINEPREFIX" "$DRIVE_D" || exit 1
expect "prefix: D: is the temporary folder" [ "$(readlink "$WINEPREFIX/dosdevices/d:")" = "$DRIVE_D" ]
for v in DownloadBaseUrl ServiceBaseUrl; do
  wine reg add 'HKLM\SOFTWARE\Veltaro\InstVeltaro' /v "$v" /t REG_SZ /d "$URL" /f /reg:32 >/dev/null 2>&1
done
start_xvfb || exit 1

start=$SECONDS
wine "$EXE" UAC >>"$WORK/wine.log" 2>&1 &
APP_PID=$!
W=$(find_window 60) || { check "installer window shown" 1; exit 1; }
geometry "$W"
xdotool mousemove 5 5
click_at 250 400  # "极速安装": handled once the start-up fetch has given up
usable=""
while [ $((SECONDS - start)) -lt 60 ]; do
  folder="$(wine "$WORK/wintext.exe" "$CAPTION" 2>/dev/null | tr -d '\r' | awk -F'\t' '$1 == "Edit" {print $2}')"
  [ -n "$folder" ] && { usable=$((SECONDS - start)); break; }
  sleep 1
done
check "the window is usable within a minute (page 1 after ${usable:-over 60} s)" "$([ -n "$usable" ] && echo 0 || echo 1)"
shot stall-page1

click_at 250 400  # "立即安装"
clicked=$SECONDS
MSG=""
if w=$(find_window 50 提示); then
  MSG="$(wine "$WORK/wintext.exe" 提示 2>/dev/null | tr -d '\r' | awk -F'\t' '$1 == "Static" && $2 != "" {print $2; exit}')"
  shot stall-message
  xdotool windowfocus --sync "$w" key Return
fi
check "立即安装 answers 下载版本文件失败 after $((SECONDS - clicked)) s (got '$MSG')" \
  "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
expect "the log names the slow server" log_names "VELTARO.XML failed: too slow: fewer than 1 KiB arrived in 30 s" \
  "FAIL  manifest not obtained" "message box: 下载版本文件失败"

click_at 621 19  # the close cross
deadline=$((SECONDS + 30))
while kill -0 "$APP_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do sleep 0.2; done
expect "the installer ends on its close cross" window_gone 10

wineserver -k >/dev/null 2>&1
# The compiler cache is written by builds running beside this test, never by Wine.
leaks="$(find "$HOME" -newer "$WORK/.start" -not -path "$HOME/.claude*" -not -path "$HOME/.cache/ccache*" -not -path "$HOME/.ccache*" 2>/dev/null | head -n 20)"
[ -z "$leaks" ] || echo "$leaks" | sed 's/^/   /'
check "nothing written in \$HOME" "$([ -z "$leaks" ] && echo 0 || echo 1)"
echo "$FAILS failed checks in ${SECONDS} s"
[ "$FAILS" -eq 0 ]
