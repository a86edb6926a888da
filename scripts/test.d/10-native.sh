# Native build: unit tests, and the tools later stages use.
if configure native -- -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELTARO_BENCH=ON; then
  run_ctest native
else
  record "build native" 1
fi
