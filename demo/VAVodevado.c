/* The handler of vlttesmar: links. Appends the link it was given to
   VAVodevado.log beside itself (UTF-8, one line with the local time) and shows it. */
#include <windows.h>
#include <shellapi.h>

#include "demo_util.h"

static BOOL AppendLog(const wchar_t* link) {
  wchar_t dir[MAX_PATH], path[MAX_PATH + 32];
  if (!ExeFolder(dir, MAX_PATH) || !JoinPath(path, MAX_PATH + 32, dir, L"VAVodevado.log")) return FALSE;
  SYSTEMTIME t;
  GetLocalTime(&t);
  wchar_t line[1100];
  wsprintfW(line, L"%04u-%02u-%02u %02u:%02u:%02u\t%.900s\r\n", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
            t.wSecond, link);
  char utf8[3400];
  int n = WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8, sizeof utf8, NULL, NULL);
  if (n <= 1) return FALSE;
  HANDLE f = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  BOOL ok = WriteFile(f, utf8, (DWORD)(n - 1), &written, NULL) && written == (DWORD)(n - 1);
  CloseHandle(f);
  return ok;
}

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, LPWSTR cmd, int show) {
  (void)inst, (void)prev, (void)cmd, (void)show;
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 2 || argv[1][0] == 0) {
    MessageBoxW(NULL, L"没有收到链接。", L"Veltaro365 链接", MB_OK | MB_ICONINFORMATION);
    if (argv) LocalFree(argv);
    return 1;
  }
  BOOL logged = AppendLog(argv[1]);
  wchar_t msg[1200];
  wsprintfW(msg, L"Veltaro365 收到了链接：\r\n\r\n%.900s\r\n\r\n%s", argv[1],
            logged ? L"已记入 VAVodevado.log。" : L"无法写入 VAVodevado.log。");
  MessageBoxW(NULL, msg, L"Veltaro365 链接", MB_OK | MB_ICONINFORMATION);
  LocalFree(argv);
  return logged ? 0 : 1;
}
