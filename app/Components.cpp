// The dependent components: the base service and the three drivers below
// InstallDir, fetched when missing. None of them is run.
#include <atomic>

#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseCheck.h"
#include "app/ServerConfig.h"
#include "common/KpLib.h"
#include "common/ReleaseLayout.h"
#include "common/pubShare.h"
#include "download/FetchToFile.h"
#include "download/HttpClient.h"
#include "download/JobLog.h"
#include "download/JobTargets.h"
#include "platform/fs.h"
#include "platform/safe_fs.h"

namespace app {

namespace {
const release::Component& kBaseService = release::kComponents[0];
const char kServiceKey[] = "SOFTWARE\\Veltaro\\VeltaroService\\";

// Compared as unsigned bytes from the left; a prefix is the smaller text. So
// "10.0" is below "2.00", as the installed service's records expect.
bool AtLeastByteWise(const std::string& a, const std::string& b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y) return x > y;
  }
  return a.size() >= b.size();
}

// While a component is fetched on the window's thread, a close ends the fetch
// under way (the window is gone within moments; the process must not go on).
std::atomic<const TInstallFlow*> g_fetchingFlow{nullptr};

bool FetchingFlowCloses() {
  const TInstallFlow* flow = g_fetchingFlow;
  return flow && flow->Closing;
}

class CloseEndsFetch {
 public:
  explicit CloseEndsFetch(const TInstallFlow& flow) {
    g_fetchingFlow = &flow;
    SetHttpAbortCheck(FetchingFlowCloses);
  }
  ~CloseEndsFetch() {
    SetHttpAbortCheck(nullptr);
    g_fetchingFlow = nullptr;
  }
  CloseEndsFetch(const CloseEndsFetch&) = delete;
  CloseEndsFetch& operator=(const CloseEndsFetch&) = delete;
};

void FetchDriver(TInstallFlow& flow, const release::Component& driver) {
  const std::string target = InstallDir + "\\" + driver.installed;
  if (flow.Closing) return;
  if (platform::FileExists(target)) return LogComponent(target, "present");
  flow.form().lblDownLoadState->text = "正在安装依赖驱动...";
  flow.form().Changed();
  const std::string fetched = ComponentFetchName(target);
  CloseEndsFetch closeEnds(flow);
  if (FetchToFile(DownloadBaseUrl() + driver.serverPath, fetched, true) && !flow.Closing) {
    PlaceComponent(target, release::ServerFileName(driver), fetched);
  } else if (!flow.Closing) {
    LogComponent(target, "failed");
  }
  platform::RemoveSafely(fetched);  // a fetch the close ended, or one the check refused
}

std::string BaseServiceTarget() { return InstallDir + "\\" + kBaseService.installed; }
}  // namespace

bool IsInstallYCS() {
  const std::string path = ReadRegString(kServiceKey, "TMVeltaroWinSerPath");
  if (path.empty() || !platform::FileExists(path)) return false;
  return AtLeastByteWise(ReadIniValue("sys", "ver", FolderPart(path) + "Version.INI"), "2.00");
}

void TInstallFlow::DownloadAttachedFiles() {
  // An unpack that a close interrupted runs on to its end; nothing follows it.
  if (Closing) return;
  const std::string target = BaseServiceTarget();
  if (IsInstallYCS() || platform::FileExists(target)) LogComponent(target, "present");
  if (!IsInstallYCS() && !platform::FileExists(target)) {
    const std::string url = (BaseServiceAltHost ? ServiceBaseUrl() : DownloadBaseUrl()) + kBaseService.serverPath;
    form_.lblJD->text = "0%";  // the fill keeps its width until the first percentage
    form_.lblDownLoadState->text = "正在安装基础服务...";
    form_.Changed();
    const std::string fetched = ComponentFetchName(target);
    if (!SyncFallback) {
      CurrentJob.reset();  // as in StartPackageDownload
      WaitForEarlierJob(fetched, kEarlierJobWaitMs, [this] { ProcessMessages(); });
      if (Closing) return;
      // Resume files an older installer left under the target's own name.
      platform::RemoveSafely(target + ".rpc");
      platform::RemoveSafely(target + ".rpc.cfg");
      // Whatever stands at the fetch name is not this download; a name that
      // cannot be cleared fails as the job would.
      if (platform::RemoveSafely(fetched) != 0) return BaseServiceDownloadFailed();
      // Unchecked after its download, the service is fetched whole: a resume
      // could join two versions of the same size.
      CurrentJob = TDownloadJob::Create(url, fetched, kSegments, SignedReleases);
      LogJobStart(*CurrentJob);
      SetTimer(form_.tmr3, true);
      return;  // BaseServiceDownloaded goes on
    }
    CloseEndsFetch closeEnds(*this);
    if (FetchToFile(url, fetched, true) && !Closing) {
      BaseServiceFetched(fetched);
    } else if (!Closing) {
      LogComponent(target, "failed");
    }
    platform::RemoveSafely(fetched);
  }
  BaseServiceDownloaded();
}

void TInstallFlow::BaseServiceFetched(const std::string& fetched) {
  const std::string target = BaseServiceTarget();
  PlaceComponent(target, release::ServerFileName(kBaseService), fetched.empty() ? ComponentFetchName(target) : fetched);
}

// The drivers' rows of the release table, after the base service's.
void TInstallFlow::DownloadSWUkeyDrive() { FetchDriver(*this, release::kComponents[1]); }
void TInstallFlow::DownloadKDPDrive() { FetchDriver(*this, release::kComponents[2]); }
void TInstallFlow::DownloadSKPDrive() { FetchDriver(*this, release::kComponents[3]); }

void TInstallFlow::BaseServiceDownloaded() {
  DownloadSWUkeyDrive();
  DownloadKDPDrive();
  DownloadSKPDrive();
  if (Closing) return;
  form_.nbMain->SetPageIndex(3);
  form_.Changed();
}

// The first failure moves the base service to the service host; the second
// says so and leaves the window on the installing page, where only the close
// remains.
void TInstallFlow::BaseServiceDownloadFailed() {
  SetTimer(form_.tmr3, false);
  const std::shared_ptr<TDownloadJob> job = CurrentJob;
  if (job) job->Cancel();
  LogBaseServiceFailed(BaseServiceAltHost);
  if (BaseServiceAltHost) {
    if (job) job->Finished = true;
    form_.ShowInfo("下载失败");
    return;
  }
  BaseServiceAltHost = true;
  // The failed job is no longer the download's: its other segment's notice,
  // however late, changes nothing.
  CurrentJob.reset();
  DownloadAttachedFiles();
}

}  // namespace app
