// The console's interrupt key (Ctrl-C) for command-line tools.
#pragma once

namespace platform {

// From now on Ctrl-C (and, where there are signals, SIGTERM) no longer ends the
// process; the first one sets a flag instead, a second one ends it as before.
void CatchInterrupt();
bool InterruptRequested();
// The exit status a shell gives a process the interrupt ended: 130 for Ctrl-C,
// 143 for SIGTERM; 0 before any.
int InterruptExitCode();

// Whether the standard error stream is a terminal (a console window), so that
// a progress bar redrawn in place makes sense there.
bool StderrIsTerminal();

}  // namespace platform
