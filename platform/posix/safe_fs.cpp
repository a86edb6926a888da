#include "platform/safe_fs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>

#include "platform/codepage.h"
#include "platform/posix/path_map.h"

namespace platform {
namespace {

uint32_t FromErrno(int e) {
  switch (e) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case ENOSPC: return kErrorDiskFull;
    default: return kErrorAccessDenied;
  }
}

std::string RandomSuffix() {
  static std::atomic<uint32_t> counter{0};
  struct timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  uint32_t x = static_cast<uint32_t>(ts.tv_nsec) ^ (static_cast<uint32_t>(::getpid()) << 12) ^
               (++counter * 2654435761u);
  x ^= x >> 15;
  x *= 2246822519u;
  x ^= x >> 13;
  std::string s = ".~";
  for (int i = 0; i < 6; ++i, x >>= 4) s += "0123456789abcdef"[x & 15];
  return s;
}

// A folder, or a link to one: Windows sees both as folders.
bool IsFolder(const std::string& host) {
  struct stat st;
  return ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

uint32_t CreateSiblingTemp(const std::string& path, File* out, std::string* tempPath) {
  uint32_t err = kErrorFileExists;
  for (int tries = 0; tries < 16 && err == kErrorFileExists; ++tries) {
    const std::string name = path + RandomSuffix();
    err = out->CreateNew(name);
    if (err == 0) *tempPath = name;
  }
  return err;
}

// A UTF-16 path is its UTF-8 form on the host (platform/wide_fs.h).
uint32_t CreateSiblingTemp(const std::u16string& path, File* out, std::u16string* tempPath) {
  std::string ansi;
  const uint32_t err = CreateSiblingTemp(WideToUtf8(path), out, &ansi);
  if (err == 0) *tempPath = Utf8ToWide(ansi);
  return err;
}

// rename() replaces the name itself, whatever it links to, and ignores the
// mode of what it replaces.
uint32_t PlaceOver(const std::string& tempPath, const std::string& path) {
  const std::string host = posix::HostPath(path);
  if (IsFolder(host)) return kErrorAccessDenied;
  return ::rename(posix::HostPath(tempPath).c_str(), host.c_str()) == 0 ? 0 : FromErrno(errno);
}

uint32_t PlaceOver(const std::u16string& tempPath, const std::u16string& path) {
  return PlaceOver(WideToUtf8(tempPath), WideToUtf8(path));
}

// unlink() removes the name and never what it links to.
uint32_t RemoveSafely(const std::string& path) {
  const std::string host = posix::HostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR ? 0 : FromErrno(errno);
  if (S_ISDIR(st.st_mode) || IsFolder(host)) return kErrorAccessDenied;
  return ::unlink(host.c_str()) == 0 ? 0 : FromErrno(errno);
}

uint32_t RemoveSafely(const std::u16string& path) { return RemoveSafely(WideToUtf8(path)); }

bool IsLinkedFolder(const std::string& path) {
  const std::string host = posix::HostPath(path);
  struct stat st;
  return ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && IsFolder(host);
}

bool IsLinkedFolder(const std::u16string& path) { return IsLinkedFolder(WideToUtf8(path)); }

}  // namespace platform
