// A new file that only its owner may read, for secrets such as a private key.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// Creates `path` (never replacing an existing file: kErrorFileExists) with
// owner-only access, writes `bytes` and closes it. On failure nothing is left.
uint32_t CreatePrivateFile(const std::string& path, const std::string& bytes);

}  // namespace platform
