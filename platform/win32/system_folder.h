// The system folder (GetSystemDirectoryA), for the Windows platform's own use:
// where system DLLs and programs are taken from by full path.
#pragma once
#include <string>

namespace platform::win32 {

// Without a trailing backslash; empty on failure.
std::string SystemFolder();

}  // namespace platform::win32
