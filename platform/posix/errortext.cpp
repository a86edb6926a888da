#include "platform/errortext.h"

#include <cerrno>
#include <cstring>

#include "platform/fs.h"

namespace platform {

// The native layer reports Windows codes; each stands for the errno it was
// made from, and is told in this system's own words.
std::string ErrorText(uint32_t code) {
  int e = 0;
  switch (code) {
    case kErrorFileNotFound: e = ENOENT; break;
    case kErrorPathNotFound: e = ENOTDIR; break;
    case kErrorAccessDenied: e = EACCES; break;
    case kErrorFileExists:
    case kErrorAlreadyExists: e = EEXIST; break;
    case kErrorInvalidParameter: e = EINVAL; break;
    case kErrorDiskFull: e = ENOSPC; break;
    case 31: e = EIO; break;
    case kErrorSharingViolation: return "the file is locked by another program";
    case kErrorHandleEof: return "the file ends early";
    default: return "error " + std::to_string(code);
  }
  return std::strerror(e);
}

}  // namespace platform
