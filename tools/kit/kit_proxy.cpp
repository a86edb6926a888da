#include "tools/kit/kit_proxy.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
constexpr uint16_t kCurlProxyPort = 1080;  // curl's port for a proxy named without one

class CurlStyleFinder : public HttpProxyFinder {
 public:
  HttpProxy For(const HttpUrl& url) const override {
    return NoProxyCovers(noProxy, url.host) ? HttpProxy() : proxy;
  }
  HttpProxy proxy;
  std::string noProxy, source;
};

CurlStyleFinder g_finder;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
}  // namespace

bool TakeKitProxy(int* argc, char** argv, const char* command) {
  std::string named;
  bool flag = false, off = false;
  int kept = 0;
  for (int i = 0; i < *argc; ++i) {
    if (std::strcmp(argv[i], "--proxy") == 0 && i + 1 < *argc) {
      named = argv[++i];
      flag = true;
    } else if (std::strcmp(argv[i], "--no-proxy") == 0) {
      off = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  *argc = kept;
  if (off) return true;
  const char* sources[] = {"http_proxy", "all_proxy", "ALL_PROXY"};
  if (flag) {
    g_finder.source = "--proxy";
  } else {
    for (const char* s : sources) {
      named = Env(s);
      g_finder.source = s;
      if (!named.empty()) break;
    }
  }
  if (named.empty()) return true;  // curl too takes an empty value for none
  const size_t scheme = named.find("://");
  const std::string problem =
      scheme != std::string::npos && named.compare(0, scheme, "http") != 0 ? "only an http:// proxy is supported"
      : named.find('@') != std::string::npos                                ? "proxy credentials are not supported"
      : !ParseProxyAddress(named, kCurlProxyPort, &g_finder.proxy)         ? "not a proxy address"
                                                                            : "";
  if (!problem.empty()) {
    std::fprintf(stderr, "veltaro-kit %s: %s (%s): %s\n", command, named.c_str(), g_finder.source.c_str(),
                 problem.c_str());
    return false;
  }
  g_finder.noProxy = Env("no_proxy").empty() ? Env("NO_PROXY") : Env("no_proxy");
  SetHttpProxyFinder(&g_finder);
  return true;
}

std::string KitProxyFor(const std::string& url) {
  HttpUrl u;
  if (CurrentHttpProxyFinder() != &g_finder || !ParseHttpUrl(url, &u)) return std::string();
  const HttpProxy p = g_finder.For(u);
  return p.Direct() ? "direct (no_proxy)" : "proxy " + p.Text() + " (" + g_finder.source + ")";
}
