// The manager of one download run: learns the size (or reads the resume state),
// pre-allocates the ".rpc" data file, runs one segment thread per unfinished
// segment, polls their progress into the job every 100 ms, and gives the data
// file its final name. It is the data file's only writer: its segments write
// through its one handle, which no other engine can open for writing. The
// manager thread owns its segment threads and joins them before it ends, on
// every path.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "download/ResumeState.h"
#include "platform/fs.h"
#include "platform/thread.h"

class TDownloadJob;
class TDownload;

class TDownloadManager {
 public:
  // Called on the owner's thread: creates the folder, sets the job's Running,
  // then starts the manager thread, which keeps the manager and the job alive.
  // With `resume` false a saved state and data file are deleted, never resumed.
  static void Start(const std::shared_ptr<TDownloadJob>& job, const std::string& url, const std::string& fileName,
                    int32_t threadCount, bool resume);
  ~TDownloadManager();

  // The size request: Content-Length of a HEAD answer, -1 when it has none, 0 on error.
  static int32_t GetResourceSize(const std::string& url);

  // One record per segment, indexed 1..kMaxSegments ([0] unused). Start and End
  // are fixed before the segment's thread starts; the rest is shared with it.
  struct Segment {
    int32_t Start = 0;
    int32_t End = 0;
    std::atomic<int32_t> Received{0};
    std::atomic<bool> Stop{false};
    // Cleared when the thread starts, set once it writes no more and its
    // Received is final (before its log lines and notice).
    std::atomic<bool> Quiet{true};
  };
  Segment Segments[kMaxSegments + 1];

  // The data file, open while the manager runs; segments write with WriteAt.
  platform::File& DataFile() { return dataFile_; }

  const std::string Url;
  const std::string Dir;
  const std::string FileName;
  std::string Name;
  int32_t ThreadCount;
  const std::shared_ptr<TDownloadJob> Job;

  // Called by a segment thread after its last write to shared state: a poll
  // that is waiting wakes at once instead of at the end of its 100 ms.
  void WakePoll();
  // Called by a segment whose server no longer holds the resource the state
  // describes (another size, a range past its end): the run deletes its data
  // file and state and ends.
  void MarkStale();

 private:
  TDownloadManager(const std::shared_ptr<TDownloadJob>& job, const std::string& url, const std::string& fileName,
                   int32_t threadCount, bool resume);
  void Run();
  // Run, then the data file closed and the target let go: a job waiting for
  // this one may start while a segment still waits for its notice's handling.
  void RunAndRelease();
  bool LoadState(const std::string& stateFile, const std::string& dataFile, ResumeState* header);
  bool NewDownload(const std::string& stateFile, const std::string& dataFile, ResumeState* header);
  bool DataFileFree(const std::string& dataFile);
  // The data file opened new at `size` bytes; nothing left at its name on failure.
  bool CreateDataFile(const std::string& dataFile, int32_t size);
  void DownloadPhase(const std::string& dataFile, const std::string& stateFile, const ResumeState& header);
  bool Complete(const std::string& dataFile, const std::string& stateFile);
  // The data file closed, then it and the state deleted through no link.
  void DiscardFiles(const std::string& dataFile, const std::string& stateFile);
  void QuietSegments();
  void StopSegments();
  // The header with the segments' current counts.
  ResumeState CurrentState(const ResumeState& header) const;
  // While segments run: the data flushed, then the counts written before the flush.
  void SaveProgress(const std::string& stateFile, const ResumeState& header);
  void SaveState(const std::string& stateFile, const ResumeState& header);
  bool FlushData();
  void Log(const char* format, int32_t value = 0);
  // An early end with a word: the notice, the log line, Running 0.
  void Fail(const char* logLine);
  // The data file closed and the target let go, once.
  void LetGo();
  // WM_DOWNLOAD_FAILED from the manager, sent once it has let go.
  void NotifyFailed();

  int32_t SumReceived() const;
  void WaitPoll(uint32_t ms);

  platform::File dataFile_;
  const bool resume_;
  uint64_t ticket_ = 0;  // the hold on the target
  std::atomic<bool> stale_{false};
  bool released_ = false;
  bool renameFailed_ = false;
  std::vector<std::unique_ptr<TDownload>> threads_;
  platform::Mutex pollMutex_;
  platform::CondVar pollCv_;
  bool pollWake_ = false;
};

// The first free name for a completed download: the target itself, else
// "name(n).ext" for n = 1, 2, ... (empty when none is free).
std::string FreeTargetName(const std::string& target);
