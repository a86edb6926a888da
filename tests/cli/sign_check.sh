#!/usr/bin/env bash
# sign_check.sh SETUP.EXE [DEMO.EXE...]: each program carries a version record
# naming the product Veltaro365 and the maker's company; VeltaroSetup.exe carries
# no application manifest of its own (RT_MANIFEST 1), and signed with a
# throwaway code-signing certificate it verifies with osslsigncode, while the
# same file with one byte changed does not.
set -uo pipefail
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fails=0
fail() { echo "FAIL $1"; fails=$((fails + 1)); }

# "TYPE ID" per resource of a PE file (names as ids print as "name"), then
# "text T" for each of the version record's texts found in it as UTF-16.
resources() {
  python3 - "$1" <<'PY'
import struct, sys
d = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", d, 0x3C)[0]
nsec, optsize = struct.unpack_from("<H", d, pe + 6)[0], struct.unpack_from("<H", d, pe + 20)[0]
opt = pe + 24
rva = struct.unpack_from("<I", d, opt + 96 + 2 * 8)[0]  # PE32: data directories at 96, resources third
base = None
for i in range(nsec):
    s = opt + optsize + 40 * i
    vsize, vaddr, _, raw = struct.unpack_from("<IIII", d, s + 8)
    if vaddr <= rva < vaddr + max(vsize, 1):
        base = raw + rva - vaddr
if base is None:
    sys.exit(0)
def entries(off):
    named, ids = struct.unpack_from("<HH", d, base + off + 12)
    for k in range(named + ids):
        name, to = struct.unpack_from("<II", d, base + off + 16 + 8 * k)
        yield ("name" if name & 0x80000000 else str(name)), to & 0x7FFFFFFF
for t, sub in entries(0):
    for n, _ in entries(sub):
        print(t, n)
for text in ("Veltaro365", "Tesmar Veltaro Information Technology Co., Ltd."):
    if text.encode("utf-16-le") in d:
        print("text", text)
PY
}

for exe in "$@"; do
  name="$(basename "$exe")"
  res="$(resources "$exe")"
  grep -qx '16 1' <<<"$res" || fail "$name: no version record"
  [ "$exe" = "$1" ] && grep -qx '24 1' <<<"$res" && fail "$name: carries an application manifest"
  for text in "Veltaro365" "Tesmar Veltaro Information Technology Co., Ltd."; do
    grep -qxF "text $text" <<<"$res" || fail "$name: version record without '$text'"
  done
done

setup="$1"
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Veltaro throwaway signer" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1 ||
  fail "throwaway certificate not made"
if osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 -n "Veltaro365 Setup" \
  -in "$setup" -out "$work/signed.exe" >"$work/sign.out" 2>&1; then
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.out" 2>&1 ||
    { cat "$work/verify.out"; fail "the signed program does not verify"; }
  # One byte of the code changed: the signature no longer holds.
  cp "$work/signed.exe" "$work/changed.exe"
  printf '\x90' | dd of="$work/changed.exe" bs=1 seek=1100 conv=notrunc status=none
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/changed.exe" >/dev/null 2>&1 &&
    fail "a changed signed program still verifies"
else
  cat "$work/sign.out"
  fail "osslsigncode could not sign $(basename "$setup")"
fi
[ "$fails" -eq 0 ] && echo "ok   version records, no manifest, signed and verified"
[ "$fails" -eq 0 ]
