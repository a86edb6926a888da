// Where a request goes: straight to the URL's host, or to a web proxy that is
// given the absolute URL. The rules of the two ways a proxy is named: the
// user's Internet settings (Windows) and the http_proxy / no_proxy variables.
#pragma once
#include <cstdint>
#include <string>

#include "download/HttpRequest.h"

struct HttpProxy {
  std::string host;  // empty: direct
  uint16_t port = 0;
  bool Direct() const { return host.empty(); }
  std::string Text() const { return host + ":" + std::to_string(port); }
};

// Answers for each URL the proxy its request goes to. One finder serves every
// thread at once, so For must be safe to call concurrently.
class HttpProxyFinder {
 public:
  virtual ~HttpProxyFinder() = default;
  virtual HttpProxy For(const HttpUrl& url) const = 0;
};

// The process's finder; set once before any transfer starts, and it outlives
// every transfer. Null (the default): every request goes direct.
void SetHttpProxyFinder(const HttpProxyFinder* finder);
const HttpProxyFinder* CurrentHttpProxyFinder();

// "host", "host:port", "http://host:port/" (a trailing slash or path is
// ignored); defaultPort when none is named. False when nothing usable is named.
bool ParseProxyAddress(const std::string& text, uint16_t defaultPort, HttpProxy* out);

// The ProxyServer value of the user's Internet settings, in either form:
// "host:port" for every scheme, or "http=host:port;https=host:port;..." per
// scheme. The proxy of plain http URLs; direct when the value names none.
HttpProxy ProxyServerForHttp(const std::string& proxyServer);

// The ProxyOverride value: entries separated by ';' (blanks around them
// ignored), matched without regard to case against the host and against
// "host:port", '*' standing for any run of characters; "<local>" covers host
// names without a dot. Loopback addresses are covered only when listed.
bool ProxyOverrideCovers(const std::string& overrideList, const HttpUrl& url);

// no_proxy as curl reads it: names separated by commas (blanks ignored), "*"
// alone covers every host, a name covers itself and every host below it (a
// leading dot changes nothing), without regard to case.
bool NoProxyCovers(const std::string& noProxy, const std::string& host);

// A fixed proxy with its exceptions, as the user's settings name one by hand.
class ManualProxyFinder : public HttpProxyFinder {
 public:
  ManualProxyFinder(HttpProxy proxy, std::string overrideList)
      : proxy_(std::move(proxy)), override_(std::move(overrideList)) {}
  HttpProxy For(const HttpUrl& url) const override;

 private:
  HttpProxy proxy_;
  std::string override_;
};
