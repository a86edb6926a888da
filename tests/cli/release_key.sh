#!/usr/bin/env bash
# The build's check of VELTARO_RELEASE_KEY: only an RSA public key of 2048 bits
# or more is taken; every other file fails the configure with its reason.
# Usage: release_key.sh CMAKE
set -uo pipefail
cmake="$1"
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
[ "$fails" = 0 ]
