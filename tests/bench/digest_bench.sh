#!/usr/bin/env bash
# The keyed installer's extra cost: SHA-256 of a package next to its unpack, on
# the 300 MiB package of unpack_bench.sh (made here when missing).
# Usage: tests/bench/digest_bench.sh [BENCH] (default build/native/bin/digest_bench)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BENCH="$(realpath "${1:-$ROOT/build/native/bin/digest_bench}")"
WORK="${BENCH_DIR:-$ROOT/build/bench-unpack}"
mkdir -p "$WORK"
if [ ! -f "$WORK/large.zip" ]; then
  mkdir -p "$WORK/large-src"
  head -c $((150 << 20)) /dev/urandom >"$WORK/large-src/random.bin"
  python3 -c 'import sys; sys.stdout.buffer.write((b"veltaro package line 1234567890 alpha beta gamma\n" * 3300000)[:150 << 20])' \
    >"$WORK/large-src/text.txt"
  (cd "$WORK/large-src" && zip -q -r ../large.zip .)
  rm -rf "$WORK/large-src"
fi
echo "package: $(stat -c %s "$WORK/large.zip") bytes"
"$BENCH" "$WORK/large.zip" "$WORK/digest"
