#!/usr/bin/env bash
# Every failure of veltaro-kit says why in words; bars only on a terminal,
# otherwise one summary line; help for each command and the version.
# Usage: kit_messages.sh KIT
set -uo pipefail
kit="$1"
source "$(dirname "${BASH_SOURCE[0]}")/serve_lib.sh"

mkdir -p "$dir/www" "$dir/pkg"
head -c 300000 /dev/urandom >"$dir/www/pkg.bin"
(cd "$dir" && mkdir z && echo hi >z/a.txt && cd z && zip -q ../p.zip a.txt)
python3 "$(dirname "${BASH_SOURCE[0]}")/make_packages.py" "$dir/pkg" >/dev/null
serve ok "$dir/www"
serve ignoring "$dir/www" --ignore-range
serve dropping "$dir/www" --drop-after 100000
closed="$(closed_url)"
# A server that sends every request on to https.
python3 -c '
import http.server, signal, time
signal.signal(signal.SIGINT, signal.default_int_handler)  # a background job starts with it ignored
class H(http.server.BaseHTTPRequestHandler):
    def do_HEAD(self):
        self.send_response(301)
        self.send_header("Location", "https://127.0.0.1/pkg.bin")
        self.send_header("Content-Length", "0")
        self.end_headers()
    do_GET = do_HEAD
    def log_message(self, *a):
        pass
s = http.server.HTTPServer(("127.0.0.1", 0), H)
print(s.server_port, flush=True)
s.timeout = 1
end = time.time() + 60
while time.time() < end:
    s.handle_request()
' >"$dir/tls.port" 2>/dev/null &
pids+=($!)
await 50 test -s "$dir/tls.port"
to_https="http://127.0.0.1:$(cat "$dir/tls.port")/"

# name | exit | stderr must hold | command...
while IFS='|' read -r name want_rc want cmd; do
  eval "set -- $cmd"
  err="$(timeout 60 "$kit" "$@" 2>&1 >/dev/null </dev/null)"
  rc=$?
  if [ "$rc" != "$want_rc" ] || ! grep -qE -- "$want" <<<"$err"; then
    echo "FAIL $name: rc=$rc stderr: $err"
    fails=$((fails + 1))
  else
    echo "ok   $name"
  fi
done <<TABLE
crc of a missing file, in this system's words|1|cannot read .*: No such file or directory$|crc "$dir/none"
a mistyped option named|2|^veltaro-kit publish: unknown option '--component' \(did you mean --components\?\)$|publish "$dir/p.zip" --version 1 --out "$dir/o" --component "$dir"
an option written with =|2|^veltaro-kit publish: unknown option '--version=2.0.0': write '--version 2.0.0'$|publish "$dir/p.zip" --version=2.0.0 --out "$dir/o"
--valid-days without --sign|2|^veltaro-kit publish: --valid-days needs --sign KEY|publish "$dir/p.zip" --version 1 --out "$dir/o" --valid-days 30
--new-key without --sign|2|^veltaro-kit publish: --new-key needs --sign KEY$|publish "$dir/p.zip" --version 1 --out "$dir/o" --new-key
a value missing|2|^veltaro-kit publish: --out needs a value$|publish "$dir/p.zip" --version 1 --out
check --keys|2|^veltaro-kit check: unknown option '--keys' \(did you mean --key\?\)$|check "$ok" --keys "$dir/k.pub"
check of a base URL with a path|2|has a path; the installer only ever asks http://HOST/ or http://HOST:PORT/|check "${ok}veltaro/"
check of a service URL with a path|2|http://127.0.0.1:1/x/ has a path|check "$ok" --service http://127.0.0.1:1/x/
serve with a rate that is no number|2|^veltaro-kit serve: --rate takes a whole number .*, not 'fast'$|serve "$dir/www" --rate fast
inspect of a program that is not an installer|1|not an installer of this project \(not a Windows program\)$|inspect "$dir/p.zip"
fetch from a closed port, nothing to resume|1|download failed: cannot connect to 127\.0\.0\.1:[0-9]+: connection refused, or no such host$|fetch "${closed}pkg.bin" "$dir/f1"
fetch of a missing file|1|download failed: the server answered HTTP/1\.1 404 Not Found$|fetch "${ok}none.bin" "$dir/f2"
fetch from a server ignoring ranges|1|download failed: the server ignores Range|fetch "${ignoring}pkg.bin" "$dir/f3"
fetch shows the engine's log|1|^  engine: |fetch "${ignoring}pkg.bin" "$dir/f4"
fetch cut off, state kept|1|download failed: .*; run the same command again to resume$|fetch "${dropping}pkg.bin" "$dir/f7"
fetch sent on to https|1|download failed: the server redirects to https://127\.0\.0\.1/pkg\.bin, but https is not supported|fetch "${to_https}pkg.bin" "$dir/f8"
fetch sums up off a terminal, KiB under 1 MiB|0|^fetched 293\.0 KiB in [0-9.]+ s$|fetch "${ok}pkg.bin" "$dir/f5"
unpack sums up off a terminal|0|^unpacked 1 of 1 entries, [0-9]+ bytes of package$|unpack "$dir/p.zip" "$dir/new/deeper"
unpack names what it skips|0|^  skipped: \.\./evil\.txt$|unpack "$dir/pkg/unsafe.zip" "$dir/u2"
unpack of no archive|1|^veltaro-kit unpack: nothing extracted from|unpack "$dir/pkg/notzip.zip" "$dir/u3"
TABLE
# What serve answers: a range it cannot satisfy, no pipe (it would block the
# connection and the stop), no link out of its folder, a close when asked.
mkfifo "$dir/www/pipe" && ln -s /etc "$dir/www/etc" && ln -s /etc/hostname "$dir/www/host"
while IFS='|' read -r name want args; do
  eval "set -- $args"
  got="$(timeout 10 curl -s -o /dev/null -D - "$@" | tr -d '\r')"
  grep -qE -- "$want" <<<"$got" && echo "ok   serve: $name" || { echo "FAIL serve: $name: $got"; fails=$((fails + 1)); }
done <<TABLE
a range ending before its start|^HTTP/1.1 416 |-r 10-5 "${ok}pkg.bin"
a pipe|^HTTP/1.1 404 |"${ok}pipe"
a folder link out of its folder|^HTTP/1.1 404 |"${ok}etc/hostname"
a file link out of its folder|^HTTP/1.1 404 |"${ok}host"
Connection: close honoured|^Connection: close$|-H "Connection: close" "${ok}pkg.bin"
TABLE

(cd "$dir" && "$kit" unpack p.zip u 2>/dev/null)  # a relative name as short as a drive's
[ -f "$dir/new/deeper/a.txt" ] && [ -f "$dir/u/a.txt" ] && echo "ok   unpack made its destination" ||
  { echo "FAIL unpack destination"; fails=$((fails + 1)); }
# Every name a package may give, in UTF-8 as Linux names files, below a folder
# whose own name is UTF-8.
names="$(dirname "${BASH_SOURCE[0]}")/../support"
PYTHONPATH="$names" python3 -c 'import sys, zipfile, package_names as n
with zipfile.ZipFile(sys.argv[1], "w") as z: n.add_names(z)' "$dir/names.zip"
"$kit" unpack "$dir/names.zip" "$dir/名字/产品" 2>/dev/null
PYTHONPATH="$names" python3 -c 'import os, sys, package_names as n
root, got = sys.argv[1], {}
for d, dirs, files in os.walk(root):
    for f in dirs: got[os.path.relpath(os.path.join(d, f), root) + "/"] = None
    for f in files: got[os.path.relpath(os.path.join(d, f), root)] = open(os.path.join(d, f), "rb").read()
sys.exit(got != n.installed())' "$dir/名字/产品" && echo "ok   unpack gives every name in UTF-8" ||
  { echo "FAIL unpack names: $(cd "$dir/名字/产品" 2>/dev/null && find . | sort | tr '\n' ' ')"; fails=$((fails + 1)); }
grep -q $'\r' <(timeout 60 "$kit" fetch "${ok}pkg.bin" "$dir/f6" 2>&1) && { echo "FAIL a bar drawn off a terminal"; fails=$((fails + 1)); }

# The summaries of --help start in one column.
columns="$("$kit" --help | awk '/^commands:/ {f = 1; next} f {match($0, /^  [a-z]+ +/); print RLENGTH}' | sort -u)"
[ "$(wc -l <<<"$columns")" = 1 ] && [ "$columns" -gt 0 ] || { echo "FAIL --help rows not aligned: $columns"; fails=$((fails + 1)); }
# Each command has one usage text: --help shows the one a wrong argument shows.
for c in publish check crc serve keygen inspect; do
  out="$("$kit" "$c" --help)"
  usage="$(sed '/^$/,$d' <<<"$out")"
  wrong="$("$kit" "$c" --bogus x y 2>&1 | sed -n '/^usage: /,$p')"
  grep -q "^usage: veltaro-kit $c " <<<"$out" && [ "$(wc -l <<<"$out")" -ge 3 ] && [ "$usage" = "$wrong" ] ||
    { echo "FAIL $c --help: $out
wrong argument: $wrong"; fails=$((fails + 1)); }
done
grep -q -- "--valid-days N.*--unsigned" <<<"$("$kit" publish --help)" || { echo "FAIL publish --help lacks switches"; fails=$((fails + 1)); }
grep -qE '^veltaro-kit [0-9]+\.[0-9]+\.[0-9]+$' <<<"$("$kit" --version)" && echo "ok   --help and --version" ||
  { echo "FAIL --version"; fails=$((fails + 1)); }

echo "$fails failed"
[ "$fails" -eq 0 ]
