// A UTF-16 path is its UTF-8 form on the host, which the ANSI functions map as
// they are (platform/posix/path_map.cpp takes UTF-8 text as such).
#include "platform/wide_fs.h"

#include "platform/codepage.h"

namespace platform {

std::u16string WidePath(const std::string& path) {
  const std::u16string utf8 = Utf8ToWide(path);
  return WideToUtf8(utf8) == path ? utf8 : GbkToWide(path);
}

bool CreateDir(const std::u16string& path) { return CreateDir(WideToUtf8(path)); }
bool FileExists(const std::u16string& path) { return FileExists(WideToUtf8(path)); }
uint32_t GetAttributes(const std::u16string& path) { return GetAttributes(WideToUtf8(path)); }
bool SetAttributes(const std::u16string& path, uint32_t attrs) { return SetAttributes(WideToUtf8(path), attrs); }

bool ListDir(const std::u16string& dir, std::vector<WideDirEntry>* out) {
  out->clear();
  std::vector<DirEntry> entries;
  if (!ListDir(WideToUtf8(dir), &entries)) return false;
  for (const DirEntry& e : entries) out->push_back({Utf8ToWide(e.name), e.isDir, e.isLink});
  return true;
}

uint32_t File::Open(const std::u16string& path, OpenMode mode, Share share) {
  return Open(WideToUtf8(path), mode, share);
}

}  // namespace platform
