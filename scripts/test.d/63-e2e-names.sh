# Every kind of file name a package gives, installed under zh_CN and en_US, over
# read-only, hidden and system files and a planted folder link (needs the win32
# installer and the native kit).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -x "$ROOT/build/native/bin/veltaro-kit" ]; then
  run_check "package names under Wine" timeout 600 bash "$ROOT/tests/e2e/names_e2e.sh"
else
  record "package names under Wine (no VeltaroSetup.exe or veltaro-kit)" 1
fi
