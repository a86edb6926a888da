#!/usr/bin/env bash
# Every .exe in DIR is PE32 i386 and imports only DLLs that ship with Windows.
set -euo pipefail
dir="$1"
allowed='^(kernel32|user32|gdi32|gdiplus|shell32|ole32|oleaut32|advapi32|crypt32|ws2_32|comctl32|comdlg32|shlwapi|msvcrt|winmm|uxtheme|version|mswsock|imm32|msimg32)\.dll$'
bad=0
for exe in "$dir"/*.exe; do
  file -b "$exe" | grep -q 'PE32 executable.*Intel 80386' || { echo "$exe: not PE32 i386"; bad=1; }
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -qE "$allowed"; then echo "$exe imports $dll"; bad=1; fi
  done < <(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
  echo "$(basename "$exe"): $(stat -c %s "$exe") bytes, imports $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {printf "%s ", $3}')"
done
exit $bad
