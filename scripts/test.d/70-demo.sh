# The demo, install to uninstall under Wine, clicked through on a virtual
# display (needs the win32 tree for the demo programs; the demo builds its own
# keyed installer).
if [ -f "$ROOT/build/win32/bin/VeltaroSetup.exe" ] && [ -d "$ROOT/build/win32/bin/demo" ]; then
  run_check "demo programs import only system DLLs and load on Windows XP SP3" bash "$ROOT/scripts/check-imports.sh" \
    "$ROOT/build/win32/bin/demo" $(cd "$ROOT/build/win32/bin/demo" && ls *.exe)
  run_check "demo: install, use and uninstall under Wine" timeout 600 bash "$ROOT/scripts/demo.sh" --auto
  run_check "demo uninstaller: user files, another copy, a damaged list" timeout 300 bash "$ROOT/tests/e2e/uninstall_e2e.sh"
else
  record "demo (no win32 build)" 1
fi
