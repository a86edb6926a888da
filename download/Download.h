// One segment of a download: a thread that GETs its byte range over its own
// connection and writes it into the shared ".rpc" data file at the range's
// offsets. It publishes progress in its segment's Received, obeys its Stop flag
// between chunks and sets SegmentEnded as its last act. The manager owns the
// object and joins its thread.
#pragma once
#include <cstdint>
#include <string>

#include "platform/fs.h"
#include "platform/thread.h"

class TDownloadJob;
class TDownloadManager;

constexpr int32_t kSegmentChunk = 10240;
constexpr uint32_t kSegmentReadTimeoutMs = 5000;

// The lines a segment's run ends with: after a failure its failure line and
// WM_DOWNLOAD_FAILED, then in every case its end line.
void LogSegmentEnd(TDownloadJob& job, int32_t index, bool failed);

class TDownload {
 public:
  // Opens the data file (neither created nor truncated) at the segment's
  // resume offset, then starts the thread.
  TDownload(TDownloadManager* manager, int32_t index, const std::string& url, const std::string& fileName);
  ~TDownload();
  TDownload(const TDownload&) = delete;
  TDownload& operator=(const TDownload&) = delete;

  void Join();

  TDownloadManager* const Manager;
  const int32_t Index;
  int32_t Position;
  int32_t Remaining = 0;
  const std::string Url;
  const std::string FileName;

 private:
  void Run();
  void Transfer();

  platform::File Stream;
  bool streamReady_ = false;
  char Buffer[kSegmentChunk];
  platform::Thread thread_;
};
