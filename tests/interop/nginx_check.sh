#!/usr/bin/env bash
# A release published by veltaro-kit and served by nginx with the README's
# configuration (docs/nginx-release.conf, only its addresses and folder set
# here) passes veltaro-kit check, base service on the service port included.
set -euo pipefail
KIT="$1"
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/tests/interop/nginx_lib.sh"
WORK="$(mktemp -d /tmp/veltaro-nginx-XXXXXX)"
cleanup() {
  stop_nginx
  rm -rf "$WORK"
}
trap cleanup EXIT

mkdir -p "$WORK/pkg" "$WORK/comp" "$WORK/tmp"
python3 "$ROOT/tests/cli/make_packages.py" "$WORK/pkg" >/dev/null
for c in BaseService SWUKeyDrive VeltaroCSP SKPDrive; do head -c 5000 /dev/urandom >"$WORK/comp/$c.exe"; done
"$KIT" publish "$WORK/pkg/Pkg-2.1.zip" --version V2.1 --out "$WORK/srv" --components "$WORK/comp"

P1=$(free_port)
P2=$(free_port)
# The three lines a maker sets; the rest of the file is used as it stands.
sed -e "s|^    listen 80;$|    listen 127.0.0.1:$P1;|" -e "s|^    listen 8080;$|    listen 127.0.0.1:$P2;|" \
  -e "s|^    root /srv/veltaro;$|    root $WORK/srv;|" "$ROOT/docs/nginx-release.conf" >"$WORK/release.conf"
[ "$(diff "$ROOT/docs/nginx-release.conf" "$WORK/release.conf" | grep -c '^>')" = 3 ] ||
  { echo "docs/nginx-release.conf no longer has the lines this test sets"; exit 1; }
start_nginx "$WORK" "$P2" "  include $WORK/release.conf;"

timeout 120 "$KIT" check "http://127.0.0.1:$P1/" --service "http://127.0.0.1:$P2/" | tee "$WORK/check.out"
grep -q "all checks passed" "$WORK/check.out"
grep -q "\"GET /rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe HTTP/1.1\" 206" "$WORK/access.log" ||
  { echo "the service port did not serve the base service"; exit 1; }
# What changes in place on a republish is never kept by a cache; the package may be.
touch "$WORK/srv/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML.sig"
for p in zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML.sig \
  rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe zelqa/DOWN_CENTER/SBQD/SKPDrive.exe; do
  curl -sI "http://127.0.0.1:$P1/$p" | grep -qi '^Cache-Control: no-cache' || { echo "$p may be cached"; exit 1; }
done
curl -sI "http://127.0.0.1:$P1/zelqa/DOWN_CENTER/VELTARO/VELTARO/Pkg-2.1.zip" | grep -qi '^Cache-Control' &&
  { echo "the package is marked not to be cached"; exit 1; }
echo "ok   the manifest, its signature and the components are not cached"
