#include "platform/errortext.h"

#include "platform/fs.h"

namespace platform {

// The native layer reports Windows codes; these are the ones it produces.
std::string ErrorText(uint32_t code) {
  switch (code) {
    case kErrorFileNotFound: return "The system cannot find the file specified.";
    case kErrorPathNotFound: return "The system cannot find the path specified.";
    case kErrorAccessDenied: return "Access is denied.";
    case kErrorSharingViolation: return "The file is being used by another process.";
    case kErrorHandleEof: return "Reached the end of the file.";
    case kErrorFileExists:
    case kErrorAlreadyExists: return "The file exists.";
    case kErrorInvalidParameter: return "The parameter is incorrect.";
    case kErrorDiskFull: return "There is not enough space on the disk.";
    case 31: return "A device attached to the system is not functioning.";
    default: return "error " + std::to_string(code);
  }
}

}  // namespace platform
