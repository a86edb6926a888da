#include "download/DownloadJob.h"

#include <cmath>

#include "download/DownloadManager.h"
#include "platform/codepage.h"

std::string EngineLogText(const std::string& utf8) { return platform::WideToAnsi(platform::Utf8ToWide(utf8)); }

namespace {
std::atomic<uint32_t> g_lastJobId{0};
}  // namespace

TDownloadJob::TDownloadJob(const std::string& url, const std::string& fileName, int32_t threadCount)
    : Url(url), FileName(fileName), ThreadCount(threadCount), Id(++g_lastJobId) {}

TDownloadJob::~TDownloadJob() = default;

std::shared_ptr<TDownloadJob> TDownloadJob::Create(const std::string& url, const std::string& fileName,
                                                   int32_t threadCount, bool resume) {
  std::shared_ptr<TDownloadJob> job(new TDownloadJob(url, fileName, threadCount));
  TDownloadManager::Start(job, url, fileName, threadCount, resume);
  return job;
}

int32_t TDownloadJob::GetPercent() const {
  if (!ProgressValid) return 0;
  int32_t size = Size;
  if (size <= 0) return 0;
  return static_cast<int32_t>(std::floor(static_cast<double>(Downloaded) / size * 100.0));
}

void TDownloadJob::AddLog(const std::string& line) {
  platform::LockGuard lock(mutex_);
  log_.push_back(line);
}

void TDownloadJob::ClearLog() {
  platform::LockGuard lock(mutex_);
  log_.clear();
}

std::vector<std::string> TDownloadJob::Log() const {
  platform::LockGuard lock(mutex_);
  return log_;
}

std::string TDownloadJob::FinalName() const {
  platform::LockGuard lock(mutex_);
  return finalName_;
}

void TDownloadJob::SetFinalName(const std::string& name) {
  platform::LockGuard lock(mutex_);
  finalName_ = name;
}

bool TDownloadJob::WaitEngineEnded(uint32_t timeoutMs) {
  platform::UniqueLock lock(mutex_);
  return engineEndedCv_.WaitFor(lock, timeoutMs, [this] { return engineEnded_; });
}

void TDownloadJob::MarkEngineEnded() {
  platform::LockGuard lock(mutex_);
  engineEnded_ = true;
  engineEndedCv_.NotifyAll();
}
