/* Prints the child windows of the visible top-level window whose title is
   the first argument, one line each: class, a tab, text (UTF-8). Reads the
   text of a message box, or the folder box of the installer. Exit code 1
   when no such window is shown. */
#include <windows.h>
#include <stdio.h>

static void Put(const wchar_t* text) {
  char buf[4096];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buf, sizeof buf, NULL, NULL);
  if (n > 1) fwrite(buf, 1, (size_t)(n - 1), stdout);
}

static BOOL CALLBACK PrintChild(HWND w, LPARAM unused) {
  (void)unused;
  wchar_t cls[256], text[2048];
  if (!GetClassNameW(w, cls, 256)) return TRUE;
  /* WM_GETTEXT reaches an edit box of another process; GetWindowText does not. */
  text[0] = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 2048, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, NULL);
  Put(cls);
  Put(L"\t");
  Put(text);
  Put(L"\n");
  return TRUE;
}

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  HWND w = NULL;
  while ((w = FindWindowExW(NULL, w, NULL, argv[1])) != NULL) {
    if (IsWindowVisible(w)) break;
  }
  if (w == NULL) return 1;
  EnumChildWindows(w, PrintChild, 0);
  fflush(stdout);
  return 0;
}
