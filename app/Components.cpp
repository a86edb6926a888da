// The dependent components: the base service and the three drivers below
// InstallDir, fetched when missing. None of them is run.
#include "app/FlowLog.h"
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseCheck.h"
#include "app/ServerConfig.h"
#include "common/KpLib.h"
#include "common/pubShare.h"
#include "download/FetchToFile.h"
#include "download/JobLog.h"
#include "download/JobTargets.h"
#include "platform/fs.h"

namespace app {

namespace {
const char kBaseServicePath[] = "rjxz/KESMO365/YCSFW/DiruvOzoBaseService.exe";
const char kDriverFolder[] = "zelqa/DOWN_CENTER/SBQD/";
const char kServiceKey[] = "SOFTWARE\\Veltaro\\VeltaroService\\";
constexpr int32_t kSegments = 2;

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

void FetchDriver(ui::TfrmSpeedInstall& form, const std::string& fileName) {
  const std::string target = InstallDir + "\\App\\" + fileName;
  if (platform::FileExists(target)) return LogComponent(target, "present");
  form.lblDownLoadState->text = "正在安装依赖驱动...";
  form.Changed();
  if (FetchToFile(DownloadBaseUrl() + kDriverFolder + fileName, ComponentFetchName(target), true)) {
    PlaceComponent(target, fileName);
  } else {
    LogComponent(target, "failed");
  }
}

std::string BaseServiceTarget() { return InstallDir + "\\ThirdSoftware\\BaseService.exe"; }
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
    const std::string url = (BaseServiceAltHost ? ServiceBaseUrl() : DownloadBaseUrl()) + kBaseServicePath;
    form_.lblJD->text = "0%";  // the fill keeps its width until the first percentage
    form_.lblDownLoadState->text = "正在安装基础服务...";
    form_.Changed();
    if (!SyncFallback) {
      CurrentJob.reset();  // as in StartPackageDownload
      WaitForEarlierJob(ComponentFetchName(target), kEarlierJobWaitMs, [this] { ProcessMessages(); });
      CurrentJob = TDownloadJob::Create(url, ComponentFetchName(target), kSegments);
      LogJobStart(*CurrentJob);
      SetTimer(form_.tmr3, true);
      return;  // BaseServiceDownloaded goes on
    }
    if (FetchToFile(url, ComponentFetchName(target), true)) BaseServiceFetched();
    else LogComponent(target, "failed");
  }
  BaseServiceDownloaded();
}

void TInstallFlow::BaseServiceFetched() {
  PlaceComponent(BaseServiceTarget(), "DiruvOzoBaseService.exe");
}

void TInstallFlow::DownloadSWUkeyDrive() { FetchDriver(form_, "SWUKeyDrive.exe"); }
void TInstallFlow::DownloadKDPDrive() { FetchDriver(form_, "VeltaroCSP.exe"); }
void TInstallFlow::DownloadSKPDrive() { FetchDriver(form_, "SKPDrive.exe"); }

void TInstallFlow::BaseServiceDownloaded() {
  DownloadSWUkeyDrive();
  DownloadKDPDrive();
  DownloadSKPDrive();
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
