#!/usr/bin/env bash
# The build's check of VELTARO_RELEASE_KEY: only an RSA public key of 2048 bits
# or more is taken; every other file fails the configure with its reason. What
# the configure says an installer build is, and the hint of a native tree asked
# for the installer.
# Usage: release_key.sh CMAKE [NATIVE-TREE]
set -uo pipefail
cmake="$1"
tree="${2:-}"
module="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/cmake/ReleaseKey.cmake"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fails=0

rsa() { openssl genpkey -algorithm RSA -pkeyopt "rsa_keygen_bits:$1" -out "$dir/rsa$1.key" 2>/dev/null &&
  openssl pkey -in "$dir/rsa$1.key" -pubout -out "$dir/rsa$1.pub"; }
rsa 1024 && rsa 2047 && rsa 2048 || { echo "FAIL fixtures"; exit 1; }
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 2>/dev/null | openssl pkey -pubout -out "$dir/ec.pub"
{ head -c 150 "$dir/rsa2048.pub"; echo; echo "-----END PUBLIC KEY-----"; } >"$dir/cut.pub"

# key | exit | what the output must say
while IFS='|' read -r key want_rc want; do
  out="$("$cmake" -DKEY="$dir/$key" -P "$module" 2>&1)"
  rc=$?
  out="$(tr -s ' \n' ' ' <<<"$out")"  # CMake wraps its messages
  [ "$rc" = "$want_rc" ] && grep -q -- "$want" <<<"$out" && echo "ok   $key" ||
    { echo "FAIL $key: rc=$rc: $out"; fails=$((fails + 1)); }
done <<'TABLE'
rsa2048.pub|0|an RSA public key of 2048 bits or more
rsa2047.pub|1|holds one of 2047 bits
rsa1024.pub|1|holds one of 1024 bits
ec.pub|1|must be an RSA public key
cut.pub|1|must be an RSA public key
rsa2048.key|1|holds a private key
nothing.pub|1|no such file
TABLE

fingerprint="$(openssl pkey -pubin -in "$dir/rsa2048.pub" -outform DER | sha256sum | cut -c1-64)"
facts="$(dirname "$module")/BuildFacts.cmake"
# arguments | what the output must say
while IFS='|' read -r args want; do
  eval "set -- $args"
  out="$("$cmake" "$@" -P "$facts" 2>&1 | tr -s ' \n' ' ')"
  grep -q -- "$want" <<<"$out" && echo "ok   configure: $want" || { echo "FAIL configure: $want: $out"; fails=$((fails + 1)); }
done <<TABLE
-DDOWNLOAD_HOST=download.veltaro.example -DWEB_HOST=www.veltaro.example -DEXAMPLE=1|the example hosts (no -DVELTARO_DOWNLOAD_HOST
-DDOWNLOAD_HOST=dl.maker.test -DWEB_HOST=www.maker.test|download server http://dl.maker.test/, web site http://www.maker.test/
-DDOWNLOAD_HOST=dl.maker.test -DWEB_HOST=www.maker.test|no release key
-DDOWNLOAD_HOST=dl.maker.test -DWEB_HOST=www.maker.test -DKEY=$dir/rsa2048.pub|SHA-256 $fingerprint: it installs only releases signed
TABLE
if [ -n "$tree" ]; then
  out="$("$cmake" --build "$tree" --target VeltaroSetup 2>&1)"
  [ $? != 0 ] && grep -q "VeltaroSetup.exe is built only in a tree configured with -DCMAKE_TOOLCHAIN_FILE=" <<<"$out" &&
    echo "ok   a native tree asked for the installer names the toolchain file" ||
    { echo "FAIL native tree, VeltaroSetup: $out"; fails=$((fails + 1)); }
fi
[ "$fails" = 0 ]
