// WinHTTP is loaded from the system folder on its first call (system_dll.cpp);
// Windows XP has it from SP1 on.
#include "platform/autoproxy.h"

#include <windows.h>
#include <winhttp.h>

#include "platform/codepage.h"
#include "platform/win32/system_folder.h"

namespace platform {
namespace {
// Bounds each step of fetching a configuration script (name, connection, request, answer).
constexpr int kScriptStepMs = 10000;

// One session for the process, so that WinHTTP keeps what it detected and the
// script it fetched between questions. Never closed: it lives as long as the program.
HINTERNET Session() {
  static HINTERNET volatile session = nullptr;
  if (!session) {
    // DLLs WinHTTP loads by name when it runs a script or detects: taken from
    // the system folder first, so nothing beside the program is ever searched for.
    win32::PreloadSystemDll("jsproxy.dll");
    win32::PreloadSystemDll("dhcpcsvc.dll");
    HINTERNET h = ::WinHttpOpen(L"Mozilla/4.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                WINHTTP_NO_PROXY_BYPASS, 0);
    if (h) ::WinHttpSetTimeouts(h, kScriptStepMs, kScriptStepMs, kScriptStepMs, kScriptStepMs);
    if (h && ::InterlockedCompareExchangePointer(&session, h, nullptr) != nullptr) {
      ::WinHttpCloseHandle(h);  // another thread's session came first
    }
  }
  return session;
}
}  // namespace

bool AutoProxyForUrl(const std::string& url, bool detect, const std::string& scriptUrl, std::string* proxyList) {
  HINTERNET session = Session();
  if (!session) return false;
  const std::u16string wideUrl = AnsiToWide(url), wideScript = AnsiToWide(scriptUrl);
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (detect) {
    options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  if (!scriptUrl.empty()) {
    options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = reinterpret_cast<LPCWSTR>(wideScript.c_str());
  }
  options.fAutoLogonIfChallenged = TRUE;
  WINHTTP_PROXY_INFO info = {};
  if (!::WinHttpGetProxyForUrl(session, reinterpret_cast<LPCWSTR>(wideUrl.c_str()), &options, &info)) return false;
  proxyList->clear();
  if (info.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && info.lpszProxy) {
    *proxyList = WideToAnsi(reinterpret_cast<const char16_t*>(info.lpszProxy));
  }
  if (info.lpszProxy) ::GlobalFree(info.lpszProxy);
  if (info.lpszProxyBypass) ::GlobalFree(info.lpszProxyBypass);
  return true;
}

}  // namespace platform
