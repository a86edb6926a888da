// One segment of a download: a thread that GETs its byte range over its own
// connection and writes it into the shared ".rpc" data file at the range's
// offsets, through the manager's handle. It publishes progress in its
// segment's Received, obeys its Stop flag between chunks (a Cancel also ends
// the chunk being read), marks the manager's state stale when the server's
// resource is no longer the size the state describes, and sets its Quiet
// once it writes no more. The manager owns the object and joins its thread.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/thread.h"

class HttpClient;
class TDownloadJob;
class TDownloadManager;

constexpr int32_t kSegmentChunk = 10240;
constexpr uint32_t kSegmentReadTimeoutMs = 5000;

// The lines a segment's run ends with: after a failure its failure line and
// WM_DOWNLOAD_FAILED, then in every case its end line.
void LogSegmentEnd(TDownloadJob& job, int32_t index, bool failed);

class TDownload {
 public:
  // Starts the thread; it writes from the segment's resume offset on.
  TDownload(TDownloadManager* manager, int32_t index, const std::string& url);
  ~TDownload();
  TDownload(const TDownload&) = delete;
  TDownload& operator=(const TDownload&) = delete;

  void Join();
  // From the manager's thread: the read under way ends at once.
  void Cancel();

  TDownloadManager* const Manager;
  const int32_t Index;
  int32_t Position;  // the offset the next chunk goes to
  int32_t Remaining = 0;
  const std::string Url;

 private:
  void Run();
  void Transfer(HttpClient& client);

  char Buffer[kSegmentChunk];
  platform::Mutex clientMutex_;  // guards client_: Cancel may come at any time
  std::unique_ptr<HttpClient> client_;
  platform::Thread thread_;
};
