# The installer under Wine against a download server that drips (needs the win32
# installer and the native kit).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "dripping server under Wine" timeout 300 bash "$ROOT/tests/e2e/stall_e2e.sh"
else
  record "dripping server under Wine (no VeltaroSetup.exe or veltaro-kit)" 1
fi
