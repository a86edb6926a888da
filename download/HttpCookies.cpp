#include "download/HttpCookies.h"

#include <algorithm>

#include "common/TextHelpers.h"
#include "download/HttpResponse.h"

namespace {
bool IsIpAddress(const std::string& host) { return host.find_first_not_of("0123456789.") == std::string::npos; }

// The host is the domain, or a name below it ("a.example.com" below
// "example.com", never "xexample.com"). An address matches only itself.
bool DomainMatches(const std::string& host, const std::string& domain) {
  if (host == domain) return true;
  return !IsIpAddress(host) && host.size() > domain.size() &&
         host.compare(host.size() - domain.size(), std::string::npos, domain) == 0 &&
         host[host.size() - domain.size() - 1] == '.';
}

// A request path without its query.
std::string PathOf(const HttpUrl& url) { return url.path.substr(0, url.path.find('?')); }

// The folder of the request path: "/d/e/f.txt" gives "/d/e", "/f.txt" gives "/".
std::string DefaultPath(const HttpUrl& url) {
  std::string p = PathOf(url);
  size_t slash = p.rfind('/');
  return slash == std::string::npos || slash == 0 ? "/" : p.substr(0, slash);
}

// "/a" covers "/a" and "/a/b", never "/ab".
bool PathMatches(const std::string& requestPath, const std::string& cookiePath) {
  if (requestPath.compare(0, cookiePath.size(), cookiePath) != 0) return false;
  return requestPath.size() == cookiePath.size() || cookiePath.back() == '/' || requestPath[cookiePath.size()] == '/';
}
}  // namespace

void HttpCookieJar::Store(const HttpUrl& from, const std::vector<std::string>& setCookieLines) {
  for (const std::string& line : setCookieLines) StoreOne(from, line);
}

void HttpCookieJar::StoreOne(const HttpUrl& from, const std::string& line) {
  Cookie c;
  const std::string host = AsciiLower(from.host);
  c.domain = host;
  c.path = DefaultPath(from);
  size_t start = 0;
  for (bool first = true; start <= line.size(); first = false) {
    size_t semi = line.find(';', start);
    std::string part = line.substr(start, semi == std::string::npos ? std::string::npos : semi - start);
    start = semi == std::string::npos ? line.size() + 1 : semi + 1;
    size_t eq = part.find('=');
    std::string name = Trim(part.substr(0, eq));
    std::string value = eq == std::string::npos ? std::string() : Trim(part.substr(eq + 1));
    if (first) {
      c.name = name;
      c.value = value;
    } else if (SameText(name, "path") && !value.empty() && value[0] == '/') {
      c.path = value;
    } else if (SameText(name, "domain") && !value.empty()) {
      c.domain = AsciiLower(value[0] == '.' ? value.substr(1) : value);
      c.hostOnly = false;
    }
  }
  // A server sets cookies for itself and the names below it, never for another host.
  if (c.name.empty() || c.domain.empty() || !DomainMatches(host, c.domain)) return;
  cookies_.erase(std::remove_if(cookies_.begin(), cookies_.end(),
                                [&c](const Cookie& o) {
                                  return o.name == c.name && o.domain == c.domain && o.path == c.path;
                                }),
                 cookies_.end());
  if (cookies_.size() < kMaxCookies) cookies_.push_back(c);
}

std::string HttpCookieJar::For(const HttpUrl& to) const {
  const std::string host = AsciiLower(to.host), path = PathOf(to);
  std::string out;
  for (const Cookie& c : cookies_) {
    if (!(c.hostOnly ? host == c.domain : DomainMatches(host, c.domain)) || !PathMatches(path, c.path)) continue;
    if (!out.empty()) out += "; ";
    out += c.name + "=" + c.value;
  }
  return out;
}
