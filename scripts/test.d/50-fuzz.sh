# The libFuzzer targets, built with clang under AddressSanitizer and UBSan, each
# run from its committed seed corpus: the package reader for a minute, the small
# parsers (INI text, response head, resume state) for 20 seconds each. New
# inputs go to a work corpus in the build tree, never into the repository.
FUZZ_SECONDS="${FUZZ_SECONDS:-60}"
FUZZ_SMALL_SECONDS="${FUZZ_SMALL_SECONDS:-20}"

# fuzz_run NAME [SECONDS]: one target, FUZZ_SECONDS unless told; any crash,
# leak, broken invariant or report fails it.
fuzz_run() {
  local work="$ROOT/build/fuzz/work-$1" seconds="${2:-$FUZZ_SECONDS}"
  mkdir -p "$work"
  (cd "$ROOT/build/fuzz" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "./bin/$1_fuzz" "$work" "$ROOT/tests/fuzz/corpus/$1" -max_total_time="$seconds" -timeout=20 \
    -rss_limit_mb=1024 -print_final_stats=1)
}

if configure fuzz unpack_fuzz ini_fuzz http_fuzz resume_fuzz -- -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELTARO_FUZZ=ON \
  -DVELTARO_SANITIZE=address,undefined -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link; then
  run_check "fuzz unpack ${FUZZ_SECONDS}s" fuzz_run unpack
  for target in ini http resume; do
    run_check "fuzz $target ${FUZZ_SMALL_SECONDS}s" fuzz_run "$target" "$FUZZ_SMALL_SECONDS"
  done
else
  record "build fuzz" 1
fi
