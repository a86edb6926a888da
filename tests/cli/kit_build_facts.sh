#!/usr/bin/env bash
# veltaro-kit inspect on small Windows programs built here that carry an
# installer's build facts: the hosts, the key's fingerprint as openssl gives it,
# the version resource or its absence.
# Usage: kit_build_facts.sh KIT
set -uo pipefail
kit="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fails=0
cc=i686-w64-mingw32-gcc-win32
command -v "$cc" >/dev/null || { echo "FAIL no $cc"; exit 1; }

openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 2>/dev/null | openssl pkey -pubout -out "$work/k.pub"
fingerprint="$(openssl pkey -pubin -in "$work/k.pub" -outform DER | sha256sum | cut -c1-64)"
pem="$(sed 's/$/\\n/' "$work/k.pub" | tr -d '\n')"
cat >"$work/keyed.c" <<C
const char facts[] = "veltaro-build: download=dl.maker.test web=www.maker.test\n";
const char key[] = "$pem";
int main(void) { return facts[0] + key[0]; }
C
sed '/^const char key/d; s/ + key\[0\]//; s/maker/other/g' "$work/keyed.c" >"$work/plain.c"
cat >"$work/version.rc" <<'RC'
1 VERSIONINFO
FILEVERSION 2,1,0,7
PRODUCTVERSION 2,1,0,0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "080404b0"
    BEGIN
      VALUE "FileDescription", "Maker Setup"
      VALUE "ProductVersion", "2.1"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x804, 1200
  END
END
RC
i686-w64-mingw32-windres "$work/version.rc" -O coff -o "$work/version.o" &&
  "$cc" -O1 "$work/keyed.c" "$work/version.o" -o "$work/keyed.exe" && "$cc" -O1 "$work/plain.c" -o "$work/plain.exe" ||
  { echo "FAIL fixtures"; exit 1; }

# program | a line the output must hold
while IFS='|' read -r exe want; do
  out="$("$kit" inspect "$work/$exe" 2>&1)"
  [ $? = 0 ] && grep -qE -- "$want" <<<"$out" && echo "ok   $exe: $want" || { echo "FAIL $exe: $want
$out"; fails=$((fails + 1)); }
done <<TABLE
keyed.exe|^  download server   http://dl\.maker\.test/$
keyed.exe|^  service host      http://www\.maker\.test:8080/
keyed.exe|^  release key       SHA-256 $fingerprint: it installs only releases signed
keyed.exe|^  version resource  file 2\.1\.0\.7, product 2\.1\.0\.0$
keyed.exe|^    FileDescription   Maker Setup$
plain.exe|^  release key       none
plain.exe|^  version resource  none$
TABLE
[ "$fails" -eq 0 ]
