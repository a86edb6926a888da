#!/usr/bin/env bash
# The XP import check catches what would stop a program from loading on Windows
# XP: a function XP lacks, a PE header asking for a newer Windows, and the static
# thread library of the posix-thread compilers.
set -uo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
xp='-Wl,--major-os-version,5,--minor-os-version,1,--major-subsystem-version,5,--minor-subsystem-version,1'
cat >"$work/tick.c" <<'C'
#include <windows.h>
int main(void) { return (int)GetTickCount(); }
C
cat >"$work/tick64.c" <<'C'
#include <windows.h>
int main(void) { return (int)GetTickCount64(); }
C
cat >"$work/thread.cpp" <<'C'
#include <thread>
int main() { std::thread t([] {}); t.join(); }
C

fails=0
# name | compiler | source | flags | expected exit status | text the output must hold
while IFS='|' read -r name cc src flags want text; do
  exe="$work/$name.exe"
  # shellcheck disable=SC2086
  if ! "$cc" -O1 -static $flags "$work/$src" -o "$exe" 2>"$work/$name.log"; then
    echo "FAIL $name: does not build"; cat "$work/$name.log"; fails=$((fails + 1)); continue
  fi
  out="$(bash "$ROOT/scripts/check-imports.sh" --xp "$exe" 2>&1)"
  got=$?
  if [ "$got" -ne "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
    echo "FAIL $name: exit $got (want $want), output:"; echo "$out"; fails=$((fails + 1))
  else
    echo "ok   $name"
  fi
done <<TABLE
xp-clean|i686-w64-mingw32-gcc-win32|tick.c|$xp|0|loads on Windows XP SP3
vista-function|i686-w64-mingw32-gcc-win32|tick64.c|-D_WIN32_WINNT=0x0600 $xp|1|kernel32.dll GetTickCount64
vista-subsystem|i686-w64-mingw32-gcc-win32|tick.c|-Wl,--major-subsystem-version,6,--minor-subsystem-version,0|1|Subsystem version 6.0
posix-threads|i686-w64-mingw32-g++-posix|thread.cpp|$xp|1|kernel32.dll GetTickCount64
TABLE
[ "$fails" -eq 0 ]
