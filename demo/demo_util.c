#include "demo_util.h"

BOOL ExeFolder(wchar_t* out, DWORD size) {
  DWORD n = GetModuleFileNameW(NULL, out, size);
  if (n == 0 || n >= size) return FALSE;
  while (n > 0 && out[n - 1] != L'\\') --n;
  out[n] = 0;
  return n > 0;
}

BOOL JoinPath(wchar_t* dst, size_t size, const wchar_t* a, const wchar_t* b) {
  size_t la = lstrlenW(a), lb = lstrlenW(b);
  if (la + lb + 1 > size) return FALSE;
  CopyMemory(dst, a, la * sizeof(wchar_t));
  CopyMemory(dst + la, b, (lb + 1) * sizeof(wchar_t));
  return TRUE;
}

void ErrorText(DWORD err, wchar_t* out, DWORD size) {
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, err, 0, out, size, NULL);
  if (n == 0) {
    wsprintfW(out, L"error %lu", (unsigned long)err);
    return;
  }
  while (n > 0 && (out[n - 1] == L'\r' || out[n - 1] == L'\n' || out[n - 1] == L' ')) out[--n] = 0;
}
