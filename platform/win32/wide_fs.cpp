#include "platform/wide_fs.h"

#include <windows.h>

#include "platform/codepage.h"

namespace platform {
namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

std::u16string WidePath(const std::string& path) { return AnsiToWide(path); }

bool CreateDir(const std::u16string& path) { return ::CreateDirectoryW(W(path), nullptr) != FALSE; }

bool FileExists(const std::u16string& path) {
  const DWORD a = ::GetFileAttributesW(W(path));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

uint32_t GetAttributes(const std::u16string& path) { return ::GetFileAttributesW(W(path)); }

bool SetAttributes(const std::u16string& path, uint32_t attrs) {
  return ::SetFileAttributesW(W(path), attrs) != FALSE;
}

bool ListDir(const std::u16string& dir, std::vector<WideDirEntry>* out) {
  out->clear();
  std::u16string pattern = dir;
  if (pattern.empty() || pattern.back() != u'\\') pattern += u'\\';
  pattern += u'*';
  WIN32_FIND_DATAW fd;
  HANDLE h = ::FindFirstFileW(W(pattern), &fd);
  if (h == INVALID_HANDLE_VALUE) return false;
  do {
    const std::u16string name(reinterpret_cast<const char16_t*>(fd.cFileName));
    if (name == u"." || name == u"..") continue;
    out->push_back({name, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                    (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0});
  } while (::FindNextFileW(h, &fd));
  ::FindClose(h);
  return true;
}

uint32_t File::Open(const std::u16string& path, OpenMode mode, Share share) {
  Close();
  DWORD access = GENERIC_READ;
  if (mode != OpenMode::kRead) {
    access |= GENERIC_WRITE;
    // Wine run as root would open a read-only file for writing; Windows never does.
    const DWORD attrs = ::GetFileAttributesW(W(path));
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  }
  const DWORD disposition = mode == OpenMode::kCreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
  const DWORD shareMode = FILE_SHARE_READ | (share == Share::kReadWrite ? FILE_SHARE_WRITE : 0);
  HANDLE h = ::CreateFileW(W(path), access, shareMode, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  handle_ = h;
  return 0;
}

}  // namespace platform
