#include "platform/process.h"

#include <windows.h>

namespace platform {

// TerminateProcess rather than ExitProcess: no DLL is told to detach, so a
// download thread killed while holding a lock cannot stall the end.
void EndProcessNow() {
  ::TerminateProcess(::GetCurrentProcess(), 0);
  ::ExitProcess(0);
}

}  // namespace platform
