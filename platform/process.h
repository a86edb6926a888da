// Ending the process at once.
#pragma once

namespace platform {

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
