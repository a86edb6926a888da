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
    "         [--drip MS] [--ignore-range] [--no-length] [--chunked] [--status N] [--cookie]\n"
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
  int64_t port = 0, status = 0, faultCount = -1, drip = 0;
  struct Flag {
    const char* name;
    bool* on;
  } const flags[] = {{"--ignore-range", &f.ignoreRange},
                     {"--no-length", &f.noContentLength},
                     {"--chunked", &f.chunked},
                     {"--cookie", &f.cookieOnRedirect}};
  struct Value {
    const char* name;
    int64_t* value;
  } const values[] = {{"--port", &port},          {"--rate", &f.rate},
                      {"--drop-after", &f.dropAfter}, {"--stall-after", &f.stallAfter},
                      {"--fault-from", &f.faultFrom}, {"--status", &status},
                      {"--fault-count", &faultCount}, {"--drip", &drip}};
  for (int i = 1; i < argc; ++i) {
    bool known = false;
    for (const Flag& fl : flags) {
      if (std::strcmp(argv[i], fl.name) == 0) *fl.on = known = true;
    }
    for (const Value& v : values) {
      if (!known && std::strcmp(argv[i], v.name) == 0 && i + 1 < argc && ParseBytes(argv[i + 1], v.value)) {
        known = true;
        ++i;
      }
    }
    if (!known) {
      std::fprintf(stderr, "%s", kServeUsage);
      return 2;
    }
  }
  if (port > 65535 || (status != 0 && (status < 100 || status > 999)) || drip > 60000) {
    std::fprintf(stderr, "%s", kServeUsage);
    return 2;
  }
  f.status = static_cast<int>(status);
  f.faultCount = static_cast<int>(faultCount);
  f.dripMs = static_cast<int>(drip);
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
