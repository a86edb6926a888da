# The Windows build: the same unit tests as Windows programs under Wine, against
# the real Windows platform layer (files, registry, code page 936).
# CMake keeps the compilers a tree was first made with: a tree of other
# compilers than the toolchain file's win32-thread ones is made again.
if [ -d "$ROOT/build/win32" ] && ! grep -qs 'g++-win32"' "$ROOT"/build/win32/CMakeFiles/*/CMakeCXXCompiler.cmake; then
  rm -rf "$ROOT/build/win32"
fi
if configure win32 -- -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake"; then
  run_ctest win32
  run_check "win32 programs import only system DLLs, the shipped ones only what Windows XP SP3 has" bash "$ROOT/scripts/check-imports.sh" "$ROOT/build/win32/bin" \
    VeltaroSetup.exe veltaro-kit.exe
else
  record "build win32" 1
fi
