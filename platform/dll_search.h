// Where the installer's DLLs come from. It runs elevated from a folder anyone
// may write (the download folder), so no DLL is ever taken from there: at load
// time it imports only DLLs that Windows treats as known (scripts/check-imports.sh
// holds the list), and the others are delay-loaded from the system folder by
// full path on their first call (platform/win32/system_dll.cpp).
#pragma once

namespace platform {

// Windows only, and the first thing the entry routine does: every later search
// for a DLL, by this program or by the system's DLLs on its behalf, looks in the
// system folder alone where Windows can be told so (SetDefaultDllDirectories,
// Windows 8, or 7 and Vista with KB2533623), and skips the current folder
// everywhere else (SetDllDirectoryA(""), from XP SP1); and the system DLLs that
// are not known DLLs but get loaded by name later are loaded now, from the
// system folder by full path.
void NarrowDllSearch();

}  // namespace platform
