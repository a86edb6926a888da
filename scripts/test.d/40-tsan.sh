# The download engine's tests under ThreadSanitizer: the manager, the segment
# threads, the job's shared fields and the test server.
if configure tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTARO_SANITIZE=thread; then
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run_ctest tsan -R '^download_tests$'
else
  record "build tsan" 1
fi
