// Modal message boxes. Natively nothing is shown: each box is recorded for tests
// (platform/testing.h) and answered with OK.
#pragma once
#include <string>

namespace platform {

constexpr unsigned kMbOk = 0x00;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;

// MessageBoxA with texts in the ANSI code page; `owner` is a window handle or null.
int ShowMessageBox(void* owner, const std::string& text, const std::string& caption, unsigned flags);

}  // namespace platform
