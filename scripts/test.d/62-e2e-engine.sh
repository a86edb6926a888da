# The download engine under Wine (veltaro-kit.exe fetch): two engines on one
# file, data files that cannot be created, a fetch killed half-way and resumed
# (needs the win32 kit and the native one for its server).
if [ -f "$ROOT/build/win32/bin/veltaro-kit.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "download engine under Wine" timeout 300 bash "$ROOT/tests/e2e/engine_e2e.sh"
else
  record "download engine under Wine (no veltaro-kit.exe or veltaro-kit)" 1
fi
