// Starting a command line without a window, and ending the process at once.
#pragma once
#include <string>

namespace platform {

// WinExec with SW_HIDE: starts the command line and returns without waiting for
// it. True when it started.
bool RunHidden(const std::string& commandLine);

// Ends the process at once with exit code 0: no window is closed, nothing is
// freed, and files being written stay as they are. Natively it throws
// platform::testing::ProcessEnded instead, so that a test sees where the program
// would have ended.
[[noreturn]] void EndProcessNow();

}  // namespace platform
