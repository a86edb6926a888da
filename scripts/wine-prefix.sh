#!/usr/bin/env bash
# Creates (once) the project's own Wine prefix under build/, with code page 936
# and the font name 微软雅黑 mapped to the installed CJK font, then seals it on
# every run: a D: drive on a folder of its own (so the installer picks D: and
# never the Z: drive that maps /), real folders instead of the links into $HOME
# that Wine makes for Desktop, Documents and the like, and no menu entries
# (winemenubuilder.exe disabled). Nothing the installer writes leaves the prefix
# and its D: folder. VELTARO_WINEPREFIX picks another prefix, VELTARO_DRIVE_D
# another D: folder (default: drive_d inside the prefix).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/wine-env.sh"
drive_d="${VELTARO_DRIVE_D:-$WINEPREFIX/drive_d}"

seal() {
  mkdir -p "$drive_d"
  local d
  d="$(readlink "$WINEPREFIX/dosdevices/d:" 2>/dev/null || true)"
  if [ "$d" != "$drive_d" ]; then
    rm -f "$WINEPREFIX/dosdevices/d:"
    ln -s "$drive_d" "$WINEPREFIX/dosdevices/d:"
  fi
  # A link that leaves the prefix (Desktop -> $HOME, ...) becomes an empty folder.
  local link target
  while IFS= read -r -d '' link; do
    target="$(readlink -f "$link" || true)"
    case "$target" in "$WINEPREFIX"/*) continue ;; esac
    rm -f "$link"
    mkdir -p "$link"
  done < <(find "$WINEPREFIX/drive_c/users" -type l -print0)
  # The environment disables it too (wine-env.sh); the registry covers Wine
  # processes started without that environment.
  if ! grep -q '^"winemenubuilder.exe"=""' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /t REG_SZ /d '' /f >/dev/null 2>&1 || true
  fi
}

if [ -f "$WINEPREFIX/.veltaro-ready" ]; then
  seal
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
seal
touch "$WINEPREFIX/.veltaro-ready"
