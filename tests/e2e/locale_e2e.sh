#!/usr/bin/env bash
# The window on a Windows whose language for non-Unicode programs is not
# Chinese. The same install runs twice under Wine, each in a throwaway copy of
# the project's prefix: once under zh_CN.UTF-8 (code page 936), once under
# en_US.UTF-8 (1252). Both must show the title 极速安装, pages 0 to 3 and the
# message box alike pixel for pixel (the animated part of page 0, the moving
# progress and the box's button masked), the manifest's GBK version text, the
# same message box texts and the folder picker's prompt. Screenshots stay in
# build/e2e/locale-*.png.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$ROOT/build/win32/bin/VeltaroSetup.exe"
work_folders locale
ZH_LOCALE="$LC_ALL"


# The test release with a version text that is not ASCII, in GBK as
# `veltaro-kit publish` writes it; the download server holds every file. Its
# file names are ASCII: names_e2e.sh installs every kind of name under both.
make_test_release "$WORK" "$REL" --ascii-names || exit 1
MANIFEST="$REL/www/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML"
python3 - "$MANIFEST" <<'PY' || exit 1
import re, sys
p = sys.argv[1]
text = open(p, "rb").read()
open(p, "wb").write(re.sub(rb"LargeVer=[^\r\n]*", "LargeVer=V2.1版".encode("gbk"), text))
PY
cp -a "$REL/svc/." "$REL/www/"
DL_PORT=$(free_port)
# Slow enough that page 2 stays a few seconds.
serve_downloads "limit_rate 512k;" || exit 1
start_xvfb || exit 1

# installer_window TIMEOUT: the visible 642 x 482 window, whatever its title.
installer_window() {
  local deadline=$((SECONDS + $1)) w
  while [ $SECONDS -lt $deadline ]; do
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
      [ "${WIDTH:-0}" = 642 ] && [ "${HEIGHT:-0}" = 482 ] && { echo "$w"; return 0; }
    done
    sleep 0.3
  done
  return 1
}
# dialog_window TIMEOUT: a visible window that is neither the installer nor
# the taskbar's "Veltaro".
dialog_window() {
  local deadline=$((SECONDS + $1)) w
  while [ $SECONDS -lt $deadline ]; do
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Veltaro ] && continue
      eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
      [ "${WIDTH:-0}" = 642 ] && [ "${HEIGHT:-0}" = 482 ] && continue
      echo "$w"
      return 0
    done
    sleep 0.3
  done
  return 1
}
# content SHOT NAME [RECT...]: the window's content of SHOT as locale-NAME.png,
# each RECT ("x0,y0 x1,y1" in content coordinates) painted black.
content() {
  local shot="$1" name="$2" draw=()
  shift 2
  for r in "$@"; do draw+=(-draw "rectangle $r"); done
  /usr/bin/convert "$OUT/$shot.png" -crop 640x480+$((WX + 1))+$((WY + 1)) +repage -fill black "${draw[@]}" \
    "$OUT/locale-$name.png"
}
# The part of page 0's background that moves by itself.
ANIMATION="422,175 513,292"

# run_once TAG LOCALE: one install under LOCALE; its pictures are locale-TAG-*.png,
# its title TITLE_TAG, its message box MSG_TAG and CAP_TAG.
run_once() {
  local tag="$1" loc="$2" title cap msg
  echo "-- $tag ($loc)"
  export WINEPREFIX="$WORK/prefix-$tag"
  DRIVE_D="$WORK/d-$tag"
  copy_prefix || return 1
  wineserver -k >/dev/null 2>&1
  # From here on every Wine process of this prefix, its server too, runs in LOCALE.
  export LC_ALL="$loc" LANG="$loc"
  point_installer "http://127.0.0.1:$DL_PORT/" "http://127.0.0.1:$DL_PORT/"
  wine "$EXE" UAC >>"$WORK/wine-$tag.log" 2>&1 &
  APP_PID=$!
  W=$(installer_window 60) || { check "$tag: the installer window is shown" 1; return 1; }
  title="$(xdotool getwindowname "$W")"
  check "$tag: the window's title reads 极速安装 (got '$title')" "$([ "$title" = "$CAPTION" ] && echo 0 || echo 1)"
  geometry "$W"
  xdotool mousemove 5 5
  sleep 1
  shot "locale-$tag-screen-0"
  content "locale-$tag-screen-0" "$tag-page0" "$ANIMATION"

  click_at 250 400  # "极速安装"
  xdotool mousemove 5 5
  sleep 0.8
  shot "locale-$tag-screen-1"
  content "locale-$tag-screen-1" "$tag-page1"

  # "浏览": the folder picker with its prompt, cancelled (the box keeps its folder).
  click_at 524 313
  local prompt=""
  if w=$(dialog_window 15); then
    prompt="$(wintext "$(xdotool getwindowname "$w")" |
      awk -F'\t' '$1 == "Static" && $2 == "请选择安装文件夹" {print $2; exit}')"
    shot "locale-$tag-screen-picker"
    xdotool windowfocus --sync "$w" key Escape
    sleep 1
  fi
  printf -v "PROMPT_$tag" %s "$prompt"

  # An empty box and "立即安装": the message box "提示".
  click_at 300 313
  xdotool key End key --repeat 60 --delay 10 BackSpace
  click_at 250 400
  cap="" msg=""
  if w=$(find_window 15 提示); then
    cap=提示
    msg="$(wintext 提示 | awk -F'\t' '$1 == "Static" && $2 != "" {print $2; exit}')"
    shot "locale-$tag-screen-message"
    # The box above its button, whose text ("确定", "OK") is the system's own.
    eval "$(xdotool getwindowgeometry --shell "$w")"
    /usr/bin/convert "$OUT/locale-$tag-screen-message.png" -crop "${WIDTH}x$((HEIGHT - 36))+$X+$Y" +repage \
      "$OUT/locale-$tag-message.png"
    xdotool windowfocus --sync "$w" key Return
  else
    for w in $(xdotool search --onlyvisible --name . 2>/dev/null); do echo "   window: $(xdotool getwindowname "$w")"; done
    xdotool key Return  # whatever box there is has the focus
  fi
  window_gone 10 提示
  printf -v "CAP_$tag" %s "$cap"
  printf -v "MSG_$tag" %s "$msg"

  click_at 300 313
  xdotool type --delay 30 'D:\Veltaro365'
  click_at 250 400  # "立即安装"
  local deadline=$((SECONDS + 20))
  until [ "$(page_now)" = 2 ] || [ $SECONDS -ge $deadline ]; do sleep 0.3; done
  xdotool mousemove 5 5
  sleep 0.5
  shot "locale-$tag-screen-2"
  # The progress strip, its fill and percentage masked: they move.
  /usr/bin/convert "$OUT/locale-$tag-screen-2.png" -crop 640x65+$((WX + 1))+$((WY + 1 + 415)) +repage -fill black \
    -draw "rectangle 30,18 609,23" -draw "rectangle 174,35 240,51" "$OUT/locale-$tag-page2.png"

  deadline=$((SECONDS + 60))
  until [ "$(page_now)" = 3 ] || [ $SECONDS -ge $deadline ]; do sleep 0.5; done
  xdotool mousemove 5 5
  sleep 0.8
  shot "locale-$tag-screen-3"
  content "locale-$tag-screen-3" "$tag-page3"
  kill "$APP_PID" 2>/dev/null
  wait "$APP_PID" 2>/dev/null
  APP_PID=""
  wineserver -k >/dev/null 2>&1
  export LC_ALL="$ZH_LOCALE" LANG="$ZH_LOCALE"
  printf -v "TITLE_$tag" %s "$title"
}

run_once zh "$ZH_LOCALE"
run_once en en_US.UTF-8

for page in page0 page1 page2 page3 message; do
  ae=$(/usr/bin/compare -metric AE "$OUT/locale-zh-$page.png" "$OUT/locale-en-$page.png" \
    "$OUT/locale-diff-$page.png" 2>&1 >/dev/null | cut -d' ' -f1)
  check "$page under en_US as under zh_CN ($ae pixels differ)" "$([ "$ae" = 0 ] && echo 0 || echo 1)"
done
# The version label of page 1 holds text: "V2.1版" drawn, not left empty.
dark=$(/usr/bin/convert "$OUT/locale-en-page1.png" -crop 60x27+290+204 +repage -colorspace gray -threshold 70% \
  -format '%[fx:1-mean]' info:)
check "page 1 shows a version text ($dark dark)" "$(awk -v d="$dark" 'BEGIN { exit !(d > 0.02) }'; echo $?)"
for tag in zh en; do
  prompt="PROMPT_$tag"
  check "$tag: the folder picker asks 请选择安装文件夹 (got '${!prompt}')" "$([ "${!prompt}" = 请选择安装文件夹 ] && echo 0 || echo 1)"
  cap="CAP_$tag" msg="MSG_$tag"
  check "$tag: message box 提示 says 请您先设置安装位置 (got '${!cap}' '${!msg}')" \
    "$([ "${!cap}" = 提示 ] && [ "${!msg}" = 请您先设置安装位置 ] && echo 0 || echo 1)"
done

echo "$FAILS failed checks in ${SECONDS} s; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
