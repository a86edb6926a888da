#!/usr/bin/env bash
# veltaro-kit check and fetch against servers on 127.0.0.1 that drip, send too
# much or send terminal escapes: every transfer ends (fewer than 1 KiB in 30 s
# fails it), Ctrl-C and SIGTERM end the command at once with 130 and 143 and
# leave no work folder, the manifest stops at 1 MiB, server text is escaped.
# Usage: kit_hostile.sh KIT
set -uo pipefail
kit="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/serve_lib.sh"
export TMPDIR="$dir/tmp"
mkdir -p "$TMPDIR" "$dir/pkg" "$dir/comp"

python3 "$here/make_packages.py" "$dir/pkg" >/dev/null || { echo "FAIL fixtures"; exit 1; }
for c in BaseService SWUKeyDrive VeltaroCSP SKPDrive; do head -c 3000 /dev/urandom >"$dir/comp/$c.exe"; done
"$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/site" --components "$dir/comp" >/dev/null ||
  { echo "FAIL publish"; exit 1; }
cp -r "$dir/site" "$dir/big" && head -c 1100000 /dev/zero | tr '\0' ';' >>"$dir/big/$m/VELTARO.XML"
cp -r "$dir/site" "$dir/escapes" &&
  sed -i 's/^LargeVer=.*/LargeVer=V2\x1b[2K\rrelease: all checks passed\x1b]0;owned\x07\r/' "$dir/escapes/$m/VELTARO.XML"
serve service "$dir/site"
serve drip2 "$dir/site" --drip 2000 --fault-count 2  # the first two GETs: two segments
serve drip "$dir/site" --drip 2000

# Two transfers held by a server that sends a byte every two seconds, side by
# side. Check stops asking that host after its first stall: within 60 s.
start=$SECONDS
timeout 90 "$kit" check "$drip" --service "$service" >"$dir/check.out" 2>&1 &
check_pid=$!
timeout 90 "$kit" fetch "${drip2}$m/Pkg-2.1.zip" "$dir/fetched.zip" >"$dir/fetch.out" 2>&1 &
fetch_pid=$!
wait "$check_pid"; check_rc=$?
check_s=$((SECONDS - start))
wait "$fetch_pid"; fetch_rc=$?
[ "$check_rc" = 1 ] && [ "$check_s" -le 60 ] && grep -q "^FAIL manifest .*: too slow: fewer than 1 KiB arrived in 30 s$" "$dir/check.out" &&
  grep -q "^FAIL component SKPDrive.exe: .*: not asked: 127.0.0.1:[0-9]* stalled before" "$dir/check.out" &&
  grep -q "^ok   component BaseService.exe: ${service}" "$dir/check.out" &&
  ok "check: a dripping server fails once, is not asked again, the service host is checked ($check_s s)" ||
  { fail "check against a dripping server: rc=$check_rc"; sed 's/^/     /' "$dir/check.out"; }
[ "$fetch_rc" = 1 ] && grep -q "download failed" "$dir/fetch.out" && ok "fetch: dripping segments fail" ||
  { fail "fetch against a dripping server: rc=$fetch_rc"; sed 's/^/     /' "$dir/fetch.out"; }
echo "     (both in $((SECONDS - start)) s)"

# A signal in the middle of a dripping transfer: the exit status, at once, no work folder left.
while IFS='|' read -r name signal want_rc cmd; do
  eval "set -- $cmd"
  "$kit" "$@" >"$dir/sig.out" 2>&1 &
  pid=$!
  sleep 1
  kill "-$signal" "$pid"
  for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    wait "$pid" 2>/dev/null
    fail "$name: still running 3 s after SIG$signal"
    continue
  fi
  wait "$pid"
  rc=$?
  [ "$rc" = "$want_rc" ] && [ -z "$(ls -A "$TMPDIR")" ] && ok "$name" ||
    { fail "$name: rc=$rc, left: $(ls "$TMPDIR")"; sed 's/^/     /' "$dir/sig.out"; }
done <<TABLE
check, Ctrl-C|INT|130|check "$drip" --service "$service"
check, SIGTERM|TERM|143|check "$drip" --service "$service"
fetch, SIGTERM|TERM|143|fetch "${drip}$m/Pkg-2.1.zip" "$dir/sig.zip"
TABLE

# name | tree | serve switches | exit | a line the output must hold
while IFS='|' read -r name tree switches want_rc want; do
  # shellcheck disable=SC2086
  serve base "$dir/$tree" $switches
  out="$(timeout 60 "$kit" check "$base" --service "$service" 2>&1)"
  rc=$?
  if [ "$rc" != "$want_rc" ] || ! grep -qE -- "$want" <<<"$out" || grep -q $'\x1b' <<<"$out"; then
    fail "$name: rc=$rc"
    sed 's/^/     /' <<<"$out" | cat -v
  else
    ok "$name"
  fi
done <<'TABLE'
manifest of 1 MiB and more|big||1|^FAIL manifest .*: the body is larger than 1 MiB$
... without a length|big|--no-length|1|^FAIL manifest .*: the body is larger than 1 MiB$
terminal escapes in the manifest|escapes||0|LargeVer=V2\\x1B\[2K\\x0Drelease: all checks passed\\x1B\]0;owned\\x07 url=
TABLE

echo "$fails failed"
[ "$fails" -eq 0 ]
