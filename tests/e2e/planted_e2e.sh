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
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="${1:-$ROOT/build/win32/bin/VeltaroSetup.exe}"
work_folders planted
# Every DLL the installer or the system's DLLs load on its behalf that is not a
# known DLL (version.dll is left out: Wine's own shell32 loads it from the
# program's folder as it is loaded, before the program's first line).
PLANTED="crypt32 gdiplus ws2_32 uxtheme dwmapi winmm propsys userenv secur32 iphlpapi dnsapi mswsock rsaenh
  cryptsp comctl32 msimg32 shfolder wtsapi32 netapi32 sspicli apphelp cryptbase profapi linkinfo ntshrui
  cscapi srvcli ntmarta oleacc clbcatq setupapi"

make_test_release "$WORK" "$REL" || exit 1
start_servers || exit 1
seal_prefix || exit 1

# The user's download folder: the installer, the planted DLLs and cmd.exe.
DL="$USER_DIR/Downloads"
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
  expect "page 3 after the install" await_page 3 90
  expect "installed tree is the package plus the four components" \
    same_tree "$DRIVE_D/Program Files/Veltaro/VeltaroPlatform" "$REL/tree"
  close_click
else
  check "installer window shown" 1
fi
expect "both copies of the installer ended" copies_gone 30

ran="$(cd "$DL" && ls -- *.ran 2>/dev/null | sed 's/\.ran$//' | tr '\n' ' ')"
check "no planted DLL ran (ran: ${ran:-none})" "$([ -z "$ran" ] && echo 0 || echo 1)"
check "the planted cmd.exe never ran" "$(grep -qsF 'cmd.exe' "$STAND_LOG" && echo 1 || echo 0)"
check "the earlier .zip was deleted" "$([ ! -e "$DOWNLOADS/VeltaroPlatform_2.0.9.zip" ] && echo 0 || echo 1)"

echo "$FAILS failed checks in ${SECONDS} s"
[ "$FAILS" -eq 0 ]
