# The install flow under Wine against servers that fail it at awkward moments:
# a failure notice of a job already replaced, a notice that arrives while the
# close waits (needs the win32 installer and the native kit).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "install flow under Wine against failing servers" timeout 300 bash "$ROOT/tests/e2e/flow_faults_e2e.sh"
else
  record "install flow under Wine against failing servers (no VeltaroSetup.exe or veltaro-kit)" 1
fi
