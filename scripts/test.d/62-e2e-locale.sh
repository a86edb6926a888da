# The window on a Windows that is not Chinese: the same install under en_US and
# zh_CN looks alike (needs the win32 installer).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ]; then
  run_check "installer window under an English Windows" timeout 300 bash "$ROOT/tests/e2e/locale_e2e.sh"
else
  record "installer window under an English Windows (no VeltaroSetup.exe)" 1
fi
