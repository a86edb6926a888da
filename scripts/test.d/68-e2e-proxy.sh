# The installer under Wine behind tinyproxy, named in the user's Internet
# settings, then with ProxyOverride covering the servers (needs the win32
# installer, the native kit and tinyproxy).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "install behind a web proxy under Wine" timeout 600 bash "$ROOT/tests/e2e/proxy_e2e.sh"
else
  record "install behind a web proxy under Wine (no VeltaroSetup.exe or veltaro-kit)" 1
fi
