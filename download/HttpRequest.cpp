#include "download/HttpRequest.h"

#include <cctype>

#include "common/TextHelpers.h"

const char kEngineUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0; Maxthon)";

namespace {
// "scheme:" at the start: letters first, then letters, digits, '+', '-' or '.'.
bool HasScheme(const std::string& s) {
  if (s.empty() || !std::isalpha(static_cast<unsigned char>(s[0]))) return false;
  for (size_t i = 1; i < s.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ':') return true;
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}
}  // namespace

bool ParseHttpUrl(const std::string& fullUrl, HttpUrl* out) {
  for (char c : fullUrl) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  // The fragment belongs to the reader of the document, never to the request.
  const std::string url = fullUrl.substr(0, fullUrl.find('#'));
  HttpUrl u;
  size_t pos;
  if (StartsWithText(url, "http://")) {
    u.scheme = "http";
    u.port = 80;
    pos = 7;
  } else if (StartsWithText(url, "https://")) {
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

std::string RemoveDotSegments(const std::string& path) {
  std::string in = path, out;
  while (!in.empty()) {
    if (in.compare(0, 3, "../") == 0) {
      in.erase(0, 3);
    } else if (in.compare(0, 2, "./") == 0) {
      in.erase(0, 2);
    } else if (in.compare(0, 3, "/./") == 0 || in == "/.") {
      in.replace(0, in == "/." ? 2 : 3, "/");
    } else if (in.compare(0, 4, "/../") == 0 || in == "/..") {
      in.replace(0, in == "/.." ? 3 : 4, "/");
      size_t cut = out.rfind('/');
      out.erase(cut == std::string::npos ? 0 : cut);
    } else if (in == "." || in == "..") {
      in.clear();
    } else {
      size_t next = in.find('/', 1);
      out += in.substr(0, next);
      in.erase(0, next);
    }
  }
  return out;
}

std::string ResolveLocation(const HttpUrl& base, const std::string& fullLocation) {
  const std::string location = fullLocation.substr(0, fullLocation.find('#'));
  if (HasScheme(location)) return location;
  std::string origin = base.scheme + "://" + base.host;
  if (base.port != (base.scheme == "https" ? 443 : 80)) origin += ":" + std::to_string(base.port);
  if (location.compare(0, 2, "//") == 0) return base.scheme + ":" + location;
  if (location.empty()) return origin + base.path;
  const std::string basePath = base.path.substr(0, base.path.find('?'));
  if (location[0] == '?') return origin + basePath + location;
  const size_t q = location.find('?');
  const std::string path = location.substr(0, q), query = q == std::string::npos ? "" : location.substr(q);
  if (path[0] == '/') return origin + RemoveDotSegments(path) + query;
  return origin + RemoveDotSegments(basePath.substr(0, basePath.rfind('/') + 1) + path) + query;
}

std::string BuildHttpRequest(const char* method, const HttpUrl& url, const HttpRequestHeaders& h,
                             const std::string& cookies, bool viaProxy) {
  std::string r;
  r.reserve(256);
  r += method;
  r += ' ';
  if (viaProxy) {
    r += url.scheme + "://" + url.host;
    if (url.port != (url.scheme == "https" ? 443 : 80)) r += ":" + std::to_string(url.port);
  }
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
