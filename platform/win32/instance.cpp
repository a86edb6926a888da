#include "platform/instance.h"

#include <windows.h>

namespace platform {

InstanceMutex::~InstanceMutex() {
  if (handle_) ::CloseHandle(handle_);
}

bool InstanceMutex::Acquire(const std::string& name) {
  HANDLE h = ::CreateMutexA(nullptr, FALSE, name.c_str());
  const DWORD error = ::GetLastError();
  if (!h) return error != ERROR_ACCESS_DENIED;  // another account's copy holds it
  if (error == ERROR_ALREADY_EXISTS) {
    ::CloseHandle(h);
    return false;
  }
  handle_ = h;
  return true;
}

bool BringWindowToFront(const std::u16string& windowClass, uint32_t waitMs) {
  const LPCWSTR cls = reinterpret_cast<LPCWSTR>(windowClass.c_str());
  const DWORD start = ::GetTickCount();
  HWND wnd = ::FindWindowW(cls, nullptr);
  while (!wnd && ::GetTickCount() - start < waitMs) {
    ::Sleep(100);
    wnd = ::FindWindowW(cls, nullptr);
  }
  if (!wnd) return false;
  const HWND owner = ::GetWindow(wnd, GW_OWNER);
  if (owner && ::IsIconic(owner)) ::ShowWindow(owner, SW_RESTORE);
  if (::IsIconic(wnd)) ::ShowWindow(wnd, SW_RESTORE);
  ::SetForegroundWindow(wnd);
  return true;
}

}  // namespace platform
