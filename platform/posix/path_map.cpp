#include "platform/posix/path_map.h"

#include <cctype>
#include <mutex>

#include "platform/codepage.h"
#include "platform/testing.h"

namespace platform {
namespace {
std::mutex g_mutex;
std::string g_root;

// Backslashes become slashes, except the second byte of a double-byte character,
// which may be 0x5C in GBK. Text that is UTF-8 (the host's own names, and the
// form of UTF-16 paths here) has no such byte.
std::string Slashes(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  const bool utf8 = WideToUtf8(Utf8ToWide(s)) == s;
  for (size_t i = 0; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (!utf8 && IsAnsiLeadByte(c) && i + 1 < s.size()) {
      out += s[i];
      out += s[++i];
      continue;
    }
    out += (c == '\\') ? '/' : s[i];
  }
  return out;
}
}  // namespace

namespace testing {
void SetRoot(const std::string& hostRoot) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_root = hostRoot;
  while (g_root.size() > 1 && g_root.back() == '/') g_root.pop_back();
}
std::string HostPath(const std::string& windowsPath) { return posix::HostPath(windowsPath); }
}  // namespace testing

namespace posix {
std::string HostPath(const std::string& p) {
  bool drive = p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
  if (!drive) return Slashes(p);
  std::string root;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    root = g_root;
  }
  std::string rest = Slashes(p.substr(2));
  if (!rest.empty() && rest[0] != '/') rest = "/" + rest;
  std::string base = root.empty() ? std::string(".") : root;
  return base + "/" + static_cast<char>(std::toupper(static_cast<unsigned char>(p[0]))) + rest;
}
}  // namespace posix
}  // namespace platform
