#include "tools/kit/engine_run.h"

#include <atomic>
#include <memory>

#include "download/DownloadJob.h"
#include "download/Notify.h"
#include "platform/console.h"
#include "platform/system.h"

namespace {
// The command line stands in for the window: a notice only raises a flag.
class FlagTarget : public NotifyTarget {
 public:
  void SendDownloadFailed(uint32_t) override { failed = true; }
  std::atomic<bool> failed{false};
};
}  // namespace

EngineRun RunEngine(const std::string& url, const std::string& file,
                    const std::function<void(int32_t, int32_t, bool)>& tick) {
  EngineRun run;
  auto target = std::make_shared<FlagTarget>();
  SetNotifyWindow(target);
  const uint32_t start = platform::TickCount();
  std::shared_ptr<TDownloadJob> job = TDownloadJob::Create(url, file, 2);
  for (;;) {
    job->WaitEngineEnded(100);  // a 100 ms tick that ends early with the engine
    if (tick) tick(job->Downloaded, job->Size, job->ProgressValid);
    if (job->Finished) break;
    if (platform::InterruptRequested() || target->failed) {
      run.interrupted = platform::InterruptRequested();
      job->Cancel();
      break;
    }
    if (job->WaitEngineEnded(0)) break;  // ended early without a notice
  }
  // The segment threads end within one read time-out; the state is saved then.
  job->WaitEngineEnded(60000);
  SetNotifyWindow(nullptr);
  run.finished = job->Finished && !target->failed && !run.interrupted;
  if (run.finished) run.finalName = job->FinalName();
  run.log = job->Log();
  run.size = job->Size;
  run.elapsedMs = platform::TickCount() - start;
  return run;
}
