#include "platform/security.h"

#include <windows.h>
#include <sddl.h>

#include "platform/codepage.h"
#include "platform/fs.h"

namespace platform {
namespace {

// A descriptor built from SDDL, freed as the conversion asks.
class Descriptor {
 public:
  explicit Descriptor(const char* sddl) {
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &sd_, nullptr)) sd_ = nullptr;
  }
  ~Descriptor() {
    if (sd_) ::LocalFree(sd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  PSECURITY_DESCRIPTOR get() const { return sd_; }

 private:
  PSECURITY_DESCRIPTOR sd_ = nullptr;
};

}  // namespace

// The folder is opened itself, not followed, and checked through that handle;
// only its own descriptor is set (nothing is walked below it).
uint32_t ProtectFolder(const std::string& path) {
  const std::u16string wide = AnsiToWide(path);
  bool owner = true;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (DWORD access : {READ_CONTROL | WRITE_DAC | WRITE_OWNER, READ_CONTROL | WRITE_DAC}) {
    h = ::CreateFileW(reinterpret_cast<const wchar_t*>(wide.c_str()), access,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (h != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_ACCESS_DENIED) break;
    owner = false;  // the owner stays; the rights are set all the same
  }
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  uint32_t err = 0;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(h, &info)) {
    err = ::GetLastError();
  } else if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
             (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    err = kErrorAccessDenied;
  } else {
    const Descriptor dacl(kOwnFolderSddl), ownerSd("O:BA");
    if (!dacl.get() || !ownerSd.get()) {
      err = ::GetLastError();
    } else if (!::SetKernelObjectSecurity(h, DACL_SECURITY_INFORMATION, dacl.get())) {
      err = ::GetLastError();
    } else if (owner) {
      // Best effort: an owner may always change a folder's rights.
      ::SetKernelObjectSecurity(h, OWNER_SECURITY_INFORMATION, ownerSd.get());
    }
  }
  ::CloseHandle(h);
  return err;
}

}  // namespace platform
