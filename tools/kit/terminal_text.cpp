#include "tools/kit/terminal_text.h"

#include <cstdio>

#include "common/TextHelpers.h"
#include "platform/codepage.h"

namespace {
bool ReordersText(char16_t c) {
  return c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}
}  // namespace

std::string TerminalText(const std::string& gbk) {
  std::string out;
  for (size_t i = 0; i < gbk.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    if (b >= 0x20 && b < 0x7F) {
      out += static_cast<char>(b);
      continue;
    }
    // A pair stands as one character when the code page knows it; anything
    // else (a control byte, half a pair, a pair with no character) is escaped.
    if (AnsiCharSize(gbk, i) == 2) {
      const std::string pair = gbk.substr(i, 2);
      const std::u16string wide = platform::AnsiToWide(pair);
      if (wide.size() == 1 && wide[0] != u'?' && !ReordersText(wide[0])) {
#ifdef _WIN32
        out += pair;
#else
        out += platform::WideToUtf8(wide);
#endif
        ++i;
        continue;
      }
    }
    char escaped[5];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
    out += escaped;
  }
  return out;
}

std::string WideTerminalText(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F || c == 0xFFFD || ReordersText(c) || (c >= 0xD800 && c <= 0xDFFF)) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, c < 0x100 ? "\\x%02X" : "\\u%04X", static_cast<unsigned>(c));
      out += escaped;
      continue;
    }
#ifdef _WIN32
    out += platform::WideToAnsi(std::u16string(1, c));
#else
    out += platform::WideToUtf8(std::u16string(1, c));
#endif
  }
  return out;
}

std::u16string ArgumentText(const char* arg) {
#ifdef _WIN32
  return platform::AnsiToWide(arg);
#else
  return platform::Utf8ToWide(arg);
#endif
}

std::string UserPath(std::string path) {
  if (path.compare(0, 2, ".\\") == 0) path.erase(0, 2);  // as KitPath spells out a relative path
#ifndef _WIN32
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
#endif
  return path;
}
