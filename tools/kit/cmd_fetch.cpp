#include <atomic>
#include <cstdio>
#include <memory>

#include "download/DownloadJob.h"
#include "download/Notify.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "tools/kit/commands.h"
#include "tools/kit/progress_bar.h"

namespace {
// The command line stands in for the window: a notice only raises a flag.
class FlagTarget : public NotifyTarget {
 public:
  void SendDownloadFailed() override { failed = true; }
  std::atomic<bool> failed{false};
};

void DrawBar(int32_t done, int32_t size, bool valid) {
  const double mib = 1024.0 * 1024.0;
  char detail[64];
  std::snprintf(detail, sizeof detail, "%.1f / %.1f MiB ", done / mib, size / mib);
  DrawProgressBar(valid && size > 0 ? static_cast<int>(100.0 * done / size) : 0, detail);
}

// Back to the form the user typed on this system.
std::string UserPath(std::string s) {
#ifndef _WIN32
  for (char& c : s) {
    if (c == '\\') c = '/';
  }
#endif
  return s;
}

// The engine's log is ANSI text; a terminal here reads UTF-8 (a Windows console
// reads the system's own code page, which the text already is).
std::string TerminalText(const std::string& ansi) {
#ifdef _WIN32
  return ansi;
#else
  return platform::WideToUtf8(platform::AnsiToWide(ansi));
#endif
}
}  // namespace

int CmdFetch(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: veltaro-kit fetch URL FILE\n");
    return 2;
  }
  auto target = std::make_shared<FlagTarget>();
  SetNotifyWindow(target);
  platform::CatchInterrupt();
  std::shared_ptr<TDownloadJob> job = TDownloadJob::Create(argv[0], KitPath(argv[1]), 2);
  int rc = 0;
  for (;;) {
    job->WaitEngineEnded(100);  // a 100 ms tick that ends early with the engine
    DrawBar(job->Downloaded, job->Size, job->ProgressValid);
    if (job->Finished) break;
    if (platform::InterruptRequested() || target->failed) {
      rc = platform::InterruptRequested() ? 130 : 1;
      job->Cancel();
      break;
    }
    if (job->WaitEngineEnded(0)) {  // ended early without a notice
      rc = 1;
      break;
    }
  }
  // The segment threads end within one read time-out; the state is saved then.
  job->WaitEngineEnded(60000);
  std::fprintf(stderr, "\n");
  SetNotifyWindow(nullptr);
  if (rc == 0 && job->Finished) {
    std::printf("%s\n", UserPath(job->FinalName()).c_str());
    return 0;
  }
  for (const std::string& line : job->Log()) std::fprintf(stderr, "%s\n", TerminalText(line).c_str());
  std::fprintf(stderr, "veltaro-kit fetch: %s; run the same command again to resume\n",
               rc == 130 ? "interrupted" : "download failed");
  return rc == 0 ? 1 : rc;
}
