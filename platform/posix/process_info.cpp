#include "platform/process_info.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace platform {

std::string CommandLineUtf8() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!s.empty() && s.back() == '\0') s.pop_back();
  for (char& c : s) {
    if (c == '\0') c = ' ';
  }
  return s;
}

bool IsElevated() { return ::geteuid() == 0; }

}  // namespace platform
