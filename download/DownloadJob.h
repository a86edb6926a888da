// One background download of one URL into one file, as its owner sees it. The
// owner polls the fields, asks for a stop with Cancel and learns of failures
// only through WM_DOWNLOAD_FAILED (download/Notify.h). The job is shared: the
// manager thread holds it until its run has ended, so the owner may let go of
// its reference at any time.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/thread.h"

// A log text written in the engine's source (UTF-8) as the log holds it (ANSI).
std::string EngineLogText(const std::string& utf8);

class TDownloadJob {
 public:
  // Stores the values and starts the manager thread; Running is 1 on return.
  // A job on a target that an earlier job of this process still holds starts
  // once that one has ended. With `resume` false nothing saved is resumed: a
  // file that nothing checks after its download is fetched whole.
  static std::shared_ptr<TDownloadJob> Create(const std::string& url, const std::string& fileName,
                                              int32_t threadCount, bool resume = true);
  ~TDownloadJob();
  TDownloadJob(const TDownloadJob&) = delete;
  TDownloadJob& operator=(const TDownloadJob&) = delete;

  const std::string Url;
  const std::string FileName;
  const int32_t ThreadCount;
  // Unique within the process (never 0); the job's failure notices carry it.
  const uint32_t Id;
  std::atomic<int32_t> Running{0};
  std::atomic<bool> CancelRequested{false};
  std::atomic<bool> Finished{false};
  std::atomic<bool> ProgressValid{false};
  std::atomic<int32_t> Size{0};
  std::atomic<int32_t> Downloaded{0};

  // 0 while the progress is being recomputed or the size is unknown; not clamped.
  int32_t GetPercent() const;
  void Cancel() { CancelRequested = true; }

  // Lines in the ANSI code page, like every other text of the system.
  void AddLog(const std::string& line);
  void ClearLog();
  std::vector<std::string> Log() const;

  // The name the completed file was given (the target or a numbered name).
  std::string FinalName() const;
  void SetFinalName(const std::string& name);

  // Waits until the manager thread (and with it every segment thread) has
  // ended; true when it has.
  bool WaitEngineEnded(uint32_t timeoutMs);
  void MarkEngineEnded();

 private:
  TDownloadJob(const std::string& url, const std::string& fileName, int32_t threadCount);

  mutable platform::Mutex mutex_;  // guards the fields below
  platform::CondVar engineEndedCv_;
  std::vector<std::string> log_;
  std::string finalName_;
  bool engineEnded_ = false;
};
