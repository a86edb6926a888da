#!/usr/bin/env bash
# End to end: `veltaro-kit check` on a published 100 MiB release served by
# `veltaro-kit serve --rate` (a limit per connection), against curl fetching the
# same package from the same server. check downloads with the installer's two
# segments and then unpacks and asks the components as well, so near 0.5 x curl
# is the goal. Prints the median of ROUNDS runs and the peak resident memory.
# A row through tinyproxy on loopback (when installed) shows that the engine
# keeps its two connections behind a proxy: at most 1.1 x the direct run.
# Not part of the test command:
#   bash tests/bench/check_bench.sh [path/to/veltaro-kit] [rounds]   (RATE=10m by default)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
KIT="$(realpath "${1:-$ROOT/build/native/bin/veltaro-kit}")"
ROUNDS="${2:-3}"
RATE="${RATE:-10m}"
WORK="$(mktemp -d /tmp/veltaro-check-bench-XXXXXX)"
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill -INT "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# The package: the root files the installer expects and one 100 MiB member
# stored as it is, so the package is 100 MiB on the wire.
mkdir -p "$WORK/src/Uninstall" "$WORK/src/data" "$WORK/comp"
for f in VeltaroLauncher.exe VeltaroMain.exe VAVodevado.exe Uninstall/uninst.exe 365.ico; do
  head -c 4096 /dev/urandom >"$WORK/src/$f"
done
head -c $((100 << 20)) /dev/urandom >"$WORK/src/data/blob.bin"
(cd "$WORK/src" && zip -q -0 -r ../Bench-1.0.zip .)
for c in BaseService SWUKeyDrive VeltaroCSP SKPDrive; do head -c 5000 /dev/urandom >"$WORK/comp/$c.exe"; done
"$KIT" publish "$WORK/Bench-1.0.zip" --version 1.0 --out "$WORK/site" --components "$WORK/comp" >/dev/null
PKG_PATH="$(cd "$WORK/site" && find . -name Bench-1.0.zip | sed 's|^\./||')"

"$KIT" serve "$WORK/site" --rate "$RATE" >"$WORK/serve.log" 2>&1 &
PIDS+=($!)
for _ in $(seq 50); do grep -q listening "$WORK/serve.log" 2>/dev/null && break; sleep 0.1; done
BASE="$(grep -o 'http://[0-9.:]*/' "$WORK/serve.log")"
[ -n "$BASE" ] || { echo "veltaro-kit serve did not start"; cat "$WORK/serve.log"; exit 1; }

# timed CMD...: wall seconds and peak KiB of one bounded run into $T and $M.
timed() {
  rm -f "$WORK/pkg.out"
  /usr/bin/time -f "%e %M" -o "$WORK/time" timeout 600 "$@" >"$WORK/run.out" 2>&1 ||
    { echo "failed: $*"; tail -n 20 "$WORK/run.out"; exit 1; }
  read -r T M <"$WORK/time"
}
median() { printf '%s\n' "$@" | sort -g | awk '{v[NR]=$1} END{print v[int((NR+1)/2)]}'; }

PROXY=""
if command -v tinyproxy >/dev/null; then
  PPORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  printf 'Port %s\nListen 127.0.0.1\nTimeout 60\nMaxClients 20\nAllow 127.0.0.1\nLogFile "%s"\nLogLevel Connect\n' \
    "$PPORT" "$WORK/proxy.log" >"$WORK/tinyproxy.conf"
  tinyproxy -d -c "$WORK/tinyproxy.conf" >/dev/null 2>&1 &
  PIDS+=($!)
  for _ in $(seq 50); do grep -q "Accepting connections" "$WORK/proxy.log" 2>/dev/null && break; sleep 0.1; done
  PROXY="http://127.0.0.1:$PPORT"
fi

CURL=() CHECK=() VIA=() CURL_PEAK=0 CHECK_PEAK=0
for _ in $(seq "$ROUNDS"); do
  if [ -n "$PROXY" ]; then
    timed "$KIT" check "$BASE" --service "$BASE" --proxy "$PROXY"
    grep -q "all checks passed" "$WORK/run.out" && grep -q "^proxy 127.0.0.1:$PPORT" "$WORK/run.out" || { cat "$WORK/run.out"; exit 1; }
    VIA+=("$T")
  fi
  timed curl -s -f -o "$WORK/pkg.out" "$BASE$PKG_PATH"
  CURL+=("$T"); [ "$M" -gt "$CURL_PEAK" ] && CURL_PEAK=$M
  timed "$KIT" check "$BASE" --service "$BASE"
  grep -q "all checks passed" "$WORK/run.out" || { cat "$WORK/run.out"; exit 1; }
  CHECK+=("$T"); [ "$M" -gt "$CHECK_PEAK" ] && CHECK_PEAK=$M
done
c=$(median "${CURL[@]}")
k=$(median "${CHECK[@]}")
echo "== $(stat -c %s "$WORK/Bench-1.0.zip") byte package, veltaro-kit serve --rate $RATE, median of $ROUNDS"
echo "curl (one connection)   ${c}s  [${CURL[*]}]  peak $((CURL_PEAK / 1024)) MiB"
echo "veltaro-kit check       ${k}s  [${CHECK[*]}]  peak $((CHECK_PEAK / 1024)) MiB"
echo "check/curl $(awk "BEGIN{printf \"%.2f\", $k / $c}") (goal near 0.5)"
if [ -n "$PROXY" ]; then
  v=$(median "${VIA[@]}")
  echo "veltaro-kit check via tinyproxy  ${v}s  [${VIA[*]}]  $(($(grep -c 'Request.*GET .*Bench-1.0.zip' "$WORK/proxy.log") / ROUNDS)) package GETs a run through it"
  echo "proxy/direct $(awk "BEGIN{printf \"%.2f\", $v / $k}") (goal <= 1.10)"
fi
