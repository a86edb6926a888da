/* The product's uninstaller, installed as <folder>\Uninstall\uninst.exe.
   It removes the registration the installer wrote when that registration names
   this copy (another installation's entry stays), the desktop shortcut, the
   files that install.lst beside it lists and the folders that become empty,
   and itself last through a hidden command that waits for it to end.
   /S: no questions. Exit code 0 when everything was removed.
   It runs elevated, so it trusts nothing a user could have put in its way: it
   never goes through a link (symbolic link, junction or other reparse point)
   inside the installation folder, starts the system's own cmd.exe by full path
   (not what %ComSpec% names) and hands it its commands on the command line
   rather than in a script file a user could change while it waits. */
#include <windows.h>
#include <shellapi.h>

#include "demo_util.h"

#define PATH_CAP 1024
#define LIST_NAME L"install.lst"

static wchar_t g_self[PATH_CAP];        /* ...\Uninstall\uninst.exe */
static wchar_t g_uninstDir[PATH_CAP];   /* ...\Uninstall\ */
static wchar_t g_installDir[PATH_CAP];  /* the installation folder, with its trailing backslash */
static int g_failures;                  /* things that should have gone and did not */
static int g_kept;                      /* folders kept because they hold files not of ours */
static wchar_t g_firstFailure[PATH_CAP + 300];

static void Failed(const wchar_t* what, DWORD err) {
  if (g_failures++ == 0) {
    wchar_t why[256];
    ErrorText(err, why, 256);
    wsprintfW(g_firstFailure, L"%.900s\r\n%s", what, why);
  }
}

/* Sets the three folders from the program's own path; FALSE unless it lies in
   a folder named Uninstall below the installation folder. */
static BOOL LocateInstallation(void) {
  DWORD n = GetModuleFileNameW(NULL, g_self, PATH_CAP);
  if (n == 0 || n >= PATH_CAP) return FALSE;
  lstrcpyW(g_uninstDir, g_self);
  while (n > 0 && g_uninstDir[n - 1] != L'\\') --n;
  g_uninstDir[n] = 0;
  static const wchar_t kTail[] = L"\\Uninstall\\";
  const DWORD tail = (DWORD)(sizeof kTail / sizeof kTail[0]) - 1;
  if (n <= tail || lstrcmpiW(g_uninstDir + n - tail, kTail) != 0) return FALSE;
  lstrcpyW(g_installDir, g_uninstDir);
  g_installDir[n - tail + 1] = 0;
  return TRUE;
}

/* --- Registration ----------------------------------------------------------- */

static const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VeltaroTesmar";

/* The values the installer writes, key by key; deepest keys first, so that a
   parent is empty by its turn. L"" is the key's default value. */
static const struct {
  HKEY root;
  const wchar_t* key;
  const wchar_t* values[8];
} kRegistration[] = {
    {HKEY_LOCAL_MACHINE,
     kUninstallKey,
     {L"DisplayIcon", L"DisplayName", L"DisplayVersion", L"UninstallString", L"HelpLink", L"URLInfoAbout",
      L"Publisher", NULL}},
    {HKEY_LOCAL_MACHINE,
     L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VeltaroTesmar",
     {L"", L"Path", L"InstallTime", NULL}},
    {HKEY_CLASSES_ROOT, L"vlttesmar\\Shell\\open\\command", {L"", NULL}},
    {HKEY_CLASSES_ROOT, L"vlttesmar\\Shell\\open", {L"FriendlyAppName", NULL}},
    {HKEY_CLASSES_ROOT, L"vlttesmar\\Shell", {NULL}},
    {HKEY_CLASSES_ROOT, L"vlttesmar\\DefaultIcon", {L"", NULL}},
    {HKEY_CLASSES_ROOT, L"vlttesmar", {L"", L"URL Protocol", NULL}},
};

/* A registered path as the file system reads it: without its quotes, and with a
   doubled backslash (a folder typed with a trailing one) read as one. */
static void PlainPath(const wchar_t* in, wchar_t* out) {
  int o = 0;
  for (int i = 0; in[i] && o < PATH_CAP - 1; ++i) {
    if (in[i] == L'"') continue;
    if (in[i] == L'\\' && o > 1 && out[o - 1] == L'\\') continue;
    out[o++] = in[i];
  }
  out[o] = 0;
}

/* TRUE unless the uninstall entry names another copy's uninstaller. */
static BOOL RegistrationIsOurs(void) {
  HKEY k;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &k) != ERROR_SUCCESS) return TRUE;
  wchar_t data[PATH_CAP];
  DWORD type = 0, size = sizeof data - sizeof(wchar_t);
  LONG rc = RegQueryValueExW(k, L"UninstallString", NULL, &type, (BYTE*)data, &size);
  RegCloseKey(k);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return TRUE;
  data[size / sizeof(wchar_t)] = 0;
  wchar_t registered[PATH_CAP];
  PlainPath(data, registered);
  return lstrcmpiW(registered, g_self) == 0;
}

static void RemoveValuesAndKey(HKEY root, const wchar_t* key, const wchar_t* const* values) {
  HKEY k;
  LONG rc = RegOpenKeyExW(root, key, 0, KEY_ALL_ACCESS, &k);
  if (rc == ERROR_FILE_NOT_FOUND) return;
  if (rc != ERROR_SUCCESS) {
    Failed(key, (DWORD)rc);
    return;
  }
  for (; *values; ++values) {
    rc = RegDeleteValueW(k, *values);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) Failed(key, (DWORD)rc);
  }
  DWORD subkeys = 1, count = 1;
  rc = RegQueryInfoKeyW(k, NULL, NULL, NULL, &subkeys, NULL, NULL, &count, NULL, NULL, NULL, NULL);
  RegCloseKey(k);
  /* A key that still holds something (another program's verb, say) stays. */
  if (rc == ERROR_SUCCESS && subkeys == 0 && count == 0) {
    rc = RegDeleteKeyW(root, key);
    if (rc != ERROR_SUCCESS) Failed(key, (DWORD)rc);
  }
}

static void RemoveShortcut(void) {
  HKEY k;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                    KEY_QUERY_VALUE, &k) != ERROR_SUCCESS)
    return;
  wchar_t desktop[PATH_CAP];
  DWORD type = 0, size = sizeof desktop - sizeof(wchar_t);
  LONG rc = RegQueryValueExW(k, L"Desktop", NULL, &type, (BYTE*)desktop, &size);
  RegCloseKey(k);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return;
  desktop[size / sizeof(wchar_t)] = 0;
  wchar_t link[PATH_CAP + 32];
  if (!JoinPath(link, PATH_CAP + 32, desktop, L"\\Veltaro365.lnk")) return;
  if (!DeleteFileW(link) && GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
    Failed(link, GetLastError());
}

/* --- Files ------------------------------------------------------------------ */

/* A list entry is a path below the installation folder: relative, no drive,
   no ".." step. A damaged list must not reach outside. */
static BOOL SafeRelative(const wchar_t* p) {
  if (p[0] == 0 || p[0] == L'\\' || p[0] == L'/') return FALSE;
  for (const wchar_t* s = p; *s; ++s) {
    if (*s == L':' || *s == L'/') return FALSE;
    if (s[0] == L'.' && s[1] == L'.' && (s == p || s[-1] == L'\\') && (s[2] == 0 || s[2] == L'\\')) return FALSE;
  }
  return TRUE;
}

/* TRUE when a folder on the way from the installation folder to path (path
   itself not counted) is a reparse point: a symbolic link or junction leads
   out of the installation, and what lies behind it is not to be deleted. A
   link that is itself listed goes as a link: DeleteFileW and RemoveDirectoryW
   remove the link, never its target. */
static BOOL ThroughLink(const wchar_t* path) {
  wchar_t part[PATH_CAP];
  int base = lstrlenW(g_installDir);
  lstrcpynW(part, path, PATH_CAP);
  for (int i = base; part[i]; ++i) {
    if (part[i] != L'\\' || part[i + 1] == 0) continue;
    part[i] = 0;
    DWORD attrs = GetFileAttributesW(part);
    part[i] = L'\\';
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) return TRUE;
  }
  return FALSE;
}

static void RemoveFile(const wchar_t* path) {
  DWORD attrs = GetFileAttributesW(path);
  if (attrs == INVALID_FILE_ATTRIBUTES) {
    DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) Failed(path, err);
    return;
  }
  /* A link's own attributes are not the target's to change. */
  if ((attrs & FILE_ATTRIBUTE_READONLY) && !(attrs & FILE_ATTRIBUTE_REPARSE_POINT))
    SetFileAttributesW(path, attrs & ~(DWORD)FILE_ATTRIBUTE_READONLY);
  if (!DeleteFileW(path)) Failed(path, GetLastError());
}

static void RemoveFolder(const wchar_t* path) {
  if (RemoveDirectoryW(path)) return;
  DWORD err = GetLastError();
  if (err == ERROR_DIR_NOT_EMPTY) ++g_kept;
  else if (err != ERROR_FILE_NOT_FOUND && err != ERROR_PATH_NOT_FOUND) Failed(path, err);
}

/* The list: UTF-8, one path a line relative to the installation folder, folders
   ending in a backslash and listed before what they hold. Files go first, then
   the folders in reverse order. NULL when it cannot be read. */
static wchar_t* ReadList(void) {
  wchar_t path[PATH_CAP + 16];
  if (!JoinPath(path, PATH_CAP + 16, g_uninstDir, LIST_NAME)) return NULL;
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (f == INVALID_HANDLE_VALUE) {
    Failed(path, GetLastError());
    return NULL;
  }
  DWORD size = GetFileSize(f, NULL), got = 0;
  char* bytes = size < (1u << 20) ? HeapAlloc(GetProcessHeap(), 0, size + 1) : NULL;
  wchar_t* text = NULL;
  if (bytes && ReadFile(f, bytes, size, &got, NULL) && got == size) {
    int n = size ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes, (int)size, NULL, 0) : 0;
    text = HeapAlloc(GetProcessHeap(), 0, (n + 1) * sizeof(wchar_t));
    if (text && (size == 0 || n > 0)) {
      MultiByteToWideChar(CP_UTF8, 0, bytes, (int)size, text, n);
      text[n] = 0;
    } else if (text) {
      HeapFree(GetProcessHeap(), 0, text);
      text = NULL;
    }
  }
  CloseHandle(f);
  if (bytes) HeapFree(GetProcessHeap(), 0, bytes);
  if (!text) Failed(path, ERROR_INVALID_DATA);
  return text;
}

/* Splits the list into lines in place; returns their count, at most cap. */
static int SplitLines(wchar_t* text, wchar_t** lines, int cap) {
  int count = 0;
  wchar_t* s = text;
  while (*s && count < cap) {
    wchar_t* e = s;
    while (*e && *e != L'\n') ++e;
    wchar_t* next = *e ? e + 1 : e;
    while (e > s && (e[-1] == L'\r' || e[-1] == L' ')) --e;
    *e = 0;
    if (*s) lines[count++] = s;
    s = next;
  }
  return count;
}

static void RemoveListed(wchar_t* text) {
  static wchar_t* lines[8192];
  int n = SplitLines(text, lines, 8192);
  wchar_t path[PATH_CAP];
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < n; ++i) {
      const wchar_t* rel = lines[pass == 0 ? i : n - 1 - i];
      int len = lstrlenW(rel);
      BOOL folder = rel[len - 1] == L'\\';
      if (folder != (pass == 1)) continue;
      if (lstrcmpiW(rel, L"Uninstall\\uninst.exe") == 0 || lstrcmpiW(rel, L"Uninstall\\") == 0 ||
          lstrcmpiW(rel, L"Uninstall\\" LIST_NAME) == 0)
        continue; /* these go last */
      if (!SafeRelative(rel) || !JoinPath(path, PATH_CAP, g_installDir, rel)) {
        Failed(rel, ERROR_BAD_PATHNAME);
        continue;
      }
      if (ThroughLink(path)) {
        ++g_kept; /* what lies behind a link is not the installation's */
        continue;
      }
      if (folder) {
        path[lstrlenW(path) - 1] = 0;
        RemoveFolder(path);
      } else {
        RemoveFile(path);
      }
    }
  }
}

/* --- Itself, last ----------------------------------------------------------- */

/* Appends s to the command; FALSE when it does not fit in cap characters. */
static BOOL Append(wchar_t* out, int cap, const wchar_t* s) {
  int o = lstrlenW(out), n = lstrlenW(s);
  if (o + n + 1 > cap) return FALSE;
  lstrcpyW(out + o, s);
  return TRUE;
}

static void DropTrailingSlash(wchar_t* dst, const wchar_t* src) {
  lstrcpyW(dst, src);
  int n = lstrlenW(dst);
  if (n > 0 && dst[n - 1] == L'\\') dst[n - 1] = 0;
}

/* A running program cannot delete its own file. The system's cmd.exe, hidden,
   waits on a pipe until this process has ended (its end of the pipe closes with
   it), then deletes the program, once more a little later, and the two folders
   if they are empty. Its commands travel on its command line: no script file exists
   that someone could rewrite while it waits. /D: no AutoRun commands from the
   registry. FALSE when it could not be started. */
static BOOL StartSelfDelete(void) {
  wchar_t system[MAX_PATH], uninstDir[PATH_CAP], installDir[PATH_CAP];
  UINT sl = GetSystemDirectoryW(system, MAX_PATH);
  if (sl == 0 || sl >= MAX_PATH) return FALSE;
  DropTrailingSlash(uninstDir, g_uninstDir);
  DropTrailingSlash(installDir, g_installDir);
  /* On a command line cmd would expand %NAME% in a path; such a path waits for the restart. */
  const wchar_t* paths[] = {g_self, uninstDir, installDir, system};
  for (size_t i = 0; i < sizeof paths / sizeof paths[0]; ++i) {
    for (const wchar_t* c = paths[i]; *c; ++c)
      if (*c == L'%' || *c == L'"') return FALSE;
  }
  static wchar_t line[8 * PATH_CAP];
  line[0] = 0;
  BOOL fits = Append(line, 8 * PATH_CAP, L"\"") && Append(line, 8 * PATH_CAP, system) &&
              Append(line, 8 * PATH_CAP, L"\\cmd.exe\" /D /S /C \"set /p veltaro_wait=");
  /* Two rounds: a second later, and again two seconds on for a file still held. */
  static const wchar_t* const kPings[] = {L"2", L"3"};
  for (size_t r = 0; fits && r < sizeof kPings / sizeof kPings[0]; ++r) {
    const wchar_t* round[] = {L" & \"", system, L"\\ping.exe\" -n ", kPings[r], L" 127.0.0.1 >nul 2>&1 & del /f /q \"",
                              g_self, L"\" >nul 2>&1 & rmdir \"", uninstDir, L"\" >nul 2>&1 & rmdir \"", installDir,
                              L"\" >nul 2>&1"};
    for (size_t i = 0; fits && i < sizeof round / sizeof round[0]; ++i) fits = Append(line, 8 * PATH_CAP, round[i]);
  }
  if (!fits || !Append(line, 8 * PATH_CAP, L"\"")) return FALSE;
  wchar_t cmd[MAX_PATH + 16];
  if (!JoinPath(cmd, MAX_PATH + 16, system, L"\\cmd.exe")) return FALSE;

  SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return FALSE;
  /* Only cmd inherits the read end; the write end stays with this process. */
  SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si;
  PROCESS_INFORMATION pi;
  ZeroMemory(&si, sizeof si);
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  si.wShowWindow = SW_HIDE;
  si.hStdInput = readEnd;
  si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  /* Started in the system folder: nothing of the installation's is in its way. */
  BOOL ok = CreateProcessW(cmd, line, NULL, NULL, TRUE, CREATE_NO_WINDOW, NULL, system, &si, &pi);
  CloseHandle(readEnd);
  if (!ok) {
    CloseHandle(writeEnd);
    return FALSE;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  /* writeEnd stays open on purpose: it closes when this process ends. */
  return TRUE;
}

/* Without a usable command: the program and its folders go at the next start of Windows. */
static void DeleteAtReboot(void) {
  wchar_t dir[PATH_CAP];
  if (!MoveFileExW(g_self, NULL, MOVEFILE_DELAY_UNTIL_REBOOT)) Failed(g_self, GetLastError());
  DropTrailingSlash(dir, g_uninstDir);
  MoveFileExW(dir, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
  DropTrailingSlash(dir, g_installDir);
  MoveFileExW(dir, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

/* --- DLL search --------------------------------------------------------------- */

/* It runs elevated from Uninstall\ below the installation folder. Windows before
   8 without the update that added SetDefaultDllDirectories looks for a DLL the
   shell, COM or the security functions load by name in the program's folder
   first, unless one of that name is already loaded: so each is loaded now from
   the system folder by full path (one the system lacks is simply not loaded). */
static void NarrowDllSearch(void) {
  static const wchar_t* const kLoadedFirst[] = {
      L"version.dll", L"cryptbase.dll", L"profapi.dll", L"linkinfo.dll", L"ntshrui.dll", L"cscapi.dll",
      L"srvcli.dll",  L"ntmarta.dll",   L"oleacc.dll",  L"clbcatq.dll",  L"setupapi.dll", L"apphelp.dll",
      L"sspicli.dll", L"userenv.dll",   L"dwmapi.dll",  L"secur32.dll"};
  typedef BOOL(WINAPI * SetDefaultDirsFn)(DWORD);
  typedef BOOL(WINAPI * SetDllDirFn)(LPCWSTR);
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  SetDefaultDirsFn setDefault = (SetDefaultDirsFn)(void*)GetProcAddress(kernel, "SetDefaultDllDirectories");
  SetDllDirFn setDir = (SetDllDirFn)(void*)GetProcAddress(kernel, "SetDllDirectoryW");
  const DWORD kSearchSystem32 = 0x00000800;
  const BOOL systemOnly = setDefault && setDefault(kSearchSystem32);
  if (setDir) setDir(L"");
  wchar_t sys[MAX_PATH], path[MAX_PATH + 32];
  const UINT n = GetSystemDirectoryW(sys, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return;
  for (size_t i = 0; i < sizeof kLoadedFirst / sizeof kLoadedFirst[0]; ++i) {
    wsprintfW(path, L"%s\\%s", sys, kLoadedFirst[i]);
    LoadLibraryExW(path, NULL, systemOnly ? kSearchSystem32 : LOAD_WITH_ALTERED_SEARCH_PATH);
  }
}

/* --- Entry -------------------------------------------------------------------- */

static const wchar_t kTitle[] = L"卸载 Veltaro365";

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE prev, LPWSTR cmd, int show) {
  (void)inst, (void)prev, (void)cmd, (void)show;
  NarrowDllSearch();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  BOOL silent = FALSE;
  for (int i = 1; argv && i < argc; ++i) {
    if (lstrcmpiW(argv[i], L"/S") == 0) silent = TRUE;
  }
  if (argv) LocalFree(argv);

  if (!LocateInstallation()) {
    if (!silent) MessageBoxW(NULL, L"卸载程序不在安装文件夹的 Uninstall 文件夹中，无法卸载。", kTitle, MB_OK | MB_ICONERROR);
    return 3;
  }
  if (!silent) {
    wchar_t ask[PATH_CAP + 128];
    wsprintfW(ask, L"要从这台电脑卸载 Veltaro365 吗？\r\n\r\n将删除 %.900s 中安装的文件、桌面快捷方式和系统登记。",
              g_installDir);
    if (MessageBoxW(NULL, ask, kTitle, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return 1;
  }

  BOOL ours = RegistrationIsOurs();
  if (ours) {
    for (size_t i = 0; i < sizeof kRegistration / sizeof kRegistration[0]; ++i)
      RemoveValuesAndKey(kRegistration[i].root, kRegistration[i].key, kRegistration[i].values);
    RemoveShortcut();
  }
  wchar_t* list = ReadList();
  if (list) {
    RemoveListed(list);
    HeapFree(GetProcessHeap(), 0, list);
    wchar_t path[PATH_CAP + 16];
    if (JoinPath(path, PATH_CAP + 16, g_uninstDir, LIST_NAME)) RemoveFile(path);
    if (!StartSelfDelete()) DeleteAtReboot();
  }

  if (!silent) {
    wchar_t msg[2 * PATH_CAP + 400];
    if (g_failures == 0) {
      wsprintfW(msg, L"Veltaro365 已卸载。%s%s", ours ? L"" : L"\r\n\r\n系统中登记的是另一处安装，登记和快捷方式保留。",
                g_kept ? L"\r\n\r\n有文件夹中还有其他文件，已保留。" : L"");
    } else {
      wsprintfW(msg, L"有 %d 项未能删除，例如：\r\n\r\n%s", g_failures, g_firstFailure);
    }
    MessageBoxW(NULL, msg, kTitle, MB_OK | (g_failures ? MB_ICONWARNING : MB_ICONINFORMATION));
  }
  return g_failures ? 2 : 0;
}
