#include <cstdio>

#include "platform/console.h"
#include "platform/fs.h"
#include "tools/kit/commands.h"
#include "tools/kit/engine_run.h"
#include "tools/kit/kit_proxy.h"
#include "tools/kit/progress_bar.h"
#include "tools/kit/server_probe.h"
#include "tools/kit/terminal_text.h"

namespace {
uint64_t Bytes(int32_t n) { return n > 0 ? static_cast<uint64_t>(n) : 0; }

void DrawBar(int32_t done, int32_t size, bool valid) {
  const std::string detail = SizeText(Bytes(done)) + " / " + SizeText(Bytes(size)) + " ";
  DrawProgressBar(valid && size > 0 ? static_cast<int>(100.0 * done / size) : 0, detail.c_str());
}

// Advice to run again only when the engine kept what a rerun resumes from.
std::string ResumeAdvice(const std::string& file) {
  if (platform::FileExists(file + ".rpc") && platform::FileExists(file + ".rpc.cfg")) {
    return "; run the same command again to resume";
  }
  return std::string();
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
  if (!TakeKitProxy(&argc, argv, "fetch")) return 2;
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltaro-kit fetch URL FILE [--proxy URL | --no-proxy]\n");
    return 2;
  }
  InterruptTransfers();
  const std::string file = KitPath(argv[1]);
  EngineRun run = RunEngine(argv[0], file, DrawBar);
  if (run.finished) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", run.elapsedMs / 1000.0);
    EndProgressBar(("fetched " + SizeText(Bytes(run.size)) + " in " + seconds).c_str());
    std::printf("%s\n", UserPath(run.finalName).c_str());
    return 0;
  }
  EndProgressBar("");
  std::string why = run.interrupted ? std::string() : ProbeDownload(argv[0]);
  if (platform::InterruptRequested()) {
    std::fprintf(stderr, "veltaro-kit fetch: interrupted%s\n", ResumeAdvice(file).c_str());
    return platform::InterruptExitCode();
  }
  std::fprintf(stderr, "veltaro-kit fetch: download failed: %s%s\n",
               why.empty() ? "the engine gave up (see its log)" : why.c_str(), ResumeAdvice(file).c_str());
  PrintEngineLog(run.log);
  return 1;
}
