#!/usr/bin/env bash
# veltaro-kit log on a log as a user would mail it: two runs after the tail of a
# rotated one, failure lines marked, text from a server shown without its
# control bytes; --last; a file that cannot be read.
# Usage: kit_log.sh KIT
set -uo pipefail
kit="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fails=0
check() { if [ "$2" = 0 ]; then echo "ok   $1"; else echo "FAIL $1"; fails=$((fails + 1)); fi; }

{ printf '\xEF\xBB\xBF'; printf '%s\r\n' \
  "2026-12-01 09:00:00 INFO  close on page 3" \
  "2026-12-08 10:00:00 START VeltaroSetup 1.0.0, Windows code 14" \
  "2026-12-08 10:00:01 INFO  manifest: version \"V2\"" \
  "2026-12-08 10:00:09 START VeltaroSetup 1.0.0, Windows code 6" \
  $'2026-12-08 10:00:10 FAIL  fetch http://x/ failed: HTTP/1.1 500 \x1b[2J' \
  "2026-12-08 10:00:11 INFO  message box: 下载失败"; } >"$dir/install.log"

out="$("$kit" log "$dir/install.log")"
check "exit 0" $?
want='== run 1 of 3 (no start line): 0 failure lines
   2026-12-01 09:00:00 INFO  close on page 3

== run 2 of 3, started 2026-12-08 10:00:00: 0 failure lines
   2026-12-08 10:00:00 START VeltaroSetup 1.0.0, Windows code 14
   2026-12-08 10:00:01 INFO  manifest: version "V2"

== run 3 of 3, started 2026-12-08 10:00:09: 1 failure line
   2026-12-08 10:00:09 START VeltaroSetup 1.0.0, Windows code 6
>> 2026-12-08 10:00:10 FAIL  fetch http://x/ failed: HTTP/1.1 500 \x1B[2J
   2026-12-08 10:00:11 INFO  message box: 下载失败'
[ "$out" = "$want" ]
check "runs apart, failures marked, control bytes escaped" $?
[ "$out" = "$want" ] || diff <(echo "$want") <(echo "$out") | sed 's/^/   /'

last="$("$kit" log "$dir/install.log" --last)"
[ "$last" = "$(sed -n '/^== run 3/,$p' <<<"$want")" ]
check "--last shows the last run only" $?

"$kit" log "$dir/missing.log" >/dev/null 2>"$dir/err"
[ $? = 1 ] && grep -q "cannot read" "$dir/err"
check "a missing file: exit 1 and why" $?

echo "$fails failed"
[ "$fails" -eq 0 ]
