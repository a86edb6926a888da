#!/usr/bin/env bash
# veltaro-kit check against `veltaro-kit serve` on 127.0.0.1: a healthy release
# passes; each way a server or a release can be wrong is named and exits 1.
# Usage: kit_check.sh KIT
set -uo pipefail
kit="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/serve_lib.sh"
# The loopback servers are reached direct, whatever proxy the caller's shell names.
unset http_proxy all_proxy ALL_PROXY no_proxy NO_PROXY

mkdir -p "$dir/pkg" "$dir/comp"
python3 "$here/make_packages.py" "$dir/pkg" >/dev/null || { echo "FAIL fixtures"; exit 1; }
for c in BaseService SWUKeyDrive VeltaroCSP SKPDrive; do head -c 3000 /dev/urandom >"$dir/comp/$c.exe"; done
"$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/site" --components "$dir/comp" >/dev/null ||
  { echo "FAIL publish"; exit 1; }
cp -r "$dir/site" "$dir/nodriver" && rm "$dir/nodriver/zelqa/DOWN_CENTER/SBQD/SKPDrive.exe"
cp -r "$dir/site" "$dir/badcrc" && sed -i 's/^crc=.*/crc=0ABC\r/' "$dir/badcrc/$m/VELTARO.XML"
cp -r "$dir/site" "$dir/othercrc" && sed -i 's/^crc=.*/crc=ABCD\r/' "$dir/othercrc/$m/VELTARO.XML"
serve service "$dir/site"
closed="$(closed_url)"

# name | tree | serve switches | service URL | exit | a line the output must hold
while IFS='|' read -r name tree switches svc want_rc want; do
  [ "$svc" = service ] && svc="$service"
  [ "$svc" = closed ] && svc="$closed"
  # shellcheck disable=SC2086
  serve base "$dir/$tree" $switches
  out="$(timeout 120 "$kit" check "$base" --service "$svc" 2>&1)"
  rc=$?
  if [ "$rc" != "$want_rc" ] || ! grep -qE -- "$want" <<<"$out"; then
    echo "FAIL $name: rc=$rc"
    sed 's/^/     /' <<<"$out"
    fails=$((fails + 1))
  else
    echo "ok   $name"
  fi
done <<'TABLE'
healthy|site||service|0|^release at .*: all checks passed$
every value and step named|site||service|0|^ok   unpacked every member: 7 files$
server ignoring Range|site|--ignore-range|service|1|^FAIL .*the server ignores Range: bytes=.* was answered 200
chunked bodies without length|site|--chunked|service|1|^FAIL .*HEAD gives no Content-Length \(the body is sent chunked\)
every request 404|site|--status 404|service|1|^FAIL manifest .*VELTARO.XML: the server answered HTTP/1.1 404
a file the server may not read|site|--status 403|service|1|^FAIL manifest .*: the server answered HTTP/1.1 403 .*: the server cannot read the file \(check the permissions of the file, its folder and the folders above it\)$
a missing driver, which installs do without|nodriver||service|0|^warn component SKPDrive.exe: .*/SBQD/SKPDrive.exe: the server answered HTTP/1.1 404 Not Found: installs finish without it$
... counted on the last line|nodriver||service|0|^release at .*: all checks passed \(1 warning\)$
service host down|site||closed|1|^FAIL component BaseService.exe: .*: cannot connect to 127.0.0.1:[0-9]+: connection refused
crc not in checksum form|badcrc||service|1|^FAIL manifest crc '0ABC' is not in the installer's checksum form
package not the manifest's|othercrc||service|1|^FAIL downloaded package has checksum [0-9A-F]+, the manifest says ABCD
TABLE

out="$(timeout 60 "$kit" check "https://127.0.0.1/" 2>&1)"
[ $? = 2 ] && grep -q "plain HTTP" <<<"$out" && echo "ok   https refused" || { echo "FAIL https: $out"; fails=$((fails + 1)); }

# Through a real proxy, named as curl takes it; the proxy's log shows what reached it.
if command -v tinyproxy >/dev/null; then
  pport=$(free_port)
  start_tinyproxy "$dir" "$pport" Connect
  pids+=("$TINYPROXY_PID")
  proxy="http://127.0.0.1:$pport" dead="$(closed_url)"
  serve base "$dir/site"
  serve asks "$dir/site" --status 407
  # name | environment | arguments | exit | a line the output must hold | requests the proxy gains (>0 or 0)
  while IFS='|' read -r name envs args want_rc want gains; do
    before=$(grep -c "Request (" "$dir/proxy.log")
    # shellcheck disable=SC2086
    out="$(env ${envs//@P/$proxy} timeout 120 "$kit" check "$base" --service "$service" ${args//@P/$proxy} 2>&1)"
    rc=$? after=$(grep -c "Request (" "$dir/proxy.log")
    if [ "$rc" != "$want_rc" ] || ! grep -qE -- "$want" <<<"$out" || { [ "$gains" = 0 ] && [ "$after" != "$before" ]; } ||
      { [ "$gains" != 0 ] && [ "$after" = "$before" ]; }; then
      echo "FAIL $name: rc=$rc, the proxy was given $((after - before)) requests"
      sed 's/^/     /' <<<"$out"
      fails=$((fails + 1))
    else
      echo "ok   $name"
    fi
  done <<TABLE
http_proxy|http_proxy=@P||0|^proxy 127.0.0.1:$pport \(http_proxy\) for $base\$|>0
--proxy over http_proxy|http_proxy=$dead|--proxy @P|0|^proxy 127.0.0.1:$pport \(--proxy\) for|>0
no_proxy names the host|http_proxy=@P no_proxy=localhost,127.0.0.1||0|^direct \(no_proxy\) for $base\$|0
--no-proxy|http_proxy=@P|--no-proxy|0|^release at .*: all checks passed\$|0
proxy asking for credentials|http_proxy=$asks||1|^FAIL manifest .*: the proxy 127.0.0.1:[0-9]+ refused: HTTP/1.1 407|0
proxy not reachable|http_proxy=$dead||1|^FAIL manifest .*: cannot connect to the proxy 127.0.0.1:[0-9]+: connection refused|0
a SOCKS proxy|all_proxy=socks5://127.0.0.1:1||2|only an http:// proxy is supported|0
TABLE
else
  echo "FAIL tinyproxy is not installed (scripts/bootstrap.sh)"
  fails=$((fails + 1))
fi

echo "$fails failed"
[ "$fails" -eq 0 ]
