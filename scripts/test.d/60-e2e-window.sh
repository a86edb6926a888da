# The installer window under Wine on a virtual X display (needs the win32 tree).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ]; then
  run_check "installer window under Wine" timeout 300 bash "$ROOT/tests/e2e/window_e2e.sh"
else
  record "installer window under Wine (no VeltaroSetup.exe)" 1
fi
# The same program on a Wine that reports Windows XP: the window at once, no restart.
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ]; then
  run_check "installer starts on Windows XP" timeout 300 bash "$ROOT/tests/e2e/xp_start.sh"
else
  record "installer starts on Windows XP (no VeltaroSetup.exe)" 1
fi
