#!/usr/bin/env bash
# Times `veltaro-kit fetch` against curl and aria2c on the same files from local
# servers, and prints the figures and the ratios. Not part of the test command:
#   bash tests/bench/fetch_bench.sh [path/to/veltaro-kit] [rounds]
# 1. unthrottled loopback, 512 MiB, from nginx and from `veltaro-kit serve`:
#    fetch at most 1.1 x curl; peak resident memory of fetch under 16 MiB.
# 2. 256 MiB from `veltaro-kit serve --rate 20m` (20 MiB/s a connection):
#    fetch at most 0.55 x curl and at most 1.05 x aria2c -x2 -s2.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
KIT="$(realpath "${1:-$ROOT/build/native/bin/veltaro-kit}")"
ROUNDS="${2:-3}"
WORK="$(mktemp -d /tmp/veltaro-bench-XXXXXX)"
PIDS=()
cleanup() {
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
mkdir -p "$WORK/www" "$WORK/out" "$WORK/tmp"
head -c $((512 << 20)) /dev/urandom >"$WORK/www/big.bin"
head -c $((256 << 20)) /dev/urandom >"$WORK/www/mid.bin"

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

NPORT=$(free_port)
cat >"$WORK/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $WORK/nginx.pid;
error_log $WORK/error.log;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  client_body_temp_path $WORK/tmp;
  proxy_temp_path $WORK/tmp;
  fastcgi_temp_path $WORK/tmp;
  uwsgi_temp_path $WORK/tmp;
  scgi_temp_path $WORK/tmp;
  server { listen 127.0.0.1:$NPORT; root $WORK/www; }
}
CONF
[ "$(id -u)" -eq 0 ] && sed -i '1i user root;' "$WORK/nginx.conf"
"$(command -v nginx || echo /usr/sbin/nginx)" -p "$WORK" -c "$WORK/nginx.conf" &
PIDS+=($!)

# start_serve LOG ARGS...: a server of this shell (so cleanup can stop it); its port in $PORT.
start_serve() {
  local log="$1"; shift
  "$KIT" serve "$WORK/www" "$@" >"$log" 2>&1 &
  PIDS+=($!)
  for _ in $(seq 50); do grep -q listening "$log" 2>/dev/null && break; sleep 0.1; done
  PORT=$(grep -o '[0-9]*/$' "$log" | tr -d /)
}
start_serve "$WORK/serve.log"; SPORT=$PORT
start_serve "$WORK/serve-rate.log" --rate 20m; RPORT=$PORT
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$NPORT/" && break; sleep 0.1; done

# timed NAME CMD...: wall seconds and peak KiB of one run into $T and $M.
timed() {
  rm -rf "$WORK/out" && mkdir -p "$WORK/out"
  /usr/bin/time -f "%e %M" -o "$WORK/time" "$@" >/dev/null 2>&1
  read -r T M <"$WORK/time"
}
# best URL FILE TOOL: the fastest of ROUNDS runs; its time in $BEST, peak in $PEAK.
best() {
  local url="$1" tool="$2" rounds="$3"
  BEST=""; PEAK=0
  for _ in $(seq "$rounds"); do
    case "$tool" in
      curl) timed curl -s -o "$WORK/out/f" "$url" ;;
      aria2) timed aria2c -q -x2 -s2 --allow-overwrite=true -d "$WORK/out" -o f "$url" ;;
      fetch) timed "$KIT" fetch "$url" "$WORK/out/f" ;;
    esac
    if [ -z "$BEST" ] || awk "BEGIN{exit !($T < $BEST)}"; then BEST=$T; fi
    if [ "$M" -gt "$PEAK" ]; then PEAK=$M; fi
  done
}
ratio() { awk "BEGIN{printf \"%.2f\", $1 / $2}"; }

echo "== unthrottled loopback, 512 MiB (best of $ROUNDS)"
for server in nginx:$NPORT serve:$SPORT; do
  url="http://127.0.0.1:${server#*:}/big.bin"
  best "$url" curl "$ROUNDS"; c=$BEST; cpeak=$PEAK
  best "$url" aria2 "$ROUNDS"; a=$BEST; apeak=$PEAK
  best "$url" fetch "$ROUNDS"; f=$BEST; peak=$PEAK
  echo "${server%%:*}: curl ${c}s  aria2c -x2 ${a}s  veltaro-kit fetch ${f}s  (fetch/curl $(ratio "$f" "$c"), goal <= 1.10)"
  echo "${server%%:*}: veltaro-kit fetch peak resident memory $((peak / 1024)) MiB ($peak KiB, goal < 16 MiB)" \
    "beside curl $((cpeak / 1024)) MiB, aria2c $((apeak / 1024)) MiB"
done

echo "== 20 MiB/s a connection (veltaro-kit serve --rate 20m), 256 MiB"
url="http://127.0.0.1:$RPORT/mid.bin"
best "$url" curl 1; c=$BEST; cpeak=$PEAK
best "$url" aria2 1; a=$BEST; apeak=$PEAK
best "$url" fetch 1; f=$BEST
echo "curl ${c}s  aria2c -x2 -s2 ${a}s  veltaro-kit fetch ${f}s"
echo "peak resident memory: curl $((cpeak / 1024)) MiB, aria2c $((apeak / 1024)) MiB, veltaro-kit fetch $((PEAK / 1024)) MiB"
echo "fetch/curl $(ratio "$f" "$c") (goal <= 0.55)  fetch/aria2c $(ratio "$f" "$a") (goal <= 1.05)"
