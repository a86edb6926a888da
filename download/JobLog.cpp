#include "download/JobLog.h"

#include <string>

#include "common/InstallLog.h"
#include "download/DownloadJob.h"

using installlog::FromAnsi;

namespace {
std::string JobName(const TDownloadJob& job) { return "job " + std::to_string(job.Id); }
}  // namespace

void LogJobStart(const TDownloadJob& job) {
  installlog::Info(JobName(job) + " started: " + FromAnsi(job.Url) + " -> " + FromAnsi(job.FileName) + ", " +
                   std::to_string(job.ThreadCount) + " segments");
}

void LogSegmentFailed(const TDownloadJob& job, int index, const std::string& why) {
  installlog::Fail(JobName(job) + " segment " + std::to_string(index) + " failed: " + FromAnsi(why));
}

void LogJobEnd(const TDownloadJob& job) {
  for (const std::string& line : job.Log()) installlog::Info(JobName(job) + ": " + FromAnsi(line));
  const std::string counts = std::to_string(job.Downloaded) + " of " + std::to_string(job.Size) + " bytes";
  if (job.Finished && !job.FinalName().empty()) {
    installlog::Info(JobName(job) + " ended: complete as " + FromAnsi(job.FinalName()) + ", " + counts);
  } else {
    installlog::Fail(JobName(job) + " ended without the file: " + counts + " received");
  }
}
