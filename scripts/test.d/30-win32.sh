# The Windows build: the same unit tests as Windows programs under Wine, against
# the real Windows platform layer (files, registry, code page 936).
if configure win32 -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake"; then
  run_ctest win32
  run_check "win32 programs import only system DLLs" bash "$ROOT/scripts/check-imports.sh" "$ROOT/build/win32/bin"
else
  record "build win32" 1
fi
