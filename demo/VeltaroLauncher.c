/* The product's launcher: starts VeltaroMain.exe from its own folder. */
#include <windows.h>

#include "demo_util.h"

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, LPWSTR cmd, int show) {
  (void)inst, (void)prev, (void)cmd, (void)show;
  wchar_t dir[MAX_PATH], exe[MAX_PATH + 32];
  if (!ExeFolder(dir, MAX_PATH) || !JoinPath(exe, MAX_PATH + 32, dir, L"VeltaroMain.exe")) return 1;
  /* CreateProcessW may write into its command line. */
  wchar_t line[MAX_PATH + 40];
  wsprintfW(line, L"\"%s\"", exe);
  STARTUPINFOW si;
  PROCESS_INFORMATION pi;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  if (!CreateProcessW(exe, line, NULL, NULL, FALSE, 0, NULL, dir, &si, &pi)) {
    wchar_t why[256], msg[MAX_PATH + 320];
    ErrorText(GetLastError(), why, 256);
    wsprintfW(msg, L"无法启动 %s\r\n%s", exe, why);
    MessageBoxW(NULL, msg, L"Veltaro365", MB_OK | MB_ICONERROR);
    return 1;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return 0;
}
