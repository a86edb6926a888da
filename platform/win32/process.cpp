#include "platform/process.h"
#include "platform/win32/system_folder.h"

#include <windows.h>

namespace platform {

bool RunSystemHidden(const std::string& commandLine, uint32_t waitMs) {
  const std::string folder = win32::SystemFolder();
  const std::string program = commandLine.substr(0, commandLine.find(' '));
  if (folder.empty() || program.empty() || program.find_first_of("\\/:\"") != std::string::npos) return false;
  const std::string path = folder + "\\" + program;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = SW_HIDE;
  PROCESS_INFORMATION pi = {};
  std::string line = commandLine;  // CreateProcessA may write into its command line
  if (!::CreateProcessA(path.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si, &pi)) return false;
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
