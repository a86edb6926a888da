// Starting a program of the system without a window, and ending the process at once.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Starts the command line without a window (as WinExec with SW_HIDE does) and
// waits at most `waitMs` for it to end. True when it started. Its first word
// names a program of the system folder ("cmd.exe"), which is started by its full
// path there, never searched for (the program's own folder would come first),
// and in that folder.
bool RunSystemHidden(const std::string& commandLine, uint32_t waitMs);

// Ends the process at once with exit code 0: no window is closed, nothing is
// freed, and files being written stay as they are. Natively it throws a
// ProcessEnd instead, so that a test sees where the program would have ended.
[[noreturn]] void EndProcessNow();

// Not a std::exception, and every error guard lets it pass: it is the end of
// the program, not an error of the handler it passes through.
struct ProcessEnd {
  int exitCode;
};

}  // namespace platform
