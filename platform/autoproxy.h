// The system's answer to "which proxy for this URL" when the user's settings
// leave it to an automatic configuration script or to automatic detection.
#pragma once
#include <string>

namespace platform {

// Asks WinHTTP for the proxy of `url`: by automatic detection (`detect`), by the
// script at `scriptUrl` (when not empty), or both. True when it answers, with
// the proxy list it names ("host:port", possibly several separated by ';' or
// blanks), empty for direct; false when it has no answer, or the system has no
// such service (natively).
bool AutoProxyForUrl(const std::string& url, bool detect, const std::string& scriptUrl, std::string* proxyList);

}  // namespace platform
