#include "platform/private_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/fs.h"
#include "platform/posix/path_map.h"

namespace platform {

namespace {
uint32_t ErrnoCode(int e) {
  switch (e) {
    case EEXIST: return kErrorFileExists;
    case ENOENT: return kErrorPathNotFound;
    case ENOSPC: return kErrorDiskFull;
    default: return kErrorAccessDenied;
  }
}
}  // namespace

uint32_t CreatePrivateFile(const std::string& path, const std::string& bytes) {
  const std::string host = posix::HostPath(path);
  // O_EXCL: a link planted at the name is not followed, an existing key not replaced.
  const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return ErrnoCode(errno);
  uint32_t result = 0;
  // The umask cannot widen 0600, but a folder's default ACL could: set it again.
  if (::fchmod(fd, 0600) != 0) result = ErrnoCode(errno);
  for (size_t at = 0; result == 0 && at < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) result = ErrnoCode(n < 0 ? errno : ENOSPC);
    else at += static_cast<size_t>(n);
  }
  if (::close(fd) != 0 && result == 0) result = ErrnoCode(errno);
  if (result != 0) ::unlink(host.c_str());
  return result;
}

}  // namespace platform
