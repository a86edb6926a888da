// The request side of the HTTP client: URLs and the exact request bytes.
#pragma once
#include <cstdint>
#include <string>

struct HttpUrl {
  std::string scheme;  // "http" or "https", lower case
  std::string host;
  uint16_t port = 80;
  std::string path;  // path, document and query as written; "/" when empty
};

// "http://host[:port][/path][#fragment]" (or https); the fragment is dropped.
// False for anything else, and for a URL carrying control characters, which
// could otherwise split the request.
bool ParseHttpUrl(const std::string& url, HttpUrl* out);

// A Location value against the URL that answered it, as a browser resolves a
// link: absolute URLs stand as they are, "/x" keeps scheme, host and port, "?q"
// keeps the document, "x" and "../x" go from the document's folder, an empty
// value is the URL itself. Fragments are dropped.
std::string ResolveLocation(const HttpUrl& base, const std::string& location);

// A path with its "." and ".." segments applied ("/a/b/../c" is "/a/c").
std::string RemoveDotSegments(const std::string& path);

// The request headers a client sends, with the client's defaults.
struct HttpRequestHeaders {
  std::string contentType = "text/html";
  std::string accept = "text/html, */*";
  std::string userAgent = "Mozilla/3.0 (compatible; Indy Library)";
  int32_t rangeStart = 0;
  int32_t rangeEnd = 0;  // inclusive; 0 sends an open range (or none)
};

// The User-Agent of the size request and of the segment threads.
extern const char kEngineUserAgent[];

// The whole request head, CRLF lines, ending with the empty line. `cookies` is
// the value of the Cookie line ("a=1; b=2"), empty for none. A request to a
// proxy names the absolute URL as its target; its headers are the same.
std::string BuildHttpRequest(const char* method, const HttpUrl& url, const HttpRequestHeaders& headers,
                             const std::string& cookies, bool viaProxy = false);
