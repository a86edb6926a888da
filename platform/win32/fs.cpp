#include "platform/fs.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/codepage.h"

namespace platform {
namespace {
thread_local uint32_t t_lastError = 0;

bool Fail() {
  t_lastError = ::GetLastError();
  return false;
}
HANDLE H(void* h) { return static_cast<HANDLE>(h); }
}  // namespace

uint32_t LastError() { return t_lastError; }

bool FileExists(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) || Fail(); }
bool RemoveDir(const std::string& path) { return ::RemoveDirectoryA(path.c_str()) || Fail(); }
bool RemoveFile(const std::string& path) { return ::DeleteFileA(path.c_str()) || Fail(); }

bool RenameFile(const std::string& from, const std::string& to) {
  return ::MoveFileA(from.c_str(), to.c_str()) || Fail();
}

bool MoveFileOver(const std::string& from, const std::string& to) {
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) || Fail();
}

std::string TempFolder() {
  char buf[MAX_PATH + 1];
  DWORD n = ::GetTempPathA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) return "C:\\";
  std::string dir(buf, n);
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

uint32_t GetAttributes(const std::string& path) {
  DWORD a = ::GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) Fail();
  return a;
}

bool SetAttributes(const std::string& path, uint32_t attrs) {
  return ::SetFileAttributesA(path.c_str(), attrs) || Fail();
}

bool IsLink(const std::string& path) {
  const DWORD a = ::GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Folders and files take their rights from the folder above.
bool SetServedMode(const std::string&) { return true; }

bool ListDir(const std::string& dir, std::vector<DirEntry>* out) {
  out->clear();
  std::string pattern = dir;
  if (pattern.empty() || pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  WIN32_FIND_DATAA fd;
  HANDLE h = ::FindFirstFileA(pattern.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return Fail();
  do {
    std::string name = fd.cFileName;
    if (name == "." || name == "..") continue;
    out->push_back({name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                    (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (::FindNextFileA(h, &fd));
  ::FindClose(h);
  return true;
}

std::string GetCurrentDir() {
  char buf[MAX_PATH + 1];
  DWORD n = ::GetCurrentDirectoryA(sizeof buf, buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

bool SetCurrentDir(const std::string& path) { return ::SetCurrentDirectoryA(path.c_str()) || Fail(); }

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = INVALID_HANDLE_VALUE;
  }
  return *this;
}

uint32_t File::Open(const std::string& path, OpenMode mode, Share share) {
  Close();
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (mode != OpenMode::kRead) {
    access |= GENERIC_WRITE;
    // Wine run as root would open a read-only file for writing; Windows never does.
    DWORD attrs = ::GetFileAttributesA(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  }
  if (mode == OpenMode::kCreateAlways) disposition = CREATE_ALWAYS;
  DWORD shareMode = FILE_SHARE_READ | (share == Share::kReadWrite ? FILE_SHARE_WRITE : 0);
  HANDLE h = ::CreateFileA(path.c_str(), access, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  handle_ = h;
  return 0;
}

bool File::IsOpen() const { return H(handle_) != INVALID_HANDLE_VALUE; }

uint32_t File::Read(void* buf, uint32_t n, uint32_t* got) {
  DWORD r = 0;
  *got = 0;
  if (!::ReadFile(H(handle_), buf, n, &r, nullptr)) return ::GetLastError();
  *got = r;
  return 0;
}

uint32_t File::ReadAt(int64_t offset, void* buf, uint32_t n, uint32_t* got) {
  OVERLAPPED ov = {};
  ov.Offset = static_cast<DWORD>(offset);
  ov.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  DWORD r = 0;
  *got = 0;
  if (!::ReadFile(H(handle_), buf, n, &r, &ov)) {
    DWORD e = ::GetLastError();
    return e == ERROR_HANDLE_EOF ? 0 : e;
  }
  *got = r;
  return 0;
}

uint32_t File::Write(const void* buf, uint32_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    DWORD w = 0;
    if (!::WriteFile(H(handle_), p, n, &w, nullptr)) return ::GetLastError();
    if (w == 0) return kErrorDiskFull;
    p += w;
    n -= w;
  }
  return 0;
}

// A synchronous handle with an OVERLAPPED offset writes at that offset; each
// segment thread has a handle of its own, so the file pointers never race.
uint32_t File::WriteAt(int64_t offset, const void* buf, uint32_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    OVERLAPPED ov = {};
    ov.Offset = static_cast<DWORD>(offset);
    ov.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    DWORD w = 0;
    if (!::WriteFile(H(handle_), p, n, &w, &ov)) return ::GetLastError();
    if (w == 0) return kErrorDiskFull;
    p += w;
    offset += w;
    n -= w;
  }
  return 0;
}

uint32_t File::Seek(int64_t offset) {
  LARGE_INTEGER li;
  li.QuadPart = offset;
  return ::SetFilePointerEx(H(handle_), li, nullptr, FILE_BEGIN) ? 0 : ::GetLastError();
}

uint32_t File::SetLength(int64_t length) {
  LARGE_INTEGER li, old;
  LARGE_INTEGER zero = {};
  if (!::SetFilePointerEx(H(handle_), zero, &old, FILE_CURRENT)) return ::GetLastError();
  li.QuadPart = length;
  uint32_t err = 0;
  if (!::SetFilePointerEx(H(handle_), li, nullptr, FILE_BEGIN) || !::SetEndOfFile(H(handle_))) err = ::GetLastError();
  ::SetFilePointerEx(H(handle_), old, nullptr, FILE_BEGIN);
  return err;
}

int64_t File::Size() {
  LARGE_INTEGER li;
  return ::GetFileSizeEx(H(handle_), &li) ? li.QuadPart : -1;
}

uint32_t File::SetDosTime(uint16_t dosDate, uint16_t dosTime) {
  FILETIME local, utc;
  if (!::DosDateTimeToFileTime(dosDate, dosTime, &local) || !::LocalFileTimeToFileTime(&local, &utc)) {
    return ::GetLastError();
  }
  return ::SetFileTime(H(handle_), nullptr, nullptr, &utc) ? 0 : ::GetLastError();
}

uint32_t File::GetDosTime(uint16_t* dosDate, uint16_t* dosTime) {
  FILETIME utc, local;
  WORD d = 0, t = 0;
  if (!::GetFileTime(H(handle_), nullptr, nullptr, &utc) || !::FileTimeToLocalFileTime(&utc, &local) ||
      !::FileTimeToDosDateTime(&local, &d, &t)) {
    return ::GetLastError();
  }
  *dosDate = d;
  *dosTime = t;
  return 0;
}

uint32_t File::Close() {
  if (H(handle_) == INVALID_HANDLE_VALUE) return 0;
  BOOL ok = ::CloseHandle(H(handle_));
  handle_ = INVALID_HANDLE_VALUE;
  return ok ? 0 : ::GetLastError();
}

uint32_t File::OpenHeld(const std::string& path, bool movable) {
  Close();
  // DELETE access lets this handle rename the file; no FILE_SHARE_WRITE or
  // FILE_SHARE_DELETE keeps everyone else from changing, moving or removing it.
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | (movable ? DELETE : 0), FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  handle_ = h;
  return 0;
}

namespace {
// The native rename by handle: the only one that Windows XP has. Declared here
// from the documented layouts; ntdll is in every process, so nothing is loaded.
struct IoStatusBlock {
  union {
    LONG Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
};
struct FileRenameInformation {
  BOOLEAN ReplaceIfExists;
  HANDLE RootDirectory;
  ULONG FileNameLength;
  WCHAR FileName[1];
};
constexpr ULONG kFileRenameInformationClass = 10;
using NtSetInformationFileFn = LONG(NTAPI*)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(LONG);

// "\??\C:\dir\name" or "\??\UNC\server\share\name" for a Win32 path.
bool NtPathOf(const std::string& path, std::wstring* out) {
  DWORD n = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (n == 0) return false;
  std::string full(n, '\0');
  n = ::GetFullPathNameA(path.c_str(), n, &full[0], nullptr);
  if (n == 0 || n >= full.size()) return false;
  full.resize(n);
  const std::u16string wide = AnsiToWide(full);
  const std::wstring w(wide.begin(), wide.end());
  if (w.compare(0, 2, L"\\\\") == 0) {
    *out = L"\\??\\UNC\\" + w.substr(2);
  } else {
    *out = L"\\??\\" + w;
  }
  return true;
}
}  // namespace

uint32_t File::MoveHeldTo(const std::string& to) {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  auto setInfo = ntdll ? reinterpret_cast<NtSetInformationFileFn>(
                             reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtSetInformationFile")))
                       : nullptr;
  auto toDos = ntdll ? reinterpret_cast<RtlNtStatusToDosErrorFn>(
                           reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlNtStatusToDosError")))
                     : nullptr;
  std::wstring target;
  if (!setInfo || !toDos || !NtPathOf(to, &target)) return ERROR_INVALID_PARAMETER;
  const size_t bytes = target.size() * sizeof(WCHAR);
  std::vector<unsigned char> buf(offsetof(FileRenameInformation, FileName) + bytes);
  auto* info = reinterpret_cast<FileRenameInformation*>(buf.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = static_cast<ULONG>(bytes);
  memcpy(info->FileName, target.data(), bytes);
  IoStatusBlock io = {};
  const LONG status = setInfo(H(handle_), &io, info, static_cast<ULONG>(buf.size()), kFileRenameInformationClass);
  return status >= 0 ? 0 : toDos(status);
}

// --- One writer at a time ---

// Windows checks the share modes before it truncates: a refused create leaves
// the other writer's file whole.
uint32_t File::OpenSoleWriter(const std::string& path, bool create) {
  return Open(path, create ? OpenMode::kCreateAlways : OpenMode::kWrite, Share::kRead);
}

uint32_t File::Flush() { return ::FlushFileBuffers(H(handle_)) ? 0 : ::GetLastError(); }

// --- Names that are the program's own ---

uint32_t File::CreateNew(const std::string& path) { return CreateNew(AnsiToWide(path)); }

// CREATE_NEW fails on any name that exists, a dangling link included.
uint32_t File::CreateNew(const std::u16string& path) {
  Close();
  HANDLE h = ::CreateFileW(reinterpret_cast<const wchar_t*>(path.c_str()), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  handle_ = h;
  return 0;
}

uint32_t File::LinkCount(uint32_t* n) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(H(handle_), &info)) return ::GetLastError();
  *n = info.nNumberOfLinks;
  return 0;
}

}  // namespace platform
