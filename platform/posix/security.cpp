#include "platform/security.h"

#include <sys/stat.h>

#include "platform/fs.h"
#include "platform/posix/path_map.h"

namespace platform {

uint32_t ProtectFolder(const std::string& path) {
  const std::string host = posix::HostPath(path);
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0) return kErrorPathNotFound;
  if (!S_ISDIR(st.st_mode)) return kErrorAccessDenied;
  return ::chmod(host.c_str(), 0755) == 0 ? 0 : kErrorAccessDenied;
}

}  // namespace platform
