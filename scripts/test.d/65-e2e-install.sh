# The install under Wine by real clicks, against nginx and veltaro-kit serve on
# loopback (needs the win32 installer and the native kit).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "install under Wine" timeout 600 bash "$ROOT/tests/e2e/install_e2e.sh"
else
  record "install under Wine (no VeltaroSetup.exe or veltaro-kit)" 1
fi
