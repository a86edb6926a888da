# The download engine's tests under ThreadSanitizer: the manager, the segment
# threads, the job's shared fields and the test server; and the install flow
# driving the engine from the window's timers. Only those targets are built in
# this tree.
tsan_build() {
  local dir="$ROOT/build/tsan" log="$LOGDIR/build-tsan.log"
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTARO_SANITIZE=thread \
      >"$LOGDIR/configure-tsan.log" 2>&1 || { cat "$LOGDIR/configure-tsan.log"; return 1; }
  fi
  echo "== build tsan (download_tests app_tests)"
  cmake --build "$dir" -j "$JOBS" --target download_tests app_tests >"$log" 2>&1 || { tail -n 60 "$log"; return 1; }
  if grep -q 'warning:' "$log"; then grep -A3 'warning:' "$log" | head -n 40; return 1; fi
}
if tsan_build; then
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest tsan -R '^(download|app)_tests$'
else
  record "build tsan" 1
fi
