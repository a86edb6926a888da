#include "download/Download.h"

#include <memory>
#include <system_error>

#include "download/DownloadJob.h"
#include "download/DownloadManager.h"
#include "download/EngineFaults.h"
#include "download/HttpClient.h"
#include "download/JobLog.h"
#include "download/Notify.h"

TDownload::TDownload(TDownloadManager* manager, int32_t index, const std::string& url)
    : Manager(manager), Index(index), Url(url) {
  TDownloadManager::Segment& seg = Manager->Segments[Index];
  Position = seg.Start + seg.Received;
  if (EngineFaultDue(EngineFault::kSegmentStart)) {
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  }
  thread_ = platform::Thread([this] { Run(); });
}

TDownload::~TDownload() { Join(); }

void TDownload::Join() {
  thread_.Join();
}

void TDownload::Cancel() {
  platform::LockGuard lock(clientMutex_);
  if (client_) client_->Cancel();
}

void LogSegmentEnd(TDownloadJob& job, int32_t index, bool failed) {
  const std::string number = std::to_string(index);
  if (failed) {
    job.AddLog(EngineLogText("线程" + number + "下载异常."));
    SendDownloadFailed(job.Id);
  }
  job.AddLog(EngineLogText("线程" + number + "完成退出."));
}

void TDownload::Run() {
  bool failed = false;
  // Released (and its connection closed) only after the lines and the notice.
  try {
    HttpClient* client;
    {
      platform::LockGuard lock(clientMutex_);
      client_ = std::make_unique<HttpClient>();
      client = client_.get();
    }
    // A stop asked before the client existed had nothing to cancel.
    if (Manager->Segments[Index].Stop) client->Cancel();
    Transfer(*client);
  } catch (const std::exception& e) {
    failed = !Manager->Segments[Index].Stop;  // a read the manager cancelled is no failure
    if (failed) LogSegmentFailed(*Manager->Job, Index, e.what());
  }
  // A segment that ended without a failure has no notice to wait for: its end
  // line goes before the manager's last one.
  if (!failed) LogSegmentEnd(*Manager->Job, Index, false);
  Manager->Segments[Index].Quiet = true;
  Manager->WakePoll();
  if (failed) LogSegmentEnd(*Manager->Job, Index, true);
  {
    platform::LockGuard lock(clientMutex_);
    client_.reset();
  }
  Manager->Segments[Index].Stop = false;
  Manager->WakePoll();
}

void TDownload::Transfer(HttpClient& client) {
  TDownloadManager::Segment& seg = Manager->Segments[Index];
  client.FollowRedirects = true;
  client.ReadTimeoutMs = kSegmentReadTimeoutMs;
  client.Request.userAgent = kEngineUserAgent;
  // The range ends at End itself, one byte past the segment: the server sends
  // that byte (or clips the range at the end of the resource) and it is never read.
  client.Request.rangeStart = Position;
  client.Request.rangeEnd = seg.End;
  Remaining = seg.End - Position;
  try {
    client.BeginGet(Url);
  } catch (const HttpError& e) {
    if (e.status() == 416) Manager->MarkStale();  // the saved ranges lie past the resource's end
    throw;
  }

  // Bytes are only written at Position when the server says they start there:
  // a server that ignores the range sends byte 0 first.
  int status = client.ResponseCode();
  int64_t rangeStart = 0, total = 0;
  if (status == 206) {
    const std::string range = client.Response().Get("Content-Range");
    // A resource of another size is another version: the saved ranges describe
    // nothing of it.
    if (ParseContentRangeTotal(range, &total) && total != Manager->Job->Size) {
      Manager->MarkStale();
      throw HttpError("the resource changed its size", status);
    }
    if (!ParseContentRangeStart(range, &rangeStart) || rangeStart != Position) {
      throw HttpError("answer starts at the wrong offset", status);
    }
  } else if (status != 200 || Position != 0) {
    throw HttpError("no partial answer for the range", status);
  }

  platform::File& data = Manager->DataFile();
  while (!Manager->Segments[Index].Stop && Remaining > 0) {
    int32_t n = Remaining > kSegmentChunk ? kSegmentChunk : Remaining;
    client.ReadExact(Buffer, static_cast<size_t>(n));
    if (EngineFaultDue(EngineFault::kWrite) || data.WriteAt(Position, Buffer, static_cast<uint32_t>(n)) != 0) {
      throw HttpError("cannot write the data file");
    }
    seg.Received += n;
    Position += n;
    Remaining -= n;
  }
}
