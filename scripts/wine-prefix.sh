#!/usr/bin/env bash
# Creates (once) the project's own Wine prefix under build/, with code page 936
# and the font name 微软雅黑 mapped to the installed CJK font. Prints nothing on
# a second run beyond one line.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/wine-env.sh"

if [ -f "$WINEPREFIX/.veltaro-ready" ]; then
  echo "bootstrap: wine prefix ready at $WINEPREFIX"
  exit 0
fi
echo "bootstrap: creating wine prefix at $WINEPREFIX"
mkdir -p "$WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true
wineserver -w || true
font_reg="$(mktemp --suffix=.reg)"
trap 'rm -f "$font_reg"' EXIT
# Font substitutes live in the registry; a .reg file in UTF-16 carries the Chinese name.
printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"微软雅黑"="WenQuanYi Micro Hei"\r\n"Microsoft YaHei"="WenQuanYi Micro Hei"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"微软雅黑"="WenQuanYi Micro Hei"\r\n"Microsoft YaHei"="WenQuanYi Micro Hei"\r\n' \
  | iconv -f UTF-8 -t UTF-16 > "$font_reg"
wine regedit /S "$(winepath -w "$font_reg" 2>/dev/null)" >/dev/null 2>&1 || true
wineserver -w || true
touch "$WINEPREFIX/.veltaro-ready"
