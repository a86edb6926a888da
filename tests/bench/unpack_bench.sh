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

# once OUTDIR CMD...: one timed run into an empty OUTDIR, as "seconds kib".
once() {
  local out="$1"; shift
  rm -rf "$out" && mkdir -p "$out"
  sync
  /usr/bin/time -o "$WORK/time.txt" -f "%e %M" "$@" >/dev/null 2>&1
  cat "$WORK/time.txt"
}

# bench PACKAGE OUTDIR: the three tools taken in turn RUNS times (so a change in
# the machine's load touches all of them); best wall time and largest peak RSS.
bench() {
  local name="$1" pkg="$WORK/$1.zip" out="$2" label="$3"
  local names=("bsdtar -xf" "unzip -o -q" "veltaro-kit unpack")
  local best=("" "" "") rss=(0 0 0)
  cat "$pkg" >/dev/null  # same warm cache for every tool
  for r in $(seq "$RUNS"); do
    for i in 0 1 2; do
      # On disk every run gets a new folder and all are removed at the end:
      # ext4 slows down creating files while it still remembers thousands of
      # just-deleted inodes, which would favour whichever tool runs first.
      local dir="$out"
      [ "$label" = disk ] && dir="$out-$r-$i"
      case $i in
        0) set -- bsdtar -xf "$pkg" -C "$dir" ;;
        1) set -- unzip -o -q "$pkg" -d "$dir" ;;
        2) set -- "$KIT" unpack "$pkg" "$dir" ;;
      esac
      read -r t m < <(once "$dir" "$@")
      if [ -z "${best[$i]}" ] || awk "BEGIN{exit !($t < ${best[$i]})}"; then best[$i]=$t; fi
      [ "$m" -gt "${rss[$i]}" ] && rss[$i]=$m
    done
  done
  rm -rf "$out" "$out"-* "$WORK/time.txt"
  for i in 0 1 2; do
    awk -v p="$name ($label)" -v n="${names[$i]}" -v t="${best[$i]}" -v r="${rss[$i]}" -v b="${best[0]}" \
      'BEGIN{printf "%-20s %-20s %8.2f %9.1f %10.2fx\n", p, n, t, r/1024, (b > 0 ? t/b : 0)}'
  done
}

# Output on tmpfs measures the tools themselves; on the build tree's disk the
# file system's own costs weigh in too.
SHM="${SHM_DIR:-/dev/shm}"
printf '%-20s %-20s %8s %9s %11s\n' package tool wall_s peak_MiB vs_bsdtar
for pkg in small large; do
  if [ -d "$SHM" ] && [ -w "$SHM" ]; then bench "$pkg" "$SHM/veltaro-bench-out" tmpfs; fi
  bench "$pkg" "$WORK/out" disk
done
