#include "tools/kit/terminal_text.h"

#include "platform/codepage.h"

std::string TerminalText(const std::string& gbk) {
#ifdef _WIN32
  return gbk;
#else
  return platform::WideToUtf8(platform::AnsiToWide(gbk));
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
