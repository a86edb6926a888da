// The local wall-clock time as text.
#pragma once
#include <string>

namespace platform {

// "yyyy-mm-dd hh:nn:ss" on the 24-hour clock, as 2026-12-06 18:30:10.
std::string LocalTimeText();

}  // namespace platform
