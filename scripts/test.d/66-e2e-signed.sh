# The installer built with a release key: its own build tree, with a key pair
# made once under build/e2e-keys; then a signed release under Wine by real clicks.
KEYS="$ROOT/build/e2e-keys"
if [ ! -f "$KEYS/release.pub" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  "$ROOT/build/native/bin/veltaro-kit" keygen "$KEYS" >/dev/null
fi
if [ -f "$KEYS/release.pub" ] &&
  configure win32-keyed -- -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-mingw32.cmake" \
    -DVELTARO_TESTS=OFF -DVELTARO_RELEASE_KEY="$KEYS/release.pub"; then
  run_check "keyed installer imports only system DLLs and loads on Windows XP SP3" bash "$ROOT/scripts/check-imports.sh" \
    "$ROOT/build/win32-keyed/bin" VeltaroSetup.exe
  run_check "keyed installer under 1 MiB" test "$(stat -c %s "$ROOT/build/win32-keyed/bin/VeltaroSetup.exe")" -lt 1048576
  run_check "signed release under Wine" timeout 600 bash "$ROOT/tests/e2e/signed_e2e.sh"
else
  record "build win32-keyed" 1
fi
