/* Holds a file open as a running program holds its own: others may read it,
   nobody may write, rename or delete it. Prints "held" once it holds the file,
   then waits until STOPFILE exists (at most two minutes).
   Usage: holder.exe FILE STOPFILE */
#include <stdio.h>
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  HANDLE f = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
  if (f == INVALID_HANDLE_VALUE) return 1;
  printf("held\n");
  fflush(stdout);
  for (int i = 0; i < 1200 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(100);
  CloseHandle(f);
  return 0;
}
