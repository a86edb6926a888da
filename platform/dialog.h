// Modal message boxes. Natively nothing is shown: each box is recorded for tests
// (platform/testing.h) and answered with OK.
#pragma once
#include <string>

namespace platform {

constexpr unsigned kMbOk = 0x00;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;

// A box drawn from UTF-16 texts, so that it reads the same whatever the
// system's ANSI code page; `owner` is a window handle or null.
int ShowMessageBox(void* owner, const std::u16string& text, const std::u16string& caption, unsigned flags);

}  // namespace platform
