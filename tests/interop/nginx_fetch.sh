#!/usr/bin/env bash
# veltaro-kit fetch against nginx on 127.0.0.1: a fresh download, then an
# interrupted one resumed by a second run; both must match the source.
set -euo pipefail
KIT="$1"
NGINX="$(command -v nginx || echo /usr/sbin/nginx)"
WORK="$(mktemp -d /tmp/veltaro-nginx-XXXXXX)"
NGINX_PID=""
cleanup() {
  [ -n "$NGINX_PID" ] && kill "$NGINX_PID" 2>/dev/null && wait "$NGINX_PID" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/www" "$WORK/out" "$WORK/tmp"
head -c 24000037 /dev/urandom >"$WORK/www/pkg.zip"

# A free port: ask the kernel for one through python, else pick from a range.
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$WORK/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
user root;
pid $WORK/nginx.pid;
error_log $WORK/error.log;
events { worker_connections 64; }
http {
  access_log $WORK/access.log;
  client_body_temp_path $WORK/tmp;
  proxy_temp_path $WORK/tmp;
  fastcgi_temp_path $WORK/tmp;
  uwsgi_temp_path $WORK/tmp;
  scgi_temp_path $WORK/tmp;
  server {
    listen 127.0.0.1:$PORT;
    root $WORK/www;
    limit_rate 8m;
  }
}
CONF
[ "$(id -u)" -eq 0 ] || sed -i '/^user root;/d' "$WORK/nginx.conf"
"$NGINX" -p "$WORK" -c "$WORK/nginx.conf" &
NGINX_PID=$!
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break; sleep 0.1; done

URL="http://127.0.0.1:$PORT/pkg.zip"
want=$(sha256sum <"$WORK/www/pkg.zip" | cut -d' ' -f1)

echo "fresh download"
timeout 60 "$KIT" fetch "$URL" "$WORK/out/a.zip" 2>/dev/null
[ "$(sha256sum <"$WORK/out/a.zip" | cut -d' ' -f1)" = "$want" ] || { echo "fresh download differs"; exit 1; }

echo "interrupted download, then resumed"
rc=0
timeout --preserve-status -s INT 1 "$KIT" fetch "$URL" "$WORK/out/b.zip" 2>/dev/null || rc=$?
[ "$rc" -eq 130 ] || { echo "an interrupted fetch exits 130, not $rc"; exit 1; }
[ -f "$WORK/out/b.zip.rpc.cfg" ] || { echo "no resume state after the interrupt"; exit 1; }
timeout 60 "$KIT" fetch "$URL" "$WORK/out/b.zip" 2>/dev/null
[ "$(sha256sum <"$WORK/out/b.zip" | cut -d' ' -f1)" = "$want" ] || { echo "resumed download differs"; exit 1; }
[ ! -e "$WORK/out/b.zip.rpc" ] && [ ! -e "$WORK/out/b.zip.rpc.cfg" ] || { echo "resume files left"; exit 1; }

echo "missing resource"
rc=0
timeout 60 "$KIT" fetch "http://127.0.0.1:$PORT/missing.zip" "$WORK/out/c.zip" 2>"$WORK/err" || rc=$?
[ "$rc" -eq 1 ] || { echo "a failed fetch exits 1, not $rc"; exit 1; }
grep -q '取得资源原始大小：0 字节。' "$WORK/err" || { echo "the engine's log is not on stderr as UTF-8"; cat "$WORK/err"; exit 1; }
[ ! -e "$WORK/out/c.zip" ] && [ ! -e "$WORK/out/c.zip.rpc" ] || { echo "files left by a failed size request"; exit 1; }

# nginx saw HEAD for the size and answered the segments with 206.
grep -q '"HEAD /pkg.zip HTTP/1.1" 200' "$WORK/access.log" || { echo "no HEAD in the access log"; exit 1; }
n206=$(grep -c '"GET /pkg.zip HTTP/1.1" 206' "$WORK/access.log" || true)
[ "$n206" -ge 4 ] || { echo "expected 206 answers for the segments, saw $n206"; cat "$WORK/access.log"; exit 1; }
echo "interop ok: $n206 ranged answers"
