#include "platform/process.h"

#include <windows.h>

namespace platform {

bool RunHidden(const std::string& commandLine, uint32_t waitMs) {
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  std::string line = commandLine;  // CreateProcessA may write into its command line
  if (!::CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  ::WaitForSingleObject(pi.hProcess, waitMs);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  return true;
}

// TerminateProcess rather than ExitProcess: no DLL is told to detach, so a
// download thread killed while holding a lock cannot stall the end.
void EndProcessNow() {
  ::TerminateProcess(::GetCurrentProcess(), 0);
  ::ExitProcess(0);
}

}  // namespace platform
