#include "platform/autoproxy.h"

namespace platform {

// Natively there is no system service to ask: direct.
bool AutoProxyForUrl(const std::string&, bool, const std::string&, std::string*) { return false; }

}  // namespace platform
