// The console's interrupt key (Ctrl-C) for command-line tools.
#pragma once

namespace platform {

// From now on Ctrl-C no longer ends the process; it sets a flag instead.
void CatchInterrupt();
bool InterruptRequested();

}  // namespace platform
