# The install under Wine by real clicks, against nginx and veltaro-kit serve on
# loopback (needs the win32 installer and the native kit).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "install under Wine" timeout 600 bash "$ROOT/tests/e2e/install_e2e.sh"
else
  record "install under Wine (no VeltaroSetup.exe or veltaro-kit)" 1
fi
# Started from a download folder where DLLs named as the system's and a cmd.exe
# were planted: it installs, and none of them runs.
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "install from a folder with planted DLLs and cmd.exe under Wine" timeout 300 bash "$ROOT/tests/e2e/planted_e2e.sh"
else
  record "install from a folder with planted DLLs (no VeltaroSetup.exe or veltaro-kit)" 1
fi
