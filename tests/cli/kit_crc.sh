#!/usr/bin/env bash
# veltaro-kit crc from the outside: the checksum text and a newline on stdout with
# exit 0; an unreadable file gives a message on stderr, nothing on stdout, exit 1.
# Usage: kit_crc.sh KIT [RUNNER]   (RUNNER, e.g. scripts/wine-run.sh, runs a .exe)
set -uo pipefail
kit="$1"
runner="${2:-}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fails=0

# The path as the program sees it: Wine reaches the Linux root through Z:.
arg() { if [ -n "$runner" ]; then echo "Z:${1//\//\\}"; else echo "$1"; fi; }
run() { if [ -n "$runner" ]; then "$runner" "$kit" "$@"; else "$kit" "$@"; fi; }

expect() {  # expect NAME WANT_RC WANT_STDOUT STDERR_NONEMPTY(0/1) ARGS...
  local name="$1" want_rc="$2" want_out="$3" want_err="$4"
  shift 4
  local out err rc
  out="$(run "$@" 2>"$dir/err" | tr -d '\r')"
  rc=${PIPESTATUS[0]}
  err="$(cat "$dir/err")"
  if [ "$rc" != "$want_rc" ] || [ "$out" != "$want_out" ] || { [ "$want_err" = 1 ] && [ -z "$err" ]; }; then
    echo "FAIL $name: rc=$rc stdout='$out' stderr='$err'"
    fails=$((fails + 1))
  else
    echo "ok   $name"
  fi
}

printf 'abc' >"$dir/abc"
: >"$dir/empty"
head -c 100000 /dev/zero >"$dir/zeros"
want_zeros=$(python3 -c 'import zlib; print("%02X" % zlib.crc32(bytes(100000)))')

expect "abc" 0 "352441C2" 0 crc "$(arg "$dir/abc")"
expect "empty file" 0 "00" 0 crc "$(arg "$dir/empty")"
expect "100000 zero bytes" 0 "$want_zeros" 0 crc "$(arg "$dir/zeros")"
expect "missing file" 1 "" 1 crc "$(arg "$dir/missing")"
expect "a folder" 1 "" 1 crc "$(arg "$dir")"
expect "no file named" 2 "" 1 crc
out="$(run --help 2>&1 | tr -d '\r')"
for c in crc serve fetch unpack; do
  grep -q "^  $c " <<<"$out" || { echo "FAIL --help does not list $c"; fails=$((fails + 1)); }
done

echo "$fails failed"
[ "$fails" -eq 0 ]
