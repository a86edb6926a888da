#include <cstdio>

#include "platform/console.h"
#include "tools/kit/commands.h"
#include "tools/kit/engine_run.h"
#include "tools/kit/progress_bar.h"
#include "tools/kit/server_probe.h"
#include "tools/kit/terminal_text.h"

namespace {
const double kMiB = 1024.0 * 1024.0;

void DrawBar(int32_t done, int32_t size, bool valid) {
  char detail[64];
  std::snprintf(detail, sizeof detail, "%.1f / %.1f MiB ", done / kMiB, size / kMiB);
  DrawProgressBar(valid && size > 0 ? static_cast<int>(100.0 * done / size) : 0, detail);
}
}  // namespace

// The engine's last log lines, for the reader who wants its side of a failure.
void PrintEngineLog(const std::vector<std::string>& log) {
  const size_t kShown = 8;
  for (size_t i = log.size() > kShown ? log.size() - kShown : 0; i < log.size(); ++i) {
    std::fprintf(stderr, "  engine: %s\n", TerminalText(log[i]).c_str());
  }
}

int CmdFetch(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltaro-kit fetch URL FILE\n");
    return 2;
  }
  InterruptTransfers();
  EngineRun run = RunEngine(argv[0], KitPath(argv[1]), DrawBar);
  if (run.finished) {
    char summary[160];
    std::snprintf(summary, sizeof summary, "fetched %.1f MiB in %.1f s", run.size / kMiB, run.elapsedMs / 1000.0);
    EndProgressBar(summary);
    std::printf("%s\n", UserPath(run.finalName).c_str());
    return 0;
  }
  EndProgressBar("");
  std::string why = run.interrupted ? std::string() : ProbeDownload(argv[0]);
  if (platform::InterruptRequested()) {
    std::fprintf(stderr, "veltaro-kit fetch: interrupted; run the same command again to resume\n");
    return platform::InterruptExitCode();
  }
  std::fprintf(stderr, "veltaro-kit fetch: download failed: %s; run the same command again to resume\n",
               why.empty() ? "the engine gave up (see its log)" : why.c_str());
  PrintEngineLog(run.log);
  return 1;
}
