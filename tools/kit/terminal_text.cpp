#include "tools/kit/terminal_text.h"

#include <cstdio>

#include "platform/codepage.h"

namespace {
bool ReordersText(char16_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
}  // namespace

std::string TerminalText(const std::string& gbk) {
  std::u16string shown;
  for (char16_t c : platform::AnsiToWide(gbk)) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F) || ReordersText(c)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, c <= 0xFF ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
      for (const char* p = escape; *p; ++p) shown += static_cast<char16_t>(*p);
    } else {
      shown += c;
    }
  }
#ifdef _WIN32
  return platform::WideToAnsi(shown);
#else
  return platform::WideToUtf8(shown);
#endif
}

std::u16string ArgumentText(const char* arg) {
#ifdef _WIN32
  return platform::AnsiToWide(arg);
#else
  return platform::Utf8ToWide(arg);
#endif
}

std::string UserPath(std::string path) {
#ifndef _WIN32
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
#endif
  return path;
}
