#!/usr/bin/env bash
# Every failure of veltaro-kit says why in words; bars only on a terminal,
# otherwise one summary line; help for each command and the version.
# Usage: kit_messages.sh KIT
set -uo pipefail
kit="$1"
source "$(dirname "${BASH_SOURCE[0]}")/serve_lib.sh"

mkdir -p "$dir/www"
head -c 300000 /dev/urandom >"$dir/www/pkg.bin"
(cd "$dir" && mkdir z && echo hi >z/a.txt && cd z && zip -q ../p.zip a.txt)
serve ok "$dir/www"
serve ignoring "$dir/www" --ignore-range
closed="$(closed_url)"

# name | exit | stderr must hold | command...
while IFS='|' read -r name want_rc want cmd; do
  eval "set -- $cmd"
  err="$(timeout 60 "$kit" "$@" 2>&1 >/dev/null </dev/null)"
  rc=$?
  if [ "$rc" != "$want_rc" ] || ! grep -qE -- "$want" <<<"$err"; then
    echo "FAIL $name: rc=$rc stderr: $err"
    fails=$((fails + 1))
  else
    echo "ok   $name"
  fi
done <<TABLE
crc of a missing file|1|cannot read .*: The system cannot find the file specified\.$|crc "$dir/none"
fetch from a closed port|1|download failed: cannot connect to 127\.0\.0\.1:[0-9]+: connection refused|fetch "${closed}pkg.bin" "$dir/f1"
fetch of a missing file|1|download failed: the server answered HTTP/1\.1 404 Not Found|fetch "${ok}none.bin" "$dir/f2"
fetch from a server ignoring ranges|1|download failed: the server ignores Range|fetch "${ignoring}pkg.bin" "$dir/f3"
fetch shows the engine's log|1|^  engine: |fetch "${ignoring}pkg.bin" "$dir/f4"
fetch sums up off a terminal|0|^fetched 0\.3 MiB in [0-9.]+ s$|fetch "${ok}pkg.bin" "$dir/f5"
unpack sums up off a terminal|0|^unpacked 1 entries|unpack "$dir/p.zip" "$dir/new/deeper"
TABLE
(cd "$dir" && "$kit" unpack p.zip u 2>/dev/null)  # a relative name as short as a drive's
[ -f "$dir/new/deeper/a.txt" ] && [ -f "$dir/u/a.txt" ] && echo "ok   unpack made its destination" ||
  { echo "FAIL unpack destination"; fails=$((fails + 1)); }
grep -q $'\r' <(timeout 60 "$kit" fetch "${ok}pkg.bin" "$dir/f6" 2>&1) && { echo "FAIL a bar drawn off a terminal"; fails=$((fails + 1)); }

for c in publish check crc serve fetch unpack; do
  out="$("$kit" "$c" --help)"
  [ $? = 0 ] && grep -q "^usage: veltaro-kit $c " <<<"$out" && [ "$(wc -l <<<"$out")" -ge 3 ] ||
    { echo "FAIL $c --help: $out"; fails=$((fails + 1)); }
done
grep -qE '^veltaro-kit [0-9]+\.[0-9]+\.[0-9]+$' <<<"$("$kit" --version)" && echo "ok   --help and --version" ||
  { echo "FAIL --version"; fails=$((fails + 1)); }

echo "$fails failed"
[ "$fails" -eq 0 ]
