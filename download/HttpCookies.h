// The cookies of one HTTP client: taken from the answers of its call and sent
// back to the requests of that call (its redirect targets), under the rules a
// browser keeps, so that one server cannot plant a cookie for another.
#pragma once
#include <string>
#include <vector>

#include "download/HttpRequest.h"

constexpr size_t kMaxCookies = 64;

class HttpCookieJar {
 public:
  // The Set-Cookie lines of an answer from `from`.
  void Store(const HttpUrl& from, const std::vector<std::string>& setCookieLines);
  // The value of the Cookie line for a request to `to` ("a=1; b=2"), empty for none.
  std::string For(const HttpUrl& to) const;

 private:
  struct Cookie {
    std::string name, value, domain, path;
    bool hostOnly = true;  // no Domain attribute: for the host that set it alone
  };
  void StoreOne(const HttpUrl& from, const std::string& line);
  std::vector<Cookie> cookies_;
};
