#!/usr/bin/env bash
# Signed releases from the outside: keygen, publish --sign checked with openssl
# and sha256sum, its refusals, and check --key against each way a signed release
# can be tampered with.
# Usage: kit_sign.sh KIT
set -uo pipefail
kit="$1"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/serve_lib.sh"

mkdir -p "$dir/pkg" "$dir/comp"
python3 "$here/make_packages.py" "$dir/pkg" >/dev/null || { echo "FAIL fixtures"; exit 1; }
for c in BaseService SWUKeyDrive VeltaroCSP SKPDrive; do head -c 3000 /dev/urandom >"$dir/comp/$c.exe"; done

"$kit" keygen "$dir/keys" >/dev/null && "$kit" keygen "$dir/other" >/dev/null || { echo "FAIL keygen"; exit 1; }
[ "$(stat -c %a "$dir/keys/release.key")" = 600 ] && grep -q "BEGIN PUBLIC KEY" "$dir/keys/release.pub" &&
  [ "$(openssl pkey -pubin -in "$dir/keys/release.pub" -noout -text | head -1)" = "Public-Key: (3072 bit)" ] &&
  ok "keygen: RSA-3072, private key 0600" || fail "keygen modes or key"
before="$(sha256sum "$dir/keys/release.key")"
err="$("$kit" keygen "$dir/keys" 2>&1)"
[ $? = 1 ] && grep -q "never replaced" <<<"$err" && [ "$(sha256sum "$dir/keys/release.key")" = "$before" ] &&
  ok "keygen keeps an existing key" || fail "keygen over a key: $err"

# Refusals before anything is written.
while IFS='|' read -r name rc_want want args; do
  read -ra args <<<"$args"
  err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/refused" "${args[@]}" 2>&1)"
  [ $? = "$rc_want" ] && grep -q -- "$want" <<<"$err" && [ ! -e "$dir/refused" ] && ok "publish refuses $name" ||
    fail "publish with $name: $err"
done <<TABLE
a missing key|1|cannot read the signing key|--components $dir/comp --sign $dir/keys/nothing.key
a public key|1|cannot sign|--components $dir/comp --sign $dir/keys/release.pub
signing without --components|1|--sign needs --components|--sign $dir/keys/release.key
zero valid days|1|--valid-days takes|--components $dir/comp --sign $dir/keys/release.key --valid-days 0
--valid-days unsigned|2|usage|--valid-days 30
--unsigned with --sign|2|usage|--components $dir/comp --sign $dir/keys/release.key --unsigned
TABLE

mkdir -p "$dir/keyed-tree/private" && cp "$dir/keys/release.key" "$dir/keyed-tree/private/backup.txt"
err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/keyed-tree" --components "$dir/comp" \
  --sign "$dir/keys/release.key" 2>&1)"
[ $? = 1 ] && grep -q "lies in the server tree as $dir/keyed-tree/private/backup.txt" <<<"$err" && [ ! -e "$dir/keyed-tree/zelqa" ] &&
  ok "publish refuses a key that lies in the tree" || fail "key in the tree: $err"

# Links in the tree are not followed: two that loop would never end.
mkdir -p "$dir/looped/a" && ln -s .. "$dir/looped/a/up" && ln -s . "$dir/looped/a/here"
err="$(timeout 60 "$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/looped" --components "$dir/comp" \
  --sign "$dir/keys/release.key" 2>&1)"
[ $? = 0 ] && [ "$(grep -c "is a symbolic link; the search for the signing key did not follow it" <<<"$err")" = 2 ] &&
  ok "publish --sign passes a link loop in the tree" || fail "link loop: $err"

start=$(date +%s)
out="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/site" --components "$dir/comp" \
  --sign "$dir/keys/release.key" 2>&1)" || fail "signed publish: $out"
man="$dir/site/$m/VELTARO.XML"
serial=$(awk -F= '/^Serial=/ {print $2}' "$man" | tr -d '\r')
[ -n "$serial" ] && [ "$serial" -ge "$start" ] && [ "$serial" -le "$(date +%s)" ] &&
  ok "Serial is the time of the publish" || fail "Serial '$serial' from $start"
sha() { sha256sum "$1" | cut -c1-64; }
want="$(printf '%s\r\n' "sha256=$(sha "$dir/pkg/Pkg-2.1.zip")" "Serial=$serial" "[Files]" \
  "DiruvOzoBaseService.exe=$(sha "$dir/comp/BaseService.exe")" "SWUKeyDrive.exe=$(sha "$dir/comp/SWUKeyDrive.exe")" \
  "VeltaroCSP.exe=$(sha "$dir/comp/VeltaroCSP.exe")" "SKPDrive.exe=$(sha "$dir/comp/SKPDrive.exe")")"
[ "$(sed -n '5,$p' "$man")" = "$want" ] &&
  ok "manifest carries the package's and the components' SHA-256" || fail "manifest hashes: $(cat -A "$man")"
openssl dgst -sha256 -verify "$dir/keys/release.pub" -signature "$man.sig" "$man" >/dev/null &&
  ok "signature verifies with openssl" || fail "openssl does not verify the signature"
! grep -rq "PRIVATE KEY" "$dir/site" && ok "no private key in the tree" || fail "private key in the tree"

# Tampered copies of the signed release.
variant() { cp -r "$dir/site" "$dir/$1"; }
resign() { openssl dgst -sha256 -sign "$dir/keys/release.key" -out "$dir/$1/$m/VELTARO.XML.sig" "$dir/$1/$m/VELTARO.XML"; }
variant expired && sed -i 's/^Serial=.*\r$/&\nValidUntil=2020-02-29 23:59:59\r/' "$dir/expired/$m/VELTARO.XML" &&
  resign expired
variant onebyte && sed -i 's/^LargeVer=V2.1/LargeVer=V2.2/' "$dir/onebyte/$m/VELTARO.XML"
variant nosig && rm "$dir/nosig/$m/VELTARO.XML.sig"
variant otherkey && openssl dgst -sha256 -sign "$dir/other/release.key" -out "$dir/otherkey/$m/VELTARO.XML.sig" \
  "$dir/otherkey/$m/VELTARO.XML"
variant forged && python3 - "$dir/forged/$m/Pkg-2.1.zip" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("VeltaroMain.exe", b"not the maker's")
    z.comment = b"\0\0\0\0"
PY
python3 "$here/forge_crc.py" "$dir/forged/$m/Pkg-2.1.zip" "$(awk -F= '/^crc=/ {print $2}' "$man" | tr -d '\r')"
variant swapped && echo "another driver" >"$dir/swapped/zelqa/DOWN_CENTER/SBQD/VeltaroCSP.exe"
serve service "$dir/site"

# name | tree | exit | a line the output must hold
while IFS='|' read -r name tree want_rc want; do
  serve base "$dir/$tree"
  out="$(timeout 120 "$kit" check "$base" --service "$service" --key "$dir/keys/release.pub" 2>&1)"
  rc=$?
  if [ "$rc" != "$want_rc" ] || ! grep -qE -- "$want" <<<"$out"; then
    fail "check $name: rc=$rc"
    sed 's/^/     /' <<<"$out"
  else
    ok "check $name"
  fi
done <<'TABLE'
signed release|site|0|^ok   component SKPDrive.exe: SHA-256 as in the manifest$
signed release's serial|site|0|^ok   manifest Serial=[0-9]+, no ValidUntil$
expired|expired|1|^FAIL manifest Serial=[0-9]+ ValidUntil=2020-02-29 23:59:59 \(UTC\) has passed
manifest changed by one byte|onebyte|1|^FAIL signature .* does not verify the manifest with the key given$
signature of another key|otherkey|1|^FAIL signature .* does not verify
no signature|nosig|1|^FAIL signature .*VELTARO.XML.sig: the server answered HTTP/1.1 404
package with the manifest's CRC|forged|1|^FAIL downloaded package has SHA-256 [0-9a-f]{64}, the manifest says
a component swapped|swapped|1|^FAIL component VeltaroCSP.exe: .* has SHA-256 [0-9a-f]{64}, the manifest says
TABLE
out="$(timeout 120 "$kit" check "$base" --service "$service" 2>&1)"
[ $? = 0 ] && [ "$(tail -n 1 <<<"$out")" = "release at $base: the checks without a key passed; signed: give --key to verify it" ] &&
  ok "check without --key says the release is signed" || fail "check without --key: $out"
out="$(timeout 60 "$kit" check "$base" --key "$dir/keys/release.key" 2>&1)"
[ $? = 2 ] && grep -q "not a PEM public key" <<<"$out" && ok "check refuses a private key as --key" || fail "check --key private: $out"

# A signed republish moves Serial past the published one, however far ahead.
sed -i 's/^Serial=.*\r$/Serial=4000000000\r/' "$man" && resign site
"$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1a --out "$dir/site" --components "$dir/comp" \
  --sign "$dir/keys/release.key" --valid-days 30 >/dev/null
until="$(awk -F= '/^ValidUntil=/ {print $2}' "$man" | tr -d '\r')"
grep -q $'^Serial=4000000001\r$' "$man" && ago=$(($(date -u -d "$until" +%s) - $(date +%s) - 30 * 86400)) &&
  [ "$ago" -le 0 ] && [ "$ago" -ge -5 ] && ok "republish: Serial one more, ValidUntil 30 days on" ||
  fail "republish serial: $(cat -A "$man" | head -7)"

# A component changed under the signed manifest that names its older bytes is
# published with a warning; one unchanged is not.
cp -r "$dir/comp" "$dir/comp2" && echo changed >"$dir/comp2/VeltaroCSP.exe"
err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/site" --components "$dir/comp2" \
  --sign "$dir/keys/release.key" 2>&1 >/dev/null)"
[ $? = 0 ] && [ "$(grep -c "changes while the published signed manifest names its older bytes" <<<"$err")" = 1 ] &&
  grep -q "^warning: VeltaroCSP.exe changes" <<<"$err" && ok "a component changed under a signed manifest warned" ||
  fail "component changed: $err"

# A signed release of the components the maker has: the base service alone;
# the drivers' absence is warned and no hash is named for them.
mkdir -p "$dir/comp-base" && cp "$dir/comp/BaseService.exe" "$dir/comp-base/"
err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/partial" --components "$dir/comp-base" \
  --sign "$dir/keys/release.key" 2>&1 >/dev/null)"
[ $? = 0 ] && [ "$(grep -c "^warning: .* is neither given by --components nor in the package: the signed manifest names no hash for it" <<<"$err")" = 3 ] &&
  [ "$(sed -n '/^\[Files\]/,$p' "$dir/partial/$m/VELTARO.XML" | tr -d '\r' | cut -d= -f1 | tr '\n' ' ')" = "[Files] DiruvOzoBaseService.exe " ] &&
  ok "signed with the base service alone, the drivers warned" || fail "signed without drivers: $err"

# Another key over a signed tree: refused, nothing changed, unless --new-key.
cp -r "$dir/site" "$dir/rekeyed" && before="$(sha256sum "$dir/rekeyed/$m/VELTARO.XML")"
err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/rekeyed" --components "$dir/comp" \
  --sign "$dir/other/release.key" 2>&1)"
[ $? = 1 ] && grep -q "was signed with another key than .*: the keyed installers in the field would refuse" <<<"$err" &&
  grep -q -- "--new-key" <<<"$err" && [ "$(sha256sum "$dir/rekeyed/$m/VELTARO.XML")" = "$before" ] &&
  ok "another key over a signed release refused" || fail "another key: $err"
"$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1 --out "$dir/rekeyed" --components "$dir/comp" \
  --sign "$dir/other/release.key" --new-key >/dev/null 2>&1 &&
  openssl dgst -sha256 -verify "$dir/other/release.pub" -signature "$dir/rekeyed/$m/VELTARO.XML.sig" \
    "$dir/rekeyed/$m/VELTARO.XML" >/dev/null && ok "--new-key signs with the new key" || fail "--new-key"

# An unsigned publish into a signed tree breaks every keyed installer: only
# with --unsigned, which drops the signature that could no longer match.
before="$(sha256sum "$man")"
err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1b --out "$dir/site" 2>&1)"
[ $? = 1 ] && grep -q "holds a signed release" <<<"$err" && [ "$(sha256sum "$man")" = "$before" ] &&
  ok "unsigned publish into a signed tree refused" || fail "unsigned over signed: $err"
"$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V2.1b --out "$dir/site" --unsigned >/dev/null &&
  [ ! -e "$man.sig" ] && ! grep -q sha256 "$man" && ok "--unsigned republish drops the signature" ||
  fail "unsigned republish"

[ "$fails" = 0 ]
