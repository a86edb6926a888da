#include "platform/process_info.h"

#include <windows.h>

#include "platform/codepage.h"

namespace platform {

std::string CommandLineUtf8() {
  const wchar_t* w = ::GetCommandLineW();
  return w ? WideToUtf8(reinterpret_cast<const char16_t*>(w)) : std::string();
}

bool IsElevated() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!::AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins)) {
    return false;
  }
  BOOL member = FALSE;
  if (!::CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
  ::FreeSid(admins);
  return member != FALSE;
}

}  // namespace platform
