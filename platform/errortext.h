// Words for the Windows error codes that platform calls return.
#pragma once
#include <cstdint>
#include <string>

namespace platform {

// The system's own message for `code` without its line break ("The system
// cannot find the file specified."); "error N" when it has none.
std::string ErrorText(uint32_t code);

}  // namespace platform
