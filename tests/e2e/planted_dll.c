/* A DLL planted beside the installer under a system DLL's name (crypt32.dll,
   uxtheme.dll...). It exports nothing and loads nothing; when a process maps
   it, it leaves "<its own path>.ran" beside itself, so a test sees that the
   installer took a DLL from its own folder. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t mark[MAX_PATH + 8];
  DWORD n = GetModuleFileNameW(self, mark, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  lstrcatW(mark, L".ran");
  HANDLE f = CreateFileW(mark, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return TRUE;
}
