# Sourced by scripts/test.sh and scripts/demo.sh: build trees under build/,
# each configured once and built on every run. The caller sets ROOT, LOGDIR
# (the logs) and JOBS.

# configure DIR [TARGET...] -- CMAKE-ARGS...: one build tree, configured once,
# built every run (only the TARGETs when given); a warning fails it.
configure() {
  local dir="$1" targets=() name="${1//\//-}"
  local log="$LOGDIR/build-$name.log"
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do targets+=("$1"); shift; done
  shift
  if [ ! -f "$ROOT/build/$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$ROOT/build/$dir" -G Ninja "$@" >"$LOGDIR/configure-$name.log" 2>&1 ||
      { cat "$LOGDIR/configure-$name.log"; return 1; }
  fi
  echo "== build $dir${targets[*]:+ (${targets[*]})}"
  cmake --build "$ROOT/build/$dir" -j "$JOBS" ${targets[*]:+--target "${targets[@]}"} >"$log" 2>&1 ||
    { tail -n 60 "$log"; return 1; }
  # Warnings are errors of the house even when the compiler lets them pass.
  if grep -q 'warning:' "$log"; then
    grep -A3 'warning:' "$log" | head -n 40
    return 1
  fi
}
