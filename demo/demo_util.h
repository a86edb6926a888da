/* Small helpers the demo programs share. */
#ifndef VELTARO_DEMO_UTIL_H
#define VELTARO_DEMO_UTIL_H
#include <windows.h>

/* The folder of the running program with its trailing backslash; FALSE when
   the path does not fit in size characters. */
BOOL ExeFolder(wchar_t* out, DWORD size);

/* dst := a followed by b, FALSE when the result does not fit in size characters. */
BOOL JoinPath(wchar_t* dst, size_t size, const wchar_t* a, const wchar_t* b);

/* The system's text for error code err (no trailing line break). */
void ErrorText(DWORD err, wchar_t* out, DWORD size);
#endif
