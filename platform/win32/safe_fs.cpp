#include "platform/safe_fs.h"

#include <windows.h>

#include "platform/codepage.h"

namespace platform {
namespace {

const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }

// Not a secret: CREATE_NEW keeps the name ours. The suffix only makes a name
// someone placed in advance unlikely to be the one asked for.
std::u16string RandomSuffix() {
  static volatile LONG counter = 0;
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  uint32_t x = static_cast<uint32_t>(t.QuadPart) ^ (static_cast<uint32_t>(t.QuadPart >> 32) * 40503u) ^
               (static_cast<uint32_t>(::GetCurrentProcessId()) << 12) ^
               (static_cast<uint32_t>(::InterlockedIncrement(&counter)) * 2654435761u);
  x ^= x >> 15;
  x *= 2246822519u;
  x ^= x >> 13;
  std::u16string s = u".~";
  for (int i = 0; i < 6; ++i, x >>= 4) s += static_cast<char16_t>(u"0123456789abcdef"[x & 15]);
  return s;
}

// FILE_BASIC_INFORMATION through the native call, which works on an open
// handle on Windows XP; zero times are left as they are.
struct FileBasicInformation {
  LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
  ULONG FileAttributes;
};
struct IoStatusBlock {
  union {
    LONG Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
constexpr ULONG kFileBasicInformationClass = 4;
using NtSetInformationFileFn = LONG(NTAPI*)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);

bool SetHandleAttributes(HANDLE h, DWORD attrs) {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  auto setInfo = ntdll ? reinterpret_cast<NtSetInformationFileFn>(
                             reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtSetInformationFile")))
                       : nullptr;
  if (!setInfo) return false;
  FileBasicInformation info = {};
  // The attributes a caller may set; 0 would mean "unchanged".
  info.FileAttributes = attrs & 0x31A7u;
  if (info.FileAttributes == 0) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  IoStatusBlock io = {};
  return setInfo(h, &io, &info, sizeof info, kFileBasicInformationClass) >= 0;
}

uint32_t Move(const std::u16string& from, const std::u16string& to) {
  return ::MoveFileExW(W(from), W(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : ::GetLastError();
}

HANDLE OpenAttributes(const std::u16string& path) {
  return ::CreateFileW(W(path), FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                       FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

constexpr DWORD kInTheWay = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

uint32_t CreateSiblingTemp(const std::u16string& path, File* out, std::u16string* tempPath) {
  uint32_t err = kErrorFileExists;
  for (int tries = 0; tries < 16 && (err == kErrorFileExists || err == kErrorAlreadyExists); ++tries) {
    const std::u16string name = path + RandomSuffix();
    err = out->CreateNew(name);
    if (err == 0) *tempPath = name;
  }
  return err;
}

uint32_t CreateSiblingTemp(const std::string& path, File* out, std::string* tempPath) {
  std::u16string wide;
  const uint32_t err = CreateSiblingTemp(AnsiToWide(path), out, &wide);
  if (err == 0) *tempPath = WideToAnsi(wide);
  return err;
}

uint32_t PlaceOver(const std::u16string& tempPath, const std::u16string& path) {
  const DWORD seen = ::GetFileAttributesW(W(path));
  if (seen != INVALID_FILE_ATTRIBUTES && (seen & FILE_ATTRIBUTE_DIRECTORY)) return kErrorAccessDenied;
  uint32_t err = Move(tempPath, path);
  if (err != kErrorAccessDenied) return err;

  // A read-only file in the way: the name itself is opened, not what it links to.
  HANDLE h = OpenAttributes(path);
  if (h == INVALID_HANDLE_VALUE) return err;
  BY_HANDLE_FILE_INFORMATION info;
  // A second name shares its attributes with the other one: clearing them
  // would change a file that is not ours.
  const bool clear = ::GetFileInformationByHandle(h, &info) && !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                     (info.dwFileAttributes & kInTheWay) && info.nNumberOfLinks == 1 &&
                     SetHandleAttributes(h, info.dwFileAttributes & ~kInTheWay);
  ::CloseHandle(h);  // Windows replaces no open file
  if (!clear) return err;
  err = Move(tempPath, path);
  if (err != 0 && (h = OpenAttributes(path)) != INVALID_HANDLE_VALUE) {
    SetHandleAttributes(h, info.dwFileAttributes);  // still in the way: it keeps what it had
    ::CloseHandle(h);
  }
  return err;
}

uint32_t PlaceOver(const std::string& tempPath, const std::string& path) {
  return PlaceOver(AnsiToWide(tempPath), AnsiToWide(path));
}

uint32_t RemoveSafely(const std::u16string& path) {
  const DWORD seen = ::GetFileAttributesW(W(path));
  if (seen != INVALID_FILE_ATTRIBUTES && (seen & FILE_ATTRIBUTE_DIRECTORY)) return kErrorAccessDenied;
  File f;
  std::u16string temp;
  uint32_t err = CreateSiblingTemp(path, &f, &temp);
  if (err == kErrorFileNotFound || err == kErrorPathNotFound) return 0;  // no folder, so nothing there
  if (err != 0) return err;
  f.Close();
  err = PlaceOver(temp, path);
  if (err != 0) {
    ::DeleteFileW(W(temp));
    return err;
  }
  return ::DeleteFileW(W(path)) ? 0 : ::GetLastError();
}

uint32_t RemoveSafely(const std::string& path) { return RemoveSafely(AnsiToWide(path)); }

bool IsLinkedFolder(const std::u16string& path) {
  const DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsLinkedFolder(const std::string& path) { return IsLinkedFolder(AnsiToWide(path)); }

}  // namespace platform
