#!/usr/bin/env bash
# The install of VeltaroSetup.exe under Wine behind a real web proxy: tinyproxy
# on loopback, named in the prefix user's Internet settings. Its own log must
# show the manifest, the size request, both segments and the components, and
# the download server must see both ranges arrive through it. A second run
# whose ProxyOverride covers the servers' host goes direct: the proxy's log
# gains nothing. A third run names a proxy that cannot be reached: the
# installer fails as it fails without a network, and its log names the proxy.
# A fourth leaves the choice to an automatic configuration script (WinHTTP).
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
EXE="$ROOT/build/win32/bin/VeltaroSetup.exe"
work_folders proxy
TINYPROXY_PID=""

cleanup() {
  [ -n "$TINYPROXY_PID" ] && kill "$TINYPROXY_PID" 2>/dev/null
  cp "$WORK/proxy.log" "$OUT/proxy-tinyproxy.log" 2>/dev/null
  e2e_finish
}
trap cleanup EXIT

command -v tinyproxy >/dev/null || { echo "FAIL tinyproxy is not installed (scripts/bootstrap.sh)"; exit 1; }

make_test_release "$WORK" "$REL" || exit 1
PKG_URI="/zelqa/DOWN_CENTER/VELTARO/VELTARO/$PACKAGE"
start_servers || exit 1
# The download server also notes each request's range and whether the proxy
# forwarded it (the header the proxy adds).
RANGES="$WORK/ranges.log"
serve_downloads "" "log_format ranges '\$request_method \$uri \$status \"\$http_range\" \"\$http_x_veltaro_proxied\"';
  access_log $RANGES ranges;" || exit 1
DL="http://127.0.0.1:$DL_PORT"
SVC="${SVC_URL%/}"

# tinyproxy in the foreground, with its own configuration and log in WORK.
PROXY_PORT=$(free_port)
start_tinyproxy "$WORK" "$PROXY_PORT" Info "DisableViaHeader Yes" 'AddHeader "X-Veltaro-Proxied" "yes"' ||
  { echo "FAIL tinyproxy did not start"; exit 1; }
echo "download server $DL/, service host $SVC/, proxy 127.0.0.1:$PROXY_PORT"

seal_prefix || exit 1
SETTINGS='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
wine reg add "$SETTINGS" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add "$SETTINGS" /v ProxyServer /t REG_SZ /d "127.0.0.1:$PROXY_PORT" /f >/dev/null 2>&1
expect "prefix: the user's proxy is set" bash -c "wine reg query '$SETTINGS' /v ProxyServer 2>/dev/null | grep -q '127.0.0.1:$PROXY_PORT'"

start_xvfb || exit 1
INSTALLED="$DRIVE_D/Veltaro365/VeltaroPlatform"

# install NAME: a full install into D:\Veltaro365 on a fresh machine, by clicks.
install() {
  rm -rf "${DRIVE_D:?}"/* "$STAND_LOG"
  launch || return 1
  page1 'D:\Veltaro365'
  install_click
  expect "$1: page 3 after the install" await_page 3 120
  close_click
  expect "$1: close on page 3 ends the installer" await_exit 30
  expect "$1: installed tree is the package plus the four components" same_tree "$INSTALLED" "$REL/tree"
}
# The requests the proxy was given since line $1 of its log, as "METHOD URL".
proxied() { tail -n +$(($1 + 1)) "$WORK/proxy.log" | sed -n 's/.*Request (file descriptor [0-9]*): \([A-Z]*\) \([^ ]*\) HTTP.*/\1 \2/p'; }
# The download server's requests since line $1 of its range log.
ranged() { tail -n +$(($1 + 1)) "$RANGES"; }

# --- 1. Through the proxy -----------------------------------------------------
echo "-- install through the proxy"
mark=$(wc -l <"$WORK/proxy.log")
rmark=$(wc -l <"$RANGES")
install "through the proxy"
proxied "$mark" >"$WORK/run1.txt"
sed 's/^/   proxy: /' "$WORK/run1.txt"
has() { grep -qxF "$1" "$WORK/run1.txt"; }
expect "the manifest went through the proxy" has "GET $DL/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML"
expect "the size request went through the proxy" has "HEAD $DL$PKG_URI"
check "both segments went through the proxy" "$([ "$(grep -cxF "GET $DL$PKG_URI" "$WORK/run1.txt")" = 2 ] && echo 0 || echo 1)"
for f in SWUKeyDrive.exe VeltaroCSP.exe SKPDrive.exe; do
  expect "the component $f went through the proxy" bash -c "grep -q '^[A-Z]* $DL/.*/$f\$' '$WORK/run1.txt'"
done
expect "the base service was asked of the service host through the proxy" \
  bash -c "grep -q '^[A-Z]* $SVC/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe\$' '$WORK/run1.txt'"
# Every request the download server saw came through the proxy, the two
# segments with ranges that meet and cover the package.
ranged "$rmark" >"$WORK/ranges1.txt"
expect "the download server saw no request but through the proxy" \
  bash -c "[ -s '$WORK/ranges1.txt' ] && ! grep -qv '\"yes\"\$' '$WORK/ranges1.txt'"
seg=$(awk -v u="$PKG_URI" '$1 == "GET" && $2 == u && $3 == 206 && $5 == "\"yes\"" {print $4}' "$WORK/ranges1.txt" | tr -d '"' | sort -t= -k2n | tr '\n' ' ')
echo "   segment ranges: $seg"
check "two ranges from 0 that meet, through the proxy" "$(python3 - "$PACKAGE_SIZE" $seg <<'EOF'
import sys
size, rs = int(sys.argv[1]), [r.split("=")[1].split("-") for r in sys.argv[2:]]
ok = len(rs) == 2 and rs[0][0] == "0" and 0 < int(rs[1][0]) <= int(rs[0][1]) + 1 and int(rs[1][1]) >= size - 1
print(0 if ok else 1)
EOF
)"

# --- 2. ProxyOverride covers the host: direct ---------------------------------
echo "-- install with ProxyOverride covering the servers' host"
wine reg add "$SETTINGS" /v ProxyOverride /t REG_SZ /d "<local>;127.0.0.1" /f >/dev/null 2>&1
mark=$(wc -l <"$WORK/proxy.log")
rmark=$(wc -l <"$RANGES")
install "override"
check "the proxy's log gained no request" "$([ -z "$(proxied "$mark")" ] && echo 0 || echo 1)"
expect "the download server saw the run, none of it through the proxy" \
  bash -c "[ -n \"\$(tail -n +$((rmark + 1)) '$RANGES')\" ] && ! tail -n +$((rmark + 1)) '$RANGES' | grep -q '\"yes\"\$'"

# --- 3. A proxy that cannot be reached ----------------------------------------
echo "-- a proxy that cannot be reached"
DEAD=$(free_port)
wine reg add "$SETTINGS" /v ProxyOverride /t REG_SZ /d "" /f >/dev/null 2>&1
wine reg add "$SETTINGS" /v ProxyServer /t REG_SZ /d "http=127.0.0.1:$DEAD;https=127.0.0.1:$DEAD" /f >/dev/null 2>&1
rm -rf "${DRIVE_D:?}"/*
rmark=$(wc -l <"$RANGES")
launch || exit 1
page1 'D:\Veltaro365'
install_click
read_msgbox 60
check "立即安装 answers 下载版本文件失败 (got '$MSG')" "$([ "$MSG" = "下载版本文件失败" ] && echo 0 || echo 1)"
close_click
expect "the installer ends on its close cross" await_exit 30
check "nothing reached the download server" "$([ -z "$(ranged "$rmark")" ] && echo 0 || echo 1)"
LOG="$DRIVE_D/Program Files/Veltaro/InstVeltaro/install.log"
expect "the install log names the proxy that could not be reached" \
  grep -q "FAIL  proxy 127.0.0.1:$DEAD failed for $DL/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML: could not be reached" "$LOG"

# --- 4. An automatic configuration script --------------------------------------
echo "-- an automatic configuration script names the proxy"
printf 'function FindProxyForURL(url, host) { return "PROXY 127.0.0.1:%s"; }\n' "$PROXY_PORT" >"$REL/svc/proxy.pac"
wine reg add "$SETTINGS" /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add "$SETTINGS" /v AutoConfigURL /t REG_SZ /d "$SVC/proxy.pac" /f >/dev/null 2>&1
rm -rf "${DRIVE_D:?}"/*
mark=$(wc -l <"$WORK/proxy.log")
launch || exit 1
for _ in $(seq 60); do proxied "$mark" | grep -q VELTARO.XML && break; sleep 0.5; done
expect "the manifest went through the proxy the script names" \
  bash -c "tail -n +$((mark + 1)) '$WORK/proxy.log' | grep -qF 'GET $DL/zelqa/DOWN_CENTER/VELTARO/VELTARO/VELTARO.XML'"
close_click
expect "the installer ends on its close cross" await_exit 30

echo "proxy e2e: $FAILS failure(s)"
[ "$FAILS" -eq 0 ]
