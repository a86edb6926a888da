#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/codepage.h"
#include "platform/posix/path_map.h"

namespace platform {
namespace {
thread_local uint32_t t_lastError = 0;

uint32_t FromErrno(int e) {
  switch (e) {
    case 0: return 0;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return kErrorAccessDenied;
    case EEXIST: return kErrorAlreadyExists;
    case ENOSPC: return kErrorDiskFull;
    case EINVAL: return kErrorInvalidParameter;
    default: return 31;  // ERROR_GEN_FAILURE
  }
}

bool Fail(int e) {
  t_lastError = FromErrno(e);
  return false;
}

// The read-only attribute is the absence of write permission. Checked by hand
// because root (which runs CI) may write such files anyway; Windows may not.
bool IsReadOnly(const struct stat& st) { return (st.st_mode & S_IWUSR) == 0; }
}  // namespace

uint32_t LastError() { return t_lastError; }

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(posix::HostPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool CreateDir(const std::string& path) {
  return ::mkdir(posix::HostPath(path).c_str(), 0777) == 0 || Fail(errno);
}

bool RemoveDir(const std::string& path) {
  return ::rmdir(posix::HostPath(path).c_str()) == 0 || Fail(errno);
}

bool RemoveFile(const std::string& path) {
  std::string h = posix::HostPath(path);
  struct stat st;
  if (::stat(h.c_str(), &st) != 0) return Fail(errno);
  if (S_ISDIR(st.st_mode) || IsReadOnly(st)) return Fail(EACCES);
  return ::unlink(h.c_str()) == 0 || Fail(errno);
}

bool RenameFile(const std::string& from, const std::string& to) {
  std::string hf = posix::HostPath(from), ht = posix::HostPath(to);
  struct stat st;
  if (::lstat(ht.c_str(), &st) == 0) return Fail(EEXIST);
  return ::rename(hf.c_str(), ht.c_str()) == 0 || Fail(errno);
}

bool MoveFileOver(const std::string& from, const std::string& to) {
  return ::rename(posix::HostPath(from).c_str(), posix::HostPath(to).c_str()) == 0 || Fail(errno);
}

std::string TempFolder() {
  const char* t = std::getenv("TMPDIR");
  std::string dir = t && *t ? t : "/tmp";
  for (char& c : dir) {
    if (c == '/') c = '\\';
  }
  if (dir.back() != '\\') dir += '\\';
  return dir;
}

uint32_t GetAttributes(const std::string& path) {
  struct stat st;
  if (::stat(posix::HostPath(path).c_str(), &st) != 0) {
    Fail(errno);
    return kInvalidAttributes;
  }
  uint32_t a = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
  if (IsReadOnly(st)) a |= kAttrReadOnly;
  return a;
}

bool SetAttributes(const std::string& path, uint32_t attrs) {
  std::string h = posix::HostPath(path);
  struct stat st;
  if (::stat(h.c_str(), &st) != 0) return Fail(errno);
  mode_t m = st.st_mode & 07777;
  m = (attrs & kAttrReadOnly) ? (m & ~mode_t(0222)) : (m | S_IWUSR);
  return ::chmod(h.c_str(), m) == 0 || Fail(errno);
}

bool IsLink(const std::string& path) {
  struct stat st;
  return ::lstat(posix::HostPath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool SetServedMode(const std::string& path) {
  std::string h = posix::HostPath(path);
  struct stat st;
  if (::lstat(h.c_str(), &st) != 0) return Fail(errno);
  if (S_ISLNK(st.st_mode)) return Fail(EACCES);
  return ::chmod(h.c_str(), S_ISDIR(st.st_mode) ? 0755 : 0644) == 0 || Fail(errno);
}

bool ListDir(const std::string& dir, std::vector<DirEntry>* out) {
  out->clear();
  std::string h = posix::HostPath(dir);
  DIR* d = ::opendir(h.c_str());
  if (!d) return Fail(errno);
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string path = h + "/" + name;
    struct stat st;
    bool isDir = ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    bool isLink = ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    out->push_back({name, isDir, isLink});
  }
  ::closedir(d);
  return true;
}

std::string GetCurrentDir() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

bool SetCurrentDir(const std::string& path) {
  if (path.empty()) return Fail(ENOENT);
  return ::chdir(posix::HostPath(path).c_str()) == 0 || Fail(errno);
}

File::~File() { Close(); }

File::File(File&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

uint32_t File::Open(const std::string& path, OpenMode mode, Share) {
  Close();
  std::string h = posix::HostPath(path);
  struct stat st;
  bool exists = ::stat(h.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return FromErrno(EACCES);
  int flags = O_RDONLY;
  if (mode != OpenMode::kRead) {
    if (exists && IsReadOnly(st)) return FromErrno(EACCES);
    flags = (mode == OpenMode::kCreateAlways) ? (O_RDWR | O_CREAT | O_TRUNC) : O_RDWR;
  }
  fd_ = ::open(h.c_str(), flags | O_CLOEXEC, 0666);
  return fd_ >= 0 ? 0 : FromErrno(errno);
}

bool File::IsOpen() const { return fd_ >= 0; }

uint32_t File::Read(void* buf, uint32_t n, uint32_t* got) {
  *got = 0;
  for (;;) {
    ssize_t r = ::read(fd_, buf, n);
    if (r >= 0) {
      *got = static_cast<uint32_t>(r);
      return 0;
    }
    if (errno != EINTR) return FromErrno(errno);
  }
}

uint32_t File::ReadAt(int64_t offset, void* buf, uint32_t n, uint32_t* got) {
  *got = 0;
  for (;;) {
    ssize_t r = ::pread(fd_, buf, n, static_cast<off_t>(offset));
    if (r >= 0) {
      *got = static_cast<uint32_t>(r);
      return 0;
    }
    if (errno != EINTR) return FromErrno(errno);
  }
}

uint32_t File::Write(const void* buf, uint32_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t w = ::write(fd_, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (w == 0) return kErrorDiskFull;
    p += w;
    n -= static_cast<uint32_t>(w);
  }
  return 0;
}

uint32_t File::WriteAt(int64_t offset, const void* buf, uint32_t n) {
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    ssize_t w = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
    if (w < 0) {
      if (errno == EINTR) continue;
      return FromErrno(errno);
    }
    if (w == 0) return kErrorDiskFull;
    p += w;
    offset += w;
    n -= static_cast<uint32_t>(w);
  }
  return 0;
}

uint32_t File::Seek(int64_t offset) {
  return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0 ? FromErrno(errno) : 0;
}

uint32_t File::SetLength(int64_t length) {
  if (length < 0) return kErrorInvalidParameter;
  return ::ftruncate(fd_, static_cast<off_t>(length)) == 0 ? 0 : FromErrno(errno);
}

int64_t File::Size() {
  struct stat st;
  return ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

uint32_t File::SetDosTime(uint16_t dosDate, uint16_t dosTime) {
  struct tm t = {};
  t.tm_year = 80 + (dosDate >> 9);
  t.tm_mon = ((dosDate >> 5) & 15) - 1;
  t.tm_mday = dosDate & 31;
  t.tm_hour = dosTime >> 11;
  t.tm_min = (dosTime >> 5) & 63;
  t.tm_sec = (dosTime & 31) * 2;
  t.tm_isdst = -1;
  time_t when = ::mktime(&t);
  if (when == static_cast<time_t>(-1)) return kErrorInvalidParameter;
  struct timespec ts[2] = {{when, 0}, {when, 0}};
  return ::futimens(fd_, ts) == 0 ? 0 : FromErrno(errno);
}

uint32_t File::GetDosTime(uint16_t* dosDate, uint16_t* dosTime) {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return FromErrno(errno);
  struct tm t;
  if (!::localtime_r(&st.st_mtime, &t)) return kErrorInvalidParameter;
  *dosDate = static_cast<uint16_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  *dosTime = static_cast<uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return 0;
}

uint32_t File::Close() {
  if (fd_ < 0) return 0;
  int r = ::close(fd_);
  fd_ = -1;
  return r == 0 ? 0 : FromErrno(errno);
}

// The posix platform has no share modes: a held file is an open one. Only the
// Windows build denies others its changes.
uint32_t File::OpenHeld(const std::string& path, bool) { return Open(path, OpenMode::kRead); }

uint32_t File::MoveHeldTo(const std::string& to) {
  if (fd_ < 0) return kErrorInvalidParameter;
  char from[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd_);
  ssize_t n = ::readlink(link.c_str(), from, sizeof from - 1);
  if (n <= 0) return FromErrno(errno);
  from[n] = '\0';
  return ::rename(from, posix::HostPath(to).c_str()) == 0 ? 0 : FromErrno(errno);
}


// --- One writer at a time ---

// An exclusive lock on the open file stands for the share mode; the file is
// truncated only once the lock is held.
uint32_t File::OpenSoleWriter(const std::string& path, bool create) {
  Close();
  std::string h = posix::HostPath(path);
  struct stat st;
  bool exists = ::stat(h.c_str(), &st) == 0;
  if (exists && (S_ISDIR(st.st_mode) || IsReadOnly(st))) return FromErrno(EACCES);
  int fd = ::open(h.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0666);
  if (fd < 0) return FromErrno(errno);
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int e = errno;
    ::close(fd);
    return e == EWOULDBLOCK ? kErrorSharingViolation : FromErrno(e);
  }
  if (create && ::ftruncate(fd, 0) != 0) {
    int e = errno;
    ::close(fd);
    return FromErrno(e);
  }
  fd_ = fd;
  return 0;
}

uint32_t File::Flush() { return ::fsync(fd_) == 0 ? 0 : FromErrno(errno); }

// --- Names that are the program's own ---

uint32_t File::CreateNew(const std::u16string& path) { return CreateNew(WideToAnsi(path)); }

// O_EXCL fails on any name that exists and never follows a link, a dangling one included.
uint32_t File::CreateNew(const std::string& path) {
  Close();
  fd_ = ::open(posix::HostPath(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ >= 0) return 0;
  return errno == EEXIST ? kErrorFileExists : FromErrno(errno);
}

uint32_t File::LinkCount(uint32_t* n) {
  struct stat st;
  if (::fstat(fd_, &st) != 0) return FromErrno(errno);
  *n = static_cast<uint32_t>(st.st_nlink);
  return 0;
}

}  // namespace platform
