#!/usr/bin/env bash
# wine-prefix-copy.sh PREFIX DRIVE_D: a fresh copy of the project's Wine prefix
# at PREFIX (whatever was there is replaced), sealed like the original: its D:
# drive on the folder DRIVE_D, no links into $HOME, no menu entries. Wine's own
# programs are hard links, the rest is copied: a second instead of a new prefix's
# twenty. The project's prefix is created first when missing.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$here/scripts/wine-env.sh"
base="$WINEPREFIX"
prefix="$(realpath -m "$1")"
drive_d="$(realpath -m "$2")"
bash "$here/scripts/wine-prefix.sh" >/dev/null
rm -rf "$prefix"
mkdir -p "$prefix/drive_c/windows"
# Its dot files too: without .update-timestamp Wine would update the copy first.
for e in "$base"/* "$base"/.[!.]*; do
  case "$(basename "$e")" in drive_c | drive_d) ;; *) cp -a "$e" "$prefix/" ;; esac
done
for e in "$base"/drive_c/*; do
  [ "$(basename "$e")" = windows ] || cp -a "$e" "$prefix/drive_c/"
done
for e in "$base"/drive_c/windows/*; do
  case "$(basename "$e")" in
    system32 | syswow64 | winsxs) cp -al "$e" "$prefix/drive_c/windows/" ;;
    *) cp -a "$e" "$prefix/drive_c/windows/" ;;
  esac
done
VELTARO_WINEPREFIX="$prefix" VELTARO_DRIVE_D="$drive_d" bash "$here/scripts/wine-prefix.sh" >/dev/null
