#!/usr/bin/env bash
# Times `veltaro-kit unpack` against bsdtar (libarchive) and unzip (Info-ZIP) on
# the same packages, each into an emptied folder, and prints wall time, peak
# resident memory and the ratio to bsdtar. Packages: (a) 20,000 small files,
# (b) a few files of 300 MiB in all, half random, half text.
# Usage: tests/bench/unpack_bench.sh [KIT] (default build/native/bin/veltaro-kit)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
KIT="$(realpath "${1:-$ROOT/build/native/bin/veltaro-kit}")"
WORK="${BENCH_DIR:-$ROOT/build/bench-unpack}"
RUNS="${RUNS:-3}"
mkdir -p "$WORK"
cd "$WORK"

if [ ! -f small.zip ]; then
  echo "making (a): 20,000 small files"
  python3 - <<'PY'
import os, random
random.seed(7)
words = [b"alpha", b"beta", b"gamma", b"delta", b"veltaro", b"package", b"file", b"data"]
for i in range(20000):
    d = os.path.join("small-src", "d%03d" % (i // 200))
    os.makedirs(d, exist_ok=True)
    n = random.randint(20, 800)
    with open(os.path.join(d, "f%05d.txt" % i), "wb") as f:
        f.write(b" ".join(random.choice(words) for _ in range(n)))
PY
  (cd small-src && zip -q -r ../small.zip .)
  rm -rf small-src
fi
if [ ! -f large.zip ]; then
  echo "making (b): 300 MiB in four files"
  mkdir -p large-src
  head -c $((75 << 20)) /dev/urandom > large-src/random1.bin
  head -c $((75 << 20)) /dev/urandom > large-src/random2.bin
  python3 - <<'PY'
import random
random.seed(3)
words = [b"alpha", b"beta", b"gamma", b"delta", b"veltaro", b"package", b"line", b"1234567890"]
for name in ("large-src/text1.txt", "large-src/text2.txt"):
    with open(name, "wb") as f:
        left = 75 << 20
        while left > 0:
            chunk = b" ".join(random.choice(words) for _ in range(20000)) + b"\n"
            chunk = chunk[:left]
            f.write(chunk)
            left -= len(chunk)
PY
  (cd large-src && zip -q -r ../large.zip .)
  rm -rf large-src
fi

# measure NAME CMD...: best wall time of RUNS runs (each into an emptied
# folder "out"), and the largest peak RSS seen, as "seconds kib".
measure() {
  local best="" rss=0
  for _ in $(seq "$RUNS"); do
    rm -rf out && mkdir out
    sync
    /usr/bin/time -o time.txt -f "%e %M" "$@" >/dev/null 2>&1
    local t m
    read -r t m <time.txt
    if [ -z "$best" ] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
    [ "$m" -gt "$rss" ] && rss=$m
  done
  rm -rf out time.txt
  echo "$best $rss"
}

printf '%-10s %-22s %9s %10s %12s\n' package tool wall_s peak_MiB vs_bsdtar
for pkg in small large; do
  cat "$pkg.zip" >/dev/null  # same warm cache for every tool
  read -r tb rb < <(measure bsdtar -xf "$pkg.zip" -C out)
  read -r tu ru < <(measure unzip -o -q "$pkg.zip" -d out)
  read -r tk rk < <(measure "$KIT" unpack "$pkg.zip" out)
  for row in "bsdtar -xf|$tb|$rb" "unzip -o -q|$tu|$ru" "veltaro-kit unpack|$tk|$rk"; do
    IFS='|' read -r name t r <<<"$row"
    awk -v p="$pkg" -v n="$name" -v t="$t" -v r="$r" -v b="$tb" \
      'BEGIN{printf "%-10s %-22s %9.2f %10.1f %11.2fx\n", p, n, t, r/1024, (b > 0 ? t/b : 0)}'
  done
done
