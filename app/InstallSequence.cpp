// The install sequence: where the installation goes, how the main package is
// obtained (reused, downloaded by a job, or fetched at once as a fallback), and
// when it is unpacked.
#include "app/FlowValues.h"
#include "app/InstallFlow.h"
#include "app/ReleaseCheck.h"
#include "common/BrowseForFolderU.h"
#include "common/KpLib.h"
#include "common/pubShare.h"
#include "download/FetchToFile.h"
#include "download/PubCrc.h"
#include "platform/codepage.h"
#include "platform/fs.h"
#include "platform/process.h"
#include "platform/system.h"
#include "unpack/PubZip.h"

namespace app {

namespace {
const char kAppPathsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\VeltaroTesmar\\";
const char kProductFolder[] = "VeltaroPlatform";
constexpr int32_t kSegments = 2;
constexpr uint32_t kZipDeleteWaitMs = 15000;

bool EndsInSeparator(const std::string& s) {
  if (s.empty()) return false;
  return s.back() == '/' || LastBackslash(s) == s.size() - 1;
}
}  // namespace

std::string Ansi(const char* utf8) { return platform::WideToAnsi(platform::Utf8ToWide(utf8)); }

TInstallFlow::TInstallFlow(ui::TfrmSpeedInstall& form) : form_(form) {}

TInstallFlow::~TInstallFlow() {
  if (form_.flow() == this) form_.AttachFlow(nullptr);
}

void TInstallFlow::ProcessMessages() {
  if (form_.host()) form_.host()->ProcessMessages();
}

void TInstallFlow::ShowInfoA(const char* utf8) { form_.ShowInfo(Ansi(utf8)); }

// AppDir is the window's own first step (its pictures need it).
void TInstallFlow::StartupSteps() {
  SyncFallback = false;
  DriveRoot = PickInstallDrive();
  if (DriveRoot.empty()) DriveRoot = "C:\\";
  WorkDir = DriveRoot + "Program Files\\Veltaro\\InstVeltaro\\";
}

void TInstallFlow::ShowStarting() {
  StartupSteps();
  GetNewVer();
}

void TInstallFlow::lblAZClick() {
  form_.nbMain->SetPageIndex(1);
  if (form_.edtAZLJ->text.empty()) GetDefaultInstallPath();
  form_.Changed();
}

void TInstallFlow::lblFHClick() {
  form_.nbMain->SetPageIndex(0);
  form_.Changed();
}

void TInstallFlow::GetDefaultInstallPath() {
  std::string p = ReadRegString(kAppPathsKey, "Path");
  if (p.empty() || !platform::FileExists(p + "VeltaroMain.exe")) p.clear();
  if (!p.empty()) {
    form_.edtAZLJ->text = p.substr(0, p.size() - 1);
  } else if (!DriveRoot.empty()) {
    form_.edtAZLJ->text = DriveRoot + "Program Files\\Veltaro\\" + kProductFolder;
  }
  form_.Changed();
}

void TInstallFlow::lblLLClick() {
  const std::string c = form_.edtAZLJ->text;
  std::string f = BrowseForFolder(Ansi("请选择安装文件夹"), c);
  if (f.empty()) f = form_.edtAZLJ->text;
  if (f.find(kProductFolder) == std::string::npos)
    f += EndsInSeparator(f) ? std::string(kProductFolder) : std::string("\\") + kProductFolder;
  if (!f.empty()) form_.edtAZLJ->text = f;
  form_.Changed();
}

void TInstallFlow::lblLJAZClick() {
  if (form_.edtAZLJ->text.empty()) return ShowInfoA("请您先设置安装位置");
  InstallDir = form_.edtAZLJ->text;
  if (InstallDir.find(kProductFolder) == std::string::npos) InstallDir += std::string("\\") + kProductFolder;
  if (!DirExists(InstallDir)) {
    ForceDirs(InstallDir);
    if (!DirExists(InstallDir)) return ShowInfoA("此目录不可使用，请您重新选择安装位置");
  }
  // A manifest whose name was refused counts as no manifest.
  if (PackageName.empty() && (!GetNewVer() || PackageName.empty())) return ShowInfoA("下载版本文件失败");
  PackageFile = WorkDir + "\\Downloads\\" + PackageName;

  if (platform::FileExists(PackageFile)) {
    const PackageDigest d = DigestPackage(PackageFile);
    if (d.crcText == PackageCrc && d.hashMatches) {
      form_.ShowProgress(99);
      form_.nbMain->SetPageIndex(2);
      form_.Changed();
      ProcessMessages();
      UnpackThenComponents("安装失败");
      return;
    }
    platform::RemoveFile(PackageFile);
  }

  // The ".zip" files of earlier runs go; the engine's ".rpc" and ".rpc.cfg"
  // stay, so that an interrupted download resumes. The deletion is waited for
  // (within bounds): a command processor that starts slowly would otherwise
  // delete the package the new job has just brought.
  platform::RunSystemHidden("cmd.exe /C \"del \"" + WorkDir + "Downloads\\*.zip\"\"", kZipDeleteWaitMs);
  form_.nbMain->SetPageIndex(2);
  form_.Changed();
  platform::SleepMs(100);
  StartPackageDownload();
}

void TInstallFlow::lblXZClick() { StartPackageDownload(); }

void TInstallFlow::StartPackageDownload() {
  form_.ShowWorkingState();
  CurrentJob = TDownloadJob::Create(PackageUrl, PackageFile, kSegments);
  SetTimer(form_.tmr1, true);
}

bool TInstallFlow::PollCurrentJob(ui::Timer& timer) {
  // A local reference: nothing run from here can release the job under us.
  std::shared_ptr<TDownloadJob> job = CurrentJob;
  if (!job) {
    SetTimer(timer, false);
    return false;
  }
  int32_t p = job->GetPercent();
  if (p > 0) {
    if (p > 100) {
      job->Finished = true;
      p = 100;
    }
    form_.ShowProgress(p);
  }
  if (!job->Finished) return false;
  SetTimer(timer, false);
  return true;
}

namespace {
// A package that does not match the manifest's checksum is deleted; an empty
// checksum accepts anything. With signed releases its hash must match as well.
bool PackageMatches(const std::string& file) {
  const PackageDigest d = DigestPackage(file);
  if ((PackageCrc.empty() || d.crcText == PackageCrc) && d.hashMatches) return true;
  platform::RemoveFile(file);
  return false;
}
}  // namespace

void TInstallFlow::tmr1Timer() {
  if (!PollCurrentJob(form_.tmr1)) return;
  if (!PackageMatches(PackageFile)) {
    // As the first failure notice would: the fallback fetch one second later.
    if (CurrentJob) CurrentJob->Cancel();
    SetTimer(form_.tmr2, true);
    return;
  }
  UnpackThenComponents("安装失败");
}

void TInstallFlow::tmr2Timer() {
  SetTimer(form_.tmr2, false);
  SyncFallback = true;
  if (!FetchToFile(PackageUrl, PackageFile, true) || !PackageMatches(PackageFile)) return ShowInfoA("下载失败");
  UnpackThenComponents("解压失败");
}

void TInstallFlow::tmr3Timer() {
  if (!PollCurrentJob(form_.tmr3)) return;
  BaseServiceFetched();
  BaseServiceDownloaded();
}

void TInstallFlow::UnpackThenComponents(const char* failureText) {
  ui::Host* host = form_.host();
  const bool ok = UnpackPackage(PackageFile, InstallDir, [host](const UnpackProgress&) {
    if (host) host->ProcessMessages();
  });
  if (ok) DownloadAttachedFiles();
  else ShowInfoA(failureText);
}

void TInstallFlow::HandleDownloadFailed() {
  if (form_.tmr1.enabled) {
    SetTimer(form_.tmr1, false);
    if (CurrentJob) CurrentJob->Cancel();
    SetTimer(form_.tmr2, true);
  } else if (form_.tmr3.enabled) {
    BaseServiceDownloadFailed();
  } else {
    form_.ShowInterruptedState();
  }
}

}  // namespace app
