#include "download/HttpRequest.h"

#include <cctype>

const char kEngineUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Maxthon)";

namespace {
bool StartsWithNoCase(const std::string& s, const char* prefix) {
  size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  }
  return true;
}
}  // namespace

bool ParseHttpUrl(const std::string& url, HttpUrl* out) {
  for (char c : url) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  HttpUrl u;
  size_t pos;
  if (StartsWithNoCase(url, "http://")) {
    u.scheme = "http";
    u.port = 80;
    pos = 7;
  } else if (StartsWithNoCase(url, "https://")) {
    u.scheme = "https";
    u.port = 443;
    pos = 8;
  } else {
    return false;
  }
  size_t end = url.find_first_of("/?", pos);
  std::string authority = url.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  size_t at = authority.rfind('@');  // user information is never sent
  if (at != std::string::npos) authority.erase(0, at + 1);
  size_t colon = authority.rfind(':');
  if (colon != std::string::npos) {
    std::string digits = authority.substr(colon + 1);
    authority.erase(colon);
    if (!digits.empty()) {
      if (digits.size() > 5) return false;
      unsigned long port = 0;
      for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        port = port * 10 + static_cast<unsigned long>(c - '0');
      }
      if (port == 0 || port > 65535) return false;
      u.port = static_cast<uint16_t>(port);
    }
  }
  if (authority.empty() || authority.find(' ') != std::string::npos) return false;
  u.host = authority;
  u.path = end == std::string::npos ? "/" : url.substr(end);
  if (u.path[0] == '?') u.path.insert(0, "/");
  *out = u;
  return true;
}

std::string ResolveLocation(const HttpUrl& base, const std::string& location) {
  if (StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://")) return location;
  std::string origin = base.scheme + "://" + base.host;
  if (base.port != (base.scheme == "https" ? 443 : 80)) origin += ":" + std::to_string(base.port);
  if (location.compare(0, 2, "//") == 0) return base.scheme + ":" + location;
  if (!location.empty() && location[0] == '/') return origin + location;
  std::string dir = base.path.substr(0, base.path.find('?'));
  dir.erase(dir.rfind('/') + 1);
  return origin + dir + location;
}

std::string BuildHttpRequest(const char* method, const HttpUrl& url, const HttpRequestHeaders& h,
                             const std::string& cookies) {
  std::string r;
  r.reserve(256);
  r += method;
  r += ' ';
  r += url.path;
  r += " HTTP/1.1\r\n";
  auto line = [&r](const char* name, const std::string& value) {
    if (value.empty()) return;
    r += name;
    r += ": ";
    r += value;
    r += "\r\n";
  };
  line("Content-Type", h.contentType);
  line("Host", url.port == 80 ? url.host : url.host + ":" + std::to_string(url.port));
  line("Accept", h.accept);
  line("User-Agent", h.userAgent);
  if (h.rangeEnd != 0) {
    line("Range", "bytes=" + std::to_string(h.rangeStart) + "-" + std::to_string(h.rangeEnd));
  } else if (h.rangeStart != 0) {
    line("Range", "bytes=" + std::to_string(h.rangeStart) + "-");
  }
  line("Cookie", cookies);
  r += "\r\n";
  return r;
}
