#!/usr/bin/env bash
# veltaro-kit fetch against nginx on 127.0.0.1: a fresh download, then an
# interrupted one resumed by a second run; both must match the source.
set -euo pipefail
KIT="$1"
source "$(dirname "${BASH_SOURCE[0]}")/nginx_lib.sh"
WORK="$(mktemp -d /tmp/veltaro-nginx-XXXXXX)"
cleanup() {
  stop_nginx
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/www" "$WORK/out" "$WORK/tmp"
head -c 24000037 /dev/urandom >"$WORK/www/pkg.zip"

PORT=$(free_port)
start_nginx "$WORK" "$PORT" "  server {
    listen 127.0.0.1:$PORT;
    root $WORK/www;
    limit_rate 8m;
  }"

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
