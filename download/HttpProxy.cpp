#include "download/HttpProxy.h"

#include <atomic>
#include <vector>

#include "common/TextHelpers.h"

namespace {
std::atomic<const HttpProxyFinder*> g_finder{nullptr};

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t end = s.find(sep, start);
    std::string part = Trim(s.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// '*' matches any run of characters, everything else itself (both lower case).
bool WildMatch(const char* pattern, const char* text) {
  for (; *pattern; ++pattern, ++text) {
    if (*pattern == '*') {
      for (const char* t = text;; ++t) {
        if (WildMatch(pattern + 1, t)) return true;
        if (!*t) return false;
      }
    }
    if (*text != *pattern) return false;
  }
  return *text == '\0';
}
}  // namespace

void SetHttpProxyFinder(const HttpProxyFinder* finder) { g_finder = finder; }

const HttpProxyFinder* CurrentHttpProxyFinder() { return g_finder; }

bool ParseProxyAddress(const std::string& text, uint16_t defaultPort, HttpProxy* out) {
  std::string s = Trim(text);
  if (StartsWithText(s, "http://")) s.erase(0, 7);
  s = s.substr(0, s.find('/'));
  HttpProxy p;
  p.port = defaultPort;
  size_t colon = s.rfind(':');
  if (!s.empty() && s[0] == '[') {  // [v6]:port
    const size_t close = s.find(']');
    if (close == std::string::npos) return false;
    colon = s.find(':', close);
  }
  if (colon != std::string::npos) {
    const std::string digits = s.substr(colon + 1);
    unsigned long port = 0;
    if (digits.empty() || digits.size() > 5) return false;
    for (char c : digits) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      port = port * 10 + static_cast<unsigned long>(c - '0');
    }
    if (port == 0 || port > 65535) return false;
    p.port = static_cast<uint16_t>(port);
    s.erase(colon);
  }
  if (s.size() > 2 && s.front() == '[' && s.back() == ']') s = s.substr(1, s.size() - 2);
  if (s.empty() || s.find_first_of(" \t@") != std::string::npos) return false;
  p.host = s;
  *out = p;
  return true;
}

HttpProxy ProxyServerForHttp(const std::string& proxyServer) {
  HttpProxy p;
  if (proxyServer.find('=') == std::string::npos) {
    // One proxy for every scheme; a list of several takes its first.
    const std::vector<std::string> all = Split(proxyServer, ';');
    if (!all.empty() && !ParseProxyAddress(all[0], 80, &p)) p = HttpProxy();
    return p;
  }
  for (const std::string& entry : Split(proxyServer, ';')) {
    const size_t eq = entry.find('=');
    if (eq == std::string::npos || AsciiLower(Trim(entry.substr(0, eq))) != "http") continue;
    if (!ParseProxyAddress(entry.substr(eq + 1), 80, &p)) p = HttpProxy();
    return p;
  }
  return p;
}

bool ProxyOverrideCovers(const std::string& overrideList, const HttpUrl& url) {
  const std::string host = AsciiLower(url.host);
  const std::string hostPort = host + ":" + std::to_string(url.port);
  for (std::string entry : Split(overrideList, ';')) {
    entry = AsciiLower(entry);
    if (entry == "<local>") {
      if (host.find('.') == std::string::npos && host.find(':') == std::string::npos) return true;
      continue;
    }
    if (entry.compare(0, 7, "http://") == 0) entry.erase(0, 7);
    if (WildMatch(entry.c_str(), host.c_str()) || WildMatch(entry.c_str(), hostPort.c_str())) return true;
  }
  return false;
}

bool NoProxyCovers(const std::string& noProxy, const std::string& hostText) {
  const std::string host = AsciiLower(hostText);
  for (std::string name : Split(noProxy, ',')) {
    name = AsciiLower(name);
    if (name == "*") return true;
    while (!name.empty() && name[0] == '.') name.erase(0, 1);
    if (name.empty()) continue;
    if (host == name) return true;
    if (host.size() > name.size() && host.compare(host.size() - name.size(), name.size(), name) == 0 &&
        host[host.size() - name.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

HttpProxy ManualProxyFinder::For(const HttpUrl& url) const {
  return ProxyOverrideCovers(override_, url) ? HttpProxy() : proxy_;
}
