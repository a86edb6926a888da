#include "platform/private_file.h"

#include <windows.h>

namespace platform {

// The file inherits its folder's access list; a maker keeps keys in a folder of
// their own profile.
uint32_t CreatePrivateFile(const std::string& path, const std::string& bytes) {
  HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return ::GetLastError();
  uint32_t result = 0;
  DWORD done = 0;
  if (!bytes.empty() && (!::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
                         done != bytes.size()))
    result = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
  ::CloseHandle(h);
  if (result != 0) ::DeleteFileA(path.c_str());
  return result;
}

}  // namespace platform
