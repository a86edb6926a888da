// The console's interrupt key (Ctrl-C) for command-line tools.
#pragma once

namespace platform {

// From now on Ctrl-C no longer ends the process; it sets a flag instead.
void CatchInterrupt();
bool InterruptRequested();

// Whether the standard error stream is a terminal (a console window), so that
// a progress bar redrawn in place makes sense there.
bool StderrIsTerminal();

}  // namespace platform
