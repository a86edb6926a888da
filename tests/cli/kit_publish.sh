#!/usr/bin/env bash
# veltaro-kit publish from the outside: the tree and the exact manifest bytes of
# a good package, each refusal with its reason and nothing written, the manifest
# written last and by rename, a republish that keeps the older package.
# Usage: kit_publish.sh KIT [RUNNER]   (RUNNER, e.g. scripts/wine-run.sh, runs a .exe)
set -uo pipefail
kit="$1"
runner="${2:-}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
fails=0
fail() { echo "FAIL $*"; fails=$((fails + 1)); }

arg() { if [ -n "$runner" ]; then echo "Z:${1//\//\\}"; else echo "$1"; fi; }
run() { if [ -n "$runner" ]; then "$runner" "$kit" "$@"; else "$kit" "$@"; fi; }
# The Windows kit writes the console's code page, GBK here.
text() { if [ -n "$runner" ]; then iconv -f GBK -t UTF-8 -c | tr -d '\r'; else cat; fi; }

mkdir -p "$dir/pkg" "$dir/comp"
python3 "$here/make_packages.py" "$dir/pkg" >"$dir/crcs" || { echo "FAIL fixtures"; exit 1; }
crc21=$(awk '$1 == "Pkg-2.1.zip" {print $2}' "$dir/crcs")
crc22=$(awk '$1 == "Pkg-2.2.zip" {print $2}' "$dir/crcs")
for c in BaseService SWUKeyDrive VeltaroCSP SKPDrive; do echo "$c stand-in" >"$dir/comp/$c.exe"; done
# What a maker may have: the base service alone, or the drivers alone.
mkdir -p "$dir/comp-base" "$dir/comp-drivers"
cp "$dir/comp/BaseService.exe" "$dir/comp-base/" && cp "$dir/comp/S"*.exe "$dir/comp/VeltaroCSP.exe" "$dir/comp-drivers/"
m=zelqa/DOWN_CENTER/VELTARO/VELTARO
# publish_to OUT PACKAGE VERSION COMPONENTS: publish's stderr into err, its exit
# status into rc; COMPONENTS is yes (all four), no (none) or the SUFFIX of comp-SUFFIX.
publish_to() {
  local comps=()
  [ "$4" = yes ] && comps=(--components "$(arg "$dir/comp")")
  [ "$4" = yes ] || [ "$4" = no ] || comps=(--components "$(arg "$dir/comp-$4")")
  err="$(run publish "$(arg "$dir/pkg/$2")" --version "$3" --out "$(arg "$1")" "${comps[@]}" 2>&1 >/dev/null | text)"
  rc=${PIPESTATUS[0]}
}

# Refusals: exit 1, the reason on stderr (names readable), no folder made.
while IFS='|' read -r name pkg version comp want; do
  out="$dir/refused-${name// /_}"
  publish_to "$out" "$pkg" "$version" "$comp"
  if [ "$rc" != 1 ] || ! grep -q -- "$want" <<<"$err" || ! grep -q "nothing written" <<<"$err" || [ -e "$out" ]; then
    fail "$name: rc=$rc, stderr: $err"
  else
    echo "ok   $name"
  fi
done <<'TABLE'
not a ZIP archive|notzip.zip|V1|yes|no readable central directory
no entries|empty.zip|V1|yes|has no entries
2 GiB|huge.zip|V1|yes|under 2 GiB
method 12|bzip2.zip|V1|yes|compression method 12
encrypted entry|encrypted.zip|V1|yes|is encrypted
name leaving the folder|unsafe.zip|V1|yes|entry '../evil.txt': its folder name leaves
control byte, shown escaped|control.zip|V1|yes|entry 'bad\\x01.txt': its name is unsafe
damaged data|badcrc.zip|V1|yes|does not inflate to its declared size
name with a blank|my pkg.zip|V1|yes|not a bare file name
version with blanks at its ends|Pkg-2.1.zip| V1 |yes|cannot stand in the manifest
missing package|nothing.zip|V1|yes|cannot open it
the folder zipped, not its contents|folder.zip|V1|yes|zip the contents of Pkg, not the folder
no components anywhere|Pkg-2.1.zip|V1|no|base service is neither .* give --components DIR with BaseService.exe (and SWUKeyDrive.exe, VeltaroCSP.exe and SKPDrive.exe, those you have).*stops on its installing page for good
drivers without the base service|Pkg-2.1.zip|V1|drivers|base service is neither given by --components .*: put BaseService.exe into
a path of 260 characters with its temporary name|long.zip|V1|yes|entry 'e/y*\.txt': below the default installation folder its path is 252 characters long, 260 under the temporary name .*安装失败
a folder path of 248 characters|long.zip|V1|yes|entry 'f/z*/a': below the default installation folder its folder's path is 248 characters
TABLE
# The unpack shows no window: an entry of an unknown method ends it by itself, failed, saying why.
# Under Wine it runs on a display of its own, where a message box would wait for a click.
tmo() { if [ -n "$runner" ]; then timeout 60 bash "$here/on_display.sh" "$kit" "$@"; else timeout 60 "$kit" "$@"; fi; }
err="$(tmo unpack "$(arg "$dir/pkg/bzip2.zip")" "$(arg "$dir/unpacked")" 2>&1 >/dev/null | text)"
rc=${PIPESTATUS[0]}
[ "$rc" = 1 ] && grep -q "1 entries use a compression method the installer does not know" <<<"$err" &&
  echo "ok   unpack of an unknown method ends by itself" || fail "unpack of an unknown method: rc=$rc, stderr: $err"
if [ -z "$runner" ]; then  # Windows hands a program its arguments in the ANSI code page already
  err="$(run publish "$(arg "$dir/pkg/Pkg-2.1.zip")" --version "V2 😀" --out "$(arg "$dir/emoji")" 2>&1)"
  [ $? = 1 ] && grep -q "GBK" <<<"$err" && [ ! -e "$dir/emoji" ] && echo "ok   version outside GBK" ||
    fail "version outside GBK: $err"
fi

# Published with warnings: exit 0, the manifest written, each warning as often as asked.
while IFS='|' read -r name pkg version comp count want; do
  out="$dir/warned-${name// /_}"
  publish_to "$out" "$pkg" "$version" "$comp"
  if [ "$rc" != 0 ] || [ "$(grep -c -- "^warning: $want" <<<"$err")" != "$count" ] || [ ! -f "$out/$m/VELTARO.XML" ]; then
    fail "$name: rc=$rc, stderr: $err"
  else
    echo "ok   $name"
  fi
done <<'TABLE'
registered files missing|bare.zip|V1|yes|5|no .* at the package's root
UTF-8 names, top level and in a folder: installed as they are|utf8name.zip|V1|yes|0|entry
... and in a folder|utf8deep.zip|V1|yes|0|entry
a GBK folder name: installed as it is|gbkfolder.zip|V1|yes|0|entry
names differing only in case|names.zip|V1|yes|1|entries 'A.txt' and 'a.TXT' differ only in letter case; Windows sees one name
a name ending in a dot|names.zip|V1|yes|1|entry 'dot.': .*Windows drops: it is installed as 'dot'$
a folder name ending in a blank|names.zip|V1|yes|1|entry 'sp /x.txt': .*it is installed as 'sp/x.txt'$
a name with a colon|names.zip|V1|yes|1|entry 'ab:c/x.txt': its name holds ':'
a symbolic link|names.zip|V1|yes|1|entry 'lib/libx.so': it is a symbolic link; the installer makes it a small file holding
an absolute path|names.zip|V1|yes|1|entry '/abs/x.txt': its path is absolute; .* as 'abs/x.txt'$
a drive|names.zip|V1|yes|1|entry 'C:/y.txt': its path starts with a drive; .* as 'y.txt'$
drivers missing from --components|Pkg-2.1.zip|V1|base|3|.* is neither given by --components nor in the server tree nor in the package: installs finish without it
a version wider than its label|Pkg-2.1.zip|1.0 首发版|yes|1|the version text .* shows as '0 首发'
a version that fits|Pkg-2.1.zip|2.1.0|yes|0|the version text
the package's own base service|carried.zip|V1|no|3|.* is neither given by --components nor in the server tree nor in the package
TABLE

# The good package with a Chinese version text: the tree and the manifest's bytes.
out="$dir/site"
trace=()
# The leak checker cannot run under ptrace; every other run here keeps it.
[ -z "$runner" ] && command -v strace >/dev/null &&
  trace=(env "ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    strace -f -qq -o "$dir/trace" -e trace=openat,rename,renameat,renameat2)
if [ -n "$runner" ]; then
  stdout="$(run publish "$(arg "$dir/pkg/Pkg-2.1.zip")" --version "V2.1 正式版" --out "$(arg "$out")" --components "$(arg "$dir/comp")" | tr -d '\r')"
else
  stdout="$("${trace[@]}" "$kit" publish "$dir/pkg/Pkg-2.1.zip" --version "V2.1 正式版" --out "$out" --components "$dir/comp")"
fi
rc=$?
want_tree="rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe
zelqa/DOWN_CENTER/SBQD/SKPDrive.exe
zelqa/DOWN_CENTER/SBQD/SWUKeyDrive.exe
zelqa/DOWN_CENTER/SBQD/VeltaroCSP.exe
$m/Pkg-2.1.zip
$m/VELTARO.XML"
tree="$(cd "$out" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort)"
[ "$rc" = 0 ] && [ "$tree" = "$want_tree" ] && echo "ok   tree" || fail "tree: rc=$rc
$tree"
printf '[Setup]\r\nLargeVer=V2.1 \xd5\xfd\xca\xbd\xb0\xe6\r\nurl=Pkg-2.1.zip\r\ncrc=%s\r\n' "$crc21" >"$dir/want.xml"
cmp -s "$dir/want.xml" "$out/$m/VELTARO.XML" && echo "ok   manifest bytes (GBK version text)" ||
  fail "manifest bytes: $(od -c "$out/$m/VELTARO.XML" | head -5)"
cmp -s "$dir/pkg/Pkg-2.1.zip" "$out/$m/Pkg-2.1.zip" && cmp -s "$dir/comp/BaseService.exe" "$out/rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe" &&
  echo "ok   package and component bytes" || fail "copied bytes differ"
LC_ALL=C grep -q "manifest: LargeVer=.* url=Pkg-2.1.zip crc=$crc21" <<<"$stdout" && echo "ok   values printed" || fail "printed: $stdout"
if [ -f "$dir/trace" ]; then
  # The manifest's own name is never opened for writing, only the target of the last rename.
  last="$(grep -E 'rename' "$dir/trace" | tail -n 1)"
  opened="$(grep -E 'openat\(.*VELTARO\.XML", [^)]*(O_WRONLY|O_RDWR|O_CREAT)' "$dir/trace")"
  pkg_line=$(grep -nE "rename.*Pkg-2\.1\.zip\"" "$dir/trace" | tail -n 1 | cut -d: -f1)
  xml_line=$(grep -nE "rename.*VELTARO\.XML\"" "$dir/trace" | tail -n 1 | cut -d: -f1)
  if grep -q 'VELTARO\.XML"' <<<"$last" && [ -z "$opened" ] && [ -n "$pkg_line" ] && [ "$pkg_line" -lt "$xml_line" ]; then
    echo "ok   manifest written last, by rename"
  else
    fail "manifest order: $(grep -E 'rename|VELTARO' "$dir/trace")"
  fi
fi

# Republishing: a new version keeps the older package; other bytes under a
# published name are refused and leave the manifest alone.
run publish "$(arg "$dir/pkg/Pkg-2.2.zip")" --version V2.2 --out "$(arg "$out")" >/dev/null 2>&1
[ -f "$out/$m/Pkg-2.1.zip" ] && grep -q "crc=$crc22" "$out/$m/VELTARO.XML" && grep -q "url=Pkg-2.2.zip" "$out/$m/VELTARO.XML" &&
  echo "ok   republish keeps the older package" || fail "republish: $(cat "$out/$m/VELTARO.XML")"
cp "$dir/pkg/Pkg-2.2.zip" "$dir/Pkg-2.1.zip"
before="$(cat "$out/$m/VELTARO.XML")"
err="$(run publish "$(arg "$dir/Pkg-2.1.zip")" --version V2.3 --out "$(arg "$out")" 2>&1)"
[ $? = 1 ] && grep -q "already published with other content" <<<"$err" && [ "$(cat "$out/$m/VELTARO.XML")" = "$before" ] &&
  cmp -s "$dir/pkg/Pkg-2.1.zip" "$out/$m/Pkg-2.1.zip" && echo "ok   other bytes under a published name refused" ||
  fail "same name, other bytes: $err"
run publish "$(arg "$dir/pkg/Pkg-2.1.zip")" --version V2.1b --out "$(arg "$out")" >/dev/null 2>&1 &&
  grep -q "url=Pkg-2.1.zip" "$out/$m/VELTARO.XML" && echo "ok   the same package again" || fail "same package again"
[ -z "$(find "$out" -name '*.part~')" ] || fail "temporary files left: $(find "$out" -name '*.part~')"

if [ -z "$runner" ]; then
  # Readable by a web server running as another user, whatever the maker's umask.
  (umask 077 && "$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V1 --out "$dir/modes" --components "$dir/comp" >/dev/null)
  modes="$(find "$dir/modes" -printf '%m %y\n' | sort -u | tr '\n' ' ')"
  [ "$modes" = "644 f 755 d " ] && echo "ok   files 0644, folders 0755 under umask 077" || fail "modes: $modes"

  # Nothing is written through a link in the tree: a folder on the way or a
  # temporary name that leads elsewhere is refused, and nothing lands there.
  while IFS='|' read -r name link target; do
    tree="$dir/linked-${name// /_}"
    rm -rf "$dir/elsewhere" && mkdir -p "$(dirname "$tree/$link")" "$dir/elsewhere"
    ln -s "$dir/elsewhere$target" "$tree/$link"
    err="$("$kit" publish "$dir/pkg/Pkg-2.1.zip" --version V1 --out "$tree" 2>&1)"
    [ $? = 1 ] && grep -q "is a symbolic link" <<<"$err" && [ -z "$(ls -A "$dir/elsewhere")" ] &&
      echo "ok   link refused: $name" || fail "link $name: $err; elsewhere: $(ls -A "$dir/elsewhere")"
  done <<TABLE
folder on the way|zelqa/DOWN_CENTER|
dangling temporary name|$m/VELTARO.XML.part~|/x
package|$m/Pkg-2.1.zip|/x
TABLE
fi

echo "$fails failed"
[ "$fails" -eq 0 ]
