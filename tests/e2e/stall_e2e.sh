#!/usr/bin/env bash
# The real installer under Wine against a download server that drips: every
# answer goes out one byte every two seconds (`veltaro-kit serve --drip 2000`).
# The manifest fetch of the start-up gives up (fewer than 1 KiB in 30 s), so the
# window is usable within a minute; "立即安装" asks for the manifest again and
# answers with its box "下载版本文件失败". A copy of the project's prefix, D: on a
# temporary folder, nothing written in $HOME.
# Usage: stall_e2e.sh [EXE]   (default build/win32/bin/VeltaroSetup.exe)
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$(realpath "${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}")"
work_folders stall
home_mark

make_test_release "$WORK" "$REL" || exit 1
kit_serve URL "$WORK/serve.out" "$KIT" "$WORK/release/www" --port 0 --drip 2000
SERVE_PID=$SERVED_PID
[ -n "$URL" ] || exit 1
expect "the server drips the manifest" \
  bash -c "[ \"\$(curl -s -m 5 '${URL}zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML' | wc -c)\" -lt 5 ]"

copy_prefix || exit 1
point_installer "$URL" "$URL"
start_xvfb || exit 1

start=$SECONDS
launch || exit 1
click_at 250 400  # "极速安装": handled once the start-up fetch has given up
usable=""
while [ $((SECONDS - start)) -lt 60 ]; do
  folder="$(wintext "$CAPTION" | awk -F'\t' '$1 == "Edit" {print $2}')"
  [ -n "$folder" ] && { usable=$((SECONDS - start)); break; }
  sleep 1
done
check "the window is usable within a minute (page 1 after ${usable:-over 60} s)" "$([ -n "$usable" ] && echo 0 || echo 1)"
shot stall-page1

click_at 250 400  # "立即安装"
clicked=$SECONDS
read_msgbox 50
check "立即安装 answers 下载版本文件失败 after $((SECONDS - clicked)) s (got '$MSG')" \
  "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
expect "the log names the slow server" log_names "VELTARO.XML failed: too slow: fewer than 1 KiB arrived in 30 s" \
  "FAIL  manifest not obtained" "message box: 下载版本文件失败"

close_click
await_exit 30
expect "the installer ends on its close cross" window_gone 10

no_leaks "nothing written in \$HOME"
echo "$FAILS failed checks in ${SECONDS} s"
[ "$FAILS" -eq 0 ]
