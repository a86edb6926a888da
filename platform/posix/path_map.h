#pragma once
#include <string>

namespace platform::posix {
// The host path of a Windows path (see platform/testing.h).
std::string HostPath(const std::string& windowsPath);
}
