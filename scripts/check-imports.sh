#!/usr/bin/env bash
# check-imports.sh DIR PROGRAM...: every .exe in DIR is PE32 i386 and imports only
# DLLs that ship with Windows; the named programs (the shipped ones) are there and
# also load on Windows XP SP3.
# check-imports.sh --xp EXE...: only the XP check, on the given programs.
# The XP check: every imported function is listed in scripts/xp-imports.txt, and
# the PE header asks for an OS and subsystem version of at most 5.1.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
known="$here/xp-imports.txt"
allowed='^(kernel32|user32|gdi32|gdiplus|shell32|ole32|oleaut32|advapi32|crypt32|ws2_32|comctl32|comdlg32|shlwapi|msvcrt|winmm|uxtheme|version|mswsock|imm32|msimg32|winhttp)\.dll$'
# What VeltaroSetup.exe may import at load time, before its entry routine can
# narrow the DLL search: only DLLs Windows takes from the system folder whatever
# lies beside the program, the known DLLs and the DLLs they import ("Dynamic-link
# library search order", learn.microsoft.com: a known DLL and its dependent DLLs
# come from the system's copy). kernel32, user32, gdi32, advapi32 and shell32
# are in the KnownDLLs key since Windows NT (KB102985, KB164501 for XP), ole32
# from Windows 2000/XP on, and all six in every later release's key. msvcrt.dll
# is in the key from Vista on; on XP SP3 it is not listed but is imported by the
# known ole32, shell32 and advapi32, which makes it a dependent known DLL (no
# Microsoft page lists XP's dependencies: this rests on those DLLs' imports).
# Everything else is loaded on its first call, from the system folder by full path
# (platform/win32/system_dll.cpp).
installer_known='^(kernel32|user32|gdi32|advapi32|shell32|ole32|msvcrt)\.dll$'

# "dll function" per function imported at load time or loaded on its first call
# (scripts/lazy-imports.py); a function imported by ordinal only shows as
# "dll #ordinal", which no list entry matches.
imports() {
  {
    i686-w64-mingw32-objdump -p "$1" | awk '
      /DLL Name:/ { dll = tolower($3); next }
      /^$/ { dll = "" }
      dll && /^\t[0-9a-f]+\t/ {
        if (NF >= 3 && $2 ~ /^[0-9]+$/) print dll, $3; else print dll, "#" $NF
      }'
    python3 "$here/lazy-imports.py" "$1"
  } | LC_ALL=C sort -u
}
# The DLLs imported at load time, as the PE header names them.
load_time_dlls() { i686-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ {print $3}'; }

# version EXE FIELD: a numeric field of the PE optional header.
version() { i686-w64-mingw32-objdump -p "$1" | awk -v f="$2" '$1 == f { print $2 }'; }

xp_check() {
  local exe="$1" bad=0 kind major minor
  for kind in OSystem Subsystem; do
    major=$(version "$exe" "Major${kind}Version")
    minor=$(version "$exe" "Minor${kind}Version")
    if [ -z "$major" ] || [ "$major" -gt 5 ] || { [ "$major" -eq 5 ] && [ "$minor" -gt 1 ]; }; then
      echo "$(basename "$exe"): ${kind} version ${major:-?}.${minor:-?} is newer than Windows XP (5.1)"
      bad=1
    fi
  done
  local unknown
  unknown=$(LC_ALL=C comm -23 <(imports "$exe") <(grep -v '^#' "$known" | LC_ALL=C sort -u))
  if [ -n "$unknown" ]; then
    echo "$(basename "$exe") imports what Windows XP SP3 may not have (not in scripts/xp-imports.txt):"
    echo "$unknown" | sed 's/^/  /'
    bad=1
  fi
  [ $bad -eq 0 ] && echo "$(basename "$exe"): loads on Windows XP SP3 ($(imports "$exe" | wc -l) functions)"
  return $bad
}

if [ "${1:-}" = "--xp" ]; then
  shift
  bad=0
  for exe in "$@"; do xp_check "$exe" || bad=1; done
  exit $bad
fi

dir="$1"
shift
bad=0
for exe in "$dir"/*.exe; do
  file -b "$exe" | grep -q 'PE32 executable.*Intel 80386' || { echo "$exe: not PE32 i386"; bad=1; }
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -qE "$allowed"; then echo "$exe imports $dll"; bad=1; fi
  done < <(imports "$exe" | awk '{print $1}' | uniq)
  if [ "$(basename "$exe")" = VeltaroSetup.exe ]; then
    while read -r dll; do
      if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -qE "$installer_known"; then
        echo "$exe imports $dll at load time: not a known DLL on every Windows from XP SP3 on"
        bad=1
      fi
    done < <(load_time_dlls "$exe")
  fi
  echo "$(basename "$exe"): $(stat -c %s "$exe") bytes, imports $(load_time_dlls "$exe" | tr '\n' ' ')on first call $(python3 "$here/lazy-imports.py" "$exe" | awk '{print $1}' | uniq | tr '\n' ' ')"
done
for name in "$@"; do
  if [ -f "$dir/$name" ]; then xp_check "$dir/$name" || bad=1; else echo "$name missing"; bad=1; fi
done
exit $bad
