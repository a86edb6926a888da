#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"
#include "platform/system.h"
#include "tests/support/HttpServer.h"
#include "tools/kit/commands.h"

namespace {
const char kServeUsage[] =
    "usage: veltaro-kit serve DIR [--port N] [--rate BYTES[k|m]] [--drop-after N] [--stall-after N]\n"
    "         [--ignore-range] [--no-length] [--chunked] [--status N] [--cookie]\n"
    "         [--fault-from OFFSET] [--fault-count N]\n";

// "20m" is 20 MiB, "512k" 512 KiB.
bool ParseBytes(const char* s, int64_t* out) {
  char* end = nullptr;
  long long v = std::strtoll(s, &end, 10);
  if (end == s || v < 0) return false;
  if (*end == 'k' || *end == 'K') v <<= 10, ++end;
  else if (*end == 'm' || *end == 'M') v <<= 20, ++end;
  if (*end) return false;
  *out = v;
  return true;
}
}  // namespace

int CmdServe(int argc, char** argv) {
  if (argc < 1) {
    std::fprintf(stderr, "%s", kServeUsage);
    return 2;
  }
  testsupport::ServerFaults f;
  int64_t port = 0, n = 0;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
    bool ok = true;
    if (!std::strcmp(a, "--ignore-range")) f.ignoreRange = true;
    else if (!std::strcmp(a, "--no-length")) f.noContentLength = true;
    else if (!std::strcmp(a, "--chunked")) f.chunked = true;
    else if (!std::strcmp(a, "--cookie")) f.cookieOnRedirect = true;
    else if (v && !std::strcmp(a, "--port")) ok = ParseBytes(v, &port) && port < 65536, ++i;
    else if (v && !std::strcmp(a, "--rate")) ok = ParseBytes(v, &f.rate), ++i;
    else if (v && !std::strcmp(a, "--drop-after")) ok = ParseBytes(v, &f.dropAfter), ++i;
    else if (v && !std::strcmp(a, "--stall-after")) ok = ParseBytes(v, &f.stallAfter), ++i;
    else if (v && !std::strcmp(a, "--fault-from")) ok = ParseBytes(v, &f.faultFrom), ++i;
    else if (v && !std::strcmp(a, "--status")) ok = ParseBytes(v, &n) && n >= 100 && n < 1000, f.status = static_cast<int>(n), ++i;
    else if (v && !std::strcmp(a, "--fault-count")) ok = ParseBytes(v, &n), f.faultCount = static_cast<int>(n), ++i;
    else ok = false;
    if (!ok) {
      std::fprintf(stderr, "%s", kServeUsage);
      return 2;
    }
  }
  testsupport::HttpServer server(KitPath(argv[0]));
  server.SetFaults(f);
  if (!server.Start(static_cast<uint16_t>(port))) {
    std::fprintf(stderr, "veltaro-kit serve: cannot listen on port %lld\n", static_cast<long long>(port));
    return 1;
  }
  platform::CatchInterrupt();
  std::printf("listening on http://127.0.0.1:%u/\n", static_cast<unsigned>(server.Port()));
  std::fflush(stdout);
  while (!platform::InterruptRequested()) platform::SleepMs(100);
  server.Stop();
  return 0;
}
