# The installer among planted links under Wine: every victim unchanged, the
# install whole, the folders it makes protected (needs the win32 installer and
# the native kit).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "install among planted links under Wine" timeout 600 bash "$ROOT/tests/e2e/links_e2e.sh"
else
  record "install among planted links under Wine (no VeltaroSetup.exe or veltaro-kit)" 1
fi
