#!/usr/bin/env bash
# The real VeltaroSetup.exe under Wine on a virtual X display: the elevated
# restart, any argument showing the window, the welcome and location pages,
# hover colour and pointer shape, a double-click, dragging and the close
# button. Every check reads the screen (screenshots at probe pixels, the
# pointer's image) or the window geometry. Screenshots stay in build/e2e/.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/wine-env.sh"
EXE="$ROOT/build/win32/bin/VeltaroSetup.exe"
OUT="$ROOT/build/e2e"
mkdir -p "$OUT"
rm -f "$OUT"/*.png
source "$ROOT/scripts/wine-ui.sh"

APP_PID=""
# The installer asks the download server for its manifest when it shows: here
# it finds a closed loopback port, so that nothing leaves the machine.
INSTVELTARO='HKLM\SOFTWARE\Veltaro\InstVeltaro'
point_installer "http://127.0.0.1:9/" "http://127.0.0.1:9/"
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  e2e_cleanup
  wine reg delete "$INSTVELTARO" /f /reg:32 >/dev/null 2>&1
  wait 2>/dev/null
}
trap cleanup EXIT

start_xvfb || exit 1

# The pointer's current image (size, hot spot, checksum of its pixels).
pointer_image() {
  python3 - <<'PY'
import ctypes, ctypes.util, zlib
x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
xfixes = ctypes.CDLL(ctypes.util.find_library("Xfixes"))
class Image(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]
x11.XOpenDisplay.restype = ctypes.c_void_p
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(Image)
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
d = x11.XOpenDisplay(None)
img = xfixes.XFixesGetCursorImage(d).contents
n = img.width * img.height
pixels = bytes(ctypes.cast(img.pixels, ctypes.POINTER(ctypes.c_ulong * n)).contents)
print(img.width, img.height, img.xhot, img.yhot, zlib.crc32(pixels))
PY
}
# Points of the window (content coordinates): the blue button outside its
# text, the close cross, the top edge of the path box of page 1.
BTN_X=250 BTN_Y=400
CLOSE_X=621 CLOSE_Y=18
FRAME_X=300 FRAME_Y=295

# 1. Without arguments: the program restarts itself with "UAC".
wine "$EXE" >/dev/null 2>&1 &
APP_PID=$!
exits_with_zero 30 "first copy ends with exit code 0"
W=$(find_window 30)
check "the restarted copy shows the window" "$([ -n "$W" ] && echo 0 || echo 1)"
uac=1
for p in $(our_copies); do tr '\0' ' ' <"/proc/$p/cmdline" | grep -q 'VeltaroSetup\.exe UAC *$' && uac=0; done
check "the restarted copy has the argument UAC" $uac
if [ -n "$W" ]; then
  geometry "$W"
  shot 01-restarted
  near "$(pixel 01-restarted $BTN_X $BTN_Y)" 2E7BFB
  check "restarted copy shows page 0" $?
  click_at $CLOSE_X $CLOSE_Y
  window_gone 15
  check "close button closes the restarted copy" $?
fi
copies_gone 10

# 2. With any argument, not only "UAC": page 0 at once, no restart, centred on the screen.
wine "$EXE" x >/dev/null 2>&1 &
APP_PID=$!
W=$(find_window 30)
check "window shown with the argument x" "$([ -n "$W" ] && echo 0 || echo 1)"
[ -n "$W" ] || exit 1
restarted=0
for p in $(our_copies); do tr '\0' ' ' <"/proc/$p/cmdline" | grep -q 'VeltaroSetup\.exe UAC *$' && restarted=1; done
check "no elevated restart with the argument x" $restarted
geometry "$W"
eval "$(xdotool getwindowgeometry --shell "$W")"
check "outer size 642 x 482 (got ${WIDTH}x${HEIGHT})" "$([ "$WIDTH" = 642 ] && [ "$HEIGHT" = 482 ] && echo 0 || echo 1)"
check "centred at 191,143 (got $WX,$WY)" "$([ "$WX" = 191 ] && [ "$WY" = 143 ] && echo 0 || echo 1)"
xdotool mousemove 5 5
sleep 1
shot 02-page0
near "$(pixel 02-page0 $BTN_X $BTN_Y)" 2E7BFB
check "page 0: button blue #2E7BFB" $?
near "$(pixel 02-page0 $CLOSE_X $CLOSE_Y)" 333333
check "page 0: dark close cross" $?
near "$(pixel 02-page0 -1 -1)" C0C0C0
check "silver frame" $?
PAGE0_FRAME=$(pixel 02-page0 $FRAME_X $FRAME_Y)
# The welcome picture plays by itself: later shots of the still window differ.
moving=1
for i in 1 2 3; do
  sleep 0.3
  shot "02-page0-later$i"
  ae=$(/usr/bin/compare -metric AE "$OUT/02-page0.png" "$OUT/02-page0-later$i.png" null: 2>&1 >/dev/null | cut -d' ' -f1)
  [ "${ae%.*}" -gt 0 ] 2>/dev/null && moving=0
done
check "page 0: the background is animated" $moving

xdotool mousemove $((WX + 1 + BTN_X)) $((WY + 1 + BTN_Y))
sleep 0.8
shot 03-hover
near "$(pixel 03-hover $BTN_X $BTN_Y)" 468CFF
check "page 0: hover blue #468CFF" $?
xdotool mousemove $((WX + 1 + CLOSE_X)) $((WY + 1 + CLOSE_Y))
sleep 0.8
shot 04-close-hover
near "$(pixel 04-close-hover $CLOSE_X $CLOSE_Y)" 3887FF
check "page 0: blue close cross under the pointer" $?
# The pointer's shape is decided when it arrives: one move from the background
# onto the button shows the hand at once.
xdotool mousemove $((WX + 1 + 30)) $((WY + 1 + 300))
sleep 0.8
ARROW=$(pointer_image)
xdotool mousemove $((WX + 1 + BTN_X)) $((WY + 1 + BTN_Y))
sleep 0.8
HAND=$(pointer_image)
check "page 0: the hand over the button after one move ($ARROW / $HAND)" \
  "$([ -n "$ARROW" ] && [ -n "$HAND" ] && [ "$ARROW" != "$HAND" ] && echo 0 || echo 1)"

# 3. "极速安装" shows page 1; "返回" page 0 again.
click_at $BTN_X $BTN_Y
xdotool mousemove 5 5
sleep 0.8
shot 05-page1
near "$(pixel 05-page1 $FRAME_X $FRAME_Y)" D5D5D5
check "page 1 after 极速安装 (path box frame)" $?
# The path box takes the keyboard: typed text shows dark in the white box.
dark_share() {  # SHOT: the share of dark pixels inside the edit box
  /usr/bin/convert "$OUT/$1.png" -crop 292x20+$((WX + 1 + 174))+$((WY + 1 + 303)) +repage \
    -colorspace gray -threshold 60% -format '%[fx:1-mean]' info:
}
awk -v d="$(dark_share 05-page1)" 'BEGIN { exit !(d > 0.01) }'
check "page 1: the path box proposes a folder" $?
click_at 250 313
xdotool key End key --repeat 60 --delay 10 BackSpace type --delay 40 'D:\Veltaro365'
xdotool mousemove 5 5
sleep 0.8
shot 05-page1-typed
awk -v d="$(dark_share 05-page1-typed)" 'BEGIN { exit !(d > 0.01) }'
check "page 1: typed text shows in the path box" $?
click_at 460 412
xdotool mousemove 5 5
sleep 0.8
shot 06-back
[ "$(pixel 06-back $FRAME_X $FRAME_Y)" = "$PAGE0_FRAME" ] && near "$(pixel 06-back $BTN_X $BTN_Y)" 2E7BFB
check "page 0 after 返回" $?

# A double-click on "极速安装" clicks it once: its second press lands on
# "立即安装" of page 1 and must not click that.
xdotool mousemove $((WX + 1 + BTN_X)) $((WY + 1 + BTN_Y)) sleep 0.2 click --repeat 2 --delay 120 1
xdotool mousemove 5 5
sleep 1.5
shot 06-double-click
near "$(pixel 06-double-click $FRAME_X $FRAME_Y)" D5D5D5
check "page 1 stays after a double-click on 极速安装" $?

# 4. A left drag on the background moves the window; a right drag does not.
X0=$WX Y0=$WY
xdotool mousemove $((WX + 60)) $((WY + 200)) sleep 0.2 mousedown 1 sleep 0.2 \
  mousemove $((WX + 90)) $((WY + 215)) sleep 0.2 mousemove $((WX + 160)) $((WY + 260)) sleep 0.3 mouseup 1
sleep 1
geometry "$W"
check "left drag moves the window by 100,60 (now $WX,$WY)" \
  "$([ "$WX" = $((X0 + 100)) ] && [ "$WY" = $((Y0 + 60)) ] && echo 0 || echo 1)"
X1=$WX Y1=$WY
xdotool mousemove $((WX + 60)) $((WY + 200)) sleep 0.2 mousedown 3 sleep 0.2 \
  mousemove $((WX + 90)) $((WY + 215)) sleep 0.2 mousemove $((WX + 160)) $((WY + 260)) sleep 0.3 mouseup 3
sleep 1
geometry "$W"
check "right drag leaves the window at $X1,$Y1 (now $WX,$WY)" "$([ "$WX" = "$X1" ] && [ "$WY" = "$Y1" ] && echo 0 || echo 1)"
shot 07-moved

# 5. The close button ends the process with exit code 0.
click_at $CLOSE_X $CLOSE_Y
exits_with_zero 20 "close button ends the process with exit code 0"

echo "$FAILS failed checks; screenshots in $OUT"
[ "$FAILS" -eq 0 ]
