/* Stands in for the product's programs in the test release (launcher, main
   program, protocol command, uninstaller). Started with VELTARO_STAND_IN_LOG
   naming a file, it appends one line to it: its own path, its working folder
   and its command line, separated by tabs (UTF-8). Without that variable it does nothing. */
#include <windows.h>

static void Append(HANDLE f, const wchar_t* text) {
  char buf[8192];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof buf, NULL, NULL);
  DWORD written;
  if (n > 1) WriteFile(f, buf, (DWORD)(n - 1), &written, NULL);
}

int wmain(void) {
  wchar_t log[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"VELTARO_STAND_IN_LOG", log, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 0;
  wchar_t self[MAX_PATH];
  if (!GetModuleFileNameW(NULL, self, MAX_PATH)) return 1;
  HANDLE f = CreateFileW(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return 1;
  wchar_t cwd[MAX_PATH];
  if (!GetCurrentDirectoryW(MAX_PATH, cwd)) cwd[0] = 0;
  Append(f, self);
  Append(f, L"\t");
  Append(f, cwd);
  Append(f, L"\t");
  Append(f, GetCommandLineW());
  Append(f, L"\n");
  CloseHandle(f);
  return 0;
}
