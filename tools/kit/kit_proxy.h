// The kit's proxy, taken as curl takes it: --proxy URL or --no-proxy on the
// command line, else http_proxy (then all_proxy, ALL_PROXY), with no_proxy
// (or NO_PROXY) naming the hosts that go direct.
#pragma once
#include <string>

#include "download/HttpProxy.h"

// Takes --proxy URL and --no-proxy out of the arguments and sets the process's
// proxy finder. False, with a message on stderr, when the proxy named cannot be
// used (a SOCKS or https proxy, credentials, no host).
bool TakeKitProxy(int* argc, char** argv, const char* command);

// For the check's report: "proxy 127.0.0.1:3128 (http_proxy)" for a URL that
// goes through one, "direct (no_proxy)" for one the exceptions cover, empty
// when no proxy is set at all.
std::string KitProxyFor(const std::string& url);
