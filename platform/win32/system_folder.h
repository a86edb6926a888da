// The system folder (GetSystemDirectoryA), for the Windows platform's own use:
// where system DLLs and programs are taken from by full path.
#pragma once
#include <string>

namespace platform::win32 {

// Without a trailing backslash; empty on failure.
std::string SystemFolder();

// Loads a DLL of the system folder by full path, as the first call of a lazily
// imported function does, before a system DLL can load it by name; false when
// the system lacks it (it is then never searched for).
bool PreloadSystemDll(const char* name);

}  // namespace platform::win32
