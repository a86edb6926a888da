# The download engine's tests under ThreadSanitizer: the manager, the segment
# threads, the job's shared fields and the test server; and the install flow
# driving the engine from the window's timers. Only those targets are built in
# this tree.
if configure tsan download_tests app_tests -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTARO_SANITIZE=thread; then
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest tsan -R '^(download|app)_tests$'
else
  record "build tsan" 1
fi
