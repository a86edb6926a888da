#!/usr/bin/env bash
# The download engine under Wine (veltaro-kit.exe fetch) against loopback
# servers: a second engine on a running download is refused and the first one's
# file stays whole; a data file that cannot be created ends the run with its
# failure line; a fetch killed half-way through a throttled download resumes
# and fetches at most what was missing plus a fifth of the package; killed, then
# the file replaced by a smaller one: the next run fails and clears its files,
# the one after fetches it whole; links planted at the data file and the state
# keep their targets. Runs in a
# throwaway copy of the project's prefix whose D: drive is a temporary folder.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/install_lib.sh"
KIT_EXE="$ROOT/build/win32/bin/veltaro-kit.exe"
work_folders engine
D="$DRIVE_D"
SIZE=$((4 << 20))
SERVE_PIDS=()

# The fetches of this prefix still running.
our_fetches() { prefix_processes 'veltaro-kit\.exe'; }
cleanup() {
  local p
  for p in $(our_fetches); do kill -9 "$p" 2>/dev/null; done
  for p in "${SERVE_PIDS[@]}"; do kill -INT "$p" 2>/dev/null; done
  e2e_finish
}
trap cleanup EXIT

# serve VAR [SWITCHES...]: `veltaro-kit serve` over $WORK/www; its base URL into VAR.
serve() {
  kit_serve "$1" "$WORK/serve.${#SERVE_PIDS[@]}" "$KIT" "$WORK/www" --port 0 "${@:2}"
  local rc=$?
  SERVE_PIDS+=("$SERVED_PID")
  return $rc
}
# fetch URL WINDOWS-FILE ERRFILE: the engine under Wine, bounded in time.
fetch() { timeout 120 wine "$KIT_EXE" fetch "$1" "$2" >/dev/null 2>"$3"; }
# The engine's lines on stderr are in the ANSI code page (GBK).
said() { iconv -f GBK -t UTF-8 "$1" 2>/dev/null | grep -qF "$2"; }
wait_for_file() { await $(($2 * 10)) test -s "$1"; }  # wait_for_file PATH SECONDS

mkdir -p "$WORK/www" "$D"
head -c "$SIZE" /dev/urandom >"$WORK/www/pkg.bin"
copy_prefix || exit 1
# The prefix's server stays up between the fetches (ended with the script): a
# fetch started while it shuts down after the last one loses its connection
# ("wine client error: recvmsg") and fails for no fault of the engine.
wineserver -p 300 >/dev/null 2>&1
serve SLOW --rate 256k || exit 1
FAILED_LINE="创建接收文件失败."

# --- A second engine on a running download ------------------------------------
mkdir -p "$D/two"
fetch "${SLOW}pkg.bin" 'D:\two\pkg.bin' "$WORK/first.err" &
FIRST=$!
wait_for_file "$D/two/pkg.bin.rpc" 30
sleep 1
fetch "${SLOW}pkg.bin" 'D:\two\pkg.bin' "$WORK/second.err"
rc=$?
check "second engine on the same file refused (exit $rc)" $([ "$rc" -eq 1 ] && echo 0 || echo 1)
expect "second engine says why" said "$WORK/second.err" "$FAILED_LINE"
wait "$FIRST"
rc=$?
check "first engine completes (exit $rc)" $([ "$rc" -eq 0 ] && echo 0 || echo 1)
expect "first engine's file is the package" cmp -s "$D/two/pkg.bin" "$WORK/www/pkg.bin"

# --- Data files that cannot be created ------------------------------------------
mkdir -p "$D/ro" "$D/dir/pkg.bin.rpc"
echo x >"$D/ro/pkg.bin.rpc"
chmod a-w "$D/ro/pkg.bin.rpc"
echo x >"$D/plain"
for target in 'D:\ro\pkg.bin' 'D:\dir\pkg.bin' 'D:\plain\pkg.bin'; do
  fetch "${SLOW}pkg.bin" "$target" "$WORK/cannot.err"
  rc=$?
  check "$target: the run fails (exit $rc)" $([ "$rc" -eq 1 ] && echo 0 || echo 1)
  expect "$target: with the failure line" said "$WORK/cannot.err" "$FAILED_LINE"
done

# --- Killed half-way, then resumed ----------------------------------------------
mkdir -p "$D/kill"
wine "$KIT_EXE" fetch "${SLOW}pkg.bin" 'D:\kill\pkg.bin' >/dev/null 2>&1 &
KILLED=$!
wait_for_file "$D/kill/pkg.bin.rpc" 30
sleep 4  # about half of the 8 s the two throttled segments need
for p in $(our_fetches); do kill -9 "$p"; done
wait "$KILLED" 2>/dev/null
expect "the killed fetch left its data file" test -f "$D/kill/pkg.bin.rpc"

# What the data file holds for real against what the state counts.
read -r HELD RECORDED < <(python3 - "$WORK/www/pkg.bin" "$D/kill/pkg.bin" <<'PY'
import os, struct, sys
src = open(sys.argv[1], "rb").read()
data = open(sys.argv[2] + ".rpc", "rb").read()
def prefix(a, b):
    n = 0
    while n < len(a) and n < len(b) and a[n] == b[n]:
        n += 1
    return n
half = len(src) // 2
held = sum(prefix(src[s:e], data[s:e]) for s, e in ((0, half), (half, len(src))))
recorded = 0
cfg = sys.argv[2] + ".rpc.cfg"
if os.path.exists(cfg):
    raw = open(cfg, "rb").read()
    size, count = struct.unpack_from("<ii", raw)
    recorded = sum(struct.unpack_from("<iii", raw, 8 + 12 * i)[2] for i in range(count))
print(held, recorded)
PY
)
echo "killed at $HELD of $SIZE bytes held, $RECORDED on record"
# The second run against nginx, whose log counts the bytes it sent.
PORT=$(free_port)
start_nginx "$WORK/nginx" "$PORT" "  log_format bytes '\$request_method \$status \$body_bytes_sent';
  access_log $WORK/nginx/bytes.log bytes;
  server { listen 127.0.0.1:$PORT; root $WORK/www; }" || exit 1
fetch "http://127.0.0.1:$PORT/pkg.bin" 'D:\kill\pkg.bin' "$WORK/resume.err"
rc=$?
check "the resumed fetch completes (exit $rc)" $([ "$rc" -eq 0 ] && echo 0 || echo 1)
expect "the resumed file is the package" cmp -s "$D/kill/pkg.bin" "$WORK/www/pkg.bin"
stop_nginx
FETCHED=$(awk '$1 == "GET" { n += $3 } END { print n + 0 }' "$WORK/nginx/bytes.log")
MISSING=$((SIZE - HELD))
echo "the next run fetched $FETCHED bytes; $MISSING were missing"
check "killed run: at most the missing bytes plus a fifth fetched again" \
  $([ "$HELD" -gt 0 ] && [ "$FETCHED" -le $((MISSING + SIZE / 5)) ] && echo 0 || echo 1)

# --- Killed, then the maker publishes a smaller file ------------------------------
# The saved ranges describe another version: the next run deletes data and state
# and fails, the one after fetches the new file whole.
head -c "$SIZE" /dev/urandom >"$WORK/www/pkg2.bin"
mkdir -p "$D/stale"
wine "$KIT_EXE" fetch "${SLOW}pkg2.bin" 'D:\stale\pkg2.bin' >/dev/null 2>&1 &
KILLED=$!
wait_for_file "$D/stale/pkg2.bin.rpc.cfg" 30
sleep 1
for p in $(our_fetches); do kill -9 "$p"; done
wait "$KILLED" 2>/dev/null
head -c $((SIZE / 2)) /dev/urandom >"$WORK/www/pkg2.bin"
fetch "${SLOW}pkg2.bin" 'D:\stale\pkg2.bin' "$WORK/stale.err"
rc=$?
check "another version: the resumed run fails (exit $rc)" $([ "$rc" -eq 1 ] && echo 0 || echo 1)
check "another version: data and state deleted" \
  $([ ! -e "$D/stale/pkg2.bin.rpc" ] && [ ! -e "$D/stale/pkg2.bin.rpc.cfg" ] && echo 0 || echo 1)
fetch "${SLOW}pkg2.bin" 'D:\stale\pkg2.bin' "$WORK/stale.err"
rc=$?
check "another version: the next run completes (exit $rc)" $([ "$rc" -eq 0 ] && echo 0 || echo 1)
expect "another version: the file is the new one" cmp -s "$D/stale/pkg2.bin" "$WORK/www/pkg2.bin"

# --- Links planted at the engine's files -------------------------------------------
# A resumable data file that is a link or a second name, a state that is a link:
# the fetch completes and no target changes.
printf 'precious' >"$WORK/precious"
python3 - "$D/links" "$SIZE" <<'PY'
import os, struct, sys
d, size = sys.argv[1], int(sys.argv[2])
for case in ("sym", "hard", "cfg"):
    os.makedirs(os.path.join(d, case), exist_ok=True)
    if case != "cfg":
        open(os.path.join(d, case + ".victim"), "wb").write(b"\0" * size)
        half = size // 2
        state = struct.pack("<ii", size, 2) + struct.pack("<iii", 0, half, 0) + struct.pack("<iii", half, size, 0)
        open(os.path.join(d, case, "pkg.bin.rpc.cfg"), "wb").write(state)
PY
ln -s "$D/links/sym.victim" "$D/links/sym/pkg.bin.rpc"
ln "$D/links/hard.victim" "$D/links/hard/pkg.bin.rpc"
ln -s "$WORK/precious" "$D/links/cfg/pkg.bin.rpc.cfg"
for case in sym hard cfg; do
  fetch "${SLOW}pkg.bin" "D:\\links\\$case\\pkg.bin" "$WORK/links.err"
  rc=$?
  check "link at $case: the fetch completes (exit $rc)" $([ "$rc" -eq 0 ] && echo 0 || echo 1)
  # What the engine said, so that a log shows why.
  [ "$rc" -eq 0 ] || iconv -f GBK -t UTF-8 "$WORK/links.err" 2>&1 | sed 's/^/   stderr: /'
  expect "link at $case: the file is the package" cmp -s "$D/links/$case/pkg.bin" "$WORK/www/pkg.bin"
done
check "no target written" $([ "$(cat "$WORK/precious")" = precious ] &&
  ! tr -d '\0' <"$D/links/sym.victim" | grep -q . && ! tr -d '\0' <"$D/links/hard.victim" | grep -q . && echo 0 || echo 1)

echo "$FAILS failed"
[ "$FAILS" -eq 0 ]
