# The same unit tests under AddressSanitizer and UBSan.
if configure asan -- -DCMAKE_BUILD_TYPE=Debug -DVELTARO_SANITIZE=address,undefined; then
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest asan
else
  record "build asan" 1
fi
