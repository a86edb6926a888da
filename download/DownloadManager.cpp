#include "download/DownloadManager.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

#include "common/KpLib.h"
#include "download/Download.h"
#include "download/DownloadJob.h"
#include "download/EngineFaults.h"
#include "download/HttpClient.h"
#include "download/JobLog.h"
#include "download/JobTargets.h"
#include "download/Notify.h"
#include "platform/fs.h"
#include "platform/localtime.h"
#include "platform/safe_fs.h"
#include "platform/system.h"
#include "platform/thread.h"

namespace {
constexpr uint32_t kPollMs = 100;
constexpr uint32_t kSizeReadTimeoutMs = 3000;
// Another program may hold the finished file open for a while (a virus
// scanner); after this long the run gives up and keeps its resume state.
constexpr uint32_t kRenameRetryMs = 5000;
constexpr int kMaxNumberedNames = 100000;
// A crash or a killed process loses at most about this much of the download.
constexpr uint32_t kStateSaveMs = 900;
constexpr uint32_t kCopyBlock = 1 << 20;

int32_t ClampThreadCount(int32_t n) { return n < 1 ? 1 : (n > kMaxSegments ? kMaxSegments : n); }

// The data file made this engine's own before a resume writes it: its bytes
// copied under a fresh sibling name that then replaces the name, so that a link
// planted there is replaced, never written through. False when the file is not
// `size` bytes or cannot be taken (another engine holds it).
bool OwnDataFile(const std::string& dataFile, int64_t size) {
  platform::File in, out;
  std::string temp;
  if (in.Open(dataFile, platform::OpenMode::kRead) != 0 || in.Size() != size) return false;
  if (platform::CreateSiblingTemp(dataFile, &out, &temp) != 0) return false;
  std::vector<char> buf(kCopyBlock);
  bool ok = true;
  for (uint32_t got = 0; ok; ) {
    ok = in.Read(buf.data(), kCopyBlock, &got) == 0;
    if (!ok || got == 0) break;
    ok = out.Write(buf.data(), got) == 0;
  }
  in.Close();
  ok = out.Close() == 0 && ok && platform::PlaceOver(temp, dataFile) == 0;
  if (!ok) platform::RemoveFile(temp);
  return ok;
}
}  // namespace

std::string FreeTargetName(const std::string& target) {
  if (!platform::FileExists(target)) return target;
  size_t nameStart = LastBackslash(target);
  nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
  size_t dot = target.rfind('.');
  if (dot == std::string::npos || dot < nameStart) dot = target.size();
  std::string stem = target.substr(0, dot), ext = target.substr(dot);
  for (int n = 1; n <= kMaxNumberedNames; ++n) {
    char num[16];
    std::snprintf(num, sizeof num, "(%d)", n);
    std::string candidate = stem + num + ext;
    if (!platform::FileExists(candidate)) return candidate;
  }
  return std::string();
}

TDownloadManager::TDownloadManager(const std::shared_ptr<TDownloadJob>& job, const std::string& url,
                                   const std::string& fileName, int32_t threadCount, bool resume)
    : Url(url),
      Dir(FolderPart(fileName)),
      FileName(fileName),
      ThreadCount(ClampThreadCount(threadCount)),
      Job(job),
      resume_(resume) {
  if (!Dir.empty() && !DirExists(Dir)) ForceDirs(Dir);
  Job->Running = 1;
}

TDownloadManager::~TDownloadManager() { StopSegments(); }

void TDownloadManager::Start(const std::shared_ptr<TDownloadJob>& job, const std::string& url,
                             const std::string& fileName, int32_t threadCount, bool resume) {
  std::shared_ptr<TDownloadManager> self(new TDownloadManager(job, url, fileName, threadCount, resume));
  self->ticket_ = HoldJobTarget(fileName);
  try {
    platform::Thread([self]() mutable {
      self->RunAndRelease();
      std::shared_ptr<TDownloadJob> keep = self->Job;
      self.reset();  // joins any segment thread still running, frees the table
      LogJobEnd(*keep);
      keep->MarkEngineEnded();
    }).Detach();
  } catch (...) {
    self->LetGo();  // no thread: nothing holds the target
    throw;
  }
}

int32_t TDownloadManager::GetResourceSize(const std::string& url) {
  try {
    HttpClient client;
    client.Request.userAgent = kEngineUserAgent;
    client.FollowRedirects = true;
    client.ReadTimeoutMs = kSizeReadTimeoutMs;
    client.Head(url);
    if (client.ResponseCode() / 100 != 2) return 0;  // the last redirect of a too-long chain
    return static_cast<int32_t>(client.ContentLength());
  } catch (const std::exception&) {
    return 0;
  }
}

void TDownloadManager::Log(const char* format, int32_t value) {
  char line[512];
  std::snprintf(line, sizeof line, format, platform::LocalTimeText().c_str(), value);
  Job->AddLog(EngineLogText(line));
}

void TDownloadManager::Fail(const char* logLine) {
  NotifyFailed();
  Log(logLine);
  Job->Running = 0;
}

void TDownloadManager::LetGo() {
  dataFile_.Close();
  if (!released_) ReleaseJobTarget(FileName, ticket_);
  released_ = true;
}

void TDownloadManager::NotifyFailed() {
  // The window may start the next job on this target from the notice's handler.
  LetGo();
  SendDownloadFailed(Job->Id);
}

void TDownloadManager::RunAndRelease() {
  try {
    Run();
  } catch (const std::exception&) {
    // Out of memory or threads before the download phase: the run just ends.
  }
  // A segment that failed may still be waiting for its notice to be handled;
  // it writes nothing more, so the target is free for the next job now.
  QuietSegments();
  LetGo();
}

void TDownloadManager::Run() {
  size_t slash = LastBackslash(FileName);
  Name = slash == std::string::npos ? FileName : FileName.substr(slash + 1);
  const std::string dataFile = Dir + Name + ".rpc";
  const std::string stateFile = Dir + Name + ".rpc.cfg";
  Job->ClearLog();

  // An earlier job of this process on the target ends first (a cancel ends its
  // reads at once); a cancel of this one meanwhile ends it before it starts.
  if (!WaitJobTurn(FileName, ticket_, [this] { return Job->CancelRequested.load(); })) {
    Job->CancelRequested = false;
    Job->Running = 0;
    return;
  }
  if (!resume_ && (platform::RemoveSafely(stateFile) != 0 || platform::RemoveSafely(dataFile) != 0)) {
    Fail("[%s] 创建接收文件失败.");
    return;
  }

  ResumeState header;
  if (resume_ && platform::FileExists(stateFile) && LoadState(stateFile, dataFile, &header)) {
    // resumed: the segment table is filled in
  } else if (!NewDownload(stateFile, dataFile, &header)) {
    return;
  }

  if (!dataFile_.IsOpen() || !platform::FileExists(dataFile)) {
    NotifyFailed();
    Log("[%s] 接收文件不存在，退出.");
    return;
  }
  const int64_t length = dataFile_.Size();
  if (length < 0) return;
  if (length == 0) {
    NotifyFailed();
    Log("[%s] 接收文件大小<=0，退出.");
    return;
  }
  DownloadPhase(dataFile, stateFile, header);
}

bool TDownloadManager::LoadState(const std::string& stateFile, const std::string& dataFile, ResumeState* header) {
  std::string bytes;
  ResumeState s;
  if (!ReadResumeStateFile(stateFile, &bytes) || !DecodeResumeState(bytes, &s)) return false;
  // The state describes the data file only while that file is the size it
  // says; a data file that another engine writes, or that has a second name,
  // is not resumed either.
  uint32_t links = 0;
  if (!OwnDataFile(dataFile, s.Size) || dataFile_.OpenSoleWriter(dataFile, false) != 0 || dataFile_.Size() != s.Size ||
      dataFile_.LinkCount(&links) != 0 || links != 1) {
    dataFile_.Close();
    return false;
  }
  Log("[%s] 进入下载分支0：%d 字节。", Job->Size);
  Job->Size = s.Size;
  ThreadCount = s.ThreadCount;
  Log("[%s] 取得资源原始大小：%d 字节。", Job->Size);
  for (int i = 1; i <= ThreadCount; ++i) {
    Segments[i].Start = s.Segments[i - 1].Start;
    Segments[i].End = s.Segments[i - 1].End;
    Segments[i].Received = s.Segments[i - 1].Received;
  }
  *header = s;
  return true;
}

bool TDownloadManager::NewDownload(const std::string& stateFile, const std::string& dataFile, ResumeState* header) {
  Log("[%s] 进入下载分支1：%d 字节。", Job->Size);
  Job->Size = GetResourceSize(Url);
  Log("[%s] 取得资源原始大小：%d 字节。", Job->Size);
  if (Job->Size < 1) {
    NotifyFailed();
    return false;
  }
  Log("[%s] 重新取得资源原始大小：%d 字节。", Job->Size);
  const int32_t size = Job->Size;
  const int32_t length = size / ThreadCount;
  for (int i = 1; i <= ThreadCount; ++i) {
    Segments[i].Start = length * (i - 1);
    Segments[i].End = i < ThreadCount ? length * i : size;
    Segments[i].Received = 0;
  }
  Log("[%s] 开始创建接收文件... ...");
  // The state goes first: a data file is never left beside a state that
  // could describe it. Another engine's files are left alone.
  if (!DataFileFree(dataFile) || platform::RemoveSafely(stateFile) != 0 || !CreateDataFile(dataFile, size)) {
    Fail("[%s] 创建接收文件失败.");
    return false;
  }
  Log("[%s] 创建接收文件成功.");
  header->Size = size;
  header->ThreadCount = ThreadCount;
  return true;
}

// Created only when no other engine writes it; a read-only leftover, a folder
// of that name or a path under a file fail too.
bool TDownloadManager::DataFileFree(const std::string& dataFile) {
  if (!platform::FileExists(dataFile)) return true;
  platform::File probe;
  return probe.OpenSoleWriter(dataFile, false) == 0;
}

// A leftover this engine could write (or a link) is removed first, never
// written through.
bool TDownloadManager::CreateDataFile(const std::string& dataFile, int32_t size) {
  if (platform::RemoveSafely(dataFile) != 0 || dataFile_.OpenSoleWriter(dataFile, true) != 0) return false;
  if (dataFile_.SetLength(size) == 0) return true;
  dataFile_.Close();
  platform::RemoveSafely(dataFile);
  return false;
}

void TDownloadManager::DownloadPhase(const std::string& dataFile, const std::string& stateFile,
                                     const ResumeState& header) {
  threads_.reserve(static_cast<size_t>(ThreadCount));
  Job->Finished = false;
  Log("[%s] 开始启动线程进行接收... ...");
  bool allStarted = true;
  for (int i = 1; i <= ThreadCount; ++i) {
    if (Segments[i].Start + Segments[i].Received < Segments[i].End) {
      Segments[i].Quiet = false;
      try {
        threads_.push_back(std::make_unique<TDownload>(this, i, Url));
      } catch (const std::exception&) {
        // No thread to be had: the segment fails as a transfer would, and the
        // owner hears of it; the other segments go on.
        Segments[i].Quiet = true;
        allStarted = false;
        LogSegmentEnd(*Job, i, true);
      }
    }
  }
  if (allStarted) Log("[%s] 线程启动成功，资源接收中... ...");
  uint32_t lastSave = platform::TickCount();
  try {
    while (!Job->Finished) {
      if (Job->CancelRequested || stale_) break;
      if (EngineFaultDue(EngineFault::kPoll)) throw std::runtime_error("poll failed");
      Job->ProgressValid = false;
      Job->Downloaded = SumReceived();
      Job->ProgressValid = true;
      if (platform::TickCount() - lastSave >= kStateSaveMs) {
        lastSave = platform::TickCount();
        SaveProgress(stateFile, header);
      }
      WaitPoll(kPollMs);
      // Counted again: a segment that just ended need not wait for the next poll.
      int32_t sum = SumReceived();
      if (sum == Job->Size) {
        Job->ProgressValid = false;
        Job->Downloaded = sum;
        Job->ProgressValid = true;
        if (!Complete(dataFile, stateFile)) break;
      }
    }
  } catch (const std::exception&) {
    // An error inside the poll ends it like a cancel: the state is saved below.
  }
  // Every path (completion, cancel, the owner setting Finished, a failed
  // rename, an error) waits until no segment writes before the state is saved.
  QuietSegments();
  if (stale_) {
    // Gone before the notice: the retry it starts finds nothing to resume.
    DiscardFiles(dataFile, stateFile);
    Log("[%s] 资源接收未完成，任务中止.");
    NotifyFailed();
    Job->CancelRequested = false;
    Job->Running = 0;
    return;
  }
  SaveState(stateFile, header);
  if (renameFailed_) NotifyFailed();
}

void TDownloadManager::MarkStale() {
  stale_ = true;
  WakePoll();
}

void TDownloadManager::DiscardFiles(const std::string& dataFile, const std::string& stateFile) {
  dataFile_.Close();
  platform::RemoveSafely(stateFile);
  platform::RemoveSafely(dataFile);
}

int32_t TDownloadManager::SumReceived() const {
  int32_t sum = 0;
  for (int i = 1; i <= ThreadCount; ++i) sum += Segments[i].Received;
  return sum;
}

void TDownloadManager::WaitPoll(uint32_t ms) {
  platform::UniqueLock lock(pollMutex_);
  pollCv_.WaitFor(lock, ms, [this] { return pollWake_; });
  pollWake_ = false;
}

void TDownloadManager::WakePoll() {
  platform::LockGuard lock(pollMutex_);
  pollWake_ = true;
  pollCv_.NotifyAll();
}

bool TDownloadManager::Complete(const std::string& dataFile, const std::string& stateFile) {
  QuietSegments();  // every segment is complete
  dataFile_.Close();  // no rename while a handle is open
  std::string target = FreeTargetName(Dir + Name);
  uint32_t start = platform::TickCount();
  while (target.empty() || !platform::RenameFile(dataFile, target)) {
    if (platform::TickCount() - start >= kRenameRetryMs) {
      renameFailed_ = true;  // told once the state is saved
      return false;
    }
    platform::SleepMs(50);
    target = FreeTargetName(Dir + Name);
  }
  platform::RemoveSafely(stateFile);
  Job->SetFinalName(target);
  Job->Finished = true;
  return true;
}

void TDownloadManager::QuietSegments() {
  for (int i = 1; i <= kMaxSegments; ++i) Segments[i].Stop = true;
  // A read under way ends now, not after its chunk or its time-out.
  for (auto& t : threads_) t->Cancel();
  for (int i = 1; i <= kMaxSegments; ++i) {
    while (!Segments[i].Quiet) WaitPoll(kPollMs);
  }
}

void TDownloadManager::StopSegments() {
  for (int i = 1; i <= kMaxSegments; ++i) Segments[i].Stop = true;
  for (auto& t : threads_) t->Cancel();
  for (auto& t : threads_) t->Join();
  threads_.clear();
  for (int i = 1; i <= kMaxSegments; ++i) Segments[i].Stop = false;
}

ResumeState TDownloadManager::CurrentState(const ResumeState& header) const {
  ResumeState s = header;
  for (int i = 1; i <= s.ThreadCount; ++i) {
    s.Segments[i - 1].Start = Segments[i].Start;
    s.Segments[i - 1].End = Segments[i].End;
    s.Segments[i - 1].Received = Segments[i].Received;
  }
  return s;
}

void TDownloadManager::SaveProgress(const std::string& stateFile, const ResumeState& header) {
  const ResumeState s = CurrentState(header);
  // A state that cannot be written now is written at the end of the run.
  if (FlushData()) WriteResumeStateFile(stateFile, s);
}

bool TDownloadManager::FlushData() { return !EngineFaultDue(EngineFault::kFlush) && dataFile_.Flush() == 0; }

void TDownloadManager::SaveState(const std::string& stateFile, const ResumeState& header) {
  // A state is written only over data that is on the disk (the file is closed
  // after a rename that failed); one that cannot be written still ends the run.
  if (!Job->Finished) {
    if ((!dataFile_.IsOpen() || FlushData()) && WriteResumeStateFile(stateFile, CurrentState(header))) {
      Log("[%s] 资源接收未完成，任务中止.");
    }
  }
  Job->CancelRequested = false;
  Job->Running = 0;
}
