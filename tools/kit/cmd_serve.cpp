#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/system.h"
#include "tools/kit/http_server.h"
#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"

namespace {
// "20m" is 20 MiB, "512k" 512 KiB.
bool ParseBytes(const std::string& s, int64_t* out) {
  char* end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (end == s.c_str() || v < 0) return false;
  if (*end == 'k' || *end == 'K') v <<= 10, ++end;
  else if (*end == 'm' || *end == 'M') v <<= 20, ++end;
  if (*end) return false;
  *out = v;
  return true;
}
}  // namespace

int CmdServe(int argc, char** argv) {
  kit::ServerFaults f;
  struct Number {
    const char* name;
    int64_t* value;
    int64_t max;
    std::string text;
  };
  int64_t port = 0, status = 0, faultCount = -1, drip = 0;
  Number numbers[] = {{"--port", &port, 65535, ""},           {"--rate", &f.rate, INT64_MAX, ""},
                      {"--drop-after", &f.dropAfter, INT64_MAX, ""}, {"--stall-after", &f.stallAfter, INT64_MAX, ""},
                      {"--fault-from", &f.faultFrom, INT64_MAX, ""}, {"--status", &status, 999, ""},
                      {"--fault-count", &faultCount, INT32_MAX, ""}, {"--drip", &drip, 60000, ""}};
  std::vector<KitOption> options = {{"--ignore-range", nullptr, &f.ignoreRange},
                                     {"--no-length", nullptr, &f.noContentLength},
                                     {"--chunked", nullptr, &f.chunked},
                                     {"--cookie", nullptr, &f.cookieOnRedirect}};
  for (Number& n : numbers) options.push_back({n.name, &n.text});
  std::vector<std::string> positional;
  std::string error;
  if (!ParseArguments(argc, argv, options, &positional, &error)) return UsageError("serve", error);
  if (positional.size() != 1) {
    return UsageError("serve", positional.empty() ? "no DIR given" : "one DIR only; '" + positional[1] + "' is a second");
  }
  for (const Number& n : numbers) {
    if (n.text.empty()) continue;
    if (!ParseBytes(n.text, n.value) || *n.value > n.max) {
      return UsageError("serve", std::string(n.name) + " takes a whole number up to " + std::to_string(n.max) +
                                     (std::strcmp(n.name, "--rate") == 0 ? " (k or m for KiB or MiB)" : "") +
                                     ", not '" + n.text + "'");
    }
  }
  if (status != 0 && status < 100) return UsageError("serve", "--status takes an HTTP status from 100 to 999");
  f.status = static_cast<int>(status);
  f.faultCount = static_cast<int>(faultCount);
  f.dripMs = static_cast<int>(drip);
  kit::HttpServer server(KitPath(positional[0].c_str()));
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
